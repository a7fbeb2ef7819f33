// The game editor window, as far as the setup dialog fills it: the five tag fields, the file name
// and move number labels, the move list and the editor's MoveList and current move number.
// Typing moves and saving the game come with the editor itself.
#pragma once

#include <QWidget>
#include <cstdint>
#include <string>

class QLabel;
class QLineEdit;
class QListWidget;

namespace pw2 {

class frmEdit : public QWidget {
    Q_OBJECT
public:
    // A window of its own, owned by owner.
    explicit frmEdit(QWidget* owner = nullptr);

    QLineEdit* EventNm;
    QLineEdit* White;
    QLineEdit* Black;
    QLineEdit* Site;
    QLineEdit* DateNm;
    QLabel* FileName;
    QLabel* MoveNum;
    QListWidget* List1;

    // The movetext to write: every line of List1 followed by "\r\n" (bytes).
    std::string MoveList;

    void setCurrentEdMove(std::int32_t CurMov) { currentEdMove_ = CurMov; }
    std::int32_t currentEdMove() const { return currentEdMove_; }

    // What the window does when it loads: empty fields and list, the MoveNum caption from the
    // current move number, an empty MoveList.
    void Form_Load();

    // Shows the window modally and returns when it closes.
    void showModal();
    // Shows the window without making it modal.
    void showModeless();

signals:
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    std::int32_t currentEdMove_ = 1;
};

} // namespace pw2
