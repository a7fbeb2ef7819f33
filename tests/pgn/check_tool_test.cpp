// pawnwatch2-check, run as a separate process on files of games.
#include "support/check_tool.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <sstream>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

using pw2::test::check;
using pw2::test::lines;
using pw2::test::ToolRun;

std::vector<std::string> readLines(const char* path) {
    std::ifstream in(path);
    std::vector<std::string> result;
    for (std::string line; std::getline(in, line);)
        result.push_back(line);
    return result;
}

TEST(CheckTool, ReplaysRealGamesToThePositionsAnIndependentLibraryReaches) {
    const ToolRun run = check({"--fen", PW2_TEST_DATA "/real-games.pgn"});
    EXPECT_EQ(run.exitCode, 0);
    const std::vector<std::string> expected = readLines(PW2_TEST_DATA "/real-games.fen");
    ASSERT_EQ(run.out.size(), expected.size());
    ASSERT_GE(expected.size(), 20u);
    for (std::size_t i = 0; i < expected.size(); ++i) {
        std::istringstream line(run.out[i]);
        std::string number, status, halfMoves, placement;
        std::getline(line, number, '\t');
        std::getline(line, status, '\t');
        std::getline(line, halfMoves, '\t');
        std::getline(line, placement, '\t');
        EXPECT_EQ(number, std::to_string(i + 1));
        EXPECT_EQ(status, "ok") << run.out[i];
        EXPECT_GT(std::stoi(halfMoves), 20) << run.out[i];
        EXPECT_EQ(placement, expected[i]) << "game " << i + 1;
    }
    ASSERT_FALSE(run.err.empty());
    const std::string n = std::to_string(expected.size());
    EXPECT_EQ(run.err.back(), n + " games, " + n + " ok, 0 failed");
}

