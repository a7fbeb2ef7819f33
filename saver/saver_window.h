// The saver window: the board, the game's header labels, the current move, the scrolling move
// list, and the two timers that drive play (the game scheduler and the move player).
#pragma once

#include "boardhost/board_proxy.h"
#include "pgn/interfaces.h"

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
inline constexpr const char* kFileNotFound = "The specfied PGN file is not found, Loading Default";
inline constexpr const char* kDefaultNotFound = "Default File Not found, please specify a PGN file";

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
    QImage Image2; // the picture holder used while scrolling
};

// Screen size in pixels and its resolution, from the platform or given by a test.
struct ScreenMetrics {
    QSize pixels;
    double twipsPerPixel = 15.0;
    static ScreenMetrics primary();
};

class Saver : public QWidget, public pgn::Host {
    Q_OBJECT
public:
    // Creates and loads the window (Form_Load) with its board control. On failure shows a
    // message naming the cause and returns nullptr.
    static Saver* create(const ScreenMetrics& screen = ScreenMetrics::primary());
    ~Saver() override;

    // Shows the window over the whole screen.
    void showSaver();
    // Lays the window out again for another screen size (a host window that was resized).
    void relayout(const ScreenMetrics& screen);

    // The game scheduler: picks, cuts and loads the next game, then starts the move player.
    void Timer2_Timer();
    // The move player: one half-move per tick.
    void Timer1_Timer();
    // Indexes the games of a file into the match settings; trims the caller's path.
    void EnumDefault(QString& path);

    // Input: each ends the program.
    void Form_KeyPress(const QString& text);
    void Form_MouseDown();
    void Form_MouseMove(const QPointF& position);

    // pgn::Host
    void setStatus(std::string_view text) override;
    void showMessage(std::string_view text, pgn::Icon icon) override;
    void runScheduler() override;
    void endProgram() override;

    // Random numbers in [0, 1) for random game order (tests make them predictable).
    void setRandomSource(std::function<double()> source) { random_ = std::move(source); }

    BoardProxy& board() { return *boardProxy_; }
    double twipsPerPixel() const { return screen_.twipsPerPixel; }
    int px(double twips) const;

    // The window's controls, by the names they are known by.
    QWidget* Picture1 = nullptr; // board panel
    QWidget* Picture2 = nullptr; // current-move panel
    MoveListBox* Picture3 = nullptr;
    QLabel* Label1 = nullptr; // Black tag
    QLabel* Label2 = nullptr; // White tag
    QLabel* Label3 = nullptr; // Event tag
    QLabel* Label4 = nullptr; // Date tag
    QLabel* Label5 = nullptr; // status
    QLabel* Label6 = nullptr; // current move
    QLabel* Label7 = nullptr; // "Current Move :"
    QLabel* Label8 = nullptr; // "Move list:"
    std::array<QLabel*, 16> Label{};
    vantrelkit::IControl* Board = nullptr;
    SaverTimer* Timer1 = nullptr;
    SaverTimer* Timer2 = nullptr;
    std::vector<std::string> List1; // the move list of the current game
    std::int32_t MoveIndex = 0;

signals:
    // What the window shows has changed (a move was played, a game loaded).
    void frameChanged();
    // No game file can be played: the saver has closed, and the setup dialog should open.
    void setupRequested();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    explicit Saver(const ScreenMetrics& screen);
    bool createBoard(QString* error);
    void Form_Load();
    // Positions that depend on the screen's size.
    void applyLayout();
    void buildControls();
    QLabel* makeLabel(QWidget* parent, const QString& text, double left, double top, double width,
                      double height, bool autoSize);
    void setAutoSizeCaption(QLabel* label, const QString& text, double centreTwips);
    void closeToSetup();
    void playMove(std::string move);

    ScreenMetrics screen_;
    std::optional<BoardProxy> boardProxy_;
    std::optional<QPointF> LastMousePosition;
    std::function<double()> random_;
    std::uint64_t schedulerRuns_ = 0;
};

} // namespace pw2
