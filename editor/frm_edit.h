// The game editor: the tag values and the moves of one game, typed move number by move number or
// handed over by the setup dialog, and written into a PGN file around the texts before and after
// the game (TextBefore and TextAfter). Moves are not checked against the rules of chess here; the
// saver finds a bad move when it plays the game.
#pragma once

#include "editor/file_stamp.h"
#include "services/common_dialog.h"

#include <QString>
#include <QWidget>
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

    QGroupBox* Frame1;
    QLineEdit* EventNm;
    QLineEdit* White;
    QLineEdit* Black;
    QLineEdit* DateNm;
    QLineEdit* Site;

    QGroupBox* Frame2;
    QLabel* MoveNum;
    QLineEdit* WhiteMove;
    QLineEdit* BlackMove;
    QPushButton* Update;
    QPushButton* New;
    QListWidget* List1;

    QPushButton* Save;
    QPushButton* SaveAs;
    QPushButton* finish;
    QLabel* FileName;

    // The movetext to write: every line of List1 followed by "\r\n", in the file's encoding.
    std::string MoveList;

    // The move number that Update stores. Setting it leaves the MoveNum caption as it is.
    void setCurrentEdMove(std::int32_t CurMov) { currentEdMove_ = CurMov; }
    std::int32_t currentEdMove() const { return currentEdMove_; }

    // True when the game has not changed since the window loaded or since it was last saved.
    bool isSaved() const { return saved_; }

    // The encoding of the file the game comes from: UTF-8 when it was valid UTF-8, else Latin-1.
    // Text typed here is written in that encoding. A new window assumes UTF-8.
    void setFileUtf8(bool utf8) { fileUtf8_ = utf8; }
    bool fileUtf8() const { return fileUtf8_; }
    QString fromFileText(std::string_view bytes) const;
    std::string toFileText(const QString& text) const;

    // The editor's whole check of a typed move: it is not empty.
    static bool CheckMove(const QString& Movement);

    // The file TextBefore and TextAfter were read from, and its bytes then (for Edit Game,
    // TextBefore, the game and TextAfter). An empty path names no file.
    void setSourceFile(const QString& path, std::string_view bytes);

    // Writes the game into the file FileNm (spaces around it are removed from the variable): the
    // old file is replaced in one step, or kept whole when the writing fails. The file the game
    // was read from, and any file the game was saved to, is written over only while it still
    // holds what the editor last read or wrote there; one that another program has changed since
    // is reported and left as it is. False when nothing was written.
    bool DoSave(QString& FileNm);

    // What the window does when it loads: empty fields, boxes and list, no file, the MoveNum
    // caption from the current move number, an empty MoveList, Save disabled, saved.
    void Form_Load();

    void Update_Click();
    void New_Click();
    void List1_Click();
    void Save_Click();
    void SaveAs_Click();
    void finish_Click();

    // Shows the window modally and returns when it closes.
    void showModal();
    // Shows the window without making it modal.
    void showModeless();

signals:
    void closed();
    // Finish was pressed on a game that has a file: the file's games may have changed.
    void finished(const QString& path);

protected:
    // The closing check: a game changed since it was last saved closes only when the user says so.
    void closeEvent(QCloseEvent* event) override;

private:
    // True while the game has no file: the FileName caption is "File name :".
    bool hasNoFile() const;
    // The game's file as the FileName caption names it (from its 12th character on).
    QString captionFile() const;
    std::string lineBytes(int row) const;

    // Whether the file at path may be written over: true unless it is one of knownFiles_ and has
    // changed since.
    bool unchangedSinceKnown(const QString& path) const;
    void noteFile(const QString& path, std::string_view bytes);

    // The save-file dialog for a game that has no file yet.
    CommonDialog fileDialog_;
    std::int32_t currentEdMove_ = 1;
    bool saved_ = true;
    // The files whose bytes around the game are TextBefore and TextAfter: the one the game was
    // read from and those it was saved to, each as the editor last read or wrote it.
    std::vector<FileStamp> knownFiles_;
    bool fileUtf8_ = true;
};

} // namespace pw2
