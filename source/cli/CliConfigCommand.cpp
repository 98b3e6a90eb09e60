// Reading and writing the preferences, the hidden ones included.
#include "cli/Cli.h"

#include "model/CountryTable.h"
#include "net/Downloader.h"
#include "platform/PreferenceKeys.h"
#include "platform/StringFormat.h"
#include "platform/UserDefaults.h"

#include <QCommandLineParser>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

// Preferences without a registered default that the companion still lists.
QStringList hiddenKeys()
{
    // Keys are kept in the secret service, never in this file.
    return {Downloader::storeRootURLKey, Preference::AppStoreConnectURL,
        Preference::AppStoreConnectIssuerID, Preference::AppStoreConnectKeyID,
        QStringLiteral("TranslatorClientID"), QStringLiteral("TranslatorTokenURL"),
        QStringLiteral("TranslatorTranslateURL"), QStringLiteral("LastAutomaticUpdate")};
}

QString displayValue(const QString &key, const QVariant &value)
{
    if (key == Preference::SelectedRegions) {
        QStringList selected;
        const QVariantMap regions = value.toMap();
        for (const QString &region : CountryTable::regionKeys()) {
            if (regions.value(region).toBool())
                selected << region;
        }
        return selected.join(QLatin1Char(','));
    }
    switch (value.metaType().id()) {
    case QMetaType::QVariantMap:
        return QString::fromUtf8(QJsonDocument(QJsonObject::fromVariantMap(value.toMap()))
                                     .toJson(QJsonDocument::Compact));
    case QMetaType::QVariantList:
    case QMetaType::QStringList:
        return value.toStringList().join(QLatin1Char(','));
    case QMetaType::QDateTime:
        return OutputTable::isoDate(value.toDateTime()).toString();
    default:
        return value.toString();
    }
}

// The value to store for `text`, typed like the key's default; nullopt
// with `problem` set when the text does not fit.
std::optional<QVariant> parsedValue(
    const QString &key, const QString &text, const QVariant &current, QString *problem)
{
    if (key == Preference::SelectedRegions) {
        const QStringList known = CountryTable::regionKeys();
        QVariantMap regions;
        for (const QString &region : known)
            regions.insert(region, false);
        for (const QString &part : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            const QString region = part.trimmed();
            if (!known.contains(region)) {
                *problem = QStringLiteral("Unknown region \"%1\"; regions are %2.")
                               .arg(region, known.join(QStringLiteral(", ")));
                return std::nullopt;
            }
            regions.insert(region, true);
        }
        return QVariant(regions);
    }
    switch (current.metaType().id()) {
    case QMetaType::Bool: {
        const QString word = text.trimmed().toLower();
        if (QStringList({"true", "yes", "1", "on"}).contains(word))
            return QVariant(true);
        if (QStringList({"false", "no", "0", "off"}).contains(word))
            return QVariant(false);
        *problem = QStringLiteral("%1 takes true or false.").arg(key);
        return std::nullopt;
    }
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong: {
        bool ok = false;
        const qint64 number = text.trimmed().toLongLong(&ok);
        if (!ok) {
            *problem = QStringLiteral("%1 takes a whole number.").arg(key);
            return std::nullopt;
        }
        return QVariant(number);
    }
    case QMetaType::Double: {
        bool ok = false;
        const double number = text.trimmed().toDouble(&ok);
        if (!ok) {
            *problem = QStringLiteral("%1 takes a number.").arg(key);
            return std::nullopt;
        }
        return QVariant(number);
    }
    case QMetaType::QVariantMap:
    case QMetaType::QVariantList:
        *problem = QStringLiteral("%1 cannot be set from the command line.").arg(key);
        return std::nullopt;
    default:
        return QVariant(text);
    }
}

} // namespace

int Cli::config(const QStringList &arguments)
{
    QCommandLineParser parser;
    if (!parse(parser, arguments, 0, 2))
        return Usage;
    const QStringList positional = parser.positionalArguments();
    UserDefaults &defaults = UserDefaults::standard();

    if (positional.size() < 2) {
        QStringList keys = defaults.registeredDefaults().keys() + hiddenKeys();
        keys.removeDuplicates();
        keys.sort(Qt::CaseInsensitive);
        if (positional.size() == 1)
            keys = positional;
        for (const QString &key : std::as_const(keys)) {
            const QString value = displayValue(key, defaults.objectForKey(key));
            if (positional.size() == 1)
                out(OutputTable::terminalSafe(value).toUtf8().append('\n'));
            else
                out(QStringLiteral("%1 = %2\n")
                        .arg(key, OutputTable::terminalSafe(value))
                        .toUtf8());
        }
        return Success;
    }

    const QString &key = positional.at(0);
    QString problem;
    // Typed like the registered default: the preference file keeps texts.
    const QVariant registered = defaults.registeredDefaults().value(key);
    const auto value = parsedValue(key, positional.at(1),
        registered.isValid() ? registered : defaults.objectForKey(key), &problem);
    if (!value)
        return usageError(problem);
    if (const int status = takeLock(); status != Success)
        return status;
    defaults.setObject(*value, key);
    if (!defaults.synchronize()) {
        err(QStringLiteral("Could not write the preferences to %1.").arg(defaults.fileName()));
        return Failure;
    }
    return Success;
}
