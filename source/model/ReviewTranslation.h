#pragma once

#include "platform/Error.h"

#include <QString>
#include <QStringList>

#include <functional>

// The door through which reviews reach a translation service: the
// application installs its client at start-up; tests install their own.
// A review's title and text go together, so that a service taking a list
// answers both with one request. The completion runs once, on the main
// thread, with one translation per text in order, or an error.
namespace ReviewTranslation {

using Completion = std::function<void(const QStringList &translations, const Error &error)>;
using TranslateFunction = std::function<void(
    const QString &from, const QString &to, const QStringList &texts, Completion completion)>;

void setTranslateFunction(TranslateFunction function);
// Without an installed function, translations fail with a "not set up"
// error.
void translate(
    const QString &from, const QString &to, const QStringList &texts, Completion completion);

} // namespace ReviewTranslation
