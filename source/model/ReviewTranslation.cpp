#include "model/ReviewTranslation.h"

#include "platform/Dispatch.h"
#include "platform/StringFormat.h"

namespace ReviewTranslation {
namespace {
TranslateFunction &installed()
{
    static TranslateFunction function;
    return function;
}
} // namespace

void setTranslateFunction(TranslateFunction function)
{
    installed() = std::move(function);
}

void translate(
    const QString &from, const QString &to, const QStringList &texts, Completion completion)
{
    if (installed()) {
        installed()(from, to, texts, std::move(completion));
        return;
    }
    const Error error(QStringLiteral("ReviewTranslation"), 1,
        {{Error::LocalizedDescriptionKey,
            localized("ReviewTranslation", "Translation is not available.")}});
    dispatchMain([completion = std::move(completion), error] {
        if (completion)
            completion({}, error);
    });
}

} // namespace ReviewTranslation
