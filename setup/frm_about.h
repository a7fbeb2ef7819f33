// The saver's about box: a few panels of program information, switched by option buttons, and
// links that the desktop opens.
#pragma once

#include <QDialog>

class QRadioButton;
class QStackedWidget;

namespace pw2 {

class frmAbout final : public QDialog {
    Q_OBJECT
public:
    explicit frmAbout(QWidget* owner = nullptr);

    QRadioButton* Option1; // what the program is
    QRadioButton* Option2; // using it as a screen saver
    QRadioButton* Option3; // version and licence
    QStackedWidget* Panels;
};

} // namespace pw2
