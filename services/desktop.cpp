#include "services/desktop.h"

#include <QApplication>
#include <QCursor>
#include <QMessageBox>
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
    QGuiApplication::setOverrideCursor(QCursor(Qt::BlankCursor));
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
