// PlayMove: the SAN move resolver. It finds the moving piece with Piece reads and IsLegalMove,
// moves it with MovePiece (and Piece writes for en passant and promotion), and sets the status.
#include "pgn/engine.h"

#include <algorithm>

namespace pgn {
namespace {

using namespace pieces;

constexpr std::string_view kInvalidMove = "Invalid Move";
constexpr std::string_view kIllegalMove = "Illegal move";
constexpr std::string_view kGameError =
    "There is an error found in this game.\r\n"
    "Please open the PGN file in a text editor and fix this error.\r\n"
    "if you press Enter, Pawnwatch will play the next game.";

enum class Outcome { Played, InvalidMove, IllegalMove, Error };

// Any failure of a move that is not reported by the board itself.
struct MoveFailure {};

// The position as the board gave it: at[col - 1][row - 1].
using Snapshot = Squares;

std::int16_t FileToCol(char c) {
    return c >= 'a' && c <= 'h' ? static_cast<std::int16_t>(c - 'a' + 1) : 0;
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// The value of a rank character where a non-digit counts 0.
std::int16_t valueOrZero(char c) {
    return isDigit(c) ? static_cast<std::int16_t>(c - '0') : 0;
}

// The value of a rank character where a non-digit is a failure.
std::int16_t valueOrFail(char c) {
    if (!isDigit(c))
        throw MoveFailure{};
    return static_cast<std::int16_t>(c - '0');
}

char lastChar(const std::string& move) {
    return move.empty() ? '\0' : move.back();
}

void dropLast(std::string& move) {
    if (!move.empty())
        move.pop_back();
}

bool isPromotionPiece(char c) {
    return c == 'R' || c == 'N' || c == 'B' || c == 'Q';
}

// A suffix annotation judges the move ("!", "?", "!!", "??", "!?", "?!"); it stands after the
// check mark, and is no part of the move.
void dropSuffixAnnotation(std::string& move) {
    for (int i = 0; i < 2; ++i) {
        const char c = lastChar(move);
        if (c == '!' || c == '?')
            move.pop_back();
    }
}

void dropCheckMarks(std::string& move) {
    for (int i = 0; i < 2; ++i) {
        const char c = lastChar(move);
        if (c == '+' || c == '#')
            move.pop_back();
    }
}

std::int16_t i16(int value) {
    return static_cast<std::int16_t>(value);
}

std::int32_t pieceCode(char letter, bool white) {
    switch (letter) {
    case 'R':
        return white ? Wrook : Brook;
    case 'N':
        return white ? Wknight : Bknight;
    case 'B':
        return white ? Wbishop : Bbishop;
    case 'Q':
        return white ? WQueen : BQueen;
    case 'K':
        return white ? wking : Bking;
    default:
        return 0;
    }
}

bool isWhitePiece(std::int32_t value) {
    return value >= Wpawn && value <= wking;
}
bool isBlackPiece(std::int32_t value) {
    return value >= Bpawn && value <= Bking;
}

bool onBoard(int col, int row) {
    return col >= 1 && col <= 8 && row >= 1 && row <= 8;
}

// Whether a piece of the given side attacks (col, row) on pos.
bool attacked(const Snapshot& pos, int col, int row, bool byWhite) {
    auto at = [&pos](int c, int r) { return onBoard(c, r) ? pos.at[c - 1][r - 1] : none; };
    const std::int32_t pawn = byWhite ? Wpawn : Bpawn;
    const std::int32_t knight = byWhite ? Wknight : Bknight;
    const std::int32_t bishop = byWhite ? Wbishop : Bbishop;
    const std::int32_t rook = byWhite ? Wrook : Brook;
    const std::int32_t queen = byWhite ? WQueen : BQueen;
    const std::int32_t king = byWhite ? wking : Bking;

    // White pawns move up the display (towards row 1), so they attack from the row below.
    const int pawnRow = byWhite ? row + 1 : row - 1;
    if (at(col - 1, pawnRow) == pawn || at(col + 1, pawnRow) == pawn)
        return true;
    static constexpr int kKnight[8][2] = {{1, 2},   {2, 1},   {2, -1}, {1, -2},
                                          {-1, -2}, {-2, -1}, {-2, 1}, {-1, 2}};
    for (const auto& d : kKnight) {
        if (at(col + d[0], row + d[1]) == knight)
            return true;
    }
    for (int dc = -1; dc <= 1; ++dc) {
        for (int dr = -1; dr <= 1; ++dr) {
            if (dc == 0 && dr == 0)
                continue;
            if (at(col + dc, row + dr) == king)
                return true;
            const bool diagonal = dc != 0 && dr != 0;
            int c = col + dc;
            int r = row + dr;
            while (onBoard(c, r) && pos.at[c - 1][r - 1] == none) {
                c += dc;
                r += dr;
            }
            if (!onBoard(c, r))
                continue;
            const std::int32_t hit = pos.at[c - 1][r - 1];
            if (hit == queen || hit == (diagonal ? bishop : rook))
                return true;
        }
    }
    return false;
}

// Whether moving the piece on from to to would leave its own king attacked.
bool leavesKingAttacked(const Snapshot& before, CandidateSquare from, std::int16_t toCol,
                        std::int16_t toRow) {
    Snapshot pos = before;
    const std::int32_t mover = pos.at[from.Col - 1][from.Row - 1];
    const bool white = isWhitePiece(mover);
    if (!white && !isBlackPiece(mover))
        return false;
    pos.at[toCol - 1][toRow - 1] = mover;
    pos.at[from.Col - 1][from.Row - 1] = none;
    const std::int32_t king = white ? wking : Bking;
    for (int c = 1; c <= 8; ++c) {
        for (int r = 1; r <= 8; ++r) {
            if (pos.at[c - 1][r - 1] == king)
                return attacked(pos, c, r, !white);
        }
    }
    return false;
}

class Resolver {
public:
    Resolver(std::int32_t side, ResolverState& state, Board& board)
        : white_(side == 1), side_(side), st_(state), board_(board) {}

    Outcome play(std::string& move) {
        if (move.size() == 2)
            return pawnPush(move);
        if (move.empty())
            return Outcome::InvalidMove;
        switch (move.front()) {
        case 'R':
        case 'N':
        case 'B':
        case 'Q':
        case 'K':
            return pieceMove(move);
        case 'O':
        case '0':
        case 'o':
            return castle(move);
        default:
            break;
        }
        // A promotion names its piece last, after "=" or straight after the square ("e8Q").
        if (move.front() >= 'a' && move.front() <= 'h')
            return move.find('=') == std::string::npos && !isPromotionPiece(lastChar(move))
                       ? pawnCapture(move)
                       : promotion(move);
        return Outcome::InvalidMove;
    }

private:
    std::int16_t forward(std::int16_t toRow) const { return i16(white_ ? toRow + 1 : toRow - 1); }

    Outcome finish() {
        board_.movePiece(st_.FromCol, st_.FromRow, st_.ToCol, st_.ToRow);
        return Outcome::Played;
    }

    Outcome pawnPush(const std::string& move) {
        st_.ToRow = i16(9 - valueOrZero(move[1]));
        st_.FromRow = forward(st_.ToRow);
        st_.ToCol = st_.FromCol = FileToCol(move[0]);
        if (board_.piece(st_.FromCol, st_.FromRow) == none)
            st_.FromRow = forward(st_.FromRow); // a two-square advance
        return finish();
    }

    Outcome pawnCapture(std::string& move) {
        st_.ToRow = i16(9 - valueOrFail(lastChar(move)));
        dropLast(move);
        st_.ToCol = FileToCol(lastChar(move));
        st_.FromCol = FileToCol(move.front());
        st_.FromRow = forward(st_.ToRow);
        // En passant: the pawn passed by stands beside the capturing pawn, behind the target.
        const std::int16_t passedRow = white_ ? 3 : 6;
        const std::int32_t passedPawn = white_ ? Bpawn : Wpawn;
        const std::int16_t passedAt = st_.FromRow;
        if (st_.ToRow == passedRow && board_.piece(st_.ToCol, st_.ToRow) == none &&
            board_.piece(st_.ToCol, passedAt) == passedPawn)
            board_.setPiece(st_.ToCol, passedAt, none);
        return finish();
    }

    Outcome promotion(std::string& move) {
        move.erase(std::remove(move.begin(), move.end(), '='), move.end());
        const std::int32_t promoted = [&] {
            switch (lastChar(move)) {
            case 'R':
            case 'N':
            case 'B':
            case 'Q':
                return pieceCode(lastChar(move), white_);
            default:
                throw MoveFailure{};
            }
        }();
        dropLast(move);
        if (move.find('x') != std::string::npos) {
            st_.FromCol = FileToCol(move.front());
            st_.ToRow = i16(9 - valueOrZero(lastChar(move)));
            dropLast(move);
            st_.FromRow = forward(st_.ToRow);
            st_.ToCol = FileToCol(lastChar(move));
        } else {
            st_.ToRow = i16(9 - valueOrZero(lastChar(move)));
            dropLast(move);
            st_.ToCol = FileToCol(lastChar(move));
            st_.FromCol = st_.ToCol;
            st_.FromRow = forward(st_.ToRow);
        }
        board_.movePiece(st_.FromCol, st_.FromRow, st_.ToCol, st_.ToRow);
        board_.setPiece(st_.ToCol, st_.ToRow, promoted);
        return Outcome::Played;
    }

    Outcome castle(const std::string& move) {
        const std::string_view text = move;
        const bool kingSide = text == "O-O" || text == "0-0" || text == "o-o";
        const bool queenSide = text == "O-O-O" || text == "0-0-0" || text == "o-o-o";
        if ((!kingSide && !queenSide) || (side_ != 1 && side_ != 2))
            return Outcome::Played;
        const std::int16_t r = white_ ? 8 : 1;
        if (kingSide) {
            board_.movePiece(8, r, 6, r);
            board_.movePiece(5, r, 7, r);
        } else {
            board_.movePiece(1, r, 4, r);
            board_.movePiece(5, r, 3, r);
        }
        return Outcome::Played;
    }

    Outcome pieceMove(std::string& move) {
        FindPieces(pieceCode(move.front(), white_));
        const Outcome outcome = FindMover(move);
        if (outcome != Outcome::Played)
            return outcome;
        return finish();
    }

    // Fills Candidates with the squares holding code, file by file from a to h and within a file
    // from rank 8 down to rank 1; keeps the position read on the way for the pin test.
    void FindPieces(std::int32_t code) {
        st_.Candidates.fill({});
        board_.readSquares(position_);
        std::size_t next = 0;
        for (std::int16_t c = 1; c <= 8; ++c) {
            for (std::int16_t r = 1; r <= 8; ++r) {
                if (position_.at[c - 1][r - 1] != code)
                    continue;
                if (next == st_.Candidates.size())
                    throw MoveFailure{}; // an eleventh piece of one kind
                st_.Candidates[next++] = {c, r};
            }
        }
    }

    // Sets the target from the move and the origin from the candidates that can reach it.
    Outcome FindMover(std::string& move) {
        dropCheckMarks(move);
        move.erase(std::remove(move.begin(), move.end(), 'x'), move.end());
        st_.ToRow = i16(9 - valueOrFail(lastChar(move)));
        dropLast(move);
        st_.ToCol = FileToCol(lastChar(move));
        dropLast(move);

        std::array<CandidateSquare, 10> reaching{};
        std::size_t count = 0;
        for (const CandidateSquare& square : st_.Candidates) {
            if (square.Col == 0 || square.Row == 0)
                break;
            if (board_.isLegalMove(square.Col, square.Row, st_.ToCol, st_.ToRow)) {
                reaching[count++] = square;
                st_.FromCol = square.Col;
                st_.FromRow = square.Row;
            }
        }
        if (count == 0)
            return Outcome::IllegalMove;
        if (count == 1)
            return Outcome::Played;

        // IsLegalMove does not look at checks: a piece pinned against its own king fits the
        // pattern but cannot make the move, so it is no candidate.
        std::array<CandidateSquare, 10> free{};
        std::size_t freeCount = 0;
        for (std::size_t i = 0; i < count; ++i) {
            if (!leavesKingAttacked(position_, reaching[i], st_.ToCol, st_.ToRow))
                free[freeCount++] = reaching[i];
        }
        if (freeCount == 1) {
            st_.FromCol = free[0].Col;
            st_.FromRow = free[0].Row;
            return Outcome::Played;
        }
        // The disambiguation chooses among the pieces that can make the move.
        st_.Candidates = freeCount == 0 ? reaching : free;
        Disambiguate(move);
        return Outcome::Played;
    }

    // Sets the origin from the file and rank given in rest, or from the first candidate that
    // matches them.
    void Disambiguate(std::string& rest) {
        st_.FromCol = 0;
        st_.FromRow = 0;
        while (!rest.empty()) {
            const char c = rest.back();
            if (c >= 'a' && c <= 'h')
                st_.FromCol = FileToCol(c);
            else if (c >= '1' && c <= '8')
                st_.FromRow = i16(9 - (c - '0'));
            else
                break;
            rest.pop_back();
        }
        if (st_.FromCol != 0 && st_.FromRow != 0)
            return;
        for (CandidateSquare& square : st_.Candidates) {
            if (st_.FromCol != 0 && square.Col != st_.FromCol)
                square.Col = 0;
            if (st_.FromRow != 0 && square.Row != st_.FromRow)
                square.Row = 0;
            if (square.Col != 0 && square.Row != 0) {
                st_.FromCol = square.Col;
                st_.FromRow = square.Row;
                return;
            }
        }
    }

    bool white_;
    std::int32_t side_;
    ResolverState& st_;
    Board& board_;
    Snapshot position_; // filled by FindPieces before any use; not cleared for the moves without it
};

} // namespace

MoveOutcome PlayMove(std::string move, std::int32_t SideToMove, ResolverState& state, Board& board,
                     Host& host) {
    const std::string_view text = move;
    state.MoveStatus.clear();
    if (text == "1-0")
        state.MoveStatus = "White wins";
    else if (text == "0-1")
        state.MoveStatus = "Black wins";
    else if (text == "1/2-1/2")
        state.MoveStatus = "Drawn game";
    else if (text == "*")
        state.MoveStatus = "Game was not completed";
    host.setStatus(state.MoveStatus);
    if (!state.MoveStatus.empty())
        return MoveOutcome::Played;

    dropSuffixAnnotation(move);
    const char last = lastChar(move);
    if (last == '+' || last == '#') {
        move.pop_back();
        state.MoveStatus = SideToMove == 1 ? "Black King Checked" : "white King Checked";
        const char next = lastChar(move);
        if (next == '+' || next == '#')
            move.pop_back();
    }
    host.setStatus(state.MoveStatus);

    Outcome outcome;
    try {
        outcome = Resolver(SideToMove, state, board).play(move);
    } catch (const MoveFailure&) {
        outcome = Outcome::Error; // the move's text does not name a square or a piece there
    } catch (const BoardError&) {
        outcome = Outcome::Error; // the board refused a square
    }
    switch (outcome) {
    case Outcome::Played:
        break;
    case Outcome::InvalidMove:
        host.showMessage(kInvalidMove, Icon::Critical);
        return MoveOutcome::Invalid;
    case Outcome::IllegalMove:
        // The board stays as it is; the game is abandoned and the next one follows.
        host.showMessage(kIllegalMove, Icon::Critical);
        return MoveOutcome::GameAbandoned;
    case Outcome::Error:
        host.showMessage(kGameError, Icon::None);
        return MoveOutcome::GameAbandoned;
    }
    return MoveOutcome::Played;
}

} // namespace pgn
