#include "editor/editor_fixture.h"
#include "editor/frm_edit.h"
#include "services/app_path.h"
#include "services/match_table.h"
#include "services/settings_parse.h"
#include "setup/frm_about.h"
#include "setup/frm_config.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QProgressDialog>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <sys/stat.h>

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

// Games to find by their players, events, sites and dates.
const std::string kNamedGames =
    "[Event \"Wijk aan Zee\"]\n[Site \"Netherlands\"]\n[Date \"2013.01.20\"]\n"
    "[White \"Carlsen, Magnus\"]\n[Black \"Anand, Viswanathan\"]\n\n1.e4 e5 *\n\n"
    "[Event \"World Championship\"]\n[Site \"Chennai\"]\n[Date \"2013.11.22\"]\n"
    "[White \"Anand, Viswanathan\"]\n[Black \"Carlsen, Magnus\"]\n\n1.d4 d5 *\n\n"
    "[Event \"Casual\"]\n[Site \"London\"]\n[Date \"1851.06.21\"]\n[White \"Anderssen\"]\n"
    "[Black \"Kieseritzky\"]\n\n1.e4 e5 *\n\n"
    "[Event \"Tata Steel\"]\n[Site \"Wijk aan Zee\"]\n[Date \"2013.01.27\"]\n"
    "[Round \"13\"]\n[White \"Aronian\"]\n[Black \"Carlsen, Magnus\"]\n\n1.c4 e5 *\n";

// The game numbers the match list shows, in order (each row starts with "<n>- ").
std::vector<int> shownGames(const test::ConfigView& c) {
    std::vector<int> games;
    const QAbstractItemModel* model = c.matchList->model();
    for (int row = 0; row < model->rowCount(); ++row)
        games.push_back(model->index(row, 0).data().toString().section('-', 0, 0).toInt());
    return games;
}

// Counts the listing progress dialogs shown while it lives.
class ProgressWatch : public QObject {
public:
    ProgressWatch() { qApp->installEventFilter(this); }
    ~ProgressWatch() override { qApp->removeEventFilter(this); }
    int shown = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && qobject_cast<QProgressDialog*>(watched) &&
            watched->objectName() == "listingProgress")
            ++shown;
        return false;
    }
};

// A move list line: number, ". ", White left in 8 columns, Black right in 8.
std::string line(int n, const std::string& white, const std::string& black) {
    return std::to_string(n) + ". " + white + std::string(8 - white.size(), ' ') +
           std::string(8 - black.size(), ' ') + black;
}

class ConfigDialog : public test::EditorTest {
protected:
    QString writeFile(const QString& name, const std::string& bytes) {
        test::writeBytes(box.path(name), bytes);
        return box.path(name);
    }
    // Opens the dialog and keeps the opening step's messages.
    std::unique_ptr<frmConfig> openWithMessages(bool gameFileMissing = false) {
        return std::make_unique<frmConfig>(gameFileMissing);
    }
    // Saves the editor's game into a file of its own with Save As...; that file's bytes.
    std::string saveCopy(const frmEdit& e) {
        const QString copy = box.path("copy.pgn");
        QFile::remove(copy);
        scripted.dialogs->files = {copy};
        test::EditorView(e).saveAs->click();
        return QFile::exists(copy) ? test::readBytes(copy) : std::string();
    }
};

TEST_F(ConfigDialog, OpeningFallsBackToTheDefaultFileWithoutStoringIt) {
    writeFile("default.pgn", kGames);
    settings().write("PGNFile", "/nowhere/gone.pgn");
    auto d = openWithMessages();
    const test::ConfigView c(*d);
    EXPECT_EQ(box.messageTexts(), std::vector<QString>{kFileNotFound});
    EXPECT_EQ(box.messages->shown[0].icon, MsgIcon::Critical);
    EXPECT_EQ(c.pgnFile->text(), box.path("default.pgn"));
    EXPECT_EQ(settings().read("PGNFile", ""), "/nowhere/gone.pgn");
    EXPECT_EQ(d->windowTitle(), "Pawnwatch 2.0 Setup");
    EXPECT_FALSE(c.settingsPanel->isHidden());
    EXPECT_TRUE(c.matchPanel->isHidden());
    EXPECT_GE(d->width(), qRound(4230 * d->logicalDpiX() / 1440.0));
    // Shown, no label or check box of the panel is cut short, whatever the font.
    d->show();
    QCoreApplication::processEvents();
    for (const QLabel* label : c.settingsPanel->findChildren<QLabel*>()) {
        if (label->objectName() != "pgnFileLabel") {
            EXPECT_GE(label->width(), label->minimumSizeHint().width())
                << label->text().toStdString();
        }
    }
    for (const QCheckBox* box : c.settingsPanel->findChildren<QCheckBox*>())
        EXPECT_GE(box->width(), box->minimumSizeHint().width()) << box->text().toStdString();
}

