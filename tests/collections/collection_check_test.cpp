// pawnwatch2-check on compressed and archived collections and on folders, run as a separate
// process: each gives the report of its joined plain text, and damaged input its message.
#include "archive_writer.h"
#include "support/check_tool.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

namespace {

using pw2::test::ArchiveMember;
using pw2::test::Packing;
using pw2::test::writeArchive;

using pw2::test::check;
using pw2::test::lines;
using pw2::test::ToolRun;

std::string readData(const char* name) {
    QFile file(QString(PW2_TEST_DATA "/") + name);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll().toStdString();
}

void writeFile(const QString& path, const std::string& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes.data(), qint64(bytes.size())), qint64(bytes.size()));
}

std::string readFile(const QString& path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll().toStdString();
}

class CollectionCheck : public ::testing::Test {
protected:
    void SetUp() override {
        first = readData("real-games.pgn");
        second = readData("set-up-games.pgn");
        writeFile(path("joined.pgn"), first + second);
        plain = check({"--fen", "-j", "1", path("joined.pgn")});
        ASSERT_EQ(plain.exitCode, 0) << plain.errText;
        ASSERT_EQ(plain.out.size(), 26u);
    }

    QString path(const char* name) const { return dir.filePath(name); }

    QTemporaryDir dir;
    std::string first;  // a.pgn: 22 games
    std::string second; // b.pgn: 4 games from set-up positions
    ToolRun plain;      // the report of a.pgn and b.pgn joined, unpacked
};

TEST_F(CollectionCheck, EveryFormatGivesTheReportOfItsJoinedText) {
    const std::string notes = "not a game\n";
    struct Case {
        const char* name;
        Packing packing;
        std::vector<ArchiveMember> members; // stored out of name order where there are several
        bool skipsNotes;
    };
    const std::vector<Case> cases = {
        {"games.pgn.gz", Packing::Gzip, {{"data", first + second}}, false},
        {"games.pgn.bz2", Packing::Bzip2, {{"data", first + second}}, false},
        {"games.pgn.xz", Packing::Xz, {{"data", first + second}}, false},
        {"games.pgn.zst", Packing::Zstd, {{"data", first + second}}, false},
        {"games.zip",
         Packing::Zip,
         {{"b.pgn", second}, {"notes.txt", notes}, {"a.pgn", first}},
         true},
        {"games.tar.gz",
         Packing::TarGzip,
         {{"b.pgn", second}, {"a.pgn", first}, {"notes.txt", notes}},
         true},
        {"games.tar", Packing::Tar, {{"a.PGN", first}, {"b.pgn", second}}, false},
    };
    for (const Case& c : cases) {
        writeArchive(path(c.name).toStdString(), c.packing, c.members);
        for (const char* jobs : {"1", "2"}) {
            const ToolRun run = check({"--fen", "-j", jobs, path(c.name)});
            EXPECT_EQ(run.exitCode, 0) << c.name << ' ' << run.errText;
            EXPECT_EQ(run.out, plain.out) << c.name << " -j " << jobs;
            EXPECT_EQ(run.errText.find("pawnwatch2-check: " + path(c.name).toStdString() +
                                       ": notes.txt: not a PGN file, skipped\n") !=
                          std::string::npos,
                      c.skipsNotes)
                << run.errText;
        }
    }

    // A folder: its .pgn files in name order; another file and a folder inside it are named.
    ASSERT_TRUE(QDir(dir.path()).mkpath("folder/sub.pgn"));
    writeFile(path("folder/b.pgn"), second);
    writeFile(path("folder/a.pgn"), first);
    writeFile(path("folder/notes.txt"), notes);
    for (const char* jobs : {"1", "2"}) {
        const ToolRun run = check({"--fen", "-j", jobs, path("folder")});
        EXPECT_EQ(run.exitCode, 0) << run.errText;
        EXPECT_EQ(run.out, plain.out);
        const std::string folder = path("folder").toStdString();
        EXPECT_NE(run.errText.find(folder + "/notes.txt: not a PGN file, skipped"),
                  std::string::npos)
            << run.errText;
        EXPECT_NE(run.errText.find(folder + "/sub.pgn: a folder, skipped"), std::string::npos);
    }

    // Standard input takes a compressed file as well.
    QProcess process;
    process.setStandardInputFile(path("games.pgn.zst"));
    process.start(QStringLiteral(PW2_BIN_DIR "/pawnwatch2-check"), {"--fen", "-"});
    ASSERT_TRUE(process.waitForFinished(120000));
    EXPECT_EQ(process.exitCode(), 0);
    EXPECT_EQ(lines(process.readAllStandardOutput()), plain.out);
}

