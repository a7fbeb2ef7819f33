// Small text helpers of the PGN engine. Only the space character counts as a space.
#pragma once

#include <string_view>

namespace pgn {

inline std::string_view trimSpaces(std::string_view s) {
    const std::size_t first = s.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

} // namespace pgn
