// The game editor: the tag values and the moves of one game, typed move number by move number or
// opened from a file, and written into a PGN file between the file's bytes before and after the
// game. Moves are not checked against the rules of chess here; the saver finds a bad move when it
// plays the game.
//
// Its controls, by objectName: the "gameInfoPanel" with "eventEdit", "whiteEdit", "blackEdit",
// "dateEdit" and "siteEdit"; the "movesPanel" with "moveNumberLabel", "whiteMoveEdit",
// "blackMoveEdit", "updateButton", "newMoveButton" and the "moveList"; "saveButton",
// "saveAsButton", "finishButton", and "fileNameLabel", which shows "File name : " and the path.
#pragma once

#include "editor/file_stamp.h"
#include "editor/game_document.h"
#include "pgnfile/game_writer.h"
#include "services/common_dialog.h"

#include <QString>
#include <QWidget>
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace pw2 {

class frmEdit : public QWidget {
    Q_OBJECT
public:
    // A window of its own, owned by owner (the setup dialog).
    explicit frmEdit(QWidget* owner = nullptr);

    // Shows the game of document, without making the window modal: its tags, its move list
    // (the game is checked first; a failure is reported and leaves no moves), the next move
    // number, and the file's name. The game counts as saved.
    void openGame(const GameDocument& document);
    // Shows an empty game, to be written after document's text, and returns when the window
    // closes (it is modal meanwhile).
    void newGame(const GameDocument& document);

    // True when the game has not changed since it was opened or since it was last saved.
    bool isSaved() const { return saved_; }

signals:
    // The window closed.
    void closed();
    // Finish was pressed on a game that has a file: the file's games may have changed.
    void finished(const QString& path);
    // The game was written into the file at path.
    void saved(const QString& path);

protected:
    // The closing check: a game changed since it was last saved closes only when the user says so.
    void closeEvent(QCloseEvent* event) override;

private:
    void buildGameInfoPanel();
    void buildMovesPanel();
    void buildWindow();

    // Empty tags, boxes and list, no file, the move number caption from the current move number,
    // no moves, Save disabled, saved; the document's file and encoding.
    void clear(const GameDocument& document);
    void setFilePath(const QString& path);
    bool hasNoFile() const;

    // The buttons, the move list and the tag fields.
    void storeMove();
    void startNewMove();
    void loadChosenMove();
    void save();
    void saveAs();
    void finish();
    void noteChange();

    // Writes the game into the file at path (spaces around it are removed): the old file is
    // replaced in one step, or kept whole when the writing fails. A file the game was read from
    // or saved to is written over only while it still holds what the editor last read or wrote
    // there; one that another program has changed since is reported and left as it is. False
    // when nothing was written.
    bool writeGame(QString path);
    // The whole file the game is written into.
    std::string composeFile() const;
    // The five tag fields, in the order the tags of a new game are written.
    std::array<QLineEdit*, 5> tagFields() const;
    // A move list line for pair row of moves_.
    QString lineFor(int row) const;

    QString fromFileText(std::string_view bytes) const;
    std::string toFileText(const QString& text) const;

    // Whether the file at path may be written over: true unless it is one of knownFiles_ and has
    // changed since.
    bool unchangedSinceKnown(const QString& path) const;
    void noteFile(const QString& path, std::string_view bytes);

    // Puts the window, not yet shown, beside its owner, or centred on it when there is no room
    // beside it, within the owner's screen.
    void placeByOwner();
    // Shows the window modally and returns when it closes.
    void showModal();
    // Shows the window without making it modal.
    void showModeless();

    QGroupBox* gameInfoPanel_;
    QLineEdit* eventEdit_;
    QLineEdit* whiteEdit_;
    QLineEdit* blackEdit_;
    QLineEdit* dateEdit_;
    QLineEdit* siteEdit_;

    QGroupBox* movesPanel_;
    QLabel* moveNumberLabel_;
    QLineEdit* whiteMoveEdit_;
    QLineEdit* blackMoveEdit_;
    QPushButton* updateButton_;
    QPushButton* newMoveButton_;
    QListWidget* moveList_;

    QPushButton* saveButton_;
    QPushButton* saveAsButton_;
    QPushButton* finishButton_;
    QLabel* fileNameLabel_;

    // The save-file dialog.
    CommonDialog fileDialog_;
    // The game's file as the caption names it (spaces around it kept); empty when it has none.
    QString filePath_;
    // The file's bytes before and after the game, written around it.
    std::string textBefore_;
    std::string textAfter_;
    // The game's bytes as the file holds them (as read, or as last written); empty for a new game
    // not yet saved, which is written after textBefore_.
    std::string game_;
    bool newGame_ = true;
    // The moves: moves_ as the move list shows them, loadedMoves_ as game_ holds them.
    GameMoves moves_;
    GameMoves loadedMoves_;
    // The tag fields' texts as game_ holds them.
    std::array<QString, 5> loadedTags_;
    // The move number that Update stores (the caption may show another one).
    std::int32_t currentMove_ = 1;
    bool saved_ = true;
    // The files whose bytes around the game are textBefore_ and textAfter_: the one the game was
    // read from and those it was saved to, each as the editor last read or wrote it.
    std::vector<FileStamp> knownFiles_;
    // The file's encoding: UTF-8, else Latin-1.
    bool fileUtf8_ = true;
};

} // namespace pw2
