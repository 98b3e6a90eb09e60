#include "ui/preferences/ForwardDestinationEditor.h"

#include "forward/ForwardDestinations.h"
#include "forward/ForwardMessage.h"
#include "model/Product.h"
#include "model/StoreQueries.h"
#include "platform/StringFormat.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>

namespace {

QStringList listFrom(const QString &text)
{
    QStringList items;
    for (const QString &item : text.split(QLatin1Char(','))) {
        if (!item.trimmed().isEmpty())
            items << item.trimmed();
    }
    return items;
}

} // namespace

ForwardDestinationEditor::ForwardDestinationEditor(
    Mode mode, ManagedObjectContext &context, QWidget *parent)
    : QDialog(parent), mode_(mode)
{
    setWindowTitle(mode == Mode::Add
            ? localized("ForwardDestinationEditor", "Add a Forwarding Destination")
            : localized("ForwardDestinationEditor", "Edit the Forwarding Destination"));
    auto *form = new QFormLayout(this);
    // Room for the placeholders and a webhook's address.
    setMinimumWidth(fontMetrics().averageCharWidth() * 64);

    kindPopUpButton_ = new QComboBox;
    kindPopUpButton_->setAccessibleName(localized("ForwardDestinationEditor", "Kind"));
    for (const auto kind : {ForwardMessage::Kind::Slack, ForwardMessage::Kind::Discord,
             ForwardMessage::Kind::Teams, ForwardMessage::Kind::Webhook})
        kindPopUpButton_->addItem(ForwardMessage::displayName(kind), ForwardMessage::nameOf(kind));
    connect(kindPopUpButton_, &QComboBox::currentIndexChanged, this,
        &ForwardDestinationEditor::kindChanged);
    form->addRow(localized("ForwardDestinationEditor", "Kind:"), kindPopUpButton_);

    addressField_ = new QLineEdit;
    addressField_->setAccessibleName(localized("ForwardDestinationEditor", "Address"));
    addressField_->setPlaceholderText(mode == Mode::Add
            ? localized("ForwardDestinationEditor", "https://hooks.example.com/…")
            : localized("ForwardDestinationEditor", "empty keeps the stored address"));
    connect(addressField_, &QLineEdit::textChanged, this, &ForwardDestinationEditor::validate);
    form->addRow(localized("ForwardDestinationEditor", "Address:"), addressField_);
    addressProblemLabel_ = new QLabel;
    addressProblemLabel_->setWordWrap(true);
    addressProblemLabel_->setAccessibleName(
        localized("ForwardDestinationEditor", "Address Problem"));
    form->addRow(QString(), addressProblemLabel_);

    signingSecretField_ = new QLineEdit;
    signingSecretField_->setEchoMode(QLineEdit::Password);
    signingSecretField_->setAccessibleName(localized("ForwardDestinationEditor", "Signing Secret"));
    signingSecretField_->setPlaceholderText(
        localized("ForwardDestinationEditor", "optional; signs each message"));
    signingSecretLabel_ = new QLabel(localized("ForwardDestinationEditor", "Signing secret:"));
    form->addRow(signingSecretLabel_, signingSecretField_);

    // None checked: all products, the ones added later too.
    productList_ = new QListWidget;
    productList_->setAccessibleName(localized("ForwardDestinationEditor", "Products"));
    productList_->setToolTip(localized("ForwardDestinationEditor", "None checked: all products"));
    for (const auto &product :
        StoreQueries::allProducts(&context).value_or(StoreQueries::Products {})) {
        auto *item = new QListWidgetItem(
            product->title().isEmpty() ? product->identifier() : product->title(), productList_);
        item->setData(Qt::UserRole, product->identifier());
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
        item->setCheckState(Qt::Unchecked);
    }
    productList_->setMaximumHeight(productList_->fontMetrics().lineSpacing() * 6);
    form->addRow(localized("ForwardDestinationEditor", "Products:"), productList_);

    lowestRatingBox_ = new QSpinBox;
    highestRatingBox_ = new QSpinBox;
    lowestRatingBox_->setAccessibleName(localized("ForwardDestinationEditor", "Lowest Rating"));
    highestRatingBox_->setAccessibleName(localized("ForwardDestinationEditor", "Highest Rating"));
    lowestRatingBox_->setRange(1, 5);
    highestRatingBox_->setRange(1, 5);
    highestRatingBox_->setValue(5);
    // Each bounds the other, so the lowest never passes the highest.
    connect(lowestRatingBox_, &QSpinBox::valueChanged, highestRatingBox_, &QSpinBox::setMinimum);
    connect(highestRatingBox_, &QSpinBox::valueChanged, lowestRatingBox_, &QSpinBox::setMaximum);
    auto *ratings = new QHBoxLayout;
    ratings->addWidget(lowestRatingBox_);
    ratings->addWidget(new QLabel(localized("ForwardDestinationEditor", "to")));
    ratings->addWidget(highestRatingBox_);
    ratings->addWidget(new QLabel(localized("ForwardDestinationEditor", "stars")));
    ratings->addStretch();
    form->addRow(localized("ForwardDestinationEditor", "Ratings:"), ratings);

    countriesField_ = new QLineEdit;
    countriesField_->setAccessibleName(localized("ForwardDestinationEditor", "Countries"));
    countriesField_->setPlaceholderText(
        localized("ForwardDestinationEditor", "all; or codes such as US, DE"));
    form->addRow(localized("ForwardDestinationEditor", "Countries:"), countriesField_);
    keywordsField_ = new QLineEdit;
    keywordsField_->setAccessibleName(localized("ForwardDestinationEditor", "Keywords"));
    keywordsField_->setPlaceholderText(
        localized("ForwardDestinationEditor", "any review; or words such as crash, refund"));
    form->addRow(localized("ForwardDestinationEditor", "Keywords:"), keywordsField_);
    editedCheckBox_ =
        new QCheckBox(localized("ForwardDestinationEditor", "Forward edited reviews"));
    editedCheckBox_->setAccessibleName(editedCheckBox_->text());
    editedCheckBox_->setChecked(true);
    form->addRow(editedCheckBox_);

    sinceCheckBox_ = new QCheckBox(
        localized("ForwardDestinationEditor", "Also send the stored reviews written since"));
    sinceCheckBox_->setAccessibleName(sinceCheckBox_->text());
    sinceDateEdit_ = new QDateEdit(QDate::currentDate().addDays(-7));
    sinceDateEdit_->setAccessibleName(
        localized("ForwardDestinationEditor", "Stored Reviews Since"));
    sinceDateEdit_->setCalendarPopup(true);
    sinceDateEdit_->setMaximumDate(QDate::currentDate());
    sinceDateEdit_->setEnabled(false);
    connect(sinceCheckBox_, &QCheckBox::toggled, sinceDateEdit_, &QDateEdit::setEnabled);
    auto *since = new QHBoxLayout;
    since->addWidget(sinceCheckBox_);
    since->addWidget(sinceDateEdit_);
    since->addStretch();
    form->addRow(since);
    sinceCheckBox_->setVisible(mode == Mode::Add);
    sinceDateEdit_->setVisible(mode == Mode::Add);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    okButton_ = buttons->button(QDialogButtonBox::Ok);
    okButton_->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);

    const QList<QWidget *> order {kindPopUpButton_, addressField_, signingSecretField_,
        productList_, lowestRatingBox_, highestRatingBox_, countriesField_, keywordsField_,
        editedCheckBox_, sinceCheckBox_, sinceDateEdit_, okButton_,
        buttons->button(QDialogButtonBox::Cancel)};
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order.at(i - 1), order.at(i));
    kindChanged();
    validate();
    addressField_->setFocus();
}

