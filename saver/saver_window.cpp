#include "saver_window.h"

#include "boardhost/control_loader.h"
#include "pgn/engine.h"
#include "pgn/game_spans.h"
#include "saver_layout.h"
#include "services/app_path.h"
#include "services/desktop.h"
#include "services/file_bytes.h"
#include "services/globals.h"
#include "services/match_table.h"
#include "services/settings_parse.h"
#include "services/settings_store.h"
#include "services/text_codec.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <cmath>
#include <random>
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
// What the PGN file setting holds when no file was ever chosen.
constexpr const char* kNoFile = "no file";

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
    Image2 = image_;
    image_.fill(Qt::black);
    {
        QPainter p(&image_);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.drawImage(QPointF(0, -design::LineHeight / twipsPerPixel_), Image2);
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
        const double dpi = s->logicalDotsPerInchY();
        m.twipsPerPixel = dpi > 0 ? kTwipsPerInch / dpi : 15.0;
    } else {
        m.pixels = QSize(800, 600);
    }
    return m;
}

// ---- Saver ----

Saver::Saver(const ScreenMetrics& screen) : screen_(screen) {
    std::mt19937_64 engine{std::random_device{}()};
    random_ = [engine]() mutable { return std::uniform_real_distribution<double>(0, 1)(engine); };
    setWindowTitle(QLatin1String(kSaverDesignTitle));
    setAttribute(Qt::WA_DeleteOnClose, false);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::black);
    setPalette(pal);
    setAutoFillBackground(true);
    Timer1 = new SaverTimer(this);
    Timer2 = new SaverTimer(this);
    Timer1->setInterval(1000);
    connect(Timer1, &SaverTimer::tick, this, [this] {
        if (modalDepth() == 0)
            Timer1_Timer();
    });
    connect(Timer2, &SaverTimer::tick, this, [this] {
        if (modalDepth() == 0)
            Timer2_Timer();
    });
}

Saver::~Saver() {
    boardProxy_.reset();
    if (Board)
        Board->release();
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
    saver->Form_Load();
    return saver;
}

int Saver::px(double twips) const {
    return int(std::lround(twips / screen_.twipsPerPixel));
}

QLabel* Saver::makeLabel(QWidget* parent, const QString& text, double left, double top,
                         double width, double height, bool autoSize) {
    auto* label = new QLabel(text, parent);
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
    auto panel = [this](double left, double top, double width, double height) {
        auto* w = new QWidget(this);
        w->setGeometry(px(left), px(top), px(width), px(height));
        w->setAttribute(Qt::WA_TransparentForMouseEvents); // takes no input of its own
        return w;
    };
    Picture1 = panel(2460, 1320, design::Picture1Width, design::Picture1Height);
    Picture2 = panel(5580, 2160, design::Picture2Width, design::Picture2Height);

    Label3 = makeLabel(Picture1, {}, 60, 60, 4845, 660, false);
    Label4 = makeLabel(Picture1, {}, 2460, 780, 105, 300, true);
    Label1 = makeLabel(Picture1, {}, 2475, 1140, 105, 300, true);
    Label2 = makeLabel(Picture1, {}, 2475, 6360, 105, 300, true);
    static constexpr std::array<double, 8> columnLeft = {420,  1020, 1560, 2100,
                                                         2700, 3330, 3840, 4380};
    static constexpr std::array<double, 8> rowTop = {5520, 4980, 4380, 3840,
                                                     3300, 2760, 2160, 1620};
    for (int i = 0; i < 8; ++i) {
        const double width = i == 2 ? 150 : i == 5 ? 120 : 180;
        Label[i] =
            makeLabel(Picture1, QString(QChar('a' + i)), columnLeft[i], 6000, width, 300, true);
        Label[8 + i] = makeLabel(Picture1, QString(QChar('1' + i)), 60, rowTop[i], 180, 300, true);
    }
    for (QLabel* l : Label) {
        QPalette pal = l->palette();
        pal.setColor(QPalette::WindowText, Qt::white);
        l->setPalette(pal);
    }

    Picture3 = new MoveListBox(screen_.twipsPerPixel, this);
    Picture3->setGeometry(px(design::Picture3Left), px(480), px(design::Picture3Width), px(5655));
    Picture3->setAttribute(Qt::WA_TransparentForMouseEvents);
    Label8 = makeLabel(this, QStringLiteral("Move list:"), 300, 120, 1155, 300, true);

    Label7 = makeLabel(Picture2, QStringLiteral("Current Move :"), 480, 60, 1785, 300, true);
    Label6 = makeLabel(Picture2, {}, 1327, 420, 90, 300, true);
    Label5 = makeLabel(Picture2, {}, 435, 2100, 1875, 780, false);
}

