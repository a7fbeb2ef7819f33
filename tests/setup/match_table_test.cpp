// The stored match table: kept in the table file beside the settings file, read a record at a
// time, replaced whole, and read only as the table of the stored PGN file as that file is now.
#include "services/match_table.h"
#include "services/settings_store.h"
#include "support/doubles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

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

void writeBytes(const QString& path, const std::string& bytes) {
    std::ofstream(QFile::encodeName(path).toStdString(), std::ios::binary | std::ios::trunc)
        << bytes;
}

// A file of the given size in the sandbox, its path.
QString pgnFile(const test::Sandbox& box, const QString& name, std::size_t size = 1000) {
    const QString path = box.path(name);
    writeBytes(path, std::string(size, 'x'));
    return path;
}

TEST(MatchTable, ReplacingKeepsTheTableInItsFileAndTheSettingsFileSmall) {
    test::Sandbox box;
    auto& s = settings();
    const QString a = pgnFile(box, "a.pgn");
    replaceMatchTable(s, a, spans(10), 10, 0);
    EXPECT_EQ(s.read("NumOfGames", ""), "10");
    EXPECT_EQ(s.read("PGNFile", ""), a);
    EXPECT_FALSE(hasKey("MatchBegin1"));
    EXPECT_EQ(QFileInfo(QString::fromStdString(matchTablePath(s))).fileName(),
              QFileInfo(s.fileName()).completeBaseName() + ".matches");
    std::optional<StoredMatch> match = StoredMatch::read(s);
    ASSERT_TRUE(match);
    EXPECT_EQ(match->pgnFile(), a);
    EXPECT_EQ(readAll(*match), spans(10));
    EXPECT_EQ(match->range(11), (pgn::GameSpan{-1, -1}));
    EXPECT_EQ(match->range(0), (pgn::GameSpan{-1, -1}));

    // Shrinking from 10 to 4, then growing with positions beyond single precision kept exact,
    // and a path that is not UTF-8 kept byte for byte.
    replaceMatchTable(s, pgnFile(box, "b.pgn"), spans(4), 4, 2);
    EXPECT_EQ(s.read("FirstGame", ""), "3");
    EXPECT_EQ(readAll(*StoredMatch::read(s)), spans(4));
    std::vector<pgn::GameSpan> big = spans(6);
    big[5] = {123456789012, 123456789999};
    const QString odd = QFile::decodeName(QFile::encodeName(box.path("")) + "caf\xe9.pgn");
    writeBytes(odd, "x");
    replaceMatchTable(s, odd, big, 6, 5);
    match = StoredMatch::read(s);
    ASSERT_TRUE(match);
    EXPECT_EQ(readAll(*match), big);
    EXPECT_EQ(match->pgnFile(), odd);
    EXPECT_EQ(s.read("FirstGame", ""), "6");

    // An empty match.
    replaceMatchTable(s, pgnFile(box, "none.pgn"), {}, 0, -1);
    EXPECT_EQ(StoredMatch::read(s)->count(), 0);
    EXPECT_EQ(s.read("FirstGame", ""), "0");
}

// A settings file written by an earlier version holds the table in numbered keys: no table of a
// known file (the file is indexed again); the next store moves the table into the table file.
TEST(MatchTable, AnEarlierSettingsFileIsNoTableAndIsConvertedAtTheNextStore) {
    test::Sandbox box;
    const QString old = pgnFile(box, "old.pgn");
    {
        std::ofstream ini(box.path("settings.ini").toStdString());
        ini << "[Config]\nPGNFile=" << old.toStdString() << "\nNumOfGames=3\n";
        for (int n = 1; n <= 3; ++n)
            ini << "MatchBegin" << n << "=" << n * 10 << "\nMatchEnd" << n << "=" << n * 10 + 9
                << "\n";
        ini << "matchbegin7=70\nTimer=5\n"; // a stray key in another case
    }
    setSettingsStore(std::make_unique<SettingsStore>(box.path("settings.ini")));
    auto& s = settings();
    EXPECT_FALSE(StoredMatch::read(s));

    replaceMatchTable(s, old, spans(3), 3, 1);
    ASSERT_TRUE(StoredMatch::read(s));
    EXPECT_EQ(readAll(*StoredMatch::read(s)), spans(3));
    for (const char* key : {"MatchBegin1", "MatchEnd3", "matchbegin7"})
        EXPECT_FALSE(hasKey(key)) << key;
    EXPECT_EQ(s.read("Timer", ""), "5");
}

// The table is the match only of the file the setting names, as that file is now.
TEST(MatchTable, ATableOfAnotherFileOrOfAFileChangedSinceIsNone) {
    test::Sandbox box;
    auto& s = settings();
    const QString a = pgnFile(box, "a.pgn", 300000);
    const QString b = pgnFile(box, "b.pgn");
    const struct {
        const char* what;
        std::function<void()> change;
    } cases[] = {
        {"PGNFile set by hand to another file", [&] { s.write("PGNFile", b); }},
        {"PGNFile with a space more", [&] { s.write("PGNFile", a + " "); }},
        {"PGNFile removed", [&] { s.remove("PGNFile"); }},
        {"the file grown", [&] { writeBytes(a, std::string(300001, 'x')); }},
        {"the file changed at its start", [&] { writeBytes(a, "y" + std::string(299999, 'x')); }},
        // In one of the pieces the fingerprint reads between the ends.
        {"the file changed in its middle",
         [&] { writeBytes(a, std::string(141276, 'x') + "y" + std::string(158723, 'x')); }},
        {"the file changed at its end", [&] { writeBytes(a, std::string(299999, 'x') + "y"); }},
        {"the file gone", [&] { QFile::remove(a); }},
    };
    for (const auto& c : cases) {
        writeBytes(a, std::string(300000, 'x'));
        replaceMatchTable(s, a, spans(3), 3, 0);
        ASSERT_TRUE(StoredMatch::read(s)) << c.what;
        c.change();
        EXPECT_FALSE(StoredMatch::read(s)) << c.what;
    }
}

