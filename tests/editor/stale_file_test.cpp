// A game file that another program changes while the setup dialog lists it or the editor holds one
// of its games: Edit Game opens only a game that still lies where it was listed, and Save writes
// only over the bytes the game was split from.
#include "editor_fixture.h"
#include "pgnfile/edit_game.h"

#include <QFileInfo>
#include <QListView>

namespace pw2 {
namespace {

const std::string kA =
    "[Event \"A\"]\n[Site \"s\"]\n[Date \"2001\"]\n[White \"wa\"]\n[Black \"ba\"]\n"
    "\n1.e4 e5 2.Nf3 Nc6 1-0\n\n";
const std::string kB =
    "[Event \"B\"]\n[Site \"s\"]\n[Date \"2002\"]\n[White \"wb\"]\n[Black \"bb\"]\n"
    "\n1.d4 d5 2.c4 e6 0-1\n\n";
const std::string kC =
    "[Event \"C\"]\n[Site \"s\"]\n[Date \"2003\"]\n[White \"wc\"]\n[Black \"c2\"]\n"
    "\n1.c4 e5 2.g3 Nf6 *\n";
const std::string kFile = kA + kB + kC;

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    return text.replace(text.find(from), from.size(), to);
}

// B lengthened and shortened by another program, C lengthened at the end of the file, and a game
// put in before B, so that another game now has B's number.
const std::string kBLonger = replaced(kFile, "e6 0-1", "e6 3.Nc3 Nf6 0-1");
const std::string kBShorter = replaced(kFile, "2.c4 e6 0-1", "0-1");
const std::string kCLonger = kFile + "\n";
const std::string kInserted = kA + replaced(kB, "\"B\"", "\"X\"") + kB + kC;

const QString kCaution = "Caution. If you are editing this game from an existing file, all "
                         "comments in the current game will be removed. Are you sure you want to "
                         "continue?";
const QString kCancelUnsaved = "The game is not saved, are you sure you  want to cancel it ?";

QString changedByAnother(const QString& file) {
    return "The file \"" + file +
           "\" was changed by another program since the game was opened. Nothing was written; "
           "Save As... keeps the game in another file.";
}

// What Save writes: the file with the movetext of a game replaced.
std::string savedAs(const std::string& movetext, const std::string& moves) {
    return replaced(kFile, movetext, moves);
}

class StaleFile : public test::EditorTest {
protected:
    void SetUp() override {
        file = box.path("games.pgn");
        test::writeBytes(file, kFile);
    }
    // The editor's game and state, to see that a refused save leaves it alone.
    static std::vector<QString> state(const frmEdit& e) {
        const test::EditorView v(e);
        std::vector<QString> all = test::lines(e);
        all.insert(all.end(), {v.fileName->text(), v.event->text(),
                               QString::number(v.save->isEnabled()), QString::number(e.isSaved())});
        return all;
    }
    QString file;
};

TEST_F(StaleFile, EditGameOnAGameChangedSinceItWasListedListsTheFileAgainFirst) {
    struct Change {
        std::string now;
        int row;
        std::string moves;   // the game's movetext in the file
        std::string written; // the movetext saved with one move more
    };
    const Change changes[] = {
        {kBLonger, 1, "1.d4 d5 2.c4 e6 3.Nc3 Nf6 0-1", "1. d4 d5 2. c4 e6 3. Nc3 Nf6 4. a3 a6 0-1"},
        {kBShorter, 1, "1.d4 d5 0-1", "1. d4 d5 2. a3 a6 0-1"},
        {kCLonger, 2, "1.c4 e5 2.g3 Nf6 *", "1. c4 e5 2. g3 Nf6 3. a3 a6 *"},
        {kInserted, 1, "1.d4 d5 2.c4 e6 0-1", "1. d4 d5 2. c4 e6 3. a3 a6 0-1"}};
    for (const auto& [now, row, moves, written] : changes) {
        SCOPED_TRACE(now);
        test::writeBytes(file, kFile);
        auto d = openDialog();
        const test::ConfigView c(*d);
        listFile(*d, file);
        c.select(row);
        test::writeBytes(file, now);

        c.editGame->click();
        EXPECT_EQ(shown(), std::vector<QString>{
                               "The file \"" + file +
                               "\" has changed since its games were listed. Its games are listed "
                               "again as they are now; check the chosen game and press Edit Game "
                               "again."});
        EXPECT_EQ(d->editor(), nullptr);
        EXPECT_EQ(d->gameSpans(), pgn::findGameSpans(now));
        EXPECT_EQ(d->listCount(), int(d->gameSpans().size()));
        EXPECT_EQ(d->listIndex(), row);
        EXPECT_TRUE(c.description->text().startsWith(QString::number(row + 1) + "- [Event "));

        // Pressed again, it opens the game with all its moves; the game saved with one more
        // takes exactly its place.
        box.messages->shown.clear();
        c.editGame->click();
        frmEdit* e = d->editor();
        ASSERT_NE(e, nullptr);
        const std::string game = test::gamesOf(now)[std::size_t(row)];
        EXPECT_EQ(test::EditorView(*e).event->text().toStdString(), tagValue(game, "Event"));
        test::typeMove(*e, "a3", "a6");
        test::EditorView(*e).save->click();
        EXPECT_EQ(shown(), std::vector<QString>{kCaution});
        EXPECT_EQ(test::readBytes(file), replaced(now, moves, written));
        EXPECT_EQ(test::gamesOf(test::readBytes(file)).size(), test::gamesOf(now).size());
        e->hide();
    }
}

TEST_F(StaleFile, AChangeAfterTheListedGameStillOpensItWithTheFileAsItIsNow) {
    auto d = openDialog();
    const test::ConfigView c(*d);
    listFile(*d, file);
    c.select(0);
    test::writeBytes(file, kBLonger);
    c.editGame->click();
    frmEdit* e = d->editor();
    ASSERT_NE(e, nullptr);
    EXPECT_TRUE(shown().empty());
    const test::EditorView v(*e);
    v.moveList->setCurrentRow(0);
    v.update->click();
    v.save->click();
    EXPECT_EQ(test::readBytes(file), kBLonger); // nothing changed
}

TEST_F(StaleFile, SaveWritesNothingOverAFileChangedSinceEditGame) {
    const std::string sameLength = replaced(kFile, "\"wa\"", "\"WA\"");
    const QString link = box.path("link.pgn");
    ASSERT_TRUE(QFile::link(file, link));
    for (const std::string& now : {kBLonger, kBShorter, sameLength, std::string()}) {
        SCOPED_TRACE(now);
        test::writeBytes(file, kFile);
        auto d = openDialog();
        frmEdit* e = editGame(*d, file, 1);
        ASSERT_NE(e, nullptr);
        const test::EditorView v(*e);
        test::typeMove(*e, "Nc3", "Nf6");
        const std::vector<QString> before = state(*e);
        if (now.empty())
            ASSERT_TRUE(QFile::remove(file));
        else
            test::writeBytes(file, now);

        v.save->click();
        EXPECT_EQ(shown(), (std::vector<QString>{kCaution, changedByAnother(file)}));
        EXPECT_EQ(box.messages->shown[1].icon, MsgIcon::Critical);
        if (now.empty())
            EXPECT_FALSE(QFile::exists(file));
        else
            EXPECT_EQ(test::readBytes(file), now);
        EXPECT_EQ(state(*e), before);

        // Save As into the same file, however its path is spelt, is refused too; into another
        // file it writes the game with the bytes it was opened with around it.
        const std::vector<QString> sameFile = {file, box.dir.path() + "/./games.pgn", link};
        for (const QString& same : sameFile) {
            if (now.empty() && same == link)
                continue; // a link to a file that is gone is another file
            box.messages->shown.clear();
            scripted.dialogs->files = {same};
            v.saveAs->click();
            EXPECT_EQ(shown(), std::vector<QString>{changedByAnother(same)});
        }
        const QString other = box.path("other.pgn");
        scripted.dialogs->files = {other};
        v.saveAs->click();
        EXPECT_EQ(test::readBytes(other),
                  savedAs("1.d4 d5 2.c4 e6 0-1", "1. d4 d5 2. c4 e6 3. Nc3 Nf6 0-1"));
        EXPECT_EQ(v.fileName->text(), "File name : " + other);
        EXPECT_TRUE(e->isSaved());
        e->hide();
    }
}

// What Save writes becomes what the file is checked against: the game saves again and again,
// also after its file was written anew with the same bytes, until another program changes it.
TEST_F(StaleFile, EachSaveIsTheFileToCheckTheNextOneAgainst) {
    auto d = openDialog();
    frmEdit* e = editGame(*d, file, 1);
    ASSERT_NE(e, nullptr);
    const test::EditorView v(*e);
    test::typeMove(*e, "Nc3", "Nf6");
    v.save->click();
    test::typeMove(*e, "Bg5", "Be7");
    v.save->click();
    const std::string written = test::readBytes(file);
    EXPECT_EQ(written,
              savedAs("1.d4 d5 2.c4 e6 0-1", "1. d4 d5 2. c4 e6 3. Nc3 Nf6 4. Bg5 Be7 0-1"));
    EXPECT_EQ(shown(), (std::vector<QString>{kCaution, kCaution}));

    test::writeBytes(file, written);
    test::typeMove(*e, "e3", "O-O");
    v.save->click();
    EXPECT_EQ(
        test::readBytes(file),
        savedAs("1.d4 d5 2.c4 e6 0-1", "1. d4 d5 2. c4 e6 3. Nc3 Nf6 4. Bg5 Be7 5. e3 O-O 0-1"));
    EXPECT_TRUE(e->isSaved());

    const std::string appended = test::readBytes(file) + kA;
    test::writeBytes(file, appended);
    test::typeMove(*e, "Rc1", "h6");
    box.messages->shown.clear();
    v.save->click();
    EXPECT_EQ(shown(), (std::vector<QString>{kCaution, changedByAnother(file)}));
    EXPECT_EQ(test::readBytes(file), appended);
    EXPECT_FALSE(e->isSaved());
}

TEST_F(StaleFile, NewGameWritesNothingOverAFileChangedSinceItWasRead) {
    auto d = openDialog();
    listFile(*d, file);
    withNewGame(*d, [&](frmEdit& e) {
        const test::EditorView v(e);
        test::typeMove(e, "e4", "e5");
        v.event->setText("New");
        test::writeBytes(file, kBShorter);
        box.messages->answers = {MsgAnswer::Yes, MsgAnswer::Yes};
        v.save->click();
        EXPECT_EQ(shown().back(), changedByAnother(file));
        EXPECT_EQ(test::readBytes(file), kBShorter);
        EXPECT_FALSE(e.isSaved());
    });
}

// Edit Game on another game while the editor holds changes asks, as closing the editor asks.
TEST_F(StaleFile, EditGameAsksBeforeReplacingAGameThatIsNotSaved) {
    auto d = openDialog();
    frmEdit* e = editGame(*d, file, 0);
    ASSERT_NE(e, nullptr);
    const test::ConfigView c(*d);
    const test::EditorView v(*e);
    test::typeMove(*e, "a3", "a6");
    const std::vector<QString> typed = test::lines(*e);
    c.select(2);
    box.messages->answers = {MsgAnswer::No};
    c.editGame->click();
    EXPECT_EQ(shown(), std::vector<QString>{kCancelUnsaved});
    EXPECT_EQ(test::lines(*e), typed);
    EXPECT_TRUE(e->isVisible());
    // The editor still writes its game around the first game's place.
    const QString other = box.path("other.pgn");
    scripted.dialogs->files = {other};
    v.saveAs->click();
    EXPECT_EQ(test::readBytes(other),
              savedAs("1.e4 e5 2.Nf3 Nc6 1-0", "1. e4 e5 2. Nf3 Nc6 3. a3 a6 1-0"));
    test::typeMove(*e, "h3", "h6");

    box.messages->shown.clear();
    c.editGame->click();
    EXPECT_EQ(shown(), std::vector<QString>{kCancelUnsaved});
    EXPECT_EQ(v.event->text(), "C");
    EXPECT_TRUE(e->isVisible());
    EXPECT_TRUE(e->isSaved());
}

} // namespace
} // namespace pw2
