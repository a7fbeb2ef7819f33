#include "pgnfile/game_index.h"

namespace pw2 {
namespace {

constexpr std::string_view kBlackTag = "[Black ";
constexpr std::size_t npos = std::string_view::npos;

// The first occurrence of pattern at or after from. Searches run forwards only: a result found
// earlier is reused while it still lies at or after from, so a whole listing pass reads the text
// a bounded number of times even when the searched text is rare or missing.
class ForwardSearch {
public:
    ForwardSearch(std::string_view text, std::string_view pattern)
        : text_(text), pattern_(pattern) {}

    std::size_t from(std::size_t at) {
        if (!known_ || (hit_ != npos && hit_ < at)) {
            hit_ = at > text_.size() ? npos : text_.find(pattern_, at);
            known_ = true;
        }
        return hit_;
    }

private:
    std::string_view text_;
    std::string_view pattern_;
    std::size_t hit_ = npos;
    bool known_ = false;
};

} // namespace

GameIndex::GameIndex(std::string text)
    : text_(std::make_shared<const std::string>(std::move(text))) {
    const std::string_view all(*text_);
    spans_ = pgn::findGameSpans(all);
    if (spans_.size() > kMaxListedGames)
        spans_.resize(kMaxListedGames);
    entries_.reserve(spans_.size());

    ForwardSearch black(all, kBlackTag);
    ForwardSearch close(all, "]");
    for (const pgn::GameSpan& span : spans_) {
        const auto e = static_cast<std::size_t>(span.begin - 1);
        const std::size_t b = black.from(e + 1);
        const std::size_t r = b == npos ? npos : close.from(b + 1);
        if (r != npos)
            entries_.push_back({e, r + 1});
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
