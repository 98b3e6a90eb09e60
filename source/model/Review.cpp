#include "model/Review.h"

#include "model/BaseNode.h"
#include "model/Country.h"
#include "model/OutboxEntry.h"
#include "model/Product.h"
#include "model/RecordKeys.h"
#include "model/ReviewContent.h"
#include "platform/Clock.h"

void Review::awakeFromInsert()
{
    if (!value(RecordKey::uuid).isValid())
        setPrimitiveValue(RecordKey::uuid, BaseNode::newUuid());
    if (!value(RecordKey::dateCreated).isValid())
        setPrimitiveValue(RecordKey::dateCreated, Clock::shared().now());
    // New reviews arrive unread; the unread count asks for "read == NO".
    if (!value(RecordKey::read).isValid())
        setPrimitiveValue(RecordKey::read, false);
    startObserving();
}

std::shared_ptr<Product> Review::product() const
{
    return std::dynamic_pointer_cast<Product>(object(RecordKey::product));
}

void Review::setProduct(const std::shared_ptr<Product> &product)
{
    setObject(RecordKey::product, product);
}

QList<std::shared_ptr<ReviewContent>> Review::reviewContents() const
{
    return recordsCast<ReviewContent>(objects(RecordKey::reviewContents));
}

QList<std::shared_ptr<OutboxEntry>> Review::outboxEntries() const
{
    return recordsCast<OutboxEntry>(objects(RecordKey::outboxEntries));
}

std::optional<ReviewReply> Review::reply() const
{
    const QString text = stringValue(RecordKey::replyText);
    if (text.isEmpty())
        return std::nullopt;
    return ReviewReply {stringValue(RecordKey::replyIdentifier), text,
        stringValue(RecordKey::replyState), dateValue(RecordKey::replyDate)};
}

void Review::setReply(const std::optional<ReviewReply> &reply)
{
    if (this->reply() == reply)
        return;
    setValue(RecordKey::replyIdentifier, reply ? QVariant(reply->identifier) : QVariant());
    setValue(RecordKey::replyText, reply ? QVariant(reply->text) : QVariant());
    setValue(RecordKey::replyState, reply ? QVariant(reply->state) : QVariant());
    setValue(RecordKey::replyDate, reply ? QVariant(reply->date) : QVariant());
}

QString Review::localizedCountryName() const
{
    return Country::localizedName(countryCode());
}

QVariant Review::valueForKey(const QString &key) const
{
    if (key == u"dateReviewedString")
        return dateReviewedString();
    if (key == u"reviewSmiley")
        return reviewSmiley();
    if (key == u"voteToolTipString") {
        const QString tip = voteToolTipString();
        return tip.isNull() ? QVariant() : QVariant(tip);
    }
    if (key == u"localizedCountryName") {
        const QString name = localizedCountryName();
        return name.isNull() ? QVariant() : QVariant(name);
    }
    return ManagedObject::valueForKey(key);
}
