// The players' clocks and the evaluation bar, for games whose comments carry them: each clock
// stands by its player's name and shows the time left after that player's last move; the bar
// stands beside the board, White's share from below, with the evaluation's number under it.
#pragma once

#include "pgn/comment_commands.h"
#include "saver/saver_layout.h"

#include <QColor>
#include <QFont>
#include <QObject>
#include <QWidget>
#include <cstdint>
#include <optional>
#include <vector>

namespace pw2 {

// One player's clock: the time left, drawn in the text colour in a frame, filled faintly while
// that player is to move. Empty until the game gives a time.
class ClockPanel final : public QWidget {
    Q_OBJECT
public:
    explicit ClockPanel(QWidget* parent);
    void setTextColour(const QColor& colour);
    void setTextPixels(double pixels);
    void setTime(std::optional<std::int64_t> ms);
    void setRunning(bool running);
    // The time as shown ("7:31"), empty when none.
    const QString& text() const { return text_; }
    bool running() const { return running_; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QColor colour_ = Qt::green;
    QFont font_;
    QString text_;
    bool running_ = false;
};

// The evaluation bar: Black's share at the top, White's at the bottom (WhiteShare), a mark at
// the middle, and the evaluation's text beneath it ("+1.37", "#-3"), set smaller when it would
// not fit. Before the game gives an evaluation the bar stands even, without a number.
class EvaluationBar final : public QWidget {
    Q_OBJECT
public:
    explicit EvaluationBar(QWidget* parent);
    void setTextColour(const QColor& colour);
    // The text's size, and the height of the bar (from the top); the number stands below it.
    void setMetrics(double textPixels, int barHeight);
    void setEvaluation(std::optional<pgn::Evaluation> evaluation);
    const QString& text() const { return text_; }
    double whiteShare() const { return share_; }
    // The bar's rectangle in the panel.
    QRect barRect() const;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QColor colour_ = Qt::green;
    double textPixels_ = 12;
    int barHeight_ = 0;
    QString text_;
    double share_ = 0.5;
};

// Keeps the clocks and the bar in step with the game: which of them the game carries, their
// places in the filled layout, and their values as the half-moves are played.
class ClocksAndEvaluation final : public QObject {
    Q_OBJECT
public:
    explicit ClocksAndEvaluation(QWidget* window);

    // Whether they are shown at all (setting ClocksAndEvaluation).
    void setEnabled(bool enabled);
    void setTextColour(const QColor& colour);

    // A game starts with these commands of its main line: the clocks stand empty, the clock of
    // the side to move first runs, the bar stands even (with the evaluation before the first
    // move, if one is given). True when what the layout must make room for has changed.
    bool startGame(std::vector<pgn::CommentCommands> commands, bool whiteMovesFirst);
    // What the layout makes room for.
    LayoutParts parts() const;
    // Places the panels where the filled layout puts them; a layout that does not fill the screen
    // (or leaves no room for them) hides them.
    void place(const FilledLayout& layout);
    // A half-move was played, the game's movesPlayed-th, by White or Black: that player's clock
    // and the bar take the values its comment gives, and the other player's clock runs.
    void halfMovePlayed(std::size_t movesPlayed, bool white);

private:
    bool enabled_ = true;
    std::vector<pgn::CommentCommands> commands_;
    LayoutParts parts_;
    ClockPanel* whiteClock_;
    ClockPanel* blackClock_;
    EvaluationBar* bar_;
};

} // namespace pw2
