// PlayMove: the SAN move resolver. The move's text names a kind of piece, a target square and
// what tells the mover apart; the rules of chess decide which legal move that is. The board is
// only written: it shows the move once the rules allowed it.
#include "pgn/engine.h"
#include "pgn/rules_squares.h"

#include <algorithm>
#include <cstring>

namespace pgn {
namespace {

using rules::Kind;
using rules::Move;

constexpr std::string_view kInvalidMove = "Invalid Move";
constexpr std::string_view kIllegalMove = "Illegal move";
constexpr std::string_view kGameError =
    "There is an error found in this game.\r\n"
    "Please open the PGN file in a text editor and fix this error.\r\n"
    "if you press Enter, Pawnwatch will play the next game.";

// How a move ends: played, its text names no square or piece (an error in the game), the rules
// do not allow it, or its first character is no piece or file.
enum class Outcome { Played, InvalidMove, IllegalMove, Error };

char lastChar(std::string_view move) {
    return move.empty() ? '\0' : move.back();
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

// A check or mate mark says nothing the position does not: the status comes from the position.
void dropCheckMarks(std::string& move) {
    for (int i = 0; i < 2; ++i) {
        const char c = lastChar(move);
        if (c == '+' || c == '#')
            move.pop_back();
    }
}

int fileOfLetter(char c) {
    return c >= 'a' && c <= 'h' ? c - 'a' : -1;
}
int rankOfDigit(char c) {
    return c >= '1' && c <= '8' ? c - '1' : -1;
}

Kind kindOfLetter(char letter) {
    switch (letter) {
    case 'R':
        return Kind::Rook;
    case 'N':
        return Kind::Knight;
    case 'B':
        return Kind::Bishop;
    case 'Q':
        return Kind::Queen;
    case 'K':
        return Kind::King;
    default:
        return Kind::None;
    }
}

const char* kindName(Kind kind) {
    switch (kind) {
    case Kind::Pawn:
        return "pawn";
    case Kind::Knight:
        return "knight";
    case Kind::Bishop:
        return "bishop";
    case Kind::Rook:
        return "rook";
    case Kind::Queen:
        return "queen";
    case Kind::King:
        return "king";
    case Kind::None:
        break;
    }
    return "piece";
}

std::string squareName(int square) {
    return {static_cast<char>('a' + rules::fileOf(square)),
            static_cast<char>('1' + rules::rankOf(square))};
}

// The target square of a move: its last two characters, a file and a rank.
int targetSquare(std::string_view move) {
    if (move.size() < 2)
        return rules::kNoSquare;
    const int file = fileOfLetter(move[move.size() - 2]);
    const int rank = rankOfDigit(move.back());
    return file < 0 || rank < 0 ? rules::kNoSquare : rules::makeSquare(file, rank);
}

// The moves of the old search order first: file by file from a to h, and within a file from
// rank 8 down to rank 1. Of several legal moves that the text does not tell apart, the first
// is played.
bool searchOrder(const Move& a, const Move& b) {
    if (rules::fileOf(a.from) != rules::fileOf(b.from))
        return rules::fileOf(a.from) < rules::fileOf(b.from);
    return rules::rankOf(a.from) > rules::rankOf(b.from);
}

class Resolver {
public:
    Resolver(std::int32_t side, ResolverState& state, Board& board)
        : side_(side), st_(state), board_(board) {}

    Outcome play(std::string& move) {
        if (move.size() == 2)
            return pawnMove(move);
        if (move.empty())
            return Outcome::InvalidMove;
        const char first = move.front();
        if (kindOfLetter(first) != Kind::None)
            return pieceMove(move);
        if (first == 'O' || first == '0' || first == 'o')
            return castle(move);
        if (fileOfLetter(first) >= 0)
            return pawnMove(move);
        return Outcome::InvalidMove;
    }

private:
    const rules::Position& position() const { return st_.position; }
    rules::Color us() const { return position().sideToMove(); }
    std::string side() const { return us() == rules::Color::White ? "white" : "black"; }
    std::string sideName() const { return us() == rules::Color::White ? "White" : "Black"; }

    Outcome textError(std::string reason) {
        st_.FailureReason = std::move(reason);
        return Outcome::Error;
    }
    Outcome illegal(std::string reason) {
        st_.FailureReason = std::move(reason);
        return Outcome::IllegalMove;
    }

    // Pawn moves: "e4", "exd5", "ed5", "e8=Q", "exd8Q". The first character is the pawn's file;
    // the target is the last square named.
    Outcome pawnMove(std::string& move) {
        if (move.size() > 4 && move.ends_with("e.p."))
            move.resize(move.size() - 4);
        // A promotion names its piece last, after "=" or straight after the square ("e8Q").
        const bool equals = move.find('=') != std::string::npos;
        move.erase(std::remove(move.begin(), move.end(), '='), move.end());
        const char last = lastChar(move);
        const bool promotionNamed = move.size() > 2 && (equals || (last >= 'A' && last <= 'Z'));
        const Kind promotion = promotionNamed ? kindOfLetter(last) : Kind::None;
        if (promotionNamed)
            move.pop_back();
        const int to = targetSquare(move);
        const int fromFile = fileOfLetter(move.front());
        if (to == rules::kNoSquare || fromFile < 0)
            return textError("the move does not name a square");
        const bool lastRank = rules::rankOf(to) == (us() == rules::Color::White ? 7 : 0);
        if (promotionNamed && (promotion == Kind::None || promotion == Kind::King))
            return illegal("a pawn cannot promote to that piece");
        if (promotionNamed && !lastRank)
            return illegal("a pawn promotes only on the last rank");

        rules::MovesTo candidates;
        position().pseudoMovesTo(Kind::Pawn, to, candidates);
        rules::MovesTo matching;
        const bool capture = fromFile != rules::fileOf(to);
        for (const Move& m : candidates) {
            if (rules::fileOf(m.from) == fromFile)
                matching.push(m);
        }
        if (matching.empty()) {
            if (capture && position().at(to) == rules::NoPiece && onPassingRank(to))
                return illegal("en passant is not possible");
            return illegal("the pawn cannot move to " + squareName(to));
        }
        Move chosen = matching[0];
        if (position().leavesKingInCheck(chosen))
            return illegal("the move leaves the " + side() + " king in check");
        // A pawn reaching the last rank must promote; without a piece named it becomes a queen.
        if (lastRank)
            chosen.promotion = promotionNamed ? promotion : Kind::Queen;
        return playMove(chosen);
    }

    // Whether to lies on the rank where the side to move takes en passant.
    bool onPassingRank(int to) const {
        return rules::rankOf(to) == (us() == rules::Color::White ? 5 : 2);
    }

    // Piece moves: "Nf3", "Rxe1", "Nbd7", "R1a3", "Qh4e1".
    Outcome pieceMove(std::string& move) {
        const Kind kind = kindOfLetter(move.front());
        move.erase(std::remove(move.begin(), move.end(), 'x'), move.end());
        const int to = targetSquare(move);
        if (to == rules::kNoSquare)
            return textError("the move does not name a square");
        // What stands between the letter and the target tells the mover apart: a file, a rank,
        // or both; the first other character ends it.
        int fromFile = -1;
        int fromRank = -1;
        for (std::size_t i = move.size() - 2; i > 1; --i) {
            const char c = move[i - 1];
            if (fileOfLetter(c) >= 0)
                fromFile = fileOfLetter(c);
            else if (rankOfDigit(c) >= 0)
                fromRank = rankOfDigit(c);
            else
                break;
        }

        rules::MovesTo candidates;
        position().pseudoMovesTo(kind, to, candidates);
        auto piece = [&] { return side() + " " + kindName(kind); };
        if (candidates.empty())
            return illegal("no " + piece() + " can reach " + squareName(to));
        rules::MovesTo legal;
        bool named = false;
        for (const Move& m : candidates) {
            if ((fromFile >= 0 && rules::fileOf(m.from) != fromFile) ||
                (fromRank >= 0 && rules::rankOf(m.from) != fromRank))
                continue;
            named = true;
            if (!position().leavesKingInCheck(m))
                legal.push(m);
        }
        if (!named)
            return illegal("no " + piece() + " on " + fromName(fromFile, fromRank) + " can reach " +
                           squareName(to));
        if (legal.empty())
            return illegal("the move leaves the " + side() + " king in check");
        return playMove(*std::min_element(legal.begin(), legal.end(), searchOrder));
    }

    static std::string fromName(int file, int rank) {
        std::string name;
        if (file >= 0 && rank >= 0)
            return squareName(rules::makeSquare(file, rank));
        if (file >= 0)
            return std::string("the ") + static_cast<char>('a' + file) + "-file";
        return "rank " + std::to_string(rank + 1);
    }

    Outcome castle(const std::string& move) {
        const std::string_view text = move;
        const bool kingSide = text == "O-O" || text == "0-0" || text == "o-o";
        const bool queenSide = text == "O-O-O" || text == "0-0-0" || text == "o-o-o";
        if (!kingSide && !queenSide)
            return textError("\"" + move + "\" is no castling");
        if (side_ != 1 && side_ != 2)
            return Outcome::Played; // no side to castle: nothing moves
        Move castling;
        const char* wing = kingSide ? "king side" : "queen side";
        switch (position().castling(kingSide, castling)) {
        case rules::CastlingBlock::None:
            return playMove(castling);
        case rules::CastlingBlock::NoRight:
            return illegal(sideName() + " has no right to castle " + wing);
        case rules::CastlingBlock::SquareOccupied:
            return illegal("a square between king and rook is occupied");
        case rules::CastlingBlock::KingInCheck:
            return illegal("the king may not castle out of check");
        case rules::CastlingBlock::PassesAttacked:
            return illegal("the king would pass through an attacked square");
        case rules::CastlingBlock::LandsAttacked:
            return illegal("the king would castle into check");
        }
        return Outcome::Error;
    }

    // Shows the move on the board, as the board's members do it: a castling moves the rook,
    // then the king; en passant empties the passed pawn's square first; a promotion writes the
    // new piece after the pawn's move. Then the position follows.
    Outcome playMove(const Move& move) {
        const std::int16_t fromCol = ColOf(move.from);
        const std::int16_t fromRow = RowOf(move.from);
        const std::int16_t toCol = ColOf(move.to);
        const std::int16_t toRow = RowOf(move.to);
        switch (move.special) {
        case Move::Special::CastleKingSide:
            movePiece(8, fromRow, 6, fromRow);
            movePiece(fromCol, fromRow, toCol, toRow);
            break;
        case Move::Special::CastleQueenSide:
            movePiece(1, fromRow, 4, fromRow);
            movePiece(fromCol, fromRow, toCol, toRow);
            break;
        case Move::Special::EnPassant:
            setPiece(toCol, fromRow, pieces::none);
            [[fallthrough]];
        case Move::Special::None:
        case Move::Special::DoublePush:
            st_.FromCol = fromCol;
            st_.FromRow = fromRow;
            st_.ToCol = toCol;
            st_.ToRow = toRow;
            movePiece(fromCol, fromRow, toCol, toRow);
            if (move.promotion != Kind::None)
                setPiece(toCol, toRow, PieceValue(rules::makePiece(us(), move.promotion)));
            break;
        }
        st_.position.play(move);
        return Outcome::Played;
    }

    // The board's members, followed on the squares the board is expected to show.
    void movePiece(std::int16_t fromCol, std::int16_t fromRow, std::int16_t toCol,
                   std::int16_t toRow) {
        board_.movePiece(fromCol, fromRow, toCol, toRow);
        std::int32_t& from = st_.boardSeen.at[fromCol - 1][fromRow - 1];
        st_.boardSeen.at[toCol - 1][toRow - 1] = from;
        if (fromCol != toCol || fromRow != toRow)
            from = pieces::none;
    }
    void setPiece(std::int16_t col, std::int16_t row, std::int32_t value) {
        board_.setPiece(col, row, value);
        st_.boardSeen.at[col - 1][row - 1] = value;
    }

    std::int32_t side_;
    ResolverState& st_;
    Board& board_;
};

// Brings the position in line with the board and the side to move: a board whose squares
// changed since the last move (set by hand) is read again, and a side to move that differs
// from the position's takes the move.
void followBoard(ResolverState& state, Board& board, std::int32_t SideToMove) {
    Squares now;
    board.readSquares(now);
    const rules::Color side = SideToMove == 1 ? rules::Color::White : rules::Color::Black;
    if (state.positionKnown && std::memcmp(&now, &state.boardSeen, sizeof now) == 0 &&
        state.position.sideToMove() == side)
        return;
    rules::Position::Layout layout;
    if (state.positionKnown && std::memcmp(&now, &state.boardSeen, sizeof now) == 0) {
        layout = state.position.layout();
        layout.enPassant = rules::kNoSquare;
    } else {
        layout.squares = RulesSquares(now);
        layout.castling = rules::WhiteKingSide | rules::WhiteQueenSide | rules::BlackKingSide |
                          rules::BlackQueenSide;
    }
    layout.toMove = side;
    state.position = rules::Position::fromLayout(layout);
    state.boardSeen = now;
    state.positionKnown = true;
}

// The status a played move leaves: the end of the game, or a check, of the side now to move.
std::string statusAfterMove(const rules::Position& position, std::int32_t SideToMove) {
    switch (position.ending()) {
    case rules::Ending::Checkmate:
        return "Checkmate";
    case rules::Ending::Stalemate:
        return "Stalemate";
    case rules::Ending::None:
        break;
    }
    if (position.inCheck())
        return SideToMove == 1 ? "Black King Checked" : "white King Checked";
    return {};
}

} // namespace

void StartPosition(ResolverState& state, const rules::Position& position) {
    state.position = position;
    for (int square = 0; square < 64; ++square)
        state.boardSeen.at[ColOf(square) - 1][RowOf(square) - 1] = PieceValue(position.at(square));
    state.positionKnown = true;
}

void StartInitialPosition(ResolverState& state) {
    // Most games start here: its squares as the board shows them are worked out once.
    static const Squares kInitialSeen = [] {
        ResolverState start;
        StartPosition(start, rules::Position::initial());
        return start.boardSeen;
    }();
    state.position = rules::Position::initial();
    state.boardSeen = kInitialSeen;
    state.positionKnown = true;
}

MoveOutcome PlayMove(std::string move, std::int32_t SideToMove, ResolverState& state, Board& board,
                     Host& host) {
    const std::string_view text = move;
    state.MoveStatus.clear();
    state.FailureReason.clear();
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
    dropCheckMarks(move);

    Outcome outcome;
    try {
        followBoard(state, board, SideToMove);
        outcome = Resolver(SideToMove, state, board).play(move);
    } catch (const BoardError& error) {
        state.FailureReason = std::string("the board refused the move: ") + error.what();
        outcome = Outcome::Error;
    }
    switch (outcome) {
    case Outcome::Played:
        state.MoveStatus = statusAfterMove(state.position, SideToMove);
        host.setStatus(state.MoveStatus);
        break;
    case Outcome::InvalidMove:
        state.FailureReason = "the move begins with no piece letter or file";
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
