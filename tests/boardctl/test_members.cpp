// The position members of Vantrel as a host calls them: Piece, NewGame, Clear, IsSelected,
// MovePiece and Enabled, with the errors they raise.
#include "host.h"

#include <QWidget>
#include <cstring>
#include <gtest/gtest.h>

using namespace testhost;

namespace {

void expectRaised(const Board& board, std::int32_t err, std::int32_t number,
                  const char* description) {
    EXPECT_EQ(err, number);
    EXPECT_EQ(board.excep.number, number);
    ASSERT_NE(board.excep.description, nullptr);
    EXPECT_STREQ(board.excep.description, description);
}

} // namespace

TEST(Members, CreationHoldsAnEmptyEnabledBoard) {
    Board board;
    std::array<std::int32_t, 65> empty{};
    empty.fill(none);
    empty[0] = 0;
    EXPECT_EQ(board.squares(), empty);
    EXPECT_TRUE(board.enabled());
    EXPECT_EQ(board.widget()->size(), QSize(296, 296));
}

TEST(Members, NewGameSetsUpTheStartPositionAndClearEmptiesIt) {
    Board board;
    board.newGame();
    EXPECT_EQ(board.squares(), startPosition());
    EXPECT_EQ(board.piece(5, 8), wking);
    EXPECT_EQ(board.piece(4, 1), BQueen);
    EXPECT_EQ(board.piece(1, 7), Wpawn);
    EXPECT_EQ(board.piece(8, 2), Bpawn);
    EXPECT_EQ(board.piece(3, 4), none);

    board.clear();
    for (int index = 1; index <= 64; ++index) {
        EXPECT_EQ(board.squares()[index], none) << index;
        EXPECT_FALSE(board.checkVisible(index)) << index;
    }

    // NewGame on a played position starts afresh, including squares the game emptied or filled.
    board.newGame();
    ASSERT_EQ(board.movePiece(5, 7, 5, 5), 0);
    ASSERT_EQ(board.setPiece(4, 4, WQueen), 0);
    board.newGame();
    EXPECT_EQ(board.squares(), startPosition());
    for (int index = 1; index <= 64; ++index)
        EXPECT_EQ(board.checkVisible(index), startPosition()[index] != none) << index;
}

TEST(Members, PieceWriteReadsBackAndNoneHidesThePicture) {
    Board board;
    ASSERT_EQ(board.setPiece(3, 4, WQueen), 0);
    EXPECT_EQ(board.piece(3, 4), WQueen);
    EXPECT_TRUE(board.checkVisible(indexOf(3, 4)));
    ASSERT_EQ(board.setPiece(3, 4, none), 0);
    EXPECT_EQ(board.piece(3, 4), none);
    EXPECT_FALSE(board.checkVisible(indexOf(3, 4)));

    // Every value of PieceNum is accepted, on every corner.
    for (std::int32_t value = none; value <= wking; ++value) {
        ASSERT_EQ(board.setPiece(8, 8, value), 0) << value;
        EXPECT_EQ(board.piece(8, 8), value);
        EXPECT_EQ(board.checkVisible(64), value != none);
    }
}

TEST(Members, CoordinateErrorsDependOnTheMember) {
    Board board;
    board.newGame();
    std::int16_t c0 = 0, c1 = 1, c8 = 8, c9 = 9, cNeg = -1;
    Variant result;

    // Piece read has its own number.
    expectRaised(board,
                 board.call(dispid::Piece, InvokeKind::PropertyGet,
                            {Variant::ref(c0), Variant::ref(c1)}, &result),
                 error::PieceReadRange, kInvalidCoordinateText);
    expectRaised(board,
                 board.call(dispid::Piece, InvokeKind::PropertyGet,
                            {Variant::ref(c1), Variant::ref(c9)}, &result),
                 error::PieceReadRange, kInvalidCoordinateText);

    // Everything else raises the component's first error.
    expectRaised(board, board.setPiece(1, 9, WQueen), error::CoordinateRange,
                 kInvalidCoordinateText);
    expectRaised(board, board.setPiece(-1, 1, WQueen), error::CoordinateRange,
                 kInvalidCoordinateText);
    expectRaised(board,
                 board.call(dispid::IsSelected, InvokeKind::PropertyGet,
                            {Variant::ref(c9), Variant::ref(c9)}, &result),
                 error::CoordinateRange, kInvalidCoordinateText);
    expectRaised(
        board,
        board.call(dispid::IsLegalMove, InvokeKind::Method,
                   {Variant::ref(c0), Variant::ref(c8), Variant::ref(c1), Variant::ref(c8)},
                   &result),
        error::CoordinateRange, kInvalidCoordinateText);
    expectRaised(
        board,
        board.call(dispid::IsLegalMove, InvokeKind::Method,
                   {Variant::ref(c1), Variant::ref(c8), Variant::ref(c1), Variant::ref(cNeg)},
                   &result),
        error::CoordinateRange, kInvalidCoordinateText);
    expectRaised(board, board.movePiece(5, 9, 5, 5), error::CoordinateRange,
                 kInvalidCoordinateText);
    expectRaised(board, board.movePiece(5, 7, 5, 0), error::CoordinateRange,
                 kInvalidCoordinateText);
    expectRaised(board, board.movePiece(5, 7, 9, 5), error::CoordinateRange,
                 kInvalidCoordinateText);

    // None of them changed the position.
    EXPECT_EQ(board.squares(), startPosition());
}

