// The saver window: the board, the game's header labels, the current move, the scrolling move
// list, and the two timers that drive play.
#pragma once

#include "boardhost/board_proxy.h"
#include "pgn/interfaces.h"
#include "playback/game_player.h"
#include "playback/game_scheduler.h"
#include "saver/black_window.h"
#include "saver/saver_layout.h"

#include <QImage>
#include <QPointF>
#include <QSize>
#include <QTimer>
#include <QWidget>
#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QLabel;

namespace vantrelkit {
class IControl;
}

namespace pw2 {

// The title by which a later instance finds a running saver.
inline constexpr const char* kSaverMarkerTitle = "Pawnwatch2";
// The title the saver window is designed with.
inline constexpr const char* kSaverDesignTitle = "Pawnwatch2 screen saver";

inline constexpr const char* kMatchFinished = "Match finished or stopped";

// A timer that ticks every interval milliseconds while enabled; an interval of 0 never fires.
// Enabling it, or changing its interval, starts the count afresh.
class SaverTimer : public QObject {
    Q_OBJECT
public:
    explicit SaverTimer(QObject* parent = nullptr);
    void setEnabled(bool enabled);
    void setInterval(int ms);
    bool isEnabled() const { return enabled_; }
    int interval() const { return interval_; }
    // True when ticks are being delivered (enabled with a non-zero interval).
    bool isRunning() const { return timer_.isActive(); }

signals:
    void tick();

private:
    void apply();
    QTimer timer_;
    bool enabled_ = false;
    int interval_ = 0;
};

// The move-list box: lines printed at a print position into a persistent image, scrolled by one
// line with a single copy of that image.
class MoveListBox : public QWidget {
    Q_OBJECT
public:
    MoveListBox(double twipsPerPixel, QWidget* parent);
    void setTextColour(const QColor& colour);
    // Lines and text grow with scale: a twip of the box is scale / twipsPerPixel pixels.
    void setScale(double twipsPerPixel, double scale);
    // Background, print position to the top.
    void clearBox();
    void printLine(const QString& text);
    // Moves every line up by one line; the bottom line is left clear.
    void scrollUp();
    double currentY() const { return currentY_; } // twips from the top
    void setCurrentY(double twips) { currentY_ = twips; }
    double heightTwips() const { return height() * twipsPerPixel_; }
    const QImage& image() const { return image_; }

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;

private:
    // The persistent image follows the box's size.
    void syncImage();

    double twipsPerPixel_;
    double currentY_ = 0;
    QColor colour_;
    QImage image_;
};

// Screen size in pixels and its resolution, from the platform or given by a test.
struct ScreenMetrics {
    QSize pixels;
    double twipsPerPixel = 15.0;
    QPoint origin; // the screen's top-left corner on the desktop
    static ScreenMetrics primary();
};

// The saver: the board with its coordinates and the game's header above it, the move list at the
// left, the current move and the status at the right. Two timers drive it: the game timer starts
// the match's next game, the move timer plays it half-move by half-move.
class Saver : public BlackWindow, private pgn::Host {
    Q_OBJECT
public:
    // Creates and loads the window with its board control. On failure shows a message naming the
    // cause and returns nullptr.
    static Saver* create(const ScreenMetrics& screen = ScreenMetrics::primary());
    ~Saver() override;

    // Shows the window over the whole screen.
    void showSaver();
    // Lays the window out again for another screen size (a host window that was resized).
    void relayout(const ScreenMetrics& screen);
    // How much the layout is grown over its design to fill the screen; 1 when it is not.
    double layoutScale() const { return scale_; }

    // Starts the match's next game: shows its header, loads its moves and starts the move timer.
    // Without a game to play the window closes and asks for the setup dialog. The game timer
    // calls this; so does the start of the saver.
    void startNextGame();
    // Plays the game's next half-move; after the last one shows the result and hands over to the
    // game timer. The move timer calls this.
    void playNextHalfMove();

