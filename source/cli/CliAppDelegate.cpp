#include "cli/CliAppDelegate.h"

CliAppDelegate::CliAppDelegate(LinePrinter printer, QObject *parent)
    : AppDelegate(parent), printer_(std::move(printer))
{
}

void CliAppDelegate::notifyWithTitle(const QString &title, const QString &description,
    const QString &informativeText, const QVariantMap &)
{
    QString line = title;
    for (const QString &part : {description, informativeText}) {
        if (!part.isEmpty())
            line += QStringLiteral(": ") + part;
    }
    printer_(line);
}
