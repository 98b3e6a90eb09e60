#pragma once

#include <QString>
#include <QVariant>
#include <QVariantList>

// Fills a format in the application's own notation: "%@" for any value,
// "%d", "%i", "%ld", "%lu", "%u", "%lld" for whole numbers, "%f" and "%.2f"
// for reals, "%%" for a percent sign, and positional forms such as "%1$@".
// The texts keep this notation in their translations too, so the same format
// string serves every language. A missing argument formats as nothing.
QString formatString(const QString &format, const QVariantList &arguments);

template<typename... Args>
QString formatString(const QString &format, const Args &...arguments)
{
    return formatString(format, QVariantList{QVariant::fromValue(arguments)...});
}

// A localized text of the application: the English source is the key and the
// translation (if any) comes from the installed translator of `context`.
QString localized(const char *context, const char *sourceText, int count = -1);
