// The match table and the display settings, as the setup dialog's two OK buttons and the saver's
// fallback to the bundled games store them.
#pragma once

#include "pgn/game_spans.h"
#include "services/match_table_file.h"
#include "services/settings_schema.h"

#include <QString>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace pw2 {

class SettingsStore;

// The match table file that goes with a settings store: beside its file, named after it
// ("Pawnwatch2.matches" beside "Pawnwatch2.ini").
std::string matchTablePath(const SettingsStore& store);

// The stored match table, when it is the match of the stored PGNFile as that file is now: the
// table file names the setting's path byte for byte, with the size and fingerprint the file has
// now. A table of another file (the setting changed by hand, or a store killed between the table
// and the settings file), of a file changed since, a damaged one, one written by an earlier
// version (without size and fingerprint, and made by an earlier rule for where games start) or
// one kept in the settings file's numbered keys is none: the file is to be indexed again.
// textFile, when given, is the file whose bytes the ranges index in PGNFile's stead (the plain
// cache of a packed collection): its size and fingerprint are the ones compared.
class StoredMatch {
public:
    static std::optional<StoredMatch> read(const SettingsStore& store,
                                           const QString& textFile = QString());

    // The match's PGN file, as the setting holds it.
    QString pgnFile() const;
    std::int64_t count() const { return table_.count(); }
    // Game n's range; begin and end are -1 when the table has no game n.
    pgn::GameSpan range(std::int64_t n) const;

private:
    explicit StoredMatch(MatchTableReader table) : table_(std::move(table)) {}
    MatchTableReader table_;
};

// Stores the match of pgnFile with the first count spans (as many as there are, at most): the
// match table file, with the file's size and fingerprint as it is now, then PGNFile and NumOfGames
// in the settings file, from which any numbered keys of an earlier table go. When the table file
// cannot be written, the table goes into the settings file's numbered keys instead, as earlier
// versions stored it. textFile, when given, is the file the spans index (the plain cache of a
// packed collection), whose size and fingerprint the table keeps in pgnFile's stead.
void storeMatchTable(SettingsStore& store, const QString& pgnFile,
                     const std::vector<pgn::GameSpan>& spans, std::int64_t count,
                     const QString& textFile = QString());

// Replaces the stored match table with the first entryCount spans of currentFile, as
// storeMatchTable does, stores FirstGame = selectedIndex + 1, and resets the place where the
// saver stopped (LastGame, ShuffleKey and ShuffleStep to 0), so that the saver starts from that
// game again and random order from a new shuffle. Each step stands on its own (a failing step is
// skipped and the next one runs); the settings file is written once, at the end.
void replaceMatchTable(SettingsStore& store, const QString& currentFile,
                       const std::vector<pgn::GameSpan>& spans, std::int32_t entryCount,
                       std::int32_t selectedIndex, const QString& textFile = QString());

struct DisplaySettings {
    std::uint32_t textColor = 0; // 0x00BBGGRR
    QString timer;               // as typed
    QString timer2;              // as typed
    bool moveList = false;
    bool random = false;
    bool fillScreen = true;
    // Further on/off settings, each with its value.
    std::vector<std::pair<NumberSetting, bool>> switches;
};

// Stores TextColor, Timer, Timer2, MoveList, Random, FillScreen and the switches, in that order,
// unvalidated.
void storeDisplaySettings(SettingsStore& store, const DisplaySettings& values);

} // namespace pw2
