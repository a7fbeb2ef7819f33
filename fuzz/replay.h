// One game played by the program's move player, as the saver and pawnwatch2-check play it, on a
// PositionBoard. Qt-free.
#pragma once

#include "pgn/engine.h"
#include "playback/game_player.h"
#include "position_board.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pw2::fuzz {

// The saver as the engine sees it, recording what a game shows.
class ReplayHost final : public pgn::Host {
public:
    void setStatus(std::string_view) override { ++statuses; }
    void showMessage(std::string_view text, pgn::Icon icon) override {
        messages.emplace_back(std::string(text), icon);
    }

    std::vector<std::pair<std::string, pgn::Icon>> messages;
    std::size_t statuses = 0;
};

// Plays games through the program's own move player; its resolver state carries over from game
// to game, as it does in the saver.
class Replayer {
public:
    // Plays one game from the start position; afterHalfMove(move) is called after each move
    // played. Returns the number of moves played.
    template <class AfterHalfMove>
    std::size_t play(std::string_view gameText, AfterHalfMove&& afterHalfMove) {
        host = ReplayHost{};
        board.newGame();
        player.load(gameText, host);
        loadMessages = host.messages.size();
        std::size_t calls = 0;
        player.playToEnd(board, host, [&](std::string_view move) {
            ++calls;
            afterHalfMove(move);
        });
        return calls;
    }

    std::size_t play(std::string_view gameText) {
        return play(gameText, [](std::string_view) {});
    }

    const std::vector<std::string>& list() const { return player.moveList(); }
    const std::string& gameResult() const { return player.gameResult(); }

    PositionBoard board;
    pw2::GamePlayer player;
    ReplayHost host;
    std::size_t loadMessages = 0; // messages shown while the game's text was checked
};

} // namespace pw2::fuzz
