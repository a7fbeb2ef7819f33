// The saver's Board: turns the engine's board operations into dispatch calls on the board
// control. Arguments are built on the stack; a failure raised by the control comes back as
// pgn::BoardError with the control's error number and description.
//
// The proxy is the only writer of the control's position, so it keeps a mirror of the squares
// and answers piece reads from it: the move resolver reads the whole board before every piece
// move, and a read through dispatch costs many times a read from memory. Every write still goes
// through dispatch, so the control shows every move; the mirror follows a write only once the
// control has accepted it. A read of a square outside the board goes to the control, which
// raises its own error for it.
#pragma once

#include "pgn/interfaces.h"

#include <vantrelkit/vantrelkit.h>

namespace pw2 {

class BoardProxy final : public pgn::Board {
public:
    explicit BoardProxy(vantrelkit::IDispatch& control) : control_(control) {}

    std::int32_t piece(std::int16_t col, std::int16_t row) override;
    void setPiece(std::int16_t col, std::int16_t row, std::int32_t value) override;
    bool isLegalMove(std::int16_t fromCol, std::int16_t fromRow, std::int16_t toCol,
                     std::int16_t toRow);
    void movePiece(std::int16_t fromCol, std::int16_t fromRow, std::int16_t toCol,
                   std::int16_t toRow) override;
    // The start position.
    void newGame();
    // Every square empty.
    void clear();
    // Lays the board out and draws it at scale times its own size.
    void setBoardScale(float scale);

    // Tints on the control the squares of the piece move made since the last highlight, clear or
    // new game: the king's when a king and a rook moved, else the last piece moved (a promotion's
    // pawn, from its origin to the promotion square). With no move since, the tint stays.
    void highlightLastMove();
    // Removes the tint; the moves made so far are forgotten.
    void clearHighlight();

    // The board's colours and the pieces' look: a vantrelkit::boardtheme and a
    // vantrelkit::pieceset value.
    void setBoardTheme(std::int32_t theme);
    void setPieceSet(std::int32_t set);

    // Gliding moves: the board writes made between beginGlide and endGlide (a half-move's
    // movePiece and setPiece calls) change the position at once, and show as one glide of
    // milliseconds once endGlide is called; finishGlide shows the position at once.
    void beginGlide(std::int32_t milliseconds);
    void endGlide();
    void finishGlide();
    // True while a glide is open or its pieces still slide.
    bool gliding();

    // Every square from the mirror (read from the control first when the mirror is not in step).
    void readSquares(pgn::Squares& out) override;

private:
    void call(std::int32_t dispid, vantrelkit::InvokeKind kind, const vantrelkit::Variant* args,
              int argc, vantrelkit::Variant* result);
    // A piece read through dispatch, as the control answers it.
    std::int32_t controlPiece(std::int16_t col, std::int16_t row);
    // Reads every square from the control into the mirror.
    void resync();

    std::int32_t& square(std::int16_t col, std::int16_t row) {
        return squares_.at[col - 1][row - 1];
    }

    vantrelkit::IDispatch& control_;
    pgn::Squares squares_{};
    bool inStep_ = false; // squares_ equals the control's position
    // The control's start position, read from it after its first NewGame.
    pgn::Squares start_{};
    bool startKnown_ = false;

    // The piece move the next highlightLastMove shows.
    struct NotedMove {
        std::int16_t fromCol = 0, fromRow = 0, toCol = 0, toRow = 0;
        bool king = false;
    };
    NotedMove noted_;
    bool moveNoted_ = false;
};

} // namespace pw2
