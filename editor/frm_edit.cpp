#include "editor/frm_edit.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QVBoxLayout>

namespace pw2 {

frmEdit::frmEdit(QWidget* owner) : QWidget(owner, Qt::Window) {
    setWindowTitle(QStringLiteral("Pawnwatch 2.0  - PGN editor"));
    auto* form = new QFormLayout;
    EventNm = new QLineEdit(this);
    White = new QLineEdit(this);
    Black = new QLineEdit(this);
    DateNm = new QLineEdit(this);
    Site = new QLineEdit(this);
    form->addRow(QStringLiteral("Event :"), EventNm);
    form->addRow(QStringLiteral("White Player :"), White);
    form->addRow(QStringLiteral("Black Player :"), Black);
    form->addRow(QStringLiteral("Date :"), DateNm);
    form->addRow(QStringLiteral("Site :"), Site);
    MoveNum = new QLabel(this);
    List1 = new QListWidget(this);
    FileName = new QLabel(QStringLiteral("File name :"), this);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(MoveNum);
    layout->addWidget(List1);
    layout->addWidget(FileName);
    Form_Load();
}

void frmEdit::Form_Load() {
    for (QLineEdit* field : {EventNm, White, Black, Site, DateNm})
        field->clear();
    List1->clear();
    FileName->setText(QStringLiteral("File name :"));
    MoveNum->setText(QString::number(currentEdMove_) + ".");
    MoveList.clear();
}

void frmEdit::showModal() {
    hide();
    setWindowModality(Qt::ApplicationModal);
    QPointer<frmEdit> self(this);
    QEventLoop loop;
    connect(this, &frmEdit::closed, &loop, &QEventLoop::quit);
    connect(this, &QObject::destroyed, &loop, &QEventLoop::quit);
    show();
    raise();
    activateWindow();
    loop.exec(QEventLoop::DialogExec);
    if (self)
        setWindowModality(Qt::NonModal);
}

void frmEdit::showModeless() {
    if (isModal()) {
        raise();
        return;
    }
    show();
    raise();
    activateWindow();
}

void frmEdit::closeEvent(QCloseEvent* event) {
    event->accept();
    emit closed();
}

} // namespace pw2
