#include "saver_window.h"

#include "boardhost/control_loader.h"
#include "pgn/engine.h"
#include "saver_layout.h"
#include "services/desktop.h"
#include "services/settings_parse.h"
#include "services/settings_store.h"
#include "services/text_codec.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <cmath>
#include <vantrelkit/vantrelkit.h>

namespace pw2 {
namespace {

// The whole tag from its search text through the first "]" after it; empty when either is
// missing.
std::string tagText(const std::string& game, std::string_view search) {
    const auto p = game.find(search);
    if (p == std::string::npos)
        return {};
    const auto q = game.find(']', p);
    if (q == std::string::npos)
        return {};
    return game.substr(p, q - p + 1);
}

// Text from the file as a label or the move list shows it: no more than fits on any screen, so
// that a tag or a move of megabytes in a hostile file cannot hold the saver up while it is laid
// out.
QString shownText(std::string_view bytes) {
    constexpr std::size_t kShownBytes = 512;
    return decodeFileText(bytes.substr(0, kShownBytes));
}

QColor colourFromNumber(std::uint32_t bgr) {
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

} // namespace

// ---- SaverTimer ----

SaverTimer::SaverTimer(QObject* parent) : QObject(parent) {
    connect(&timer_, &QTimer::timeout, this, &SaverTimer::tick);
}

void SaverTimer::setEnabled(bool enabled) {
    enabled_ = enabled;
    apply();
}

void SaverTimer::setInterval(int ms) {
    interval_ = std::max(ms, 0);
    apply();
}

void SaverTimer::apply() {
    timer_.stop();
    if (enabled_ && interval_ > 0)
        timer_.start(interval_);
}

// ---- MoveListBox ----

MoveListBox::MoveListBox(double twipsPerPixel, QWidget* parent)
    : QWidget(parent), twipsPerPixel_(twipsPerPixel), colour_(Qt::green) {
    QFont f(QStringLiteral("Sans Serif"));
    f.setStyleHint(QFont::SansSerif);
    f.setPointSizeF(9.75);
    f.setBold(true);
    setFont(f);
}

void MoveListBox::setTextColour(const QColor& colour) {
    colour_ = colour;
}

void MoveListBox::resizeEvent(QResizeEvent*) {
    syncImage();
}

void MoveListBox::syncImage() {
    const qreal dpr = devicePixelRatioF();
    const QSize pixels = size() * dpr;
    if (image_.size() == pixels && image_.devicePixelRatio() == dpr)
        return;
    QImage fresh(pixels, QImage::Format_RGB32);
    fresh.setDevicePixelRatio(dpr);
    fresh.fill(Qt::black);
    if (!image_.isNull()) {
        QPainter p(&fresh);
        p.drawImage(0, 0, image_);
    }
    image_ = std::move(fresh);
}

void MoveListBox::clearBox() {
    syncImage();
    image_.fill(Qt::black);
    currentY_ = 0;
    update();
}

void MoveListBox::printLine(const QString& text) {
    syncImage();
    {
        QPainter p(&image_);
        p.setPen(colour_);
        p.setFont(font());
        const QFontMetricsF fm(font());
        p.drawText(QPointF(0, currentY_ / twipsPerPixel_ + fm.ascent()), text);
    }
    currentY_ += design::LineHeight;
    update();
}

void MoveListBox::scrollUp() {
    syncImage();
    scrolled_ = image_;
    image_.fill(Qt::black);
    {
        QPainter p(&image_);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.drawImage(QPointF(0, -design::LineHeight / twipsPerPixel_), scrolled_);
    }
    currentY_ = heightTwips() - design::ScrolledLineTop;
    update();
}

void MoveListBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(0, 0, image_);
}

// ---- ScreenMetrics ----

ScreenMetrics ScreenMetrics::primary() {
    ScreenMetrics m;
    if (QScreen* s = QGuiApplication::primaryScreen()) {
        m.pixels = s->geometry().size();
        m.origin = s->geometry().topLeft();
        const double dpi = s->logicalDotsPerInchY();
        m.twipsPerPixel = dpi > 0 ? kTwipsPerInch / dpi : 15.0;
    } else {
        m.pixels = QSize(800, 600);
    }
    return m;
}

// ---- Saver ----

Saver::Saver(const ScreenMetrics& screen) : screen_(screen) {
    setWindowTitle(QLatin1String(kSaverDesignTitle));
    moveTimer_ = new SaverTimer(this);
    moveTimer_->setObjectName(QStringLiteral("moveTimer"));
    gameTimer_ = new SaverTimer(this);
    gameTimer_->setObjectName(QStringLiteral("gameTimer"));
    moveTimer_->setInterval(1000);
    // A tick that arrives while a message box is up waits: the box's own event loop must not
    // play on underneath it.
    connect(moveTimer_, &SaverTimer::tick, this, [this] {
        if (modalDepth() == 0)
            playNextHalfMove();
    });
    connect(gameTimer_, &SaverTimer::tick, this, [this] {
        if (modalDepth() == 0)
            startNextGame();
    });
}

Saver::~Saver() {
    boardProxy_.reset();
    if (boardControl_)
        boardControl_->release();
}

Saver* Saver::create(const ScreenMetrics& screen) {
    auto* saver = new Saver(screen);
    saver->buildControls();
    QString error;
    if (!saver->createBoard(&error)) {
        delete saver;
        pw2::showMessage(error, MsgIcon::Critical);
        return nullptr;
    }
    saver->loadSettings();
    return saver;
}

void Saver::setRandomSource(std::function<double()> source) {
    scheduler_.setRandomSource(std::move(source));
}

int Saver::px(double twips) const {
    return int(std::lround(twips / screen_.twipsPerPixel));
}

QLabel* Saver::makeLabel(QWidget* parent, const QString& name, const QString& text, double left,
                         double top, double width, double height, bool autoSize) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    QFont f(QStringLiteral("Sans Serif"));
    f.setStyleHint(QFont::SansSerif);
    f.setPointSize(12);
    f.setBold(true);
    label->setFont(f);
    label->setAlignment(Qt::AlignCenter);
    label->setAttribute(Qt::WA_TranslucentBackground);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    label->setGeometry(px(left), px(top), px(width), px(height));
    if (autoSize)
        label->adjustSize();
    else
        label->setWordWrap(true);
    return label;
}

