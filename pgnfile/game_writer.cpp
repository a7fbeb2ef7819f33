#include "pgnfile/game_writer.h"

#include "pgn/fen.h"
#include "pgn/text.h"

#include <algorithm>

namespace pw2 {
namespace {

constexpr std::size_t kColumn = 8;
constexpr std::size_t kLineLength = 79;

bool isWhiteSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

std::size_t skipWhiteSpace(std::string_view text, std::size_t at) {
    while (at < text.size() && isWhiteSpace(text[at]))
        ++at;
    return at;
}

// The pair that starts at game[open] ("["): its name, its end and its value.
TagPair readTagPair(std::string_view game, std::size_t open, std::size_t end) {
    TagPair tag;
    tag.begin = open;
    tag.end = end;
    std::size_t at = open + 1;
    while (at < end && game[at] == ' ')
        ++at;
    const std::size_t nameBegin = at;
    while (at < end && !isWhiteSpace(game[at]) && game[at] != '"' && game[at] != ']')
        ++at;
    tag.name = game.substr(nameBegin, at - nameBegin);
    while (at < end && game[at] == ' ')
        ++at;
    if (at < end && game[at] == '"')
        pgn::readQuotedValue(game, at + 1, tag.value);
    return tag;
}

void appendTagPair(std::string& out, std::string_view name, std::string_view value) {
    out += '[';
    out += name;
    out += " \"";
    out += escapeTagValue(value);
    out += "\"]";
}

class MovetextWriter {
public:
    MovetextWriter(std::string& out, std::string_view eol) : out_(out), eol_(eol) {}
    // Adds text word by word: a move column cut from an irregular movetext may hold several
    // words, and a line breaks only between them.
    void add(std::string_view text) {
        std::size_t at = 0;
        while (at < text.size()) {
            const std::size_t end = std::min(text.find(' ', at), text.size());
            if (end > at)
                addWord(text.substr(at, end - at));
            at = end + 1;
        }
    }

private:
    // A word that begins with "%" never starts a line: there it would make an escape line,
    // which readers skip.
    void addWord(std::string_view token) {
        if (lineLength_ > 0 && lineLength_ + 1 + token.size() > kLineLength &&
            !token.starts_with('%')) {
            out_ += eol_;
            lineLength_ = 0;
        } else if (lineLength_ > 0) {
            out_ += ' ';
            ++lineLength_;
        }
        out_ += token;
        lineLength_ += token.size();
    }

