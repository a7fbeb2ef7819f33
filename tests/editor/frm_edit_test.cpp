// The editor driven through its controls, as a user drives it, with scripted answers.
#include "editor_fixture.h"
#include "services/app_path.h"

#include <QGroupBox>
#include <QLabel>
#include <QScreen>
#include <QSignalSpy>
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
    listFile(*d, file);
    ASSERT_EQ(d->listCount(), 2);
    scripted.dialogs->fileRequests.clear();
    withNewGame(*d, [&](frmEdit& e) {
        const test::EditorView v(e);
        EXPECT_EQ(e.windowTitle(), "Pawnwatch 2.0  - PGN editor");
        EXPECT_EQ(v.gameInfo->title(), "Game Information");
        EXPECT_EQ(v.moves->title(), "Moves");
        std::vector<QString> captions;
        for (const QLabel* l : v.gameInfo->findChildren<QLabel*>())
            captions.push_back(l->text());
        EXPECT_EQ(captions, (std::vector<QString>{"Event :", "White Player :", "Black Player :",
                                                  "Date :", "Site :"}));
        for (const auto& [button, text] :
             {std::pair{v.update, "Update"}, std::pair{v.newMove, "New move"},
              std::pair{v.save, "Save Game"}, std::pair{v.saveAs, "Save As..."},
              std::pair{v.finish, "Finish"}})
            EXPECT_EQ(button->text(), text);
        EXPECT_EQ(v.moveNumber->text(), "1.");
        EXPECT_EQ(v.moveList->count(), 0);
        EXPECT_FALSE(v.save->isEnabled());
        EXPECT_TRUE(v.saveAs->isEnabled());
        EXPECT_EQ(v.fileName->text(), "File name : " + file);

        // Both boxes must hold a move.
        QTest::keyClicks(v.whiteMove, "e4");
        v.update->click();
        ASSERT_EQ(box.messages->shown.size(), 1u);
        EXPECT_EQ(box.messages->shown[0].text, kInvalidMove);
        EXPECT_EQ(box.messages->shown[0].icon, MsgIcon::Critical);
        EXPECT_EQ(v.moveList->count(), 0);
        EXPECT_EQ(v.moveNumber->text(), "1.");
        EXPECT_EQ(v.whiteMove->text(), "e4");
        EXPECT_TRUE(e.isSaved());

        QTest::keyClicks(v.blackMove, "e5");
        v.update->click();
        EXPECT_EQ(test::lines(e), std::vector<QString>{"1. e4            e5"});
        EXPECT_EQ(v.moveNumber->text(), "2.");
        EXPECT_EQ(v.whiteMove->text(), "");
        EXPECT_EQ(v.blackMove->text(), "");
        EXPECT_EQ(e.focusWidget(), v.whiteMove);
        EXPECT_TRUE(v.save->isEnabled());
        EXPECT_FALSE(e.isSaved());
        typeMove(e, "Nf3", "Nc6");
        typeMove(e, "Bb5", "a6");
        QTest::keyClicks(v.event, "Club \"Spring\" cup");
        QTest::keyClicks(v.site, "Oslo");
        QTest::keyClicks(v.date, "2024.05.01");
        QTest::keyClicks(v.white, "Ann");
        QTest::keyClicks(v.black, "Bob");

        // The caution question: No writes nothing, Yes writes the game after the file's text.
        box.messages->shown.clear();
        box.messages->answers = {MsgAnswer::No};
        v.save->click();
        EXPECT_EQ(shown(), std::vector<QString>{kCaution});
        EXPECT_EQ(box.messages->shown[0].icon, MsgIcon::Question);
        EXPECT_EQ(box.messages->shown[0].buttons, MsgButtons::YesNo);
        EXPECT_EQ(test::readBytes(file), kTwoGames);
        EXPECT_TRUE(v.save->isEnabled());

        v.save->click();
        EXPECT_EQ(test::readBytes(file),
                  kTwoGames + "\n[Event \"Club \\\"Spring\\\" cup\"]\n[Site \"Oslo\"]\n"
                              "[Date \"2024.05.01\"]\n[White \"Ann\"]\n[Black \"Bob\"]\n\n"
                              "1. e4 e5 2. Nf3 Nc6 3. Bb5 a6\n");
        EXPECT_FALSE(v.save->isEnabled());
        EXPECT_TRUE(v.saveAs->isEnabled());
        EXPECT_TRUE(e.isSaved());
        EXPECT_EQ(v.fileName->text(), "File name : " + file);
        EXPECT_TRUE(scripted.dialogs->fileRequests.empty());

        box.messages->shown.clear();
        v.finish->click();
        EXPECT_TRUE(shown().empty());
        EXPECT_FALSE(e.isVisible());
    });
    EXPECT_EQ(d->listCount(), 3);
    EXPECT_EQ(d->currentFile(), file);
}