TEST_F(ConfigDialog, OpeningWithoutAnyFileKeepsTheMissingPath) {
    settings().write("PGNFile", "/nowhere/gone.pgn");
    auto d = openWithMessages();
    EXPECT_EQ(box.messageTexts(), (std::vector<QString>{kFileNotFound, kDefaultNotFound}));
    EXPECT_EQ(test::ConfigView(*d).pgnFile->text(), "/nowhere/gone.pgn");
}

TEST_F(ConfigDialog, OpeningAfterTheSaverFoundNoFileShowsNoMessageAndLoadsTheRest) {
    auto& s = settings();
    s.write("Movelist", "0");
    s.write("TextColor", "255");
    s.write("Timer", "1.5");
    s.write("Timer2", "abc");
    s.write("Random", "1");
    s.write("FillScreen", "0");
    s.write("Commentary", "0");
    auto d = openWithMessages(true);
    const test::ConfigView c(*d);
    EXPECT_TRUE(box.messageTexts().empty());
    EXPECT_EQ(c.pgnFile->text(), "");
    EXPECT_FALSE(c.showMoveList->isChecked());
    EXPECT_EQ(c.textColour->colour(), 255u);
    EXPECT_EQ(c.timePerMove->text(), "1.5");
    EXPECT_EQ(c.timePerGame->text(), "abc");
    EXPECT_TRUE(c.randomOrder->isChecked());
    EXPECT_FALSE(c.fillScreen->isChecked());
    EXPECT_FALSE(test::control<QCheckBox>(*d, "commentaryCheck")->isChecked());
    for (const char* on :
         {"continueCheck", "fairShuffleCheck", "highlightMoveCheck", "gameSummaryCheck"})
        EXPECT_TRUE(test::control<QCheckBox>(*d, on)->isChecked()) << on; // on by default

    // Once the user stores a match, the settings panel shows its file.
    const QString games = writeFile("default.pgn", kGames);
    c.chooseFile->click();
    c.matchOk->click();
    EXPECT_EQ(settings().read("PGNFile", ""), games);
    EXPECT_EQ(c.pgnFile->text(), games);
}

TEST_F(ConfigDialog, ListingTrimsThePathAndKeepsEverythingForAMissingFile) {
    const QString games = writeFile("three.pgn", kGames);
    auto d = openDialog();
    const test::ConfigView c(*d);
    listFile(*d, "  " + games + "  ");
    EXPECT_EQ(d->currentFile(), games);
    ASSERT_EQ(d->listCount(), 3);
    EXPECT_EQ(d->gameSpans().size(), 3u);
    EXPECT_EQ(d->listIndex(), 0);
    EXPECT_TRUE(c.matchOk->isEnabled());
    EXPECT_EQ(c.description->text(), "1- [Event \"The \\\"Cup\\\"\"]\n[Site \"Here\"]\n"
                                     "[Date \"2001.01.01\"]\n[White \"W1\"]\n[Black \"B1\"]");
    EXPECT_EQ(c.matchList->model()->index(1, 0).data().toString(),
              "2- [Event \"Second\"] [White \"W2\"] [Black \"B2\"]");
    c.select(2);
    EXPECT_EQ(c.firstMatch->text(), "Match 3 will be played first");
    EXPECT_FALSE(c.firstMatch->isHidden());

    listFile(*d, "  " + box.path("missing.pgn") + " ");
    EXPECT_EQ(d->listCount(), 3);
    EXPECT_EQ(d->listIndex(), 2);
    EXPECT_EQ(d->gameSpans().size(), 3u);

    // A file without games empties the list and keeps the old spans; OK, which PGN Import...
    // disables, stays disabled.
    listFile(*d, writeFile("empty.pgn", "[event \"no\"]\n1.e4 *\n"));
    EXPECT_EQ(d->listCount(), 0);
    EXPECT_EQ(d->gameSpans().size(), 3u);
    EXPECT_FALSE(c.matchOk->isEnabled());
    EXPECT_TRUE(box.messageTexts().empty());
    c.editGame->click();
    EXPECT_EQ(
        box.messageTexts(),
        std::vector<QString>{"No games to edit. Please select \"New Game\" or \"PGN import\""});
    EXPECT_EQ(d->editor(), nullptr);
}

