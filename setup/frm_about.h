// The saver's about box: the program's icon ("aboutIcon") beside its name ("aboutTitle"), a few
// pages of program information, switched by option buttons, and links that the desktop opens.
// Its options, by objectName: "programOption" (what the program is), "saverOption" (using it as a
// screen saver) and "versionOption" (version and licence); the pages they show are in the
// "aboutPages" stack, in that order.
#pragma once

#include <QDialog>

class QRadioButton;
class QStackedWidget;

namespace pw2 {

class frmAbout final : public QDialog {
    Q_OBJECT
public:
    explicit frmAbout(QWidget* owner = nullptr);

private:
    QRadioButton* programOption_;
    QRadioButton* saverOption_;
    QRadioButton* versionOption_;
    QStackedWidget* pages_;
};

} // namespace pw2
