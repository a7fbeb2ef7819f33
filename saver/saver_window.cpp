#include "saver_window.h"

#include "boardhost/control_loader.h"
#include "pgn/engine.h"
#include "pgn/text.h"
#include "saver/clocks_and_evaluation.h"
#include "saver/move_glide.h"
#include "saver/move_list_panel.h"
#include "saver_layout.h"
#include "services/desktop.h"
#include "services/settings_parse.h"
#include "services/settings_store.h"
#include "services/text_codec.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vantrelkit/vantrelkit.h>

namespace pw2 {
namespace {

// The whole first tag that starts with search, as the file writes it, through its "]" (a "]"
// inside its quoted value is part of the value), or to the end of the line of a quoted value left
// open; empty when there is no such tag or it has no end.
std::string tagText(const std::string& game, std::string_view search) {
    const std::size_t p = pgn::findTag(game, search);
    if (p == std::string::npos)
        return {};
    const std::size_t q = pgn::tagEnd(game, p);
    if (q == std::string::npos)
        return {};
    return game.substr(p, q - p);
}

// Text from the file as a label or the move list shows it: no more than fits on any screen, so
// that a tag or a move of megabytes in a hostile file cannot hold the saver up while it is laid
// out.
QString shownText(std::string_view bytes) {
    constexpr std::size_t kShownBytes = 512;
    return decodeFileText(bytes.substr(0, kShownBytes));
}

// The board control's place in the board panel.
constexpr double kBoardLeft = 300, kBoardTop = 1500, kBoardSize = 4455;

// A word longer than a caption's line could be (a hostile file's) may break anywhere.
QString breakLongWords(const QString& text) {
    constexpr qsizetype kLongWord = 24;
    QString broken;
    broken.reserve(text.size() + text.size() / kLongWord);
    qsizetype run = 0;
    for (const QChar c : text) {
        run = c == QLatin1Char(' ') ? 0 : run + 1;
        if (run > kLongWord) {
            broken += QChar(0x200B);
            run = 1;
        }
        broken += c;
    }
    return broken;
}

QColor colourFromNumber(std::uint32_t bgr) {
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

// Tints the squares of the half-move just played; a set-up position has none. The tint only
// decorates the board, so a control that refuses it leaves the game playing.
void highlightHalfMove(BoardProxy& board, bool setUp) {
    try {
        if (setUp)
            board.clearHighlight();
        else
            board.highlightLastMove();
    } catch (const pgn::BoardError&) {
    }
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

namespace {
constexpr double kMoveListPoints = 9.75;
constexpr double kCaptionPoints = 12;

QFont boldSans(double points) {
    QFont f(QStringLiteral("Sans Serif"));
    f.setStyleHint(QFont::SansSerif);
    f.setPointSizeF(points);
    f.setBold(true);
    return f;
}

// The caption's lines: a comment reads better in a regular face.
QFont captionFont(double points) {
    QFont f = boldSans(points);
    f.setBold(false);
    return f;
}

// A face of the filled layout, whose sizes are in pixels.
QFont pixelFont(double pixels, bool bold) {
    QFont f(QStringLiteral("Sans Serif"));
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(std::max(1, int(std::lround(pixels))));
    f.setBold(bold);
    return f;
}

QRect pixelRect(const Box& b) {
    const int left = int(std::lround(b.left)), top = int(std::lround(b.top));
    return QRect(left, top, int(std::lround(b.right())) - left, int(std::lround(b.bottom())) - top);
}

// The move that the designed move list's columns are made wide enough for; a longer one makes
// its text smaller.
constexpr const char* kDesignedWidestMove = "Qxe5+";
} // namespace

// ---- ScreenMetrics ----

ScreenMetrics ScreenMetrics::primary() {
    return of(QGuiApplication::primaryScreen());
}

ScreenMetrics ScreenMetrics::of(QScreen* screen) {
    ScreenMetrics m;
    if (QScreen* s = screen) {
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

Saver::Saver(const ScreenMetrics& screen, std::shared_ptr<GameScheduler> sharedScheduler)
    : screen_(screen),
      scheduler_(sharedScheduler ? sharedScheduler : std::make_shared<GameScheduler>()),
      sharesScheduler_(sharedScheduler != nullptr) {
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
    // A large file indexed in the background: its game starts once the index is in (or with the
    // game timer, while a message box is up).
    scheduler_->addIndexReady(this, [this] {
        if (modalDepth() == 0)
            startNextGame();
        else
            gameTimer_->setEnabled(true);
    });
}

Saver::~Saver() {
    scheduler_->removeIndexReady(this);
    boardProxy_.reset();
    if (boardControl_)
        boardControl_->release();
}

Saver* Saver::create(const ScreenMetrics& screen, std::shared_ptr<GameScheduler> sharedScheduler) {
    auto* saver = new Saver(screen, std::move(sharedScheduler));
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
    scheduler_->setRandomSource(std::move(source));
}

int Saver::px(double twips) const {
    return int(std::lround(twips * scale_ / screen_.twipsPerPixel));
}

QLabel* Saver::makeLabel(QWidget* parent, const QString& name, const QString& text, double left,
                         double top, double width, double height, bool autoSize) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setAlignment(Qt::AlignCenter);
    label->setAttribute(Qt::WA_TranslucentBackground);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    if (!autoSize)
        label->setWordWrap(true);
    placements_.push_back({label, left, top, width, height, kCaptionPoints, autoSize});
    place(placements_.back());
    return label;
}

void Saver::place(const Placement& p) {
    if (p.fontPoints > 0)
        p.widget->setFont(boldSans(p.fontPoints * scale_));
    p.widget->setGeometry(px(p.left), px(p.top), px(p.width), px(p.height));
    if (p.autoSize)
        p.widget->adjustSize();
    if (p.centre >= 0)
        p.widget->move(px(p.centre) - p.widget->width() / 2, p.widget->y());
}

// An auto-sized caption takes its text's size and stays centred where it was placed.
void Saver::setAutoSizeCaption(QLabel* label, const QString& text) {
    label->setText(text);
    label->adjustSize();
    for (const Placement& p : placements_)
        if (p.widget == label && p.centre >= 0)
            label->move(px(p.centre) - label->width() / 2, label->y());
}

void Saver::buildControls() {
    auto panel = [this](const QString& name) {
        auto* w = new QWidget(this);
        w->setObjectName(name);
        w->setAttribute(Qt::WA_TransparentForMouseEvents); // takes no input of its own
        return w;
    };
    boardPanel_ = panel(QStringLiteral("boardPanel"));
    currentMovePanel_ = panel(QStringLiteral("currentMovePanel"));

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

    clocksAndEvaluation_ = new ClocksAndEvaluation(this);
    moveList_ = new MoveListPanel(this);
    moveList_->setObjectName(QStringLiteral("moveList"));
    moveList_->setAttribute(Qt::WA_TransparentForMouseEvents);
    moveListTitle_ =
        makeLabel(this, "moveListTitle", QStringLiteral("Move list:"), design::MoveListTitleLeft,
                  design::MoveListTitleTop, 1155, 300, true);

    currentMoveTitle_ = makeLabel(currentMovePanel_, "currentMoveTitle",
                                  QStringLiteral("Current Move :"), 480, 60, 1785, 300, true);
    currentMoveLabel_ =
        makeLabel(currentMovePanel_, "currentMoveLabel", {}, 1327, 420, 90, 300, true);
    statusLabel_ = makeLabel(currentMovePanel_, "statusLabel", {}, 435, 2100, 1875, 780, false);

    // Placed by applyLayout: beneath the board panel, or where the layout has room for it.
    captionLabel_ = new QLabel(this);
    captionLabel_->setObjectName(QStringLiteral("captionLabel"));
    captionLabel_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    captionLabel_->setWordWrap(true);
    captionLabel_->setAttribute(Qt::WA_TranslucentBackground);
    captionLabel_->setAttribute(Qt::WA_TransparentForMouseEvents);
    captionLabel_->hide();

    // The filled layout's opening, placed and shown by applyFilledLayout.
    openingLabel_ = new QLabel(this);
    openingLabel_->setObjectName(QStringLiteral("openingLabel"));
    openingLabel_->setAttribute(Qt::WA_TranslucentBackground);
    openingLabel_->setAttribute(Qt::WA_TransparentForMouseEvents);
    openingLabel_->setWordWrap(true);
    openingLabel_->hide();

    // The names and the date stand centred over the board, the current move under its title.
    for (Placement& p : placements_) {
        if (p.widget == dateLabel_ || p.widget == blackLabel_ || p.widget == whiteLabel_)
            p.centre = kBoardLeft + kBoardSize / 2;
        else if (p.widget == currentMoveLabel_)
            p.centre = p.left + p.width / 2;
    }
}

bool Saver::createBoard(QString* error) {
    boardControl_ = createControl(vantrelkit::kProgId, boardPanel_, nullptr, error);
    if (!boardControl_)
        return false;
    boardControl_->initNew();
    QWidget* w = boardControl_->window();
    w->setAttribute(Qt::WA_TransparentForMouseEvents);
    boardProxy_.emplace(*boardControl_);
    placements_.push_back({w, kBoardLeft, kBoardTop, kBoardSize, kBoardSize, 0, false});
    place(placements_.back());
    return true;
}

void Saver::loadSettings() {
    const SettingsStore& s = settings();
    fillScreen_ = s.number(setting::FillScreen) != 0;
    commentary_ = s.number(setting::Commentary) != 0;
    gameSummary_ = s.number(setting::GameSummary) != 0;
    readingTime_ = s.number(setting::CommentReadingTime) != 0;
    highlightMove_ = s.number(setting::HighlightMove) != 0;
    animateMoves_ = s.number(setting::AnimateMoves) != 0;
    moveListShown_ = s.number(setting::MoveList) != 0;
    applyLayout();

    const QColor colour = colourFromNumber(colourNumber(s.number(setting::TextColor)));
    for (QLabel* l :
         {blackLabel_, whiteLabel_, eventLabel_, dateLabel_, statusLabel_, currentMoveLabel_,
          currentMoveTitle_, moveListTitle_, captionLabel_, openingLabel_}) {
        QPalette pal = l->palette();
        pal.setColor(QPalette::WindowText, colour);
        l->setPalette(pal);
    }
    moveList_->setTextColour(colour);
    clocksAndEvaluation_->setTextColour(colour);
    clocksAndEvaluation_->setEnabled(s.number(setting::ClocksAndEvaluation) != 0);
    // The board's colours and pieces; a value the control does not know keeps its designed look.
    try {
        boardProxy_->setBoardTheme(std::int32_t(std::lround(s.number(setting::BoardTheme))));
    } catch (const pgn::BoardError&) {
    }
    try {
        boardProxy_->setPieceSet(std::int32_t(std::lround(s.number(setting::PieceSet))));
    } catch (const pgn::BoardError&) {
    }
    moveInterval_ = secondsToInterval(s.number(setting::Timer));
    moveTimer_->setInterval(moveInterval_);
    if (!sharesScheduler_)
        scheduler_->startAtFirstGame();
}

bool Saver::fillsScreen() const {
    return fillScreen_ && exceedsDesignedScreen(screen_.pixels.width(), screen_.pixels.height());
}

void Saver::applyLayout() {
    const double tpp = screen_.twipsPerPixel;
    const double width = screen_.pixels.width(), height = screen_.pixels.height();
    const FilledLayout filled =
        fillsScreen() ? computeFilledLayout(width, height, drift_, clocksAndEvaluation_->parts())
                      : FilledLayout{};
    setGeometry(QRect(screen_.origin, screen_.pixels));
    if (filled.fills)
        applyFilledLayout(filled);
    else
        applyDesignedLayout(computeSaverLayout(width * tpp, height * tpp, tpp));
    clocksAndEvaluation_->place(filled);
    showGameHeader();
    fitCaption();
}

void Saver::setBoardScale(double scale) {
    // The board draws itself anew for another scale; a control that cannot keeps its own size.
    if (boardProxy_ && static_cast<float>(scale) != boardScale_) {
        try {
            boardProxy_->setBoardScale(static_cast<float>(scale));
            boardScale_ = static_cast<float>(scale);
        } catch (const pgn::BoardError&) {
        }
    }
}

void Saver::applyDesignedLayout(const SaverLayout& layout) {
    filled_ = false;
    scale_ = layout.scale;
    // Each label back in its designed panel, centred as designed.
    for (Placement& p : placements_) {
        auto* label = qobject_cast<QLabel*>(p.widget);
        if (!label)
            continue;
        QWidget* home =
            label == currentMoveTitle_ || label == currentMoveLabel_ || label == statusLabel_
                ? currentMovePanel_
            : label == moveListTitle_ ? static_cast<QWidget*>(this)
                                      : boardPanel_;
        if (label->parentWidget() != home) {
            label->setParent(home);
            label->show();
        }
        label->setAlignment(Qt::AlignCenter);
        label->setWordWrap(!p.autoSize);
    }
    currentMovePanel_->show();
    currentMoveTitle_->show();
    openingLabel_->hide();
    moveListTitle_->setVisible(moveListShown_);
    moveList_->setVisible(moveListShown_);

    boardPanel_->setGeometry(px(layout.boardPanelLeft), px(layout.boardPanelTop),
                             px(design::BoardPanelWidth), px(design::BoardPanelHeight));
    currentMovePanel_->setGeometry(px(layout.currentMovePanelLeft), px(layout.currentMovePanelTop),
                                   px(design::CurrentMovePanelWidth),
                                   px(design::CurrentMovePanelHeight));
    moveList_->setGeometry(px(layout.moveListLeft), px(layout.moveListTop),
                           px(design::MoveListWidth), px(layout.moveListHeight));
    moveList_->setMetrics(boldSans(kMoveListPoints * scale_), px(design::LineHeight),
                          QLatin1String(kDesignedWidestMove));
    setBoardScale(scale_);
    for (Placement& p : placements_) {
        if (p.widget == moveListTitle_) {
            p.left = layout.moveListLeft;
            p.top = layout.moveListTitleTop;
        }
        place(p);
    }
    captionLabel_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    captionLabel_->setFont(captionFont(kMoveListPoints * scale_));
    captionLabel_->setGeometry(px(layout.captionLeft), px(layout.captionTop),
                               px(layout.captionWidth), px(layout.captionHeight));
}

void Saver::placeLabel(QLabel* label, QWidget* parent, const Box& box, const QFont& font,
                       Qt::Alignment alignment) {
    if (label->parentWidget() != parent) {
        label->setParent(parent);
        label->show();
    }
    label->setFont(font);
    label->setAlignment(alignment);
    const QPoint origin = parent == this ? QPoint() : parent->pos();
    label->setGeometry(pixelRect(box).translated(-origin));
}

void Saver::applyFilledLayout(const FilledLayout& l) {
    filled_ = true;
    filledLayout_ = l;
    const QRect board = pixelRect(l.board);
    scale_ = board.width() / 297.0;
    setBoardScale(scale_);

    // The board panel holds the board and its coordinates.
    const int rankWidth = int(std::lround(l.ranks.width));
    const int fileHeight = int(std::lround(l.files.height));
    boardPanel_->setGeometry(board.left() - rankWidth, board.top(), rankWidth + board.width(),
                             board.height() + fileHeight);
    boardControl_->window()->setGeometry(rankWidth, 0, board.width(), board.height());
    const QFont coordinates = pixelFont(l.smallText, true);
    const double square = board.width() / 8.0;
    for (int i = 0; i < 8; ++i) {
        QLabel* file = fileLabels_[std::size_t(i)];
        QLabel* rank = rankLabels_[std::size_t(i)];
        for (QLabel* c : {file, rank}) {
            c->setFont(coordinates);
            c->setAlignment(Qt::AlignCenter);
        }
        const int left = rankWidth + int(std::lround(i * square));
        file->setGeometry(left, board.height(),
                          rankWidth + int(std::lround((i + 1) * square)) - left, fileHeight);
        const int top = int(std::lround((7 - i) * square));
        rank->setGeometry(0, top, rankWidth, int(std::lround((8 - i) * square)) - top);
    }

    // The texts stand in the window's columns, each with its size.
    currentMovePanel_->hide();
    currentMoveTitle_->hide();
    moveListTitle_->hide();
    const QFont small = pixelFont(l.smallText, false);
    const QFont name = pixelFont(l.nameText, true);
    const Qt::Alignment topLeft = Qt::AlignLeft | Qt::AlignTop;
    for (QLabel* label : {blackLabel_, whiteLabel_, eventLabel_, statusLabel_, openingLabel_})
        label->setWordWrap(true);
    for (QLabel* label : {dateLabel_, currentMoveLabel_})
        label->setWordWrap(false);
    placeLabel(blackLabel_, this, l.black, name, topLeft);
    placeLabel(whiteLabel_, this, l.white, name, Qt::AlignLeft | Qt::AlignBottom);
    placeLabel(eventLabel_, this, l.event, name, topLeft);
    placeLabel(dateLabel_, this, l.date, small, topLeft);
    placeLabel(openingLabel_, this, l.opening, small, topLeft);
    openingLabel_->show();
    placeLabel(currentMoveLabel_, this, l.currentMove, pixelFont(l.moveText, true),
               Qt::AlignLeft | Qt::AlignVCenter);
    placeLabel(statusLabel_, this, l.status, pixelFont(l.statusText, true), topLeft);
    captionLabel_->setAlignment(topLeft);
    captionLabel_->setFont(small);
    captionLabel_->setGeometry(pixelRect(l.caption));
    moveList_->setVisible(moveListShown_);
    moveList_->setGeometry(pixelRect(l.moveList));
    moveList_->setMetrics(pixelFont(l.smallText, true),
                          int(std::lround(kLineSpacing * l.smallText)), QLatin1String(kWidestMove));
    showCurrentMove(currentMoveLabel_->text());
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

void Saver::showGameHeader() {
    if (filled_) {
        whiteLabel_->setText(decodeFileText(header_.white));
        blackLabel_->setText(decodeFileText(header_.black));
        eventLabel_->setText(decodeFileText(header_.event));
        dateLabel_->setText(decodeFileText(header_.date));
        openingLabel_->setText(decodeFileText(header_.opening));
        return;
    }
    whiteLabel_->setText(shownText(headerTags_[0]));
    blackLabel_->setText(shownText(headerTags_[1]));
    eventLabel_->setText(shownText(headerTags_[2]));
    dateLabel_->setText(shownText(headerTags_[3]));
    for (QLabel* l : {whiteLabel_, blackLabel_, dateLabel_})
        setAutoSizeCaption(l, l->text());
}

void Saver::showCurrentMove(const QString& text) {
    if (!filled_) {
        setAutoSizeCaption(currentMoveLabel_, text);
        return;
    }
    // A long move with its number is set smaller rather than cut, down to the smallest text.
    currentMoveLabel_->setText(text);
    double pixels = filledLayout_.moveText;
    QFont font = pixelFont(pixels, true);
    while (pixels > filledLayout_.smallText &&
           QFontMetrics(font).horizontalAdvance(text) > currentMoveLabel_->width()) {
        pixels = std::max(filledLayout_.smallText, pixels * 0.95);
        font = pixelFont(pixels, true);
    }
    currentMoveLabel_->setFont(font);
}

const pgn::Comment* Saver::showComment() {
    const pgn::Comment* comment = pgn::CommentAfter(notes_.comments, player_.movesPlayed());
    if (!comment) {
        showCaption({});
        return nullptr;
    }
    QString text = decodeFileText(comment->text);
    if (comment->cut)
        text += QChar(0x2026);
    showCaption(text);
    return comment;
}

void Saver::holdForReading(const pgn::Comment* shown) {
    int wait = moveInterval_;
    if (shown && readingTime_ && wait > 0)
        wait += ReadingTimeMs(shown->text);
    moveTimer_->setInterval(wait);
}

std::string Saver::gameEnding() const {
    return player_.ending();
}

void Saver::showCaption(const QString& text) {
    caption_ = text;
    fitCaption();
}

void Saver::fitCaption() {
    const QString text = breakLongWords(caption_);
    const QFontMetrics metrics(captionLabel_->font());
    const int width = captionLabel_->width(), height = captionLabel_->height();
    const auto fits = [&](const QString& t) {
        const QRect r = metrics.boundingRect(QRect(0, 0, width, 1 << 20),
                                             Qt::AlignHCenter | Qt::TextWordWrap, t);
        // One line is shown in any place, however low.
        return r.height() <= std::max(height, metrics.height()) && r.width() <= width;
    };
    QString shown;
    if (fits(text)) {
        shown = text;
    } else {
        // The most words that fit with "…" after them.
        std::vector<qsizetype> ends;
        for (qsizetype i = 1; i < text.size(); ++i)
            if (text[i] == QLatin1Char(' ') || text[i] == QChar(0x200B))
                ends.push_back(i);
        std::size_t low = 0, high = ends.size(); // ends[0, low) fit
        while (low < high) {
            const std::size_t mid = (low + high) / 2;
            if (fits(text.left(ends[mid]) + QChar(0x2026)))
                low = mid + 1;
            else
                high = mid;
        }
        if (low > 0)
            shown = text.left(ends[low - 1]) + QChar(0x2026);
    }
    captionLabel_->setText(shown);
    captionLabel_->setVisible(!shown.isEmpty());
}

void Saver::startNextGame() {
    gameTimer_->setInterval(secondsToInterval(settings().number(setting::Timer2)));
    GameScheduler::NoGame noGame;
    const std::optional<GameScheduler::Game> game = scheduler_->nextGame(noGame);
    gameNumber_ = scheduler_->gameNumber();
    if (!game && noGame.indexing) {
        // The board shows at once, in its starting position, until the game is found.
        boardProxy_->newGame();
        moveTimer_->setEnabled(false);
        gameTimer_->setEnabled(false);
        emit frameChanged();
        return;
    }
    if (!game) {
        closeToSetup(noGame.gameFileMissing);
        return;
    }
    // A filled layout moves a little with each game, so that no pixel shows the same for hours.
    if (fillsScreen()) {
        drift_ = burnInDrift(gamesShown_++);
        applyLayout();
    }
    boardProxy_->newGame();
    // Nothing of the last game stays: its move, its status, its caption and its moves.
    showCurrentMove({});
    statusLabel_->clear();
    showCaption({});
    moveList_->clear();
    headerTags_ = {tagText(game->text, "[White"), tagText(game->text, "[Black"),
                   tagText(game->text, "[Event"), tagText(game->text, "[Date")};
    header_ = ReadGameHeader(game->text);
    showGameHeader();
    player_.load(game->text, *this);
    notes_ = player_.moveList().empty() ? pgn::Annotations{} : pgn::ReadAnnotations(game->text);
    // A set-up step of White's half sets up a position where Black moves first.
    const bool blackFirst =
        !player_.atEnd() && player_.next().setUp && player_.next().side == kWhite;
    if (clocksAndEvaluation_->startGame(notes_.commands, !blackFirst))
        applyLayout(); // room for the clocks or the bar, or none
    holdForReading(commentary_ ? showComment() : nullptr);
    moveTimer_->setEnabled(true);
    gameTimer_->setEnabled(false);
    // A game from a set-up position shows its position at once, not the initial one for a tick.
    if (!player_.atEnd() && player_.next().setUp) {
        settingUp_ = true;
        playNextHalfMove();
        settingUp_ = false;
        return;
    }
    emit frameChanged();
}

void Saver::playNextHalfMove() {
    if (player_.atEnd()) {
        moveTimer_->setEnabled(false);
        gameTimer_->setEnabled(true);
        if (!player_.playResult(*boardProxy_, *this) && statusLabel_->text().isEmpty())
            statusLabel_->setText(QLatin1String(kMatchFinished));
        if (gameSummary_ && !player_.moveList().empty())
            showCaption(QString::fromStdString(
                GameSummary(player_.gameResult(), gameEnding(), player_.moveList().size())));
        emit frameChanged();
        return;
    }
    const HalfMove half = player_.next();
    const std::size_t playedBefore = player_.movesPlayed();
    // A set-up position shows at once; a move glides. A half-move that fails shows at once what
    // it changed.
    MoveGlide glide(*boardProxy_, half.setUp ? 0 : glideDuration(animateMoves_, moveInterval_));
    switch (player_.play(half, *boardProxy_, *this)) {
    case pgn::MoveOutcome::Played:
        glide.show();
        if (highlightMove_)
            highlightHalfMove(*boardProxy_, half.setUp);
        break;
    case pgn::MoveOutcome::GameAbandoned:
        // While a game is being started, the game timer starts the next one, so that a match of
        // failing games never nests one start in another.
        if (settingUp_) {
            moveTimer_->setEnabled(false);
            gameTimer_->setEnabled(true);
            break;
        }
        startNextGame();
        return;
    case pgn::MoveOutcome::Invalid:
        pw2::endProgram();
        break;
    }
    // Only a move that was played is shown: not a termination marker, not the set-up step.
    if (player_.movesPlayed() != playedBefore) {
        const bool white = half.side == kWhite;
        const std::string_view glyph = pgn::GlyphAfter(notes_.glyphs, player_.movesPlayed());
        const long number = EntryNumber(half.entry);
        moveList_->addHalfMove(number, white, shownText(MoveWithGlyph(half.move, glyph)));
        clocksAndEvaluation_->halfMovePlayed(player_.movesPlayed(), white);
        showCurrentMove(shownText(HalfMoveText(number, white, half.move, glyph)));
        holdForReading(commentary_ ? showComment() : nullptr);
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
