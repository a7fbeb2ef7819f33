// ReadCommentary: one pass over a game's text that follows CleanGameText's reading of tags,
// comments and variations, and counts the main line's half-moves as it goes.
#include "pgn/commentary.h"

#include "pgn/comment_commands.h"
#include "pgn/engine.h"
#include "pgn/text.h"

#include <algorithm>

namespace pgn {
namespace {

bool isLineBreak(char c) {
    return c == '\n' || c == '\r';
}

bool isBlank(char c) {
    return static_cast<unsigned char>(c) < 0x20 || c == ' ' || c == 0x7F;
}

// One comment's text as it is read: blanks collapse to one space, and no more than the limit
// (and a byte to tell that it went on) is kept, however long the comment.
class CommentText {
public:
    void add(char c) {
        if (isBlank(c)) {
            space_ = !text_.empty();
            return;
        }
        if (text_.size() > kCommentLimit) {
            more_ = true;
            return;
        }
        if (space_)
            text_ += ' ';
        space_ = false;
        text_ += c;
    }
    void clear() {
        text_.clear();
        space_ = more_ = false;
    }
    bool empty() const { return text_.empty(); }
    const std::string& text() const { return text_; }
    bool more() const { return more_; }

private:
    std::string text_;
    bool space_ = false;
    bool more_ = false;
};

// Cuts text to the limit, at the last space when one stands in its second half, else between two
// characters of UTF-8.
void capText(Comment& comment, bool more) {
    std::string& text = comment.text;
    if (text.size() <= kCommentLimit && !more)
        return;
    comment.cut = true;
    if (text.size() <= kCommentLimit)
        return;
    std::size_t end = text.rfind(' ', kCommentLimit);
    if (end == std::string::npos || end < kCommentLimit / 2) {
        end = kCommentLimit;
        for (int i = 0; i < 3 && end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80;
             ++i)
            --end;
    }
    text.resize(end);
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
}

// The movetext's words, one character at a time, and the half-moves among them.
class HalfMoveCounter {
public:
    void add(char c) {
        if (c == ' ' || isLineBreak(c)) {
            endWord();
            return;
        }
        if (c == '$') {
            // A glyph is blanked to the end of its word; a move written against it ends there.
            if (!glyph_ && length_ > 0)
                classify();
            word_.clear();
            length_ = 0;
            glyph_ = true;
            nag_ = 0;
            nagDigits_ = 0;
            return;
        }
        if (glyph_) {
            if (c >= '0' && c <= '9' && nagDigits_ < 4) {
                nag_ = nag_ * 10 + unsigned(c - '0');
                ++nagDigits_;
            } else {
                nagDigits_ = 5; // not a number: no glyph
            }
            return;
        }
        ++length_;
        if (word_.size() < kKept)
            word_ += c;
    }
    void endWord() {
        if (length_ > 0)
            classify();
        if (glyph_ && nagDigits_ > 0 && nagDigits_ <= 4)
            keepGlyph();
        word_.clear();
        length_ = 0;
        glyph_ = false;
    }
    bool inWord() const { return length_ > 0 || glyph_; }
    std::size_t count() const { return count_; }
    std::vector<MoveGlyph> takeGlyphs() { return std::move(glyphs_); }

private:
    enum class Expect { None, White, Black };
    static constexpr std::size_t kKept = 16;

    void classify() {
        std::string_view w(word_);
        std::size_t digits = 0;
        while (digits < w.size() && w[digits] >= '0' && w[digits] <= '9')
            ++digits;
        if (digits > 0 && digits < w.size() && w[digits] == '.') {
            std::size_t periods = 0;
            while (digits + periods < w.size() && w[digits + periods] == '.')
                ++periods;
            expect_ = periods >= 3 ? Expect::Black : Expect::White;
            w.remove_prefix(digits + periods);
            if (length_ > word_.size())
                w = "move"; // a long word after the number: a move, whatever it holds
            if (w.empty())
                return;
        }
        if (w.find_first_not_of('.') == std::string_view::npos || IsResult(w) || w == "*")
            return;
        if (expect_ == Expect::White) {
            ++count_;
            expect_ = Expect::Black;
        } else if (expect_ == Expect::Black) {
            ++count_;
            expect_ = Expect::None;
        }
    }

    // A glyph follows the half-move counted last; one before any move, or a second one on the
    // same half-move, is left out.
    void keepGlyph() {
        if (count_ == 0 || nag_ < 1 || nag_ > 6)
            return;
        if (!glyphs_.empty() && glyphs_.back().halfMove == count_)
            return;
        glyphs_.push_back({count_, nag_});
    }

    std::string word_; // the word's first kKept bytes
    std::size_t length_ = 0;
    bool glyph_ = false;
    unsigned nag_ = 0;
    int nagDigits_ = 0; // more than 4: not a glyph this reader keeps
    std::vector<MoveGlyph> glyphs_;
    Expect expect_ = Expect::None;
    std::size_t count_ = 0;
};

class Reader {
public:
    explicit Reader(std::string_view text) : text_(text) {}

    Annotations read() {
        for (std::size_t i = 0; i < text_.size();) {
            const char c = text_[i];
            if (c == '[') {
                const std::size_t end = tagEnd(text_, i);
                if (end == std::string_view::npos)
                    break; // the game's text does not pair up: it plays nothing
                i = end;
                afterTag_ = true;
                continue;
            }
            pos_ = i;
            step(c);
            lineStart_ = isLineBreak(c);
            afterTag_ = false;
            ++i;
        }
        pos_ = text_.size();
        if (state_ == State::LineComment)
            endComment();
        counter_.endWord();
        placePending();
        return {std::move(comments_), counter_.takeGlyphs(), std::move(commands_)};
    }

private:
    enum class State { Moves, Brace, LineComment, PercentLine };

