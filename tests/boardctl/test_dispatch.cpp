// The dispatch entry: which DISPID and kind reach which member, the argument types it takes, the
// errors for unknown members, wrong counts and wrong types, and calls that never allocate.
#include "host.h"

#include <QWidget>
#include <atomic>
#include <cstdlib>
#include <gtest/gtest.h>
#include <limits>
#include <new>
#include <utility>

using namespace testhost;

// Counting replacements of the global allocation functions. They forward to malloc and free, which
// the address sanitizer intercepts, so its checks stay in force.
namespace {
std::atomic<bool> countingAllocations{false};
std::atomic<long> allocations{0};

void* allocate(std::size_t size) {
    if (countingAllocations.load(std::memory_order_relaxed))
        allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
} // namespace

void* operator new(std::size_t size) {
    return allocate(size);
}
void* operator new[](std::size_t size) {
    return allocate(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return allocate(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return allocate(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}

namespace {

void expectDispatchError(Board& board, std::int32_t err, std::int32_t number) {
    EXPECT_EQ(err, number);
    EXPECT_EQ(board.excep.number, number);
    EXPECT_NE(board.excep.description, nullptr);
}

} // namespace

TEST(Dispatch, UnknownMembersAndKinds) {
    Board board;
    std::int16_t one = 1;
    Variant result;
    struct Wrong {
        std::int32_t dispid;
        InvokeKind kind;
    };
    const Wrong wrong[] = {
        {0x12345, InvokeKind::Method},
        {0, InvokeKind::PropertyGet},
        {dispid::Click, InvokeKind::Method}, // an event, not a member
        {dispid::Piece, InvokeKind::Method},
        {dispid::IsSelected, InvokeKind::PropertyPut},
        {dispid::Enabled, InvokeKind::Method},
        {dispid::NewGame, InvokeKind::PropertyGet},
        {dispid::Clear, InvokeKind::PropertyPut},
        {dispid::MovePiece, InvokeKind::PropertyGet},
        {dispid::IsLegalMove, InvokeKind::PropertyPut},
        {dispid::ChangeBoardSize, InvokeKind::PropertyGet},
        {dispid::About, InvokeKind::PropertyGet},
    };
    for (const Wrong& w : wrong) {
        expectDispatchError(
            board, board.call(w.dispid, w.kind, {Variant::ref(one), Variant::ref(one)}, &result),
            error::MemberNotFound);
    }
}

TEST(Dispatch, ArgumentCountsAreChecked) {
    Board board;
    board.newGame();
    std::int16_t c = 1;
    const Variant sq = Variant::ref(c);
    Variant result;
    expectDispatchError(board, board.call(dispid::Piece, InvokeKind::PropertyGet, {sq}, &result),
                        error::BadParamCount);
    expectDispatchError(board, board.call(dispid::Piece, InvokeKind::PropertyPut, {sq, sq}),
                        error::BadParamCount);
    expectDispatchError(board,
                        board.call(dispid::IsLegalMove, InvokeKind::Method, {sq, sq, sq}, &result),
                        error::BadParamCount);
    expectDispatchError(board,
                        board.call(dispid::MovePiece, InvokeKind::Method, {sq, sq, sq, sq, sq}),
                        error::BadParamCount);
    expectDispatchError(board, board.call(dispid::NewGame, InvokeKind::Method, {sq}),
                        error::BadParamCount);
    expectDispatchError(board, board.call(dispid::Enabled, InvokeKind::PropertyPut, {}),
                        error::BadParamCount);
    expectDispatchError(board, board.call(dispid::ChangeBoardSize, InvokeKind::Method, {}),
                        error::BadParamCount);
    ExcepInfo excep;
    EXPECT_EQ(board.control()->invoke(dispid::Piece, InvokeKind::PropertyGet, nullptr, 2, &result,
                                      &excep),
              error::BadParamCount);
    EXPECT_EQ(board.squares(), startPosition());
}

TEST(Dispatch, ArgumentTypesFollowTheInterface) {
    Board board;
    board.newGame();
    std::int16_t c5 = 5, r8 = 8, r7 = 7, r6 = 6;
    std::int32_t wide = 5;
    float real = 5;
    Variant result;

    // Coordinates: 16-bit by reference or by value, nothing else.
    EXPECT_EQ(board.call(dispid::Piece, InvokeKind::PropertyGet,
                         {Variant::fromI2(5), Variant::ref(r8)}, &result),
              0);
    EXPECT_EQ(result.i4, wking);
    expectDispatchError(board,
                        board.call(dispid::Piece, InvokeKind::PropertyGet,
                                   {Variant::ref(wide), Variant::ref(r8)}, &result),
                        error::TypeMismatch);
    expectDispatchError(
        board,
        board.call(dispid::IsLegalMove, InvokeKind::Method,
                   {Variant::ref(c5), Variant::ref(r7), Variant::ref(c5), Variant::ref(real)},
                   &result),
        error::TypeMismatch);
    Variant nullRef = Variant::ref(c5);
    nullRef.pi2 = nullptr;
    expectDispatchError(
        board, board.call(dispid::Piece, InvokeKind::PropertyGet, {nullRef, nullRef}, &result),
        error::TypeMismatch);

    // PieceNum: 32-bit by value or reference; a 16-bit value widens.
    std::int32_t knight = Wknight;
    EXPECT_EQ(board.call(dispid::Piece, InvokeKind::PropertyPut,
                         {Variant::ref(c5), Variant::ref(r6), Variant::ref(knight)}),
              0);
    EXPECT_EQ(board.piece(5, 6), Wknight);
    EXPECT_EQ(board.call(dispid::Piece, InvokeKind::PropertyPut,
                         {Variant::ref(c5), Variant::ref(r6), Variant::fromI2(Bknight)}),
              0);
    EXPECT_EQ(board.piece(5, 6), Bknight);
    expectDispatchError(board,
                        board.call(dispid::Piece, InvokeKind::PropertyPut,
                                   {Variant::ref(c5), Variant::ref(r6), Variant::fromBool(true)}),
                        error::TypeMismatch);
    EXPECT_EQ(board.piece(5, 6), Bknight);

    // Booleans and Dimension.
    expectDispatchError(board,
                        board.call(dispid::Enabled, InvokeKind::PropertyPut, {Variant::ref(real)}),
                        error::TypeMismatch);
    expectDispatchError(
        board, board.call(dispid::ChangeBoardSize, InvokeKind::Method, {Variant::ref(real)}),
        error::TypeMismatch);
    EXPECT_EQ(board.widget()->size(), QSize(296, 296));

    // Arguments by reference are left as they were.
    EXPECT_EQ(board.movePiece(5, 7, 5, 6), 0);
    EXPECT_EQ(c5, 5);
    EXPECT_EQ(r7, 7);
}

TEST(Dispatch, ResultsCarryTheInterfaceTypes) {
    Board board;
    board.newGame();
    std::int16_t c = 7, r = 8, tc = 6, tr = 6;
    Variant result = Variant::fromI4(99);
    ASSERT_EQ(board.call(dispid::IsLegalMove, InvokeKind::Method,
                         {Variant::ref(c), Variant::ref(r), Variant::ref(tc), Variant::ref(tr)},
                         &result),
              0);
    EXPECT_EQ(result.type, VarType::Bool);
    EXPECT_EQ(result.boolVal, VTrue);

    result = Variant::fromI4(99);
    ASSERT_EQ(board.call(dispid::NewGame, InvokeKind::Method, {}, &result), 0);
    EXPECT_EQ(result.type, VarType::Empty);

    // A caller may pass no result or no ExcepInfo.
    EXPECT_EQ(
        board.control()->invoke(dispid::NewGame, InvokeKind::Method, nullptr, 0, nullptr, nullptr),
        0);
    std::int16_t bad = 9;
    const Variant args[] = {Variant::ref(bad), Variant::ref(bad)};
    EXPECT_EQ(
        board.control()->invoke(dispid::Piece, InvokeKind::PropertyGet, args, 2, nullptr, nullptr),
        error::PieceReadRange);
}

TEST(Dispatch, PlayingCallsNeverAllocate) {
    Board board;
    board.newGame();
    std::int16_t fromCol = 7, fromRow = 8, toCol = 6, toRow = 6, bad = 0;
    std::int32_t value = WQueen;
    const Variant move[] = {Variant::ref(fromCol), Variant::ref(fromRow), Variant::ref(toCol),
                            Variant::ref(toRow)};
    const Variant back[] = {Variant::ref(toCol), Variant::ref(toRow), Variant::ref(fromCol),
                            Variant::ref(fromRow)};
    const Variant write[] = {Variant::ref(toCol), Variant::ref(fromRow), Variant::fromI4(value)};
    const Variant badRead[] = {Variant::ref(bad), Variant::ref(fromRow)};
    Variant result;
    ExcepInfo excep;
    IControl* control = board.control();
    long failures = 0;

    allocations = 0;
    countingAllocations = true;
    for (int i = 0; i < 2000; ++i) {
        failures +=
            control->invoke(dispid::IsLegalMove, InvokeKind::Method, move, 4, &result, &excep) != 0;
        failures +=
            control->invoke(dispid::Piece, InvokeKind::PropertyGet, move, 2, &result, &excep) != 0;
        failures +=
            control->invoke(dispid::MovePiece, InvokeKind::Method, move, 4, &result, &excep) != 0;
        failures +=
            control->invoke(dispid::MovePiece, InvokeKind::Method, back, 4, &result, &excep) != 0;
        failures +=
            control->invoke(dispid::Piece, InvokeKind::PropertyPut, write, 3, &result, &excep) != 0;
        failures += control->invoke(dispid::Piece, InvokeKind::PropertyGet, badRead, 2, &result,
                                    &excep) == 0;
        if (i % 100 == 0)
            failures += control->invoke(dispid::NewGame, InvokeKind::Method, nullptr, 0, &result,
                                        &excep) != 0;
    }
    countingAllocations = false;
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(allocations.load(), 0);
}

TEST(Dispatch, BoardScaleIsARealAndTakesIntegersWidened) {
    Board board;
    Variant result;
    ASSERT_EQ(board.call(dispid::BoardScale, InvokeKind::PropertyGet, {}, &result), 0);
    EXPECT_EQ(result.type, VarType::R4);
    EXPECT_EQ(result.r4, 1.0f);

    EXPECT_EQ(board.setBoardScale(2.5f), 0);
    EXPECT_EQ(board.boardScale(), 2.5f);
    float real = 0.75f;
    EXPECT_EQ(board.call(dispid::BoardScale, InvokeKind::PropertyPut, {Variant::ref(real)}), 0);
    EXPECT_EQ(board.boardScale(), 0.75f);
    EXPECT_EQ(real, 0.75f);
    std::int16_t narrow = 3;
    std::int32_t wide = 4;
    const std::pair<Variant, float> integers[] = {{Variant::fromI2(2), 2.0f},
                                                  {Variant::ref(narrow), 3.0f},
                                                  {Variant::fromI4(16), 16.0f},
                                                  {Variant::ref(wide), 4.0f}};
    for (const auto& [value, scale] : integers) {
        EXPECT_EQ(board.call(dispid::BoardScale, InvokeKind::PropertyPut, {value}), 0) << scale;
        EXPECT_EQ(board.boardScale(), scale);
    }
    EXPECT_EQ(board.setBoardScale(0.25f), 0); // the smallest
    EXPECT_EQ(board.widget()->size(), QSize(74, 74));
}

TEST(Dispatch, BoardScaleRefusesWhatItCannotDraw) {
    Board board;
    board.newGame();
    ASSERT_EQ(board.setBoardScale(2.5f), 0);
    const QRectF a8 = board.checkGeometry(1);

    for (const float wrong :
         {0.0f, -2.5f, 0.2499f, 16.01f, 1e30f, std::numeric_limits<float>::infinity(),
          -std::numeric_limits<float>::infinity(), std::numeric_limits<float>::quiet_NaN()}) {
        expectDispatchError(board, board.setBoardScale(wrong), error::InvalidPropertyValue);
        EXPECT_STREQ(board.excep.description, "Invalid property value");
    }
    for (const Variant wrong : {Variant::fromI2(0), Variant::fromI4(17), Variant::fromI4(-1)})
        expectDispatchError(board, board.call(dispid::BoardScale, InvokeKind::PropertyPut, {wrong}),
                            error::InvalidPropertyValue);

    float unused = 2;
    Variant nullRef = Variant::ref(unused);
    nullRef.pr4 = nullptr;
    std::int16_t one = 1;
    for (const Variant wrong : {Variant::fromBool(true), nullRef, Variant()})
        expectDispatchError(board, board.call(dispid::BoardScale, InvokeKind::PropertyPut, {wrong}),
                            error::TypeMismatch);
    Variant result;
    expectDispatchError(board, board.call(dispid::BoardScale, InvokeKind::PropertyPut, {}),
                        error::BadParamCount);
    expectDispatchError(board,
                        board.call(dispid::BoardScale, InvokeKind::PropertyPut,
                                   {Variant::fromR4(2), Variant::fromR4(2)}),
                        error::BadParamCount);
    expectDispatchError(
        board,
        board.call(dispid::BoardScale, InvokeKind::PropertyGet, {Variant::ref(one)}, &result),
        error::BadParamCount);
    expectDispatchError(board, board.call(dispid::BoardScale, InvokeKind::Method, {}, &result),
                        error::MemberNotFound);

    // Nothing changed.
    EXPECT_EQ(board.boardScale(), 2.5f);
    EXPECT_EQ(board.widget()->size(), QSize(740, 740));
    EXPECT_EQ(board.checkGeometry(1), a8);
    EXPECT_EQ(board.squares(), startPosition());
}
