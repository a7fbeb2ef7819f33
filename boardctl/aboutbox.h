// frmAbout, the board control's about box: names the component, shows its version and offers to
// start the desktop's system information program.
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace vantrelkit {

class frmAbout final : public QDialog {
    Q_OBJECT

public:
    frmAbout();
    ~frmAbout() override;

private:
    void Form_Load();
    void cmdOK_Click();
    void cmdSysInfo_Click();
    void StartSysInfo();

    QLabel* picIcon;
    QLabel* lblTitle;
    QLabel* lblVersion;
    QLabel* lblDisclaimer;
    QLabel* lblCredits;
    QLineEdit* txtWebAddress;
    QPushButton* cmdSysInfo;
    QPushButton* cmdOK;
};

// Shows the about box without waiting: one window per loaded library, shown again while it is
// open, loaded afresh after OK closed it.
void showAboutBox();

} // namespace vantrelkit
