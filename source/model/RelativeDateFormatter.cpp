#include "model/RelativeDateFormatter.h"

#include "platform/Log.h"

#include <QHash>

#include <unicode/udat.h>

#include <iterator>
#include <memory>

namespace RelativeDateFormatter {
namespace {

UDateFormat *formatFor(const QLocale &locale)
{
    static QHash<QString, std::shared_ptr<UDateFormat>> formats;
    const QString name = locale.name();
    if (auto found = formats.constFind(name); found != formats.constEnd())
        return found->get();
    UErrorCode status = U_ZERO_ERROR;
    const QByteArray id = name.toLatin1();
    // No time, the long date style, relative day names; the default zone.
    UDateFormat *format =
        udat_open(UDAT_NONE, UDAT_LONG_RELATIVE, id.constData(), nullptr, -1, nullptr, -1, &status);
    if (U_FAILURE(status)) {
        logLine(QStringLiteral("Cannot create a date formatter for %1: %2")
                    .arg(name, QString::fromLatin1(u_errorName(status))));
        format = nullptr;
    }
    formats.insert(name, std::shared_ptr<UDateFormat>(format, [](UDateFormat *f) {
        if (f)
            udat_close(f);
    }));
    return format;
}

} // namespace

QString longRelativeDate(const QDateTime &date, const QLocale &locale)
{
    if (!date.isValid())
        return QString();
    UDateFormat *format = formatFor(locale);
    if (!format)
        return locale.toString(date.toLocalTime().date(), QLocale::LongFormat);
    UChar buffer[256];
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length = udat_format(format, UDate(date.toMSecsSinceEpoch()), buffer,
        int32_t(std::size(buffer)), nullptr, &status);
    if (U_FAILURE(status))
        return locale.toString(date.toLocalTime().date(), QLocale::LongFormat);
    return QString(reinterpret_cast<const QChar *>(buffer), length);
}

} // namespace RelativeDateFormatter
