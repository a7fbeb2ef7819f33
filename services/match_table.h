// The match table and the display settings, as the setup dialog's two OK buttons and the saver's
// fallback to the bundled games store them.
#pragma once

#include "pgn/game_spans.h"

#include <QString>
#include <cstdint>
#include <vector>

namespace pw2 {

class SettingsStore;

// Stores MatchBegin<n> and MatchEnd<n> for the first count spans (as many as there are, at
// most), then NumOfGames, in one write to the disk.
void storeMatchRanges(SettingsStore& store, const std::vector<pgn::GameSpan>& spans,
                      std::int64_t count);

// Replaces the stored match table, each step on its own (a failing step is skipped and the next
// one runs): PGNFile; MatchBegin<n> and MatchEnd<n> for the first entryCount spans, with every
// numbered key of the old NumOfGames beyond them deleted; NumOfGames;
// FirstGame = selectedIndex + 1. The disk is written once, at the end.
void replaceMatchTable(SettingsStore& store, const QString& currentFile,
                       const std::vector<pgn::GameSpan>& spans, std::int32_t entryCount,
                       std::int32_t selectedIndex);

struct DisplaySettings {
    std::uint32_t textColor = 0; // 0x00BBGGRR
    QString timer;               // as typed
    QString timer2;              // as typed
    bool moveList = false;
    bool random = false;
    bool fillScreen = true;
};

// Stores TextColor, Timer, Timer2, MoveList, Random and FillScreen, in that order, unvalidated.
void storeDisplaySettings(SettingsStore& store, const DisplaySettings& values);

} // namespace pw2