TEST_F(Editor, ALineChosenFillsTheBoxesAndUpdateReplacesIt) {
    const QString file = box.path("games.pgn");
    test::writeBytes(file, test::readBytes(PW2_TEST_DATA "/../../data/default.pgn"));
    auto d = openDialog();
    frmEdit* e = editGame(*d, file, 0);
    ASSERT_NE(e, nullptr);
    const test::EditorView v(*e);
    ASSERT_EQ(v.moveList->count(), 37);
    EXPECT_EQ(v.moveNumber->text(), "38.");

    v.moveList->setCurrentRow(2);
    EXPECT_EQ(v.moveNumber->text(), "3.");
    EXPECT_EQ(v.whiteMove->text(), "d4");
    EXPECT_EQ(v.blackMove->text(), "cxd4");
    const auto click = [&](int row) {
        QTest::mouseClick(v.moveList->viewport(), Qt::LeftButton, {},
                          v.moveList->visualItemRect(v.moveList->item(row)).center());
    };
    click(11);
    EXPECT_EQ(v.moveNumber->text(), "12.");
    EXPECT_EQ(v.whiteMove->text(), "exd5");
    EXPECT_EQ(v.blackMove->text(), "cxd5");

    click(2);
    v.whiteMove->setText("d3");
    const std::vector<QString> before = test::lines(*e);
    v.update->click();
    std::vector<QString> after = before;
    after[2] = "3. d3          cxd4";
    EXPECT_EQ(test::lines(*e), after);
    EXPECT_EQ(v.moveNumber->text(), "38.");
    EXPECT_EQ(v.whiteMove->text(), "");
    // Clicking the line that is still chosen fills the boxes again.
    click(2);
    EXPECT_EQ(v.whiteMove->text(), "d3");
    EXPECT_EQ(v.moveNumber->text(), "3.");

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
    withNewGame(*d, [&](frmEdit& e) {
        box.messages->answers = {MsgAnswer::Yes};
        test::EditorView(e).finish->click();
        EXPECT_EQ(shown(), std::vector<QString>{kExitUnsaved});
        EXPECT_FALSE(e.isVisible());
    });

    withNewGame(*d, [&](frmEdit& e) {
        const test::EditorView v(e);
        for (int n = 1; n <= 105; ++n)
            typeMove(e, "w" + QString::number(n), "b" + QString::number(n));
        v.moveList->setCurrentRow(104);
        EXPECT_EQ(v.moveNumber->text(), "105.");
        EXPECT_EQ(v.whiteMove->text(), "w105");
        EXPECT_EQ(v.blackMove->text(), "b105");
        v.moveList->setCurrentRow(11);
        EXPECT_EQ(v.moveNumber->text(), "12.");
        EXPECT_EQ(v.blackMove->text(), "b12");

        box.messages->shown.clear();
        box.messages->answers = {MsgAnswer::No, MsgAnswer::Yes, MsgAnswer::No, MsgAnswer::Yes,
                                 MsgAnswer::Yes};
        v.finish->click();
        EXPECT_TRUE(e.isVisible());
        v.finish->click();
        EXPECT_TRUE(e.isVisible());
        v.finish->click();
        EXPECT_FALSE(e.isVisible());
        EXPECT_EQ(shown(), (std::vector<QString>{kExitUnsaved, kExitUnsaved, kCancelUnsaved,
                                                 kExitUnsaved, kCancelUnsaved}));
    });
    EXPECT_EQ(d->currentFile(), "");
}

