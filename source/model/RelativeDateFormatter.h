#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

// Long dates in the user's language that read "today" and "yesterday" for
// recent days, through ICU. One formatter per locale is kept for the
// process; main thread only.
namespace RelativeDateFormatter {

QString longRelativeDate(const QDateTime &date, const QLocale &locale = QLocale());

} // namespace RelativeDateFormatter
