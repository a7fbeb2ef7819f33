#include "aboutbox.h"

#include "art.h"
#include "component.h"

#include <QGridLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QSvgRenderer>
#include <QVBoxLayout>
#include <QtMath>

namespace vantrelkit {
namespace {

constexpr const char* kTitle = "Vantrelkit";
constexpr const char* kProductTitle = "Vantrelkit Chess Board Control";
constexpr const char* kUnavailableText = "System Information Is Unavailable At This Time";
// The program's icon, built into the library from data/pawnwatch2.svg.
constexpr const char* kIconResource = ":/vantrelkit/pawnwatch2.svg";
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

// The icon as renderer reads it, size by size logical pixels, drawn for the device pixel ratio
// ratio.
QPixmap iconPicture(QSvgRenderer& renderer, int size, qreal ratio) {
    if (!renderer.isValid())
        return {};
    const int side = qCeil(size * ratio);
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    renderer.render(&p);
    p.end();
    image.setDevicePixelRatio(ratio);
    return QPixmap::fromImage(image);
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
    // The title bar shows the program's icon too, drawn beforehand at the sizes desktops use.
    QSvgRenderer icon{QString::fromLatin1(kIconResource)};
    QIcon windowIcon;
    for (int size : {16, 24, 32, 48, 64})
        windowIcon.addPixmap(iconPicture(icon, size, 1.0));
    setWindowIcon(windowIcon);

    picIcon->setObjectName(QStringLiteral("picIcon"));
    picIcon->setFixedSize(kPieceSize, kPieceSize);
    picIcon->setPixmap(iconPicture(icon, kPieceSize, picIcon->devicePixelRatioF()));
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    QFont titleFont = lblTitle->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.4);
    lblTitle->setFont(titleFont);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    lblDisclaimer->setObjectName(QStringLiteral("lblDisclaimer"));
    lblDisclaimer->setWordWrap(true);
    lblDisclaimer->setText(QStringLiteral(
        "Vantrelkit is the board control of pawnwatch2, a chess screen saver for Linux."));
    lblCredits->setObjectName(QStringLiteral("lblCredits"));
    lblCredits->setWordWrap(true);
    lblCredits->setText(QStringLiteral("Board and pieces drawn by the pawnwatch2 developers."));
    txtWebAddress->setObjectName(QStringLiteral("txtWebAddress"));
    txtWebAddress->setReadOnly(true);
    txtWebAddress->setText(QStringLiteral("Licence: MIT"));
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
