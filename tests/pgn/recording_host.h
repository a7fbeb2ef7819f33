// A host that records what the engine shows and asks for.
#pragma once

#include "pgn/interfaces.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace pw2::test {

struct Message {
    std::string text;
    pgn::Icon icon;
    friend bool operator==(const Message&, const Message&) = default;
    friend void PrintTo(const Message& m, std::ostream* os) {
        *os << '{' << ::testing::PrintToString(m.text) << ", icon " << static_cast<int>(m.icon)
            << '}';
    }
};

class RecordingHost final : public pgn::Host {
public:
    void setStatus(std::string_view text) override { statuses.emplace_back(text); }
    void showMessage(std::string_view text, pgn::Icon icon) override {
        messages.push_back({std::string(text), icon});
    }

    std::vector<std::string> statuses;
    std::vector<Message> messages;
};

} // namespace pw2::test
