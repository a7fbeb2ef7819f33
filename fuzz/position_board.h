// The engine's Board over the board control's position model, without the control's window: the
// fuzz targets and the hostile-shape benchmark replay games on it the way the saver replays them
// on the control. Qt-free.
//
// Each member answers as the control's dispatch member of the same name does while the host runs:
// a coordinate outside 1 to 8 and a Piece value outside 1 to 13 raise the control's error numbers,
// which reach the engine as pgn::BoardError.
#pragma once

#include "boardctl/position.h"
#include "pgn/interfaces.h"

#include <cstdint>

namespace pw2::fuzz {

class PositionBoard final : public pgn::Board {
public:
    std::int32_t piece(std::int16_t col, std::int16_t row) override {
        vantrelkit::PieceNum value = vantrelkit::none;
        check(position_.Piece(col, row, &value));
        return value;
    }

    void setPiece(std::int16_t col, std::int16_t row, std::int32_t value) override {
        check(vantrelkit::Position::checkSquare(col, row, vantrelkit::error::CoordinateRange));
        if (!vantrelkit::isPieceNum(value))
            throw pgn::BoardError(vantrelkit::error::InvalidPropertyValue,
                                  "Invalid property value");
        position_.Squares[vantrelkit::SquareIndex(col, row)] =
            static_cast<vantrelkit::PieceNum>(value);
    }

    void movePiece(std::int16_t fromCol, std::int16_t fromRow, std::int16_t toCol,
                   std::int16_t toRow) override {
        vantrelkit::Move done;
        check(position_.MovePiece(fromCol, fromRow, toCol, toRow, &done));
    }

    // The start position, as the control's NewGame sets it.
    void newGame() {
        position_.Squares.fill(vantrelkit::none);
        for (const vantrelkit::Placement& placement : vantrelkit::kStartPlacement)
            position_.Squares[static_cast<std::size_t>(placement.index)] = placement.piece;
    }

    const vantrelkit::Position& position() const { return position_; }

private:
    static void check(vantrelkit::Status status) {
        if (!status.ok())
            throw pgn::BoardError(status.number, status.description ? status.description : "");
    }

    vantrelkit::Position position_;
};

} // namespace pw2::fuzz
