#include "vantrel.h"

#include "aboutbox.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QtMath>
#include <algorithm>
#include <cmath>

namespace vantrelkit {
namespace {

constexpr int kCreationSize = 8 * kSquarePitch; // 296
constexpr QRectF kFirstCheck(4, 4, 31, 32);
constexpr float kMinScale = 0.25f;
constexpr float kMaxScale = 16.0f;
constexpr const char* kNotUserModeText = "Piece can only be set while the host runs";
constexpr const char* kInvalidValueText = "Invalid property value";
constexpr std::int32_t kMaxGlideDuration = 10000;
constexpr qreal kMaxFramesPerSecond = 60;

// The share of the way a sliding piece has gone at share p of the glide's time: it speeds up
// over the first half and slows down over the second.
qreal eased(qreal p) {
    return p < 0.5 ? 4 * p * p * p : 1 - std::pow(-2 * p + 2, 3) / 2;
}

std::int16_t buttonCode(Qt::MouseButtons buttons) {
    std::int16_t code = 0;
    if (buttons & Qt::LeftButton)
        code |= 1;
    if (buttons & Qt::RightButton)
        code |= 2;
    if (buttons & Qt::MiddleButton)
        code |= 4;
    return code;
}

std::int16_t shiftCode(Qt::KeyboardModifiers modifiers) {
    std::int16_t code = 0;
    if (modifiers & Qt::ShiftModifier)
        code |= 1;
    if (modifiers & Qt::ControlModifier)
        code |= 2;
    if (modifiers & Qt::AltModifier)
        code |= 4;
    return code;
}

bool readFlag(IHostSite* site, const char* name, bool fallback) {
    PropertyValue value;
    if (!site || !site->readProperty(name, &value) || value.kind == PropertyValue::Kind::Picture)
        return fallback;
    return value.integer != 0;
}

} // namespace

Vantrel::Vantrel(QWidget* parent, IHostSite* site)
    : QWidget(parent), art_(Art::acquire(devicePixelRatioF())), site_(site) {
    addLiveObject();
    setObjectName(QStringLiteral("Vantrel"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    resize(kCreationSize, kCreationSize);
    layOutChecks();
    clock_.start();
    frameTimer_.setTimerType(Qt::PreciseTimer);
    connect(&frameTimer_, &QTimer::timeout, this, &Vantrel::advanceGlide);
}

Vantrel::~Vantrel() {
    for (SquarePicture& check : Check)
        check = SquarePicture{};
    removeLiveObject();
}

bool Vantrel::Enabled() const {
    return !testAttribute(Qt::WA_ForceDisabled);
}

void Vantrel::setEnabledProperty(bool enabled) {
    setEnabled(enabled);
    if (site_)
        site_->propertyChanged("Enabled");
}

// Only the squares whose contents change are set, and the board is repainted once: a host that
// starts many short games (a replay check) pays for what changed, not for 64 squares each time.
void Vantrel::NewGame() {
    FinishGlide();
    setHighlight(0, 0);
    std::array<PieceNum, 65> start;
    start.fill(none);
    for (const Placement& placement : kStartPlacement)
        start[static_cast<std::size_t>(placement.index)] = placement.piece;
    for (int index = 1; index <= 64; ++index) {
        const PieceNum piece = start[static_cast<std::size_t>(index)];
        if (position_.Squares[index] != piece || Check[index].visible != (piece != none))
            SetSquare(index, piece);
    }
    update();
}

void Vantrel::Clear() {
    FinishGlide();
    setHighlight(0, 0);
    for (int index = 1; index <= 64; ++index)
        SetSquare(index, none);
}

Status Vantrel::Piece(std::int16_t col, std::int16_t row, PieceNum* value) const {
    return position_.Piece(col, row, value);
}

Status Vantrel::setPiece(std::int16_t col, std::int16_t row, std::int32_t value) {
    const Status status = Position::checkSquare(col, row, error::CoordinateRange);
    if (!status.ok())
        return status;
    if (site_ && !site_->userMode())
        return {error::NotUserMode, kNotUserModeText};
    if (!isPieceNum(value))
        return {error::InvalidPropertyValue, kInvalidValueText};
    SavedPiece = static_cast<std::int16_t>(value);
    if (site_)
        site_->propertyChanged("Piece");
    const int index = SquareIndex(col, row);
    position_.Squares[index] = static_cast<PieceNum>(value);
    if (glide_ == GlideState::Open) {
        markPending(index);
        return kOk;
    }
    FinishGlide();
    SetSquare(index, static_cast<PieceNum>(value));
    repaintCheck(index);
    return kOk;
}

Status Vantrel::IsSelected(std::int16_t col, std::int16_t row, bool* value) const {
    return position_.IsSelected(col, row, value);
}

Status Vantrel::IsLegalMove(std::int16_t fromCol, std::int16_t fromRow, std::int16_t toCol,
                            std::int16_t toRow, bool* value) const {
    return position_.IsLegalMove(fromCol, fromRow, toCol, toRow, value);
}

Status Vantrel::MovePiece(std::int16_t fromCol, std::int16_t fromRow, std::int16_t toCol,
                          std::int16_t toRow) {
    Move move;
    const Status status = position_.MovePiece(fromCol, fromRow, toCol, toRow, &move);
    if (status.ok() && move.from != move.to) {
        if (glide_ == GlideState::Open) {
            noteGlideMove(move);
            return status;
        }
        FinishGlide();
        SetSquare(move.to, move.piece);
        SetSquare(move.from, none);
    }
    return status;
}

void Vantrel::ChangeBoardSize(std::int32_t dimension) {
    FinishGlide();
    resize(width(), dimension);
    resize(dimension, dimension);
    for (int index = 1; index <= 64; ++index) {
        const float pitch = static_cast<float>(height()) / 8.0f;
        SquarePicture& check = Check[index];
        const QRectF old = check.rect;
        check.rect.setSize(QSizeF(pitch, pitch));
        if (index % 8 == 1)
            check.rect.moveTo(0, static_cast<float>(index / 8) * pitch);
        else
            check.rect.moveTo(pitch + Check[index - 1].rect.left(), Check[index - 1].rect.top());
        if (check.visible)
            update(old.united(check.rect).toAlignedRect());
    }
}

Status Vantrel::HighlightSquares(std::int16_t fromCol, std::int16_t fromRow, std::int16_t toCol,
                                 std::int16_t toRow) {
    Status status = Position::checkSquare(fromCol, fromRow, error::CoordinateRange);
    if (status.ok())
        status = Position::checkSquare(toCol, toRow, error::CoordinateRange);
    if (status.ok())
        setHighlight(SquareIndex(fromCol, fromRow), SquareIndex(toCol, toRow));
    return status;
}

void Vantrel::ClearHighlight() {
    setHighlight(0, 0);
}

void Vantrel::setHighlight(int from, int to) {
    const std::array<int, 2> old = tint_;
    tint_ = {from, to == from ? 0 : to};
    for (const int index : {old[0], old[1], tint_[0], tint_[1]}) {
        if (index == 0)
            continue;
        const bool before = index == old[0] || index == old[1];
        if (before != highlighted(index)) {
            const Square square = squareOf(index);
            update(boardSquare(square.col, square.row, scale_).toAlignedRect());
        }
    }
}

void Vantrel::About() {
    showAboutBox();
}

Status Vantrel::setBoardScale(float scale) {
    if (!(scale >= kMinScale && scale <= kMaxScale))
        return {error::InvalidPropertyValue, kInvalidValueText};
    FinishGlide();
    scale_ = scale;
    const auto side = static_cast<int>(std::lround(kCreationSize * static_cast<qreal>(scale)));
    resize(side, side);
    layOutChecks();
    // The pictures are drawn for the new scale at the next paint.
    update();
    return kOk;
}

Status Vantrel::setBoardTheme(std::int32_t theme) {
    if (theme < boardtheme::designed || theme > boardtheme::grey)
        return {error::InvalidPropertyValue, kInvalidValueText};
    if (theme != theme_) {
        theme_ = theme;
        update();
    }
    return kOk;
}

// The pictures of the set are drawn at the next paint, for the ratio and scale shown then.
Status Vantrel::setPieceSet(std::int32_t set) {
    if (set != pieceset::designed && set != pieceset::classic)
        return {error::InvalidPropertyValue, kInvalidValueText};
    if (set != pieceSet_) {
        pieceSet_ = set;
        update();
    }
    return kOk;
}

Status Vantrel::BeginGlide(std::int32_t duration) {
    if (duration < 0 || duration > kMaxGlideDuration)
        return {error::InvalidPropertyValue, kInvalidValueText};
    FinishGlide();
    glide_ = GlideState::Open;
    glideDuration_ = duration;
    return kOk;
}

void Vantrel::noteGlideMove(const Move& move) {
    markPending(move.from);
    markPending(move.to);
    // A piece carried on from where it arrived goes on sliding from its first origin.
    for (int i = 0; i < sliderCount_; ++i) {
        if (sliders_[i].to == move.from) {
            sliders_[i].to = move.to;
            return;
        }
    }
    if (sliderCount_ < kMaxSliders)
        sliders_[sliderCount_++] = Slider{move.from, move.to, move.piece, {}, {}};
}

void Vantrel::EndGlide() {
    if (glide_ != GlideState::Open)
        return;
    if (glideDuration_ == 0 || sliderCount_ == 0) {
        FinishGlide();
        return;
    }
    glide_ = GlideState::Running;
    // The pieces slide in the pictures drawn for the ratio and scale shown now.
    followDevicePixelRatio();
    const QSizeF pieceSize = art_->Images[Wpawn].deviceIndependentSize();
    for (int i = 0; i < sliderCount_; ++i) {
        Slider& slider = sliders_[i];
        slider.start = QRectF(Check[slider.from].rect.topLeft(), pieceSize);
        slider.shown = slider.start;
        update(slider.shown.toAlignedRect());
    }
    // The pieces leave their squares; a square another piece slides to keeps its content.
    for (int i = 0; i < sliderCount_; ++i) {
        const int from = sliders_[i].from;
        const bool arrivesHere =
            std::any_of(sliders_.begin(), sliders_.begin() + sliderCount_,
                        [from](const Slider& other) { return other.to == from; });
        if (!arrivesHere)
            showPicture(from, none);
    }
    glideStart_ = glideNow();
    if (!manualClock_)
        frameTimer_.start(glideFrameInterval());
}

void Vantrel::FinishGlide() {
    if (glide_ == GlideState::None)
        return;
    frameTimer_.stop();
    glide_ = GlideState::None;
    for (int i = 0; i < sliderCount_; ++i)
        update(sliders_[i].shown.toAlignedRect());
    sliderCount_ = 0;
    for (int index = 1; index <= 64; ++index) {
        if (pendingSquares_ & (std::uint64_t{1} << (index - 1)))
            showPicture(index, position_.Squares[index]);
    }
    pendingSquares_ = 0;
}

qint64 Vantrel::glideNow() const {
    return manualClock_ ? *manualClock_ : clock_.elapsed();
}

// Each piece moves by whole device pixels from where it started, so that its picture, drawn for
// those pixels, is never resampled; a frame repaints the pixels it leaves and the ones it covers.
void Vantrel::advanceGlide() {
    if (glide_ != GlideState::Running)
        return;
    const qint64 elapsed = glideNow() - glideStart_;
    if (elapsed >= glideDuration_) {
        FinishGlide();
        return;
    }
    const qreal share = eased(static_cast<qreal>(std::max<qint64>(elapsed, 0)) / glideDuration_);
    const qreal ratio = devicePixelRatioF();
    for (int i = 0; i < sliderCount_; ++i) {
        Slider& slider = sliders_[i];
        const QPointF way = (Check[slider.to].rect.topLeft() - slider.start.topLeft()) * share;
        const QPointF step(std::round(way.x() * ratio) / ratio,
                           std::round(way.y() * ratio) / ratio);
        const QRectF now = slider.start.translated(step);
        if (now == slider.shown)
            continue;
        update(slider.shown.toAlignedRect());
        update(now.toAlignedRect());
        slider.shown = now;
    }
}

void Vantrel::setGlideClock(qint64 milliseconds) {
    manualClock_ = milliseconds;
    frameTimer_.stop();
    advanceGlide();
}

int Vantrel::glideFrameInterval() const {
    qreal rate = screen() ? screen()->refreshRate() : kMaxFramesPerSecond;
    if (!(rate > 0) || rate > kMaxFramesPerSecond)
        rate = kMaxFramesPerSecond;
    return qCeil(1000 / rate);
}

QRectF Vantrel::glidingPiece(int slider) const {
    return glide_ == GlideState::Running && slider >= 0 && slider < sliderCount_
               ? sliders_[slider].shown
               : QRectF();
}

// Element 1 stands at 4,4 and every other one 37 pixels right of its left neighbour, or 37 pixels
// below the element above when it starts a row; an element is 31 by 32 until it is given a
// picture, then the picture's 32 by 32.
void Vantrel::layOutChecks() {
    const qreal scale = scale_;
    for (int index = 1; index <= 64; ++index) {
        const Square square = squareOf(index);
        SquarePicture& check = Check[index];
        const qreal width = check.picture == none ? kFirstCheck.width() : kPieceSize;
        check.rect = QRectF((kFirstCheck.left() + kSquarePitch * (square.col - 1)) * scale,
                            (kFirstCheck.top() + kSquarePitch * (square.row - 1)) * scale,
                            width * scale, kFirstCheck.height() * scale);
    }
}

void Vantrel::SetSquare(int index, PieceNum piece) {
    position_.Squares[index] = piece;
    showPicture(index, piece);
}

void Vantrel::showPicture(int index, PieceNum piece) {
    SquarePicture& check = Check[index];
    const QRectF old = check.rect;
    // A hidden board (a host replaying games without a screen) is painted whole when shown, so
    // it skips working out what to repaint.
    const bool shown = isVisible();
    if (piece == none) {
        if (check.visible) {
            check.visible = false;
            if (shown)
                update(old.toAlignedRect());
        }
        return;
    }
    check.picture = piece;
    check.rect.setSize(QSizeF(kPieceSize, kPieceSize) * static_cast<qreal>(scale_));
    check.visible = true;
    if (shown)
        update(old.united(check.rect).toAlignedRect());
}

void Vantrel::repaintCheck(int index) {
    if (Check[index].visible)
        update(Check[index].rect.toAlignedRect());
}

QRectF Vantrel::checkGeometry(int index) const {
    return index >= 1 && index <= 64 ? Check[index].rect : QRectF();
}

bool Vantrel::checkVisible(int index) const {
    return index >= 1 && index <= 64 && Check[index].visible;
}

// A move to another screen or a change of the screen's scale shows at the next paint as a ratio
// other than the one the pictures were drawn for.
void Vantrel::followDevicePixelRatio() {
    const qreal ratio = devicePixelRatioF();
    const qreal scale = scale_;
    if (!qFuzzyCompare(ratio, art_->ratio) || !qFuzzyCompare(scale, art_->scale) ||
        pieceSet_ != art_->pieceSet)
        art_ = Art::acquire(ratio, scale, pieceSet_);
}

void Vantrel::paintEvent(QPaintEvent* event) {
    followDevicePixelRatio();
    QPainter painter(this);
    painter.fillRect(event->rect(), palette().window());
    paintBoard(painter, art_->ratio, art_->scale, theme_);
    const QRectF dirty(event->rect());
    for (const int index : tint_) {
        if (index == 0)
            continue;
        const Square square = squareOf(index);
        if (boardSquare(square.col, square.row, art_->scale).intersects(dirty))
            paintSquareTint(painter, square.col, square.row, art_->scale);
    }
    for (int index = 1; index <= 64; ++index) {
        const SquarePicture& check = Check[index];
        if (!check.visible || check.picture == none || !check.rect.intersects(dirty))
            continue;
        const QPixmap& picture = art_->Images[check.picture];
        // The element never stretches its picture; a smaller element shows the picture's top
        // left part. The source rectangle counts the picture's own pixels.
        const QSizeF shown = check.rect.size().boundedTo(picture.deviceIndependentSize());
        painter.drawPixmap(QRectF(check.rect.topLeft(), shown), picture,
                           QRectF(QPointF(0, 0), shown * picture.devicePixelRatio()));
    }
    // Sliding pieces pass over the others.
    for (int i = 0; i < sliderCount_; ++i) {
        const Slider& slider = sliders_[i];
        if (slider.shown.intersects(dirty))
            painter.drawPixmap(slider.shown.topLeft(), art_->Images[slider.picture]);
    }
}

// The element under the pointer: the last visible one in index order that contains it, or 0.
int Vantrel::checkAt(QPointF point) const {
    for (int index = 64; index >= 1; --index) {
        const SquarePicture& check = Check[index];
        if (check.visible && point.x() >= check.rect.left() && point.x() < check.rect.right() &&
            point.y() >= check.rect.top() && point.y() < check.rect.bottom())
            return index;
    }
    return 0;
}

void Vantrel::raiseSquareEvent(std::int32_t dispid, int index) {
    if (!sink_)
        return;
    Square square = squareOf(index);
    const Variant args[] = {Variant::ref(square.col), Variant::ref(square.row)};
    sink_->onEvent(dispid, args, 2);
}

void Vantrel::raiseMouseEvent(std::int32_t dispid, int index, const QMouseEvent* event,
                              std::int16_t button) {
    if (!sink_)
        return;
    Square square = squareOf(index);
    std::int16_t shift = shiftCode(event->modifiers());
    const QPointF at = event->position() - Check[index].rect.topLeft();
    float x = static_cast<float>(at.x());
    float y = static_cast<float>(at.y());
    const Variant args[] = {Variant::ref(square.col), Variant::ref(square.row),
                            Variant::ref(button),     Variant::ref(shift),
                            Variant::ref(x),          Variant::ref(y)};
    sink_->onEvent(dispid, args, 6);
}

void Vantrel::mousePressEvent(QMouseEvent* event) {
    const int index = pressedCheck_ ? pressedCheck_ : checkAt(event->position());
    if (!index) {
        event->ignore();
        return;
    }
    if (!pressedCheck_) {
        pressedCheck_ = index;
        pressFromDoubleClick_ = false;
    }
    raiseMouseEvent(dispid::MouseDown, index, event, buttonCode(event->button()));
}

void Vantrel::mouseMoveEvent(QMouseEvent* event) {
    const int index = pressedCheck_ ? pressedCheck_ : checkAt(event->position());
    if (!index) {
        event->ignore();
        return;
    }
    raiseMouseEvent(dispid::MouseMove, index, event, buttonCode(event->buttons()));
}

void Vantrel::mouseReleaseEvent(QMouseEvent* event) {
    const int index = pressedCheck_;
    if (!index) {
        event->ignore();
        return;
    }
    if (event->buttons() == Qt::NoButton)
        pressedCheck_ = 0;
    raiseMouseEvent(dispid::MouseUp, index, event, buttonCode(event->button()));
    // A click is a press and a release on the same visible element; the release that ends a
    // double click reports no second click.
    if (event->buttons() == Qt::NoButton && !pressFromDoubleClick_ &&
        checkAt(event->position()) == index)
        raiseSquareEvent(dispid::Click, index);
}

void Vantrel::mouseDoubleClickEvent(QMouseEvent* event) {
    const int index = checkAt(event->position());
    if (!index) {
        event->ignore();
        return;
    }
    pressedCheck_ = index;
    pressFromDoubleClick_ = true;
    raiseSquareEvent(dispid::DblClick, index);
}

void Vantrel::initNew() {
    SavedPiece = 0;
    SavedPicture = QByteArray();
}

void Vantrel::load() {
    setEnabled(readFlag(site_, "Enabled", true));
    SavedPiece = 0;
    PropertyValue value;
    if (site_ && site_->readProperty("Piece", &value) && value.kind != PropertyValue::Kind::Picture)
        SavedPiece = value.integer;
    SavedIsSelected = readFlag(site_, "IsSelected", false);
    SavedPicture.reset();
    value = PropertyValue{};
    if (site_ && site_->readProperty("Picture", &value) &&
        value.kind == PropertyValue::Kind::Picture)
        SavedPicture = QByteArray(reinterpret_cast<const char*>(value.pictureData),
                                  static_cast<qsizetype>(value.pictureSize));
}

// Each property is written only when it differs from its default: true, 0, false and no picture.
void Vantrel::save() {
    if (!site_)
        return;
    if (!Enabled()) {
        PropertyValue value;
        value.kind = PropertyValue::Kind::Boolean;
        value.integer = VFalse;
        site_->writeProperty("Enabled", value);
    }
    if (SavedPiece != 0) {
        PropertyValue value;
        value.kind = PropertyValue::Kind::Integer;
        value.integer = SavedPiece;
        site_->writeProperty("Piece", value);
    }
    if (SavedIsSelected) {
        PropertyValue value;
        value.kind = PropertyValue::Kind::Boolean;
        value.integer = VTrue;
        site_->writeProperty("IsSelected", value);
    }
    if (SavedPicture) {
        PropertyValue value;
        value.kind = PropertyValue::Kind::Picture;
        value.pictureData = reinterpret_cast<const unsigned char*>(SavedPicture->constData());
        value.pictureSize = static_cast<std::uint32_t>(SavedPicture->size());
        site_->writeProperty("Picture", value);
    }
}

} // namespace vantrelkit
