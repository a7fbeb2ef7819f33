// Gliding moves in the saver: how long a half-move's glide lasts, and the board calls that show a
// half-move as one glide.
#pragma once

#include <cstdint>

namespace pw2 {

class BoardProxy;

// The longest glide, in milliseconds: long enough to follow the piece, short enough to keep pace.
inline constexpr std::int32_t kGlideMilliseconds = 250;

// The glide of a half-move, in milliseconds: 250, and never more than a third of the time between
// moves; 0 (the move is placed at once) when gliding is off or the time is 0 (no move follows).
std::int32_t glideDuration(bool animate, std::int32_t moveInterval);

// One half-move shown as a glide: made while the object lives, its board writes change the
// position at once, and show() lets the board show them as one glide. Left without show() (the
// half-move failed part-way), the board shows the position at once. With a duration of 0 it does
// nothing, and the half-move is placed at once as without gliding. The glide only decorates the
// move, so a board that refuses it shows the half-move at once and the game plays on.
class MoveGlide {
public:
    MoveGlide(BoardProxy& board, std::int32_t duration);
    ~MoveGlide();
    MoveGlide(const MoveGlide&) = delete;
    MoveGlide& operator=(const MoveGlide&) = delete;

    void show();

private:
    BoardProxy& board_;
    bool open_ = false;
};

} // namespace pw2
