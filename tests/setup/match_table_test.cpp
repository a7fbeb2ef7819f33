// The stored match table: kept in the table file beside the settings file, read a record at a
// time, replaced whole; settings files of earlier versions still read and are converted at the
// next store.
#include "services/match_table.h"
#include "services/settings_store.h"
#include "support/doubles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <fstream>
#include <gtest/gtest.h>

namespace pw2 {
namespace {

std::vector<pgn::GameSpan> spans(int count, std::int64_t step = 100) {
    std::vector<pgn::GameSpan> all;
    for (int i = 0; i < count; ++i)
        all.push_back({std::int64_t(i) * step + 1, std::int64_t(i) * step + step});
    return all;
}

bool hasKey(const QString& key) {
    return settings().read(key, "missing") != "missing";
}

std::vector<pgn::GameSpan> readAll(const StoredMatch& match) {
    std::vector<pgn::GameSpan> all;
    for (std::int64_t n = 1; n <= match.count(); ++n)
        all.push_back(match.range(n));
    return all;
}

TEST(MatchTable, ReplacingKeepsTheTableInItsFileAndTheSettingsFileSmall) {
    test::Sandbox box;
    auto& s = settings();
    replaceMatchTable(s, "/games/a.pgn", spans(10), 10, 0);
    EXPECT_EQ(s.read("NumOfGames", ""), "10");
    EXPECT_EQ(s.read("PGNFile", ""), "/games/a.pgn");
    EXPECT_FALSE(hasKey("MatchBegin1"));
    EXPECT_EQ(QFileInfo(QString::fromStdString(matchTablePath(s))).fileName(),
              QFileInfo(s.fileName()).completeBaseName() + ".matches");
    StoredMatch match = StoredMatch::read(s);
    EXPECT_TRUE(match.fromTableFile());
    EXPECT_EQ(match.pgnFile("none"), "/games/a.pgn");
    EXPECT_EQ(readAll(match), spans(10));
    EXPECT_EQ(match.range(11), (pgn::GameSpan{-1, -1}));
    EXPECT_EQ(match.range(0), (pgn::GameSpan{-1, -1}));

    // Shrinking from 10 to 4, then growing with positions beyond single precision kept exact,
    // and a path that is not UTF-8 kept byte for byte.
    replaceMatchTable(s, "/games/b.pgn", spans(4), 4, 2);
    EXPECT_EQ(s.read("FirstGame", ""), "3");
    EXPECT_EQ(readAll(StoredMatch::read(s)), spans(4));
    std::vector<pgn::GameSpan> big = spans(6);
    big[5] = {123456789012, 123456789999};
    const QString odd = QFile::decodeName("/games/caf\xe9.pgn");
    replaceMatchTable(s, odd, big, 6, 5);
    match = StoredMatch::read(s);
    EXPECT_EQ(readAll(match), big);
    EXPECT_EQ(match.pgnFile("none"), odd);
    EXPECT_EQ(s.read("FirstGame", ""), "6");

    // An empty match.
    replaceMatchTable(s, "/games/none.pgn", {}, 0, -1);
    EXPECT_EQ(StoredMatch::read(s).count(), 0);
    EXPECT_EQ(s.read("FirstGame", ""), "0");
}

// A settings file written by an earlier version holds the table in numbered keys: it is read as
// it stands, and the next store moves the table into the table file.
TEST(MatchTable, AnEarlierSettingsFileIsReadAndConvertedAtTheNextStore) {
    test::Sandbox box;
    {
        std::ofstream ini(box.path("settings.ini").toStdString());
        ini << "[Config]\nPGNFile=/games/old.pgn\nNumOfGames=3\n";
        for (int n = 1; n <= 3; ++n)
            ini << "MatchBegin" << n << "=" << n * 10 << "\nMatchEnd" << n << "=" << n * 10 + 9
                << "\n";
        ini << "matchbegin7=70\nTimer=5\n"; // a stray key in another case
    }
    setSettingsStore(std::make_unique<SettingsStore>(box.path("settings.ini")));
    auto& s = settings();
    StoredMatch match = StoredMatch::read(s);
    EXPECT_FALSE(match.fromTableFile());
    EXPECT_EQ(match.count(), 3);
    EXPECT_EQ(match.pgnFile("none"), "/games/old.pgn");
    EXPECT_EQ(match.range(2), (pgn::GameSpan{20, 29}));
    EXPECT_EQ(match.range(4), (pgn::GameSpan{-1, -1}));

    replaceMatchTable(s, "/games/old.pgn", spans(3), 3, 1);
    match = StoredMatch::read(s);
    EXPECT_TRUE(match.fromTableFile());
    EXPECT_EQ(readAll(match), spans(3));
    for (const char* key : {"MatchBegin1", "MatchEnd3", "matchbegin7"})
        EXPECT_FALSE(hasKey(key)) << key;
    EXPECT_EQ(s.read("Timer", ""), "5");
}

// After the table file was written, an earlier version stored a table of another file in the
// settings file: that table is the newer one.
TEST(MatchTable, ANewerTableInTheSettingsFileWinsOverTheTableFile) {
    test::Sandbox box;
    auto& s = settings();
    replaceMatchTable(s, "/games/new.pgn", spans(5), 5, 0);
    s.write("PGNFile", "/games/older-version.pgn");
    s.write("NumOfGames", "1");
    s.write("MatchBegin1", "1");
    s.write("MatchEnd1", "50");
    StoredMatch match = StoredMatch::read(s);
    EXPECT_FALSE(match.fromTableFile());
    EXPECT_EQ(match.pgnFile("none"), "/games/older-version.pgn");
    EXPECT_EQ(readAll(match), (std::vector<pgn::GameSpan>{{1, 50}}));

    // Without a table of its own, the settings file's PGNFile (changed by hand, or not yet
    // written while the setup dialog stores a match) does not hide the table file.
    s.remove("MatchBegin1");
    s.remove("MatchEnd1");
    match = StoredMatch::read(s);
    EXPECT_TRUE(match.fromTableFile());
    EXPECT_EQ(match.pgnFile("none"), "/games/new.pgn");
    EXPECT_EQ(match.count(), 5);
}

// A reader that opened the table before it was replaced reads the old table to the end; the next
// reader reads the new one. Neither sees a part of the other.
TEST(MatchTable, AReaderSeesTheOldTableOrTheNewOneWhileItIsReplaced) {
    test::Sandbox box;
    auto& s = settings();
    replaceMatchTable(s, "/games/a.pgn", spans(1000, 100), 1000, 0);
    const StoredMatch before = StoredMatch::read(s);
    replaceMatchTable(s, "/games/a.pgn", spans(2000, 7), 2000, 0);
    EXPECT_EQ(before.count(), 1000);
    EXPECT_EQ(readAll(before), spans(1000, 100));
    const StoredMatch after = StoredMatch::read(s);
    EXPECT_EQ(readAll(after), spans(2000, 7));
    // No temporary file is left beside the table.
    const QFileInfo table(QString::fromStdString(matchTablePath(s)));
    EXPECT_EQ(table.dir().entryList({table.fileName() + "*"}, QDir::Files),
              QStringList{table.fileName()});
}

TEST(MatchTable, AFileThatIsNoTableIsIgnored) {
    test::Sandbox box;
    auto& s = settings();
    replaceMatchTable(s, "/games/a.pgn", spans(3), 3, 0);
    const std::string path = matchTablePath(s);
    std::string bytes;
    {
        std::ifstream in(path, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    ASSERT_EQ(bytes.size(), kMatchTableHeaderSize + 12 + 3 * kMatchTableRecordSize);
    EXPECT_TRUE(parseMatchTableHeader(bytes, bytes.size()));
    // Cut short, grown, or with another magic or version: no table, and the settings file's
    // (empty) table is read instead.
    for (const std::string& damaged :
         {bytes.substr(0, bytes.size() - 1), bytes + "x", "PW2MATCX" + bytes.substr(8),
          bytes.substr(0, 8) + '\2' + bytes.substr(9), std::string(), bytes.substr(0, 20)}) {
        EXPECT_FALSE(parseMatchTableHeader(damaged, damaged.size()));
        std::ofstream(path, std::ios::binary | std::ios::trunc) << damaged;
        const StoredMatch match = StoredMatch::read(s);
        EXPECT_FALSE(match.fromTableFile());
        EXPECT_EQ(match.range(1), (pgn::GameSpan{-1, -1}));
    }
    // A path length or count that would need more bytes than the file has.
    std::string huge = bytes;
    huge[16 + 7] = '\x7f';
    EXPECT_FALSE(parseMatchTableHeader(huge, huge.size()));
}

// Where the table file cannot be written, the table goes into the settings file as before.
TEST(MatchTable, ATableFileThatCannotBeWrittenLeavesTheTableInTheSettingsFile) {
    test::Sandbox box;
    auto& s = settings();
    // A folder in the table file's place: no file can replace it, whoever runs the test.
    ASSERT_TRUE(QDir().mkdir(QString::fromStdString(matchTablePath(s))));
    replaceMatchTable(s, "/games/a.pgn", spans(3), 3, 0);
    EXPECT_EQ(s.read("MatchEnd3", ""), "300");
    const StoredMatch match = StoredMatch::read(s);
    EXPECT_FALSE(match.fromTableFile());
    EXPECT_EQ(readAll(match), spans(3));
    const QFileInfo table(QString::fromStdString(matchTablePath(s)));
    EXPECT_EQ(
        table.dir().entryList({table.fileName() + "*"}, QDir::AllEntries | QDir::NoDotAndDotDot),
        QStringList{table.fileName()});
}

} // namespace
} // namespace pw2
