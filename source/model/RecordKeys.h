#pragma once

#include <QString>

// The stored names of the records' attributes and relationships: the schema
// (DataModel) declares them and the record classes read and write them by
// these names only, so that a misspelt key does not compile.
namespace RecordKey {
inline const QString averageRating = QStringLiteral("averageRating");
inline const QString averageRatingForCurrentVersion =
    QStringLiteral("averageRatingForCurrentVersion");
inline const QString children = QStringLiteral("children");
inline const QString completed = QStringLiteral("completed");
inline const QString connectIdentifier = QStringLiteral("connectIdentifier");
inline const QString countryCode = QStringLiteral("countryCode");
inline const QString currentVersion = QStringLiteral("currentVersion");
inline const QString currentVersionReleaseDate = QStringLiteral("currentVersionReleaseDate");
inline const QString data = QStringLiteral("data");
inline const QString dateCreated = QStringLiteral("dateCreated");
inline const QString dateDeleted = QStringLiteral("dateDeleted");
inline const QString dateModified = QStringLiteral("dateModified");
inline const QString dateNoticed = QStringLiteral("dateNoticed");
inline const QString dateQueued = QStringLiteral("dateQueued");
inline const QString dateReplaced = QStringLiteral("dateReplaced");
inline const QString dateReviewed = QStringLiteral("dateReviewed");
inline const QString dateTranslated = QStringLiteral("dateTranslated");
inline const QString dateUpdated = QStringLiteral("dateUpdated");
inline const QString day = QStringLiteral("day");
inline const QString deliveryId = QStringLiteral("deliveryId");
inline const QString destination = QStringLiteral("destination");
inline const QString displayData = QStringLiteral("displayData");
inline const QString displayTitle = QStringLiteral("displayTitle");
inline const QString edited = QStringLiteral("edited");
inline const QString excludeFromAutoUpdate = QStringLiteral("excludeFromAutoUpdate");
inline const QString failures = QStringLiteral("failures");
inline const QString fromDate = QStringLiteral("fromDate");
inline const QString host = QStringLiteral("host");
inline const QString identifier = QStringLiteral("identifier");
inline const QString image = QStringLiteral("image");
inline const QString isEditable = QStringLiteral("isEditable");
inline const QString isGroupRowStyle = QStringLiteral("isGroupRowStyle");
inline const QString isLeaf = QStringLiteral("isLeaf");
inline const QString isSelectable = QStringLiteral("isSelectable");
inline const QString isoCode = QStringLiteral("isoCode");
inline const QString jsonData = QStringLiteral("jsonData");
inline const QString kind = QStringLiteral("kind");
inline const QString languageCode = QStringLiteral("languageCode");
inline const QString lastRatingsUpdate = QStringLiteral("lastRatingsUpdate");
inline const QString lastReviewsUpdate = QStringLiteral("lastReviewsUpdate");
inline const QString nextAttempt = QStringLiteral("nextAttempt");
inline const QString number = QStringLiteral("number");
inline const QString outboxEntries = QStringLiteral("outboxEntries");
inline const QString parent = QStringLiteral("parent");
inline const QString pausedReason = QStringLiteral("pausedReason");
inline const QString previousVersions = QStringLiteral("previousVersions");
inline const QString priority = QStringLiteral("priority");
inline const QString product = QStringLiteral("product");
inline const QString rating = QStringLiteral("rating");
inline const QString ratingCount = QStringLiteral("ratingCount");
inline const QString ratingCountForCurrentVersion = QStringLiteral("ratingCountForCurrentVersion");
inline const QString ratingSnapshots = QStringLiteral("ratingSnapshots");
inline const QString ratings = QStringLiteral("ratings");
inline const QString read = QStringLiteral("read");
inline const QString region = QStringLiteral("region");
inline const QString replyDate = QStringLiteral("replyDate");
inline const QString replyIdentifier = QStringLiteral("replyIdentifier");
inline const QString replyState = QStringLiteral("replyState");
inline const QString replyText = QStringLiteral("replyText");
inline const QString review = QStringLiteral("review");
inline const QString reviewContents = QStringLiteral("reviewContents");
inline const QString reviewGaps = QStringLiteral("reviewGaps");
inline const QString reviewer = QStringLiteral("reviewer");
inline const QString reviews = QStringLiteral("reviews");
inline const QString rules = QStringLiteral("rules");
inline const QString selectedCountryCode = QStringLiteral("selectedCountryCode");
inline const QString selectedVersion = QStringLiteral("selectedVersion");
inline const QString sortIndex = QStringLiteral("sortIndex");
inline const QString title = QStringLiteral("title");
inline const QString toDate = QStringLiteral("toDate");
inline const QString translated = QStringLiteral("translated");
inline const QString translatedLanguageCode = QStringLiteral("translatedLanguageCode");
inline const QString translations = QStringLiteral("translations");
inline const QString uuid = QStringLiteral("uuid");
inline const QString version = QStringLiteral("version");
inline const QString voteCount = QStringLiteral("voteCount");
inline const QString voteSum = QStringLiteral("voteSum");
} // namespace RecordKey
