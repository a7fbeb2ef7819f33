// Gliding moves: BeginGlide, EndGlide, FinishGlide and Gliding, driven by DISPID with the glide's
// clock stepped by the test. A quiet move, a capture, castling, en passant and a promotion, each
// made with the board writes a host makes for it, at BoardScale 1 and 2.5: the frame halfway, the
// pixels each frame repaints, and the board on arrival against the same writes shown at once.
#include "boardhost/board_proxy.h"
#include "host.h"

#include <QCoreApplication>
#include <QImage>
#include <QPixmap>
#include <QRegion>
#include <QScreen>
#include <QTest>
#include <QWidget>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <ostream>
#include <string>
#include <vector>

using namespace testhost;

namespace {

constexpr std::int32_t kDuration = 250;

QImage grabOf(const Board& board) {
    return board.widget()->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

QRectF pieceRect(int col, int row, qreal scale) {
    return {(4 + 37 * (col - 1)) * scale, (4 + 37 * (row - 1)) * scale, 32 * scale, 32 * scale};
}

QRectF squareRect(int col, int row, qreal scale) {
    return {(1 + 37 * (col - 1)) * scale, (1 + 37 * (row - 1)) * scale, 37 * scale, 37 * scale};
}

std::int32_t beginGlide(Board& board, std::int32_t duration) {
    return board.call(dispid::BeginGlide, InvokeKind::Method, {Variant::fromI4(duration)});
}

void endGlide(Board& board) {
    EXPECT_EQ(board.call(dispid::EndGlide, InvokeKind::Method, {}), 0);
}

bool gliding(Board& board) {
    Variant result;
    EXPECT_EQ(board.call(dispid::Gliding, InvokeKind::PropertyGet, {}, &result), 0);
    EXPECT_EQ(result.type, VarType::Bool);
    return result.boolVal == VTrue;
}

void setClock(const Board& board, qint64 ms) {
    ASSERT_TRUE(QMetaObject::invokeMethod(board.widget(), "setGlideClock", Q_ARG(qint64, ms)));
}

QRectF slidingPiece(const Board& board, int slider) {
    QRectF rect;
    EXPECT_TRUE(QMetaObject::invokeMethod(board.widget(), "glidingPiece",
                                          Q_RETURN_ARG(QRectF, rect), Q_ARG(int, slider)));
    return rect;
}

// Contour pixels of a piece: every channel dark. The board, its frame and the tint have none.
int contourPixels(const QImage& image, const QRect& area) {
    int count = 0;
    const QRect inside = area & image.rect();
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        for (int x = inside.left(); x <= inside.right(); ++x) {
            const QRgb p = image.pixel(x, y);
            count += qRed(p) < 0x40 && qGreen(p) < 0x40 && qBlue(p) < 0x40;
        }
    }
    return count;
}

struct Write {
    std::int16_t fromCol, fromRow, toCol, toRow; // a move; toCol 0 for a Piece write
    std::int32_t value = none;                   // the Piece write's value
};

struct Slide {
    int fromCol, fromRow, toCol, toRow;
};

struct GlideCase {
    std::string name;
    std::vector<Write> setup; // writes shown at once before the glide
    std::vector<Write> glide; // the half-move's writes
    std::vector<Slide> slides;
};

// Kings on e1 and e8 on an empty board, then the case's setup.
void prepare(Board& board, const GlideCase& c) {
    if (c.setup.empty()) {
        board.newGame();
        return;
    }
    board.clear();
    ASSERT_EQ(board.setPiece(5, 8, wking), 0);
    ASSERT_EQ(board.setPiece(5, 1, Bking), 0);
    for (const Write& w : c.setup)
        ASSERT_EQ(board.setPiece(w.fromCol, w.fromRow, w.value), 0);
}

void apply(Board& board, const std::vector<Write>& writes) {
    for (const Write& w : writes) {
        if (w.toCol == 0)
            ASSERT_EQ(board.setPiece(w.fromCol, w.fromRow, w.value), 0);
        else
            ASSERT_EQ(board.movePiece(w.fromCol, w.fromRow, w.toCol, w.toRow), 0);
    }
}

// Columns count from a, rows from the top (row 1 is the eighth rank).
const std::vector<GlideCase> kCases = {
    {"QuietMove", {}, {{5, 7, 5, 5}}, {{5, 7, 5, 5}}},
    {"Capture", {{4, 4, 0, 0, Bpawn}, {5, 5, 0, 0, Wpawn}}, {{5, 5, 4, 4}}, {{5, 5, 4, 4}}},
    {"Knight", {{7, 8, 0, 0, Wknight}, {6, 6, 0, 0, Bbishop}}, {{7, 8, 6, 6}}, {{7, 8, 6, 6}}},
    // The move resolver moves the rook first, then the king.
    {"Castling", {{8, 8, 0, 0, Wrook}}, {{8, 8, 6, 8}, {5, 8, 7, 8}}, {{8, 8, 6, 8}, {5, 8, 7, 8}}},
    {"EnPassant",
     {{5, 4, 0, 0, Wpawn}, {4, 4, 0, 0, Bpawn}},
     {{5, 4, 4, 3}, {4, 4, 0, 0, none}},
     {{5, 4, 4, 3}}},
    {"PromotionWithCapture",
     {{2, 2, 0, 0, Wpawn}, {1, 1, 0, 0, Brook}},
     {{2, 2, 1, 1}, {1, 1, 0, 0, WQueen}},
     {{2, 2, 1, 1}}},
};

void PrintTo(const GlideCase& c, std::ostream* out) {
    *out << c.name;
}

class Glide : public ::testing::TestWithParam<std::tuple<GlideCase, float>> {};

} // namespace

