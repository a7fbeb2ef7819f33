#include "aboutbox.h"

#include "art.h"
#include "component.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QVBoxLayout>

namespace vantrelkit {
namespace {

constexpr const char* kTitle = "Vantrelkit";
constexpr const char* kProductTitle = "Vantrelkit Chess Board Control";
constexpr const char* kUnavailableText = "System Information Is Unavailable At This Time";
// Desktop system information programs, tried in this order.
constexpr const char* kSysInfoPrograms[] = {"hardinfo2", "hardinfo", "kinfocenter",
                                            "gnome-system-monitor"};

QPointer<frmAbout> openAboutBox;

QString versionText() {
    return QStringLiteral("Version %1.%2.%3")
        .arg(VANTRELKIT_VERSION_MAJOR)
        .arg(VANTRELKIT_VERSION_MINOR)
        .arg(VANTRELKIT_VERSION_PATCH);
}

} // namespace

frmAbout::frmAbout()
    : picIcon(new QLabel(this)), lblTitle(new QLabel(this)), lblVersion(new QLabel(this)),
      lblDisclaimer(new QLabel(this)), lblCredits(new QLabel(this)),
      txtWebAddress(new QLineEdit(this)), cmdSysInfo(new QPushButton(this)),
      cmdOK(new QPushButton(this)) {
    addLiveObject();
    setObjectName(QStringLiteral("frmAbout"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);

    picIcon->setObjectName(QStringLiteral("picIcon"));
    picIcon->setFixedSize(kPieceSize, kPieceSize);
    picIcon->setPixmap(Art::acquire(picIcon->devicePixelRatioF())->icon);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    QFont titleFont = lblTitle->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.4);
    lblTitle->setFont(titleFont);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    lblDisclaimer->setObjectName(QStringLiteral("lblDisclaimer"));
    lblDisclaimer->setWordWrap(true);
    lblDisclaimer->setText(QStringLiteral(
        "This edition of the Vantrelkit board control was made for the pawnwatch2 chess screen "
        "saver."));
    lblCredits->setObjectName(QStringLiteral("lblCredits"));
    lblCredits->setWordWrap(true);
    lblCredits->setText(
        QStringLiteral("Board and pieces drawn by the pawnwatch2 developers. Free to use."));
    txtWebAddress->setObjectName(QStringLiteral("txtWebAddress"));
    txtWebAddress->setReadOnly(true);
    txtWebAddress->setText(QStringLiteral("https://pawnwatch2.example/vantrelkit"));
    cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    cmdSysInfo->setText(QStringLiteral("&System Info..."));
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setText(QStringLiteral("OK"));
    cmdOK->setDefault(true);

    auto* layout = new QGridLayout(this);
    layout->addWidget(picIcon, 0, 0, 2, 1, Qt::AlignTop);
    layout->addWidget(lblTitle, 0, 1);
    layout->addWidget(lblVersion, 1, 1);
    layout->addWidget(lblDisclaimer, 2, 1);
    layout->addWidget(lblCredits, 3, 1);
    layout->addWidget(txtWebAddress, 4, 1);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdSysInfo);
    buttons->addStretch();
    layout->addLayout(buttons, 0, 2, 5, 1);
    layout->setColumnMinimumWidth(1, 260);

    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
    connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);
    Form_Load();
}

frmAbout::~frmAbout() {
    removeLiveObject();
}

void frmAbout::Form_Load() {
    setWindowTitle(QStringLiteral("About ") + QLatin1String(kTitle));
    lblVersion->setText(versionText());
    lblTitle->setText(QLatin1String(kProductTitle));
}

void frmAbout::cmdOK_Click() {
    close();
}

void frmAbout::cmdSysInfo_Click() {
    StartSysInfo();
}

void frmAbout::StartSysInfo() {
    for (const char* name : kSysInfoPrograms) {
        const QString program = QStandardPaths::findExecutable(QLatin1String(name));
        if (program.isEmpty())
            continue;
        if (QProcess::startDetached(program, {}))
            return;
        break;
    }
    QMessageBox box(QMessageBox::NoIcon, QLatin1String(kTitle), QLatin1String(kUnavailableText),
                    QMessageBox::Ok, this);
    box.exec();
}

void showAboutBox() {
    if (!openAboutBox)
        openAboutBox = new frmAbout;
    openAboutBox->show();
    openAboutBox->raise();
    openAboutBox->activateWindow();
}

} // namespace vantrelkit
