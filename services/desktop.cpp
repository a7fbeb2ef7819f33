#include "services/desktop.h"

#include <QApplication>
#include <QCursor>
#include <QMessageBox>
#include <QPixmap>
#include <cstdio>
#include <cstdlib>

namespace pw2 {
namespace {

class QtMessageBoxes : public MessageBoxService {
public:
    MsgAnswer show(QWidget* parent, const QString& text, MsgIcon icon,
                   MsgButtons buttons) override {
        QMessageBox box(parent);
        box.setWindowTitle(QLatin1String(kProgramTitle));
        box.setText(text);
        switch (icon) {
        case MsgIcon::None:
            box.setIcon(QMessageBox::NoIcon);
            break;
        case MsgIcon::Critical:
            box.setIcon(QMessageBox::Critical);
            break;
        case MsgIcon::Question:
            box.setIcon(QMessageBox::Question);
            break;
        case MsgIcon::Information:
            box.setIcon(QMessageBox::Information);
            break;
        }
        if (buttons == MsgButtons::YesNo) {
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            box.setDefaultButton(QMessageBox::Yes);
            return box.exec() == QMessageBox::Yes ? MsgAnswer::Yes : MsgAnswer::No;
        }
        box.setStandardButtons(QMessageBox::Ok);
        box.exec();
        return MsgAnswer::Ok;
    }
};

std::unique_ptr<MessageBoxService>& serviceSlot() {
    static std::unique_ptr<MessageBoxService> service;
    return service;
}

int depth = 0;
bool hidden = false;
std::function<void(int)> endHandler;

// A pointer image with no visible pixel. Qt's blank cursor shape hides the pointer on X11, but
// not on Wayland, where the pointer takes its image anew each time it enters a window: Qt's
// wayland platform (6.4) shows a blank shape only by emptying an image it gave the pointer
// before, so a pointer that enters the saver for the first time, or a seat that gains a pointer
// while the saver runs, keeps the compositor's arrow. An image is given to the pointer as it
// enters.
QCursor invisibleCursor() {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    return QCursor(pixmap, 0, 0);
}

} // namespace

MessageBoxService& messageBoxes() {
    auto& slot = serviceSlot();
    if (!slot)
        slot = std::make_unique<QtMessageBoxes>();
    return *slot;
}

void setMessageBoxService(std::unique_ptr<MessageBoxService> service) {
    serviceSlot() = std::move(service);
}

MsgAnswer showMessage(const QString& text, MsgIcon icon, MsgButtons buttons, QWidget* parent) {
    ++depth;
    struct Leave {
        ~Leave() { --depth; }
    } leave;
    return messageBoxes().show(parent, text, icon, buttons);
}

int modalDepth() {
    return depth;
}

void hidePointer() {
    if (hidden)
        return;
    QGuiApplication::setOverrideCursor(invisibleCursor());
    hidden = true;
}

void showPointer() {
    if (!hidden)
        return;
    QGuiApplication::restoreOverrideCursor();
    hidden = false;
}

bool pointerHidden() {
    return hidden;
}

void endProgram(int exitCode) {
    showPointer();
    if (endHandler) {
        endHandler(exitCode);
        return;
    }
    std::fflush(nullptr);
    std::_Exit(exitCode);
}

void setProgramEndHandler(std::function<void(int)> handler) {
    endHandler = std::move(handler);
}

} // namespace pw2
