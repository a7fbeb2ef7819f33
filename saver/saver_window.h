// The saver window: the board, the game's header labels, the current move, the scrolling move
// list, and the two timers that drive play.
#pragma once

#include "boardhost/board_proxy.h"
#include "pgn/commentary.h"
#include "pgn/interfaces.h"
#include "playback/game_player.h"
#include "playback/game_scheduler.h"
#include "saver/black_window.h"
#include "saver/game_texts.h"
#include "saver/saver_layout.h"

#include <QImage>
#include <QPointF>
#include <QSize>
#include <QTimer>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QLabel;
class QScreen;
class QFont;

namespace vantrelkit {
class IControl;
}

namespace pw2 {

class MoveListPanel;
class ClocksAndEvaluation;

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

// Screen size in pixels and its resolution, from the platform or given by a test.
struct ScreenMetrics {
    QSize pixels;
    double twipsPerPixel = 15.0;
    QPoint origin; // the screen's top-left corner on the desktop
    static ScreenMetrics primary();
    // The metrics of screen; those of a screen of 800 by 600 pixels when there is none.
    static ScreenMetrics of(QScreen* screen);
};

// The saver: the board with its coordinates and the game's header above it, the move list at the
// left, the current move and the status at the right; on a screen larger than the designed ones,
// with "Fill the screen" on, the board as large as the height allows and the texts in columns
// beside it (computeFilledLayout). Only what has been played is shown: a half-move reaches the
// move list and the current move when it is played, with the annotator's glyph, and a comment
// stays for its own half-move only. Two timers drive it: the game timer starts the match's next
// game, the move timer plays it half-move by half-move, and waits longer after a comment so that
// it can be read (setting CommentReadingTime).
class Saver : public BlackWindow, private pgn::Host {
    Q_OBJECT
public:
    // Creates and loads the window with its board control. On failure shows a message naming the
    // cause and returns nullptr. A saver given another's scheduler (a board on another screen)
    // draws its games from the same match in turn with it, and leaves where the match starts to
    // the saver that made the scheduler.
    static Saver* create(const ScreenMetrics& screen = ScreenMetrics::primary(),
                         std::shared_ptr<GameScheduler> sharedScheduler = {});
    ~Saver() override;

    // Shows the window over the whole screen.
    void showSaver();
    // Lays the window out again for another screen size (a host window that was resized).
    void relayout(const ScreenMetrics& screen);
    // How much the board is grown over its designed size to fill the screen; 1 when it is not.
    double layoutScale() const { return scale_; }
    // Whether the filled layout is shown (else the designed one).
    bool filled() const { return filled_; }

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
    std::int32_t gameNumber() const { return gameNumber_; }
    // The scheduler this saver draws its games from, for savers on other screens to share.
    std::shared_ptr<GameScheduler> scheduler() const { return scheduler_; }
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

    Saver(const ScreenMetrics& screen, std::shared_ptr<GameScheduler> sharedScheduler);
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
    // The designed layout's places, with each label in its designed panel.
    void applyDesignedLayout(const SaverLayout& layout);
    // The board control draws at that scale of its own size.
    void setBoardScale(double scale);
    // The filled layout's places: the labels stand in the window's columns.
    void applyFilledLayout(const FilledLayout& layout);
    void placeLabel(QLabel* label, QWidget* parent, const Box& box, const QFont& font,
                    Qt::Alignment alignment);
    // The header's texts: the tags as written in the designed layout, their values in the filled.
    void showGameHeader();
    void showCurrentMove(const QString& text);
    // The next half-move waits the time between moves, and after a shown comment its reading
    // time as well.
    void holdForReading(const pgn::Comment* shown);
    // How the game ended ("Checkmate", "Stalemate") when it ended on the board; the summary
    // between games names it.
    std::string gameEnding() const;
    // The caption beneath the board: a comment of the game, or the summary between games; empty
    // hides it. The text is cut at a word to fit the caption's place.
    void showCaption(const QString& text);
    void fitCaption();
    // The comment after the moves played so far; none hides the caption. Returns it.
    const pgn::Comment* showComment();
    void closeToSetup(bool gameFileMissing);

    // pgn::Host
    void setStatus(std::string_view text) override;
    void showMessage(std::string_view text, pgn::Icon icon) override;

    ScreenMetrics screen_;
    bool fillScreen_ = false;    // whether the layout grows with a screen beyond the designed ones
    bool highlightMove_ = false; // whether the last half-move's squares are tinted
    bool animateMoves_ = false;  // whether a half-move glides (see glideDuration)
    double scale_ = 1;
    unsigned gamesShown_ = 0; // the burn-in drift walks on with each game
    Drift drift_;
    bool settingUp_ = false; // a game's set-up position is being shown as the game starts
    float boardScale_ = 1;   // the scale the board control draws at
    std::vector<Placement> placements_;
    std::shared_ptr<GameScheduler> scheduler_;
    bool sharesScheduler_ = false; // another saver made the scheduler and starts its match
    std::int32_t gameNumber_ = 0;
    GamePlayer player_;

    QWidget* boardPanel_ = nullptr;
    QWidget* currentMovePanel_ = nullptr;
    MoveListPanel* moveList_ = nullptr;
    ClocksAndEvaluation* clocksAndEvaluation_ = nullptr;
    QLabel* openingLabel_ = nullptr; // the filled layout's opening
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
    bool readingTime_ = false; // whether a comment holds the next move back to be read
    bool moveListShown_ = true;
    bool filled_ = false; // the filled layout is shown
    FilledLayout filledLayout_;
    int moveInterval_ = 0; // the time between moves, in milliseconds
    // The game's header tags as written and as values, and what its annotator wrote.
    std::array<std::string, 4> headerTags_; // White, Black, Event, Date
    GameHeader header_;
    pgn::Annotations notes_;
};

} // namespace pw2
