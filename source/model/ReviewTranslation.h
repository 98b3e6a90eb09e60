#pragma once

#include "Error.h"

#include <QString>

#include <functional>

// The door through which reviews reach a translation service: the
// application installs its client at start-up; tests install their own.
// The completion runs on the main thread with the translated text, or an
// error.
namespace ReviewTranslation {

using Completion = std::function<void(const QString &text, const Error &error)>;
using TranslateFunction = std::function<void(
    const QString &from, const QString &to, const QString &text, Completion completion)>;

void setTranslateFunction(TranslateFunction function);
// Without an installed function, translations fail with a "not set up"
// error.
void translate(const QString &from, const QString &to, const QString &text, Completion completion);

} // namespace ReviewTranslation
