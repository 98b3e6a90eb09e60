#include "model/ReviewTranslation.h"
#include "model/ReviewVersion.h"
#include "platform/Dispatch.h"
#include "support/StoreFixture.h"
#include "support/TestEnvironment.h"

#include <QTest>

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
                requests << from + ">" + to + ":" + texts.join('|');
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
} // namespace

// Every test starts with one saved review "r" titled "Title r".
class ReviewBehaviourTest : public QObject {
    Q_OBJECT

    std::unique_ptr<StoreFixture> store_;
    std::shared_ptr<App> app_;
    std::shared_ptr<Review> review_;

private Q_SLOTS:
    void init()
    {
        store_ = std::make_unique<StoreFixture>();
        app_ = store_->app("1");
        review_ = StoreFixture::review(*store_->context, app_, "r", "US");
        review_->originalReviewContent()->setValue("data", QByteArray("Great app & fast"));
        QVERIFY(store_->context->save());
        QCoreApplication::processEvents();
    }
    void cleanup()
    {
        review_.reset();
        app_.reset();
        store_.reset();
    }

    void displayPairFollowsTheContentsByItself()
    {
        QCOMPARE(review_->displayTitle(), QString("Title r"));
        QCOMPARE(review_->displayData(), QByteArray("Great app & fast"));
        review_->originalReviewContent()->setValue("title", "New");
        QCoreApplication::processEvents();
        QCOMPARE(review_->displayTitle(), QString("New"));

        // A review with only a translation has no original and shows nothing.
        auto review = store_->context->insertNewObject<Review>("Review");
        review->setProduct(app_);
        store_->context
            ->insertNewObject("ReviewContent", {{"languageCode", "de"}, {"title", "Nur"}})
            ->setObject("review", review);
        QVERIFY(!review->originalReviewContent());
        review->updateDisplayReviewContent();
        QVERIFY(review->displayTitle().isNull());
        QVERIFY(review->displayData().isNull());
        // No content at all: an empty original is created on demand.
        auto bare = store_->context->insertNewObject<Review>("Review");
        bare->setProduct(app_);
        QVERIFY(bare->reviewContents().isEmpty());
        QVERIFY(bare->originalReviewContent());
        QCOMPARE(bare->reviewContents().size(), 1);
    }

    // A translation is stored and shown without anyone asking; a failed one,
    // or one overtaken by an edit of the review, stores nothing.
    void translationsStoredShownAndDropped()
    {
        FakeService service;
        QList<Error> completions;
        const auto done = [&](const Error &error) { completions << error; };
        review_->translateTo("de", done);
        QTRY_COMPARE(completions.size(), 1);
        // Title and text in one request; no source language.
        QCOMPARE(service.requests, (QStringList {">de:Title r|Great app & fast"}));
        QVERIFY(review_->hasTranslationForLanguageCode("de"));
        QCOMPARE(review_->translatedLanguageCode(), QString("de"));
        QCoreApplication::processEvents();
        QCOMPARE(review_->displayTitle(), QString("de:Title r"));
        QCOMPARE(review_->displayData(), QByteArray("de:Great app & fast"));

        // A second language, then switching between all three: no request.
        review_->translateTo("fr", done);
        QTRY_COMPARE(completions.size(), 2);
        QCOMPARE(review_->reviewContents().size(), 3);
        service.requests.clear();
        review_->translateTo("de", done);
        QCOMPARE(completions.size(), 2); // never inline
        QTRY_COMPARE(completions.size(), 3);
        QCOMPARE(review_->displayTitle(), QString("de:Title r"));
        review_->translateTo(QString(), [&] { completions << Error(); });
        QTRY_COMPARE(completions.size(), 4);
        QCOMPARE(review_->displayTitle(), QString("Title r"));
        QVERIFY(review_->translatedLanguageCode().isNull());
        QVERIFY(service.requests.isEmpty());

        service.failure = Error("TranslatorErrorDomain", 3); // quota used up
        review_->translateTo("ja", done);
        QTRY_COMPARE(completions.size(), 5);
        QTest::qWait(20);
        QCOMPARE(completions, (QList<Error> {{}, {}, {}, {}, service.failure}));
        QCOMPARE(service.requests.size(), 1);
        QVERIFY(!review_->hasTranslationForLanguageCode("ja"));
        QVERIFY(review_->translatedLanguageCode().isNull());
        QCOMPARE(review_->reviewContents().size(), 3);

        // The author edits the review while its translation is on the way:
        // the translation of the old text is dropped, not shown for the new.
        service.failure = Error();
        review_->translateTo("ja", done);
        review_->replaceWith(
            {4.0, "New title", "New text", "2.0", {}}, QDateTime::currentDateTimeUtc());
        QTRY_COMPARE(completions.size(), 6);
        QVERIFY(!completions.last());
        QVERIFY(!review_->hasTranslationForLanguageCode("ja"));
        QVERIFY(review_->translatedLanguageCode().isNull());
        QCOMPARE(review_->displayTitle(), QString("New title"));
        QCOMPARE(review_->previousVersions().size(), 1);
        QCOMPARE(review_->previousVersions().first()->translations().size(), 2);
    }

    void smallDisplayTexts()
    {
        const QString frown("\u2639\uFE0F"), neutral = QString::fromUcs4(U"\U0001F610"),
                                             smile = QString::fromUcs4(U"\U0001F60A");
        for (const auto &[stars, face] : std::initializer_list<std::pair<QVariant, QString>> {
                 {1.0, frown}, {2.5, frown}, {3.0, neutral}, {4.5, smile}, {0.0, ""}, {{}, ""}}) {
            review_->setValue("rating", stars);
            QCOMPARE(review_->reviewSmiley(), face);
        }
        QVERIFY(review_->voteToolTipString().isNull());
        review_->setValue("voteSum", 3);
        review_->setValue("voteCount", 5);
        QCOMPARE(review_->voteToolTipString(),
            QString("3 out of 5 customers found this review helpful"));

        const QDateTime now = QDateTime::currentDateTime();
        for (const auto &[locale, date, text] :
            std::initializer_list<std::tuple<QLocale, QDateTime, QString>> {
                {QLocale("en_US"), now, "today"}, {QLocale("en_US"), now.addDays(-1), "yesterday"},
                {QLocale("de_DE"), now, "heute"}, {QLocale("de_DE"), now.addDays(-1), "gestern"},
                {QLocale::c(), {}, ""}}) {
            QLocale::setDefault(locale);
            review_->setValue("dateReviewed", date);
            QCOMPARE(review_->dateReviewedString().toLower(), text);
        }
        QLocale::setDefault(QLocale("en_US"));
        review_->setValue("dateReviewed", QDateTime(QDate(2015, 8, 25), QTime(12, 0)));
        QCOMPARE(review_->dateReviewedString(), QString("August 25, 2015"));
        QLocale::setDefault(QLocale::c());
    }
};

RK_TEST_MAIN(ReviewBehaviourTest)
#include "tst_reviewbehaviour.moc"
