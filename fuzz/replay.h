// One game played the way the saver's game scheduler and move player play it (and as
// pawnwatch2-check replays it): CleanGameText, FillMoveList, then PlayMove of White's and Black's
// column of each entry, and the result at the end, on a PositionBoard. Qt-free.
#pragma once

#include "pgn/engine.h"
#include "position_board.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pw2::fuzz {

// The saver as the engine sees it, recording what a game shows: running the scheduler or ending
// the program ends the game, as they do in the saver.
class ReplayHost final : public pgn::Host {
public:
    void setStatus(std::string_view) override { ++statuses; }
    void showMessage(std::string_view text, pgn::Icon icon) override {
        messages.emplace_back(std::string(text), icon);
    }
    void runScheduler() override {
        ++schedulerRuns;
        stopped = true;
    }
    void endProgram() override {
        ++endRequests;
        stopped = true;
    }

    std::vector<std::pair<std::string, pgn::Icon>> messages;
    std::size_t statuses = 0;
    int schedulerRuns = 0;
    int endRequests = 0;
    bool stopped = false;
};

// The resolver state carries over from game to game, as it does in the saver.
class Replayer {
public:
    // Plays one game from the start position; afterHalfMove(column text) is called after each
    // PlayMove. Returns the number of PlayMove calls.
    template <class AfterHalfMove>
    std::size_t play(std::string_view gameText, AfterHalfMove&& afterHalfMove) {
        host = ReplayHost{};
        board.newGame();
        cleaned = pgn::CleanGameText(gameText, host);
        cleanMessages = host.messages.size();
        pgn::FillMoveList(cleaned, list, gameResult);
        std::size_t calls = 0;
        std::int32_t side = 2;
        auto halfMove = [&](std::string_view column) {
            pgn::PlayMove(std::string(column), side, state, board, host);
            ++calls;
            afterHalfMove(column);
        };
        for (const std::string& entry : list) {
            if (host.stopped)
                break;
            side = 1;
            halfMove(pgn::WhiteColumn(entry));
            if (host.stopped)
                break;
            side = 2;
            halfMove(pgn::BlackColumn(entry));
        }
        if (!host.stopped && pgn::IsResult(gameResult))
            halfMove(gameResult);
        return calls;
    }

    std::size_t play(std::string_view gameText) {
        return play(gameText, [](std::string_view) {});
    }

    PositionBoard board;
    pgn::ResolverState state;
    ReplayHost host;
    std::string cleaned;
    std::size_t cleanMessages = 0; // messages shown by CleanGameText
    std::vector<std::string> list;
    std::string gameResult;
};

} // namespace pw2::fuzz