void ForwardDestinationEditor::setDestination(const QString &kind, const ForwardRules &rules)
{
    kindPopUpButton_->setCurrentIndex(qMax(0, kindPopUpButton_->findData(kind)));
    for (int row = 0; row < productList_->count(); ++row) {
        QListWidgetItem *item = productList_->item(row);
        item->setCheckState(rules.products.contains(item->data(Qt::UserRole).toString())
                ? Qt::Checked
                : Qt::Unchecked);
    }
    // Widen both ranges first, so that neither clamps the other's new value.
    lowestRatingBox_->setMaximum(5);
    highestRatingBox_->setMinimum(1);
    lowestRatingBox_->setValue(rules.minRating);
    highestRatingBox_->setValue(rules.maxRating);
    countriesField_->setText(rules.countries.join(QStringLiteral(", ")));
    keywordsField_->setText(rules.keywords.join(QStringLiteral(", ")));
    editedCheckBox_->setChecked(rules.edited);
}

QString ForwardDestinationEditor::kind() const
{
    return kindPopUpButton_->currentData().toString();
}

std::optional<ForwardSecrets::Secret> ForwardDestinationEditor::secret() const
{
    const QString address = addressField_->text().trimmed();
    if (address.isEmpty() && mode_ == Mode::Edit)
        return std::nullopt;
    return ForwardSecrets::Secret {
        address, kind() == QLatin1String("webhook") ? signingSecretField_->text() : QString()};
}

ForwardRules ForwardDestinationEditor::rules() const
{
    ForwardRules rules;
    for (int row = 0; row < productList_->count(); ++row) {
        if (productList_->item(row)->checkState() == Qt::Checked)
            rules.products << productList_->item(row)->data(Qt::UserRole).toString();
    }
    rules.minRating = lowestRatingBox_->value();
    rules.maxRating = highestRatingBox_->value();
    rules.countries =
        listFrom(countriesField_->text().toUpper().replace(QLatin1Char(' '), QLatin1Char(',')));
    rules.keywords = listFrom(keywordsField_->text());
    rules.edited = editedCheckBox_->isChecked();
    return rules;
}

QDateTime ForwardDestinationEditor::since() const
{
    if (mode_ != Mode::Add || !sinceCheckBox_->isChecked())
        return {};
    return sinceDateEdit_->date().startOfDay();
}

void ForwardDestinationEditor::kindChanged()
{
    const bool webhook = kind() == QLatin1String("webhook");
    signingSecretLabel_->setVisible(webhook);
    signingSecretField_->setVisible(webhook);
}

void ForwardDestinationEditor::validate()
{
    const QString address = addressField_->text().trimmed();
    const QString problem = address.isEmpty() && mode_ == Mode::Edit
        ? QString()
        : ForwardDestinations::addressProblem(address);
    // No complaint before anything is typed; OK waits all the same.
    addressProblemLabel_->setText(address.isEmpty() ? QString() : problem);
    addressProblemLabel_->setVisible(!addressProblemLabel_->text().isEmpty());
    addressProblemLabel_->setAccessibleDescription(problem);
    okButton_->setEnabled(problem.isEmpty());
}