    std::string& out_;
    std::string_view eol_;
    std::size_t lineLength_ = 0;
};

// Where the FEN tag that pgn::FindFenTag takes ends (just after its "]"); 0 when it finds none.
std::size_t fenTagEnd(std::string_view text) {
    std::string value;
    std::size_t end = 0;
    return pgn::FindFenTag(text, value, &end) ? end : 0;
}

} // namespace

GameLayout readLayout(std::string_view game) {
    GameLayout layout;
    std::size_t at = skipWhiteSpace(game, 0);
    while (at < game.size() && game[at] == '[') {
        const std::size_t end = pgn::tagEnd(game, at);
        if (end == std::string_view::npos)
            break; // a "[" that no "]" closes is movetext
        layout.tags.push_back(readTagPair(game, at, end));
        layout.tagsEnd = end;
        at = skipWhiteSpace(game, end);
    }
    // The saver takes a game's FEN tag where its own reading of the tags finds it; the moves
    // begin after it, so that writing new moves never drops it.
    const std::size_t fenEnd = fenTagEnd(game);
    layout.headEnd = std::max(layout.tagsEnd, fenEnd);
    if (fenEnd > at)
        at = skipWhiteSpace(game, fenEnd);
    layout.movesBegin = at;
    std::size_t last = game.size();
    while (last > at && isWhiteSpace(game[last - 1]))
        --last;
    layout.movesEnd = last;
    return layout;
}

const TagPair* findTagPair(const GameLayout& layout, std::string_view name) {
    for (const TagPair& tag : layout.tags)
        if (tag.name == name)
            return &tag;
    return nullptr;
}

std::string_view lineEnding(std::string_view game, std::string_view before,
                            std::string_view after) {
    for (const std::string_view text : {game, before, after}) {
        const std::size_t lf = text.find('\n');
        if (lf != std::string_view::npos)
            return lf > 0 && text[lf - 1] == '\r' ? "\r\n" : "\n";
    }
    return "\n";
}

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

bool isTerminationMarker(std::string_view token) {
    return token == "1-0" || token == "0-1" || token == "1/2-1/2" || token == "*";
}

std::string writeMovetext(const GameMoves& moves, std::string_view eol) {
    std::string out;
    MovetextWriter writer(out, eol);
    std::int64_t number = moves.first;
    for (const MovePair& pair : moves.pairs) {
        std::string caption = std::to_string(number++);
        if (pair.white == "...") {
            caption += "...";
            writer.add(caption);
        } else {
            caption += '.';
            writer.add(caption);
            if (!pair.white.empty())
                writer.add(pair.white);
        }
        if (!pair.black.empty())
            writer.add(pair.black);
    }
    if (!moves.result.empty()) {
        const bool ended =
            !moves.pairs.empty() &&
            isTerminationMarker(moves.pairs.back().black.empty() ? moves.pairs.back().white
                                                                 : moves.pairs.back().black);
        if (!ended)
            writer.add(moves.result);
    }
    return out;
}

std::string rewriteGame(std::string_view game, const std::vector<TagEdit>& edits,
                        const std::string* movetext, std::string_view eol) {
    const GameLayout layout = readLayout(game);
    std::string out;
    out.reserve(game.size() + (movetext ? movetext->size() : 0) + 64);
    // The tag section, each edited pair written anew in its place: the first pair of its name.
    std::vector<const TagPair*> replaced(edits.size(), nullptr);
    for (std::size_t e = 0; e < edits.size(); ++e)
        replaced[e] = findTagPair(layout, edits[e].name);
    std::size_t kept = 0;
    for (const TagPair& tag : layout.tags) {
        const auto edit = std::find(replaced.begin(), replaced.end(), &tag);
        if (edit == replaced.end())
            continue;
        out.append(game.substr(kept, tag.begin - kept));
        appendTagPair(out, tag.name, edits[std::size_t(edit - replaced.begin())].value);
        kept = tag.end;
    }
    out.append(game.substr(kept, layout.tagsEnd - kept));
    const std::size_t missingAt = out.size();
    std::string missing;
    for (std::size_t e = 0; e < edits.size(); ++e) {
        if (replaced[e])
            continue;
        if (missingAt > 0 || !missing.empty())
            missing += eol;
        appendTagPair(missing, edits[e].name, edits[e].value);
    }
    out += missing;
    if (!movetext) {
        out.append(game.substr(layout.tagsEnd));
        return out;
    }
    out.append(game.substr(layout.tagsEnd, layout.headEnd - layout.tagsEnd));
    if (!out.empty()) {
        out += eol;
        out += eol;
    }
    out += *movetext;
    // The white space that followed the old movetext (or the tags, when it had none) still ends
    // the game: the line breaks before the next game, or none at the end of the file.
    const bool hadMoves = layout.movesEnd > layout.movesBegin;
    out.append(game.substr(hadMoves ? layout.movesEnd : layout.headEnd));
    return out;
}

std::string newGameText(const std::vector<TagEdit>& tags, std::string_view movetext,
                        std::string_view eol) {
    std::string out;
    for (const TagEdit& tag : tags) {
        appendTagPair(out, tag.name, tag.value);
        out += eol;
    }
    out += eol;
    out += movetext;
    out += eol;
    return out;
}

std::string newGameSeparator(std::string_view text, std::string_view eol) {
    if (text.empty())
        return {};
    std::size_t breaks = 0;
    for (std::size_t at = text.size(); at > 0 && breaks < 2;) {
        if (text[at - 1] != '\n')
            break;
        ++breaks;
        --at;
        if (at > 0 && text[at - 1] == '\r')
            --at;
    }
    std::string separator;
    for (; breaks < 2; ++breaks)
        separator += eol;
    return separator;
}

std::string composeEntry(std::string_view caption, std::string_view white, std::string_view black) {
    std::string entry;
    entry.reserve(caption.size() + 2 + 2 * kColumn + white.size() + black.size());
    entry += caption;
    entry += ' ';
    entry += white;
    if (white.size() < kColumn)
        entry.append(kColumn - white.size(), ' ');
    if (black.size() < kColumn)
        entry.append(kColumn - black.size(), ' ');
    else if (white.size() >= kColumn)
        entry += ' ';
    entry += black;
    return entry;
}

} // namespace pw2
