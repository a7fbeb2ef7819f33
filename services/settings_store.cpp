#include "services/settings_store.h"

#include "services/settings_parse.h"

#include <QFileInfo>
#include <QSettings>

namespace pw2 {
namespace {

constexpr const char* kApplication = "Pawnwatch2";
constexpr const char* kSection = "Config";

QLatin1String latin1(std::string_view text) {
    return QLatin1String(text.data(), qsizetype(text.size()));
}

QString numberedKey(const NumberedSetting& setting, std::int64_t n) {
    return latin1(setting.prefix) + QString::number(n);
}

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
    for (const std::string_view known : setting::kKeys)
        if (key.compare(latin1(known), Qt::CaseInsensitive) == 0)
            return latin1(known);
    for (const std::string_view prefix : setting::kNumberedPrefixes) {
        const QLatin1String p = latin1(prefix);
        if (key.size() > p.size() && key.startsWith(p, Qt::CaseInsensitive))
            return p + key.mid(p.size());
    }
    return key;
}

void SettingsStore::reloadIfChanged() const {
    if (batchDepth_ > 0)
        return;
    const QFileInfo file(settings_->fileName());
    const QDateTime stamp = file.lastModified();
    const qint64 size = file.size();
    if (stamp == syncedStamp_ && size == syncedSize_)
        return;
    syncNow(); // takes in what another process wrote
}

void SettingsStore::syncNow() const {
    settings_->sync();
    const QFileInfo file(settings_->fileName());
    syncedStamp_ = file.lastModified();
    syncedSize_ = file.size();
}

QString SettingsStore::read(const QString& key, const QString& defaultValue) const {
    reloadIfChanged();
    const QVariant value = settings_->value(QLatin1String(kSection) + '/' + storedKey(key));
    if (value.isValid())
        return value.toString();
    const QString other = findOtherCase(key);
    const QVariant otherValue =
        other.isEmpty() ? QVariant() : settings_->value(QLatin1String(kSection) + '/' + other);
    return otherValue.isValid() ? otherValue.toString() : defaultValue;
}

QString SettingsStore::findOtherCase(const QString& key) const {
    const QFileInfo file(settings_->fileName());
    const QDateTime stamp = file.lastModified();
    const qint64 size = file.size();
    if (stamp != indexedStamp_ || size != indexedSize_) {
        lowerCaseKeys_.clear();
        settings_->beginGroup(QLatin1String(kSection));
        const QStringList keys = settings_->childKeys();
        settings_->endGroup();
        for (const QString& k : keys)
            lowerCaseKeys_.insert(k.toLower(), k);
        indexedStamp_ = stamp;
        indexedSize_ = size;
    }
    return lowerCaseKeys_.value(key.toLower());
}

void SettingsStore::write(const QString& key, const QString& value) {
    const QString name = storedKey(key);
    settings_->setValue(QLatin1String(kSection) + '/' + name, value);
    if (!lowerCaseKeys_.isEmpty())
        lowerCaseKeys_.insert(name.toLower(), name);
    flush();
}

bool SettingsStore::remove(const QString& key) {
    const QString name = QLatin1String(kSection) + '/' + storedKey(key);
    if (!settings_->contains(name))
        return false;
    settings_->remove(name);
    lowerCaseKeys_.remove(storedKey(key).toLower());
    flush();
    return true;
}

void SettingsStore::removeMatchKeys(std::int64_t first, std::int64_t last) {
    if (last < first)
        return;
    settings_->beginGroup(QLatin1String(kSection));
    const QStringList keys = settings_->childKeys();
    settings_->endGroup();
    const Batch batch(*this);
    if (last - first < keys.size()) {
        for (std::int64_t n = first; n <= last; ++n) {
            remove(numberedKey(setting::MatchBegin, n));
            remove(numberedKey(setting::MatchEnd, n));
        }
        return;
    }
    for (const QString& k : keys) {
        for (const std::string_view prefix : setting::kNumberedPrefixes) {
            const QLatin1String p = latin1(prefix);
            if (!k.startsWith(p, Qt::CaseInsensitive))
                continue;
            bool isNumber = false;
            const qint64 n = k.mid(p.size()).toLongLong(&isNumber);
            if (isNumber && n >= first && n <= last)
                settings_->remove(QLatin1String(kSection) + '/' + k);
        }
    }
}

double SettingsStore::readNumber(const QString& key, const QString& defaultValue) const {
    return lenientNumber(read(key, defaultValue).toStdString());
}

std::int64_t SettingsStore::readInteger(const QString& key, const QString& defaultValue) const {
    return roundToInt64(readNumber(key, defaultValue));
}

QString SettingsStore::text(const TextSetting& setting, const QString& fallback) const {
    return read(latin1(setting.key), fallback);
}

void SettingsStore::set(const TextSetting& setting, const QString& value) {
    write(latin1(setting.key), value);
}

double SettingsStore::number(const NumberSetting& setting) const {
    return readNumber(latin1(setting.key), latin1(setting.defaultText));
}

QString SettingsStore::text(const NumberSetting& setting) const {
    return read(latin1(setting.key), latin1(setting.defaultText));
}

void SettingsStore::set(const NumberSetting& setting, const QString& text) {
    write(latin1(setting.key), text);
}

std::int64_t SettingsStore::count(const CountSetting& setting) const {
    return readInteger(latin1(setting.key), latin1(setting.defaultText));
}

void SettingsStore::set(const CountSetting& setting, std::int64_t value) {
    write(latin1(setting.key), QString::number(value));
}

std::int64_t SettingsStore::count(const NumberedSetting& setting, std::int64_t n) const {
    return readInteger(numberedKey(setting, n), latin1(setting.defaultText));
}

void SettingsStore::set(const NumberedSetting& setting, std::int64_t n, std::int64_t value) {
    write(numberedKey(setting, n), QString::number(value));
}

QString SettingsStore::fileName() const {
    return settings_->fileName();
}

void SettingsStore::flush() {
    if (batchDepth_ == 0)
        syncNow();
}

SettingsStore::Batch::Batch(SettingsStore& store) : store_(store) {
    ++store_.batchDepth_;
}

SettingsStore::Batch::~Batch() {
    if (--store_.batchDepth_ == 0)
        store_.syncNow();
}

SettingsStore& settings() {
    auto& slot = storeSlot();
    if (!slot)
        slot = std::make_unique<SettingsStore>();
    return *slot;
}

void setSettingsStore(std::unique_ptr<SettingsStore> store) {
    storeSlot() = std::move(store);
}

} // namespace pw2
