#include "settings_store.h"

#include "settings_parse.h"

#include <QSettings>

#include <array>

namespace pw2 {
namespace {

constexpr const char* kApplication = "Pawnwatch2";
constexpr const char* kSection = "Config";

// The spelling each known key is kept under, whatever case a caller writes it in.
constexpr std::array<const char*, 9> kKnownKeys = {
    "PGNFile", "NumOfGames", "FirstGame", "TextColor", "Timer2",
    "Timer",   "MoveList",   "Random",    "AppPath"};
constexpr std::array<const char*, 2> kNumberedKeys = {"MatchBegin", "MatchEnd"};

std::unique_ptr<SettingsStore>& storeSlot() {
    static std::unique_ptr<SettingsStore> store;
    return store;
}

} // namespace

SettingsStore::SettingsStore()
    : settings_(std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                            kApplication, kApplication)) {}

SettingsStore::SettingsStore(const QString& iniPath)
    : settings_(std::make_unique<QSettings>(iniPath, QSettings::IniFormat)) {}

SettingsStore::~SettingsStore() = default;

QString SettingsStore::storedKey(const QString& key) const {
    for (const char* known : kKnownKeys)
        if (key.compare(QLatin1String(known), Qt::CaseInsensitive) == 0)
            return QLatin1String(known);
    for (const char* prefix : kNumberedKeys) {
        const QLatin1String p(prefix);
        if (key.size() > p.size() && key.startsWith(p, Qt::CaseInsensitive))
            return p + key.mid(p.size());
    }
    return key;
}

QString SettingsStore::read(const QString& key, const QString& defaultValue) const {
    const QString name = QLatin1String(kSection) + '/' + storedKey(key);
    const QVariant value = settings_->value(name);
    if (value.isValid())
        return value.toString();
    // A key written by hand in another case.
    settings_->beginGroup(QLatin1String(kSection));
    const QStringList keys = settings_->childKeys();
    QString found;
    for (const QString& k : keys)
        if (k.compare(key, Qt::CaseInsensitive) == 0) {
            found = settings_->value(k).toString();
            settings_->endGroup();
            return found;
        }
    settings_->endGroup();
    return defaultValue;
}

void SettingsStore::write(const QString& key, const QString& value) {
    settings_->setValue(QLatin1String(kSection) + '/' + storedKey(key), value);
    flush();
}

bool SettingsStore::remove(const QString& key) {
    const QString name = QLatin1String(kSection) + '/' + storedKey(key);
    if (!settings_->contains(name))
        return false;
    settings_->remove(name);
    flush();
    return true;
}

double SettingsStore::readNumber(const QString& key, const QString& defaultValue) const {
    return lenientNumber(read(key, defaultValue).toStdString());
}

std::int64_t SettingsStore::readInteger(const QString& key, const QString& defaultValue) const {
    return roundToInt64(readNumber(key, defaultValue));
}

QString SettingsStore::fileName() const { return settings_->fileName(); }

void SettingsStore::flush() {
    if (batchDepth_ == 0)
        settings_->sync();
}

SettingsStore::Batch::Batch(SettingsStore& store) : store_(store) { ++store_.batchDepth_; }

SettingsStore::Batch::~Batch() {
    if (--store_.batchDepth_ == 0)
        store_.settings_->sync();
}

SettingsStore& settings() {
    auto& slot = storeSlot();
    if (!slot)
        slot = std::make_unique<SettingsStore>();
    return *slot;
}

void setSettingsStore(std::unique_ptr<SettingsStore> store) { storeSlot() = std::move(store); }

} // namespace pw2
