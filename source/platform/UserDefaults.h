#pragma once

#include <QDateTime>
#include <QObject>
#include <QSettings>
#include <QVariant>

#include <memory>
#include <mutex>

// The user's preferences, in an INI file that stays readable: dictionaries
// are subgroups, lists are lists of texts, dates are ISO 8601 texts. Values
// read back as text, so read them with the typed getters. A key that was never
// set falls back to its registered default, and without one reads as NO, 0 or
// nothing. Safe to use from any thread.
class UserDefaults : public QObject
{
    Q_OBJECT

public:
    explicit UserDefaults(const QString &iniPath, QObject *parent = nullptr);
    ~UserDefaults() override;

    // The application's preferences at AppPaths::preferencesFile(), unless a
    // test installed others (the caller keeps ownership).
    static UserDefaults &standard();
    static void setStandard(UserDefaults *defaults);

    // Registered defaults are kept in memory only and never written.
    void registerDefaults(const QVariantMap &defaults);
    // Registers the dictionary of a property-list file; false (and a log
    // line) when it is missing or not a dictionary.
    bool registerDefaultsFromFile(const QString &path);
    QVariantMap registeredDefaults() const;

    QVariant objectForKey(const QString &key) const;
    bool boolForKey(const QString &key) const;
    qint64 integerForKey(const QString &key) const;
    double doubleForKey(const QString &key) const;
    QString stringForKey(const QString &key) const;
    QVariantList arrayForKey(const QString &key) const;
    QStringList stringArrayForKey(const QString &key) const;
    QVariantMap dictionaryForKey(const QString &key) const;
    QDateTime dateForKey(const QString &key) const;

    // True when the user's file holds the key (registered defaults aside).
    bool hasStoredValue(const QString &key) const;

    void setObject(const QVariant &value, const QString &key);
    void setBool(bool value, const QString &key) { setObject(value, key); }
    void setInteger(qint64 value, const QString &key) { setObject(value, key); }
    void setDouble(double value, const QString &key) { setObject(value, key); }
    void setString(const QString &value, const QString &key) { setObject(value, key); }
    void removeObjectForKey(const QString &key);

    // Writes pending changes to disk now and reads changes made by another
    // process. False when the file cannot be written.
    bool synchronize();

    QString fileName() const;

Q_SIGNALS:
    // Emitted on the thread that made the change.
    void valueChanged(const QString &key);

private:
    QVariant storedValue(const QString &key) const;

    mutable std::recursive_mutex mutex_;
    std::unique_ptr<QSettings> settings_;
    QVariantMap registered_;
};
