// Gliding moves in the saver: each kind of half-move glides, frame by frame repainting only what
// its pieces cross in the whole window, and ends as the same half-move placed at once with
// "Animate moves" off; input mid-glide still ends the saver. The board's glide clock is stepped by
// the test.
#include "saver/saver_window.h"
#include "services/settings_store.h"
#include "support/doubles.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QLineF>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPixmap>
#include <QRegion>
#include <QTest>
#include <algorithm>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace pw2 {
namespace {

// Columns 1 to 8 are a to h, rows 1 to 8 are ranks 8 to 1.
struct Square {
    int col, row;
};

struct GlideCase {
    const char* name;
    const char* game;
    std::vector<std::pair<Square, Square>> slides; // in any order
    std::vector<Square> emptied;                   // squares no piece slides from that empty
};

const std::vector<GlideCase> kCases = {
    {"Quiet", "[Event \"Quiet\"]\n\n1. e4 *\n", {{{5, 7}, {5, 5}}}, {}},
    {"Capture",
     "[Event \"Capture\"]\n[SetUp \"1\"]\n[FEN \"4k3/8/8/3p4/4P3/8/8/4K3 w - - 0 1\"]\n\n1. exd5 "
     "*\n",
     {{{5, 5}, {4, 4}}},
     {}},
    {"Castling",
     "[Event \"Castling\"]\n[SetUp \"1\"]\n[FEN \"4k3/8/8/8/8/8/8/4K2R w K - 0 1\"]\n\n1. O-O *\n",
     {{{5, 8}, {7, 8}}, {{8, 8}, {6, 8}}},
     {}},
    {"EnPassant",
     "[Event \"EnPassant\"]\n[SetUp \"1\"]\n[FEN \"4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1\"]\n\n"
     "1. exd6 *\n",
     {{{5, 4}, {4, 3}}},
     {{4, 4}}},
    {"Promotion",
     "[Event \"Promotion\"]\n[SetUp \"1\"]\n[FEN \"4k3/P7/8/8/8/8/8/4K3 w - - 0 1\"]\n\n1. a8=Q "
     "*\n",
     {{{1, 2}, {1, 1}}},
     {}},
};

void PrintTo(const GlideCase& c, std::ostream* out) {
    *out << c.name;
}

// The paint events of a window and its children, in the window's coordinates.
class PaintRecorder : public QObject {
public:
    explicit PaintRecorder(QWidget* window) : window_(window) { qApp->installEventFilter(this); }
    ~PaintRecorder() override { qApp->removeEventFilter(this); }

    // Lets the window draw what is pending and returns what it painted since the last take.
    QRegion take() {
        for (int i = 0; i < 3; ++i) {
            QCoreApplication::sendPostedEvents();
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        return std::exchange(painted_, QRegion());
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && watched->isWidgetType()) {
            auto* widget = static_cast<QWidget*>(watched);
            if (widget == window_ || window_->isAncestorOf(widget))
                painted_ += static_cast<QPaintEvent*>(event)->region().translated(
                    widget->mapTo(window_, QPoint(0, 0)));
        }
        return false;
    }

private:
    QWidget* window_;
    QRegion painted_;
};

QWidget* boardOf(const Saver& saver) {
    auto* board = saver.findChild<QWidget*>(QStringLiteral("Vantrel"));
    EXPECT_NE(board, nullptr);
    return board;
}

void setClock(QWidget* board, qint64 ms) {
    ASSERT_TRUE(QMetaObject::invokeMethod(board, "setGlideClock", Q_ARG(qint64, ms)));
}

QRectF slidingPiece(QWidget* board, int slider) {
    QRectF rect;
    EXPECT_TRUE(QMetaObject::invokeMethod(board, "glidingPiece", Q_RETURN_ARG(QRectF, rect),
                                          Q_ARG(int, slider)));
    return rect;
}

QRectF squareRect(QWidget* board, Square s) {
    // The board's squares are 37 units apart, from 1 unit in; the piece on h1 stands 263 units in.
    QRectF h1;
    EXPECT_TRUE(QMetaObject::invokeMethod(board, "checkGeometry", Q_RETURN_ARG(QRectF, h1),
                                          Q_ARG(int, 64)));
    const double unit = h1.left() / 263;
    return {(1 + 37 * (s.col - 1)) * unit, (1 + 37 * (s.row - 1)) * unit, 37 * unit, 37 * unit};
}

QImage grabOf(QWidget* widget) {
    return widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// Dark pixels: a piece's contour; the board and the tint have none.
int contourPixels(const QImage& image, const QRect& area) {
    int count = 0;
    const QRect inside = area & image.rect();
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x) {
            const QRgb p = image.pixel(x, y);
            count += qRed(p) < 0x40 && qGreen(p) < 0x40 && qBlue(p) < 0x40;
        }
    return count;
}

class SaverGlide : public ::testing::TestWithParam<GlideCase> {
protected:
    std::unique_ptr<Saver> saverPlaying(const char* game, bool animate) {
        QFile games(box.path("default.pgn"));
        EXPECT_TRUE(games.open(QIODevice::WriteOnly));
        games.write(game);
        games.close();
        settings().write("AnimateMoves", animate ? "1" : "0");
        std::unique_ptr<Saver> saver(Saver::create(ScreenMetrics{QSize(1920, 1080), 15, QPoint()}));
        EXPECT_NE(saver, nullptr);
        if (saver)
            saver->startNextGame(); // a set-up position shows at once
        return saver;
    }

