#include "services/match_table.h"

#include "services/settings_store.h"
#include "services/text_codec.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
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

std::string matchTablePath(const SettingsStore& store) {
    const QFileInfo ini(store.fileName());
    return QFile::encodeName(ini.dir().filePath(ini.completeBaseName() + ".matches")).toStdString();
}

std::optional<StoredMatch> StoredMatch::read(const SettingsStore& store, const QString& textFile) {
    const QString stored = store.text(setting::PgnFile, QString());
    if (stored.isEmpty())
        return std::nullopt;
    std::optional<MatchTableReader> table = MatchTableReader::open(matchTablePath(store));
    if (!table || !table->identity() || QFile::encodeName(stored).toStdString() != table->pgnFile())
        return std::nullopt;
    const QString text = textFile.isEmpty() ? trimSpaces(stored) : textFile;
    if (readPgnFileIdentity(QFile::encodeName(text).toStdString()) != table->identity())
        return std::nullopt;
    return StoredMatch(std::move(*table));
}

QString StoredMatch::pgnFile() const {
    return QFile::decodeName(QByteArray::fromStdString(table_.pgnFile()));
}

pgn::GameSpan StoredMatch::range(std::int64_t n) const {
    return table_.range(n).value_or(pgn::GameSpan{-1, -1});
}

namespace {

// The table in the settings file's numbered keys, as earlier versions stored it.
void storeInSettingsFile(SettingsStore& store, const std::vector<pgn::GameSpan>& spans,
                         std::int64_t count) {
    for (std::int64_t n = 1; n <= count; ++n) {
        const pgn::GameSpan& span = spans[std::size_t(n - 1)];
        store.set(setting::MatchBegin, n, span.begin);
        store.set(setting::MatchEnd, n, span.end);
    }
}

} // namespace

void storeMatchTable(SettingsStore& store, const QString& pgnFile,
                     const std::vector<pgn::GameSpan>& spans, std::int64_t count,
                     const QString& textFile) {
    const SettingsStore::Batch batch(store);
    count = std::clamp<std::int64_t>(count, 0, std::int64_t(spans.size()));
    const std::int64_t oldCount = store.count(setting::NumOfGames);
    const QString text = textFile.isEmpty() ? trimSpaces(pgnFile) : textFile;
    const PgnFileIdentity identity =
        readPgnFileIdentity(QFile::encodeName(text).toStdString()).value_or(PgnFileIdentity{});
    const bool inTableFile = writeMatchTable(
        matchTablePath(store), QFile::encodeName(pgnFile).toStdString(), identity, spans, count);
    store.set(setting::PgnFile, pgnFile);
    // Numbered keys left from an earlier table go: all of them once the table file holds the
    // table, those beyond the new table otherwise.
    if (inTableFile)
        store.removeMatchKeys(1, INT64_MAX);
    else
        store.removeMatchKeys(count + 1, oldCount);
    if (!inTableFile)
        storeInSettingsFile(store, spans, count);
    store.set(setting::NumOfGames, count);
}

void replaceMatchTable(SettingsStore& store, const QString& currentFile,
                       const std::vector<pgn::GameSpan>& spans, std::int32_t entryCount,
                       std::int32_t selectedIndex, const QString& textFile) {
    const SettingsStore::Batch batch(store);
    const std::int64_t count =
        std::min<std::int64_t>(std::max<std::int32_t>(entryCount, 0), std::int64_t(spans.size()));
    skipOnFailure([&] { storeMatchTable(store, currentFile, spans, count, textFile); });
    skipOnFailure(
        [&] { store.set(setting::FirstGame, QString::number(std::int64_t(selectedIndex) + 1)); });
    // The saver starts from the first game again, and random order from a new shuffle.
    skipOnFailure([&] {
        store.set(setting::LastGame, 0);
        store.set(setting::ShuffleKey, 0);
        store.set(setting::ShuffleStep, 0);
    });
}

void storeDisplaySettings(SettingsStore& store, const DisplaySettings& values) {
    const SettingsStore::Batch batch(store);
    store.set(setting::TextColor, QString::number(values.textColor));
    store.set(setting::Timer, values.timer);
    store.set(setting::Timer2, values.timer2);
    store.set(setting::MoveList, values.moveList ? QStringLiteral("1") : QStringLiteral("0"));
    store.set(setting::Random, values.random ? QStringLiteral("1") : QStringLiteral("0"));
    store.set(setting::FillScreen, values.fillScreen ? QStringLiteral("1") : QStringLiteral("0"));
    for (const auto& [setting, on] : values.switches)
        store.set(setting, on ? QStringLiteral("1") : QStringLiteral("0"));
}

} // namespace pw2
