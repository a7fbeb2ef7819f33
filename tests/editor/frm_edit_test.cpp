// The editor driven through its controls, as a user drives it, with scripted answers.
#include "editor_fixture.h"
#include "services/app_path.h"

#include <QGroupBox>
#include <QLabel>
#include <QTest>

namespace pw2 {
namespace {

using test::typeMove;

const QString kInvalidMove = "  Invalid Move           ";
const QString kExitUnsaved = "The game is not saved, are you sure you wish to exit? ";
const QString kCancelUnsaved = "The game is not saved, are you sure you  want to cancel it ?";
const QString kCaution = "Caution. If you are editing this game from an existing file, all "
                         "comments in the current game will be removed. Are you sure you want to "
                         "continue?";
const QString kNoMoves = "There are no moves in this game, it can't be saved";
const QString kIncomplete = "Games Information is incomplete, are you sure you want to save it?";

const std::string kTwoGames = "[Event \"A\"]\n[White \"w\"]\n[Black \"b\"]\n\n1.e4 e5 1-0\n\n"
                              "[Event \"B\"]\n[White \"w\"]\n[Black \"b\"]\n\n1.d4 d5 0-1\n";

class Editor : public test::EditorTest {};

TEST_F(Editor, NewGameTypedMoveByMoveThenSavedAndFinished) {
    const QString file = box.path("two.pgn");
    test::writeBytes(file, kTwoGames);
    auto d = openDialog();
    d->CurrentFile = file;
    withNewGame(*d, [&](frmEdit& e) {
        EXPECT_EQ(e.windowTitle(), "Pawnwatch 2.0  - PGN editor");
        EXPECT_EQ(e.Frame1->title(), "Game Information");
        EXPECT_EQ(e.Frame2->title(), "Moves");
        std::vector<QString> captions;
        for (const QLabel* l : e.Frame1->findChildren<QLabel*>())
            captions.push_back(l->text());
        EXPECT_EQ(captions, (std::vector<QString>{"Event :", "White Player :", "Black Player :",
                                                  "Date :", "Site :"}));
        for (const auto& [button, text] :
             {std::pair{e.Update, "Update"}, std::pair{e.New, "New move"},
              std::pair{e.Save, "Save Game"}, std::pair{e.SaveAs, "Save As..."},
              std::pair{e.finish, "Finish"}})
            EXPECT_EQ(button->text(), text);
        EXPECT_EQ(e.MoveNum->text(), "1.");
        EXPECT_EQ(e.List1->count(), 0);
        EXPECT_FALSE(e.Save->isEnabled());
        EXPECT_TRUE(e.SaveAs->isEnabled());
        EXPECT_EQ(e.FileName->text(), "File name : " + file);

        // Both boxes must hold a move.
        QTest::keyClicks(e.WhiteMove, "e4");
        e.Update->click();
        ASSERT_EQ(box.messages->shown.size(), 1u);
        EXPECT_EQ(box.messages->shown[0].text, kInvalidMove);
        EXPECT_EQ(box.messages->shown[0].icon, MsgIcon::Critical);
        EXPECT_EQ(e.List1->count(), 0);
        EXPECT_EQ(e.MoveNum->text(), "1.");
        EXPECT_EQ(e.WhiteMove->text(), "e4");
        EXPECT_TRUE(e.isSaved());

        QTest::keyClicks(e.BlackMove, "e5");
        e.Update->click();
        EXPECT_EQ(test::lines(e), std::vector<QString>{"1. e4            e5"});
        EXPECT_EQ(e.MoveNum->text(), "2.");
        EXPECT_EQ(e.WhiteMove->text(), "");
        EXPECT_EQ(e.BlackMove->text(), "");
        EXPECT_EQ(e.focusWidget(), e.WhiteMove);
        EXPECT_TRUE(e.Save->isEnabled());
        EXPECT_FALSE(e.isSaved());
        typeMove(e, "Nf3", "Nc6");
        typeMove(e, "Bb5", "a6");
        EXPECT_EQ(e.MoveList, "1. e4            e5\r\n2. Nf3          Nc6\r\n"
                              "3. Bb5           a6\r\n");
        QTest::keyClicks(e.EventNm, "Club \"Spring\" cup");
        QTest::keyClicks(e.Site, "Oslo");
        QTest::keyClicks(e.DateNm, "2024.05.01");
        QTest::keyClicks(e.White, "Ann");
        QTest::keyClicks(e.Black, "Bob");

        // The caution question: No writes nothing, Yes writes the game after the file's text.
        box.messages->shown.clear();
        box.messages->answers = {MsgAnswer::No};
        e.Save->click();
        EXPECT_EQ(shown(), std::vector<QString>{kCaution});
        EXPECT_EQ(box.messages->shown[0].icon, MsgIcon::Question);
        EXPECT_EQ(box.messages->shown[0].buttons, MsgButtons::YesNo);
        EXPECT_EQ(test::readBytes(file), kTwoGames);
        EXPECT_TRUE(e.Save->isEnabled());

        e.Save->click();
        EXPECT_EQ(test::readBytes(file),
                  kTwoGames +
                      "\r\n[Event \"Club \\\"Spring\\\" cup\"]\r\n[Site \"Oslo\"]\r\n"
                      "[Date \"2024.05.01\"]\r\n[White \"Ann\"]\r\n[Black \"Bob\"]\r\n" +
                      e.MoveList + "\r\n\r\n");
        EXPECT_FALSE(e.Save->isEnabled());
        EXPECT_TRUE(e.SaveAs->isEnabled());
        EXPECT_TRUE(e.isSaved());
        EXPECT_EQ(e.FileName->text(), "File name : " + file);
        EXPECT_TRUE(scripted.dialogs->fileRequests.empty());

        box.messages->shown.clear();
        e.finish->click();
        EXPECT_TRUE(shown().empty());
        EXPECT_FALSE(e.isVisible());
    });
    EXPECT_EQ(d->listCount(), 3);
    EXPECT_EQ(d->CurrentFile, file);
}

TEST_F(Editor, ALineChosenFillsTheBoxesAndUpdateReplacesIt) {
    const QString file = box.path("games.pgn");
    test::writeBytes(file, test::readBytes(PW2_TEST_DATA "/../../data/default.pgn"));
    auto d = openDialog();
    frmEdit* e = editGame(*d, file, 0);
    ASSERT_NE(e, nullptr);
    ASSERT_EQ(e->List1->count(), 37);
    EXPECT_EQ(e->MoveNum->text(), "38.");

    e->List1->setCurrentRow(2);
    EXPECT_EQ(e->MoveNum->text(), "3.");
    EXPECT_EQ(e->WhiteMove->text(), "d4");
    EXPECT_EQ(e->BlackMove->text(), "cxd4");
    const auto click = [&](int row) {
        QTest::mouseClick(e->List1->viewport(), Qt::LeftButton, {},
                          e->List1->visualItemRect(e->List1->item(row)).center());
    };
    click(11);
    EXPECT_EQ(e->MoveNum->text(), "12.");
    EXPECT_EQ(e->WhiteMove->text(), "exd5");
    EXPECT_EQ(e->BlackMove->text(), "cxd5");

    click(2);
    e->WhiteMove->setText("d3");
    const std::vector<QString> before = test::lines(*e);
    e->Update->click();
    std::vector<QString> after = before;
    after[2] = "3. d3          cxd4";
    EXPECT_EQ(test::lines(*e), after);
    EXPECT_EQ(e->MoveNum->text(), "38.");
    EXPECT_EQ(e->WhiteMove->text(), "");
    // Clicking the line that is still chosen fills the boxes again.
    click(2);
    EXPECT_EQ(e->WhiteMove->text(), "d3");
    EXPECT_EQ(e->MoveNum->text(), "3.");

    // The window's own close control asks; No keeps everything, Yes closes.
    box.messages->answers = {MsgAnswer::No};
    e->close();
    EXPECT_TRUE(e->isVisible());
    EXPECT_EQ(test::lines(*e), after);
    e->close();
    EXPECT_FALSE(e->isVisible());
    EXPECT_EQ(shown(), (std::vector<QString>{kCancelUnsaved, kCancelUnsaved}));
    EXPECT_EQ(box.messages->shown[0].icon, MsgIcon::Question);
    EXPECT_EQ(test::readBytes(file), test::readBytes(PW2_TEST_DATA "/../../data/default.pgn"));
}

TEST_F(Editor, FinishOnAGameWithoutAFileAsksAndAsksAgainWhenItChanged) {
    auto d = openDialog();
    auto* e = new frmEdit(d.get());
    e->show();
    box.messages->answers = {MsgAnswer::Yes};
    e->finish->click();
    EXPECT_EQ(shown(), std::vector<QString>{kExitUnsaved});
    EXPECT_FALSE(e->isVisible());

    e->Form_Load();
    e->show();
    for (int n = 1; n <= 105; ++n)
        typeMove(*e, "w" + QString::number(n), "b" + QString::number(n));
    e->List1->setCurrentRow(104);
    EXPECT_EQ(e->MoveNum->text(), "105.");
    EXPECT_EQ(e->WhiteMove->text(), "w105");
    EXPECT_EQ(e->BlackMove->text(), "b105");
    e->List1->setCurrentRow(11);
    EXPECT_EQ(e->MoveNum->text(), "12.");
    EXPECT_EQ(e->BlackMove->text(), "b12");

    box.messages->shown.clear();
    box.messages->answers = {MsgAnswer::No, MsgAnswer::Yes, MsgAnswer::No, MsgAnswer::Yes,
                             MsgAnswer::Yes};
    e->finish->click();
    EXPECT_TRUE(e->isVisible());
    e->finish->click();
    EXPECT_TRUE(e->isVisible());
    e->finish->click();
    EXPECT_FALSE(e->isVisible());
    EXPECT_EQ(shown(), (std::vector<QString>{kExitUnsaved, kExitUnsaved, kCancelUnsaved,
                                             kExitUnsaved, kCancelUnsaved}));
    EXPECT_EQ(d->CurrentFile, "");
}

TEST_F(Editor, SavingAGameThatHasNoFileYet) {
    auto d = openDialog();
    const QString file = box.path("first.pgn");
    withNewGame(*d, [&](frmEdit& e) {
        EXPECT_EQ(e.FileName->text(), "File name : ");
        // Save As before any move: the dialog, then the refusal.
        scripted.dialogs->files = {file};
        e.SaveAs->click();
        EXPECT_EQ(shown(), std::vector<QString>{kNoMoves});
        EXPECT_EQ(box.messages->shown[0].icon, MsgIcon::Critical);

        typeMove(e, "e4", "e5");
        e.EventNm->setText("Only the event");
        // A cancelled dialog ends Save quietly.
        box.messages->shown.clear();
        e.Save->click();
        EXPECT_TRUE(shown().empty());
        EXPECT_EQ(e.FileName->text(), "File name : ");

        // Incomplete information: No writes nothing, but the chosen file stays in the caption.
        scripted.dialogs->files = {file};
        box.messages->answers = {MsgAnswer::Yes, MsgAnswer::No};
        e.Save->click();
        EXPECT_EQ(shown(), (std::vector<QString>{kCaution, kIncomplete}));
        EXPECT_FALSE(QFile::exists(file));
        EXPECT_EQ(e.FileName->text(), "File name : " + file);
        EXPECT_FALSE(e.isSaved());

        box.messages->shown.clear();
        e.Save->click();
        EXPECT_EQ(shown(), (std::vector<QString>{kCaution, kIncomplete}));
        EXPECT_TRUE(test::readBytes(file).starts_with("\r\n[Event \"Only the event\"]\r\n"));
        EXPECT_TRUE(e.isSaved());
        e.finish->click();
    });
    ASSERT_EQ(scripted.dialogs->fileRequests.size(), 3u);
    for (const FileDialogRequest& r : scripted.dialogs->fileRequests) {
        EXPECT_TRUE(r.save);
        EXPECT_EQ(r.title, "Choose PGN file");
        EXPECT_EQ(r.filter, "PGN file (*.pgn);;Text file (*.txt);;Allfiles (*.*)");
        EXPECT_EQ(r.directory, appPath());
    }
    EXPECT_EQ(d->CurrentFile, file);
    EXPECT_EQ(d->listCount(), 1);
}

} // namespace
} // namespace pw2
