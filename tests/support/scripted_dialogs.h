// A common dialog double: file and colour dialogs answered from a script, with every request
// recorded. A script that runs out answers with a cancel.
#pragma once

#include "services/common_dialog.h"

#include <deque>
#include <memory>
#include <optional>
#include <vector>

namespace pw2::test {

class ScriptedDialogs : public CommonDialogService {
public:
    std::optional<QString> chooseFile(QWidget*, const FileDialogRequest& request) override {
        fileRequests.push_back(request);
        if (files.empty())
            return std::nullopt;
        const QString answer = files.front();
        files.pop_front();
        if (answer.isNull())
            return std::nullopt;
        return answer;
    }
    std::optional<std::uint32_t> chooseColour(QWidget*, std::uint32_t initial) override {
        colourRequests.push_back(initial);
        if (colours.empty())
            return std::nullopt;
        const std::optional<std::uint32_t> answer = colours.front();
        colours.pop_front();
        return answer;
    }

    std::deque<QString> files;                        // a path, or QString() for a cancel
    std::deque<std::optional<std::uint32_t>> colours; // 0x00BBGGRR, or nullopt for a cancel
    std::vector<FileDialogRequest> fileRequests;
    std::vector<std::uint32_t> colourRequests;
};

// Installs a ScriptedDialogs for as long as it lives.
class ScriptedDialogsScope {
public:
    ScriptedDialogsScope() {
        auto service = std::make_unique<ScriptedDialogs>();
        dialogs = service.get();
        setCommonDialogService(std::move(service));
    }
    ~ScriptedDialogsScope() { setCommonDialogService(nullptr); }
    ScriptedDialogsScope(const ScriptedDialogsScope&) = delete;
    ScriptedDialogsScope& operator=(const ScriptedDialogsScope&) = delete;

    ScriptedDialogs* dialogs = nullptr;
};

} // namespace pw2::test
