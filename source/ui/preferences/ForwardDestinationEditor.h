#pragma once

#include "forward/ForwardSecrets.h"
#include "model/ForwardRules.h"

#include <QDateTime>
#include <QDialog>

#include <optional>

class ManagedObjectContext;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;

// Adds a forwarding destination, or edits one: its kind, address, signing
// secret (webhooks), products, stars, countries, keywords and whether
// edited reviews go too. An edited destination's address is never shown:
// an empty field keeps the stored one. OK waits for a valid address.
class ForwardDestinationEditor : public QDialog {
    Q_OBJECT

public:
    enum class Mode { Add, Edit };

    // The products come from `context`.
    ForwardDestinationEditor(Mode mode, ManagedObjectContext &context, QWidget *parent = nullptr);

    // Fills the fields with an edited destination's kind and rules.
    void setDestination(const QString &kind, const ForwardRules &rules);

    // "slack", "discord", "teams" or "webhook".
    QString kind() const;
    // The address and signing secret typed; nullopt when an edit keeps the
    // stored address (a signing secret typed then goes with that address).
    std::optional<ForwardSecrets::Secret> secret() const;
    ForwardRules rules() const;
    // The date stored reviews are sent from; invalid when none are.
    QDateTime since() const;

    QComboBox *kindPopUpButton() const { return kindPopUpButton_; }
    QLineEdit *addressField() const { return addressField_; }
    QLabel *addressProblemLabel() const { return addressProblemLabel_; }
    QLineEdit *signingSecretField() const { return signingSecretField_; }
    QListWidget *productList() const { return productList_; }
    QSpinBox *lowestRatingBox() const { return lowestRatingBox_; }
    QSpinBox *highestRatingBox() const { return highestRatingBox_; }
    QLineEdit *countriesField() const { return countriesField_; }
    QLineEdit *keywordsField() const { return keywordsField_; }
    QCheckBox *editedCheckBox() const { return editedCheckBox_; }
    QCheckBox *sinceCheckBox() const { return sinceCheckBox_; }
    QDateEdit *sinceDateEdit() const { return sinceDateEdit_; }
    QPushButton *okButton() const { return okButton_; }

private:
    void validate();
    void kindChanged();

    Mode mode_;
    QComboBox *kindPopUpButton_ = nullptr;
    QLineEdit *addressField_ = nullptr;
    QLabel *addressProblemLabel_ = nullptr;
    QLabel *signingSecretLabel_ = nullptr;
    QLineEdit *signingSecretField_ = nullptr;
    QListWidget *productList_ = nullptr;
    QSpinBox *lowestRatingBox_ = nullptr;
    QSpinBox *highestRatingBox_ = nullptr;
    QLineEdit *countriesField_ = nullptr;
    QLineEdit *keywordsField_ = nullptr;
    QCheckBox *editedCheckBox_ = nullptr;
    QCheckBox *sinceCheckBox_ = nullptr;
    QDateEdit *sinceDateEdit_ = nullptr;
    QPushButton *okButton_ = nullptr;
};
