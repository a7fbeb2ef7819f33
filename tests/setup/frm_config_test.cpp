#include "editor/frm_edit.h"
#include "pgnfile/game_index.h"
#include "services/app_path.h"
#include "services/settings_parse.h"
#include "setup/frm_about.h"
#include "setup/frm_config.h"
#include "support/doubles.h"
#include "support/scripted_dialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <sys/stat.h>

// Readable QString values in failure messages.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace pw2 {
namespace {

const QString kFileNotFound = "The specfied PGN file is not found, Loading Default";
const QString kDefaultNotFound = "Default File Not found, please specify a PGN file";

// Three games: an escaped quote in the first, a comment in the middle one, no line break at the
// end of the last.
const std::string kGames = "[Event \"The \\\"Cup\\\"\"]\n[Site \"Here\"]\n[Date \"2001.01.01\"]\n"
                           "[White \"W1\"]\n[Black \"B1\"]\n\n1.e4 e5 2.Nf3 Nc6 1-0\n\n"
                           "[Event \"Second\"]\n[White \"W2\"]\n[Black \"B2\"]\n\n"
                           "1.d4 {a comment} d5 2.c4 0-1\n\n"
                           "[Event \"Third\"]\n[Site \"There\"]\n[Date \"2003\"]\n"
                           "[White \"W3\"]\n[Black \"B3\"]\n\n1.c4 e5 *";

// A move list line: number, ". ", White left in 8 columns, Black right in 8.
std::string line(int n, const std::string& white, const std::string& black) {
    return std::to_string(n) + ". " + white + std::string(8 - white.size(), ' ') +
           std::string(8 - black.size(), ' ') + black;
}

class ConfigDialog : public ::testing::Test {
protected:
    QString writeFile(const QString& name, const std::string& bytes) {
        QFile f(box.path(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes.data(), qint64(bytes.size()));
        return f.fileName();
    }
    std::unique_ptr<frmConfig> openDialog() { return std::make_unique<frmConfig>(); }
    // Opens the dialog and forgets the opening step's messages (no file is stored).
    std::unique_ptr<frmConfig> openQuietly() {
        auto d = openDialog();
        box.messages->shown.clear();
        return d;
    }
    void select(frmConfig& d, int row) {
        d.List1->setCurrentIndex(d.List1->model()->index(row, 0));
    }
    std::vector<std::string> editorLines(frmEdit& e) {
        std::vector<std::string> lines;
        for (int i = 0; i < e.List1->count(); ++i)
            lines.push_back(e.List1->item(i)->text().toStdString());
        return lines;
    }

    test::Sandbox box;
    test::ScriptedDialogsScope scripted;
};

TEST_F(ConfigDialog, OpeningFallsBackToTheDefaultFileWithoutStoringIt) {
    writeFile("default.pgn", kGames);
    settings().write("PGNFile", "/nowhere/gone.pgn");
    auto d = openDialog();
    EXPECT_EQ(box.messageTexts(), std::vector<QString>{kFileNotFound});
    EXPECT_EQ(box.messages->shown[0].icon, MsgIcon::Critical);
    EXPECT_EQ(d->Location->text(), box.path("default.pgn"));
    EXPECT_EQ(settings().read("PGNFile", ""), "/nowhere/gone.pgn");
    EXPECT_EQ(d->windowTitle(), "Pawnwatch 2.0 Setup");
    EXPECT_FALSE(d->Frame3->isHidden());
    EXPECT_TRUE(d->Frame1->isHidden());
    EXPECT_EQ(d->width(), qRound(4230 * d->logicalDpiX() / 1440.0));
}

TEST_F(ConfigDialog, OpeningWithoutAnyFileKeepsTheMissingPath) {
    settings().write("PGNFile", "/nowhere/gone.pgn");
    auto d = openDialog();
    EXPECT_EQ(box.messageTexts(), (std::vector<QString>{kFileNotFound, kDefaultNotFound}));
    EXPECT_EQ(d->Location->text(), "/nowhere/gone.pgn");
}

TEST_F(ConfigDialog, OpeningAfterTheSaverFoundNoFileShowsNoMessageAndLoadsTheRest) {
    globals().MissingGameFile = true;
    auto& s = settings();
    s.write("Movelist", "0");
    s.write("TextColor", "255");
    s.write("Timer", "1.5");
    s.write("Timer2", "abc");
    s.write("Random", "1");
    auto d = openDialog();
    EXPECT_TRUE(box.messageTexts().empty());
    EXPECT_EQ(d->Location->text(), "");
    EXPECT_FALSE(d->Check1->isChecked());
    EXPECT_EQ(d->Picture1->BackColor(), 255u);
    EXPECT_EQ(d->Text1->text(), "1.5");
    EXPECT_EQ(d->Text2->text(), "abc");
    EXPECT_TRUE(d->random->isChecked());
}

TEST_F(ConfigDialog, GetGamesListsTrimsAndKeepsEverythingForAMissingFile) {
    const QString games = writeFile("three.pgn", kGames);
    auto d = openQuietly();
    QString path = "  " + games + "  ";
    d->GetGames(path);
    EXPECT_EQ(path, games);
    ASSERT_EQ(d->listCount(), 3);
    EXPECT_EQ(d->GameSpans.size(), 3u);
    EXPECT_EQ(d->listIndex(), 0);
    EXPECT_TRUE(d->OK->isEnabled());
    EXPECT_EQ(d->Label2->text(), "1- [Event \"The \\\"Cup\\\"\"]\n[Site \"Here\"]\n"
                                 "[Date \"2001.01.01\"]\n[White \"W1\"]\n[Black \"B1\"]");
    EXPECT_EQ(d->List1->model()->index(1, 0).data().toString(),
              "2- [Event \"Second\"] [White \"W2\"] [Black \"B2\"]");
    select(*d, 2);
    EXPECT_EQ(d->Match->text(), "Match 3 will be played first");
    EXPECT_FALSE(d->Match->isHidden());

    QString missing = "  " + box.path("missing.pgn") + " ";
    const QString before = missing;
    d->GetGames(missing);
    EXPECT_EQ(missing, before);
    EXPECT_EQ(d->listCount(), 3);
    EXPECT_EQ(d->listIndex(), 2);

    // A file without games empties the list and keeps the old spans.
    QString empty = writeFile("empty.pgn", "[event \"no\"]\n1.e4 *\n");
    d->GetGames(empty);
    EXPECT_EQ(d->listCount(), 0);
    EXPECT_EQ(d->GameSpans.size(), 3u);
    EXPECT_TRUE(d->OK->isEnabled());
    EXPECT_TRUE(box.messageTexts().empty());
    d->Edit->click();
    EXPECT_EQ(
        box.messageTexts(),
        std::vector<QString>{"No games to edit. Please select \"New Game\" or \"PGN import\""});
    EXPECT_EQ(d->editor(), nullptr);
}

TEST_F(ConfigDialog, EditGameHandsOverTheFirstMiddleAndLastGame) {
    writeFile("default.pgn", kGames);
    auto d = openDialog();
    d->Change->click();
    const auto& spans = d->GameSpans;
    ASSERT_EQ(spans.size(), 3u);
    auto& g = globals();

    d->Edit->click();
    frmEdit* e = d->editor();
    ASSERT_NE(e, nullptr);
    EXPECT_TRUE(e->isVisible());
    EXPECT_FALSE(e->isModal());
    EXPECT_EQ(g.TextBefore, "");
    EXPECT_EQ(g.TextAfter, kGames.substr(std::size_t(spans[0].end - 1)));
    EXPECT_TRUE(g.TextAfter.starts_with("\n[Event \"Second\""));
    EXPECT_EQ(e->EventNm->text(), "The \"Cup\"");
    EXPECT_EQ(e->White->text(), "W1");
    EXPECT_EQ(e->Black->text(), "B1");
    EXPECT_EQ(e->Site->text(), "Here");
    EXPECT_EQ(e->DateNm->text(), "2001.01.01");
    EXPECT_EQ(e->FileName->text(), "File name : " + box.path("default.pgn"));
    EXPECT_EQ(editorLines(*e),
              (std::vector<std::string>{line(1, "e4", "e5"), line(2, "Nf3", "Nc6")}));
    EXPECT_EQ(e->MoveList, line(1, "e4", "e5") + "\r\n" + line(2, "Nf3", "Nc6") + "\r\n");
    EXPECT_EQ(globals().GameResult, "1-0");
    EXPECT_EQ(e->currentEdMove(), 3);
    EXPECT_EQ(e->MoveNum->text(), "3.");

    select(*d, 1);
    d->Edit->click();
    EXPECT_EQ(d->editor(), e); // one editor window, refilled
    EXPECT_EQ(g.TextBefore, kGames.substr(0, kGames.find("[Event \"Second\"")));
    EXPECT_EQ(g.TextAfter, kGames.substr(kGames.find("\n[Event \"Third\"")));
    EXPECT_EQ(e->EventNm->text(), "Second");
    EXPECT_EQ(e->Site->text(), "");
    EXPECT_EQ(e->DateNm->text(), "");
    EXPECT_EQ(editorLines(*e),
              (std::vector<std::string>{line(1, "d4", "d5"), line(2, "c4", "0-1")}));
    EXPECT_EQ(e->MoveNum->text(), "3.");

    select(*d, 2);
    d->Edit->click();
    EXPECT_EQ(g.TextBefore, kGames.substr(0, kGames.find("[Event \"Third\"")));
    EXPECT_EQ(g.TextAfter, "");
    EXPECT_EQ(e->White->text(), "W3");
    EXPECT_EQ(editorLines(*e), std::vector<std::string>{line(1, "c4", "e5")});
    EXPECT_TRUE(box.messageTexts().empty());
}

TEST_F(ConfigDialog, EditGameOnAGameThatFailsTheCheckStillOpensTheEditor) {
    const QString file =
        writeFile("bad.pgn", "[Event \"Bad\"]\n[Black \"b\"]\n\n1.e4 {open e5 *\n");
    auto d = openQuietly();
    d->CurrentFile = file;
    d->GetGames(d->CurrentFile);
    d->Edit->click();
    ASSERT_EQ(box.messages->shown.size(), 1u);
    EXPECT_EQ(box.messages->shown[0].icon, MsgIcon::Critical);
    frmEdit* e = d->editor();
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->EventNm->text(), "Bad");
    EXPECT_EQ(e->List1->count(), 0);
    EXPECT_EQ(e->MoveList, "");
    EXPECT_EQ(e->currentEdMove(), 1);
    EXPECT_EQ(e->MoveNum->text(), "1.");
}

TEST_F(ConfigDialog, AFileDeletedSinceItWasListedIsReportedAndOpensNoEditor) {
    const QString file = writeFile("gone.pgn", kGames);
    auto d = openQuietly();
    d->CurrentFile = file;
    d->GetGames(d->CurrentFile);
    globals().TextBefore = "kept";
    ASSERT_TRUE(QFile::remove(file));

    d->Edit->click();
    d->New->click();
    ASSERT_EQ(box.messages->shown.size(), 2u);
    for (const auto& m : box.messages->shown) {
        EXPECT_EQ(m.icon, MsgIcon::Critical);
        EXPECT_TRUE(m.text.contains(file)) << m.text.toStdString();
        EXPECT_TRUE(m.text.contains("No such file or directory")) << m.text.toStdString();
    }
    EXPECT_EQ(d->editor(), nullptr);
    EXPECT_EQ(globals().TextBefore, "kept");
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(d->listCount(), 3);
}

TEST_F(ConfigDialog, AnUnreadableImportLeavesTheListAndCurrentFile) {
    const QString listed = writeFile("listed.pgn", kGames);
    QString locked = writeFile("locked.pgn", kGames);
    QFile::setPermissions(locked, QFileDevice::Permissions());
    if (QFile probe(locked); probe.open(QIODevice::ReadOnly)) {
        // Permissions do not stop this user (root): a folder, which reading refuses, stands in.
        locked = box.path("folder.pgn");
        ASSERT_TRUE(QDir().mkdir(locked));
    }
    auto d = openQuietly();
    d->CurrentFile = listed;
    d->GetGames(d->CurrentFile);
    scripted.dialogs->files.push_back(locked);
    d->Command1->click();
    ASSERT_EQ(box.messages->shown.size(), 1u);
    EXPECT_TRUE(box.messages->shown[0].text.contains(locked));
    EXPECT_EQ(d->CurrentFile, listed);
    EXPECT_EQ(d->listCount(), 3);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(ConfigDialog, NewGameOpensTheEditorModallyAfterTheWholeFile) {
    const QString file = writeFile("default.pgn", kGames);
    auto d = openDialog();
    d->Change->click();
    bool checked = false;
    QTimer::singleShot(0, [&] {
        frmEdit* e = d->editor();
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(QApplication::activeModalWidget(), e);
        EXPECT_EQ(e->MoveNum->text(), "1.");
        EXPECT_EQ(e->currentEdMove(), 1);
        EXPECT_EQ(e->FileName->text(), "File name : " + file);
        EXPECT_EQ(e->EventNm->text(), "");
        checked = true;
        e->close();
    });
    d->New->click();
    EXPECT_TRUE(checked);
    EXPECT_EQ(globals().TextBefore, kGames);
    EXPECT_EQ(globals().TextAfter, "");
    EXPECT_FALSE(d->editor()->isVisible());
}

// The whole dialog driven through its controls, as a user would: open the match panel, import a
// file, choose a game, store the match, change the colour and the times, and confirm.
TEST_F(ConfigDialog, DrivenFromOpeningToTheSettingsPanelsOK) {
    const std::string bundled = [] {
        QFile f(PW2_TEST_DATA "/../../data/default.pgn");
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return f.readAll().toStdString();
    }();
    writeFile("default.pgn", bundled);
    const QString other = writeFile("three.pgn", kGames);
    auto d = openDialog();
    d->show();
    EXPECT_EQ(d->Location->text(), box.path("default.pgn"));
    EXPECT_TRUE(d->Check1->isChecked());
    EXPECT_EQ(d->Picture1->BackColor(), 65280u);

    // "..." lists the bundled games.
    d->Change->click();
    EXPECT_TRUE(d->Frame3->isHidden());
    EXPECT_FALSE(d->Frame1->isHidden());
    EXPECT_EQ(d->width(), qRound(8250 * d->logicalDpiX() / 1440.0));
    EXPECT_EQ(d->listCount(), 30);
    EXPECT_TRUE(d->OK->isEnabled());

    // A cancelled import changes nothing but leaves OK disabled.
    d->Command1->click();
    EXPECT_FALSE(d->OK->isEnabled());
    EXPECT_EQ(d->listCount(), 30);
    ASSERT_EQ(scripted.dialogs->fileRequests.size(), 1u);
    const FileDialogRequest& request = scripted.dialogs->fileRequests[0];
    EXPECT_EQ(request.title, "Choose PGN file");
    EXPECT_EQ(request.filter, "PGN file (*.pgn);;Text file (*.txt);;Allfiles (*.*)");
    EXPECT_EQ(request.selectedFilter, "PGN file (*.pgn)");
    EXPECT_EQ(request.directory, appPath());
    EXPECT_FALSE(request.save);

    // Import another file and pick its second game.
    scripted.dialogs->files.push_back(other);
    d->Command1->click();
    EXPECT_EQ(d->CurrentFile, other);
    EXPECT_EQ(d->listCount(), 3);
    EXPECT_TRUE(d->OK->isEnabled());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    QTest::mouseClick(d->List1->viewport(), Qt::LeftButton, {},
                      d->List1->visualRect(d->List1->model()->index(1, 0)).center());
    EXPECT_EQ(d->listIndex(), 1);

    // A colour chosen now is discarded by the match panel's OK, which reloads the settings.
    scripted.dialogs->colours.push_back(0x0000FFu);
    d->Command3->click();
    EXPECT_EQ(d->Picture1->BackColor(), 0x0000FFu);
    d->OK->click();
    EXPECT_FALSE(d->Frame3->isHidden());
    EXPECT_EQ(d->Picture1->BackColor(), 65280u);
    EXPECT_EQ(d->Location->text(), other);
    auto& s = settings();
    EXPECT_EQ(s.read("PGNFile", ""), other);
    EXPECT_EQ(s.read("NumOfGames", ""), "3");
    EXPECT_EQ(s.read("FirstGame", ""), "2");
    EXPECT_EQ(s.count(setting::MatchBegin, 2), d->GameSpans[1].begin);
    EXPECT_EQ(s.count(setting::MatchEnd, 3), std::int64_t(kGames.size()) + 1);

    // The about box is modal, its options switch its panels.
    bool aboutSeen = false;
    QTimer::singleShot(0, [&] {
        auto* about = qobject_cast<frmAbout*>(QApplication::activeModalWidget());
        ASSERT_NE(about, nullptr);
        about->Option2->click();
        EXPECT_EQ(about->Panels->currentIndex(), 1);
        aboutSeen = true;
        about->accept();
    });
    d->Command2->click();
    EXPECT_TRUE(aboutSeen);

    // A cancelled colour dialog changes nothing; a confirmed one sets the swatch.
    d->Command3->click();
    EXPECT_EQ(d->Picture1->BackColor(), 65280u);
    scripted.dialogs->colours.push_back(0x123456u);
    d->Command3->click();
    d->Text1->clear();
    QTest::keyClicks(d->Text1, "1.5");
    d->Text2->clear();
    QTest::keyClicks(d->Text2, "x");
    d->Check1->click();
    d->random->click();
    // A time that is no number is refused; once corrected, everything is stored.
    d->OK2->click();
    EXPECT_TRUE(box.endRequests.empty());
    EXPECT_EQ(s.read("Timer", "unset"), "unset");
    ASSERT_EQ(box.messageTexts().size(), 1u);
    box.messages->shown.clear();
    QTest::keyClick(d->Text2, Qt::Key_Backspace);
    QTest::keyClicks(d->Text2, "30");
    d->OK2->click();

    EXPECT_EQ(box.endRequests.size(), 1u);
    EXPECT_EQ(s.read("TextColor", ""), QString::number(0x123456));
    EXPECT_EQ(s.read("Timer", ""), "1.5");
    EXPECT_EQ(s.read("Timer2", ""), "30");
    EXPECT_EQ(s.read("Movelist", ""), "0");
    EXPECT_EQ(s.read("Random", ""), "1");
    EXPECT_EQ(s.read("PGNFile", ""), other);
    EXPECT_TRUE(box.messageTexts().empty());
}

// OK on the settings panel stores a time only when it is a number of seconds the saver can wait:
// anything else is named with its field and the accepted range, and nothing is stored.
TEST_F(ConfigDialog, SettingsOKRefusesATimeThatIsNoNumberAboveZeroOrTooLong) {
    auto d = openQuietly();
    d->show();
    auto& s = settings();
    const char* const refused[] = {
        "",   " ",   "0",   "0.0",   "-1",     "abc",     "x2",
        "2s", "1 5", "1,5", "1.2.3", "0.0004", "86400.5", "99999999999999999999"};
    for (QLineEdit* box : {d->Text1, d->Text2}) {
        const QString field = box == d->Text1 ? "Time between moves" : "Time between games";
        QLineEdit* other = box == d->Text1 ? d->Text2 : d->Text1;
        other->setText("3");
        for (const char* text : refused) {
            this->box.messages->shown.clear();
            box->setText(text);
            d->OK2->click();
            ASSERT_EQ(this->box.messageTexts(),
                      std::vector<QString>{"\"" + field +
                                           "\" must be a number of seconds from 0.001 to 86400 "
                                           "(one day)."})
                << text;
            EXPECT_EQ(this->box.messages->shown[0].icon, MsgIcon::Critical);
            EXPECT_EQ(d->focusWidget(), box) << text;
            EXPECT_EQ(box->selectedText(), box->text());
        }
    }
    EXPECT_TRUE(box.endRequests.empty());
    EXPECT_TRUE(d->isVisible());
    for (const char* key : {"Timer", "Timer2", "TextColor", "Movelist", "Random"})
        EXPECT_EQ(s.read(key, "unset"), "unset") << key;

    // Decimals and the bounds are taken as typed, and the saver reads them as those numbers.
    const std::pair<const char*, std::int32_t> accepted[] = {
        {"0.5", 500}, {" 2 ", 2000}, {".25", 250}, {"7.", 7000}, {"0.001", 1}, {"86400", 86400000}};
    for (const auto& [text, interval] : accepted) {
        box.endRequests.clear();
        box.messages->shown.clear();
        d->show();
        d->Text1->setText(text);
        d->Text2->setText(text);
        d->OK2->click();
        EXPECT_TRUE(box.messageTexts().empty()) << text;
        EXPECT_EQ(box.endRequests.size(), 1u) << text;
        EXPECT_EQ(s.read("Timer", ""), text);
        EXPECT_EQ(s.read("Timer2", ""), text);
        EXPECT_EQ(secondsToInterval(s.number(setting::Timer)), interval) << text;
    }
}

// A PGN path that is no regular file is refused, with its reason, on every way the dialog reads
// one; the listed games and the file they come from stay as they were, and nothing waits or
// reads on and on (a FIFO without a writer, /dev/zero).
TEST_F(ConfigDialog, APathThatIsNoRegularFileIsRefusedOnEveryWayIn) {
    const QString listed = writeFile("listed.pgn", kGames);
    const QString folder = box.path("folder.pgn");
    ASSERT_TRUE(QDir().mkdir(folder));
    const QString fifo = box.path("fifo.pgn");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    auto d = openQuietly();
    const auto refusedWith = [&](const QString& path) {
        return std::vector<QString>{"The file \"" + path +
                                    "\" cannot be read: it is not a regular file"};
    };
    for (const QString& bad : {QString("/dev/zero"), folder, fifo}) {
        SCOPED_TRACE(bad.toStdString());
        d->CurrentFile = listed;
        d->GetGames(d->CurrentFile);
        const auto spans = d->GameSpans;
        box.messages->shown.clear();

        // "..." with the stored path, and PGN Import...
        settings().write("PGNFile", bad);
        d->Change->click();
        scripted.dialogs->files.push_back(bad);
        d->Command1->click();
        EXPECT_EQ(box.messageTexts(),
                  (std::vector<QString>{refusedWith(bad)[0], refusedWith(bad)[0]}));
        EXPECT_EQ(d->CurrentFile, listed);
        EXPECT_EQ(d->listCount(), 3);
        EXPECT_EQ(d->GameSpans, spans);

        // Edit Game and New Game on a listed file that became one (here a link to it).
        const QString moved = box.path("moved.pgn");
        ASSERT_TRUE(QFile::rename(listed, moved));
        ASSERT_TRUE(QFile::link(bad, listed));
        box.messages->shown.clear();
        globals().TextBefore = "kept";
        d->Edit->click();
        d->New->click();
        EXPECT_EQ(box.messageTexts(),
                  (std::vector<QString>{refusedWith(listed)[0], refusedWith(listed)[0]}));
        EXPECT_EQ(d->editor(), nullptr);
        EXPECT_EQ(globals().TextBefore, "kept");
        EXPECT_EQ(d->listCount(), 3);
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
        ASSERT_TRUE(QFile::remove(listed));
        ASSERT_TRUE(QFile::rename(moved, listed));
    }
}

TEST_F(ConfigDialog, ClosingTheWindowEndsTheProgramWithoutStoring) {
    auto d = openDialog();
    d->show();
    d->Text1->setText("99");
    d->close();
    EXPECT_EQ(box.endRequests.size(), 1u);
    EXPECT_EQ(settings().read("Timer", "unset"), "unset");
}

} // namespace
} // namespace pw2
