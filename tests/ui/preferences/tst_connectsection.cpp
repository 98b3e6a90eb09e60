#include "support/UiRecorders.h"

#include "net/AppStoreConnectAccount.h"
#include "net/AppStoreConnectClient.h"
#include "platform/SecretStore.h"
#include "support/TestKeys.h"
#include "support/WaitFor.h"
#include "ui/preferences/ConnectPreferencesSection.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

// The App Store Connect section keeps a key only once the service took it,
// and Test and Disconnect act on the key kept.
class ConnectSectionTest : public QObject {
    Q_OBJECT

    QTemporaryDir folder_;
    TestKeyPair keys_ = TestKeys::make();
    MemorySecretStore secrets_;
    // What the stand-in for the service answers, and the keys it was asked with.
    Error answer_;
    QList<AppStoreConnectKey> asked_;

    ConnectPreferencesSection::ListFunction list()
    {
        return [this](
                   const AppStoreConnectKey &key, ConnectPreferencesSection::AppsCompletion done) {
            asked_ << key;
            done({{"100", "Mine", "com.example.mine"}, {"200", "", "com.example.other"}}, answer_);
        };
    }

    QString keyFile(const QByteArray &pem)
    {
        const QString path = folder_.filePath(QString("key-%1.p8").arg(asked_.size()));
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(pem);
        return path;
    }

private Q_SLOTS:
    void initTestCase() { SecretStore::setShared(&secrets_); }

    void connectTestAndDisconnect_data()
    {
        QTest::addColumn<QString>("issuer");
        QTest::addColumn<QByteArray>("pem");
        QTest::addColumn<int>("refusal");
        QTest::addColumn<QString>("status");
        QTest::newRow("taken") << "issuer" << keys_.privateKey << 0
                               << "The key sees 2 apps: Mine, 200.";
        QTest::newRow("no issuer") << "" << keys_.privateKey << 0 << "Enter the issuer ID";
        QTest::newRow("not a key")
            << "issuer" << QByteArray("text") << 0 << "The App Store Connect key file";
        QTest::newRow("refused") << "issuer" << keys_.privateKey << 401
                                 << "App Store Connect refused the key";
    }

    void connectTestAndDisconnect()
    {
        QFETCH(QString, issuer);
        QFETCH(QByteArray, pem);
        QFETCH(int, refusal);
        QFETCH(QString, status);
        answer_ = refusal ? AppStoreConnectClient::errorFor(refusal, {}, "GET") : Error();
        asked_.clear();
        ConnectPreferencesSection section(list());
        section.issuerField()->setText(issuer);
        section.keyIDField()->setText("KEY");
        section.keyFileChosenAction(keyFile(pem));
        QVERIFY(waitFor([&] { return section.statusLabel()->text().startsWith(status); }));
        const bool kept = status.startsWith("The key sees");
        QCOMPARE(AppStoreConnectAccount::hasStoredIdentifiers(), kept);
        QCOMPARE(secrets_.secrets().contains(AppStoreConnectAccount::secretName), kept);
        QCOMPARE(section.disconnectButton()->isEnabled(), kept);
        if (!kept)
            return;

        // Test asks with the kept key; Disconnect forgets it.
        asked_.clear();
        section.testAction();
        QVERIFY(waitFor([&] { return !asked_.isEmpty(); }));
        QCOMPARE(asked_.first().privateKey, keys_.privateKey);
        QCOMPARE(asked_.first().issuerID, "issuer");
        section.disconnectAction();
        QVERIFY(waitFor([&] { return !AppStoreConnectAccount::hasStoredIdentifiers(); }));
        QVERIFY(!secrets_.secrets().contains(AppStoreConnectAccount::secretName));
        QVERIFY(!section.disconnectButton()->isEnabled());
        section.testAction();
        QVERIFY(waitFor([&] { return section.statusLabel()->text().startsWith("No key"); }));
    }
};

RK_TEST_GUI_MAIN(ConnectSectionTest)
#include "tst_connectsection.moc"
