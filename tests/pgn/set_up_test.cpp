// PGN as people write it: games from a set-up position (a FEN tag), suffix annotations after
// moves and promotions without "=", replayed by the move player on the real board control.
// The real games come from tests/data/set-up-games.pgn and real-games.pgn; their expected
// placements were computed by chess.js (tests/data/README.md).
#include "board_fixture.h"
#include "pgn/fen.h"
#include "playback/game_player.h"

#include <QProcess>
#include <QTemporaryDir>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <sstream>

namespace {

using pw2::test::Message;

constexpr std::string_view kFenError = "The FEN tag of this game is not a valid position: ";

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::vector<std::string> readLines(const std::string& path) {
    std::istringstream in(readFile(path));
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// The games of a file, split where pawnwatch2 splits them: at each "[Event ".
std::vector<std::string> games(const std::string& path) {
    const std::string text = readFile(path);
    std::vector<std::size_t> starts;
    for (auto p = text.find("[Event "); p != std::string::npos; p = text.find("[Event ", p + 1))
        starts.push_back(p);
    std::vector<std::string> result;
    for (std::size_t i = 0; i < starts.size(); ++i) {
        const std::size_t end = i + 1 < starts.size() ? starts[i + 1] : text.size();
        result.push_back(text.substr(starts[i], end - starts[i]));
    }
    return result;
}

std::string replaced(std::string text, std::string_view from, std::string_view to) {
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos)
        text.replace(at, from.size(), to);
    return text;
}

const std::string kSetUpGames = PW2_TEST_DATA "/set-up-games.pgn";
const std::string kSetUpPlacements = PW2_TEST_DATA "/set-up-games.fen";
// The first game of set-up-games.pgn (Afanasyev, 1964) has this FEN.
const std::string kAfanasyevFen = "8/2K5/8/2k2N2/4P3/8/1PP1p3/8 w - - 0 1";

class SetUpGame : public pw2::test::BoardTest {
protected:
    // Replays a game from the start position as pawnwatch2-check does; the half-moves played.
    long replay(std::string_view game) {
        host = {};
        board().newGame();
        player.load(game, host);
        return player.playToEnd(board(), host).halfMoves;
    }

