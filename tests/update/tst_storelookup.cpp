#include "model/App.h"
#include "support/StoreFixture.h"
#include "support/TestEnvironment.h"
#include "update/StoreLookup.h"

#include <QTest>

// How a store lookup changes a product, for the ratings import (another
// country's store), adding a product and refreshing one (its own store).
class StoreLookupTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void releaseMovesForwardOnly_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("answered");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("expectedVersion");
        const QString older = QStringLiteral("2026-01-05T08:00:00Z");
        const QString newer = QStringLiteral("2026-03-01T08:00:00Z");
        QTest::newRow("first release") << QString() << older << older << "2.0";
        QTest::newRow("newer release") << older << newer << newer << "2.0";
        // A country whose store lags behind must not rewind the product.
        QTest::newRow("older release") << newer << older << newer << "1.0";
        QTest::newRow("same release") << older << older << older << "1.0";
        QTest::newRow("broken date") << older << "yesterday" << older << "1.0";
        QTest::newRow("no date") << older << QString() << older << "1.0";
    }

    void releaseMovesForwardOnly()
    {
        QFETCH(QString, stored);
        QFETCH(QString, answered);
        QFETCH(QString, expected);
        QFETCH(QString, expectedVersion);
        StoreFixture store;
        auto app = store.app(QStringLiteral("1"));
        if (!stored.isEmpty()) {
            app->setCurrentVersionReleaseDate(QDateTime::fromString(stored, Qt::ISODate));
            app->setCurrentVersion(QStringLiteral("1.0"));
        }
        QJsonObject answer {{QStringLiteral("version"), QStringLiteral("2.0")}};
        if (!answered.isEmpty())
            answer.insert(QStringLiteral("currentVersionReleaseDate"), answered);
        const QDateTime now(QDate(2026, 6, 1), QTime(0, 0), Qt::UTC);

        const bool changed = applyStoreLookup(*app, answer, LookupScope::Release, now);
        QCOMPARE(app->currentVersionReleaseDate(), QDateTime::fromString(expected, Qt::ISODate));
        QCOMPARE(app->currentVersion(), expectedVersion);
        QCOMPARE(changed, expected != stored);
        QCOMPARE(app->dateUpdated(), changed ? now : QDateTime());
    }

    void onlyTheProductsOwnStoreRenamesIt()
    {
        StoreFixture store;
        auto app = store.app(QStringLiteral("1"));
        app->setTitle(QStringLiteral("Old name"));
        const QVariantMap answer {{QStringLiteral("trackName"), QStringLiteral("New name")},
            {QStringLiteral("trackViewUrl"), QStringLiteral("https://apps.example/1")}};
        const QDateTime now = QDateTime::currentDateTimeUtc();

        QVERIFY(!applyStoreLookup(*app, answer, LookupScope::Release, now));
        QCOMPARE(app->title(), QStringLiteral("Old name"));
        QVERIFY(applyStoreLookup(*app, answer, LookupScope::Product, now));
        QCOMPARE(app->title(), QStringLiteral("New name"));
        QCOMPARE(app->jsonData(), answer);
        // An answer without a name keeps the one the product has.
        QVERIFY(applyStoreLookup(*app,
            QVariantMap {{QStringLiteral("kind"), QStringLiteral("software")}},
            LookupScope::Product, now));
        QCOMPARE(app->title(), QStringLiteral("New name"));
        QVERIFY(!applyStoreLookup(*app, app->jsonData(), LookupScope::Product, now));
    }
};

RK_TEST_MAIN(StoreLookupTest)
#include "tst_storelookup.moc"