    test::Sandbox box;
};

TEST_P(SaverGlide, FramesRepaintOnlyWhatThePiecesCrossAndTheMoveEndsAsPlacedAtOnce) {
    const GlideCase& c = GetParam();
    const auto atOnce = saverPlaying(c.game, false);
    const auto glided = saverPlaying(c.game, true);
    ASSERT_TRUE(atOnce && glided);
    QWidget* board = boardOf(*glided);
    glided->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(glided.get()));
    setClock(board, 1000);
    PaintRecorder recorder(glided.get());
    recorder.take();
    const QPoint origin = board->mapTo(glided.get(), QPoint(0, 0));

    atOnce->playNextHalfMove();
    glided->playNextHalfMove();
    EXPECT_FALSE(atOnce->board().gliding());
    ASSERT_TRUE(glided->board().gliding());
    pgn::Squares want{}, have{};
    atOnce->board().readSquares(want);
    glided->board().readSquares(have);
    EXPECT_EQ(std::memcmp(&want, &have, sizeof want), 0) << "the position changes at once";
    recorder.take(); // the move list, the current move and the tint

    // Where each piece starts and arrives, and every square of its way.
    std::vector<QRectF> start, arrive;
    QRegion crossed;
    for (std::size_t i = 0; i < c.slides.size(); ++i) {
        start.push_back(slidingPiece(board, int(i)));
        const auto slide = std::find_if(c.slides.begin(), c.slides.end(), [&](const auto& s) {
            return squareRect(board, s.first).contains(start.back().center());
        });
        ASSERT_NE(slide, c.slides.end()) << "no piece slides from " << i;
        arrive.push_back(start.back().translated(squareRect(board, slide->second).topLeft() -
                                                 squareRect(board, slide->first).topLeft()));
        for (const Square s : {slide->first, slide->second})
            crossed += squareRect(board, s).toAlignedRect().adjusted(-1, -1, 1, 1);
    }
    EXPECT_TRUE(slidingPiece(board, int(c.slides.size())).isEmpty());
    for (const Square s : c.emptied)
        crossed += squareRect(board, s).toAlignedRect().adjusted(-1, -1, 1, 1);

    std::vector<QRectF> shown = start;
    for (qint64 t = 1025; glided->board().gliding(); t += 25) {
        ASSERT_LT(t, 1400) << "the glide does not end";
        setClock(board, t);
        const QRegion painted = recorder.take().translated(-origin);
        if (!glided->board().gliding()) {
            EXPECT_TRUE((painted - crossed).isEmpty()) << "arrival";
            break;
        }
        // A frame repaints where the pieces were and where they are, and nothing else.
        QRegion allowed;
        for (std::size_t i = 0; i < start.size(); ++i) {
            const QRectF now = slidingPiece(board, int(i));
            allowed += shown[i].toAlignedRect().adjusted(-1, -1, 1, 1);
            allowed += now.toAlignedRect().adjusted(-1, -1, 1, 1);
            shown[i] = now;
        }
        EXPECT_TRUE((painted - allowed).isEmpty()) << "frame at " << t - 1000 << " ms";
        if (t == 1125) { // halfway: each piece midway, drawn there
            const QImage image = grabOf(board);
            for (std::size_t i = 0; i < start.size(); ++i) {
                const QPointF middle = (start[i].center() + arrive[i].center()) / 2;
                EXPECT_LT(QLineF(shown[i].center(), middle).length(), 1.5) << i;
                EXPECT_GT(contourPixels(image, shown[i].toAlignedRect()), 40) << i;
            }
            recorder.take(); // the grab's own paint
        }
    }
    EXPECT_EQ(grabOf(board), grabOf(boardOf(*atOnce)));
}

INSTANTIATE_TEST_SUITE_P(Saver, SaverGlide, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// A key, a press or a movement of the mouse mid-glide ends the saver at once.
TEST_F(SaverGlide, InputMidGlideEndsTheSaver) {
    const std::vector<std::pair<const char*, std::function<void(QWidget*)>>> inputs = {
        {"key", [](QWidget* w) { QTest::keyClick(w, 'a'); }},
        {"press", [](QWidget* w) { QTest::mousePress(w, Qt::LeftButton, {}, QPoint(400, 300)); }},
        {"movement",
         [](QWidget* w) {
             for (const QPointF at : {QPointF(400, 300), QPointF(420, 300)}) {
                 QMouseEvent move(QEvent::MouseMove, at, w->mapToGlobal(at), Qt::NoButton,
                                  Qt::NoButton, Qt::NoModifier);
                 QApplication::sendEvent(w, &move);
             }
         }},
    };
    for (const auto& [name, input] : inputs) {
        SCOPED_TRACE(name);
        box.endRequests.clear();
        const auto saver = saverPlaying(kCases[0].game, true);
        ASSERT_TRUE(saver);
        saver->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(saver.get()));
        setClock(boardOf(*saver), 0);
        saver->playNextHalfMove();
        setClock(boardOf(*saver), 100);
        ASSERT_TRUE(saver->board().gliding());
        input(saver.get());
        EXPECT_EQ(box.endRequests.size(), 1u);
    }
}

} // namespace
} // namespace pw2
