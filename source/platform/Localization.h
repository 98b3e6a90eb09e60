#pragma once

#include <QLocale>
#include <QString>

class QCoreApplication;

// Installs the application's translation for the user's language (and Qt's
// own, for standard buttons), chosen from the locale. English, the source
// language, needs none.
namespace Localization {

// Returns the language whose translation was installed, or an empty text.
QString install(QCoreApplication &application, const QLocale &locale = QLocale());

} // namespace Localization
