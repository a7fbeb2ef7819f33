#include "saver/clocks_and_evaluation.h"

#include "saver/game_texts.h"

#include <QFontMetrics>
#include <QPainter>
#include <cmath>

namespace pw2 {
namespace {

QFont boldPixels(double pixels) {
    QFont f(QStringLiteral("Sans Serif"));
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(std::max(1, int(std::lround(pixels))));
    f.setBold(true);
    return f;
}

QRect pixelRect(const Box& b) {
    const int left = int(std::lround(b.left)), top = int(std::lround(b.top));
    return QRect(left, top, int(std::lround(b.right())) - left, int(std::lround(b.bottom())) - top);
}

QColor withAlpha(QColor c, double alpha) {
    c.setAlphaF(float(alpha));
    return c;
}

template <class Panel>
Panel* panel(QWidget* window, const char* name) {
    auto* p = new Panel(window);
    p->setObjectName(QLatin1String(name));
    p->setAttribute(Qt::WA_TransparentForMouseEvents);
    p->hide();
    return p;
}

} // namespace

// ---- ClockPanel ----

ClockPanel::ClockPanel(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TranslucentBackground);
}

void ClockPanel::setTextColour(const QColor& colour) {
    colour_ = colour;
    update();
}

void ClockPanel::setTextPixels(double pixels) {
    font_ = boldPixels(pixels);
    update();
}

void ClockPanel::setTime(std::optional<std::int64_t> ms) {
    const QString text = ms ? QString::fromStdString(ClockText(*ms)) : QString();
    if (text != text_) {
        text_ = text;
        update();
    }
}

void ClockPanel::setRunning(bool running) {
    if (running != running_) {
        running_ = running;
        update();
    }
}

void ClockPanel::paintEvent(QPaintEvent*) {
    if (text_.isEmpty())
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setFont(font_);
    const QFontMetrics metrics(font_);
    const int pad = metrics.height() / 4;
    const int width = std::min(this->width(), metrics.horizontalAdvance(text_) + 2 * pad + 2);
    const QRectF frame = QRectF(0.5, 0.5, width - 1, height() - 1);
    p.setPen(QPen(withAlpha(colour_, running_ ? 0.9 : 0.4), 1));
    p.setBrush(running_ ? withAlpha(colour_, 0.18) : QColor(Qt::transparent));
    p.drawRoundedRect(frame, pad, pad);
    p.setPen(running_ ? colour_ : withAlpha(colour_, 0.7));
    p.drawText(frame.toRect(), Qt::AlignCenter, text_);
}

// ---- EvaluationBar ----

EvaluationBar::EvaluationBar(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TranslucentBackground);
}

void EvaluationBar::setTextColour(const QColor& colour) {
    colour_ = colour;
    update();
}

void EvaluationBar::setMetrics(double textPixels, int barHeight) {
    textPixels_ = textPixels;
    barHeight_ = barHeight;
    update();
}

void EvaluationBar::setEvaluation(std::optional<pgn::Evaluation> evaluation) {
    const QString text =
        evaluation ? QString::fromStdString(pgn::EvaluationText(*evaluation)) : QString();
    const double share = evaluation ? WhiteShare(*evaluation) : 0.5;
    if (text != text_ || share != share_) {
        text_ = text;
        share_ = share;
        update();
    }
}

QRect EvaluationBar::barRect() const {
    const int barWidth = std::max(4, int(std::lround(0.9 * textPixels_)));
    return QRect((width() - barWidth) / 2, 0, barWidth, std::min(barHeight_, height()));
}