bool Saver::createBoard(QString* error) {
    Board = createControl(vantrelkit::kProgId, Picture1, nullptr, error);
    if (!Board)
        return false;
    Board->initNew();
    QWidget* w = Board->window();
    w->setGeometry(px(300), px(1500), px(4455), px(4455));
    w->setAttribute(Qt::WA_TransparentForMouseEvents);
    boardProxy_.emplace(*Board);
    return true;
}

void Saver::Form_Load() {
    auto& g = globals();
    auto& s = settings();
    g.SideToMove = 2;
    applyLayout();

    const QColor colour = colourFromNumber(colourNumber(s.number(setting::TextColor)));
    const bool moveList = s.number(setting::MoveList) != 0;
    Picture3->setVisible(moveList);
    Label8->setVisible(moveList);
    for (QLabel* l : {Label1, Label2, Label3, Label4, Label5, Label6, Label7, Label8}) {
        QPalette pal = l->palette();
        pal.setColor(QPalette::WindowText, colour);
        l->setPalette(pal);
    }
    Picture3->setTextColour(colour);
    Timer1->setInterval(secondsToInterval(s.number(setting::Timer)));
    // A first game below 1 (or a value that reads as 0) starts with game 1.
    g.GameNumber = std::int32_t(
        std::clamp<std::int64_t>(roundToInt64(s.number(setting::FirstGame) - 1), 0, INT32_MAX - 1));
}

void Saver::applyLayout() {
    const double tpp = screen_.twipsPerPixel;
    const double screenWidth = screen_.pixels.width() * tpp;
    const double screenHeight = screen_.pixels.height() * tpp;
    const SaverLayout layout = computeSaverLayout(screenWidth, screenHeight, tpp);
    setGeometry(QRect(QPoint(0, 0), screen_.pixels));
    Picture1->move(px(layout.picture1Left), px(layout.picture1Top));
    Picture2->move(px(layout.picture2Left), px(layout.picture2Top));
    Picture3->setGeometry(px(design::Picture3Left), px(layout.picture3Top),
                          px(design::Picture3Width), px(layout.picture3Height));
}

void Saver::relayout(const ScreenMetrics& screen) {
    screen_ = screen;
    applyLayout();
    emit frameChanged();
}

void Saver::showSaver() {
    setGeometry(QRect(QPoint(0, 0), screen_.pixels));
    setWindowFlag(Qt::FramelessWindowHint);
    showFullScreen();
    raise();
    activateWindow();
    setFocus();
}

void Saver::EnumDefault(QString& path) {
    path = trimSpaces(path);
    std::string text;
    readFileBytes(path, text);
    const std::vector<pgn::GameSpan> spans = pgn::findGameSpans(text);
    storeMatchRanges(settings(), spans, std::int64_t(spans.size()));
}

void Saver::closeToSetup() {
    hide();
    showPointer();
    Timer1->setEnabled(false);
    Timer2->setEnabled(false);
    emit setupRequested();
    close();
    deleteLater();
}

void Saver::Timer2_Timer() {
    auto& g = globals();
    auto& s = settings();
    ++schedulerRuns_;
    g.SideToMove = 2;
    Timer2->setInterval(secondsToInterval(s.number(setting::Timer2)));

    const std::int64_t numOfGames = s.count(setting::NumOfGames);
    if (g.GameNumber < INT32_MAX)
        ++g.GameNumber;
    if (g.GameNumber > numOfGames)
        g.GameNumber = 1;
    MoveIndex = 0;
    if (s.number(setting::Random) != 0) {
        const double n = double(std::max<std::int64_t>(numOfGames, 0));
        g.GameNumber = std::int32_t(std::min(std::floor(random_() * n) + 1, double(INT32_MAX)));
        if (g.GameNumber < 1)
            g.GameNumber = 1;
    }

    QString path = s.text(setting::PgnFile, QLatin1String(kNoFile));
    std::int64_t begin = s.count(setting::MatchBegin, g.GameNumber);
    std::int64_t end = s.count(setting::MatchEnd, g.GameNumber);
    if (begin == -1 && g.GameNumber != 1 && path != QLatin1String(kNoFile)) {
        // A game number beyond the stored table (a first game or a game count that does not
        // match it): the match's first game is played rather than none.
        const std::int64_t firstBegin = s.count(setting::MatchBegin, 1);
        if (firstBegin != -1) {
            g.GameNumber = 1;
            begin = firstBegin;
            end = s.count(setting::MatchEnd, 1);
        }
    }
    const QString defaultFile = appPath() + "default.pgn";

    if (begin == -1 || path == QLatin1String(kNoFile)) {
        QString indexed = defaultFile;
        EnumDefault(indexed);
        path = defaultFile;
        s.set(setting::PgnFile, path);
        begin = s.count(setting::MatchBegin, g.GameNumber);
        end = s.count(setting::MatchEnd, g.GameNumber);
        if (begin == -1) {
            closeToSetup();
            return;
        }
    }

    if (trimSpaces(path).isEmpty() || !fileExists(path)) {
        pw2::showMessage(QLatin1String(kFileNotFound), MsgIcon::Critical);
        if (!fileExists(defaultFile)) {
            pw2::showMessage(QLatin1String(kDefaultNotFound), MsgIcon::Critical);
            g.MissingGameFile = true;
            closeToSetup();
            return;
        }
        path = defaultFile;
        std::string text;
        readFileBytes(path, text);
        const std::vector<pgn::GameSpan> spans = pgn::findGameSpans(text);
        if (spans.empty()) {
            closeToSetup();
            return;
        }
        begin = spans.front().begin;
        end = spans.front().end;
    }

    std::string gameText = readFileRange(path, begin, end);
    boardProxy_->newGame();
    Label2->setText(shownText(tagText(gameText, "[White")));
    Label1->setText(shownText(tagText(gameText, "[Black")));
    Label3->setText(shownText(tagText(gameText, "[Event")));
    Label4->setText(shownText(tagText(gameText, "[Date")));
    const double boardCentre = 300 + 4455 / 2.0;
    for (QLabel* l : {Label2, Label1, Label4})
        setAutoSizeCaption(l, l->text(), boardCentre);

    gameText = pgn::CleanGameText(gameText, *this);
    pgn::FillMoveList(gameText, List1, g.GameResult);
    Picture3->clearBox();
    Timer1->setEnabled(true);
    Timer2->setEnabled(false);
    emit frameChanged();
}

