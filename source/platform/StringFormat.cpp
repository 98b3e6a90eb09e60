#include "platform/StringFormat.h"

#include <QCoreApplication>

namespace {

QString describe(const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return QStringLiteral("(null)");
    if (value.typeId() == QMetaType::Bool)
        return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float)
        return QString::number(value.toDouble(), 'g', 15);
    return value.toString();
}

} // namespace

QString formatString(const QString &format, const QVariantList &arguments)
{
    QString out;
    out.reserve(format.size() + 16 * arguments.size());
    int nextArgument = 0;
    const int length = int(format.size());
    for (int i = 0; i < length; ++i) {
        const QChar c = format.at(i);
        if (c != QLatin1Char('%') || i + 1 >= length) {
            out.append(c);
            continue;
        }
        int j = i + 1;
        if (format.at(j) == QLatin1Char('%')) {
            out.append(QLatin1Char('%'));
            i = j;
            continue;
        }

        // Optional position: digits followed by '$'.
        int position = -1;
        int k = j;
        while (k < length && format.at(k).isDigit())
            ++k;
        if (k > j && k < length && format.at(k) == QLatin1Char('$')) {
            position = format.mid(j, k - j).toInt() - 1;
            j = k + 1;
        }
        // Optional precision: ".N".
        int precision = -1;
        if (j < length && format.at(j) == QLatin1Char('.')) {
            k = j + 1;
            while (k < length && format.at(k).isDigit())
                ++k;
            precision = format.mid(j + 1, k - j - 1).toInt();
            j = k;
        }
        // Length modifiers carry no meaning here.
        while (j < length
               && (format.at(j) == QLatin1Char('l') || format.at(j) == QLatin1Char('q')
                   || format.at(j) == QLatin1Char('h') || format.at(j) == QLatin1Char('z')))
            ++j;
        if (j >= length) {
            out.append(format.mid(i));
            break;
        }
        const QChar conversion = format.at(j);
        const int index = position >= 0 ? position : nextArgument++;
        const QVariant value = index < arguments.size() ? arguments.at(index) : QVariant();
        switch (conversion.unicode()) {
        case '@':
        case 's':
            out.append(index < arguments.size() ? describe(value) : QString());
            break;
        case 'd':
        case 'i':
            out.append(QString::number(value.toLongLong()));
            break;
        case 'u':
            out.append(QString::number(value.toULongLong()));
            break;
        case 'f':
            out.append(QString::number(value.toDouble(), 'f', precision >= 0 ? precision : 6));
            break;
        case 'g':
            out.append(QString::number(value.toDouble(), 'g', precision >= 0 ? precision : 6));
            break;
        default:
            // Not a conversion we know: keep the text as it was written.
            out.append(format.mid(i, j - i + 1));
            if (position < 0)
                --nextArgument;
            break;
        }
        i = j;
    }
    return out;
}

QString localized(const char *context, const char *sourceText, int count)
{
    return QCoreApplication::translate(context, sourceText, nullptr, count);
}