void Saver::setAutoSizeCaption(QLabel* label, const QString& text, double centreTwips) {
    label->setText(text);
    label->adjustSize();
    label->move(px(centreTwips) - label->width() / 2, label->y());
}

void Saver::buildControls() {
    auto panel = [this](const QString& name, double left, double top, double width, double height) {
        auto* w = new QWidget(this);
        w->setObjectName(name);
        w->setGeometry(px(left), px(top), px(width), px(height));
        w->setAttribute(Qt::WA_TransparentForMouseEvents); // takes no input of its own
        return w;
    };
    boardPanel_ = panel(QStringLiteral("boardPanel"), 2460, 1320, design::BoardPanelWidth,
                        design::BoardPanelHeight);
    currentMovePanel_ = panel(QStringLiteral("currentMovePanel"), 5580, 2160,
                              design::CurrentMovePanelWidth, design::CurrentMovePanelHeight);

    eventLabel_ = makeLabel(boardPanel_, "eventLabel", {}, 60, 60, 4845, 660, false);
    dateLabel_ = makeLabel(boardPanel_, "dateLabel", {}, 2460, 780, 105, 300, true);
    blackLabel_ = makeLabel(boardPanel_, "blackLabel", {}, 2475, 1140, 105, 300, true);
    whiteLabel_ = makeLabel(boardPanel_, "whiteLabel", {}, 2475, 6360, 105, 300, true);
    static constexpr std::array<double, 8> columnLeft = {420,  1020, 1560, 2100,
                                                         2700, 3330, 3840, 4380};
    static constexpr std::array<double, 8> rowTop = {5520, 4980, 4380, 3840,
                                                     3300, 2760, 2160, 1620};
    for (int i = 0; i < 8; ++i) {
        const double width = i == 2 ? 150 : i == 5 ? 120 : 180;
        const QString file(QChar('a' + i));
        const QString rank(QChar('1' + i));
        fileLabels_[std::size_t(i)] = makeLabel(boardPanel_, "fileLabel_" + file, file,
                                                columnLeft[std::size_t(i)], 6000, width, 300, true);
        rankLabels_[std::size_t(i)] = makeLabel(boardPanel_, "rankLabel_" + rank, rank, 60,
                                                rowTop[std::size_t(i)], 180, 300, true);
    }
    for (const auto* labels : {&fileLabels_, &rankLabels_}) {
        for (QLabel* l : *labels) {
            QPalette pal = l->palette();
            pal.setColor(QPalette::WindowText, Qt::white);
            l->setPalette(pal);
        }
    }

    moveListBox_ = new MoveListBox(screen_.twipsPerPixel, this);
    moveListBox_->setObjectName(QStringLiteral("moveListBox"));
    moveListBox_->setGeometry(px(design::MoveListLeft), px(480), px(design::MoveListWidth),
                              px(5655));
    moveListBox_->setAttribute(Qt::WA_TransparentForMouseEvents);
    moveListTitle_ =
        makeLabel(this, "moveListTitle", QStringLiteral("Move list:"), 300, 120, 1155, 300, true);

    currentMoveTitle_ = makeLabel(currentMovePanel_, "currentMoveTitle",
                                  QStringLiteral("Current Move :"), 480, 60, 1785, 300, true);
    currentMoveLabel_ =
        makeLabel(currentMovePanel_, "currentMoveLabel", {}, 1327, 420, 90, 300, true);
    statusLabel_ = makeLabel(currentMovePanel_, "statusLabel", {}, 435, 2100, 1875, 780, false);
}

bool Saver::createBoard(QString* error) {
    boardControl_ = createControl(vantrelkit::kProgId, boardPanel_, nullptr, error);
    if (!boardControl_)
        return false;
    boardControl_->initNew();
    QWidget* w = boardControl_->window();
    w->setGeometry(px(300), px(1500), px(4455), px(4455));
    w->setAttribute(Qt::WA_TransparentForMouseEvents);
    boardProxy_.emplace(*boardControl_);
    return true;
}