void EvaluationBar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect bar = barRect();
    const int white = int(std::lround(share_ * bar.height()));
    p.fillRect(bar.adjusted(0, 0, 0, -white), QColor(0x30, 0x30, 0x30));
    p.fillRect(QRect(bar.left(), bar.bottom() + 1 - white, bar.width(), white),
               QColor(0xF0, 0xF0, 0xF0));
    // The even mark, and a frame that keeps the dark part apart from the black window.
    p.fillRect(QRect(bar.left(), bar.top() + bar.height() / 2, bar.width(), 1),
               QColor(0x80, 0x80, 0x80));
    p.setPen(QColor(0x80, 0x80, 0x80));
    p.setBrush(Qt::NoBrush);
    p.drawRect(bar.adjusted(0, 0, -1, -1));
    if (text_.isEmpty())
        return;
    // The number beneath the bar, smaller where it would not fit the panel's width.
    double pixels = textPixels_;
    QFont font = boldPixels(pixels);
    while (pixels > 6 && QFontMetrics(font).horizontalAdvance(text_) > width()) {
        pixels *= 0.9;
        font = boldPixels(pixels);
    }
    p.setFont(font);
    p.setPen(colour_);
    p.drawText(QRect(0, bar.bottom() + 1, width(), height() - bar.bottom() - 1), Qt::AlignCenter,
               text_);
}

// ---- ClocksAndEvaluation ----

ClocksAndEvaluation::ClocksAndEvaluation(QWidget* window)
    : QObject(window), whiteClock_(panel<ClockPanel>(window, "whiteClock")),
      blackClock_(panel<ClockPanel>(window, "blackClock")),
      bar_(panel<EvaluationBar>(window, "evaluationBar")) {}

void ClocksAndEvaluation::setEnabled(bool enabled) {
    enabled_ = enabled;
}

void ClocksAndEvaluation::setTextColour(const QColor& colour) {
    whiteClock_->setTextColour(colour);
    blackClock_->setTextColour(colour);
    bar_->setTextColour(colour);
}

bool ClocksAndEvaluation::startGame(std::vector<pgn::CommentCommands> commands,
                                    bool whiteMovesFirst) {
    commands_ = enabled_ ? std::move(commands) : std::vector<pgn::CommentCommands>{};
    LayoutParts parts;
    for (const pgn::CommentCommands& c : commands_) {
        parts.clocks = parts.clocks || c.clockMs.has_value();
        parts.evaluation = parts.evaluation || c.evaluation.has_value();
    }
    whiteClock_->setTime(std::nullopt);
    blackClock_->setTime(std::nullopt);
    whiteClock_->setRunning(whiteMovesFirst);
    blackClock_->setRunning(!whiteMovesFirst);
    const pgn::CommentCommands* before = pgn::CommandsAfter(commands_, 0);
    bar_->setEvaluation(before ? before->evaluation : std::nullopt);
    const bool changed = !(parts == parts_);
    parts_ = parts;
    return changed;
}

LayoutParts ClocksAndEvaluation::parts() const {
    return parts_;
}

void ClocksAndEvaluation::place(const FilledLayout& l) {
    const bool clocks = l.fills && parts_.clocks && l.whiteClock.height > 0;
    const bool evaluation = l.fills && parts_.evaluation && l.evaluation.width > 0;
    if (clocks) {
        for (ClockPanel* clock : {whiteClock_, blackClock_})
            clock->setTextPixels(l.clockText);
        whiteClock_->setGeometry(pixelRect(l.whiteClock));
        blackClock_->setGeometry(pixelRect(l.blackClock));
    }
    if (evaluation) {
        bar_->setGeometry(pixelRect(l.evaluation));
        bar_->setMetrics(l.smallText, int(std::lround(l.board.height)));
    }
    whiteClock_->setVisible(clocks);
    blackClock_->setVisible(clocks);
    bar_->setVisible(evaluation);
}

void ClocksAndEvaluation::halfMovePlayed(std::size_t movesPlayed, bool white) {
    whiteClock_->setRunning(!white);
    blackClock_->setRunning(white);
    const pgn::CommentCommands* now = pgn::CommandsAfter(commands_, movesPlayed);
    if (!now)
        return; // a value the game leaves out keeps the last one
    if (now->clockMs)
        (white ? whiteClock_ : blackClock_)->setTime(now->clockMs);
    if (now->evaluation)
        bar_->setEvaluation(now->evaluation);
}

} // namespace pw2