    void step(char c) {
        switch (state_) {
        case State::Brace:
            if (c == '}')
                endComment();
            else
                comment_.add(c);
            return;
        case State::LineComment:
            if (!isLineBreak(c)) {
                comment_.add(c);
                return;
            }
            endComment();
            break;
        case State::PercentLine:
            if (!isLineBreak(c))
                return;
            state_ = State::Moves;
            break;
        case State::Moves:
            break;
        }
        if (c == '{' || c == ';') {
            state_ = c == '{' ? State::Brace : State::LineComment;
            comment_.clear();
            commentStart_ = pos_ + 1;
        } else if (c == '%' && lineStart_ && !afterTag_) {
            state_ = State::PercentLine;
        } else if (c == '(') {
            ++depth_;
        } else if (c == ')' && depth_ > 0) {
            --depth_;
        } else if (depth_ == 0) {
            const bool inWord = counter_.inWord();
            counter_.add(c);
            if (inWord && !counter_.inWord())
                placePending();
        }
    }

    // A comment ends: the main line's is placed once the word it stands in (if any) has ended.
    // Its commands (a clock, an evaluation) are placed with it; a comment of nothing else shows
    // no text.
    void endComment() {
        state_ = State::Moves;
        if (depth_ > 0)
            return;
        const CommentCommands commands =
            ReadCommentCommands(text_.substr(commentStart_, pos_ - commentStart_));
        if (commands.clockMs)
            pendingCommands_.clockMs = commands.clockMs;
        if (commands.evaluation)
            pendingCommands_.evaluation = commands.evaluation;
        // Of a comment with an engine's fields only the words for a reader are shown.
        // They come from the comment's own bytes, so what stands in brackets is left out here as
        // the reading above leaves tags out.
        if (commands.readerText) {
            comment_.clear();
            bool inBrackets = false;
            for (const char c : *commands.readerText) {
                if (c == '[')
                    inBrackets = true;
                else if (c == ']' && inBrackets)
                    inBrackets = false;
                else if (!inBrackets)
                    comment_.add(c);
            }
        }
        if (comment_.empty() || commands.onlyCommands) {
            if (!counter_.inWord())
                placePending();
            return;
        }
        if (pending_.size() > kCommentLimit) {
            pendingMore_ = true;
        } else {
            if (!pending_.empty())
                pending_ += ' ';
            pending_ += comment_.text();
            pendingMore_ = pendingMore_ || comment_.more();
        }
        if (!counter_.inWord())
            placePending();
    }

    void placePending() {
        const std::size_t at = counter_.count();
        if (pendingCommands_.clockMs || pendingCommands_.evaluation) {
            if (commands_.empty() || commands_.back().afterHalfMoves != at) {
                commands_.emplace_back();
                commands_.back().afterHalfMoves = at;
            }
            CommentCommands& placed = commands_.back();
            if (pendingCommands_.clockMs)
                placed.clockMs = pendingCommands_.clockMs;
            if (pendingCommands_.evaluation)
                placed.evaluation = pendingCommands_.evaluation;
            pendingCommands_ = {};
        }
        if (pending_.empty())
            return;
        if (comments_.empty() || comments_.back().afterHalfMoves != at)
            comments_.push_back({at, {}, false});
        Comment& comment = comments_.back();
        if (!comment.cut) {
            if (!comment.text.empty())
                comment.text += ' ';
            comment.text += pending_;
            capText(comment, pendingMore_);
        }
        pending_.clear();
        pendingMore_ = false;
    }

    std::string_view text_;
    State state_ = State::Moves;
    std::size_t depth_ = 0;
    bool lineStart_ = true;
    bool afterTag_ = false;
    CommentText comment_;
    HalfMoveCounter counter_;
    std::string pending_;
    bool pendingMore_ = false;
    std::vector<Comment> comments_;
    std::size_t pos_ = 0;          // where the character being read stands
    std::size_t commentStart_ = 0; // where the comment being read starts, after its "{" or ";"
    CommentCommands pendingCommands_;
    std::vector<CommentCommands> commands_;
};

} // namespace

Annotations ReadAnnotations(std::string_view gameText) {
    return Reader(gameText).read();
}

std::vector<Comment> ReadCommentary(std::string_view gameText) {
    return Reader(gameText).read().comments;
}

std::string_view GlyphText(unsigned nag) {
    static constexpr std::string_view kGlyphs[] = {"!", "?", "!!", "??", "!?", "?!"};
    return nag >= 1 && nag <= 6 ? kGlyphs[nag - 1] : std::string_view();
}

std::string_view GlyphAfter(const std::vector<MoveGlyph>& glyphs, std::size_t halfMoves) {
    const auto it =
        std::lower_bound(glyphs.begin(), glyphs.end(), halfMoves,
                         [](const MoveGlyph& g, std::size_t n) { return g.halfMove < n; });
    return it != glyphs.end() && it->halfMove == halfMoves ? GlyphText(it->nag)
                                                           : std::string_view();
}

const Comment* CommentAfter(const std::vector<Comment>& comments, std::size_t halfMoves) {
    const auto it =
        std::lower_bound(comments.begin(), comments.end(), halfMoves,
                         [](const Comment& c, std::size_t n) { return c.afterHalfMoves < n; });
    return it != comments.end() && it->afterHalfMoves == halfMoves ? &*it : nullptr;
}

} // namespace pgn
