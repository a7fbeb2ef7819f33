// The move list: the game's moves as played so far, in rows of a move number, White's move and
// Black's, with the columns aligned and the move just played marked. The newest row stays in
// view; older rows leave at the top. No move is ever cut: when a row would not fit the width,
// the text shrinks until it does.
#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QWidget>
#include <vector>

namespace pw2 {

class MoveListPanel : public QWidget {
    Q_OBJECT
public:
    explicit MoveListPanel(QWidget* parent);

    void setTextColour(const QColor& colour);
    // The text's face and size, the height of a row in pixels, and the move whose width every
    // move column is given at least (so that the columns stay put as the game goes on).
    void setMetrics(const QFont& font, int lineHeight, const QString& widestMove);

    // Empties the list.
    void clear();
    // A half-move just played: White's starts a row; Black's completes the row of its number, or
    // starts one ("11. ... Nf6") when its number has no row yet.
    void addHalfMove(long number, bool white, const QString& move);

    int rowCount() const { return int(rows_.size()); }
    // A row as it reads: "17. Rfd1 Rac8", "17. Rfd1", "11. ... Nf6".
    QString rowText(int row) const;
    // The marked move: its row, and whether it is White's.
    int markedRow() const { return rowCount() - 1; }
    bool markedWhite() const { return markedWhite_; }
    // The face the rows are drawn with: the one set, or a smaller one where a row needs it.
    const QFont& shownFont() const { return shownFont_; }
    int lineHeight() const { return lineHeight_; }
    // How many rows the panel's height shows.
    int visibleRows() const { return lineHeight_ > 0 ? std::max(1, height() / lineHeight_) : 1; }
    // The oldest row in view: the newest row is always shown at the bottom.
    int firstShownRow() const { return std::max(0, rowCount() - visibleRows()); }
    // The width a row's three columns take with the shown font.
    int rowsWidth() const;

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;

private:
    struct Row {
        QString number; // "17."
        QString white;  // empty when Black moved first in this row
        QString black;
    };
    struct Columns {
        int number = 0, move = 0, gap = 0;
    };
    Columns columns() const;
    // Shrinks the shown font where a row would not fit; true when it changed.
    bool fitFont();
    QRect rowRect(int row) const;

    std::vector<Row> rows_;
    bool markedWhite_ = true;
    QColor colour_ = Qt::green;
    QFont font_, shownFont_;
    int lineHeight_ = 16;
    QString widestMove_;
};

} // namespace pw2
