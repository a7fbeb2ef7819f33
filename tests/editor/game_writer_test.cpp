#include "pgn/engine.h"
#include "pgnfile/edit_game.h"
#include "pgnfile/game_writer.h"

#include <gtest/gtest.h>
#include <string>

namespace pw2 {
namespace {

using namespace std::string_literals;

class QuietHost final : public pgn::Host {
public:
    void setStatus(std::string_view) override {}
    void showMessage(std::string_view, pgn::Icon) override { ++messages; }
    int messages = 0;
};

const std::string kGame = "[Event \"Cup\"]\r\n[Site \"Oslo\"]\r\n[Round \"3\"]\r\n"
                          "[White \"Ann\"]\r\n[Black \"Bob\"]\r\n[Result \"1-0\"]\r\n"
                          "[ECO \"C20\"]\r\n\r\n1.e4 e5 2.Qh5 Nc6 3.Bc4 Nf6 4.Qxf7# 1-0\r\n\r";

TEST(GameWriter, EditedTagsAreWrittenInTheirPlaceAndEveryOtherByteIsKept) {
    const std::string newMoves = "1. d4 d5";
    struct Case {
        const char* what;
        std::string game;
        std::vector<TagEdit> edits;
        const std::string* movetext;
        std::string expected;
    };
    const Case cases[] = {
        {"nothing changed", kGame, {}, nullptr, kGame},
        {"one tag changed",
         kGame,
         {{"Site", "Bergen \"Hall\" \\ 2"}},
         nullptr,
         "[Event \"Cup\"]\r\n[Site \"Bergen \\\"Hall\\\" \\\\ 2\"]\r\n[Round \"3\"]\r\n"
         "[White \"Ann\"]\r\n[Black \"Bob\"]\r\n[Result \"1-0\"]\r\n"
         "[ECO \"C20\"]\r\n\r\n1.e4 e5 2.Qh5 Nc6 3.Bc4 Nf6 4.Qxf7# 1-0\r\n\r"},
        {"a tag the game lacks goes after its last tag",
         "[Event \"E\"]\n[White \"W\"]\n\n1.e4 *\n",
         {{"Date", "2024"}, {"White", "V"}},
         nullptr,
         "[Event \"E\"]\n[White \"V\"]\n[Date \"2024\"]\n\n1.e4 *\n"},
        {"a value left open is closed",
         "[Event \"E\n[Site \"S\"]\n1.e4\n",
         {{"Event", "F"}},
         nullptr,
         "[Event \"F\"]\n[Site \"S\"]\n1.e4\n"},
        {"new moves: one empty line before them, the old white space after them",
         "[Event \"E\"] [Site \"S\"]\n1.e4 {c} e5\n\n",
         {},
         &newMoves,
         "[Event \"E\"] [Site \"S\"]\n\n1. d4 d5\n\n"},
        {"new moves into a game that had none, at the end of the file",
         "[Event \"E\"]",
         {},
         &newMoves,
         "[Event \"E\"]\n\n1. d4 d5"},
    };
    for (const Case& c : cases) {
        const std::string_view eol = lineEnding(c.game, "", "");
        EXPECT_EQ(rewriteGame(c.game, c.edits, c.movetext, eol), c.expected) << c.what;
    }
}

TEST(GameWriter, MovetextIsExportFormWithTheResultAfterTheLastMove) {
    const auto pairs = [](std::int32_t first, std::vector<MovePair> p, std::string result) {
        return GameMoves{first, std::move(p), std::move(result)};
    };
    struct Case {
        GameMoves moves;
        std::string expected;
    };
    const Case cases[] = {
        {pairs(1, {{"e4", "e5"}, {"Nf3", ""}}, "*"), "1. e4 e5 2. Nf3 *"},
        {pairs(1, {{"e4", "e5"}, {"Kf7", "1-0"}}, ""), "1. e4 e5 2. Kf7 1-0"},
        {pairs(1, {{"e4", "e5"}, {"Kf7", "1-0"}}, "1-0"), "1. e4 e5 2. Kf7 1-0"},
        {pairs(1, {{"e4", "e5"}}, "1/2-1/2"), "1. e4 e5 1/2-1/2"},
        {pairs(11, {{"...", "Nf6"}, {"Nf3", "d5"}}, "0-1"), "11... Nf6 12. Nf3 d5 0-1"},
        {pairs(3, {{"Nf3xe5!?", "Nc6xe5?!"}}, ""), "3. Nf3xe5!? Nc6xe5?!"},
        // A column of several words, cut from an irregular movetext, breaks between them.
        {pairs(1, {{"e4", " " + std::string(40, 'x') + "   " + std::string(40, 'y')}}, ""),
         "1. e4 " + std::string(40, 'x') + "\n" + std::string(40, 'y')},
    };
    for (const Case& c : cases)
        EXPECT_EQ(writeMovetext(c.moves, "\n"), c.expected);

    // Lines break between tokens, before the 80th byte, with the file's line break.
    GameMoves many{1, {}, "1-0"};
    for (int n = 0; n < 30; ++n)
        many.pairs.push_back({"Nbd2", "Nbd7"});
    const std::string text = writeMovetext(many, "\r\n");
    std::size_t longest = 0;
    std::size_t start = 0;
    for (std::size_t at = text.find("\r\n"); at != std::string::npos;
         start = at + 2, at = text.find("\r\n", start)) {
        longest = std::max(longest, at - start);
        EXPECT_NE(text[at + 2], ' ');
    }
    EXPECT_LE(longest, 79u);
    EXPECT_GT(longest, 70u);
    EXPECT_TRUE(text.ends_with("30. Nbd2 Nbd7 1-0"));
}

TEST(GameWriter, LineEndingsAndTheSpaceBeforeANewGame) {
    EXPECT_EQ(lineEnding("[Event \"E\"]\r\n", "\n", "\n"), "\r\n");
    EXPECT_EQ(lineEnding("[Event \"E\"]", "a\nb", "\r\n"), "\n");
    EXPECT_EQ(lineEnding("", "", "x\r\n"), "\r\n");
    EXPECT_EQ(lineEnding("", "", ""), "\n");
    const std::pair<const char*, const char*> separators[] = {
        {"", ""}, {"1-0\n\n", ""}, {"1-0\r\n\r\n", ""}, {"1-0\n", "\n"}, {"1-0", "\n\n"}};
    for (const auto& [text, separator] : separators)
        EXPECT_EQ(newGameSeparator(text, "\n"), separator) << text;
    EXPECT_EQ(newGameText({{"Event", "E"}, {"Site", ""}}, "1. e4 *", "\r\n"),
              "[Event \"E\"]\r\n[Site \"\"]\r\n\r\n1. e4 *\r\n");
}

TEST(GameWriter, EntriesShowEveryMoveApart) {
    EXPECT_EQ(composeEntry("1.", "e4", "e5"), "1. e4            e5");
    EXPECT_EQ(composeEntry("105.", "O-O-O", "1/2-1/2"), "105. O-O-O    1/2-1/2");
    EXPECT_EQ(composeEntry("8.", "exd8=Q+", "a"), "8. exd8=Q+ " + std::string(7, ' ') + "a");
    EXPECT_EQ(composeEntry("3.", "Nf3xe5!?", "Nc6xe5?!"), "3. Nf3xe5!? Nc6xe5?!");
    EXPECT_EQ(composeEntry("3.", "Nf3xe5!?", ""), "3. Nf3xe5!?        ");
}

TEST(EditGame, MovesReadAsTheSaverReadsThem) {
    struct Case {
        const char* what;
        std::string game;
        GameMoves expected;
        bool exact;
    };
    const Case cases[] = {
        {"result after Black's move",
         "[Event \"E\"]\n\n1.e4 e5 2.Nf3 Nc6 1-0\n",
         {1, {{"e4", "e5"}, {"Nf3", "Nc6"}}, "1-0"},
         true},
        {"result after White's move",
         "[Event \"E\"]\n\n1. e4 e5 2. Kf7 1-0",
         {1, {{"e4", "e5"}, {"Kf7", "1-0"}}, ""},
         true},
        {"long moves",
         "[Event \"E\"]\n\n3. Nf3xe5!? Nc6xe5?! *",
         {1, {}, ""},
         false}, // numbered from 3: no move 1, as the saver reads it
        {"long moves",
         "[Event \"E\"]\n\n1. Nf3xe5!? Nc6xe5?! 2. d4 {c} 2... d5 *",
         {1, {{"Nf3xe5!?", "Nc6xe5?!"}, {"d4", "d5"}}, "*"},
         true},
        {"Black moves first",
         "[Event \"E\"]\n[SetUp \"1\"]\n[FEN \"4k3/8/8/8/8/8/8/4K3 b - - 0 11\"]\n\n"
         "11... Kd7 12. Kd2 Kc6 1/2-1/2",
         {11, {{"...", "Kd7"}, {"Kd2", "Kc6"}}, "1/2-1/2"},
         true},
        {"two results", // written again, only the first would stand
         "[Event \"E\"]\n\n1. e4 1/2-1/2 1-0",
         {1, {{"e4", "1/2-1/2"}}, "1-0"},
         false},
        {"irregular numbers",
         "[Event \"E\"]\n\n1. e4 e5 2. Nf3 2. Nc6 *",
         {1, {{"e4", "e5"}, {"Nf3", "2."}}, "*"},
         false},
    };
    for (const Case& c : cases) {
        QuietHost host;
        const EditorMoves read = editorMoves(c.game, host);
        EXPECT_EQ(read.moves, c.expected) << c.what;
        EXPECT_EQ(read.exact, c.exact) << c.what;
        EXPECT_EQ(host.messages, 0) << c.what;
    }
}

TEST(EditGame, TagSectionAndMovetextFound) {
    const GameLayout layout = readLayout(kGame);
    ASSERT_EQ(layout.tags.size(), 7u);
    EXPECT_EQ(layout.tags[2].name, "Round");
    EXPECT_EQ(findTagPair(layout, "ECO")->value, "C20");
    EXPECT_EQ(findTagPair(layout, "Date"), nullptr);
    EXPECT_EQ(kGame.substr(layout.movesBegin, 4), "1.e4");
    EXPECT_TRUE(kGame.substr(0, layout.movesEnd).ends_with("# 1-0"));
}

} // namespace
} // namespace pw2
