// The PGN engine on the position model: the input is one game's text, played as the saver plays
// it. Besides the sanitizers, it checks what CleanGameText and FillMoveList promise of their
// results, and that no half-move but a promotion adds a piece to the board. A game with a FEN tag
// starts from its position: the FEN reader runs on the tag's value. The main line's comments are
// read as the saver reads them for its captions.
#include "pgn/commentary.h"
#include "pgn/fen.h"
#include "replay.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

void require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "fuzz_engine: %s\n", what);
        std::abort();
    }
}

int pieceCount(const vantrelkit::Position& position) {
    int count = 0;
    for (int index = 1; index <= 64; ++index)
        count += position.Squares[static_cast<std::size_t>(index)] != vantrelkit::none;
    return count;
}

void checkCleaned(std::string_view text, const std::string& cleaned,
                  const pw2::fuzz::ReplayHost& host) {
    if (!host.messages.empty()) {
        require(host.messages.size() == 1, "CleanGameText showed more than one message");
        require(host.messages.front().second == pgn::Icon::Critical,
                "CleanGameText's message is not critical");
        require(cleaned.empty(), "a text CleanGameText rejected did not come back empty");
        return;
    }
    require(cleaned.size() <= text.size(), "CleanGameText made the text longer");
    require(cleaned.find_first_of("[{(;\r\n$") == std::string::npos,
            "CleanGameText left a tag, comment, variation, line break or glyph");
}

// A promotion: a pawn move that names the piece it becomes, with or without "=".
bool crowns(std::string_view move) {
    while (!move.empty() && std::string_view("!?+#").find(move.back()) != std::string_view::npos)
        move.remove_suffix(1);
    return move.find('=') != std::string_view::npos ||
           (move.size() > 2 && move.front() >= 'a' && move.front() <= 'h' &&
            std::string_view("QRBN").find(move.back()) != std::string_view::npos);
}

void checkMoveList(const pw2::fuzz::Replayer& r, const std::string& cleaned, int firstNumber) {
    require(r.list().size() <= 32767, "more entries than the 16-bit move counter holds");
    std::size_t bytes = 0;
    for (std::size_t i = 0; i < r.list().size(); ++i) {
        const std::string& entry = r.list()[i];
        const std::string number = std::to_string(i + std::size_t(firstNumber)) + ". ";
        require(entry.starts_with(number), "an entry does not start with its move number");
        require(entry.size() >= number.size() + 16, "an entry is shorter than its two columns");
        bytes += entry.size();
    }
    // Each entry's moves are words of the cleaned text, a word standing at most in one entry's
    // Black column, the next entry's White column and the last entry's: the list cannot outgrow
    // the text by more than that and the numbers and padding of the columns.
    require(bytes <= 4 * cleaned.size() + 32 * r.list().size(),
            "the move list grew out of proportion to the text");
    require(r.gameResult().find(' ') == std::string::npos, "GameResult holds a space");
    // The last token after Black continuations (" 12...") were blanked: a word of the text.
    require(cleaned.find(r.gameResult()) != std::string::npos, "GameResult is not of the text");
}

// The main line's comments the saver shows: in the order of their places, one per place, each a
// short line of text with no tag (tool commands such as "[%clk ...]" are tags) and no line break.
void checkCommentary(std::string_view text) {
    const std::vector<pgn::Comment> comments = pgn::ReadCommentary(text);
    const pgn::Annotations annotations = pgn::ReadAnnotations(text);
    require(annotations.comments.size() == comments.size(), "comments read two ways differ");
    for (std::size_t i = 0; i < annotations.glyphs.size(); ++i) {
        const pgn::MoveGlyph& g = annotations.glyphs[i];
        require(g.halfMove > 0 && !pgn::GlyphText(g.nag).empty(), "a glyph out of range");
        require(i == 0 || annotations.glyphs[i - 1].halfMove < g.halfMove, "glyphs out of order");
    }
    if (text.find_first_of("{;") == std::string_view::npos)
        require(comments.empty(), "a comment read from a text without one");
    for (std::size_t i = 0; i < comments.size(); ++i) {
        const pgn::Comment& c = comments[i];
        require(i == 0 || comments[i - 1].afterHalfMoves < c.afterHalfMoves,
                "comments out of order or two at one place");
        require(!c.text.empty() && c.text.size() <= pgn::kCommentLimit,
                "a comment empty or over the limit");
        require(c.text.front() != ' ' && c.text.back() != ' ' &&
                    c.text.find("  ") == std::string::npos,
                "a comment's spaces not collapsed");
        for (const char ch : c.text)
            require(static_cast<unsigned char>(ch) >= 0x20, "a comment holds a control character");
        require(c.text.find('[') == std::string::npos, "a comment holds a tag");
        require(pgn::CommentAfter(comments, c.afterHalfMoves) == &c, "CommentAfter missed one");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string fen;
    pgn::SetUpPosition setUp;
    const bool hasFen = pgn::FindFenTag(text, fen);
    const bool fenValid = hasFen && pgn::ReadFen(fen, setUp).empty();
    int pieces = 32;
    if (fenValid) {
        pieces = 0;
        for (const auto& file : setUp.squares.at) {
            for (const std::int32_t value : file)
                pieces += value != pgn::pieces::none;
        }
        require(pieces >= 2 && pieces <= 64, "a FEN read with a king missing or too many squares");
        require(setUp.fullMoveNumber >= 1 && setUp.fullMoveNumber <= 32767,
                "a FEN read with a move number out of range");
    }
    pw2::fuzz::Replayer r;
    r.play(text, [&](std::string_view column) {
        // The resolver does not check that a pawn stands on the square a pawn move starts from,
        // so a promotion may crown an empty square; no other half-move adds a piece.
        const int now = pieceCount(r.board.position());
        const int crowned = crowns(column) ? 1 : 0;
        require(now <= pieces + crowned, "a half-move added a piece to the board");
        pieces = now;
        for (int index = 1; index <= 64; ++index)
            require(vantrelkit::isPieceNum(r.board.position().Squares[std::size_t(index)]),
                    "a square holds no PieceNum");
    });
    pw2::fuzz::ReplayHost cleanHost;
    const std::string cleaned = pgn::CleanGameText(text, cleanHost);
    checkCleaned(text, cleaned, cleanHost);
    // A FEN that is no position shows one message of its own, once the text is clean.
    const std::size_t fenMessages = cleanHost.messages.empty() && hasFen && !fenValid ? 1 : 0;
    require(r.loadMessages == cleanHost.messages.size() + fenMessages,
            "the move player, CleanGameText and the FEN reader judge the text differently");
    if (fenMessages != 0)
        require(r.list().empty(), "a game whose FEN is no position has moves to play");
    checkMoveList(r, cleaned, fenValid ? setUp.fullMoveNumber : 1);
    // Each message ends the game (the next game follows or the program ends), except the one of
    // a text CleanGameText rejects, after which there is nothing to play.
    require(r.host.messages.size() <= r.loadMessages + 1, "a game went on after a message");
    checkCommentary(text);
    return 0;
}