TEST_F(Editor, SavingAGameThatHasNoFileYet) {
    auto d = openDialog();
    const QString file = box.path("first.pgn");
    withNewGame(*d, [&](frmEdit& e) {
        const test::EditorView v(e);
        const QSignalSpy saved(&e, &frmEdit::saved);
        EXPECT_EQ(v.fileName->text(), "File name : ");
        // Save As before any move: the dialog, then the refusal.
        scripted.dialogs->files = {file};
        v.saveAs->click();
        EXPECT_EQ(shown(), std::vector<QString>{kNoMoves});
        EXPECT_EQ(box.messages->shown[0].icon, MsgIcon::Critical);

        typeMove(e, "e4", "e5");
        v.event->setText("Only the event");
        // A cancelled dialog ends Save quietly.
        box.messages->shown.clear();
        v.save->click();
        EXPECT_TRUE(shown().empty());
        EXPECT_EQ(v.fileName->text(), "File name : ");

        // Incomplete information: No writes nothing, but the chosen file stays in the caption.
        scripted.dialogs->files = {file};
        box.messages->answers = {MsgAnswer::Yes, MsgAnswer::No};
        v.save->click();
        EXPECT_EQ(shown(), (std::vector<QString>{kCaution, kIncomplete}));
        EXPECT_FALSE(QFile::exists(file));
        EXPECT_EQ(v.fileName->text(), "File name : " + file);
        EXPECT_FALSE(e.isSaved());

        box.messages->shown.clear();
        v.save->click();
        EXPECT_EQ(shown(), (std::vector<QString>{kCaution, kIncomplete}));
        EXPECT_TRUE(test::readBytes(file).starts_with("[Event \"Only the event\"]\n"));
        EXPECT_TRUE(e.isSaved());
        // Only the save that wrote the file is announced, with the file's path.
        ASSERT_EQ(saved.size(), 1);
        EXPECT_EQ(saved[0][0].toString(), file);
        v.finish->click();
    });
    ASSERT_EQ(scripted.dialogs->fileRequests.size(), 3u);
    for (const FileDialogRequest& r : scripted.dialogs->fileRequests) {
        EXPECT_TRUE(r.save);
        EXPECT_EQ(r.title, "Choose PGN file");
        EXPECT_EQ(r.filter, "PGN file (*.pgn);;Text file (*.txt);;Allfiles (*.*)");
        EXPECT_EQ(r.directory, appPath());
    }
    EXPECT_EQ(d->currentFile(), file);
    EXPECT_EQ(d->listCount(), 1);
}

// A game from a set-up position where Black moves first: its numbers, its result after either
// side's last move, and its tags go back as they were, with only the moves the user changed.
TEST_F(Editor, GameFromASetUpPositionKeepsItsNumbersTagsAndResult) {
    const std::string tags =
        "[Event \"S\"]\n[SetUp \"1\"]\n[FEN \"4k3/8/8/8/8/8/8/4K3 b - - 0 11\"]\n"
        "[Result \"1/2-1/2\"]\n\n";
    const QString file = box.path("study.pgn");
    test::writeBytes(file, tags + "11... Kd7 12.Kd2 Kc6 1/2-1/2\n");
    auto d = openDialog();
    frmEdit* e = editGame(*d, file, 0);
    ASSERT_NE(e, nullptr);
    const test::EditorView v(*e);
    EXPECT_EQ(test::lines(*e),
              (std::vector<QString>{"11. ...          Kd7", "12. Kd2          Kc6 1/2-1/2"}));
    EXPECT_EQ(v.moveNumber->text(), "13.");

    v.moveList->setCurrentRow(1);
    EXPECT_EQ(v.moveNumber->text(), "12.");
    v.blackMove->setText("Kc7");
    v.update->click();
    EXPECT_EQ(v.moveNumber->text(), "13.");
    typeMove(*e, "Ke3", "Kd6");
    EXPECT_EQ(test::lines(*e), (std::vector<QString>{"11. ...          Kd7", "12. Kd2          Kc7",
                                                     "13. Ke3          Kd6 1/2-1/2"}));
    v.save->click();
    EXPECT_EQ(test::readBytes(file), tags + "11... Kd7 12. Kd2 Kc7 13. Ke3 Kd6 1/2-1/2\n");

    // A result typed after White's move ends the game there, in place of the old one.
    typeMove(*e, "Kf3", "1-0");
    v.save->click();
    EXPECT_EQ(test::readBytes(file), tags + "11... Kd7 12. Kd2 Kc7 13. Ke3 Kd6 14. Kf3 1-0\n");
}

TEST_F(Editor, OpensBesideTheSetupDialogOrCentredOnIt) {
    const QString file = box.path("two.pgn");
    test::writeBytes(file, kTwoGames);
    auto d = openDialog();
    d->show();
    const QRect area = d->screen()->availableGeometry();
    for (const QPoint at : {area.topLeft() + QPoint(20, 30), area.center()}) {
        d->move(at);
        frmEdit* e = editGame(*d, file, 0);
        ASSERT_NE(e, nullptr);
        const QRect owner = d->frameGeometry();
        const QRect editor = e->frameGeometry();
        EXPECT_GE(editor.left(), area.left());
        EXPECT_GE(editor.top(), area.top());
        EXPECT_LE(editor.right(), area.right());
        EXPECT_TRUE(editor.left() == owner.right() + 1 || editor.contains(owner.center()))
            << at.x() << ": " << editor.x() << "," << editor.y() << " beside " << owner.x() << ","
            << owner.y() << " " << owner.width() << "x" << owner.height();
        e->hide();
    }
}

} // namespace
} // namespace pw2
