#include "saver/move_glide.h"

#include "boardhost/board_proxy.h"

#include <algorithm>

namespace pw2 {

std::int32_t glideDuration(bool animate, std::int32_t moveInterval) {
    if (!animate || moveInterval <= 0)
        return 0;
    return std::min(kGlideMilliseconds, moveInterval / 3);
}

MoveGlide::MoveGlide(BoardProxy& board, std::int32_t duration) : board_(board) {
    if (duration <= 0)
        return;
    try {
        board_.beginGlide(duration);
        open_ = true;
    } catch (const pgn::BoardError&) {
    }
}

MoveGlide::~MoveGlide() {
    if (!open_)
        return;
    try {
        board_.finishGlide();
    } catch (const pgn::BoardError&) {
    }
}

void MoveGlide::show() {
    if (!open_)
        return;
    open_ = false;
    try {
        board_.endGlide();
    } catch (const pgn::BoardError&) {
        // The board shows the position as it stands.
        try {
            board_.finishGlide();
        } catch (const pgn::BoardError&) {
        }
    }
}

} // namespace pw2