TEST_P(Glide, HalfwayThePiecesAreBetweenTheSquaresAndOnArrivalTheBoardIsRight) {
    const auto& [c, scale] = GetParam();
    Board glided, atOnce, empty;
    for (Board* board : {&glided, &atOnce, &empty})
        ASSERT_EQ(board->setBoardScale(scale), 0);
    empty.clear();
    prepare(glided, c);
    prepare(atOnce, c);
    apply(atOnce, c.glide);
    setClock(glided, 1000);
    const QImage before = grabOf(glided);

    ASSERT_EQ(beginGlide(glided, kDuration), 0);
    apply(glided, c.glide);
    // The position changes at once; the board shows it only when the pieces arrive.
    EXPECT_EQ(glided.squares(), atOnce.squares());
    EXPECT_TRUE(gliding(glided));
    EXPECT_EQ(grabOf(glided), before);
    endGlide(glided);
    EXPECT_EQ(glided.squares(), atOnce.squares());

    setClock(glided, 1000 + kDuration / 2);
    const QImage halfway = grabOf(glided);
    QRegion sliding, origins;
    for (std::size_t i = 0; i < c.slides.size(); ++i) {
        const Slide& s = c.slides[i];
        const QRectF from = pieceRect(s.fromCol, s.fromRow, scale);
        const QRectF to = pieceRect(s.toCol, s.toRow, scale);
        const QRectF now = slidingPiece(glided, static_cast<int>(i));
        const QPointF middle = (from.center() + to.center()) / 2;
        EXPECT_NEAR(now.center().x(), middle.x(), 1.0) << i;
        EXPECT_NEAR(now.center().y(), middle.y(), 1.0) << i;
        EXPECT_GT(contourPixels(halfway, now.toAlignedRect()), 20 * scale) << i;
        sliding += now.toAlignedRect();
        origins += from.toAlignedRect();
    }
    EXPECT_TRUE(slidingPiece(glided, static_cast<int>(c.slides.size())).isEmpty());
    // The origins are empty; everything else, the captured piece and the pawn taken en passant
    // too, looks as before.
    const QImage plain = grabOf(empty);
    for (int y = 0; y < halfway.height(); ++y) {
        for (int x = 0; x < halfway.width(); ++x) {
            if (sliding.contains(QPoint(x, y)))
                continue;
            const QRgb want =
                origins.contains(QPoint(x, y)) ? plain.pixel(x, y) : before.pixel(x, y);
            ASSERT_EQ(halfway.pixel(x, y), want) << x << "," << y;
        }
    }

    setClock(glided, 1000 + kDuration);
    EXPECT_FALSE(gliding(glided));
    EXPECT_TRUE(slidingPiece(glided, 0).isEmpty());
    EXPECT_EQ(glided.squares(), atOnce.squares());
    EXPECT_EQ(grabOf(glided), grabOf(atOnce));
    for (int index = 1; index <= 64; ++index) {
        EXPECT_EQ(glided.checkVisible(index), atOnce.checkVisible(index)) << index;
        EXPECT_EQ(glided.checkGeometry(index), atOnce.checkGeometry(index)) << index;
    }
}