TEST_F(CollectionCheck, DamagedArchivesReportTheGamesBeforeAndSayWhere) {
    writeArchive(path("whole.pgn.gz").toStdString(), Packing::Gzip, {{"data", first + second}});
    writeArchive(path("whole.pgn.zst").toStdString(), Packing::Zstd, {{"data", first + second}});
    writeArchive(path("whole.zip").toStdString(), Packing::Zip,
                 {{"a.pgn", first}, {"b.pgn", second}});
    const std::string gz = readFile(path("whole.pgn.gz"));
    std::string zst = readFile(path("whole.pgn.zst"));
    const std::string zip = readFile(path("whole.zip"));
    writeFile(path("cut.pgn.gz"), gz.substr(0, gz.size() / 2));
    for (std::size_t i = zst.size() / 2; i < zst.size() / 2 + 16; ++i)
        zst[i] = char(zst[i] ^ 0x5a);
    writeFile(path("damaged.pgn.zst"), zst);
    writeFile(path("cut.zip"), zip.substr(0, zip.size() / 2)); // its directory is gone too

    struct Case {
        const char* name;
        std::string where; // what the message says of the place
    };
    for (const Case& c : {Case{"cut.pgn.gz", "of the unpacked text (byte "},
                          Case{"damaged.pgn.zst", " of the file)"}, Case{"cut.zip", "a.pgn: "}}) {
        for (const char* jobs : {"1", "2"}) {
            const ToolRun run = check({"--fen", "-j", jobs, path(c.name)});
            EXPECT_EQ(run.exitCode, 2) << c.name;
            // The games read before the damage are reported, as the plain file reports them.
            ASSERT_LT(run.out.size(), plain.out.size()) << c.name;
            for (std::size_t i = 0; i < run.out.size(); ++i)
                EXPECT_EQ(run.out[i], plain.out[i]) << c.name;
            const std::string message = "pawnwatch2-check: " + path(c.name).toStdString() + ": ";
            EXPECT_NE(run.errText.find(message), std::string::npos) << run.errText;
            EXPECT_NE(run.errText.find(c.where), std::string::npos) << run.errText;
            EXPECT_NE(run.errText.find("; the games after game " + std::to_string(run.out.size()) +
                                       " were not checked\n"),
                      std::string::npos)
                << run.errText;
        }
    }
}

TEST_F(CollectionCheck, AnArchiveThatUnpacksPastTheLimitIsStoppedThere) {
    // 32 MiB of games packed into some 100 KB: read up to the limit of 1 MiB, and no further.
    std::string games;
    while (games.size() < (std::size_t(32) << 20))
        games += "[Event \"t\"]\n1. e4 e5 1-0\n\n";
    writeArchive(path("bomb.zip").toStdString(), Packing::Zip, {{"bomb.pgn", games}});
    writeArchive(path("bomb.pgn.xz").toStdString(), Packing::Xz, {{"data", games}});
    for (const char* name : {"bomb.zip", "bomb.pgn.xz"}) {
        const std::string before = readFile(path(name));
        const ToolRun run = check({"-j", "2", "--unpack-limit", "1M", path(name)});
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_GT(run.out.size(), 1000u);
        EXPECT_LT(run.out.size(), 1048576u / 26 + 1);
        EXPECT_NE(run.errText.find("pawnwatch2-check: " + path(name).toStdString() +
                                   ": it unpacks to more than 1048576 bytes, the most a collection "
                                   "may unpack to; reading stopped there"),
                  std::string::npos)
            << run.errText;
        EXPECT_EQ(readFile(path(name)), before);
    }
    // The limit's argument is a count of bytes.
    for (const char* wrong : {"0", "1T", "-5", "K"})
        EXPECT_EQ(check({"--unpack-limit", wrong, path("bomb.zip")}).exitCode, 2) << wrong;
}

TEST_F(CollectionCheck, EncryptedMembersAreRefusedByName) {
    writeArchive(path("locked.zip").toStdString(), Packing::Zip,
                 {{"a.pgn", first}, {"notes.txt", "x"}}, true);
    const ToolRun run = check({"--fen", path("locked.zip")});
    EXPECT_EQ(run.exitCode, 2);
    const std::string zip = "pawnwatch2-check: " + path("locked.zip").toStdString();
    EXPECT_EQ(run.errText, zip + ": a.pgn: encrypted, refused\n" + zip +
                               ": notes.txt: not a PGN file, skipped\n" + zip +
                               ": no game found\n");
    EXPECT_TRUE(run.out.empty());
}

} // namespace
