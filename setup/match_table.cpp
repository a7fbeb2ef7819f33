#include "setup/match_table.h"

#include "services/settings_store.h"

#include <algorithm>
#include <exception>

namespace pw2 {
namespace {

// Runs one step; a failure inside it is skipped so that the caller's next step still runs.
template <typename Step>
void skipOnFailure(Step&& step) {
    try {
        step();
    } catch (const std::exception&) {
    }
}

} // namespace

void replaceMatchTable(SettingsStore& store, const QString& currentFile,
                       const std::vector<pgn::GameSpan>& spans, std::int32_t entryCount,
                       std::int32_t selectedIndex) {
    const SettingsStore::Batch batch(store);
    skipOnFailure([&] { store.write("PGNFile", currentFile); });

    std::int64_t oldCount = 0;
    skipOnFailure([&] { oldCount = store.readInteger("NumOfGames", "1"); });
    const std::int64_t count =
        std::min<std::int64_t>(std::max<std::int32_t>(entryCount, 0), std::int64_t(spans.size()));
    // The old keys go; those that the new table writes again are simply replaced, which leaves
    // the same table and saves deleting and recreating up to every key.
    skipOnFailure([&] { store.removeMatchKeys(count + 1, oldCount); });
    skipOnFailure([&] {
        for (std::int64_t n = 1; n <= count; ++n) {
            const QString number = QString::number(n);
            const pgn::GameSpan& span = spans[std::size_t(n - 1)];
            store.write("MatchBegin" + number, QString::number(span.begin));
            store.write("MatchEnd" + number, QString::number(span.end));
        }
    });
    skipOnFailure([&] { store.write("NumOfGames", QString::number(count)); });
    skipOnFailure(
        [&] { store.write("FirstGame", QString::number(std::int64_t(selectedIndex) + 1)); });
}

void storeDisplaySettings(SettingsStore& store, const DisplaySettings& values) {
    const SettingsStore::Batch batch(store);
    store.write("TextColor", QString::number(values.textColor));
    store.write("Timer", values.timer);
    store.write("Timer2", values.timer2);
    store.write("MoveList", values.moveList ? "1" : "0");
    store.write("Random", values.random ? "1" : "0");
}

} // namespace pw2
