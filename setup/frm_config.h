// The setup dialog: the settings panel (pauses, text colour, move list, random order) and the match
// panel (the PGN file, its games, the game to play first, the editor). Closing it in any way ends
// the program; its two OK buttons store what the user chose first.
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

class GameIndex;
class GameListModel;

// A box filled with its back colour (0x00BBGGRR).
class ColourSwatch final : public QFrame {
public:
    explicit ColourSwatch(QWidget* parent = nullptr);
    std::uint32_t BackColor() const { return colour_; }
    void setBackColor(std::uint32_t bgr);

private:
    std::uint32_t colour_ = 0;
};

class frmConfig : public QWidget {
    Q_OBJECT
public:
    explicit frmConfig(QWidget* parent = nullptr);
    ~frmConfig() override;

    // Lists the games of the file at path in List1 and records where they lie in GameSpans.
    // Leading and trailing spaces are removed from path, which receives the trimmed path. A path
    // naming nothing changes nothing; a file that cannot be read, and anything that is not a
    // regular file (a folder, a device, a pipe), is reported and changes nothing; a file without
    // games empties the list and keeps GameSpans.
    void GetGames(QString& path);

    // The file whose games the list shows.
    QString CurrentFile;
    // Where the listed games lie, one span per entry, in list order.
    std::vector<pgn::GameSpan> GameSpans;
    // The common dialog for files and colours (the editor uses it to save).
    CommonDialog File;

    // The settings panel.
    QGroupBox* Frame3;
    QLabel* Label6;
    QPushButton* Change;
    QLabel* Location;
    QLabel* Label3;
    QLineEdit* Text1;
    QLabel* Label4;
    QLabel* Label7;
    QLineEdit* Text2;
    QLabel* Label8;
    QLabel* Label5;
    ColourSwatch* Picture1;
    QPushButton* Command3;
    QCheckBox* Check1;
    QCheckBox* random;
    QPushButton* OK2;
    QPushButton* Command2;

    // The match panel.
    QGroupBox* Frame1;
    QLabel* Label1;
    QListView* List1;
    QLabel* Match;
    QGroupBox* Frame2;
    QLabel* Label2;
    QPushButton* Command1;
    QPushButton* OK;
    QPushButton* Cancel;
    QPushButton* Edit;
    QPushButton* New;

    // The match list: its number of entries, the selected entry (-1 when none) and the index
    // behind it (null before the first file with games).
    int listCount() const;
    int listIndex() const;
    const GameIndex* gameIndex() const;
    // The editor window, once New Game or Edit Game opened it.
    frmEdit* editor() const { return editor_; }

    // Loads every control of the settings panel from the settings store.
    void Form_Load();
    void Change_Click();
    void Cancel_Click();
    void OK_Click();
    void Command1_Click();
    void New_Click();
    void Edit_Click();
    void List1_Click();
    void Command3_Click();
    void Command2_Click();
    void OK2_Click();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    enum class Listing { Listed, NoFile, Unreadable };

    Listing listGames(QString& path);
    // Lists the games of bytes, a file's whole text, and chooses the first.
    void listText(std::string bytes);
    // Reads the whole file at path, reporting a failure; false when it could not be read.
    bool readFile(const QString& path, std::string& bytes);
    void showPanel(bool matchPanel);
    int twipsToPixels(int twips) const;
    QString defaultFile() const;
    frmEdit* openEditor();
    // True when the editor may take another game: it is closed, or its game is saved, or the
    // user gives up the changes when asked as the editor's own closing asks (the editor closes).
    bool editorMayBeRefilled();

    GameListModel* model_;
    QPointer<frmEdit> editor_;
};

// Shows the program's one setup dialog without waiting for it.
frmConfig* showConfigDialog();

} // namespace pw2