    pw2::GamePlayer player;
};

TEST_F(SetUpGame, RealGamesFromSetUpPositionsEndWhereAnIndependentLibraryEnds) {
    // 1: White to move, suffix annotations ("c3!", "Qxc3!", "Nb7+!"); 2: White's castling right
    // and "O-O-O!"; 3: Black to move at move 11 with both Black castling rights, 12...O-O;
    // 4: White to move at move 23 with en passant on f6, 23.exf6.
    const std::vector<std::string> all = games(kSetUpGames);
    const std::vector<std::string> expected = readLines(kSetUpPlacements);
    ASSERT_EQ(all.size(), 4u);
    ASSERT_EQ(expected.size(), all.size());
    const long halfMoves[] = {7, 13, 103, 37};
    for (std::size_t i = 0; i < all.size(); ++i) {
        EXPECT_EQ(replay(all[i]), halfMoves[i]) << "game " << i + 1;
        EXPECT_TRUE(host.messages.empty()) << "game " << i + 1 << ": " << host.messages[0].text;
        EXPECT_EQ(placement(), expected[i]) << "game " << i + 1;
        // The proxy's mirror followed the set-up: the control shows what the engine reads.
        pgn::Squares mirror;
        board().readSquares(mirror);
        const pgn::Squares shown = controlSquares();
        EXPECT_EQ(std::memcmp(&mirror, &shown, sizeof mirror), 0) << "game " << i + 1;
    }

    // The move list as the saver shows it: numbered from the FEN, the annotations kept, and a
    // Black-first game's first entry with "..." in White's column.
    player.load(all[0], host);
    EXPECT_EQ(player.moveList().at(0), "1. c3!         e1=Q");
    EXPECT_EQ(player.moveList().at(2), "3. Nb7+!       Kd4+");
    player.load(all[2], host);
    EXPECT_EQ(player.moveList().at(0), "11. ...          Nf6");
    EXPECT_EQ(player.moveList().at(1), "12. Bd3          O-O");
    EXPECT_EQ(player.moveList().size(), 52u); // 11 to 62
    player.load(all[3], host);
    EXPECT_EQ(player.moveList().at(0), "23. exf6        Nxf6");
    EXPECT_EQ(player.moveList().back(), "41. Kh5          1-0");
}

TEST_F(SetUpGame, TheSetUpIsAStepOfItsOwnBeforeTheFirstMove) {
    const std::vector<std::string> all = games(kSetUpGames);
    // White first: a step with no entry (nothing printed), then White's first move.
    player.load(all[0], host);
    pw2::HalfMove half = player.next();
    EXPECT_TRUE(half.setUp);
    EXPECT_TRUE(half.entry.empty());
    EXPECT_TRUE(half.move.empty());
    EXPECT_EQ(player.play(half, board(), host), pgn::MoveOutcome::Played);
    EXPECT_EQ(placement(), "8/2K5/8/2k2N2/4P3/8/1PP1p3/8");
    half = player.next();
    EXPECT_FALSE(half.setUp);
    EXPECT_EQ(half.side, pw2::kWhite);
    EXPECT_EQ(half.move, "c3!");

    // Black first: White's half of the first entry sets up and plays nothing; Black's follows.
    board().newGame();
    player.load(all[2], host);
    half = player.next();
    EXPECT_TRUE(half.setUp);
    EXPECT_EQ(half.side, pw2::kWhite);
    EXPECT_EQ(half.entry, "11. ...          Nf6");
    EXPECT_TRUE(half.move.empty());
    EXPECT_EQ(player.play(half, board(), host), pgn::MoveOutcome::Played);
    EXPECT_EQ(placement(), "r1b1k2r/ppqnbppp/4p3/8/3PB3/5N2/PP3PPP/R1BQ1RK1");
    half = player.next();
    EXPECT_EQ(half.side, pw2::kBlack);
    EXPECT_EQ(half.move, "Nf6");
    EXPECT_EQ(player.play(half, board(), host), pgn::MoveOutcome::Played);
    EXPECT_EQ(placement(), "r1b1k2r/ppq1bppp/4pn2/8/3PB3/5N2/PP3PPP/R1BQ1RK1");
    EXPECT_TRUE(host.messages.empty());

    // A position with no moves still reaches the board.
    board().newGame();
    EXPECT_EQ(replay("[Event \"x\"]\n[FEN \"" + kAfanasyevFen + "\"]\n\n*\n"), 0);
    EXPECT_EQ(placement(), "8/2K5/8/2k2N2/4P3/8/1PP1p3/8");
}

TEST_F(SetUpGame, AFullMoveNumberOfZeroCountsAsOne) {
    const std::string game = games(kSetUpGames).at(0);
    const std::string zero = replaced(game, " 0 1\"]", " 0 0\"]");
    EXPECT_EQ(replay(zero), 7);
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(placement(), readLines(kSetUpPlacements).at(0));
    EXPECT_EQ(player.moveList().at(0), "1. c3!         e1=Q");
    // Without SetUp, and without the two counts, the FEN still sets the game up.
    const std::string bare = replaced(replaced(game, "[SetUp \"1\"]", ""), " 0 1\"]", "\"]");
    EXPECT_EQ(replay(bare), 7);
    EXPECT_EQ(placement(), readLines(kSetUpPlacements).at(0));
}

TEST_F(SetUpGame, AMalformedFenShowsOneMessageNamingTheTagAndPlaysNothing) {
    const std::string game = games(kSetUpGames).at(0);
    const std::pair<const char*, const char*> cases[] = {
        {"8/2K5/8/2k2N2/4P3/8/1PP1p3 w - - 0 1", "the placement has 7 ranks, not 8"},
        {"8/2K5/8/2k2N2/4P3/8/1PP1p3/8/8 w - - 0 1", "the placement has more than 8 ranks"},
        {"8/2K5/8/2k2N2/4P3/8/1PP1p2/8 w - - 0 1", "rank 2 does not have 8 squares"},
        {"8/2K5/8/2k2N3/4P3/8/1PP1p3/8 w - - 0 1", "rank 5 has more than 8 squares"},
        {"8/2K5/8/2k2N2/4P3/8/1PP1p3/9 w - - 0 1", "in rank 1, '9' is no piece"},
        {"8/2K5/8/2k2X2/4P3/8/1PP1p3/8 w - - 0 1", "in rank 5, 'X' is no piece"},
        {"8/2K5/8/2k2N2/4P3/8/1PP1p3/44 w - - 0 1", "rank 1 has two numbers in a row"},
        {"8/8/8/2k2N2/4P3/8/1PP1p3/8 w - - 0 1", "White has no king"},
        {"8/2K5/8/2k2k2/4P3/8/1PP1p3/8 w - - 0 1", "Black has more than one king"},
        {"8/2K5/8/2k2N2/4P3/8/1PP1p3/4p3 w - - 0 1", "a pawn stands on rank 1"},
        {"8/2K5/8/2k2N2/4P3/8/1PP1p3/8 x - - 0 1", "the side to move is not \"w\" or \"b\""},
        {"8/2K5/8/2k2N2/4P3/8/1PP1p3/8 w KK - 0 1",
         "the castling rights are not \"-\" or some of \"KQkq\" once each"},
        {"8/2K5/8/2k2N2/4P3/8/1PP1p3/8 w - e3 0 1",
         "the en passant square is not \"-\" or a square of rank 6"},
        {"8/2K5/8/2k2N2/4P3/8/1PP1p3/8 w - - x 1", "the half-move clock is not a number"},
        {"8/2K5/8/2k2N2/4P3/8/1PP1p3/8 w - - 0 40000",
         "the move number is not a number from 0 to 32767"},
        {"8/2K5/8/2k2N2/4P3/8/1PP1p3/8 w - - 0 1 1", "it has more than six fields"},
        {"8/2K5/8/2k2N2/4P3/8/1PP1p3/8 w", "it has 2 fields, not the placement, side to move, "
                                           "castling rights and en passant square"},
        {"", "it is empty"},
    };
    for (const auto& [fen, reason] : cases) {
        const std::string bad = replaced(game, kAfanasyevFen, fen);
        EXPECT_EQ(replay(bad), 0) << fen;
        ASSERT_EQ(host.messages.size(), 1u) << fen;
        EXPECT_EQ(host.messages[0].text, std::string(kFenError) + reason + " (\"" + fen + "\").");
        EXPECT_EQ(host.messages[0].icon, pgn::Icon::Critical);
        EXPECT_TRUE(player.moveList().empty()) << fen;
        EXPECT_EQ(placement(), kStart) << fen;
    }
    // A FEN of any length is shown cut short.
    const std::string huge = replaced(game, kAfanasyevFen, std::string(100000, '8'));
    replay(huge);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_LT(host.messages[0].text.size(), 300u);
}

TEST(FindFenTag, ReadsTheTagPairsOnlyAndTheirEscapes) {
    std::string value;
    EXPECT_TRUE(pgn::FindFenTag("[Event \"a \\\"]\\\" [FEN \\\"x\\\"]\"]\r\n[FEN \"8/8 w\"]\n1. e4",
                                value));
    EXPECT_EQ(value, "8/8 w");
    // A FEN written in a comment or the movetext is no tag.
    EXPECT_FALSE(pgn::FindFenTag("[Event \"x\"]\n{[FEN \"8/8\"]} 1. e4", value));
    EXPECT_FALSE(pgn::FindFenTag("[Event \"x\"]\n1. e4 [FEN \"8/8\"]", value));
    // Escape lines and line comments between the tags are passed over.
    EXPECT_TRUE(pgn::FindFenTag("% note\n[Event \"x\"]\n; c [\n[FEN \"k7\"]\n", value));
    EXPECT_EQ(value, "k7");
    // A tag that is never closed ends the search at the end of the text.
    EXPECT_FALSE(pgn::FindFenTag("[Event \"x", value));
    EXPECT_TRUE(pgn::FindFenTag("[FEN \"x", value));
    EXPECT_EQ(value, "x");
}

TEST_F(SetUpGame, SuffixAnnotationsAndPromotionsWithoutEqualsSignPlay) {
    // Each of the six annotations, after a plain move, a capture, a check and a mate.
    playLine({"e4!", "e5?", "Bc4!!", "Nc6??", "Qh5!?", "Nf6?!"});
    EXPECT_EQ(play("Qxf7#!", 1), pgn::MoveOutcome::Played);
    EXPECT_EQ(host.statuses.back(), "Checkmate");
    EXPECT_EQ(placement(), "r1bqkb1r/pppp1Qpp/2n2n2/4p3/2B1P3/8/PPPP1PPP/RNB1K1NR");
    EXPECT_TRUE(host.messages.empty());

    // Promotions with and without "=", pushed and capturing, with check and annotation marks.
    const std::pair<const char*, const char*> promotions[] = {
        {"e8Q", "3nQ3/8/8/8/8/8/8/K6k"},     {"e8=Q", "3nQ3/8/8/8/8/8/8/K6k"},
        {"exd8N+", "3N4/8/8/8/8/8/8/K6k"},   {"exd8=N+", "3N4/8/8/8/8/8/8/K6k"},
        {"e8R!", "3nR3/8/8/8/8/8/8/K6k"},    {"exd8B?!", "3B4/8/8/8/8/8/8/K6k"},
        {"e8=Q+!?", "3nQ3/8/8/8/8/8/8/K6k"}, {"exd8Q#!!", "3Q4/8/8/8/8/8/8/K6k"},
    };
    for (const auto& [move, after] : promotions) {
        host = {};
        setPlacement("3n4/4P3/8/8/8/8/8/K6k");
        EXPECT_EQ(play(move, 1), pgn::MoveOutcome::Played) << move;
        EXPECT_EQ(placement(), after) << move;
        EXPECT_TRUE(host.messages.empty()) << move;
    }
    host = {};
    setPlacement("K6k/8/8/8/8/8/3p4/4N3");
    EXPECT_EQ(play("dxe1N!", 2), pgn::MoveOutcome::Played);
    EXPECT_EQ(placement(), "K6k/8/8/8/8/8/8/4n3");
    // A piece letter that no pawn promotes to stays an error; so do three annotation marks.
    host = {};
    setPlacement("3n4/4P3/8/8/8/8/8/K6k");
    EXPECT_EQ(play("e8K", 1), pgn::MoveOutcome::GameAbandoned);
    host = {};
    EXPECT_EQ(play("e8Q!!!", 1), pgn::MoveOutcome::GameAbandoned);

    // The move list keeps the moves as written.
    std::vector<std::string> list;
    std::string result;
    pgn::FillMoveList("1. e4! e5?! 2. Qh5!? Nc6 3. exd8=Q+!? *", list, result);
    EXPECT_EQ(list, (std::vector<std::string>{"1. e4!         e5?!", "2. Qh5!?        Nc6",
                                              "3. exd8=Q+!?       *"}));
}

// Suffix annotations added at random after the moves of real games, the "=" of promotions
// dropped at random, and ";" comments and "%" lines put in at random, change no game's end.
TEST_F(SetUpGame, RandomAnnotationsCommentsAndEscapeLinesLeaveRealGamesWhereTheyEnd) {
    std::vector<std::string> all = games(PW2_TEST_DATA "/real-games.pgn");
    for (std::string& game : games(kSetUpGames))
        all.push_back(std::move(game));
    struct End {
        long halfMoves;
        std::string placement;
    };
    std::vector<End> ends;
    for (const std::string& game : all) {
        ends.push_back({replay(game), placement()});
        ASSERT_TRUE(host.messages.empty());
    }

    static constexpr std::string_view kSuffixes[] = {"!", "?", "!!", "??", "!?", "?!"};
    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    for (int round = 0; round < 3; ++round) {
        for (std::size_t g = 0; g < all.size(); ++g) {
            // Outside the tag pairs and comments, a word that is a move gets an annotation after
            // its check mark at random; one in four promotions loses its "=".
            const std::string& game = all[g];
            std::string changed;
            std::size_t annotated = 0;
            bool inTag = false;
            bool inComment = false;
            std::size_t word = 0; // where the current word starts
            for (std::size_t i = 0; i < game.size(); ++i) {
                const char c = game[i];
                if (!inComment && c == '[')
                    inTag = true;
                else if (!inTag && c == '{')
                    inComment = true;
                const bool movetext = !inTag && !inComment;
                if (c == ']')
                    inTag = false;
                else if (c == '}')
                    inComment = false;
                if (std::string_view(" .\r\n()").find(c) != std::string_view::npos)
                    word = i + 1;
                if (movetext && c == '=' && random() % 4 == 0)
                    continue;
                changed += c;
                const char after = i + 1 < game.size() ? game[i + 1] : ' ';
                const bool wordEnds =
                    std::string_view(" \r\n)").find(after) != std::string_view::npos;
                const bool isMove =
                    word <= i &&
                    std::string_view("abcdefghNBRQKO").find(game[word]) != std::string_view::npos;
                if (movetext && wordEnds && isMove && c != '}' && c != '!' && c != '?' &&
                    random() % 2 == 0) {
                    changed += kSuffixes[random() % 6];
                    ++annotated;
                }
                // A comment to the end of the line, and an escape line, holding what would be
                // moves and a variation's opening.
                if (movetext && wordEnds && isMove && random() % 6 == 0)
                    changed += " ; as 12. Nf3 e5 (or Qh5\n";
                if (movetext && wordEnds && isMove && random() % 9 == 0)
                    changed += "\n%engine 1. e4 e5 (Nf3\n";
            }
            ASSERT_GT(annotated, 0u) << "game " << g + 1;
            EXPECT_EQ(replay(changed), ends[g].halfMoves) << "seed " << seed << ", game " << g + 1;
            EXPECT_TRUE(host.messages.empty())
                << "seed " << seed << ", game " << g + 1 << ": " << host.messages[0].text;
            EXPECT_EQ(placement(), ends[g].placement) << "seed " << seed << ", game " << g + 1;
        }
    }
}

TEST(CheckToolSetUp, ReportsSetUpGamesAndAMalformedFenByTheTag) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("set-up.pgn").toStdString();
    {
        std::ofstream out(path, std::ios::binary);
        out << readFile(kSetUpGames) << "\n\n"
            << replaced(games(kSetUpGames).at(0), kAfanasyevFen, "8/8/8 w - - 0 1");
    }
    QProcess process;
    process.start(QStringLiteral(PW2_BIN_DIR "/pawnwatch2-check"),
                  {"--fen", QString::fromStdString(path)});
    ASSERT_TRUE(process.waitForFinished(120000));
    EXPECT_EQ(process.exitCode(), 1);
    std::istringstream out(process.readAllStandardOutput().toStdString());
    std::vector<std::string> lines;
    for (std::string line; std::getline(out, line);)
        lines.push_back(line);
    const std::vector<std::string> expected = readLines(kSetUpPlacements);
    ASSERT_EQ(lines.size(), expected.size() + 1);
    const char* counts[] = {"7", "13", "103", "37"};
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(lines[i], std::to_string(i + 1) + "\tok\t" + counts[i] + "\t" + expected[i]);
    EXPECT_EQ(lines.back(), "5\tfail\t0\trnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR\t" +
                                std::string(kFenError) +
                                "the placement has 3 ranks, not 8 (\"8/8/8 w - - 0 1\").");
}

} // namespace
