#include "playback/game_player.h"

namespace pw2 {
namespace {

bool isTerminationMarker(std::string_view token) {
    return pgn::IsResult(token) || token == "*";
}

} // namespace

void GamePlayer::load(std::string_view gameText, pgn::Host& host) {
    sideToMove_ = kBlack;
    moveIndex_ = 0;
    const std::string cleaned = pgn::CleanGameText(gameText, host);
    pgn::FillMoveList(cleaned, moveList_, gameResult_);
}

HalfMove GamePlayer::next() const {
    const std::string_view entry = moveList_[moveIndex_];
    const std::int32_t side = sideToMove_ == kBlack ? kWhite : kBlack;
    return {side, entry, side == kWhite ? pgn::WhiteColumn(entry) : pgn::BlackColumn(entry)};
}

pgn::MoveOutcome GamePlayer::play(const HalfMove& half, pgn::Board& board, pgn::Host& host) {
    sideToMove_ = half.side;
    pgn::MoveOutcome outcome = pgn::MoveOutcome::Played;
    if (!half.move.empty())
        outcome = pgn::PlayMove(std::string(half.move), half.side, resolver_, board, host);
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
