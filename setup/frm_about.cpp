#include "setup/frm_about.h"

#include "setup/app_icon.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QStackedWidget>
#include <QVBoxLayout>

#ifndef PW2_VERSION
#error "PW2_VERSION is set by setup/CMakeLists.txt from the project's version"
#endif

namespace pw2 {
namespace {

QLabel* textPanel(const QString& html, QWidget* parent) {
    auto* label = new QLabel(html, parent);
    label->setTextFormat(Qt::RichText);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    label->setTextInteractionFlags(Qt::TextBrowserInteraction);
    label->setOpenExternalLinks(true);
    label->setMargin(8);
    return label;
}

// The side of the program's icon beside the title, in logical pixels.
constexpr int kIconSide = 48;

const char* const kProgram =
    "<p>A chess screen saver. It fills the screen with a chess board and replays, half-move by "
    "half-move, the games of a PGN file, showing the event, the date, the players, the running "
    "move list, check notices and the result.</p>"
    "<p>In this setup window you choose the file and the game to play first, the pauses between "
    "moves and between games, the text colour, whether the move list is shown and whether the "
    "games play in random order. The game editor adds a new game to the file or corrects one.</p>";

const char* const kScreenSaver =
    "<p><b>pawnwatch2</b> alone, or with <tt>/C</tt>, opens this setup window; with <tt>/S</tt> "
    "it starts the saver at once. A key press, a mouse click or a mouse movement ends it.</p>"
    "<p><b>XScreenSaver:</b> install the hack configuration that comes with the package, or add "
    "this line to the <tt>programs:</tt> list in <tt>~/.xscreensaver</tt>:</p>"
    "<pre>  \"Pawnwatch2\"  pawnwatch2 -root  \\n\\</pre>"
    "<p>then choose Pawnwatch2 in <tt>xscreensaver-settings</tt>.</p>";

QString versionText() {
    return QStringLiteral("<h3>Pawnwatch2 %1</h3>"
                          "<p>Built with Qt %2.</p>"
                          "<p>Licence: MIT. The program comes with no warranty.</p>"
                          "<p>The bundled games are historical game scores.</p>")
        .arg(QLatin1String(PW2_VERSION), QLatin1String(QT_VERSION_STR));
}

const char* const kLinks =
    "<a href=\"https://en.wikipedia.org/wiki/Portable_Game_Notation\">About PGN files</a>"
    " &nbsp; <a href=\"https://www.jwz.org/xscreensaver/\">XScreenSaver</a>"
    " &nbsp; <a href=\"https://github.com/DHTMLGoodies/dhtmlchess\">The bundled games</a>";

} // namespace

frmAbout::frmAbout(QWidget* owner) : QDialog(owner) {
    setWindowTitle(QStringLiteral("About Pawnwatch2"));
    setModal(true);

    programOption_ = new QRadioButton(QStringLiteral("Pawnwatch2"), this);
    programOption_->setObjectName(QStringLiteral("programOption"));
    saverOption_ = new QRadioButton(QStringLiteral("Screen saver"), this);
    saverOption_->setObjectName(QStringLiteral("saverOption"));
    versionOption_ = new QRadioButton(QStringLiteral("Version"), this);
    versionOption_->setObjectName(QStringLiteral("versionOption"));
    pages_ = new QStackedWidget(this);
    pages_->setObjectName(QStringLiteral("aboutPages"));
    pages_->addWidget(textPanel(QLatin1String(kProgram), pages_));
    pages_->addWidget(textPanel(QLatin1String(kScreenSaver), pages_));
    pages_->addWidget(textPanel(versionText(), pages_));

    auto* options = new QVBoxLayout;
    int page = 0;
    for (QRadioButton* option : {programOption_, saverOption_, versionOption_}) {
        options->addWidget(option);
        connect(option, &QRadioButton::toggled, this, [this, page](bool on) {
            if (on)
                pages_->setCurrentIndex(page);
        });
        ++page;
    }
    options->addStretch();
    programOption_->setChecked(true);

    auto* links = textPanel(QLatin1String(kLinks), this);
    links->setMargin(2);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("aboutIcon"));
    icon->setFixedSize(kIconSide, kIconSide);
    icon->setPixmap(appIconPixmap(kIconSide, icon->devicePixelRatioF()));
    auto* title = new QLabel(QStringLiteral("Pawnwatch2"), this);
    title->setObjectName(QStringLiteral("aboutTitle"));
    QFont titleFont = title->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.6);
    title->setFont(titleFont);
    auto* head = new QHBoxLayout;
    head->addWidget(icon);
    head->addWidget(title, 1);

    auto* body = new QHBoxLayout;
    body->addLayout(options);
    body->addWidget(pages_, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(head);
    layout->addLayout(body, 1);
    layout->addWidget(links);
    layout->addWidget(buttons);
    resize(480, 340);
}

} // namespace pw2
