#include "platform/store/StoreFunctions.h"

#include <sqlite3.h>

namespace StoreText {

QString fold(const QString &text)
{
    return text.toCaseFolded();
}

bool contains(const QString &text, const QString &part, bool caseInsensitive)
{
    return caseInsensitive ? fold(text).contains(fold(part)) : text.contains(part);
}

bool beginsWith(const QString &text, const QString &prefix, bool caseInsensitive)
{
    return caseInsensitive ? fold(text).startsWith(fold(prefix)) : text.startsWith(prefix);
}

bool endsWith(const QString &text, const QString &suffix, bool caseInsensitive)
{
    return caseInsensitive ? fold(text).endsWith(fold(suffix)) : text.endsWith(suffix);
}

namespace {
bool wildcardMatch(QStringView text, QStringView pattern)
{
    // Iterative matcher with one backtrack point per star: linear in
    // practice, never exponential.
    qsizetype t = 0, p = 0, starP = -1, starT = 0;
    while (t < text.size()) {
        if (p < pattern.size() && (pattern[p] == QLatin1Char('?') || pattern[p] == text[t])) {
            ++t;
            ++p;
        } else if (p < pattern.size() && pattern[p] == QLatin1Char('*')) {
            starP = p++;
            starT = t;
        } else if (starP >= 0) {
            p = starP + 1;
            t = ++starT;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == QLatin1Char('*'))
        ++p;
    return p == pattern.size();
}
} // namespace

bool like(const QString &text, const QString &pattern, bool caseInsensitive)
{
    return caseInsensitive ? wildcardMatch(fold(text), fold(pattern))
                           : wildcardMatch(text, pattern);
}

} // namespace StoreText

namespace {
QString textArgument(sqlite3_value *value)
{
    const void *data = sqlite3_value_text16(value);
    const int bytes = sqlite3_value_bytes16(value);
    return QString(reinterpret_cast<const QChar *>(data), bytes / 2);
}

void foldFunction(sqlite3_context *context, int, sqlite3_value **args)
{
    if (sqlite3_value_type(args[0]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    const QString folded = StoreText::fold(textArgument(args[0]));
    sqlite3_result_text16(context, folded.utf16(), int(folded.size() * 2), SQLITE_TRANSIENT);
}

template<bool (*Test)(const QString &, const QString &, bool)>
void matchFunction(sqlite3_context *context, int, sqlite3_value **args)
{
    if (sqlite3_value_type(args[0]) == SQLITE_NULL || sqlite3_value_type(args[1]) == SQLITE_NULL) {
        sqlite3_result_int(context, 0);
        return;
    }
    sqlite3_result_int(context,
        Test(textArgument(args[0]), textArgument(args[1]), sqlite3_value_int(args[2]) != 0));
}
} // namespace

void registerStoreFunctions(sqlite3 *db)
{
    const int flags = SQLITE_UTF16 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
    sqlite3_create_function_v2(
        db, "rk_fold", 1, flags, nullptr, foldFunction, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(db, "rk_contains", 3, flags, nullptr,
        matchFunction<StoreText::contains>, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(db, "rk_beginswith", 3, flags, nullptr,
        matchFunction<StoreText::beginsWith>, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(db, "rk_endswith", 3, flags, nullptr,
        matchFunction<StoreText::endsWith>, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(db, "rk_like", 3, flags, nullptr, matchFunction<StoreText::like>,
        nullptr, nullptr, nullptr);
}