// The editor gets the game's tags and moves, and writes it back between the bytes before and
// after it.
TEST_F(ConfigDialog, EditGameHandsOverTheFirstMiddleAndLastGame) {
    writeFile("default.pgn", kGames);
    auto d = openDialog();
    const test::ConfigView c(*d);
    c.chooseFile->click();
    const auto& spans = d->gameSpans();
    ASSERT_EQ(spans.size(), 3u);

    c.editGame->click();
    frmEdit* e = d->editor();
    ASSERT_NE(e, nullptr);
    const test::EditorView v(*e);
    EXPECT_TRUE(e->isVisible());
    EXPECT_FALSE(e->isModal());
    EXPECT_EQ(v.event->text(), "The \"Cup\"");
    EXPECT_EQ(v.white->text(), "W1");
    EXPECT_EQ(v.black->text(), "B1");
    EXPECT_EQ(v.site->text(), "Here");
    EXPECT_EQ(v.date->text(), "2001.01.01");
    EXPECT_EQ(v.fileName->text(), "File name : " + box.path("default.pgn"));
    EXPECT_EQ(test::lines(*e),
              (std::vector<QString>{QString::fromStdString(line(1, "e4", "e5")),
                                    QString::fromStdString(line(2, "Nf3", "Nc6") + " 1-0")}));
    EXPECT_EQ(v.moveNumber->text(), "3.");
    const std::string after = kGames.substr(std::size_t(spans[0].end - 1));
    EXPECT_TRUE(after.starts_with("\n[Event \"Second\""));
    // Saved unchanged, the game and the bytes around it are the file's own.
    EXPECT_EQ(saveCopy(*e), kGames);
    EXPECT_TRUE(box.messageTexts().empty());

    c.select(1);
    c.editGame->click();
    EXPECT_EQ(d->editor(), e); // one editor window, refilled
    EXPECT_EQ(v.event->text(), "Second");
    EXPECT_EQ(v.site->text(), "");
    EXPECT_EQ(v.date->text(), "");
    EXPECT_EQ(test::lines(*e),
              (std::vector<QString>{QString::fromStdString(line(1, "d4", "d5")),
                                    QString::fromStdString(line(2, "c4", "0-1"))}));
    EXPECT_EQ(v.moveNumber->text(), "3.");
    EXPECT_EQ(saveCopy(*e), kGames);

    c.select(2);
    box.messages->shown.clear();
    c.editGame->click();
    EXPECT_EQ(v.white->text(), "W3");
    EXPECT_EQ(test::lines(*e),
              std::vector<QString>{QString::fromStdString(line(1, "c4", "e5") + " *")});
    EXPECT_EQ(saveCopy(*e), kGames);
    EXPECT_TRUE(box.messageTexts().empty());
}

TEST_F(ConfigDialog, EditGameOnAGameThatFailsTheCheckStillOpensTheEditor) {
    const QString file =
        writeFile("bad.pgn", "[Event \"Bad\"]\n[Black \"b\"]\n\n1.e4 {open e5 *\n");
    auto d = openDialog();
    listFile(*d, file);
    test::ConfigView(*d).editGame->click();
    ASSERT_EQ(box.messages->shown.size(), 1u);
    EXPECT_EQ(box.messages->shown[0].icon, MsgIcon::Critical);
    frmEdit* e = d->editor();
    ASSERT_NE(e, nullptr);
    const test::EditorView v(*e);
    EXPECT_EQ(v.event->text(), "Bad");
    EXPECT_EQ(v.moveList->count(), 0);
    EXPECT_EQ(v.moveNumber->text(), "1.");
    // It has no moves to save.
    box.messages->shown.clear();
    EXPECT_EQ(saveCopy(*e), "");
    EXPECT_EQ(box.messageTexts(),
              std::vector<QString>{"There are no moves in this game, it can't be saved"});
}