void Saver::loadSettings() {
    const SettingsStore& s = settings();
    applyLayout();

    const QColor colour = colourFromNumber(colourNumber(s.number(setting::TextColor)));
    const bool moveList = s.number(setting::MoveList) != 0;
    moveListBox_->setVisible(moveList);
    moveListTitle_->setVisible(moveList);
    for (QLabel* l : {blackLabel_, whiteLabel_, eventLabel_, dateLabel_, statusLabel_,
                      currentMoveLabel_, currentMoveTitle_, moveListTitle_}) {
        QPalette pal = l->palette();
        pal.setColor(QPalette::WindowText, colour);
        l->setPalette(pal);
    }
    moveListBox_->setTextColour(colour);
    moveTimer_->setInterval(secondsToInterval(s.number(setting::Timer)));
    scheduler_.startAtFirstGame();
}

void Saver::applyLayout() {
    const double tpp = screen_.twipsPerPixel;
    const double screenWidth = screen_.pixels.width() * tpp;
    const double screenHeight = screen_.pixels.height() * tpp;
    const SaverLayout layout = computeSaverLayout(screenWidth, screenHeight, tpp);
    setGeometry(QRect(screen_.origin, screen_.pixels));
    boardPanel_->move(px(layout.boardPanelLeft), px(layout.boardPanelTop));
    currentMovePanel_->move(px(layout.currentMovePanelLeft), px(layout.currentMovePanelTop));
    moveListBox_->setGeometry(px(design::MoveListLeft), px(layout.moveListTop),
                              px(design::MoveListWidth), px(layout.moveListHeight));
}

void Saver::relayout(const ScreenMetrics& screen) {
    screen_ = screen;
    applyLayout();
    emit frameChanged();
}

void Saver::showSaver() {
    setGeometry(QRect(screen_.origin, screen_.pixels));
    setWindowFlag(Qt::FramelessWindowHint);
    showFullScreen();
    raise();
    activateWindow();
    setFocus();
}

void Saver::closeToSetup(bool gameFileMissing) {
    hide();
    showPointer();
    moveTimer_->setEnabled(false);
    gameTimer_->setEnabled(false);
    emit setupRequested(gameFileMissing);
    close();
    deleteLater();
}

void Saver::showGameHeader(const std::string& gameText) {
    whiteLabel_->setText(shownText(tagText(gameText, "[White")));
    blackLabel_->setText(shownText(tagText(gameText, "[Black")));
    eventLabel_->setText(shownText(tagText(gameText, "[Event")));
    dateLabel_->setText(shownText(tagText(gameText, "[Date")));
    const double boardCentre = 300 + 4455 / 2.0;
    for (QLabel* l : {whiteLabel_, blackLabel_, dateLabel_})
        setAutoSizeCaption(l, l->text(), boardCentre);
}

void Saver::startNextGame() {
    gameTimer_->setInterval(secondsToInterval(settings().number(setting::Timer2)));
    GameScheduler::NoGame noGame;
    const std::optional<GameScheduler::Game> game = scheduler_.nextGame(noGame);
    if (!game) {
        closeToSetup(noGame.gameFileMissing);
        return;
    }
    boardProxy_->newGame();
    showGameHeader(game->text);
    player_.load(game->text, *this);
    moveListBox_->clearBox();
    moveTimer_->setEnabled(true);
    gameTimer_->setEnabled(false);
    emit frameChanged();
}

void Saver::playNextHalfMove() {
    if (player_.atEnd()) {
        moveTimer_->setEnabled(false);
        gameTimer_->setEnabled(true);
        if (!player_.playResult(*boardProxy_, *this) && statusLabel_->text().isEmpty())
            statusLabel_->setText(QLatin1String(kMatchFinished));
        emit frameChanged();
        return;
    }
    const HalfMove half = player_.next();
    if (half.side == kWhite) {
        if (moveListBox_->heightTwips() - design::LineHeight < moveListBox_->currentY())
            moveListBox_->scrollUp();
        moveListBox_->printLine(shownText(half.entry));
    }
    setAutoSizeCaption(currentMoveLabel_, decodeFileText(pgn::EntryColumns(half.entry)),
                       1327 + 90 / 2.0);
    switch (player_.play(half, *boardProxy_, *this)) {
    case pgn::MoveOutcome::Played:
        break;
    case pgn::MoveOutcome::GameAbandoned:
        startNextGame();
        return;
    case pgn::MoveOutcome::Invalid:
        pw2::endProgram();
        break;
    }
    emit frameChanged();
}

void Saver::setStatus(std::string_view text) {
    statusLabel_->setText(decodeFileText(text));
}

void Saver::showMessage(std::string_view text, pgn::Icon icon) {
    const MsgIcon i = icon == pgn::Icon::Critical   ? MsgIcon::Critical
                      : icon == pgn::Icon::Question ? MsgIcon::Question
                                                    : MsgIcon::None;
    pw2::showMessage(decodeFileText(text), i);
}

} // namespace pw2