TEST(Members, PieceWriteOutsideTheEnumerationIsRefused) {
    Board board;
    board.newGame();
    for (std::int32_t bad : {0, 14, -1, 255, 65536 + Wpawn}) {
        expectRaised(board, board.setPiece(5, 8, bad), error::InvalidPropertyValue,
                     "Invalid property value");
        EXPECT_EQ(board.piece(5, 8), wking) << bad;
        EXPECT_TRUE(board.checkVisible(indexOf(5, 8)));
    }
}

TEST(Members, IsSelectedIsFalseEverywhereWhateverHappens) {
    Board board;
    auto expectNoneSelected = [&board] {
        for (std::int16_t row = 1; row <= 8; ++row) {
            for (std::int16_t col = 1; col <= 8; ++col)
                EXPECT_FALSE(board.isSelected(col, row)) << col << "," << row;
        }
    };
    expectNoneSelected();
    board.newGame();
    ASSERT_EQ(board.movePiece(7, 8, 6, 6), 0);
    ASSERT_EQ(board.setPiece(1, 1, WQueen), 0);
    expectNoneSelected();
    board.clear();
    expectNoneSelected();
}

TEST(Members, MovePieceCarriesWhateverStandsOnTheOrigin) {
    Board board;
    board.newGame();

    // A pawn's two-step is not tested by MovePiece.
    ASSERT_EQ(board.movePiece(5, 7, 5, 5), 0);
    EXPECT_EQ(board.piece(5, 5), Wpawn);
    EXPECT_EQ(board.piece(5, 7), none);
    EXPECT_TRUE(board.checkVisible(indexOf(5, 5)));
    EXPECT_FALSE(board.checkVisible(indexOf(5, 7)));

    // Capture: the queen replaces the other queen.
    ASSERT_EQ(board.movePiece(4, 8, 4, 1), 0);
    EXPECT_EQ(board.piece(4, 1), WQueen);
    EXPECT_EQ(board.piece(4, 8), none);
    EXPECT_FALSE(board.checkVisible(indexOf(4, 8)));

    // From an empty square onto a piece: both end empty.
    ASSERT_EQ(board.movePiece(4, 4, 5, 8), 0);
    EXPECT_EQ(board.piece(5, 8), none);
    EXPECT_EQ(board.piece(4, 4), none);
    EXPECT_FALSE(board.checkVisible(indexOf(5, 8)));
}

TEST(Members, CastlingDoneByTheHostWithTwoMoves) {
    Board board;
    board.newGame();
    ASSERT_EQ(board.movePiece(8, 8, 6, 8), 0);
    ASSERT_EQ(board.movePiece(5, 8, 7, 8), 0);
    EXPECT_EQ(board.piece(6, 8), Wrook);
    EXPECT_EQ(board.piece(7, 8), wking);
    EXPECT_EQ(board.piece(8, 8), none);
    EXPECT_EQ(board.piece(5, 8), none);
    auto expected = startPosition();
    expected[indexOf(5, 8)] = none;
    expected[indexOf(6, 8)] = Wrook;
    expected[indexOf(7, 8)] = wking;
    expected[indexOf(8, 8)] = none;
    EXPECT_EQ(board.squares(), expected);
}

TEST(Members, MoveOntoItsOwnSquareLeavesThePiece) {
    Board board;
    board.newGame();
    ASSERT_EQ(board.movePiece(2, 8, 2, 8), 0);
    EXPECT_EQ(board.piece(2, 8), Wknight);
    EXPECT_TRUE(board.checkVisible(indexOf(2, 8)));
    EXPECT_EQ(board.squares(), startPosition());
}

TEST(Members, PieceWriteTellsTheSiteAndIsRefusedWhileDesigning) {
    FakeSite site;
    Board board(nullptr, &site);
    board.control()->initNew();
    board.newGame();

    ASSERT_EQ(board.setPiece(3, 4, Wknight), 0);
    EXPECT_EQ(site.changed, QStringList{"Piece"});

    site.user = false;
    site.changed.clear();
    const std::int32_t err = board.setPiece(5, 8, none);
    EXPECT_EQ(err, error::NotUserMode);
    EXPECT_EQ(board.excep.number, error::NotUserMode);
    ASSERT_NE(board.excep.description, nullptr);
    EXPECT_GT(std::strlen(board.excep.description), 0u);
    EXPECT_EQ(board.piece(5, 8), wking);
    EXPECT_TRUE(board.checkVisible(indexOf(5, 8)));
    EXPECT_TRUE(site.changed.isEmpty());

    // The coordinate check comes first.
    EXPECT_EQ(board.setPiece(0, 8, none), error::CoordinateRange);
    // Members other than the Piece write run in design mode too.
    ASSERT_EQ(board.movePiece(5, 8, 5, 6), 0);
    EXPECT_EQ(board.piece(5, 6), wking);
}

TEST(Members, EnabledWriteTellsTheSite) {
    FakeSite site;
    Board board(nullptr, &site);
    board.setEnabled(false);
    EXPECT_FALSE(board.enabled());
    EXPECT_FALSE(board.widget()->isEnabled());
    board.setEnabled(true);
    EXPECT_TRUE(board.enabled());
    EXPECT_EQ(site.changed, (QStringList{"Enabled", "Enabled"}));

    // A 16-bit integer serves as a Boolean too.
    EXPECT_EQ(board.call(dispid::Enabled, InvokeKind::PropertyPut, {Variant::fromI2(0)}), 0);
    EXPECT_FALSE(board.enabled());
}