// A reader that opened the table before it was replaced reads the old table to the end; the next
// reader reads the new one. Neither sees a part of the other.
TEST(MatchTable, AReaderSeesTheOldTableOrTheNewOneWhileItIsReplaced) {
    test::Sandbox box;
    auto& s = settings();
    const QString a = pgnFile(box, "a.pgn");
    replaceMatchTable(s, a, spans(1000, 100), 1000, 0);
    const std::optional<StoredMatch> before = StoredMatch::read(s);
    replaceMatchTable(s, a, spans(2000, 7), 2000, 0);
    EXPECT_EQ(before->count(), 1000);
    EXPECT_EQ(readAll(*before), spans(1000, 100));
    EXPECT_EQ(readAll(*StoredMatch::read(s)), spans(2000, 7));
    // No temporary file is left beside the table.
    const QFileInfo table(QString::fromStdString(matchTablePath(s)));
    EXPECT_EQ(table.dir().entryList({table.fileName() + "*"}, QDir::Files),
              QStringList{table.fileName()});
}

TEST(MatchTable, AFileThatIsNoTableIsIgnored) {
    test::Sandbox box;
    auto& s = settings();
    const QString a = pgnFile(box, "a.pgn");
    replaceMatchTable(s, a, spans(3), 3, 0);
    const std::string path = matchTablePath(s);
    std::string bytes;
    {
        std::ifstream in(path, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    ASSERT_EQ(bytes.size(),
              kMatchTableHeaderSize + QFile::encodeName(a).size() + 3 * kMatchTableRecordSize);
    EXPECT_TRUE(parseMatchTableHeader(bytes, bytes.size()));
    // Cut short, grown, or with another magic or version: no table.
    for (const std::string& damaged :
         {bytes.substr(0, bytes.size() - 1), bytes + "x", "PW2MATCX" + bytes.substr(8),
          bytes.substr(0, 8) + '\3' + bytes.substr(9), std::string(), bytes.substr(0, 20)}) {
        EXPECT_FALSE(parseMatchTableHeader(damaged, damaged.size()));
        std::ofstream(path, std::ios::binary | std::ios::trunc) << damaged;
        EXPECT_FALSE(StoredMatch::read(s));
    }
    // A path length or count that would need more bytes than the file has.
    std::string huge = bytes;
    huge[16 + 7] = '\x7f';
    EXPECT_FALSE(parseMatchTableHeader(huge, huge.size()));
    // A table of the earlier version still reads, as the table of no known file.
    std::string v1 = bytes.substr(0, 8) + '\1' + bytes.substr(9, 15) + bytes.substr(40);
    const std::optional<MatchTableHeader> header = parseMatchTableHeader(v1, v1.size());
    ASSERT_TRUE(header);
    EXPECT_EQ(header->count, 3);
    EXPECT_EQ(header->pgnFile, QFile::encodeName(a).toStdString());
    EXPECT_FALSE(header->identity);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << v1;
    EXPECT_FALSE(StoredMatch::read(s));
}

// A store killed while it wrote left its new file beside the table: the next store removes it,
// but never the file of a store still going on (it holds the file locked).
TEST(MatchTable, AFileLeftByAKilledStoreGoesAtTheNextStore) {
    test::Sandbox box;
    auto& s = settings();
    const std::string table = matchTablePath(s);
    writeBytes(QString::fromStdString(table + ".a1B2c3"), std::string(4096, 'x'));
    writeBytes(QString::fromStdString(table + ".k9Z8y7"), "x");
    writeBytes(QString::fromStdString(table + ".notmine"), "x");
    const int busy = ::open((table + ".k9Z8y7").c_str(), O_RDONLY);
    ASSERT_EQ(::flock(busy, LOCK_EX), 0);
    replaceMatchTable(s, pgnFile(box, "a.pgn"), spans(3), 3, 0);
    const QFileInfo info(QString::fromStdString(table));
    EXPECT_EQ(
        info.dir().entryList({info.fileName() + "*"}, QDir::Files),
        (QStringList{info.fileName(), info.fileName() + ".k9Z8y7", info.fileName() + ".notmine"}));
    ::close(busy);
    removeAbandonedMatchTables(table);
    EXPECT_EQ(info.dir().entryList({info.fileName() + "*"}, QDir::Files),
              (QStringList{info.fileName(), info.fileName() + ".notmine"}));
}

// Where the table file cannot be written, the table goes into the settings file as before.
TEST(MatchTable, ATableFileThatCannotBeWrittenLeavesTheTableInTheSettingsFile) {
    test::Sandbox box;
    auto& s = settings();
    // A folder in the table file's place: no file can replace it, whoever runs the test.
    ASSERT_TRUE(QDir().mkdir(QString::fromStdString(matchTablePath(s))));
    replaceMatchTable(s, pgnFile(box, "a.pgn"), spans(3), 3, 0);
    EXPECT_EQ(s.read("MatchEnd3", ""), "300");
    EXPECT_FALSE(StoredMatch::read(s)); // the saver indexes the file
    const QFileInfo table(QString::fromStdString(matchTablePath(s)));
    EXPECT_EQ(
        table.dir().entryList({table.fileName() + "*"}, QDir::AllEntries | QDir::NoDotAndDotDot),
        QStringList{table.fileName()});
}

} // namespace
} // namespace pw2
