// Edit Game on real games whose tag values hold "]", "[" and escaped quotes and backslashes, and
// whose movetext holds ";" comments and "%" lines (tests/data/tags-and-line-comments.pgn): the
// fields show the values unescaped, and a save writes the same bytes back.
#include "editor_fixture.h"
#include "pgnfile/edit_game.h"

namespace pw2 {
namespace {

class TagEscapes : public ::testing::Test, public test::EditorHarness {};

TEST_F(TagEscapes, FieldsShowValuesUnescapedAndASaveWritesTheSameBytes) {
    const std::string old = test::readBytes(PW2_TEST_DATA "/tags-and-line-comments.pgn");
    const QString file = box.path("games.pgn");
    test::writeBytes(file, old);
    auto d = openDialog();

    frmEdit* e = editGame(*d, file, 1);
    ASSERT_NE(e, nullptr);
    const test::EditorView v(*e);
    EXPECT_EQ(v.event->text(), "WCh \"return match\" [game 18]");
    EXPECT_EQ(v.site->text(), "GER\\NLD"); // a lone backslash stands for itself
    EXPECT_EQ(v.white->text(), "Bogoljubow,E \"Bogo\"");
    EXPECT_EQ(v.black->text(), "Alekhine,A \\ Aljechin,A");
    EXPECT_EQ(test::lines(*e).size(), 51u); // 101 half-moves
    v.moveList->setCurrentRow(0);
    v.update->click();
    v.save->click();

    // Nothing was changed: the file is written as it was read.
    EXPECT_EQ(test::readBytes(file), old);
    for (const char* line :
         {"[Event \"WCh \\\"return match\\\" [game 18]\"]", "[White \"Bogoljubow,E \\\"Bogo\\\"\"]",
          "[Black \"Alekhine,A \\\\ Aljechin,A\"]"})
        EXPECT_NE(old.find(line), std::string::npos) << line;
    // Read back, the fields are the same.
    ASSERT_EQ(editGame(*d, file, 1), e);
    EXPECT_EQ(v.event->text(), "WCh \"return match\" [game 18]");
    EXPECT_EQ(v.site->text(), "GER\\NLD");
    EXPECT_EQ(v.white->text(), "Bogoljubow,E \"Bogo\"");
    EXPECT_EQ(v.black->text(), "Alekhine,A \\ Aljechin,A");

    // The first game: the "]" inside its event; the last: its ";" comment and "%" line go.
    ASSERT_EQ(editGame(*d, file, 0), e);
    EXPECT_EQ(v.event->text(), "URS-WORLD [board 1]");
    EXPECT_EQ(v.white->text(), "Larsen,B");
    EXPECT_EQ(test::lines(*e).size(), 17u);
    ASSERT_EQ(editGame(*d, file, 2), e);
    EXPECT_EQ(v.black->text(), "Huebner, Robert");
    const std::vector<QString> moves = test::lines(*e);
    ASSERT_EQ(moves.size(), 12u);
    EXPECT_TRUE(moves[7].startsWith("8. Bxa6")) << moves[7].toStdString();
    // None of the games was refused.
    for (const test::ShownMessage& m : box.messages->shown)
        EXPECT_FALSE(m.text.contains("error in this PGN file")) << m.text.toStdString();
}

} // namespace
} // namespace pw2