TEST(CheckTool, ReportsEachFailedGameWithItsFirstMessage) {
    QTemporaryDir dir;
    const QString path = dir.filePath("mixed.pgn");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[Event \"fine\"]\n1. e4 e5 2. Nf3 Nc6 1-0\n\n"
               "[Event \"no knight reaches f5\"]\n1. e4 e5 2. Nf5 Nc6 1-0\n\n"
               "[Event \"open brace\"]\r\n1. e4 {x e5 1-0\r\n\r\n"
               "[Event \"no result: it ends on White's move\"]\n"
               "1. e4 e5 2. Qh5 Nc6 3. Bc4 Nf6 4. Qxf7#\n\n"
               "[Event \"no such square\"]\n1. e4 e5 2. Ke9 *\n\n"
               "[Event \"unfinished\"]\n1. d4 d5 *");
    file.close();

    const std::string afterE4E5 = "rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR";
    const ToolRun run = check({path, "--fen"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(
        run.out,
        (std::vector<std::string>{
            "1\tok\t4\tr1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R",
            "2\tfail\t2\t" + afterE4E5 + "\tIllegal move (2. Nf5: no white knight can reach f5)",
            "3\tfail\t0\trnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR\t- There is an error in "
            "this PGN file. - number of left braces '{' are not equal to number of right "
            "braces '}'",
            "4\tok\t7\tr1bqkb1r/pppp1Qpp/2n2n2/4p3/2B1P3/8/PPPP1PPP/RNB1K1NR",
            "5\tfail\t2\t" + afterE4E5 +
                "\tThere is an error found in this game. Please open the PGN file in a text "
                "editor and fix this error. if you press Enter, Pawnwatch will play the "
                "next game. (2. Ke9: the move does not name a square)",
            "6\tok\t2\trnbqkbnr/ppp1pppp/8/3p4/3P4/8/PPP1PPPP/RNBQKBNR"}));
    ASSERT_FALSE(run.err.empty());
    EXPECT_EQ(run.err.back(), "6 games, 3 ok, 3 failed");

    // Without --fen the placement column is left out.
    const ToolRun plain = check({path});
    ASSERT_EQ(plain.out.size(), 6u);
    EXPECT_EQ(plain.out[0], "1\tok\t4");
    EXPECT_EQ(plain.out[1], "2\tfail\t2\tIllegal move (2. Nf5: no white knight can reach f5)");
}

TEST(CheckTool, UnreadableFilesAndWrongArgumentsExitWithTwo) {
    QTemporaryDir dir;
    const QString missing = dir.filePath("missing.pgn");
    ToolRun run = check({missing});
    EXPECT_EQ(run.exitCode, 2);
    ASSERT_FALSE(run.err.empty());
    EXPECT_NE(run.err.back().find(missing.toStdString()), std::string::npos);
    EXPECT_NE(run.err.back().find("No such file or directory"), std::string::npos);
    EXPECT_TRUE(run.out.empty());

    // A folder is a collection: this one holds no game.
    run = check({dir.path()});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err.back(), "pawnwatch2-check: " + dir.path().toStdString() + ": no game found");

    for (const QStringList& arguments :
         {QStringList{}, QStringList{"--fen"}, QStringList{"--bogus", missing},
          QStringList{missing, missing}, QStringList{"-j", "0", missing},
          QStringList{"-j", missing}, QStringList{"-jx", missing}}) {
        run = check(arguments);
        EXPECT_EQ(run.exitCode, 2) << arguments.join(' ').toStdString();
        ASSERT_FALSE(run.err.empty());
        EXPECT_NE(run.err.back().find("usage: pawnwatch2-check [--fen] [-j N]"), std::string::npos);
    }
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

TEST(CheckTool, SaysSoWhenAFileHoldsNoGame) {
    QTemporaryDir dir;
    const QString empty = dir.filePath("empty.pgn");
    const QString text = dir.filePath("text.pgn");
    const QString binary = dir.filePath("binary.pgn");
    writeFile(empty, {});
    writeFile(text, "no games here\n");
    QByteArray noise;
    std::mt19937 random(3);
    for (int i = 0; i < 100000; ++i)
        noise += char(random());
    noise.replace("[Event ", "");
    writeFile(binary, noise);
    for (const QString& path : {empty, text, binary}) {
        const ToolRun run = check({path});
        EXPECT_EQ(run.exitCode, 1) << path.toStdString();
        EXPECT_TRUE(run.out.empty());
        ASSERT_FALSE(run.err.empty());
        EXPECT_EQ(run.err.back(), "pawnwatch2-check: " + path.toStdString() + ": no game found");
    }
}

TEST(CheckTool, RefusesDevicesAndReadsStandardInputForADash) {
    // A device would be read for ever: it is refused before anything is read.
    ToolRun run = check({"/dev/zero"});
    EXPECT_EQ(run.exitCode, 2);
    ASSERT_FALSE(run.err.empty());
    EXPECT_EQ(run.err.back(), "pawnwatch2-check: cannot read /dev/zero: it is not a regular file");

    // "-" streams standard input: the same games give the same lines as the file.
    QFile games(PW2_TEST_DATA "/real-games.pgn");
    ASSERT_TRUE(games.open(QIODevice::ReadOnly));
    QProcess process;
    process.start(QStringLiteral(PW2_BIN_DIR "/pawnwatch2-check"), {"--fen", "-"});
    ASSERT_TRUE(process.waitForStarted());
    process.write(games.readAll());
    process.closeWriteChannel();
    ASSERT_TRUE(process.waitForFinished(120000));
    EXPECT_EQ(process.exitCode(), 0);
    const std::vector<std::string> fromInput = lines(process.readAllStandardOutput());
    run = check({"--fen", PW2_TEST_DATA "/real-games.pgn"});
    EXPECT_EQ(fromInput, run.out);
    EXPECT_EQ(fromInput.size(), 22u);
}

QByteArray realGames() {
    QFile games(PW2_TEST_DATA "/real-games.pgn");
    EXPECT_TRUE(games.open(QIODevice::ReadOnly));
    return games.readAll();
}

TEST(CheckTool, StandardInputIsCheckedGameByGameAsItArrives) {
    const QByteArray games = realGames();
    const qsizetype second = games.indexOf("[Event ", 1);
    ASSERT_GT(second, 0);
    QProcess process;
    process.start(QStringLiteral(PW2_BIN_DIR "/pawnwatch2-check"), {"--fen", "-"});
    ASSERT_TRUE(process.waitForStarted());
    // The first game and the start of the second, which ends the first: the first is reported
    // while the input is still open.
    process.write(games.left(second + 10));
    QByteArray out;
    while (!out.contains('\n') && process.waitForReadyRead(60000))
        out += process.readAllStandardOutput();
    EXPECT_EQ(lines(out).size(), 1u);
    EXPECT_EQ(out.left(5), "1\tok\t");
    process.write(games.mid(second + 10));
    process.closeWriteChannel();
    ASSERT_TRUE(process.waitForFinished(120000));
    EXPECT_EQ(process.exitCode(), 0);
    out += process.readAllStandardOutput();
    const ToolRun fromFile = check({"--fen", PW2_TEST_DATA "/real-games.pgn"});
    EXPECT_EQ(lines(out), fromFile.out);
    EXPECT_EQ(fromFile.out.size(), 22u);
}

TEST(CheckTool, AShortGameOnStandardInputIsReportedBeforeMoreArrives) {
    // Fewer bytes than an archive's header: still told for text, and the game checked at once.
    for (const char* jobs : {"1", "2"}) {
        QProcess process;
        process.start(QStringLiteral(PW2_BIN_DIR "/pawnwatch2-check"), {"-j", jobs, "-"});
        ASSERT_TRUE(process.waitForStarted());
        process.write("[Event \"a\"]\n1. e4 e5 1-0\n\n[Event \"b\"]\n");
        QByteArray out;
        while (!out.contains('\n') && process.waitForReadyRead(60000))
            out += process.readAllStandardOutput();
        EXPECT_EQ(out, "1\tok\t2\n") << jobs;
        process.write("1. d4 *\n");
        process.closeWriteChannel();
        ASSERT_TRUE(process.waitForFinished(60000));
        EXPECT_EQ(out + process.readAllStandardOutput(), "1\tok\t2\n2\tok\t1\n");
    }
}

TEST(CheckTool, ReadsANamedPipeToItsEnd) {
    QTemporaryDir dir;
    const std::string fifo = dir.filePath("games.fifo").toStdString();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0) << std::strerror(errno);
    const QByteArray games = realGames().repeated(3);

    QProcess process;
    process.start(QStringLiteral(PW2_BIN_DIR "/pawnwatch2-check"),
                  {"--fen", QString::fromStdString(fifo)});
    ASSERT_TRUE(process.waitForStarted());
    // Another thread writes the games in uneven pieces, as a program producing them would. It
    // waits for the reader without blocking, so that a checker refusing the pipe fails the test
    // instead of hanging it.
    bool written = false;
    std::thread writer([&] {
        int fd = -1;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (fd < 0 && std::chrono::steady_clock::now() < deadline) {
            fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            if (fd < 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        if (fd < 0)
            return;
        ::fcntl(fd, F_SETFL, 0);
        qsizetype at = 0;
        for (qsizetype piece = 1; at < games.size(); piece = piece * 3 % 9973 + 1) {
            const qsizetype n = std::min(piece, games.size() - at);
            if (::write(fd, games.constData() + at, static_cast<size_t>(n)) != n)
                break;
            at += n;
        }
        written = at == games.size();
        ::close(fd);
    });
    const bool finished = process.waitForFinished(120000);
    writer.join();
    ASSERT_TRUE(finished);
    EXPECT_TRUE(written);
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    const std::vector<std::string> out = lines(process.readAllStandardOutput());
    const ToolRun fromFile = check({"--fen", PW2_TEST_DATA "/real-games.pgn"});
    ASSERT_EQ(out.size(), 66u);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const std::string& expected = fromFile.out[i % 22];
        EXPECT_EQ(out[i], std::to_string(i + 1) + expected.substr(expected.find('\t')));
    }
}

TEST(CheckTool, AFileThatShrinksMidRunReportsTheGamesBeforeAndExitsWithTwo) {
    QTemporaryDir dir;
    const QString path = dir.filePath("shrinking.pgn");
    QFile source(PW2_TEST_DATA "/real-games.pgn");
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    const QByteArray games = source.readAll();
    writeFile(path, games.repeated(100)); // 2,200 games, 19 MB: far more than is read ahead

    QProcess process;
    process.start(QStringLiteral(PW2_BIN_DIR "/pawnwatch2-check"), {path});
    ASSERT_TRUE(process.waitForStarted());
    QByteArray out;
    while (!out.contains('\n') && process.waitForReadyRead(60000))
        out += process.readAllStandardOutput();
    ASSERT_TRUE(out.contains('\n')) << "no game was reported";
    ASSERT_TRUE(QFile::resize(path, 1000)); // the file is cut while it is being read
    ASSERT_TRUE(process.waitForFinished(120000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit); // no SIGBUS
    EXPECT_EQ(process.exitCode(), 2);
    out += process.readAllStandardOutput();
    const std::vector<std::string> reported = lines(out);
    ASSERT_FALSE(reported.empty());
    ASSERT_LT(reported.size(), 2200u);
    for (std::size_t i = 0; i < reported.size(); ++i)
        EXPECT_EQ(reported[i].substr(0, reported[i].find('\t')), std::to_string(i + 1));
    const std::vector<std::string> err = lines(process.readAllStandardError());
    ASSERT_FALSE(err.empty());
    EXPECT_NE(err.back().find(" shrank while it was read ("), std::string::npos) << err.back();
    EXPECT_NE(err.back().find("the games after game " + std::to_string(reported.size()) +
                              " were not checked"),
              std::string::npos)
        << err.back();
}

TEST(CheckTool, EveryCoreGivesTheLinesOfOneJobInFileOrder) {
    // The real games around a run of failing games (the failures of the mixed file above), three
    // times over: each worker's board replays as the control does, game after failed game.
    QTemporaryDir dir;
    const QString path = dir.filePath("games.pgn");
    const QByteArray games = realGames();
    const QByteArray failing = "[Event \"no knight reaches f5\"]\n1. e4 e5 2. Nf5 Nc6 1-0\n\n"
                               "[Event \"open brace\"]\r\n1. e4 {x e5 1-0\r\n\r\n"
                               "[Event \"no such square\"]\n1. e4 e5 2. Ke9 *\n\n";
    const qsizetype middle = games.indexOf("[Event ", games.size() / 2);
    writeFile(path, (games.left(middle) + failing + games.mid(middle)).repeated(3));
    for (const QStringList& options : {QStringList{"--fen"}, QStringList{}}) {
        const ToolRun one = check(options + QStringList{"-j", "1", path});
        EXPECT_EQ(one.exitCode, 1);
        ASSERT_EQ(one.out.size(), 75u);
        EXPECT_EQ(one.err.back(), "75 games, 66 ok, 9 failed");
        for (const char* jobs : {"-j2", "-j3", "-j16"}) {
            const ToolRun many = check(options + QStringList{jobs, path});
            EXPECT_EQ(many.exitCode, one.exitCode) << jobs;
            EXPECT_EQ(many.out, one.out) << jobs;
            EXPECT_EQ(many.err.back(), one.err.back()) << jobs;
        }
    }
}

TEST(CheckTool, HostileShapesReplayQuickly) {
    // Each took minutes or gigabytes before; the test timeout catches a return of either.
    QTemporaryDir dir;
    const QString path = dir.filePath("hostile.pgn");
    QByteArray text = "[Event \"a run of line breaks\"]\n1." + QByteArray(1'000'000, '\n') +
                      "e4 e5 1-0\n\n[Event \"a chain of continuations\"]\n";
    for (int n = 1; n <= 40000; ++n)
        text += " " + QByteArray::number(n) + "... a" + QByteArray::number(n % 8 + 1) + " ";
    text += "\n\n[Event \"nested variations\"]\n1. e4 " + QByteArray(100000, '(') + "1. d4" +
            QByteArray(100000, ')') + " e5 1-0\n";
    writeFile(path, text);
    const ToolRun run = check({path});
    ASSERT_EQ(run.out.size(), 3u);
    EXPECT_EQ(run.out[0], "1\tok\t2");
    EXPECT_EQ(run.out[1].substr(0, 7), "2\tfail\t");
    EXPECT_EQ(run.out[2], "3\tok\t2");
}

} // namespace
