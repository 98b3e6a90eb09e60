#include "platform/UserDefaults.h"

#include "platform/AppPaths.h"
#include "platform/Log.h"
#include "platform/PropertyList.h"

#include <atomic>

namespace {

std::atomic<UserDefaults *> installedDefaults{nullptr};

// Scalars are stored as text so that the file stays readable and keeps no
// binary @Variant blobs.
QString scalarText(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    case QMetaType::QDateTime:
        return value.toDateTime().toUTC().toString(Qt::ISODateWithMs);
    case QMetaType::QDate:
        return value.toDate().toString(Qt::ISODate);
    case QMetaType::Double:
    case QMetaType::Float:
        return QString::number(value.toDouble(), 'g', 17);
    default:
        return value.toString();
    }
}

void writeValue(QSettings &settings, const QString &key, const QVariant &value)
{
    settings.remove(key);
    switch (value.typeId()) {
    case QMetaType::QVariantMap: {
        settings.beginGroup(key);
        const QVariantMap map = value.toMap();
        for (auto it = map.cbegin(); it != map.cend(); ++it)
            writeValue(settings, it.key(), it.value());
        settings.endGroup();
        break;
    }
    case QMetaType::QVariantList:
    case QMetaType::QStringList: {
        QStringList texts;
        for (const QVariant &item : value.toList())
            texts.append(scalarText(item));
        settings.setValue(key, texts);
        break;
    }
    default:
        settings.setValue(key, scalarText(value));
        break;
    }
}

QVariant readGroup(QSettings &settings)
{
    QVariantMap map;
    for (const QString &child : settings.childKeys())
        map.insert(child, settings.value(child));
    for (const QString &group : settings.childGroups()) {
        settings.beginGroup(group);
        map.insert(group, readGroup(settings));
        settings.endGroup();
    }
    return map;
}

bool textToBool(const QVariant &value)
{
    if (value.typeId() == QMetaType::QString) {
        const QString text = value.toString().trimmed().toLower();
        if (text == u"yes" || text == u"true")
            return true;
        bool ok = false;
        const double number = text.toDouble(&ok);
        return ok && number != 0.0;
    }
    return value.toBool();
}

} // namespace

UserDefaults::UserDefaults(const QString &iniPath, QObject *parent)
    : QObject(parent), settings_(std::make_unique<QSettings>(iniPath, QSettings::IniFormat))
{
}

UserDefaults::~UserDefaults()
{
    settings_->sync();
}

UserDefaults &UserDefaults::standard()
{
    if (UserDefaults *defaults = installedDefaults.load())
        return *defaults;
    static UserDefaults defaults(AppPaths::preferencesFile());
    return defaults;
}

void UserDefaults::setStandard(UserDefaults *defaults)
{
    installedDefaults.store(defaults);
}

void UserDefaults::registerDefaults(const QVariantMap &defaults)
{
    std::lock_guard lock(mutex_);
    for (auto it = defaults.cbegin(); it != defaults.cend(); ++it)
        registered_.insert(it.key(), it.value());
}

bool UserDefaults::registerDefaultsFromFile(const QString &path)
{
    QString message;
    const QVariant plist = PropertyList::read(path, &message);
    if (plist.typeId() != QMetaType::QVariantMap) {
        logLine(message.isEmpty() ? QStringLiteral("Registered defaults are not a dictionary: %1")
                                        .arg(path)
                                  : message);
        return false;
    }
    registerDefaults(plist.toMap());
    return true;
}

QVariantMap UserDefaults::registeredDefaults() const
{
    std::lock_guard lock(mutex_);
    return registered_;
}

QVariant UserDefaults::storedValue(const QString &key) const
{
    std::lock_guard lock(mutex_);
    if (settings_->contains(key))
        return settings_->value(key);
    if (settings_->childGroups().contains(key)) {
        settings_->beginGroup(key);
        QVariant map = readGroup(*settings_);
        settings_->endGroup();
        return map;
    }
    return {};
}

QVariant UserDefaults::objectForKey(const QString &key) const
{
    const QVariant stored = storedValue(key);
    if (stored.isValid())
        return stored;
    std::lock_guard lock(mutex_);
    return registered_.value(key);
}

bool UserDefaults::boolForKey(const QString &key) const
{
    return textToBool(objectForKey(key));
}

qint64 UserDefaults::integerForKey(const QString &key) const
{
    const QVariant value = objectForKey(key);
    if (value.typeId() == QMetaType::QString) {
        const QString text = value.toString().trimmed();
        bool ok = false;
        const qint64 whole = text.toLongLong(&ok);
        if (ok)
            return whole;
        const double real = text.toDouble(&ok);
        if (ok)
            return qint64(real);
        return textToBool(value) ? 1 : 0;
    }
    if (value.typeId() == QMetaType::Double)
        return qint64(value.toDouble());
    return value.toLongLong();
}

double UserDefaults::doubleForKey(const QString &key) const
{
    return objectForKey(key).toDouble();
}

QString UserDefaults::stringForKey(const QString &key) const
{
    const QVariant value = objectForKey(key);
    if (value.typeId() == QMetaType::QVariantMap || value.typeId() == QMetaType::QVariantList
        || value.typeId() == QMetaType::QStringList)
        return {};
    return value.isValid() ? scalarText(value) : QString();
}

QVariantList UserDefaults::arrayForKey(const QString &key) const
{
    const QVariant value = objectForKey(key);
    switch (value.typeId()) {
    case QMetaType::QVariantList:
    case QMetaType::QStringList:
        return value.toList();
    case QMetaType::QString:
        // QSettings reads a one-element list back as a plain text.
        return QVariantList{value};
    default:
        return {};
    }
}

QStringList UserDefaults::stringArrayForKey(const QString &key) const
{
    QStringList texts;
    for (const QVariant &item : arrayForKey(key))
        texts.append(item.toString());
    return texts;
}

QVariantMap UserDefaults::dictionaryForKey(const QString &key) const
{
    const QVariant value = objectForKey(key);
    return value.typeId() == QMetaType::QVariantMap ? value.toMap() : QVariantMap();
}

QDateTime UserDefaults::dateForKey(const QString &key) const
{
    const QVariant value = objectForKey(key);
    if (value.typeId() == QMetaType::QDateTime)
        return value.toDateTime();
    if (value.typeId() == QMetaType::QString) {
        const QDateTime date = QDateTime::fromString(value.toString(), Qt::ISODateWithMs);
        return date.isValid() ? date.toUTC() : QDateTime();
    }
    return {};
}

bool UserDefaults::hasStoredValue(const QString &key) const
{
    std::lock_guard lock(mutex_);
    return settings_->contains(key) || settings_->childGroups().contains(key);
}

void UserDefaults::setObject(const QVariant &value, const QString &key)
{
    if (!value.isValid()) {
        removeObjectForKey(key);
        return;
    }
    {
        std::lock_guard lock(mutex_);
        writeValue(*settings_, key, value);
    }
    Q_EMIT valueChanged(key);
}

void UserDefaults::removeObjectForKey(const QString &key)
{
    {
        std::lock_guard lock(mutex_);
        settings_->remove(key);
    }
    Q_EMIT valueChanged(key);
}

bool UserDefaults::synchronize()
{
    std::lock_guard lock(mutex_);
    settings_->sync();
    if (settings_->status() != QSettings::NoError) {
        logLine(QStringLiteral("Cannot write preferences to %1").arg(settings_->fileName()));
        return false;
    }
    return true;
}

QString UserDefaults::fileName() const
{
    std::lock_guard lock(mutex_);
    return settings_->fileName();
}
