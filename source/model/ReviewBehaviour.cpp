// What a review does beyond its stored values: finding its original
// content, keeping the display pair in step with its contents, translating,
// and the small texts the review list shows.

#include "model/RecordChangeRouter.h"
#include "model/RecordKeys.h"
#include "model/RelativeDateFormatter.h"
#include "model/Review.h"
#include "model/ReviewContent.h"
#include "model/ReviewTranslation.h"
#include "platform/Clock.h"
#include "platform/Dispatch.h"
#include "platform/StringFormat.h"
#include "platform/store/ManagedObjectContext.h"

#include <cmath>

void Review::startObserving()
{
    if (observing_)
        return;
    if (auto router = RecordChangeRouter::forContext(managedObjectContext())) {
        router->addReview(this);
        observing_ = true;
    }
}

void Review::stopObserving()
{
    if (!observing_)
        return;
    observing_ = false;
    if (auto router = RecordChangeRouter::forContext(managedObjectContext()))
        router->removeReview(this);
}

void Review::awakeFromFetch()
{
    ManagedObject::awakeFromFetch();
    startObserving();
}

void Review::willTurnIntoFault()
{
    stopObserving();
    ManagedObject::willTurnIntoFault();
}

void Review::prepareForDeletion()
{
    stopObserving();
    ManagedObject::prepareForDeletion();
}

std::shared_ptr<ReviewContent> Review::originalReviewContent()
{
    const QList<std::shared_ptr<ReviewContent>> contents = reviewContents();
    if (contents.isEmpty()) {
        ManagedObjectContext *context = managedObjectContext();
        if (!context)
            return {};
        auto content = context->insertNewObject<ReviewContent>(QStringLiteral("ReviewContent"));
        content->setObject(RecordKey::review, context->existingObject(objectID()));
        return content;
    }
    for (const auto &content : contents)
        if (content->languageCode().isNull() && !content->dateTranslated().isValid())
            return content;
    return {};
}

bool Review::hasTranslationForLanguageCode(const QString &code) const
{
    if (code.isNull())
        return false;
    for (const auto &content : reviewContents())
        if (content->languageCode() == code)
            return true;
    return false;
}

void Review::updateDisplayReviewContent()
{
    const QString code = translatedLanguageCode();
    std::shared_ptr<ReviewContent> shown;
    if (!code.isNull()) {
        for (const auto &content : reviewContents())
            if (content->languageCode() == code) {
                shown = content;
                break;
            }
    }
    if (!shown)
        shown = originalReviewContent();
    const QVariant title = shown ? shown->value(RecordKey::title) : QVariant();
    const QVariant data = shown ? shown->value(RecordKey::data) : QVariant();
    // Unchanged values are not written again, so an update announces nothing.
    if (value(RecordKey::displayTitle) != title)
        setValue(RecordKey::displayTitle, title);
    if (value(RecordKey::displayData) != data)
        setValue(RecordKey::displayData, data);
}

void Review::setTranslatedLanguageCode(const QString &code)
{
    setValue(RecordKey::translatedLanguageCode, code.isEmpty() ? QVariant() : QVariant(code));
}

void Review::translateTo(const QString &code, std::function<void()> completion)
{
    translateTo(code, [completion](const Error &) {
        if (completion)
            completion();
    });
}

void Review::translateTo(const QString &code, std::function<void(const Error &error)> completion)
{
    const auto finish = [completion](const Error &error) {
        if (completion)
            dispatchMain([completion, error] { completion(error); });
    };
    if (code.isEmpty() || hasTranslationForLanguageCode(code)) {
        setTranslatedLanguageCode(code);
        updateDisplayReviewContent();
        finish(Error());
        return;
    }
    ManagedObjectContext *context = managedObjectContext();
    const std::shared_ptr<ReviewContent> original = originalReviewContent();
    if (!context || !original) {
        finish(Error());
        return;
    }
    // Holding the record keeps it alive until the answer is in.
    auto self = std::dynamic_pointer_cast<Review>(context->existingObject(objectID()));
    const QStringList texts {original->title(), QString::fromUtf8(original->data())};
    ReviewTranslation::translate(QString(), code, texts,
        [self, code, texts, finish](const QStringList &translations, const Error &error) {
            ManagedObjectContext *context = self ? self->managedObjectContext() : nullptr;
            if (error || translations.size() != 2 || !context || self->isDeleted()) {
                finish(error);
                return;
            }
            // An update may have brought an edited text meanwhile: a
            // translation of the one it replaced must not be shown for it.
            const auto current = self->originalReviewContent();
            if (!current || current->title() != texts.at(0)
                || QString::fromUtf8(current->data()) != texts.at(1)) {
                finish(Error());
                return;
            }
            auto content = context->insertNewObject<ReviewContent>(QStringLiteral("ReviewContent"),
                {{QStringLiteral("languageCode"), code},
                    {QStringLiteral("title"), translations.at(0)},
                    {QStringLiteral("data"), translations.at(1).toUtf8()},
                    {QStringLiteral("dateTranslated"), Clock::shared().now()}});
            content->setObject(RecordKey::review, self);
            self->setTranslatedLanguageCode(code);
            finish(Error());
        });
}

QString Review::dateReviewedString() const
{
    return RelativeDateFormatter::longRelativeDate(dateReviewed());
}

QString Review::reviewSmiley() const
{
    const std::optional<double> stars = rating();
    if (!stars)
        return QString(QLatin1String(""));
    switch (int(std::trunc(*stars))) {
    case 1:
    case 2:
        return QStringLiteral("\u2639\uFE0F");
    case 3:
        return QString::fromUcs4(U"\U0001F610");
    case 4:
    case 5:
        return QString::fromUcs4(U"\U0001F60A");
    default:
        return QString(QLatin1String(""));
    }
}

QString Review::voteToolTipString() const
{
    const qint64 count = voteCount().value_or(0);
    if (count < 1)
        return QString();
    return formatString(localized("Review", "%ld out of %ld customers found this review helpful"),
        voteSum().value_or(0), count);
}
