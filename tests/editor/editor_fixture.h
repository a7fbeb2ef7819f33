// What the editor and setup dialog tests share: the two windows' controls found by their
// objectNames, the setup dialog that opens the editor, with scripted message boxes and file
// dialogs, files read and written as bytes, and moves typed into the editor.
#pragma once

#include "editor/frm_edit.h"
#include "pgn/game_spans.h"
#include "setup/frm_config.h"
#include "support/doubles.h"
#include "support/scripted_dialogs.h"

#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace pw2::test {

inline std::string readBytes(const QString& path) {
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    return f.readAll().toStdString();
}

inline void writeBytes(const QString& path, std::string_view bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    ASSERT_EQ(f.write(bytes.data(), qint64(bytes.size())), qint64(bytes.size()));
}

// The text of each game of a file, by the program's game delimiting rule.
inline std::vector<std::string> gamesOf(std::string_view text) {
    std::vector<std::string> games;
    for (const pgn::GameSpan& span : pgn::findGameSpans(text))
        games.emplace_back(pgn::gameText(text, span));
    return games;
}

// A window's control by its objectName; a missing one fails the test.
template <class Control>
Control* control(const QWidget& window, const char* name) {
    auto* found = window.findChild<Control*>(QLatin1String(name));
    if (!found)
        throw std::runtime_error(std::string("no control named ") + name);
    return found;
}

// The setup dialog's controls.
struct ConfigView {
    explicit ConfigView(const frmConfig& d)
        : settingsPanel(control<QGroupBox>(d, "settingsPanel")),
          pgnFile(control<QLabel>(d, "pgnFileLabel")),
          chooseFile(control<QPushButton>(d, "chooseFileButton")),
          timePerMove(control<QLineEdit>(d, "timePerMoveEdit")),
          timePerGame(control<QLineEdit>(d, "timePerGameEdit")),
          textColour(control<ColourSwatch>(d, "textColourSwatch")),
          changeColour(control<QPushButton>(d, "changeColourButton")),
          showMoveList(control<QCheckBox>(d, "showMoveListCheck")),
          randomOrder(control<QCheckBox>(d, "randomOrderCheck")),
          fillScreen(control<QCheckBox>(d, "fillScreenCheck")),
          settingsOk(control<QPushButton>(d, "settingsOkButton")),
          about(control<QPushButton>(d, "aboutButton")),
          matchPanel(control<QGroupBox>(d, "matchPanel")),
          matchList(control<QListView>(d, "matchList")),
          firstMatch(control<QLabel>(d, "firstMatchLabel")),
          matchFilter(control<QLineEdit>(d, "matchFilterEdit")),
          description(control<QLabel>(d, "descriptionLabel")),
          editGame(control<QPushButton>(d, "editGameButton")),
          newGame(control<QPushButton>(d, "newGameButton")),
          importFile(control<QPushButton>(d, "importButton")),
          matchOk(control<QPushButton>(d, "matchOkButton")),
          matchCancel(control<QPushButton>(d, "matchCancelButton")) {}

    // Chooses row (0-based) of the match list as it is shown.
    void select(int row) const { matchList->setCurrentIndex(matchList->model()->index(row, 0)); }

    QGroupBox* settingsPanel;
    QLabel* pgnFile;
    QPushButton* chooseFile;
    QLineEdit* timePerMove;
    QLineEdit* timePerGame;
    ColourSwatch* textColour;
    QPushButton* changeColour;
    QCheckBox* showMoveList;
    QCheckBox* randomOrder;
    QCheckBox* fillScreen;
    QPushButton* settingsOk;
    QPushButton* about;
    QGroupBox* matchPanel;
    QListView* matchList;
    QLabel* firstMatch;
    QLineEdit* matchFilter;
    QLabel* description;
    QPushButton* editGame;
    QPushButton* newGame;
    QPushButton* importFile;
    QPushButton* matchOk;
    QPushButton* matchCancel;
};

