// The per-user settings store: named text values under application Pawnwatch2, section Config.
#pragma once

#include "services/settings_schema.h"

#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>

class QSettings;

namespace pw2 {

class SettingsStore {
public:
    // The user's own store (an INI file in the user's configuration folder).
    SettingsStore();
    // A store kept in the given INI file (tests).
    explicit SettingsStore(const QString& iniPath);
    ~SettingsStore();
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    // The typed accessors through which the program reads and writes its settings (declared in
    // settings_schema.h). Each write goes through to the file at once, unless a Batch holds it.
    QString text(const TextSetting& setting, const QString& fallback) const;
    void set(const TextSetting& setting, const QString& value);
    double number(const NumberSetting& setting) const;
    // The stored text of a number as the user wrote it, or its default text.
    QString text(const NumberSetting& setting) const;
    void set(const NumberSetting& setting, const QString& text);
    std::int64_t count(const CountSetting& setting) const;
    void set(const CountSetting& setting, std::int64_t value);
    std::int64_t count(const NumberedSetting& setting, std::int64_t n) const;
    void set(const NumberedSetting& setting, std::int64_t n, std::int64_t value);

    // Removes MatchBegin<n> and MatchEnd<n> for every n from first to last, in time bounded by
    // the number of keys stored, however large the range.
    void removeMatchKeys(std::int64_t first, std::int64_t last);

    // Untyped access by key name, matched without regard to case (tests write settings files as
    // a user might).
    QString read(const QString& key, const QString& defaultValue) const;
    // Creates or replaces the value and writes it through to the file at once.
    void write(const QString& key, const QString& value);
    // Removes the value; false when there was none (callers ignore that failure).
    bool remove(const QString& key);

    QString fileName() const;

    // While a Batch lives, writes and removals are kept in memory and written to the file once
    // when the last Batch ends (replacing a table of many thousand keys).
    class Batch {
    public:
        explicit Batch(SettingsStore& store);
        ~Batch();
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;

    private:
        SettingsStore& store_;
    };

private:
    // The stored text (or the default text) through the lenient number parse; and that number
    // rounded to a whole number, exact in 64 bits.
    double readNumber(const QString& key, const QString& defaultValue) const;
    std::int64_t readInteger(const QString& key, const QString& defaultValue) const;
    QString storedKey(const QString& key) const;
    // The stored spelling of a key written in another case, or an empty text.
    QString findOtherCase(const QString& key) const;
    void flush();
    // Reloads the file when another process has changed it since it was last read or written.
    void reloadIfChanged() const;
    // Writes pending changes (and takes in others') and notes the file's state.
    void syncNow() const;

    std::unique_ptr<QSettings> settings_;
    int batchDepth_ = 0;
    // Stored key names by their lower-case form, for keys written by hand in another case;
    // rebuilt when the file on disk has changed.
    mutable QHash<QString, QString> lowerCaseKeys_;
    mutable QDateTime indexedStamp_;
    mutable qint64 indexedSize_ = -1;
    mutable QDateTime syncedStamp_;
    mutable qint64 syncedSize_ = -1;
};

// The program's one settings store.
SettingsStore& settings();
// Replaces the program's store (tests point it at a temporary file); nullptr restores the default.
void setSettingsStore(std::unique_ptr<SettingsStore> store);

} // namespace pw2
