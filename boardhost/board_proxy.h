// The saver's Board: turns the engine's board operations into dispatch calls on the board
// control. Arguments are built on the stack; a failure raised by the control comes back as
// pgn::BoardError with the control's error number and description.
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
                     std::int16_t toRow) override;
    void movePiece(std::int16_t fromCol, std::int16_t fromRow, std::int16_t toCol,
                   std::int16_t toRow) override;
    // The start position.
    void newGame();
    // Every square empty.
    void clear();
    // Lays the board out and draws it at scale times its own size.
    void setBoardScale(float scale);

private:
    void call(std::int32_t dispid, vantrelkit::InvokeKind kind, const vantrelkit::Variant* args,
              int argc, vantrelkit::Variant* result);

    vantrelkit::IDispatch& control_;
};

} // namespace pw2
