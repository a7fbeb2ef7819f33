#include "saver/screen_covers.h"

#include <QGuiApplication>
#include <QScreen>

namespace pw2 {

ScreenCover::ScreenCover(QScreen* screen) {
    setObjectName(QStringLiteral("screenCover"));
    setWindowFlag(Qt::FramelessWindowHint);
    setScreen(screen);
    setGeometry(screen->geometry());
}

std::unique_ptr<QWidget> ScreenCover::show(QScreen* screen) {
    auto cover = std::make_unique<ScreenCover>(screen);
    cover->showFullScreen();
    return cover;
}

ScreenCovers::ScreenCovers(QScreen* saverScreen, QObject* parent)
    : ScreenCovers(saverScreen, &ScreenCover::show, parent) {}

ScreenCovers::ScreenCovers(QScreen* saverScreen, MakeCover make, QObject* parent)
    : QObject(parent), saverScreen_(saverScreen), make_(std::move(make)) {
    for (QScreen* screen : QGuiApplication::screens())
        cover(screen);
    connect(qGuiApp, &QGuiApplication::screenAdded, this, &ScreenCovers::cover);
    connect(qGuiApp, &QGuiApplication::screenRemoved, this, &ScreenCovers::uncover);
}

ScreenCovers::~ScreenCovers() = default;

const QWidget* ScreenCovers::coverOf(QScreen* screen) const {
    const auto found = covers_.find(screen);
    return found == covers_.end() ? nullptr : found->second.get();
}

void ScreenCovers::cover(QScreen* screen) {
    if (screen == saverScreen_ || covers_.count(screen) != 0)
        return;
    if (std::unique_ptr<QWidget> cover = make_(screen))
        covers_.emplace(screen, std::move(cover));
}

void ScreenCovers::uncover(QScreen* screen) {
    covers_.erase(screen);
}

} // namespace pw2
