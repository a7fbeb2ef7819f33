// Test host for the board control: creates Vantrel by its programmatic identifier through the
// program's loader and calls it by DISPID, as the saver does.
#pragma once

#include <QByteArray>
#include <QEvent>
#include <QObject>
#include <QPaintEvent>
#include <QRectF>
#include <QRegion>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <array>
#include <initializer_list>
#include <map>
#include <string>
#include <vantrelkit/vantrelkit.h>
#include <vector>

namespace testhost {

using namespace vantrelkit;

// A host's property store and ambient user mode; records what the control tells it.
class FakeSite final : public IHostSite {
public:
    struct Stored {
        PropertyValue::Kind kind = PropertyValue::Kind::Integer;
        std::int16_t integer = 0;
        QByteArray picture;
    };

    bool user = true;
    std::map<std::string, Stored> store;
    QStringList changed; // propertyChanged names, in order
    QStringList written; // writeProperty names, in order

    bool userMode() override { return user; }
    void propertyChanged(const char* name) override { changed << QString::fromLatin1(name); }
    bool readProperty(const char* name, PropertyValue* value) override;
    void writeProperty(const char* name, const PropertyValue& value) override;
};

// One event as the sink received it, arguments dereferenced.
struct Event {
    std::int32_t dispid = 0;
    std::vector<std::int32_t> ints; // Col, Row, Button, Shift
    std::vector<float> floats;      // X, Y
    bool allByReference = true;
};

class RecordingSink final : public IEventSink {
public:
    std::vector<Event> events;
    void onEvent(std::int32_t dispid, const Variant* args, int argc) override;
    std::vector<Event> only(std::int32_t dispid) const;
};

// One control instance; released at the end of the scope.
class Board {
public:
    explicit Board(QWidget* parent = nullptr, IHostSite* site = nullptr);
    ~Board();
    Board(const Board&) = delete;
    Board& operator=(const Board&) = delete;

    IControl* control() const { return control_; }
    QWidget* widget() const { return control_->window(); }

    // A raw call; the raised error, if any, is left in excep.
    std::int32_t call(std::int32_t dispid, InvokeKind kind, std::initializer_list<Variant> args,
                      Variant* result = nullptr);
    ExcepInfo excep;

    // Typed calls with 16-bit coordinates by reference, as the saver makes them. The ones that
    // return a value fail the test on a raised error; the others return the error number.
    std::int32_t piece(std::int16_t col, std::int16_t row);
    std::int32_t setPiece(std::int16_t col, std::int16_t row, std::int32_t value);
    bool isLegalMove(std::int16_t fromCol, std::int16_t fromRow, std::int16_t toCol,
                     std::int16_t toRow);
    std::int32_t movePiece(std::int16_t fromCol, std::int16_t fromRow, std::int16_t toCol,
                           std::int16_t toRow);
    bool isSelected(std::int16_t col, std::int16_t row);
    bool enabled();
    void setEnabled(bool enabled);
    void newGame();
    void clear();
    void changeBoardSize(std::int32_t dimension);
    // HighlightSquares returns the error number; ClearHighlight fails the test on one.
    std::int32_t highlightSquares(std::int16_t fromCol, std::int16_t fromRow, std::int16_t toCol,
                                  std::int16_t toRow);
    void clearHighlight();
    // BoardScale: the read fails the test unless it returns a 32-bit real; the write returns the
    // error number.
    float boardScale();
    std::int32_t setBoardScale(float scale);

    // Every square's content, indexed 1 to 64 like the control's table.
    std::array<std::int32_t, 65> squares();

    // Square picture Check(index) as the control lays it out.
    QRectF checkGeometry(int index) const;
    bool checkVisible(int index) const;

private:
    IControl* control_ = nullptr;
};

// Index of (col, row): 1 is a8 at the top left, 64 is h1.
constexpr int indexOf(int col, int row) {
    return (row - 1) * 8 + col;
}

// The start position, indexed 1 to 64.
std::array<std::int32_t, 65> startPosition();

// Collects the regions of the paint events one widget receives.
class PaintRecorder : public QObject {
public:
    explicit PaintRecorder(QWidget* target) : target_(target) { target->installEventFilter(this); }
    QRegion painted;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == target_ && event->type() == QEvent::Paint)
            painted += static_cast<QPaintEvent*>(event)->region();
        return false;
    }

private:
    QWidget* target_;
};

} // namespace testhost