// Frame by frame, the window repaints only the squares the pieces cross, and the pieces'
// rectangles alone until they arrive.
TEST_P(Glide, EachFrameRepaintsOnlyWhatThePiecesCross) {
    const auto& [c, scale] = GetParam();
    QWidget host;
    host.resize(760, 760);
    Board board(&host);
    ASSERT_EQ(board.setBoardScale(scale), 0);
    prepare(board, c);
    host.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
    QTest::qWait(20);
    setClock(board, 0);
    PaintRecorder recorder(board.widget());

    // The board squares any rectangle of a piece touches on its straight way, and the squares a
    // Piece write changes.
    QRegion crossed;
    const auto addSquaresUnder = [&](const QRectF& piece) {
        for (int col = 1; col <= 8; ++col) {
            for (int row = 1; row <= 8; ++row) {
                const QRectF square = squareRect(col, row, scale);
                if (square.intersects(piece))
                    crossed += square.toAlignedRect().adjusted(-1, -1, 1, 1);
            }
        }
    };
    for (const Slide& s : c.slides) {
        const QRectF from = pieceRect(s.fromCol, s.fromRow, scale);
        const QRectF to = pieceRect(s.toCol, s.toRow, scale);
        for (int step = 0; step <= 100; ++step)
            addSquaresUnder(from.translated((to.topLeft() - from.topLeft()) * (step / 100.0)));
    }
    for (const Write& w : c.glide) {
        if (w.toCol == 0)
            crossed += squareRect(w.fromCol, w.fromRow, scale).toAlignedRect();
    }

    ASSERT_EQ(beginGlide(board, kDuration), 0);
    apply(board, c.glide);
    endGlide(board);
    int frames = 0, moving = 0;
    for (qint64 t = 0; board.widget() && frames < 100; t += 17, ++frames) {
        recorder.painted = QRegion();
        setClock(board, t);
        const bool arrived = !gliding(board);
        QTest::qWait(20); // the window draws the frame
        const QRegion painted = recorder.painted;
        EXPECT_TRUE((painted - crossed).isEmpty()) << "frame at " << t << " ms";
        if (!arrived && t > 0) {
            // Each piece: the rectangle it leaves and the one it covers, a pixel around.
            qint64 area = 0;
            for (const QRect& r : painted)
                area += qint64(r.width()) * r.height();
            const qreal side = 32 * scale + 2;
            EXPECT_LE(area, qint64(c.slides.size() * 2 * side * side)) << "frame at " << t;
            moving += !painted.isEmpty();
        }
        if (arrived)
            break;
    }
    // The window shows the board as the control draws it whole: no trace of the frames.
    const QImage window = host.screen()->grabWindow(host.winId()).toImage();
    EXPECT_EQ(window.copy(board.widget()->geometry()).convertToFormat(QImage::Format_RGB32),
              grabOf(board));
    EXPECT_GE(frames, kDuration / 17);
    // Eased, the pieces may stay on the same pixels for the first frames and the last ones.
    EXPECT_GE(moving, 10);
    EXPECT_FALSE(gliding(board));
}

INSTANTIATE_TEST_SUITE_P(
    Boardctl, Glide, ::testing::Combine(::testing::ValuesIn(kCases), ::testing::Values(1.0f, 2.5f)),
    [](const auto& info) {
        return std::get<0>(info.param).name + (std::get<1>(info.param) == 1.0f ? "" : "Scaled");
    });

