// The setup dialog: the settings panel (pauses, text colour, move list, random order) and the match
// panel (the PGN file, its games, the game to play first, the editor). Closing it in any way ends
// the program; its two OK buttons store what the user chose first.
//
// Its controls, by objectName. The "settingsPanel": "pgnFileLabel" (the stored file) with
// "chooseFileButton" ("...", which opens the match panel), "timePerMoveEdit", "timePerGameEdit",
// "textColourSwatch" with "changeColourButton", "showMoveListCheck", "randomOrderCheck",
// "boardThemeCombo" and "pieceSetCombo" with the "boardPreview" that shows them, "settingsOkButton"
// and "aboutButton". The "matchPanel": the "matchList", "firstMatchLabel",
// "descriptionLabel" (the chosen game's tags), "matchFilterEdit" (words that narrow the list),
// "editGameButton", "newGameButton", "importButton", "matchOkButton" and "matchCancelButton".
// A listing that takes a while shows the "listingProgress" dialog, whose Cancel keeps the list
// and the file listed before.
#pragma once

#include "collections/collection_cache.h"
#include "editor/frm_edit.h"
#include "editor/game_document.h"
#include "pgn/game_spans.h"
#include "services/common_dialog.h"
#include "services/settings_schema.h"
#include "setup/match_catalog.h"

#include <QFrame>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListView;
class QPushButton;

namespace pw2 {

class BoardPreview;
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

    // How a listing reads its file, and when it starts showing its progress.
    struct ListingPace {
        std::chrono::milliseconds progressDelay{300};
        std::size_t chunkBytes = std::size_t(4) << 20;
        // A list listed before that holds this many bytes waits in a file while another is made.
        std::size_t setAsideBytes = std::size_t(8) << 20;
    };
    void setListingPace(const ListingPace& pace) { pace_ = pace; }

    // The file whose games the match list shows, and where those games lie in it, one span per
    // game in file order (a file without games empties the list and keeps the spans).
    const QString& currentFile() const { return currentFile_; }
    const std::vector<pgn::GameSpan>& gameSpans() const;
    // The match list: the number of games listed, shown or filtered out, and the chosen game
    // (0-based, -1 when none), which stays chosen while a filter hides it.
    int listCount() const;
    int listIndex() const;
    // The editor window, once New Game or Edit Game opened it.
    frmEdit* editor() const { return editor_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    enum class Listing { Listed, NoFile, Unreadable, Cancelled };
    // Reads up to n bytes into to: the number read, 0 at the end, -1 on a failure.
    using ReadBytes = std::function<std::int64_t(char* to, std::size_t n)>;

    void buildSettingsPanel();
    void buildMatchPanel();
    void connectButtons();
    void centreOnScreen();

    // Loads every control of the settings panel from the settings store.
    void loadSettings();
    // Shows the stored PGN file (or the bundled games when it is gone, after a message).
    void showStoredPgnFile();
    // Checks the two times and stores the settings panel, then closes (ending the program).
    void storeSettings();
    void chooseTextColour();
    void showBoardLook();
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
    // not a regular file (a folder, a device, a pipe), is reported and changes nothing; nor does
    // a listing the user cancels.
    Listing listGames(QString& path);
    // Lists the games of the packed collection at trimmed (a compressed file, an archive or a
    // folder) through its joined text, as listGames does. A damaged collection lists the games
    // before the damage; the damage and any encrypted member are reported.
    Listing listCollection(const QString& trimmed);
    // Whether the list shows the games of a packed collection (the file the list names).
    bool listsCollection() const;
    // The plain cache of the listed collection: the one made before, or one made now, with its
    // progress and Cancel shown when it takes a while. cancelled tells a Cancel, after which no
    // cache made for it is left.
    collections::CollectionCache::Made cacheListedCollection(bool& cancelled);
    // The chosen game's bytes from the listed collection: from its cache when it has one, else
    // read through the collection; nothing when they cannot be read.
    std::optional<std::string> collectionGame(std::size_t game) const;
    // The games of a packed collection are edited into a .pgn file of their own: says so, then
    // opens the editor on document, without a file.
    void editCollectionGame(GameDocument document, bool newGame);
    // Lists the games of bytes, a file's whole text, and chooses the first; false when the user
    // cancelled.
    bool listText(std::string_view bytes);
    // Lists the games of the bytes read, of about size bytes in all, named name in the progress
    // shown when it takes a while; then chooses the first game. Cancelled and Unreadable change
    // nothing. A text of unknown size (size 0) may tell how far its reading got through share.
    Listing listFrom(const QString& name, std::int64_t size, const ReadBytes& read,
                     const std::function<std::optional<double>()>& share = {});
    void showCatalog(std::shared_ptr<const MatchCatalog> catalog);
    void filterGames(const QString& words);
    // Reads the whole file at path, reporting a failure; false when it could not be read.
    bool readFile(const QString& path, std::string& bytes);
    // Chooses game (0-based), showing it in the list when the filter lets it.
    void chooseGame(int game);
    void showPanel(bool matchPanel);
    int twipsToPixels(int twips) const;
    QString defaultFile() const;
    frmEdit* openEditor();
    // True when the editor may take another game: it is closed, or its game is saved, or the
    // user gives up the changes when asked as the editor's own closing asks (the editor closes).
    bool editorMayBeRefilled();

    bool gameFileMissing_; // until a match is stored
    QString currentFile_;
    // The last listing that found games: its spans are the ones the match table stores.
    std::shared_ptr<const MatchCatalog> listed_;
    // For a listing of a packed collection, the collection as it was when listed (the listing
    // going on, and the one of listed_).
    std::optional<collections::SourceStamp> listingStamp_;
    std::optional<collections::SourceStamp> listedStamp_;
    int chosenGame_ = -1;
    ListingPace pace_;
    bool listing_ = false;
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
    // The saver's further on/off settings, each with its check box.
    struct SwitchBox {
        NumberSetting setting;
        QCheckBox* box;
    };
    std::vector<SwitchBox> switchBoxes_;
    // The board's colours and pieces (BoardTheme, PieceSet), each item's data its value.
    QComboBox* boardThemeCombo_;
    QComboBox* pieceSetCombo_;
    BoardPreview* boardPreview_;
    QPushButton* settingsOkButton_;
    QPushButton* aboutButton_;

    // The match panel.
    QGroupBox* matchPanel_;
    QLineEdit* matchFilterEdit_;
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
