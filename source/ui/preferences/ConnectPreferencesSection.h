#pragma once

#include "net/AppStoreConnectDecoder.h"
#include "net/AppStoreConnectToken.h"
#include "platform/Error.h"

#include <QGroupBox>
#include <QObject>
#include <QPointer>

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

// The App Store Connect part of the preferences: the key's issuer and key
// IDs, Choose Key File…, which reads the .p8 once into the secret store,
// Test, which lists the apps the key sees or shows the service's error, and
// Disconnect. A key is kept only once the service took it.
class ConnectPreferencesSection : public QObject {
    Q_OBJECT

public:
    using AppsCompletion =
        std::function<void(const QList<AppStoreConnectApp> &apps, const Error &error)>;
    // Lists the apps `key` sees.
    using ListFunction = std::function<void(const AppStoreConnectKey &key, AppsCompletion)>;

    // Without `list`, the application's App Store Connect client is used.
    explicit ConnectPreferencesSection(ListFunction list = {}, QObject *parent = nullptr);
    ~ConnectPreferencesSection() override;

    QGroupBox *view() const { return view_; }

    // Shows the stored IDs and whether a key is connected.
    void reload();
    // Opens the file dialog; the chosen file goes to keyFileChosenAction.
    void chooseKeyFileAction();
    // Reads the key file, tries it with the IDs in the fields, and keeps it
    // when the service takes it.
    void keyFileChosenAction(const QString &path);
    // Lists the apps the stored (or chosen) key sees.
    void testAction();
    void disconnectAction();

    QLineEdit *issuerField() const { return issuerField_; }
    QLineEdit *keyIDField() const { return keyIDField_; }
    QPushButton *chooseButton() const { return chooseButton_; }
    QPushButton *testButton() const { return testButton_; }
    QPushButton *disconnectButton() const { return disconnectButton_; }
    QLabel *statusLabel() const { return statusLabel_; }

Q_SIGNALS:
    // After Test, a chosen key or Disconnect answered.
    void finished(const Error &error);

private:
    void buildView();
    void setStatus(const QString &text, bool isError);
    void showApps(const QList<AppStoreConnectApp> &apps);
    // Runs `then` with the key in force, or shows why there is none.
    void withKey(std::function<void(const AppStoreConnectKey &key)> then);

    ListFunction list_;
    QPointer<QGroupBox> view_;
    QLineEdit *issuerField_ = nullptr;
    QLineEdit *keyIDField_ = nullptr;
    QPushButton *chooseButton_ = nullptr;
    QPushButton *testButton_ = nullptr;
    QPushButton *disconnectButton_ = nullptr;
    QLabel *statusLabel_ = nullptr;
    // Answers of an earlier action are dropped.
    quint64 generation_ = 0;
};
