#include "Downloader.h"
#include "RequestQueue.h"
#include "SecretStore.h"
#include "TestEnvironment.h"
#include "Translator.h"
#include "UserDefaults.h"
#include "WaitFor.h"

#include <QProcess>
#include <QTest>

// The store client and the translation client against the fakestore program
// serving its sample folder, reached only through the preferences.
class FakeStoreTest : public QObject {
    Q_OBJECT

private:
    QProcess store_;
    QString root_;
    RequestQueue queue_;

private Q_SLOTS:
    void initTestCase()
    {
        const QString program = qEnvironmentVariable("RK_FAKESTORE");
        const QString sample = qEnvironmentVariable("RK_FAKESTORE_SAMPLE");
        if (program.isEmpty() || sample.isEmpty())
            QSKIP("RK_FAKESTORE and RK_FAKESTORE_SAMPLE are not set");
        store_.setProcessChannelMode(QProcess::SeparateChannels);
        store_.start(program, {"--port", "0", "--quiet", sample});
        QVERIFY(store_.waitForStarted(2000));
        QVERIFY(waitFor([&] { return store_.canReadLine(); }, nullptr, 2000));
        const QString banner = QString::fromUtf8(store_.readLine()).trimmed();
        root_ = banner.section(" at ", -1);
        QVERIFY2(root_.startsWith("http://127.0.0.1:") && root_.endsWith('/'), qPrintable(banner));

        UserDefaults &defaults = UserDefaults::standard();
        defaults.setString(root_, "StoreRootURL");
        defaults.setString("MicrosoftV2", Translator::providerKey);
        defaults.setString(root_ + "v2/OAuth2-13", MicrosoftV2Provider::tokenURLKey);
        defaults.setString(root_ + "v2/Http.svc/Translate", MicrosoftV2Provider::translateURLKey);
        defaults.setString("demo", MicrosoftV2Provider::clientIDKey);
        SecretStore::shared().writeSecret(Translator::secretName("MicrosoftV2"), "demo secret", {});
    }

    void cleanupTestCase()
    {
        if (store_.state() != QProcess::NotRunning) {
            store_.terminate();
            store_.waitForFinished(2000);
        }
    }

    void reviewsComeFromTheSample()
    {
        QMap<QString, Downloader::FeedRecords> pages;
        for (const QString format : {"xml", "json"}) {
            Downloader::sharedInstance().reviewsForId("1000000001", "us", format, 10, &queue_,
                [&pages, format](const Downloader::FeedRecords &records, const Error &error) {
                    QVERIFY(!error);
                    pages.insert(format, records);
                });
        }
        QVERIFY(waitFor([&] { return pages.size() == 2; }));
        for (const auto &records : pages) {
            QCOMPARE(records.size(), 5);
            QCOMPARE(records.first().value("title").toString(), QString("Does what it says"));
            QCOMPARE(records.at(1).value("text").toString(),
                QString("Since 2.1 it crashes when I open a file <sometimes>."));
            QCOMPARE(records.last().value("rating").toString(), QString("1"));
        }
        QCOMPARE(
            pages["xml"].first().value("updated").toString(), QString("2026-11-30T10:01:00-07:00"));
    }

    void lookupSearchAndArtwork()
    {
        Downloader::ProductRecords ratings;
        bool looked = false;
        Downloader::sharedInstance().lookupByIds({"1000000001", "1000000002", "999"}, "GB", &queue_,
            [&](const auto &records, const Error &e) {
                QVERIFY(!e);
                ratings = records;
                looked = true;
            });
        std::optional<Downloader::ProductRecords> found;
        bool searched = false;
        Downloader::sharedInstance().search("sample notes", Downloader::SearchMacApps, &queue_,
            [&](const auto &records, const Error &e) {
                QVERIFY(!e);
                found = records;
                searched = true;
            });
        QVERIFY(waitFor([&] { return looked && searched; }));
        QCOMPARE(ratings.size(), 2);
        QCOMPARE(ratings.first().value("trackId").toInteger(), 1000000001LL);
        QCOMPARE(ratings.first().value("userRatingCount").toInteger(), 12LL); // the gb record
        QVERIFY(found);
        QCOMPARE(found->size(), 1);
        QCOMPARE(found->first().value("kind").toString(), QString("mac-software"));

        const QUrl artwork(ratings.first().value("artworkUrl100").toString());
        QVERIFY(artwork.toString().startsWith(root_));
        QImage image;
        bool loaded = false;
        Downloader::sharedInstance().loadImageFromURL(
            artwork, queue_, [&](const QImage &i, const Error &e) {
                QVERIFY(!e);
                image = i;
                loaded = true;
            });
        QVERIFY(waitFor([&] { return loaded; }));
        QCOMPARE(image.size(), QSize(16, 16));
    }

    void translationGoesThroughTheFakeService()
    {
        QString translation;
        Error error;
        bool done = false;
        Translator::sharedInstance().translateFrom(
            QString(), "fr", "Cats & dogs + 1", [&](const QString &text, const Error &e) {
                translation = text;
                error = e;
                done = true;
            });
        QVERIFY(waitFor([&] { return done; }));
        QVERIFY2(!error, qPrintable(error.debugDescription()));
        QCOMPARE(translation, QString("[fr] Cats & dogs + 1"));
    }
};

RK_TEST_MAIN(FakeStoreTest)
#include "tst_fakestore.moc"
