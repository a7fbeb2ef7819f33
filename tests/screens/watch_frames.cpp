// Pictures of the saver as a game is watched, for a person to look at: for each size given, the
// window at the game's start, at the first half-move that shows a comment, at the first check and
// at the game's end (between games, with its summary). The first game of PGNFILE is played.
//
// Usage: watch_frames PGNFILE OUTDIR WxH... (writes OUTDIR/watch-WxH-{start,caption,check,end}.png)
#include "saver/saver_window.h"
#include "support/doubles.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <cstdio>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 4) {
        std::fprintf(stderr, "usage: watch_frames PGNFILE OUTDIR WxH...\n");
        return 2;
    }
    pw2::test::Sandbox box;
    if (!QFile::copy(QString::fromLocal8Bit(argv[1]), box.path("default.pgn")))
        return 2;
    pw2::settings().write("Continue", "0");
    const QDir out(QString::fromLocal8Bit(argv[2]));
    for (int i = 3; i < argc; ++i) {
        const QStringList wh = QString::fromLatin1(argv[i]).split('x');
        if (wh.size() != 2)
            return 2;
        const QSize size(wh[0].toInt(), wh[1].toInt());
        std::unique_ptr<pw2::Saver> saver(
            pw2::Saver::create(pw2::ScreenMetrics{size, 15, QPoint()}));
        if (!saver)
            return 1;
        saver->show();
        const auto shoot = [&](const char* what) {
            QApplication::processEvents();
            const QString name = QStringLiteral("watch-%1-%2.png").arg(argv[i], what);
            saver->grab().toImage().save(out.filePath(name));
            std::printf("%s\n", qPrintable(out.filePath(name)));
        };
        const auto* caption = saver->findChild<QLabel*>(QStringLiteral("captionLabel"));
        const auto* status = saver->findChild<QLabel*>(QStringLiteral("statusLabel"));
        saver->startNextGame();
        shoot("start");
        if (const auto* board = saver->findChild<QWidget*>(QStringLiteral("Vantrel")))
            std::printf("%s: board %dx%d, %.1f %% of the height\n", argv[i], board->width(),
                        board->height(), 100.0 * board->height() / size.height());
        bool captioned = false, checked = false;
        for (int half = 0; !saver->player().atEnd(); ++half) {
            saver->playNextHalfMove();
            if (!captioned && half > 0 && caption->isVisible()) {
                captioned = true;
                shoot("caption");
            }
            if (!checked && status->text().contains(QStringLiteral("Checked"))) {
                checked = true;
                shoot("check");
            }
        }
        saver->playNextHalfMove();
        shoot("end");
    }
    return 0;
}
