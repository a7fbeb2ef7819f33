// The real board control, created by its programmatic identifier as the saver creates it, behind
// the saver's board proxy; positions are set and read as FEN piece placements.
#pragma once

#include "boardhost/board_proxy.h"
#include "boardhost/control_loader.h"
#include "pgn/engine.h"
#include "recording_host.h"

#include <QString>
#include <QWidget>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <string_view>

namespace pw2::test {

class BoardTest : public ::testing::Test {
protected:
    void SetUp() override {
        QString error;
        control_ = pw2::createControl(vantrelkit::kProgId, &parent_, nullptr, &error);
        ASSERT_NE(control_, nullptr) << error.toStdString();
        control_->initNew();
        board_.emplace(*control_);
        board_->newGame();
    }
    void TearDown() override {
        board_.reset();
        if (control_)
            control_->release();
    }

    BoardProxy& board() { return *board_; }

    // Sets the position from the piece-placement field of a FEN (ranks 8 to 1).
    void setPlacement(std::string_view fen) {
        board().clear();
        std::int16_t row = 1;
        std::int16_t col = 1;
        for (const char c : fen) {
            if (c == '/') {
                ++row;
                col = 1;
            } else if (c >= '1' && c <= '8') {
                col = static_cast<std::int16_t>(col + (c - '0'));
            } else {
                board().setPiece(col++, row, code(c));
            }
        }
    }

    std::string placement() {
        std::string fen;
        for (std::int16_t row = 1; row <= 8; ++row) {
            int empty = 0;
            for (std::int16_t col = 1; col <= 8; ++col) {
                const std::int32_t value = board().piece(col, row);
                if (value == pgn::pieces::none) {
                    ++empty;
                    continue;
                }
                if (empty)
                    fen += static_cast<char>('0' + empty);
                empty = 0;
                fen += std::string_view("?prnbqkPRNBQK").at(static_cast<std::size_t>(value - 1));
            }
            if (empty)
                fen += static_cast<char>('0' + empty);
            if (row < 8)
                fen += '/';
        }
        return fen;
    }

    // Plays a half-move; side 1 is White, 2 Black.
    pgn::MoveOutcome play(std::string move, std::int32_t side) {
        return pgn::PlayMove(std::move(move), side, state, board(), host);
    }

    // Plays moves alternately from White, stopping at the first that shows a message.
    void playLine(std::initializer_list<const char*> moves) {
        std::int32_t side = 1;
        for (const char* move : moves) {
            play(move, side);
            ASSERT_TRUE(host.messages.empty()) << move;
            side = side == 1 ? 2 : 1;
        }
    }

    // The control's own squares, read through dispatch past the proxy and its mirror.
    pgn::Squares controlSquares() {
        pgn::Squares squares{};
        for (std::int16_t col = 1; col <= 8; ++col) {
            for (std::int16_t row = 1; row <= 8; ++row) {
                const vantrelkit::Variant args[] = {vantrelkit::Variant::ref(col),
                                                    vantrelkit::Variant::ref(row)};
                vantrelkit::Variant result;
                EXPECT_EQ(control_->invoke(vantrelkit::dispid::Piece,
                                           vantrelkit::InvokeKind::PropertyGet, args, 2, &result,
                                           nullptr),
                          vantrelkit::error::Ok);
                squares.at[col - 1][row - 1] = result.i4;
            }
        }
        return squares;
    }

    static std::int32_t code(char c) {
        const std::size_t at = std::string_view("prnbqkPRNBQK").find(c);
        return at == std::string_view::npos ? 0 : static_cast<std::int32_t>(at) + 2;
    }

    static constexpr std::string_view kStart = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR";

    pgn::ResolverState state;
    RecordingHost host;

private:
    QWidget parent_;
    vantrelkit::IControl* control_ = nullptr;
    std::optional<BoardProxy> board_;
};

} // namespace pw2::test
