#include "ui/reviews/EarlierVersionsText.h"

#include "model/RelativeDateFormatter.h"
#include "model/ReviewVersion.h"
#include "platform/StringFormat.h"

#include <QColor>
#include <QTextCursor>

#include <cmath>

namespace {

QString stars(std::optional<double> rating)
{
    if (!rating)
        return {};
    const int full = std::clamp(int(std::lround(*rating)), 0, 5);
    return QString(full, QChar(0x2605)) + QString(5 - full, QChar(0x2606));
}

} // namespace

void appendEarlierVersions(QTextCursor &cursor,
    const QList<std::shared_ptr<ReviewVersion>> &versions, const QColor &detailColor)
{
    if (versions.isEmpty())
        return;
    QTextCharFormat plain = cursor.charFormat();
    QTextCharFormat heading = plain;
    heading.setFontWeight(QFont::Bold);
    QTextCharFormat detail = plain;
    detail.setForeground(detailColor);
    QTextCharFormat title = heading;

    cursor.insertBlock();
    cursor.insertBlock();
    cursor.insertText(localized("ReviewController", "Earlier versions"), heading);
    for (auto it = versions.crbegin(); it != versions.crend(); ++it) {
        const ReviewVersion &version = **it;
        const QString replaced = RelativeDateFormatter::longRelativeDate(version.dateReplaced());
        const QString shown = version.version().isEmpty()
            ? formatString(localized("ReviewController", "Shown until %@"), replaced)
            : formatString(localized("ReviewController", "Shown until %@, version %@"), replaced,
                version.version());
        cursor.insertBlock();
        cursor.insertBlock();
        const QString starText = stars(version.rating());
        cursor.insertText(
            starText.isEmpty() ? shown : starText + QStringLiteral("  ") + shown, detail);
        if (!version.title().isEmpty()) {
            cursor.insertBlock();
            cursor.insertText(version.title(), title);
        }
        cursor.insertBlock();
        cursor.insertText(QString::fromUtf8(version.data()), plain);
    }
}
