#include "playback/game_player.h"

namespace pw2 {
namespace {

bool isTerminationMarker(std::string_view token) {
    return pgn::IsResult(token) || token == "*";
}

// A host that tells whether a message was shown through it.
class WatchedHost final : public pgn::Host {
public:
    explicit WatchedHost(pgn::Host& host) : host_(host) {}
    void setStatus(std::string_view text) override { host_.setStatus(text); }
    void showMessage(std::string_view text, pgn::Icon icon) override {
        shown = true;
        host_.showMessage(text, icon);
    }
    bool shown = false;

private:
    pgn::Host& host_;
};

// A FEN of a hostile file may be of any length; the message shows its start.
std::string fenMessage(std::string_view reason, std::string_view fen) {
    constexpr std::size_t kShown = 90;
    std::string message = "The FEN tag of this game is not a valid position: ";
    message.append(reason).append(" (\"").append(fen.substr(0, kShown));
    if (fen.size() > kShown)
        message += "...";
    message += "\").";
    return message;
}

// The move of one side in an entry. Where both moves fit their 8-character columns, the columns
// give them; a longer move (a long capture with check and a suffix annotation, "Qa1xb2+!?") keeps
// its full text, so that entry is read by its words instead.
std::string_view moveOf(std::string_view entry, std::int32_t side) {
    const std::size_t prefix = entry.find(". ");
    if (prefix == std::string_view::npos || entry.size() <= prefix + 2 + 16)
        return side == kWhite ? pgn::WhiteColumn(entry) : pgn::BlackColumn(entry);
    const std::string_view moves = entry.substr(prefix + 2);
    const std::size_t space = moves.find(' ');
    if (side == kWhite)
        return moves.substr(0, space);
    if (space == std::string_view::npos)
        return {};
    const std::size_t black = moves.find_first_not_of(' ', space);
    return black == std::string_view::npos ? std::string_view() : moves.substr(black);
}

bool isEnding(std::string_view status) {
    return status == "Checkmate" || status == "Stalemate";
}

// "12. e4", or "12... Nf6" for Black, then the reason.
std::string describeFailure(const HalfMove& half, std::string_view reason) {
    std::string text(half.entry.substr(0, half.entry.find(". ")));
    text += half.side == kWhite ? ". " : "... ";
    text += half.move;
    if (!reason.empty())
        text.append(": ").append(reason);
    return text;
}

} // namespace

void GamePlayer::load(std::string_view gameText, pgn::Host& host) {
    sideToMove_ = kBlack;
    moveIndex_ = 0;
    fromSetUp_ = setUpPending_ = blackFirst_ = false;
    moveList_.clear();
    gameResult_.clear();
    commentary_.clear();
    movesPlayed_ = 0;
    failure_.clear();
    ending_.clear();

    WatchedHost watched(host);
    const std::string cleaned = pgn::CleanGameText(gameText, watched);
    if (watched.shown)
        return;
    pgn::MoveListStart start;
    std::string fen;
    if (pgn::FindFenTag(gameText, fen)) {
        const std::string error = pgn::ReadFen(fen, setUp_);
        if (!error.empty()) {
            host.showMessage(fenMessage(error, fen), pgn::Icon::Critical);
            return;
        }
        fromSetUp_ = setUpPending_ = true;
        blackFirst_ = !setUp_.whiteToMove;
        start = {setUp_.fullMoveNumber, blackFirst_};
        pgn::StartPosition(resolver_, pgn::RulesPosition(setUp_));
    } else {
        pgn::StartInitialPosition(resolver_);
    }
    pgn::FillMoveList(cleaned, moveList_, gameResult_, start);
    if (readCommentary_)
        commentary_ = pgn::ReadCommentary(gameText);
}

HalfMove GamePlayer::next() const {
    if (setUpPending_ && (!blackFirst_ || moveList_.empty()))
        return {kBlack, {}, {}, true};
    const std::string_view entry = moveList_[moveIndex_];
    const std::int32_t side = sideToMove_ == kBlack ? kWhite : kBlack;
    if (blackFirst_ && moveIndex_ == 0 && side == kWhite)
        return {side, entry, {}, setUpPending_};
    return {side, entry, moveOf(entry, side)};
}

pgn::MoveOutcome GamePlayer::play(const HalfMove& half, pgn::Board& board, pgn::Host& host) {
    if (half.setUp && setUpPending_) {
        setUpPending_ = false;
        try {
            pgn::SetUpBoard(setUp_, board);
        } catch (const pgn::BoardError& error) {
            std::string message = "The position of this game's FEN tag cannot be set up: ";
            message += error.what();
            host.showMessage(message, pgn::Icon::Critical);
            return pgn::MoveOutcome::GameAbandoned;
        }
        if (half.entry.empty())
            return pgn::MoveOutcome::Played; // a step of its own: the first move follows
    }
    sideToMove_ = half.side;
    pgn::MoveOutcome outcome = pgn::MoveOutcome::Played;
    if (!half.move.empty()) {
        outcome = pgn::PlayMove(std::string(half.move), half.side, resolver_, board, host);
        if (!isTerminationMarker(half.move))
            ++movesPlayed_;
        if (outcome != pgn::MoveOutcome::Played)
            failure_ = describeFailure(half, resolver_.FailureReason);
        else if (!isTerminationMarker(half.move))
            ending_ = isEnding(resolver_.MoveStatus) ? resolver_.MoveStatus : std::string();
    }
    if (half.side == kBlack)
        ++moveIndex_;
    return outcome;
}

bool GamePlayer::playResult(pgn::Board& board, pgn::Host& host) {
    if (!pgn::IsResult(gameResult_))
        return false;
    pgn::PlayMove(gameResult_, sideToMove_, resolver_, board, host);
    return true;
}

GamePlayer::Replay
GamePlayer::playToEnd(pgn::Board& board, pgn::Host& host,
                      const std::function<void(std::string_view move)>& afterMove) {
    Replay replay;
    while (!atEnd()) {
        const HalfMove half = next();
        replay.outcome = play(half, board, host);
        if (afterMove && !half.move.empty())
            afterMove(half.move);
        if (replay.outcome != pgn::MoveOutcome::Played)
            return replay;
        if (!half.move.empty() && !isTerminationMarker(half.move))
            ++replay.halfMoves;
    }
    if (playResult(board, host) && afterMove)
        afterMove(gameResult_);
    return replay;
}

} // namespace pw2