    // Random numbers in [0, 1) for random game order (tests make them predictable).
    void setRandomSource(std::function<double()> source);

    BoardProxy& board() { return *boardProxy_; }
    const GamePlayer& player() const { return player_; }
    // The match's game being played (1-based).
    std::int32_t gameNumber() const { return scheduler_.gameNumber(); }
    double twipsPerPixel() const { return screen_.twipsPerPixel; }

signals:
    // What the window shows has changed (a move was played, a game loaded).
    void frameChanged();
    // No game can be played: the saver has closed, and the setup dialog should open.
    // gameFileMissing: neither the match's file nor the bundled games exist.
    void setupRequested(bool gameFileMissing);

private:
    // A control inside a panel, kept at its design place (twips) times the layout's scale.
    struct Placement {
        QWidget* widget;
        double left, top, width, height;
        double fontPoints;  // 0: the control has no font of its own
        bool autoSize;      // sized to its text
        double centre = -1; // >= 0: an auto-sized caption centred on this abscissa
    };

    explicit Saver(const ScreenMetrics& screen);
    bool createBoard(QString* error);
    // Applies the display settings and the layout, and takes the first game to play.
    void loadSettings();
    // Places and sizes that depend on the screen's size and, for a filled layout, its drift.
    void applyLayout();
    bool fillsScreen() const;
    void place(const Placement& placement);
    void buildControls();
    int px(double twips) const;
    QLabel* makeLabel(QWidget* parent, const QString& name, const QString& text, double left,
                      double top, double width, double height, bool autoSize);
    void setAutoSizeCaption(QLabel* label, const QString& text);
    void showGameHeader(const std::string& gameText);
    // The caption beneath the board: a comment of the game, or the summary between games; empty
    // hides it. The text is cut at a word to fit the caption's place.
    void showCaption(const QString& text);
    void fitCaption();
    // The comment after the moves played so far, when the game has one there.
    void showComment();
    void closeToSetup(bool gameFileMissing);

    // pgn::Host
    void setStatus(std::string_view text) override;
    void showMessage(std::string_view text, pgn::Icon icon) override;

    ScreenMetrics screen_;
    bool fillScreen_ = false;    // whether the layout grows with a screen beyond the designed ones
    bool highlightMove_ = false; // whether the last half-move's squares are tinted
    double scale_ = 1;
    unsigned gamesShown_ = 0; // the burn-in drift walks on with each game
    Drift drift_;
    bool settingUp_ = false; // a game's set-up position is being shown as the game starts
    float boardScale_ = 1;   // the scale the board control draws at
    std::vector<Placement> placements_;
    GameScheduler scheduler_;
    GamePlayer player_;

    QWidget* boardPanel_ = nullptr;
    QWidget* currentMovePanel_ = nullptr;
    MoveListBox* moveListBox_ = nullptr;
    QLabel* eventLabel_ = nullptr;
    QLabel* dateLabel_ = nullptr;
    QLabel* whiteLabel_ = nullptr;
    QLabel* blackLabel_ = nullptr;
    QLabel* statusLabel_ = nullptr;
    QLabel* currentMoveLabel_ = nullptr;
    QLabel* currentMoveTitle_ = nullptr;
    QLabel* moveListTitle_ = nullptr;
    std::array<QLabel*, 8> fileLabels_{}; // a to h beneath the board
    std::array<QLabel*, 8> rankLabels_{}; // 1 to 8 beside it
    vantrelkit::IControl* boardControl_ = nullptr;
    std::optional<BoardProxy> boardProxy_;
    SaverTimer* moveTimer_ = nullptr;
    SaverTimer* gameTimer_ = nullptr;
    QLabel* captionLabel_ = nullptr;
    QString caption_;          // the caption's whole text, before it is fitted
    bool commentary_ = false;  // whether a game's comments are shown
    bool gameSummary_ = false; // whether the result and moves are shown between games
};

} // namespace pw2