void Saver::playMove(std::string move) {
    auto& g = globals();
    pgn::PlayMove(std::move(move), g.SideToMove, g.Resolver, *boardProxy_, *this);
}

void Saver::Timer1_Timer() {
    auto& g = globals();
    if (MoveIndex < 0 || std::size_t(MoveIndex) >= List1.size()) {
        Timer1->setEnabled(false);
        Timer2->setEnabled(true);
        if (pgn::IsResult(g.GameResult))
            playMove(g.GameResult);
        else if (Label5->text().isEmpty())
            Label5->setText(QLatin1String(kMatchFinished));
        emit frameChanged();
        return;
    }
    g.SideToMove = g.SideToMove == 2 ? 1 : 2;
    const std::string entry = List1[std::size_t(MoveIndex)];
    if (g.SideToMove == 1) {
        if (Picture3->heightTwips() - design::LineHeight < Picture3->currentY())
            Picture3->scrollUp();
        Picture3->printLine(shownText(entry));
    }
    setAutoSizeCaption(Label6, decodeFileText(pgn::EntryColumns(entry)), 1327 + 90 / 2.0);

    if (g.SideToMove == 1) {
        playMove(std::string(pgn::WhiteColumn(entry)));
    } else if (const std::string_view black = pgn::BlackColumn(entry); black.empty()) {
        ++MoveIndex; // the game ends on White's move: there is no Black move to play
    } else {
        const std::uint64_t runs = schedulerRuns_;
        playMove(std::string(black));
        // A failed move has loaded the next game already; its first entry must not be skipped.
        if (runs == schedulerRuns_)
            ++MoveIndex;
    }
    emit frameChanged();
}

void Saver::setStatus(std::string_view text) {
    Label5->setText(decodeFileText(text));
}

void Saver::showMessage(std::string_view text, pgn::Icon icon) {
    const MsgIcon i = icon == pgn::Icon::Critical   ? MsgIcon::Critical
                      : icon == pgn::Icon::Question ? MsgIcon::Question
                                                    : MsgIcon::None;
    pw2::showMessage(decodeFileText(text), i);
}

void Saver::runScheduler() {
    Timer2_Timer();
}

void Saver::endProgram() {
    pw2::endProgram();
}

void Saver::Form_KeyPress(const QString& text) {
    if (!text.isEmpty())
        pw2::endProgram();
}

void Saver::Form_MouseDown() {
    pw2::endProgram();
}

void Saver::Form_MouseMove(const QPointF& position) {
    if (LastMousePosition && *LastMousePosition != position) {
        pw2::endProgram();
        return;
    }
    LastMousePosition = position;
}

void Saver::keyPressEvent(QKeyEvent* event) {
    Form_KeyPress(event->text());
}

void Saver::mousePressEvent(QMouseEvent*) {
    Form_MouseDown();
}

void Saver::mouseMoveEvent(QMouseEvent* event) {
    Form_MouseMove(event->globalPosition() * screen_.twipsPerPixel);
}

} // namespace pw2