// The editor's controls.
struct EditorView {
    explicit EditorView(const frmEdit& e)
        : gameInfo(control<QGroupBox>(e, "gameInfoPanel")),
          event(control<QLineEdit>(e, "eventEdit")), white(control<QLineEdit>(e, "whiteEdit")),
          black(control<QLineEdit>(e, "blackEdit")), date(control<QLineEdit>(e, "dateEdit")),
          site(control<QLineEdit>(e, "siteEdit")), moves(control<QGroupBox>(e, "movesPanel")),
          moveNumber(control<QLabel>(e, "moveNumberLabel")),
          whiteMove(control<QLineEdit>(e, "whiteMoveEdit")),
          blackMove(control<QLineEdit>(e, "blackMoveEdit")),
          update(control<QPushButton>(e, "updateButton")),
          newMove(control<QPushButton>(e, "newMoveButton")),
          moveList(control<QListWidget>(e, "moveList")),
          save(control<QPushButton>(e, "saveButton")),
          saveAs(control<QPushButton>(e, "saveAsButton")),
          finish(control<QPushButton>(e, "finishButton")),
          fileName(control<QLabel>(e, "fileNameLabel")) {}

    QGroupBox* gameInfo;
    QLineEdit* event;
    QLineEdit* white;
    QLineEdit* black;
    QLineEdit* date;
    QLineEdit* site;
    QGroupBox* moves;
    QLabel* moveNumber;
    QLineEdit* whiteMove;
    QLineEdit* blackMove;
    QPushButton* update;
    QPushButton* newMove;
    QListWidget* moveList;
    QPushButton* save;
    QPushButton* saveAs;
    QPushButton* finish;
    QLabel* fileName;
};

// Types one move number's two moves and presses Update.
inline void typeMove(const frmEdit& e, const QString& white, const QString& black) {
    const EditorView v(e);
    v.whiteMove->setText(white);
    v.blackMove->setText(black);
    v.update->click();
}

// The move list's lines.
inline std::vector<QString> lines(const frmEdit& e) {
    const QListWidget* list = EditorView(e).moveList;
    std::vector<QString> all;
    for (int i = 0; i < list->count(); ++i)
        all.push_back(list->item(i)->text());
    return all;
}

// The doubles and the ways into the editor, for a test fixture to inherit.
class EditorHarness {
public:
    // The setup dialog, its opening messages (no file is stored) forgotten.
    std::unique_ptr<frmConfig> openDialog() {
        auto d = std::make_unique<frmConfig>();
        box.messages->shown.clear();
        return d;
    }
    // Lists the games of file as PGN Import... does, with the file chosen in its dialog.
    void listFile(frmConfig& d, const QString& file) {
        scripted.dialogs->files.push_back(file);
        ConfigView(d).importFile->click();
    }
    // The editor that Edit Game opens on game row (0-based) of file.
    frmEdit* editGame(frmConfig& d, const QString& file, int row) {
        listFile(d, file);
        const ConfigView c(d);
        c.select(row);
        c.editGame->click();
        return d.editor();
    }
    // Runs body on the editor that New Game shows modally, and closes the editor when body left
    // it open, so that a failed expectation cannot leave the test waiting.
    void withNewGame(frmConfig& d, const std::function<void(frmEdit&)>& body) {
        bool ran = false;
        QTimer timer;
        timer.setSingleShot(true);
        QObject::connect(&timer, &QTimer::timeout, [&] {
            ran = true;
            frmEdit* e = d.editor();
            if (!e)
                return;
            body(*e);
            if (e->isVisible()) {
                e->hide();
                emit e->closed();
            }
        });
        timer.start(0);
        ConfigView(d).newGame->click();
        EXPECT_TRUE(ran);
    }
    // The texts of the message boxes shown so far, questions included.
    std::vector<QString> shown() const { return box.messageTexts(); }

    Sandbox box;
    ScriptedDialogsScope scripted;
};

class EditorTest : public ::testing::Test, public EditorHarness {};

} // namespace pw2::test
