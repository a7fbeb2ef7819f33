#include "services/match_table.h"

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

void storeMatchRanges(SettingsStore& store, const std::vector<pgn::GameSpan>& spans,
                      std::int64_t count) {
    const SettingsStore::Batch batch(store);
    count = std::clamp<std::int64_t>(count, 0, std::int64_t(spans.size()));
    for (std::int64_t n = 1; n <= count; ++n) {
        const pgn::GameSpan& span = spans[std::size_t(n - 1)];
        store.set(setting::MatchBegin, n, span.begin);
        store.set(setting::MatchEnd, n, span.end);
    }
    store.set(setting::NumOfGames, count);
}

void replaceMatchTable(SettingsStore& store, const QString& currentFile,
                       const std::vector<pgn::GameSpan>& spans, std::int32_t entryCount,
                       std::int32_t selectedIndex) {
    const SettingsStore::Batch batch(store);
    skipOnFailure([&] { store.set(setting::PgnFile, currentFile); });

    std::int64_t oldCount = 0;
    skipOnFailure([&] { oldCount = store.count(setting::NumOfGames); });
    const std::int64_t count =
        std::min<std::int64_t>(std::max<std::int32_t>(entryCount, 0), std::int64_t(spans.size()));
    // The old keys go; those that the new table writes again are simply replaced, which leaves
    // the same table and saves deleting and recreating up to every key.
    skipOnFailure([&] { store.removeMatchKeys(count + 1, oldCount); });
    skipOnFailure([&] { storeMatchRanges(store, spans, count); });
    skipOnFailure(
        [&] { store.set(setting::FirstGame, QString::number(std::int64_t(selectedIndex) + 1)); });
}

void storeDisplaySettings(SettingsStore& store, const DisplaySettings& values) {
    const SettingsStore::Batch batch(store);
    store.set(setting::TextColor, QString::number(values.textColor));
    store.set(setting::Timer, values.timer);
    store.set(setting::Timer2, values.timer2);
    store.set(setting::MoveList, values.moveList ? QStringLiteral("1") : QStringLiteral("0"));
    store.set(setting::Random, values.random ? QStringLiteral("1") : QStringLiteral("0"));
    store.set(setting::FillScreen, values.fillScreen ? QStringLiteral("1") : QStringLiteral("0"));
}

} // namespace pw2