// What ends a glide early, what leaves it be, and a glide that runs on the control's own clock.
TEST(GlideMembers, CallsDuringAGlideAndTheOwnClock) {
    // What the board shows after the call: still gliding, and the pawn of e2-e4 on e4.
    struct Shown {
        bool gliding;
        bool pawnOnE4;
    };
    struct During {
        const char* name;
        std::function<void(Board&)> call;
        Shown whileRunning;
        Shown inOpenGlide;
    };
    const std::vector<During> calls = {
        {"MovePiece",
         [](Board& b) { EXPECT_EQ(b.movePiece(2, 8, 3, 6), 0); },
         {false, true},
         {true, false}},
        {"FinishGlide",
         [](Board& b) { EXPECT_EQ(b.call(dispid::FinishGlide, InvokeKind::Method, {}), 0); },
         {false, true},
         {false, true}},
        {"BoardScale",
         [](Board& b) { EXPECT_EQ(b.setBoardScale(1.5f), 0); },
         {false, true},
         {false, true}},
        {"Piece read",
         [](Board& b) { EXPECT_EQ(b.piece(5, 5), Wpawn); },
         {true, false},
         {true, false}},
        {"HighlightSquares",
         [](Board& b) { EXPECT_EQ(b.highlightSquares(5, 7, 5, 5), 0); },
         {true, false},
         {true, false}},
    };
    for (const During& during : calls) {
        for (const bool open : {false, true}) {
            SCOPED_TRACE(std::string(during.name) +
                         (open ? " in an open glide" : " while running"));
            Board board;
            board.newGame();
            setClock(board, 0);
            ASSERT_EQ(beginGlide(board, kDuration), 0);
            ASSERT_EQ(board.movePiece(5, 7, 5, 5), 0);
            if (!open)
                endGlide(board);
            during.call(board);
            const Shown want = open ? during.inOpenGlide : during.whileRunning;
            EXPECT_EQ(gliding(board), want.gliding);
            EXPECT_EQ(board.checkVisible(indexOf(5, 5)), want.pawnOnE4);
            EXPECT_EQ(board.piece(5, 5), Wpawn);
        }
    }

    // A glide of no time, and EndGlide without BeginGlide, show the position at once.
    Board board;
    board.newGame();
    ASSERT_EQ(beginGlide(board, 0), 0);
    ASSERT_EQ(board.movePiece(5, 7, 5, 5), 0);
    endGlide(board);
    EXPECT_FALSE(gliding(board));
    EXPECT_TRUE(board.checkVisible(indexOf(5, 5)));
    endGlide(board);
    EXPECT_FALSE(gliding(board));

    // On its own clock the control ends the glide from the event loop, at most 60 frames a second.
    int interval = 0;
    ASSERT_TRUE(QMetaObject::invokeMethod(board.widget(), "glideFrameInterval",
                                          Q_RETURN_ARG(int, interval)));
    EXPECT_GE(interval, 16);
    ASSERT_EQ(beginGlide(board, 40), 0);
    ASSERT_EQ(board.movePiece(4, 2, 4, 4), 0);
    endGlide(board);
    EXPECT_TRUE(gliding(board));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !gliding(board); }, 5000));
    EXPECT_TRUE(board.checkVisible(indexOf(4, 4)));
}

// The program's board proxy: a half-move played between beginGlide and endGlide keeps its mirror
// in step, and a refused value comes back as the control's error.
TEST(GlideMembers, TheBoardProxyWrapsTheNewMembers) {
    Board board;
    pw2::BoardProxy proxy(*board.control());
    proxy.clear();
    proxy.setPiece(5, 8, wking);
    proxy.setPiece(8, 8, Wrook);
    setClock(board, 0);
    proxy.beginGlide(kDuration);
    proxy.movePiece(8, 8, 6, 8); // a castling, as the move resolver plays it
    proxy.movePiece(5, 8, 7, 8);
    EXPECT_EQ(proxy.piece(7, 8), wking);
    EXPECT_TRUE(proxy.gliding());
    proxy.endGlide();
    EXPECT_NE(slidingPiece(board, 1), QRectF());
    proxy.finishGlide();
    EXPECT_FALSE(proxy.gliding());
    EXPECT_TRUE(board.checkVisible(indexOf(6, 8)));
    proxy.setBoardTheme(boardtheme::grey);
    proxy.setPieceSet(pieceset::classic);
    for (const auto& refused : std::vector<std::function<void()>>{
             [&] { proxy.setBoardTheme(7); }, [&] { proxy.setPieceSet(-1); },
             [&] { proxy.beginGlide(20000); }}) {
        try {
            refused();
            ADD_FAILURE() << "no error raised";
        } catch (const pgn::BoardError& e) {
            EXPECT_EQ(e.number(), error::InvalidPropertyValue);
        }
    }
    Variant theme;
    ASSERT_EQ(board.call(dispid::BoardTheme, InvokeKind::PropertyGet, {}, &theme), 0);
    EXPECT_EQ(theme.i4, boardtheme::grey);
}
