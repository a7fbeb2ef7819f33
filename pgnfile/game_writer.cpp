#include "pgnfile/game_writer.h"

#include <limits>

namespace pw2 {
namespace {

constexpr std::string_view kLineBreak = "\r\n";
constexpr std::size_t kColumn = 8;

void appendTag(std::string& out, std::string_view name, std::string_view value) {
    out += '[';
    out += name;
    out += " \"";
    out += escapeTagValue(value);
    out += "\"]";
    out += kLineBreak;
}

} // namespace

std::string escapeTagValue(std::string_view value) {
    std::string escaped;
    escaped.reserve(value.size());
    for (const char c : value) {
        if (c == '\\' || c == '"')
            escaped += '\\';
        escaped += c == '\r' || c == '\n' ? ' ' : c;
    }
    return escaped;
}

std::string composeGameFile(std::string_view TextBefore, const GameTags& tags,
                            std::string_view MoveList, std::string_view TextAfter) {
    std::string file;
    file.reserve(TextBefore.size() + MoveList.size() + TextAfter.size() + tags.Event.size() +
                 tags.Site.size() + tags.Date.size() + tags.White.size() + tags.Black.size() + 96);
    file += TextBefore;
    file += kLineBreak;
    appendTag(file, "Event", tags.Event);
    appendTag(file, "Site", tags.Site);
    appendTag(file, "Date", tags.Date);
    appendTag(file, "White", tags.White);
    appendTag(file, "Black", tags.Black);
    file += MoveList;
    file += kLineBreak;
    file += TextAfter;
    file += kLineBreak;
    return file;
}

std::string composeEntry(std::string_view caption, std::string_view white, std::string_view black) {
    std::string entry;
    entry.reserve(caption.size() + 1 + 2 * kColumn + white.size() + black.size());
    entry += caption;
    entry += ' ';
    entry += white;
    if (white.size() < kColumn)
        entry.append(kColumn - white.size(), ' ');
    if (black.size() < kColumn)
        entry.append(kColumn - black.size(), ' ');
    entry += black;
    return entry;
}

std::string joinMoveList(const std::vector<std::string>& entries) {
    std::string text;
    for (const std::string& entry : entries) {
        text += entry;
        text += kLineBreak;
    }
    return text;
}

std::string_view entryCaption(std::string_view entry) {
    const std::size_t dot = entry.find('.');
    return dot == std::string_view::npos ? entry : entry.substr(0, dot + 1);
}

std::int32_t entryMoveNumber(std::string_view entry) {
    std::size_t i = entry.find_first_not_of(' ');
    std::int64_t n = 0;
    for (; i < entry.size() && entry[i] >= '0' && entry[i] <= '9'; ++i) {
        n = n * 10 + (entry[i] - '0');
        if (n > std::numeric_limits<std::int32_t>::max())
            return std::numeric_limits<std::int32_t>::max();
    }
    return static_cast<std::int32_t>(n);
}

} // namespace pw2
