#include "platform/Localization.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace Localization {

QString install(QCoreApplication &application, const QLocale &locale)
{
    auto *own = new QTranslator(&application);
    if (!own->load(locale, QStringLiteral("reviewkeeper"), QStringLiteral("_"),
                   QStringLiteral(":/translations"))) {
        delete own;
        return {};
    }
    QCoreApplication::installTranslator(own);

    auto *qt = new QTranslator(&application);
    if (qt->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(qt);
    else
        delete qt;
    return QLocale::languageToCode(locale.language());
}

} // namespace Localization
