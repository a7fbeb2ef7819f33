#include "pgn/engine.h"
#include "pgnfile/edit_game.h"
#include "pgnfile/game_writer.h"

#include <gtest/gtest.h>
#include <string>

namespace pw2 {
namespace {

using namespace std::string_literals;

TEST(GameWriter, FileIsTheSurroundingBytesAroundTheTagsAndMoves) {
    // Bytes that are no valid text in any encoding, and a NUL, pass through as they are.
    const std::string before = "[Event \"Old\"]\n1.e4 {caf\xE9} \xFF\x00 *\n"s;
    const std::string after = "\n[Event \"Next\"]\r\n1.d4 *"s;
    const GameTags tags{"The \"Cup\" \\ 2", "M\xFCnchen", "1925.??.??", "Line\r\nbreak", ""};
    const std::string moves = "1. e4            e5\r\n2. Nf3          Nc6\r\n";

    const std::string file = composeGameFile(before, tags, moves, after);
    EXPECT_EQ(file, before +
                        "\r\n"
                        "[Event \"The \\\"Cup\\\" \\\\ 2\"]\r\n"
                        "[Site \"M\xFCnchen\"]\r\n"
                        "[Date \"1925.??.??\"]\r\n"
                        "[White \"Line  break\"]\r\n"
                        "[Black \"\"]\r\n" +
                        moves + "\r\n" + after + "\r\n");

    // The reader Edit Game uses gives back what was typed, escapes undone.
    const std::string game = file.substr(before.size());
    EXPECT_EQ(tagValue(game, "Event"), tags.Event);
    EXPECT_EQ(tagValue(game, "Site"), tags.Site);
    EXPECT_EQ(tagValue(game, "Black"), "");
    EXPECT_EQ(composeGameFile("", {}, "", ""),
              "\r\n[Event \"\"]\r\n[Site \"\"]\r\n[Date \"\"]\r\n[White \"\"]\r\n[Black \"\"]\r\n"
              "\r\n\r\n");
}

TEST(GameWriter, EntriesReadBackAsTheSaverReadsThem) {
    EXPECT_EQ(composeEntry("1.", "e4", "e5"), "1. e4            e5");
    EXPECT_EQ(composeEntry("105.", "O-O-O", "1/2-1/2"), "105. O-O-O    1/2-1/2");
    // Texts are kept as typed; a move longer than its column keeps its whole text.
    EXPECT_EQ(composeEntry("7.", " e4", "Qxf7#!?!"), "7.  e4     Qxf7#!?!");
    EXPECT_EQ(composeEntry("8.", "exd8=Q+", "a"), "8. exd8=Q+ " + std::string(7, ' ') + "a");

    const std::pair<std::string_view, std::string_view> moves[] = {
        {"e4", "e5"}, {"exd8=Q+!", "Rxe1#"}, {"O-O", "0-1"}, {"a", "Nbxd7+!?"}};
    for (const auto& [white, black] : moves) {
        const std::string entry = composeEntry("12.", white, black);
        EXPECT_EQ(pgn::WhiteColumn(entry), white);
        EXPECT_EQ(pgn::BlackColumn(entry), black);
        EXPECT_EQ(entryCaption(entry), "12.");
        EXPECT_EQ(entryMoveNumber(entry), 12);
    }
    EXPECT_EQ(entryMoveNumber("105. e4            e5"), 105);
    EXPECT_EQ(entryMoveNumber("  7. x"), 7);
    EXPECT_EQ(entryMoveNumber("no number"), 0);
    EXPECT_EQ(entryMoveNumber("99999999999. e4"), 2147483647);
    EXPECT_EQ(entryCaption("no dot"), "no dot");

    const std::vector<std::string> lines{"1. e4            e5", "2. d4            d5"};
    EXPECT_EQ(joinMoveList(lines), "1. e4            e5\r\n2. d4            d5\r\n");
    EXPECT_EQ(joinMoveList({}), "");
}

} // namespace
} // namespace pw2
