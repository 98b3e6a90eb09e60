// A review its author edited: what it showed before becomes a ReviewVersion,
// and the review shows the store's current text.

#include "model/RecordKeys.h"
#include "model/Review.h"
#include "model/ReviewContent.h"
#include "model/ReviewVersion.h"
#include "platform/store/ManagedObjectContext.h"

#include <algorithm>

namespace {

bool sameText(const QString &stored, const QString &given)
{
    return given.isEmpty() || stored.simplified() == given.simplified();
}

} // namespace

QList<std::shared_ptr<ReviewVersion>> Review::previousVersions() const
{
    auto versions = recordsCast<ReviewVersion>(objects(RecordKey::previousVersions));
    std::sort(versions.begin(), versions.end(),
        [](const auto &a, const auto &b) { return a->dateReplaced() < b->dateReplaced(); });
    return versions;
}

bool Review::isChangedBy(const ReviewEdit &edit)
{
    const std::optional<double> stored = rating();
    if (edit.rating && *edit.rating > 0 && stored && *stored != *edit.rating)
        return true;
    // With no translation shown, the display pair is the original, which
    // spares the import a fetch of every known review's contents.
    QString title = displayTitle();
    QByteArray data = displayData();
    if (!translatedLanguageCode().isNull()) {
        const auto original = originalReviewContent();
        title = original ? original->title() : QString();
        data = original ? original->data() : QByteArray();
    }
    return !sameText(title, edit.title) || !sameText(QString::fromUtf8(data), edit.text);
}

void Review::replaceWith(const ReviewEdit &edit, const QDateTime &now)
{
    ManagedObjectContext *context = managedObjectContext();
    if (!context)
        return;
    const auto self = context->existingObject(objectID());
    auto earlier = context->insertNewObject<ReviewVersion>(QStringLiteral("ReviewVersion"));
    earlier->setObject(RecordKey::review, self);
    earlier->setValue(RecordKey::rating, value(RecordKey::rating));
    earlier->setValue(RecordKey::version, value(RecordKey::version));
    earlier->setValue(RecordKey::dateReviewed, value(RecordKey::dateReviewed));
    earlier->setValue(RecordKey::dateReplaced, now);

    std::shared_ptr<ReviewContent> original;
    QVariantList translations;
    for (const auto &content : reviewContents()) {
        if (!original && content->languageCode().isNull() && !content->dateTranslated().isValid()) {
            original = content;
            continue;
        }
        translations << QVariantMap {
            {QStringLiteral("languageCode"), content->languageCode()},
            {QStringLiteral("title"), content->title()},
            {QStringLiteral("data"), content->data()},
            {QStringLiteral("dateTranslated"), content->dateTranslated()},
        };
        context->deleteObject(content);
    }
    if (!original) {
        original = context->insertNewObject<ReviewContent>(QStringLiteral("ReviewContent"));
        original->setObject(RecordKey::review, self);
    }
    earlier->setValue(RecordKey::title, original->value(RecordKey::title));
    earlier->setValue(RecordKey::data, original->value(RecordKey::data));
    if (!translations.isEmpty())
        earlier->setValue(RecordKey::translations, translations);

    // What the store left out stays as it was.
    if (edit.rating && *edit.rating > 0)
        setValue(RecordKey::rating, *edit.rating);
    if (!edit.title.isEmpty())
        original->setValue(RecordKey::title, edit.title);
    if (!edit.text.isEmpty())
        original->setValue(RecordKey::data, edit.text.toUtf8());
    if (!edit.version.isEmpty())
        setValue(RecordKey::version, edit.version);
    if (edit.dateReviewed.isValid())
        setValue(RecordKey::dateReviewed, edit.dateReviewed);
    setTranslatedLanguageCode(QString());
    setValue(RecordKey::displayTitle, original->value(RecordKey::title));
    setValue(RecordKey::displayData, original->value(RecordKey::data));
    setRead(false);
}
