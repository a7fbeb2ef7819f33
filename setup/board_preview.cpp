#include "setup/board_preview.h"

#include "boardhost/board_proxy.h"
#include "boardhost/control_loader.h"

#include <vantrelkit/vantrelkit.h>

namespace pw2 {
namespace {
// The preview's board: 296 logical pixels at scale 1.
constexpr float kPreviewScale = 0.45f;
} // namespace

BoardPreview::BoardPreview(QWidget* parent) : QWidget(parent) {
    const int side = int(296 * kPreviewScale + 0.5f);
    setFixedSize(side, side);
    control_ = createControl(vantrelkit::kProgId, this);
    if (!control_)
        return;
    control_->initNew();
    control_->window()->setObjectName(QStringLiteral("previewBoard"));
    proxy_ = std::make_unique<BoardProxy>(*control_);
    try {
        proxy_->setBoardScale(kPreviewScale);
        proxy_->newGame();
    } catch (const pgn::BoardError&) {
    }
    control_->window()->move(0, 0);
}

BoardPreview::~BoardPreview() {
    proxy_.reset();
    if (control_)
        control_->release();
}

void BoardPreview::setLook(std::int32_t theme, std::int32_t pieceSet) {
    if (!proxy_)
        return;
    // A value the control does not have leaves its look as it was.
    try {
        proxy_->setBoardTheme(theme);
    } catch (const pgn::BoardError&) {
    }
    try {
        proxy_->setPieceSet(pieceSet);
    } catch (const pgn::BoardError&) {
    }
}

QWidget* BoardPreview::board() const {
    return control_ ? control_->window() : nullptr;
}

} // namespace pw2
