// The per-user settings store: named text values under application Pawnwatch2, section Config.
#pragma once

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

    // Key names are matched without regard to case.
    QString read(const QString& key, const QString& defaultValue) const;
    // Creates or replaces the value and writes it through to the file at once.
    void write(const QString& key, const QString& value);
    // Removes the value; false when there was none (callers ignore that failure).
    bool remove(const QString& key);

    // Removes MatchBegin<n> and MatchEnd<n> for every n from first to last, in time bounded by
    // the number of keys stored, however large the range.
    void removeMatchKeys(std::int64_t first, std::int64_t last);

    // Number readers: the stored text (or the default text) through the lenient number parse.
    double readNumber(const QString& key, const QString& defaultValue) const;
    // A position or count, exact in 64 bits.
    std::int64_t readInteger(const QString& key, const QString& defaultValue) const;

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