TEST_F(ConfigDialog, AFileDeletedSinceItWasListedIsReportedAndOpensNoEditor) {
    const QString file = writeFile("gone.pgn", kGames);
    auto d = openDialog();
    const test::ConfigView c(*d);
    listFile(*d, file);
    ASSERT_TRUE(QFile::remove(file));

    c.editGame->click();
    c.newGame->click();
    ASSERT_EQ(box.messages->shown.size(), 2u);
    for (const auto& m : box.messages->shown) {
        EXPECT_EQ(m.icon, MsgIcon::Critical);
        EXPECT_TRUE(m.text.contains(file)) << m.text.toStdString();
        EXPECT_TRUE(m.text.contains("No such file or directory")) << m.text.toStdString();
    }
    EXPECT_EQ(d->editor(), nullptr);
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
    auto d = openDialog();
    listFile(*d, listed);
    listFile(*d, locked);
    ASSERT_EQ(box.messages->shown.size(), 1u);
    EXPECT_TRUE(box.messages->shown[0].text.contains(locked));
    EXPECT_EQ(d->currentFile(), listed);
    EXPECT_EQ(d->listCount(), 3);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(ConfigDialog, NewGameOpensTheEditorModallyAfterTheWholeFile) {
    const QString file = writeFile("default.pgn", kGames);
    auto d = openDialog();
    test::ConfigView(*d).chooseFile->click();
    bool checked = false;
    withNewGame(*d, [&](frmEdit& e) {
        const test::EditorView v(e);
        EXPECT_EQ(QApplication::activeModalWidget(), &e);
        EXPECT_EQ(v.moveNumber->text(), "1.");
        EXPECT_EQ(v.fileName->text(), "File name : " + file);
        EXPECT_EQ(v.event->text(), "");
        test::typeMove(e, "e4", "e5");
        // After the file's last line and one empty line.
        EXPECT_EQ(saveCopy(e), kGames + "\n\n[Event \"\"]\n[Site \"\"]\n[Date \"\"]\n[White \"\"]\n"
                                        "[Black \"\"]\n\n1. e4 e5\n");
        checked = true;
        e.close();
    });
    EXPECT_TRUE(checked);
    EXPECT_FALSE(d->editor()->isVisible());
}

// When the editor finishes with a file whose games cannot be listed, the list and its file stay
// together: OK stores the listed file's games under that file's own name.
TEST_F(ConfigDialog, AnEditorFinishingOnAFileThatCannotBeListedKeepsTheListAndItsFile) {
    const QString games = writeFile("default.pgn", kGames);
    auto d = openDialog();
    const test::ConfigView c(*d);
    c.chooseFile->click();
    withNewGame(*d, [&](frmEdit& e) {
        emit e.finished(box.path("gone.pgn")); // saved elsewhere, and gone since
    });
    c.matchOk->click();
    EXPECT_EQ(settings().read("PGNFile", ""), games);
    EXPECT_EQ(StoredMatch::read(settings())->pgnFile(), games);
    EXPECT_EQ(settings().read("NumOfGames", ""), "3");
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
    auto d = openWithMessages();
    const test::ConfigView c(*d);
    d->show();
    EXPECT_TRUE(box.messageTexts().empty());
    EXPECT_EQ(c.pgnFile->text(), box.path("default.pgn"));
    EXPECT_TRUE(c.showMoveList->isChecked());
    EXPECT_TRUE(c.fillScreen->isChecked()); // on unless the user turned it off
    EXPECT_EQ(c.textColour->colour(), 65280u);

    // "..." lists the bundled games.
    c.chooseFile->click();
    EXPECT_TRUE(c.settingsPanel->isHidden());
    EXPECT_FALSE(c.matchPanel->isHidden());
    EXPECT_GE(d->width(), qRound(8250 * d->logicalDpiX() / 1440.0));
    EXPECT_EQ(d->listCount(), 30);
    EXPECT_TRUE(c.matchOk->isEnabled());

    // A cancelled import changes nothing but leaves OK disabled.
    c.importFile->click();
    EXPECT_FALSE(c.matchOk->isEnabled());
    EXPECT_EQ(d->listCount(), 30);
    ASSERT_EQ(scripted.dialogs->fileRequests.size(), 1u);
    const FileDialogRequest& request = scripted.dialogs->fileRequests[0];
    EXPECT_EQ(request.title, "Choose PGN file");
    EXPECT_TRUE(request.filter.endsWith(";;PGN file (*.pgn);;Text file (*.txt);;Allfiles (*.*)"))
        << request.filter.toStdString();
    EXPECT_TRUE(request.selectedFilter.startsWith("PGN collections (*.pgn *.pgn.gz"));
    EXPECT_EQ(request.directory, appPath());
    EXPECT_FALSE(request.save);

    // Import another file and pick its second game.
    scripted.dialogs->files.push_back(other);
    c.importFile->click();
    EXPECT_EQ(d->currentFile(), other);
    EXPECT_EQ(d->listCount(), 3);
    EXPECT_TRUE(c.matchOk->isEnabled());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    QTest::mouseClick(c.matchList->viewport(), Qt::LeftButton, {},
                      c.matchList->visualRect(c.matchList->model()->index(1, 0)).center());
    EXPECT_EQ(d->listIndex(), 1);

    // A colour chosen and a time typed before the visit stay, unconfirmed, after the match
    // panel's OK: it changes only the file shown.
    scripted.dialogs->colours.push_back(0x0000FFu);
    c.changeColour->click();
    EXPECT_EQ(c.textColour->colour(), 0x0000FFu);
    c.timePerMove->setText("7.5");
    c.matchOk->click();
    EXPECT_FALSE(c.settingsPanel->isHidden());
    EXPECT_EQ(c.textColour->colour(), 0x0000FFu);
    EXPECT_EQ(c.timePerMove->text(), "7.5");
    EXPECT_NE(settings().read("Timer", ""), "7.5");
    EXPECT_EQ(c.pgnFile->text(), other);
    auto& s = settings();
    EXPECT_EQ(s.read("PGNFile", ""), other);
    EXPECT_EQ(s.read("NumOfGames", ""), "3");
    EXPECT_EQ(s.read("FirstGame", ""), "2");
    const std::optional<StoredMatch> match = StoredMatch::read(s);
    ASSERT_TRUE(match);
    EXPECT_EQ(match->range(2).begin, d->gameSpans()[1].begin);
    EXPECT_EQ(match->range(3).end, std::int64_t(kGames.size()) + 1);

    // The about box is modal, its options switch its panels.
    bool aboutSeen = false;
    QTimer::singleShot(0, [&] {
        auto* about = qobject_cast<frmAbout*>(QApplication::activeModalWidget());
        ASSERT_NE(about, nullptr);
        const auto* pages = test::control<QStackedWidget>(*about, "aboutPages");
        EXPECT_EQ(pages->currentIndex(), 0);
        test::control<QRadioButton>(*about, "saverOption")->click();
        EXPECT_EQ(pages->currentIndex(), 1);
        test::control<QRadioButton>(*about, "versionOption")->click();
        EXPECT_EQ(pages->currentIndex(), 2);
        test::control<QRadioButton>(*about, "programOption")->click();
        EXPECT_EQ(pages->currentIndex(), 0);
        aboutSeen = true;
        about->accept();
    });
    c.about->click();
    EXPECT_TRUE(aboutSeen);

    // A cancelled colour dialog changes nothing; a confirmed one sets the swatch.
    c.changeColour->click();
    EXPECT_EQ(c.textColour->colour(), 0x0000FFu);
    scripted.dialogs->colours.push_back(0x123456u);
    c.changeColour->click();
    c.timePerMove->clear();
    QTest::keyClicks(c.timePerMove, "1.5");
    c.timePerGame->clear();
    QTest::keyClicks(c.timePerGame, "x");
    c.showMoveList->click();
    c.randomOrder->click();
    c.fillScreen->click();
    test::control<QCheckBox>(*d, "highlightMoveCheck")->click();
    // A time that is no number is refused; once corrected, everything is stored.
    c.settingsOk->click();
    EXPECT_TRUE(box.endRequests.empty());
    EXPECT_EQ(s.read("Timer", "unset"), "unset");
    ASSERT_EQ(box.messageTexts().size(), 1u);
    box.messages->shown.clear();
    QTest::keyClick(c.timePerGame, Qt::Key_Backspace);
    QTest::keyClicks(c.timePerGame, "30");
    c.settingsOk->click();

    EXPECT_EQ(box.endRequests.size(), 1u);
    EXPECT_EQ(s.read("TextColor", ""), QString::number(0x123456));
    EXPECT_EQ(s.read("Timer", ""), "1.5");
    EXPECT_EQ(s.read("Timer2", ""), "30");
    EXPECT_EQ(s.read("Movelist", ""), "0");
    EXPECT_EQ(s.read("Random", ""), "1");
    EXPECT_EQ(s.read("FillScreen", ""), "0");
    EXPECT_EQ(s.read("HighlightMove", ""), "0");
    EXPECT_EQ(s.read("Continue", ""), "1");
    EXPECT_EQ(s.read("PGNFile", ""), other);
    EXPECT_TRUE(box.messageTexts().empty());
}

// OK on the settings panel stores a time only when it is a number of seconds the saver can wait:
// anything else is named with its field and the accepted range, and nothing is stored.
TEST_F(ConfigDialog, SettingsOKRefusesATimeThatIsNoNumberAboveZeroOrTooLong) {
    auto d = openDialog();
    const test::ConfigView c(*d);
    d->show();
    auto& s = settings();
    const char* const refused[] = {
        "",   " ",   "0",   "0.0",   "-1",     "abc",     "x2",
        "2s", "1 5", "1,5", "1.2.3", "0.0004", "86400.5", "99999999999999999999"};
    for (QLineEdit* box : {c.timePerMove, c.timePerGame}) {
        const QString field = box == c.timePerMove ? "Time between moves" : "Time between games";
        QLineEdit* other = box == c.timePerMove ? c.timePerGame : c.timePerMove;
        other->setText("3");
        for (const char* text : refused) {
            this->box.messages->shown.clear();
            box->setText(text);
            c.settingsOk->click();
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
        c.timePerMove->setText(text);
        c.timePerGame->setText(text);
        c.settingsOk->click();
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
    auto d = openDialog();
    const test::ConfigView c(*d);
    const auto refusedWith = [&](const QString& path) {
        return std::vector<QString>{"The file \"" + path +
                                    "\" cannot be read: it is not a regular file"};
    };
    for (const QString& bad : {QString("/dev/zero"), folder, fifo}) {
        SCOPED_TRACE(bad.toStdString());
        listFile(*d, listed);
        const auto spans = d->gameSpans();
        box.messages->shown.clear();

        // "..." with the stored path, and PGN Import...
        settings().write("PGNFile", bad);
        c.chooseFile->click();
        scripted.dialogs->files.push_back(bad);
        c.importFile->click();
        EXPECT_EQ(box.messageTexts(),
                  (std::vector<QString>{refusedWith(bad)[0], refusedWith(bad)[0]}));
        EXPECT_EQ(d->currentFile(), listed);
        EXPECT_EQ(d->listCount(), 3);
        EXPECT_EQ(d->gameSpans(), spans);

        // Edit Game and New Game on a listed file that became one (here a link to it).
        const QString moved = box.path("moved.pgn");
        ASSERT_TRUE(QFile::rename(listed, moved));
        ASSERT_TRUE(QFile::link(bad, listed));
        box.messages->shown.clear();
        c.editGame->click();
        c.newGame->click();
        EXPECT_EQ(box.messageTexts(),
                  (std::vector<QString>{refusedWith(listed)[0], refusedWith(listed)[0]}));
        EXPECT_EQ(d->editor(), nullptr);
        EXPECT_EQ(d->listCount(), 3);
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
        ASSERT_TRUE(QFile::remove(listed));
        ASSERT_TRUE(QFile::rename(moved, listed));
    }
}

// Each word typed narrows the list to the games whose White, Black, Event, Site or Date holds
// it, in any case; the rows keep their games' numbers, and a row picked there is the game Edit
// Game opens and OK stores as the first.
TEST_F(ConfigDialog, TheFilterFindsGamesByWordsOfTheirTagsAndKeepsTheirNumbers) {
    auto d = openDialog();
    const test::ConfigView c(*d);
    listFile(*d, writeFile("named.pgn", kNamedGames));
    EXPECT_FALSE(c.matchFilter->placeholderText().isEmpty());
    using Games = std::vector<int>;
    QTest::keyClicks(c.matchFilter, "CarlSEN");
    EXPECT_EQ(shownGames(c), (Games{1, 2, 4}));
    QTest::keyClicks(c.matchFilter, " 2013.01");
    EXPECT_EQ(shownGames(c), (Games{1, 4}));
    QTest::keyClicks(c.matchFilter, "  wijk");
    EXPECT_EQ(shownGames(c), (Games{1, 4})); // one game's Event, the other's Site
    QTest::keyClick(c.matchFilter, Qt::Key_Backspace);
    QTest::keyClicks(c.matchFilter, "kx");
    EXPECT_EQ(shownGames(c), Games{});
    const std::pair<const char*, Games> found[] = {
        {"magnus chennai", {2}},   {"anand carlsen", {1, 2}}, {"1851 LONDON", {3}},
        {"13", {1, 2, 4}},         {"aronian 13", {4}},       {"event", {}},
        {"\tsteel\n  tata ", {4}}, {"carlsen,", {1, 2, 4}},   {"an", {1, 2, 3, 4}},
        {"magnuscarlsen", {}},     {"zee netherlands", {1}},
    };
    for (const auto& [words, games] : found) {
        c.matchFilter->setText(words);
        EXPECT_EQ(shownGames(c), games) << words;
    }

    // The rows show the games' own entries and numbers.
    c.matchFilter->setText("chennai");
    ASSERT_EQ(c.matchList->model()->rowCount(), 1);
    EXPECT_EQ(c.matchList->model()->index(0, 0).data().toString(),
              "2- [Event \"World Championship\"] [Site \"Chennai\"] [Date \"2013.11.22\"] "
              "[White \"Anand, Viswanathan\"] [Black \"Carlsen, Magnus\"]");
    c.select(0);
    EXPECT_EQ(d->listIndex(), 1);
    EXPECT_EQ(c.firstMatch->text(), "Match 2 will be played first");
    EXPECT_TRUE(c.description->text().startsWith("2- [Event \"World Championship\"]"));
    c.editGame->click();
    ASSERT_NE(d->editor(), nullptr);
    EXPECT_EQ(test::EditorView(*d->editor()).white->text(), "Anand, Viswanathan");
    d->editor()->hide();

    // Clearing the box shows every game again, the chosen one still chosen.
    c.matchFilter->clear();
    EXPECT_EQ(shownGames(c), (Games{1, 2, 3, 4}));
    EXPECT_EQ(c.matchList->currentIndex().row(), 1);
    EXPECT_TRUE(c.matchList->selectionModel()->isSelected(c.matchList->currentIndex()));
    // A filter that hides the chosen game leaves it chosen.
    c.matchFilter->setText("london");
    EXPECT_EQ(shownGames(c), Games{3});
    EXPECT_EQ(d->listIndex(), 1);
    EXPECT_EQ(c.firstMatch->text(), "Match 2 will be played first");

    c.matchFilter->setText("tata");
    c.select(0);
    EXPECT_EQ(c.firstMatch->text(), "Match 4 will be played first");
    c.matchOk->click();
    EXPECT_EQ(settings().read("FirstGame", ""), "4");
    EXPECT_EQ(settings().read("NumOfGames", ""), "4");

    // A file listed anew is shown whole, its first game chosen.
    c.chooseFile->click();
    listFile(*d, box.path("named.pgn"));
    EXPECT_EQ(c.matchFilter->text(), "");
    EXPECT_EQ(shownGames(c), (Games{1, 2, 3, 4}));
    EXPECT_EQ(d->listIndex(), 0);
}

// A listing that takes a while shows its progress; cancelling it, on each way into a listing,
// keeps the games and the file listed before, whether the list waited in memory or in a file.
TEST_F(ConfigDialog, CancellingASlowListingKeepsTheListedGamesAndFile) {
    const QString listed = writeFile("listed.pgn", kGames);
    std::string many;
    for (int i = 0; i < 50; ++i)
        many += kNamedGames + "\n";
    const QString big = writeFile("big.pgn", many);
    for (const std::size_t setAside : {std::size_t(1) << 30, std::size_t(0)}) {
        SCOPED_TRACE(setAside);
        settings().remove("PGNFile");
        auto d = openDialog();
        const test::ConfigView c(*d);
        listFile(*d, listed);
        c.select(2);
        const auto spans = d->gameSpans();

        d->setListingPace({std::chrono::milliseconds(0), 512, setAside});
        QString progressText;
        int rowsWhileListing = -1;
        const auto cancelWhenShown = [&] {
            QTimer::singleShot(0, d.get(), [&] {
                rowsWhileListing = c.matchList->model()->rowCount();
                auto* progress = d->findChild<QProgressDialog*>("listingProgress");
                ASSERT_NE(progress, nullptr);
                EXPECT_TRUE(progress->isVisible());
                EXPECT_TRUE(progress->isModal());
                progressText = progress->labelText();
                progress->cancel();
            });
        };
        const auto expectListedKept = [&] {
            EXPECT_EQ(d->currentFile(), listed);
            EXPECT_EQ(d->listCount(), 3);
            EXPECT_EQ(c.matchList->model()->rowCount(), 3);
            EXPECT_EQ(d->gameSpans(), spans);
            EXPECT_EQ(d->listIndex(), 2);
            EXPECT_EQ(c.firstMatch->text(), "Match 3 will be played first");
            EXPECT_EQ(c.matchList->currentIndex().row(), 2);
            EXPECT_TRUE(box.messageTexts().empty());
            EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
            EXPECT_EQ(d->findChild<QProgressDialog*>("listingProgress"), nullptr);
        };
        cancelWhenShown();
        listFile(*d, big);
        expectListedKept();
        // The list waited in a file, or in memory, shown.
        EXPECT_EQ(rowsWhileListing, setAside == 0 ? 0 : 3);
        EXPECT_TRUE(progressText.contains("big.pgn")) << progressText.toStdString();
        EXPECT_TRUE(progressText.contains("games")) << progressText.toStdString();

        settings().write("PGNFile", big);
        cancelWhenShown();
        c.chooseFile->click();
        expectListedKept();

        // Left to run, the same listing lists every game.
        ProgressWatch watch;
        listFile(*d, big);
        EXPECT_GE(watch.shown, 1);
        EXPECT_EQ(d->currentFile(), big);
        EXPECT_EQ(d->listCount(), 200);
        EXPECT_EQ(d->gameSpans(), pgn::findGameSpans(many));
    }
}

TEST_F(ConfigDialog, OnlyASlowListingShowsItsProgress) {
    const QString file = writeFile("named.pgn", kNamedGames);
    auto d = openDialog();
    ProgressWatch watch;
    listFile(*d, file);
    EXPECT_EQ(watch.shown, 0);
    EXPECT_EQ(d->listCount(), 4);
    d->setListingPace({std::chrono::milliseconds(0), 64});
    listFile(*d, file);
    EXPECT_EQ(watch.shown, 1);
    EXPECT_EQ(d->listCount(), 4);
    EXPECT_EQ(d->findChild<QProgressDialog*>("listingProgress"), nullptr);
}

TEST_F(ConfigDialog, ClosingTheWindowEndsTheProgramWithoutStoring) {
    auto d = openDialog();
    d->show();
    test::ConfigView(*d).timePerMove->setText("99");
    d->close();
    EXPECT_EQ(box.endRequests.size(), 1u);
    EXPECT_EQ(settings().read("Timer", "unset"), "unset");
}

// The board's colours and pieces: the stored choice is shown, the preview follows each choice
// (a light square's colour, and the black pawns red or black), and OK stores it; a stored value
// without a choice shows the designed look.
TEST_F(ConfigDialog, BoardThemeAndPieceSetAreChosenWithAPreview) {
    settings().write("BoardTheme", "7");
    settings().write("PieceSet", "1");
    auto d = openDialog();
    d->show();
    auto* theme = d->findChild<QComboBox*>("boardThemeCombo");
    auto* pieces = d->findChild<QComboBox*>("pieceSetCombo");
    auto* preview = d->findChild<QWidget*>("previewBoard");
    ASSERT_TRUE(theme && pieces && preview);
    EXPECT_EQ(theme->currentText(), "Designed");
    EXPECT_EQ(pieces->currentText(), "Classic");

    const auto look = [&] {
        const QImage image = preview->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const double pitch = 37 * preview->width() / 296.0;
        int red = 0;
        for (int y = int(pitch * 1.1); y < int(pitch * 1.9); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QRgb p = image.pixel(x, y);
                red += qRed(p) > qGreen(p) + 80 && qRed(p) > qBlue(p) + 80;
            }
        return std::pair{image.pixel(int(pitch * 0.5), int(pitch * 2.5)), red > 10};
    };
    EXPECT_EQ(look(), std::pair(qRgb(0xF0, 0xD9, 0xB5), false));
    const struct {
        const char *theme, *pieces;
        QRgb light;
        bool red;
    } choices[] = {{"Green", "Designed", qRgb(0xEE, 0xEE, 0xD2), true},
                   {"Blue", "Classic", qRgb(0xDE, 0xE3, 0xE6), false},
                   {"Grey", "Designed", qRgb(0xDC, 0xDC, 0xDC), true}};
    for (const auto& c : choices) {
        theme->setCurrentText(c.theme);
        pieces->setCurrentText(c.pieces);
        EXPECT_EQ(look(), std::pair(c.light, c.red)) << c.theme << " " << c.pieces;
    }
    test::ConfigView(*d).settingsOk->click();
    EXPECT_EQ(settings().read("BoardTheme", ""), "3");
    EXPECT_EQ(settings().read("PieceSet", ""), "0");
}

} // namespace
} // namespace pw2
