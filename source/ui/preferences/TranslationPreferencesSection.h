#pragma once

#include "platform/Error.h"

#include <QGroupBox>
#include <QObject>
#include <QPointer>

#include <functional>

class QComboBox;

class QLabel;
class QLineEdit;
class QPushButton;
class SecretStore;
class UserDefaults;

// The translation part of the preferences: which service translates, its
// key (kept in the secret store, never in the preferences), the region of
// an Azure resource or the address of a LibreTranslate server, and a Test
// button that translates a short text and shows the answer or the error in
// place.
class TranslationPreferencesSection : public QObject {
    Q_OBJECT

public:
    using TranslationCompletion = std::function<void(const QString &translation, const Error &)>;
    // Translates `text` into `to` with the service the preferences name.
    using TestFunction = std::function<void(
        const QString &text, const QString &to, TranslationCompletion completion)>;

    static const QString TestText; // "Good morning! The update works well."

    // Without `test`, the application's translation client is used.
    TranslationPreferencesSection(UserDefaults &defaults, SecretStore &secrets,
        TestFunction test = {}, QObject *parent = nullptr);
    ~TranslationPreferencesSection() override;

    // The section to place in the preferences; owned by the caller's layout.
    QGroupBox *view() const { return view_; }

    // Reads the preferences and the chosen service's key into the controls.
    void reload();
    void providerSelectedAction(int index);
    // Stores the key field when it changed (removing the key when empty).
    void keyEditedAction();
    void regionEditedAction();
    void addressEditedAction();
    void testAction();

    QComboBox *providerPopUpButton() const { return providerPopUpButton_; }
    QLineEdit *keyField() const { return keyField_; }
    QLineEdit *regionField() const { return regionField_; }
    QLineEdit *addressField() const { return addressField_; }
    QPushButton *testButton() const { return testButton_; }
    QLabel *statusLabel() const { return statusLabel_; }

Q_SIGNALS:
    // After a key was written or removed, or failed to be.
    void keyStored(const Error &error);
    // After a test answered.
    void testFinished(const QString &translation, const Error &error);

private:
    void buildView();
    // The controls from the preferences, without the key.
    void showPreferences();
    QString provider() const;
    void showFieldsForProvider();
    void setStatus(const QString &text, bool isError);
    // Writes the key field when it differs from what is stored, then runs
    // `then` with the outcome.
    void storeKey(std::function<void(const Error &)> then);

    UserDefaults &defaults_;
    SecretStore &secrets_;
    TestFunction test_;
    QPointer<QGroupBox> view_;
    QComboBox *providerPopUpButton_ = nullptr;
    QLabel *keyLabel_ = nullptr;
    QLineEdit *keyField_ = nullptr;
    QLabel *regionLabel_ = nullptr;
    QLineEdit *regionField_ = nullptr;
    QLabel *addressLabel_ = nullptr;
    QLineEdit *addressField_ = nullptr;
    QPushButton *testButton_ = nullptr;
    QLabel *statusLabel_ = nullptr;
    // The key as last read or written, to write only what changed.
    QString storedKey_;
    // Answers of an earlier provider or test are dropped.
    quint64 generation_ = 0;
};
