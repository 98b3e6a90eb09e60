#include "model/ReviewTranslation.h"
#include "model/ReviewVersion.h"
#include "platform/Dispatch.h"
#include "platform/store/SqliteConnection.h"
#include "support/StoreFixture.h"
#include "support/TestEnvironment.h"

#include <QTest>

#include <sqlite3.h>

namespace {

// A translation service that answers on the next turn of the loop with
// "<code>:<text>" for each text, or fails with `failure` when it is set.
// Each request is recorded as "<from>><to>:<text>|<text>...".
struct FakeService {
    QStringList requests;
    Error failure;

    FakeService()
    {
        ReviewTranslation::setTranslateFunction(
            [this](const QString &from, const QString &to, const QStringList &texts,
                ReviewTranslation::Completion completion) {
                requests << (from.isNull() ? QString() : from) + ">" + to + ":" + texts.join('|');
                dispatchMain([completion, to, texts, failure = failure] {
                    QStringList translations;
                    for (const QString &text : texts)
                        translations << to + ":" + text;
                    completion(failure ? QStringList() : translations, failure);
                });
            });
    }
    ~FakeService() { ReviewTranslation::setTranslateFunction({}); }
};

std::shared_ptr<Review> reviewWithText(StoreFixture &store)
{
    auto app = store.app(QStringLiteral("1"));
    auto review = StoreFixture::review(*store.context, app, "r", "US");
    review->originalReviewContent()->setValue(
        QStringLiteral("data"), QByteArray("Great app & fast"));
    return review;
}

} // namespace

class ReviewBehaviourTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void displayPairFollowsTheContentsByItself()
    {
        StoreFixture store;
        auto review = reviewWithText(store);
        QVERIFY(store.context->save());
        QCoreApplication::processEvents();
        QCOMPARE(review->displayTitle(), QString("Title r"));
        QCOMPARE(review->displayData(), QByteArray("Great app & fast"));

        review->originalReviewContent()->setValue(QStringLiteral("title"), QStringLiteral("New"));
        QCoreApplication::processEvents();
        QCOMPARE(review->displayTitle(), QString("New"));
    }

    // While a review is loaded in the main context, a merge reads the
    // contents it brings with one query, not one each.
    void anImportInAChildStoresTheDisplayPair()
    {
        StoreFixture store;
        auto app = store.app(QStringLiteral("1"));
        const auto loaded = StoreFixture::review(*store.context, app, "loaded", "US");
        QVERIFY(store.context->save());
        QCoreApplication::processEvents();

        int contentReads = 0;
        sqlite3 *db = store.coordinator->writeConnection()->handle();
        sqlite3_trace_v2(
            db, SQLITE_TRACE_STMT,
            [](unsigned, void *counter, void *, void *text) {
                const QByteArray sql(static_cast<const char *>(text));
                if (sql.startsWith("SELECT") && sql.contains("FROM \"ReviewContent\""))
                    ++*static_cast<int *>(counter);
                return 0;
            },
            &contentReads);
        auto child = store.context->newPrivateContext();
        const ObjectID id = app->objectID();
        child->performAndWait([&] {
            auto product = std::dynamic_pointer_cast<Product>(child->existingObject(id));
            for (int i = 0; i < 50; ++i)
                StoreFixture::review(*child, product, QString::number(i), "US");
            QVERIFY(child->save());
        });
        QCoreApplication::processEvents();
        sqlite3_trace_v2(db, 0, nullptr, nullptr);
        QVERIFY2(contentReads <= 1, qPrintable(QString::number(contentReads)));

        const auto reviews = app->reviews();
        QCOMPARE(reviews.size(), 51);
        for (const auto &review : reviews)
            QCOMPARE(review->displayTitle(), QStringLiteral("Title ") + review->identifier());
        QVERIFY(!store.context->hasChanges());
    }

    void aReviewWithOnlyATranslationHasNoOriginal()
    {
        StoreFixture store;
        auto app = store.app(QStringLiteral("1"));
        auto review = store.context->insertNewObject<Review>(QStringLiteral("Review"));
        review->setProduct(app);
        auto content = store.context->insertNewObject(QStringLiteral("ReviewContent"));
        content->setObject(QStringLiteral("review"), review);
        content->setValue(QStringLiteral("languageCode"), QStringLiteral("de"));
        content->setValue(QStringLiteral("title"), QStringLiteral("Nur Deutsch"));
        QVERIFY(!review->originalReviewContent());
        review->updateDisplayReviewContent();
        QVERIFY(review->displayTitle().isNull());
        QVERIFY(review->displayData().isNull());

        // No content at all: an empty original is created on demand.
        auto bare = store.context->insertNewObject<Review>(QStringLiteral("Review"));
        bare->setProduct(app);
        QVERIFY(bare->reviewContents().isEmpty());
        QVERIFY(bare->originalReviewContent());
        QCOMPARE(bare->reviewContents().size(), 1);
    }

    void translationIsStoredAndShownWithoutAnyoneAsking()
    {
        FakeService service;
        StoreFixture store;
        auto review = reviewWithText(store);
        QVERIFY(store.context->save());
        QCoreApplication::processEvents();

        int completions = 0;
        review->translateTo("de", [&] { ++completions; });
        QTRY_COMPARE(completions, 1);
        // Title and text in one request; no source language.
        QCOMPARE(service.requests, (QStringList {">de:Title r|Great app & fast"}));
        QVERIFY(review->hasTranslationForLanguageCode("de"));
        QCOMPARE(review->translatedLanguageCode(), QString("de"));
        QCoreApplication::processEvents();
        QCOMPARE(review->displayTitle(), QString("de:Title r"));
        QCOMPARE(review->displayData(), QByteArray("de:Great app & fast"));

        // A second language, then switching between all three: no request.
        review->translateTo("fr", [&] { ++completions; });
        QTRY_COMPARE(completions, 2);
        QCOMPARE(review->reviewContents().size(), 3);
        service.requests.clear();
        review->translateTo("de", [&] { ++completions; });
        QCOMPARE(completions, 2); // never inline
        QTRY_COMPARE(completions, 3);
        QCOMPARE(review->displayTitle(), QString("de:Title r"));
        review->translateTo(QString(), [&] { ++completions; });
        QTRY_COMPARE(completions, 4);
        QCOMPARE(review->displayTitle(), QString("Title r"));
        QVERIFY(review->translatedLanguageCode().isNull());
        QVERIFY(service.requests.isEmpty());
    }

    void aFailedOrOvertakenTranslationStoresNothing()
    {
        FakeService service;
        service.failure = Error(QStringLiteral("TranslatorErrorDomain"), 3); // quota used up
        StoreFixture store;
        auto review = reviewWithText(store);
        QVERIFY(store.context->save());

        QList<Error> completions;
        review->translateTo("ja", [&](const Error &error) { completions << error; });
        QTRY_COMPARE(completions.size(), 1);
        QTest::qWait(20);
        QCOMPARE(completions.size(), 1);
        QCOMPARE(completions.first(), service.failure);
        QCOMPARE(service.requests.size(), 1);
        QVERIFY(!review->hasTranslationForLanguageCode("ja"));
        QVERIFY(review->translatedLanguageCode().isNull());
        QCOMPARE(review->reviewContents().size(), 1);

        // The author edits the review while its translation is on the way:
        // the translation of the old text is dropped, not shown for the new.
        service.failure = Error();
        review->translateTo("ja", [&](const Error &error) { completions << error; });
        review->replaceWith(
            {4.0, "New title", "New text", "2.0", {}}, QDateTime::currentDateTimeUtc());
        QTRY_COMPARE(completions.size(), 2);
        QVERIFY(!completions.last());
        QVERIFY(!review->hasTranslationForLanguageCode("ja"));
        QVERIFY(review->translatedLanguageCode().isNull());
        QCOMPARE(review->displayTitle(), QString("New title"));
        QCOMPARE(review->previousVersions().size(), 1);
        QVERIFY(review->previousVersions().first()->translations().isEmpty());
    }

    void smallDisplayTexts()
    {
        StoreFixture store;
        auto app = store.app(QStringLiteral("1"));
        const auto smiley = [&](std::optional<double> stars) {
            return StoreFixture::review(*store.context, app, "s", "US", stars)->reviewSmiley();
        };
        QCOMPARE(smiley(1), QString("\u2639\uFE0F"));
        QCOMPARE(smiley(2.5), QString("\u2639\uFE0F"));
        QCOMPARE(smiley(3), QString::fromUcs4(U"\U0001F610"));
        QCOMPARE(smiley(4.5), QString::fromUcs4(U"\U0001F60A"));
        QCOMPARE(smiley(0), QString(""));
        QCOMPARE(smiley(std::nullopt), QString(""));

        auto review = StoreFixture::review(*store.context, app, "v", "US");
        QVERIFY(review->voteToolTipString().isNull());
        review->setValue(QStringLiteral("voteSum"), 3);
        review->setValue(QStringLiteral("voteCount"), 5);
        QCOMPARE(
            review->voteToolTipString(), QString("3 out of 5 customers found this review helpful"));
    }

    void datesReadAsTodayAndYesterday()
    {
        StoreFixture store;
        auto app = store.app(QStringLiteral("1"));
        auto review = StoreFixture::review(*store.context, app, "d", "US");
        const QDateTime now = QDateTime::currentDateTime();
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        review->setValue(QStringLiteral("dateReviewed"), now);
        QCOMPARE(review->dateReviewedString().toLower(), QString("today"));
        review->setValue(QStringLiteral("dateReviewed"), now.addDays(-1));
        QCOMPARE(review->dateReviewedString().toLower(), QString("yesterday"));
        review->setValue(
            QStringLiteral("dateReviewed"), QDateTime(QDate(2015, 8, 25), QTime(12, 0)));
        QCOMPARE(review->dateReviewedString(), QString("August 25, 2015"));

        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        review->setValue(QStringLiteral("dateReviewed"), now);
        QCOMPARE(review->dateReviewedString().toLower(), QString("heute"));
        review->setValue(QStringLiteral("dateReviewed"), now.addDays(-1));
        QCOMPARE(review->dateReviewedString().toLower(), QString("gestern"));
        QLocale::setDefault(QLocale::c());
        review->setValue(QStringLiteral("dateReviewed"), QVariant());
        QVERIFY(review->dateReviewedString().isEmpty());
    }
};

RK_TEST_MAIN(ReviewBehaviourTest)
#include "tst_reviewbehaviour.moc"
