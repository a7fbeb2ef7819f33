#include "saver/move_list_panel.h"

#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace pw2 {

MoveListPanel::MoveListPanel(QWidget* parent) : QWidget(parent) {
    // Every pixel is painted: black behind the rows.
    setAttribute(Qt::WA_OpaquePaintEvent);
    font_ = shownFont_ = font();
}

void MoveListPanel::setTextColour(const QColor& colour) {
    colour_ = colour;
    update();
}

void MoveListPanel::setMetrics(const QFont& font, int lineHeight, const QString& widestMove) {
    font_ = shownFont_ = font;
    lineHeight_ = std::max(1, lineHeight);
    widestMove_ = widestMove;
    fitFont();
    update();
}

void MoveListPanel::clear() {
    rows_.clear();
    shownFont_ = font_;
    fitFont();
    update();
}

MoveListPanel::Columns MoveListPanel::columns() const {
    const QFontMetrics fm(shownFont_);
    Columns c;
    c.gap = std::max(2, fm.horizontalAdvance(QLatin1Char(' ')));
    c.number = fm.horizontalAdvance(QStringLiteral("99."));
    c.move = fm.horizontalAdvance(widestMove_);
    for (const Row& r : rows_) {
        c.number = std::max(c.number, fm.horizontalAdvance(r.number));
        c.move = std::max({c.move, fm.horizontalAdvance(r.white), fm.horizontalAdvance(r.black)});
    }
    return c;
}

int MoveListPanel::rowsWidth() const {
    const Columns c = columns();
    return c.number + 2 * c.gap + 2 * c.move;
}

bool MoveListPanel::fitFont() {
    const QFont before = shownFont_;
    // A few steps at most: each takes the size that the width allows, less a pixel where
    // rounding asks for it.
    for (int i = 0; i < 8 && width() > 0; ++i) {
        const int needed = rowsWidth();
        const int pixels = QFontInfo(shownFont_).pixelSize();
        if (needed <= width() || pixels <= 4)
            break;
        shownFont_.setPixelSize(std::clamp(int(pixels * double(width()) / needed), 4, pixels - 1));
    }
    return shownFont_ != before;
}

void MoveListPanel::resizeEvent(QResizeEvent*) {
    shownFont_ = font_;
    fitFont();
}

QRect MoveListPanel::rowRect(int row) const {
    return QRect(0, (row - firstShownRow()) * lineHeight_, width(), lineHeight_);
}

void MoveListPanel::addHalfMove(long number, bool white, const QString& move) {
    const int shownBefore = firstShownRow();
    const int markedBefore = markedRow();
    const QString numberText = QString::number(number) + QLatin1Char('.');
    if (white || rows_.empty() || rows_.back().number != numberText ||
        !rows_.back().black.isEmpty())
        rows_.push_back({numberText, white ? move : QString(), {}});
    if (!white)
        rows_.back().black = move;
    markedWhite_ = white;

    if (fitFont()) {
        update();
        return;
    }
    // Only what changed is painted: the row of the move, and the row that lost the mark; when
    // the rows moved up, their pixels are moved rather than painted again.
    const int moved = firstShownRow() - shownBefore;
    if (moved == 1 && isVisible()) {
        scroll(0, -lineHeight_);
    } else if (moved != 0) {
        update();
        return;
    }
    update(rowRect(markedRow()));
    if (markedBefore >= firstShownRow() && markedBefore != markedRow())
        update(rowRect(markedBefore));
}

QString MoveListPanel::rowText(int row) const {
    const Row& r = rows_.at(std::size_t(row));
    QString text =
        r.number + QLatin1Char(' ') + (r.white.isEmpty() ? QStringLiteral("...") : r.white);
    if (!r.black.isEmpty())
        text += QLatin1Char(' ') + r.black;
    return text;
}

void MoveListPanel::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    p.fillRect(event->rect(), Qt::black);
    p.setFont(shownFont_);
    const Columns c = columns();
    const QFontMetrics fm(shownFont_);
    const int whiteLeft = c.number + c.gap;
    const int blackLeft = whiteLeft + c.move + c.gap;
    QColor mark = colour_;
    mark.setAlpha(80);
    for (int row = firstShownRow(); row < rowCount(); ++row) {
        const QRect r = rowRect(row);
        if (!r.intersects(event->rect()))
            continue;
        const Row& entry = rows_[std::size_t(row)];
        if (row == markedRow()) {
            const QString& marked = markedWhite_ ? entry.white : entry.black;
            const int left = markedWhite_ ? whiteLeft : blackLeft;
            const int pad = c.gap / 2;
            p.setPen(Qt::NoPen);
            p.setBrush(mark);
            p.drawRoundedRect(QRectF(left - pad, r.top() + 1,
                                     fm.horizontalAdvance(marked) + 2 * pad, r.height() - 2),
                              pad, pad);
        }
        p.setPen(colour_);
        p.drawText(QRect(0, r.top(), c.number, r.height()), Qt::AlignRight | Qt::AlignVCenter,
                   entry.number);
        p.drawText(QRect(whiteLeft, r.top(), c.move + c.gap, r.height()),
                   Qt::AlignLeft | Qt::AlignVCenter,
                   entry.white.isEmpty() ? QStringLiteral("...") : entry.white);
        p.drawText(QRect(blackLeft, r.top(), width() - blackLeft, r.height()),
                   Qt::AlignLeft | Qt::AlignVCenter, entry.black);
    }
}

} // namespace pw2
