// One game's replay, half-move by half-move: the move player that the saver runs one half-move
// per tick and pawnwatch2-check runs to the end. It owns the run's replay state: the game's move
// list and result, the side to move, the place in the list, and the move resolver's values,
// which carry over from game to game.
#pragma once

#include "pgn/commentary.h"
#include "pgn/engine.h"
#include "pgn/fen.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace pw2 {

inline constexpr std::int32_t kWhite = 1;
inline constexpr std::int32_t kBlack = 2;

// The half-move that comes next: whose it is, its move list entry and its move (Black's may be
// empty: the game ended on White's move).
//
// A game from a set-up position (a FEN tag) begins with a step that sets its position up on the
// board and plays no move: Black's half with no entry when White moves first (so nothing is
// printed; White's first move follows), or White's half of the first entry when Black moves
// first (that entry's White column holds "..." and is not played).
struct HalfMove {
    std::int32_t side = kWhite;
    std::string_view entry;
    std::string_view move;
    bool setUp = false; // this step sets the game's position up on the board
};

class GamePlayer {
public:
    // Starts a game: its text is checked and cleaned, its FEN tag read when it has one, and its
    // movetext split into the move list (a failure of either is shown through host and leaves
    // nothing to play). White moves first, unless the FEN gives Black the move; the moves are
    // numbered from the FEN's full-move number. The set-up position reaches the board with the
    // first half-move played (see HalfMove).
    void load(std::string_view gameText, pgn::Host& host);

    const std::vector<std::string>& moveList() const { return moveList_; }
    // The last token of the game's movetext: its result when it has one.
    const std::string& gameResult() const { return gameResult_; }
    // The entry the next half-move comes from (0-based); at the end, the number of entries.
    std::size_t moveIndex() const { return moveIndex_; }
    // The side whose half-move was played last (Black before the first).
    std::int32_t sideToMove() const { return sideToMove_; }
    bool atEnd() const { return !setUpPending_ && moveIndex_ >= moveList_.size(); }
    // Whether the game starts from the position of its FEN tag.
    bool fromSetUp() const { return fromSetUp_; }

    // Whether load() also reads the main line's comments (off: the replay alone, as the check
    // tool runs it).
    void setReadCommentary(bool read) { readCommentary_ = read; }
    // The loaded game's main-line comments; empty when not read or the game cannot be played.
    const std::vector<pgn::Comment>& commentary() const { return commentary_; }
    // The moves of the game played so far: half-moves with a move, termination markers and the
    // set-up step not counted. The comment after them is pgn::CommentAfter(commentary(), this).
    std::size_t movesPlayed() const { return movesPlayed_; }

    // The next half-move, not yet played. Only while !atEnd().
    HalfMove next() const;
    // Plays the half-move next() gave and moves on. An empty Black move plays nothing.
    pgn::MoveOutcome play(const HalfMove& half, pgn::Board& board, pgn::Host& host);
    // Why the game could not be played on, after a half-move that failed: the move by number,
    // side and text, and the reason in plain words ("12... Nf6: no black knight can reach f6").
    const std::string& failure() const { return failure_; }
    // "Checkmate" or "Stalemate" when the last move played ended the game so; otherwise empty.
    const std::string& ending() const { return ending_; }

    // At the end of the moves: shows the result's wording when the game has a result; false when
    // it has none.
    bool playResult(pgn::Board& board, pgn::Host& host);

    struct Replay {
        long halfMoves = 0; // half-moves played, termination markers not counted
        pgn::MoveOutcome outcome = pgn::MoveOutcome::Played;
    };
    // Plays the loaded game to its end, or until a move cannot be played. afterMove, when given,
    // is called with each move played (the result too) after it was played.
    Replay playToEnd(pgn::Board& board, pgn::Host& host,
                     const std::function<void(std::string_view move)>& afterMove = nullptr);

private:
    std::vector<std::string> moveList_;
    std::string gameResult_;
    std::size_t moveIndex_ = 0;
    std::int32_t sideToMove_ = kBlack;
    pgn::ResolverState resolver_;
    bool fromSetUp_ = false;
    bool setUpPending_ = false; // the set-up position is not on the board yet
    bool blackFirst_ = false;
    pgn::SetUpPosition setUp_;
    bool readCommentary_ = false;
    std::vector<pgn::Comment> commentary_;
    std::size_t movesPlayed_ = 0;
    std::string failure_;
    std::string ending_;
};

} // namespace pw2
