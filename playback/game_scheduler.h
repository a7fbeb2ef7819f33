// The game scheduler: which of the match's games comes next, in which file it lies, and its text.
// It reads the match from the settings, falls back to the bundled games when the match's file is
// missing, and shows the messages that go with that.
//
// With "Continue where it stopped" on (setting Continue), each game start reads the place where
// the saver stopped from the settings and stores the new one as the game starts: LastGame, the
// game shown last, and in random order with the fair shuffle on (FairShuffle), the shuffle's key
// and how many of its games were shown (ShuffleKey, ShuffleStep). A saver that is killed, or
// another saver on another monitor, so goes on from the place stored last. With the setting off,
// nothing of the place is read or stored: each start begins at FirstGame, and random order draws
// any game of the match.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace pw2 {

class StoredMatch;

inline constexpr const char* kFileNotFound = "The specfied PGN file is not found, Loading Default";
inline constexpr const char* kDefaultNotFound = "Default File Not found, please specify a PGN file";

class GameScheduler {
public:
    GameScheduler();

    // Random numbers in [0, 1) for random game order (tests make them predictable).
    void setRandomSource(std::function<double()> source) { random_ = std::move(source); }

    // Starts over from the stored first game: the next game chosen is that one (with Continue
    // on, only while no place is stored). A first game below 1 (or a value that reads as 0)
    // starts with game 1.
    void startAtFirstGame();

    // The game chosen last (1-based; 0 before the first).
    std::int32_t gameNumber() const { return gameNumber_; }

    struct Game {
        QString path;
        std::string text; // the game's bytes
    };
    struct NoGame {
        bool gameFileMissing = false; // neither the match's file nor the bundled games exist
    };
    // The next game: chooses it, finds its file, and reads its text. Without a game to play the
    // setup dialog must open; why is in noGame.
    std::optional<Game> nextGame(NoGame& noGame);

private:
    struct Location {
        QString path;
        std::int64_t begin = -1;
        std::int64_t end = -1;
    };
    // Where a game start leaves the place (stored once the game is found).
    struct Place {
        bool store = false;
        std::int64_t shuffleKey = -1; // -1: the shuffle's key and step are left as they are
        std::int64_t shuffleStep = 0;
    };
    // In file order, the game after the last one (wrapping to 1 after the last; with Continue
    // on, the last one stored, or before the first game while none is); in random order, any
    // game of the match, or with Continue and the fair shuffle on, the stored shuffle's next game.
    Place chooseNextGame(const StoredMatch& match);
    // The next game of the stored shuffle, or of a new one when it is used up, was made for
    // another number of games, or none is stored.
    Place chooseShuffledGame(std::int64_t games);
    // Stores the place: LastGame, and the shuffle's key and step when place has them.
    void storePlace(const Place& place) const;
    // The chosen game's stored range; a game number beyond the table falls back to game 1, and
    // a match without a table or a file indexes the bundled games and plays from them.
    std::optional<Location> locateGame(const StoredMatch& match);
    // A location whose file is gone becomes the bundled games' first game, after a message.
    std::optional<Location> replaceMissingFile(Location location, NoGame& noGame);
    // Indexes the games of a file into the match settings.
    void indexIntoMatch(const QString& path);

    std::function<double()> random_;
    std::int32_t gameNumber_ = 0;
};

} // namespace pw2
