// Every setting the program keeps, declared once: its key as the settings file spells it, its type
// and its default. The program reads and writes settings only through these declarations and the
// typed accessors of SettingsStore; a new setting is added here.
#pragma once

#include <array>
#include <string_view>

namespace pw2 {

// A text, such as a path. Its default is a place on this machine, so whoever reads it names it.
struct TextSetting {
    std::string_view key;
};
// A decimal number, read leniently: the longest leading number of the stored text, 0 when none.
struct NumberSetting {
    std::string_view key;
    std::string_view defaultText;
};
// A whole number exact in 64 bits: a count or a byte position.
struct CountSetting {
    std::string_view key;
    std::string_view defaultText;
};
// Counts numbered from 1, each stored under the prefix followed by its number ("MatchBegin12").
struct NumberedSetting {
    std::string_view prefix;
    std::string_view defaultText;
};

namespace setting {

// The folder of the program's files (the bundled games); unset, the program finds its own.
inline constexpr TextSetting AppPath{"AppPath"};
// The PGN file of the match.
inline constexpr TextSetting PgnFile{"PGNFile"};
// The match table: how many games it has, and where each lies in the file, as 1-based byte
// positions (the game is the bytes from its begin up to, not including, its end). A game
// without a stored range reads as -1.
inline constexpr CountSetting NumOfGames{"NumOfGames", "1"};
inline constexpr NumberedSetting MatchBegin{"MatchBegin", "-1"};
inline constexpr NumberedSetting MatchEnd{"MatchEnd", "-1"};
// The match's game that is played first, from 1.
inline constexpr NumberSetting FirstGame{"FirstGame", "1"};
// Seconds between half-moves, and between the end of one game and the start of the next.
inline constexpr NumberSetting Timer{"Timer", "2"};
inline constexpr NumberSetting Timer2{"Timer2", "10"};
// The colour of the saver's texts, as 0x00BBGGRR (65280 is green).
inline constexpr NumberSetting TextColor{"TextColor", "65280"};
// Whether the move list is shown, and whether games are chosen at random: non-zero for yes.
inline constexpr NumberSetting MoveList{"MoveList", "1"};
inline constexpr NumberSetting Random{"Random", "0"};
// Whether the saver's layout grows with a screen larger than 1024 by 768: non-zero for yes.
inline constexpr NumberSetting FillScreen{"FillScreen", "1"};
// Whether a start plays on after the last game shown rather than from FirstGame; whether random
// order shows every game once before any repeats; whether the annotator's comments are shown
// beneath the board; whether the last move's squares are tinted; and whether a line under the
// board sums the game up between games. Non-zero for yes.
inline constexpr NumberSetting ContinuePlay{"Continue", "1"};
inline constexpr NumberSetting FairShuffle{"FairShuffle", "1"};
inline constexpr NumberSetting Commentary{"Commentary", "1"};
inline constexpr NumberSetting HighlightMove{"HighlightMove", "1"};
inline constexpr NumberSetting GameSummary{"GameSummary", "1"};
// A commented half-move waits, before the next one, long enough for its comment to be read.
inline constexpr NumberSetting CommentReadingTime{"CommentReadingTime", "1"};
// Whether a moved piece glides to its square; whether clocks and an evaluation bar are shown for
// games that carry them; and whether every screen shows a board of its own. Non-zero for yes.
inline constexpr NumberSetting AnimateMoves{"AnimateMoves", "1"};
inline constexpr NumberSetting ClocksAndEvaluation{"ClocksAndEvaluation", "1"};
inline constexpr NumberSetting BoardOnEveryScreen{"BoardOnEveryScreen", "1"};
// The look of the board: the square colours (0 designed, 1 green, 2 blue, 3 grey) and the pieces
// (0 designed, 1 classic), as the board control's BoardTheme and PieceSet take them.
inline constexpr NumberSetting BoardTheme{"BoardTheme", "0"};
inline constexpr NumberSetting PieceSet{"PieceSet", "0"};
// Where the saver stopped, kept as each game starts: the match's game shown last (0 for none),
// and in random order the shuffle's key and how many of its games were shown.
inline constexpr CountSetting LastGame{"LastGame", "0"};
inline constexpr CountSetting ShuffleKey{"ShuffleKey", "0"};
inline constexpr CountSetting ShuffleStep{"ShuffleStep", "0"};

// Every key, so that the store keeps each under one spelling whatever case it is written in.
inline constexpr std::array<std::string_view, 24> kKeys = {PgnFile.key,
                                                           NumOfGames.key,
                                                           FirstGame.key,
                                                           TextColor.key,
                                                           Timer2.key,
                                                           Timer.key,
                                                           MoveList.key,
                                                           Random.key,
                                                           AppPath.key,
                                                           FillScreen.key,
                                                           ContinuePlay.key,
                                                           FairShuffle.key,
                                                           Commentary.key,
                                                           HighlightMove.key,
                                                           GameSummary.key,
                                                           LastGame.key,
                                                           ShuffleKey.key,
                                                           ShuffleStep.key,
                                                           CommentReadingTime.key,
                                                           AnimateMoves.key,
                                                           ClocksAndEvaluation.key,
                                                           BoardOnEveryScreen.key,
                                                           BoardTheme.key,
                                                           PieceSet.key};
inline constexpr std::array<std::string_view, 2> kNumberedPrefixes = {MatchBegin.prefix,
                                                                      MatchEnd.prefix};

} // namespace setting
} // namespace pw2
