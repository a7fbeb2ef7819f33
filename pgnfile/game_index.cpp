#include "pgnfile/game_index.h"

#include "pgn/text.h"

namespace pw2 {
namespace {

constexpr std::string_view kBlackTag = "[Black ";
constexpr std::size_t npos = std::string_view::npos;

// The Black tags of a text, found forwards only: the tags are read one after another from the
// text's first "[" (pgn::tagEnd), so that a "[" inside a quoted value starts no tag, and the last
// Black tag found is reused while it still starts at or after the place asked for. A whole listing
// pass reads the text once.
class BlackTags {
public:
    struct Tag {
        std::size_t begin = npos; // its "["; npos: no Black tag from here on
        std::size_t end = npos;   // just after its end; npos: the text ends inside it
    };

    explicit BlackTags(std::string_view text) : text_(text) {}

    // The first Black tag that starts at or after at.
    Tag from(std::size_t at) {
        while (found_.begin == npos || found_.begin < at) {
            if (next_ == npos)
                return {};
            const std::size_t open = text_.find('[', next_);
            if (open == npos) {
                next_ = npos;
                return {};
            }
            const std::size_t end = pgn::tagEnd(text_, open);
            next_ = end;
            if (text_.substr(open).starts_with(kBlackTag))
                found_ = {open, end};
        }
        return found_;
    }

private:
    std::string_view text_;
    std::size_t next_ = 0; // where the next tag is looked for
    Tag found_;
};

} // namespace

GameIndex::GameIndex(std::string text)
    : text_(std::make_shared<const std::string>(std::move(text))) {
    const std::string_view all(*text_);
    spans_ = pgn::findGameSpans(all);
    if (spans_.size() > kMaxListedGames)
        spans_.resize(kMaxListedGames);
    entries_.reserve(spans_.size());

    BlackTags black(all);
    for (const pgn::GameSpan& span : spans_) {
        const auto e = static_cast<std::size_t>(span.begin - 1);
        const std::size_t r = black.from(e + 1).end;
        if (r != npos)
            entries_.push_back({e, r});
        else
            entries_.push_back({e, static_cast<std::size_t>(span.end - 1)});
    }
}

std::string_view GameIndex::entryBody(std::size_t i) const {
    const Range r = entries_.at(i);
    return std::string_view(*text_).substr(r.first, r.last - r.first);
}

std::string_view GameIndex::gameText(std::size_t i) const {
    return pgn::gameText(*text_, spans_.at(i));
}

std::string GameIndex::entry(std::size_t i) const {
    const std::string_view body = entryBody(i);
    std::string text = std::to_string(i + 1);
    text += "- ";
    text += body;
    return text;
}

} // namespace pw2
