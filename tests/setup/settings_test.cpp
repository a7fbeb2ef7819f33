#include "services/settings_parse.h"
#include "services/settings_store.h"

#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace pw2 {
namespace {

TEST(LenientNumber, TakesTheLongestLeadingNumber) {
    EXPECT_DOUBLE_EQ(lenientNumber("2"), 2);
    EXPECT_DOUBLE_EQ(lenientNumber("1.5"), 1.5);
    EXPECT_DOUBLE_EQ(lenientNumber("  -0.25xyz"), -0.25);
    EXPECT_DOUBLE_EQ(lenientNumber("1 2 3"), 123); // blanks inside are ignored
    EXPECT_DOUBLE_EQ(lenientNumber("3.5.1"), 3.5);
    EXPECT_DOUBLE_EQ(lenientNumber("1e3"), 1000);
    EXPECT_DOUBLE_EQ(lenientNumber("12345678"), 12345678);
    EXPECT_DOUBLE_EQ(lenientNumber("4e"), 4);
    EXPECT_DOUBLE_EQ(lenientNumber("abc"), 0);
    EXPECT_DOUBLE_EQ(lenientNumber(""), 0);
    EXPECT_DOUBLE_EQ(lenientNumber("-"), 0);
    EXPECT_DOUBLE_EQ(lenientNumber("1e999"), 0); // no infinity reaches a caller
}

TEST(Conversions, IntervalsAndColoursAreClampedAndRounded) {
    EXPECT_EQ(secondsToInterval(1.5), 1500);
    EXPECT_EQ(secondsToInterval(2.5), 2500);
    EXPECT_EQ(secondsToInterval(0.0004), 0);
    EXPECT_EQ(secondsToInterval(-3), 0);
    EXPECT_EQ(secondsToInterval(1e12), 2147483647);
    EXPECT_EQ(roundToInt64(2.5), 2);
    EXPECT_EQ(roundToInt64(3.5), 4);
    EXPECT_EQ(roundToInt64(12345678.0), 12345678);
    EXPECT_EQ(colourNumber(65280), 65280u);
    EXPECT_EQ(colourNumber(-1), 0u);
    EXPECT_EQ(colourNumber(1e9), 0xFFFFFFu);
}

TEST(Conversions, StrictIntegerRejectsAnythingButAnInteger) {
    EXPECT_EQ(strictInteger("0"), 0);
    EXPECT_EQ(strictInteger(" 1 "), 1);
    EXPECT_EQ(strictInteger("-7"), -7);
    EXPECT_EQ(strictInteger("1.5"), std::nullopt);
    EXPECT_EQ(strictInteger("yes"), std::nullopt);
    EXPECT_EQ(strictInteger(""), std::nullopt);
    EXPECT_EQ(strictInteger("99999999999"), std::nullopt);
}

class SettingsStoreTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString file = dir.filePath("settings.ini");
};

TEST_F(SettingsStoreTest, ReadsDefaultsWritesAndDeletes) {
    SettingsStore store(file);
    EXPECT_EQ(store.read("PGNFile", "no file"), "no file");
    store.write("PGNFile", "/games/my games.pgn");
    EXPECT_EQ(store.read("PGNFile", "no file"), "/games/my games.pgn");
    EXPECT_TRUE(store.remove("PGNFile"));
    EXPECT_FALSE(store.remove("PGNFile")); // deleting a missing key fails
    EXPECT_EQ(store.read("PGNFile", "x"), "x");
}

TEST_F(SettingsStoreTest, KeyNamesMatchWithoutRegardToCase) {
    SettingsStore store(file);
    store.write("MoveList", "0");
    EXPECT_EQ(store.read("Movelist", "1"), "0");
    store.write("matchbegin12", "5");
    EXPECT_EQ(store.read("MatchBegin12", "-1"), "5");
    EXPECT_TRUE(store.remove("MATCHBEGIN12"));

    // A key written by hand in any case is found too.
    {
        QSettings raw(file, QSettings::IniFormat);
        raw.setValue("Config/tImEr2", "7");
        raw.setValue("Config/SomethingElse", "x");
    }
    SettingsStore again(file);
    EXPECT_EQ(again.read("Timer2", "10"), "7");
    EXPECT_EQ(again.read("somethingelse", ""), "x");
}

TEST_F(SettingsStoreTest, EveryChangeIsOnDiskAtOnce) {
    SettingsStore store(file);
    store.write("Timer", "1.5");
    {
        QSettings raw(file, QSettings::IniFormat); // another process reading the file now
        EXPECT_EQ(raw.value("Config/Timer").toString(), "1.5");
    }
    {
        SettingsStore::Batch batch(store);
        store.write("NumOfGames", "3");
        store.remove("Timer");
    }
    QSettings raw(file, QSettings::IniFormat);
    EXPECT_EQ(raw.value("Config/NumOfGames").toString(), "3");
    EXPECT_FALSE(raw.contains("Config/Timer"));
}

TEST_F(SettingsStoreTest, PositionsAreExactWholeNumbers) {
    SettingsStore store(file);
    store.write("MatchBegin1", QString::number(qint64(12345678)));
    store.write("MatchEnd1", QString::number(qint64(4000000001)));
    EXPECT_EQ(store.count(setting::MatchBegin, 1), 12345678);
    EXPECT_EQ(store.count(setting::MatchEnd, 1), 4000000001);
    EXPECT_EQ(store.count(setting::MatchBegin, 2), -1);
    EXPECT_EQ(store.count(setting::NumOfGames), 1); // the default when nothing is stored
    store.set(setting::NumOfGames, 4000000002);
    EXPECT_EQ(store.read("numofgames", ""), "4000000002");
    store.write("Timer", "fast");
    EXPECT_EQ(store.number(setting::Timer), 0);
}

} // namespace
} // namespace pw2

namespace pw2 {
namespace {

TEST_F(SettingsStoreTest, ChangesMadeByAnotherProcessAreSeenAtTheNextRead) {
    SettingsStore saver(file);
    SettingsStore dialog(file);
    EXPECT_EQ(saver.read("Timer2", "10"), "10");
    dialog.write("Timer2", "3");
    EXPECT_EQ(saver.read("Timer2", "10"), "3");
    dialog.remove("Timer2");
    EXPECT_EQ(saver.read("Timer2", "10"), "10");
}

TEST_F(SettingsStoreTest, RemovingMatchKeysOfAHugeRangeEndsAtOnce) {
    SettingsStore store(file);
    for (int n = 1; n <= 5; ++n) {
        store.write(QString("MatchBegin%1").arg(n), "1");
        store.write(QString("MatchEnd%1").arg(n), "2");
    }
    store.write("MatchBegin900000000000", "7");    // written by hand
    store.removeMatchKeys(3, 1000000000000000000); // a stored count of "1e18"
    EXPECT_EQ(store.read("MatchBegin2", "-1"), "1");
    EXPECT_EQ(store.read("MatchEnd2", "-1"), "2");
    EXPECT_EQ(store.read("MatchBegin3", "-1"), "-1");
    EXPECT_EQ(store.read("MatchEnd5", "-1"), "-1");
    EXPECT_EQ(store.read("MatchBegin900000000000", "-1"), "-1");
    store.removeMatchKeys(1, 2);
    EXPECT_EQ(store.read("MatchBegin1", "-1"), "-1");
}

} // namespace
} // namespace pw2
