// The setup dialog: the settings panel (pauses, text colour, move list, random order) and the match
// panel (the PGN file, its games, the game to play first, the editor). Closing it in any way ends
// the program; its two OK buttons store what the user chose first.
//
// Its controls, by objectName. The "settingsPanel": "pgnFileLabel" (the stored file) with
// "chooseFileButton" ("...", which opens the match panel), "timePerMoveEdit", "timePerGameEdit",
// "textColourSwatch" with "changeColourButton", "showMoveListCheck", "randomOrderCheck",
// "settingsOkButton" and "aboutButton". The "matchPanel": the "matchList", "firstMatchLabel",
// "descriptionLabel" (the chosen game's tags), "editGameButton", "newGameButton", "importButton",
// "matchOkButton" and "matchCancelButton".
#pragma once

#include "editor/frm_edit.h"
#include "pgn/game_spans.h"
#include "services/common_dialog.h"

#include <QFrame>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListView;
class QPushButton;

namespace pw2 {

class GameListModel;

// A box filled with a colour (0x00BBGGRR).
class ColourSwatch final : public QFrame {
public:
    explicit ColourSwatch(QWidget* parent = nullptr);
    std::uint32_t colour() const { return colour_; }
    void setColour(std::uint32_t bgr);

private:
    std::uint32_t colour_ = 0;
};

class frmConfig : public QWidget {
    Q_OBJECT
public:
    // gameFileMissing: the saver found neither the stored nor the bundled game file. The settings
    // panel then shows no file and reports nothing missing, until a match is stored.
    explicit frmConfig(bool gameFileMissing = false, QWidget* parent = nullptr);
    ~frmConfig() override;

    // The file whose games the match list shows, and where those games lie in it, one span per
    // entry in list order (a file without games empties the list and keeps the spans).
    const QString& currentFile() const { return currentFile_; }
    const std::vector<pgn::GameSpan>& gameSpans() const { return gameSpans_; }
    // The match list: its number of entries and the chosen entry (-1 when none).
    int listCount() const;
    int listIndex() const;
    // The editor window, once New Game or Edit Game opened it.
    frmEdit* editor() const { return editor_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    enum class Listing { Listed, NoFile, Unreadable };

    void buildSettingsPanel();
    void buildMatchPanel();
    void connectButtons();
    void centreOnScreen();

    // Loads every control of the settings panel from the settings store.
    void loadSettings();
    // Checks the two times and stores the settings panel, then closes (ending the program).
    void storeSettings();
    void chooseTextColour();
    void showAbout();

    // "...": the match panel with the stored file's games.
    void openMatchPanel();
    void closeMatchPanel();
    // PGN Import...: lists the games of a file the user chooses.
    void importFile();
    // OK: stores the listed file, its games and the chosen first game as the match to play.
    void storeMatch();
    void describeChosenGame();
    void newGame();
    void editGame();

    // Lists the games of the file at path, which receives the path without the spaces around
    // it. A path naming nothing changes nothing; a file that cannot be read, and anything that is
    // not a regular file (a folder, a device, a pipe), is reported and changes nothing.
    Listing listGames(QString& path);
    // Lists the games of bytes, a file's whole text, and chooses the first.
    void listText(std::string bytes);
    // Reads the whole file at path, reporting a failure; false when it could not be read.
    bool readFile(const QString& path, std::string& bytes);
    void chooseRow(int row);
    void showPanel(bool matchPanel);
    int twipsToPixels(int twips) const;
    QString defaultFile() const;
    frmEdit* openEditor();
    // True when the editor may take another game: it is closed, or its game is saved, or the
    // user gives up the changes when asked as the editor's own closing asks (the editor closes).
    bool editorMayBeRefilled();

    bool gameFileMissing_; // until a match is stored
    QString currentFile_;
    std::vector<pgn::GameSpan> gameSpans_;
    // The open-file and colour dialogs.
    CommonDialog fileDialog_;
    GameListModel* model_;
    QPointer<frmEdit> editor_;

    // The settings panel.
    QGroupBox* settingsPanel_;
    QPushButton* chooseFileButton_;
    QLabel* pgnFileLabel_;
    QLabel* timePerMoveLabel_;
    QLineEdit* timePerMoveEdit_;
    QLabel* timePerGameLabel_;
    QLineEdit* timePerGameEdit_;
    ColourSwatch* textColourSwatch_;
    QPushButton* changeColourButton_;
    QCheckBox* showMoveListCheck_;
    QCheckBox* randomOrderCheck_;
    QCheckBox* fillScreenCheck_;
    QPushButton* settingsOkButton_;
    QPushButton* aboutButton_;

    // The match panel.
    QGroupBox* matchPanel_;
    QListView* matchList_;
    QLabel* firstMatchLabel_;
    QLabel* descriptionLabel_;
    QPushButton* importButton_;
    QPushButton* matchOkButton_;
    QPushButton* matchCancelButton_;
    QPushButton* editGameButton_;
    QPushButton* newGameButton_;
};

// Shows the program's one setup dialog without waiting for it. gameFileMissing is passed to the
// dialog when this call creates it.
frmConfig* showConfigDialog(bool gameFileMissing = false);

} // namespace pw2
