// Vantrel, the board control's widget: the board picture, the 64 square pictures that follow the
// position, the members of _Vantrel, the mouse events of __Vantrel and the persisted properties.
#pragma once

#include "art.h"
#include "component.h"
#include "position.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QRectF>
#include <QTimer>
#include <QWidget>
#include <array>
#include <memory>
#include <optional>

namespace vantrelkit {

// One square picture: a windowless element owned and painted by Vantrel. The picture is named by
// its Images entry, so that it follows the control's pictures when these are drawn anew for
// another device pixel ratio.
struct SquarePicture {
    QRectF rect;
    PieceNum picture = none;
    bool visible = false;
};

class Vantrel final : public QWidget {
    Q_OBJECT

public:
    Vantrel(QWidget* parent, IHostSite* site);
    ~Vantrel() override;

    IControl* control() { return &control_; }
    void advise(IEventSink* sink) { sink_ = sink; }

    // Members of _Vantrel.
    bool Enabled() const;
    void setEnabledProperty(bool enabled);
    void NewGame();
    void Clear();
    Status Piece(std::int16_t col, std::int16_t row, PieceNum* value) const;
    Status setPiece(std::int16_t col, std::int16_t row, std::int32_t value);
    Status IsSelected(std::int16_t col, std::int16_t row, bool* value) const;
    Status IsLegalMove(std::int16_t fromCol, std::int16_t fromRow, std::int16_t toCol,
                       std::int16_t toRow, bool* value) const;
    Status MovePiece(std::int16_t fromCol, std::int16_t fromRow, std::int16_t toCol,
                     std::int16_t toRow);
    void ChangeBoardSize(std::int32_t dimension);
    Status HighlightSquares(std::int16_t fromCol, std::int16_t fromRow, std::int16_t toCol,
                            std::int16_t toRow);
    void ClearHighlight();
    void About();
    float BoardScale() const { return scale_; }
    Status setBoardScale(float scale);
    std::int32_t BoardTheme() const { return theme_; }
    Status setBoardTheme(std::int32_t theme);
    std::int32_t PieceSet() const { return pieceSet_; }
    Status setPieceSet(std::int32_t set);
    Status BeginGlide(std::int32_t duration);
    void EndGlide();
    void FinishGlide();
    bool Gliding() const { return glide_ != GlideState::None; }

    // Persisted properties: first placement, load from and save to the host's store.
    void initNew();
    void load();
    void save();

    // The geometry and visibility of square picture Check(index), index 1 to 64.
    Q_INVOKABLE QRectF checkGeometry(int index) const;
    Q_INVOKABLE bool checkVisible(int index) const;
    // For a host that steps a glide's frames itself: from this call on the instance reads the
    // glide's time, in milliseconds, from the last value given here instead of its own clock, and
    // draws a frame only when given a time. The frame for `milliseconds` is drawn at once.
    Q_INVOKABLE void setGlideClock(qint64 milliseconds);
    // The time between two frames of a glide on the control's screen, in milliseconds.
    Q_INVOKABLE int glideFrameInterval() const;
    // Where sliding piece `slider` (0 for the first MovePiece of the glide) is drawn now; an
    // empty rectangle when no such piece slides.
    Q_INVOKABLE QRectF glidingPiece(int slider) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    enum class GlideState : std::uint8_t { None, Open, Running };
    // A piece that slides in the glide: its picture, from where it starts to where it arrives,
    // and where it was last drawn.
    struct Slider {
        int from = 0;
        int to = 0;
        PieceNum picture = none;
        QRectF start;
        QRectF shown;
    };
    // More carried pieces than this in one glide show at once on arrival.
    static constexpr int kMaxSliders = 8;

    // Writes the square's content and shows it.
    void SetSquare(int index, PieceNum piece);
    // Shows piece on the square picture of index, leaving the position as it is.
    void showPicture(int index, PieceNum piece);
    // Notes a move made inside an open glide: it slides, and both its squares wait for the end.
    void noteGlideMove(const Move& move);
    // Draws the frame for the glide's time now, or ends the glide when its pieces arrived.
    void advanceGlide();
    qint64 glideNow() const;
    void markPending(int index) { pendingSquares_ |= std::uint64_t{1} << (index - 1); }
    // Places every square picture where creation puts it, times the scale.
    void layOutChecks();
    // Takes the pictures drawn for the device pixel ratio the control is shown at now, and for its
    // scale.
    void followDevicePixelRatio();
    void repaintCheck(int index);
    // Tints squares from and to (indexes 1 to 64, 0 for none) instead of the ones tinted now, and
    // repaints the squares whose tint changes.
    void setHighlight(int from, int to);
    bool highlighted(int index) const {
        return index != 0 && (index == tint_[0] || index == tint_[1]);
    }
    int checkAt(QPointF point) const;
    void raiseSquareEvent(std::int32_t dispid, int index);
    void raiseMouseEvent(std::int32_t dispid, int index, const QMouseEvent* event,
                         std::int16_t button);

    std::shared_ptr<const Art> art_; // drawn for the ratio the control was last painted at
    float scale_ = 1.0f;             // BoardScale
    Position position_;
    std::array<int, 2> tint_{};                  // the highlighted squares' indexes, 0 for none
    std::array<SquarePicture, 65> Check;         // entry 0 unused
    std::int32_t theme_ = boardtheme::designed;  // BoardTheme
    std::int32_t pieceSet_ = pieceset::designed; // PieceSet

    GlideState glide_ = GlideState::None;
    std::int32_t glideDuration_ = 0; // milliseconds
    qint64 glideStart_ = 0;
    std::array<Slider, kMaxSliders> sliders_{};
    int sliderCount_ = 0;
    // Squares (bit index - 1) that show their old content until the glide ends.
    std::uint64_t pendingSquares_ = 0;
    QTimer frameTimer_;
    QElapsedTimer clock_;
    std::optional<qint64> manualClock_;

    IHostSite* site_;
    IEventSink* sink_ = nullptr;
    ControlObject control_{*this};

    std::int16_t SavedPiece = 0;
    bool SavedIsSelected = false;
    // No value is "none"; an engaged empty array is an empty picture.
    std::optional<QByteArray> SavedPicture;

    int pressedCheck_ = 0; // the element holding the mouse between press and release
    bool pressFromDoubleClick_ = false;
};

} // namespace vantrelkit
