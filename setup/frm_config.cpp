#include "frm_config.h"

#include "saver/services.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPointer>
#include <QVBoxLayout>

namespace pw2 {

frmConfig::frmConfig(QWidget* parent) : QWidget(parent) {
    setWindowTitle(QStringLiteral("Pawnwatch 2.0 Setup"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Settings"), this));
}

void frmConfig::closeEvent(QCloseEvent* event) {
    event->accept();
    endProgram();
}

frmConfig* showConfigDialog() {
    static QPointer<frmConfig> dialog;
    if (!dialog)
        dialog = new frmConfig;
    dialog->show();
    dialog->raise();
    return dialog;
}

} // namespace pw2
