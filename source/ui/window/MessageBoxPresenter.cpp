#include "ui/window/MessageBoxPresenter.h"

#include "platform/AppPaths.h"
#include "platform/StringFormat.h"

#include <QCheckBox>
#include <QMessageBox>
#include <QPushButton>

namespace {

QMessageBox::Icon iconFor(Alert::Style style)
{
    switch (style) {
    case Alert::Style::Informational:
        return QMessageBox::Information;
    case Alert::Style::Critical:
        return QMessageBox::Critical;
    case Alert::Style::Warning:
        break;
    }
    return QMessageBox::Warning;
}

// Builds the box; the caller owns it. Buttons keep the alert's order, the
// first being the default.
QMessageBox *makeBox(const Alert &alert, QWidget *parent, QList<QAbstractButton *> &buttons)
{
    auto *box = new QMessageBox(parent);
    box->setWindowTitle(AppPaths::applicationName());
    box->setIcon(iconFor(alert.style));
    box->setText(alert.messageText);
    box->setInformativeText(alert.informativeText);
    QStringList titles = alert.buttons;
    if (titles.isEmpty())
        titles << localized("Alert", "OK");
    for (int i = 0; i < titles.size(); ++i) {
        QPushButton *button = box->addButton(
            titles.at(i), i == 0 ? QMessageBox::AcceptRole : QMessageBox::RejectRole);
        buttons << button;
        if (i == 0)
            box->setDefaultButton(button);
    }
    if (alert.showsSuppressionButton)
        box->setCheckBox(new QCheckBox(localized("Alert", "Do not show this message again"), box));
    return box;
}

AlertResponse responseOf(QMessageBox *box, const QList<QAbstractButton *> &buttons)
{
    AlertResponse response;
    response.buttonIndex = std::max<qsizetype>(0, buttons.indexOf(box->clickedButton()));
    response.suppressionChecked = box->checkBox() && box->checkBox()->isChecked();
    return response;
}

} // namespace

bool MessageBoxPresenter::presentError(const Error &error)
{
    Alert alert;
    alert.style = Alert::Style::Critical;
    alert.messageText = error.localizedDescription();
    alert.informativeText = error.localizedFailureReason();
    runModal(alert);
    return false;
}

AlertResponse MessageBoxPresenter::runModal(const Alert &alert)
{
    QList<QAbstractButton *> buttons;
    std::unique_ptr<QMessageBox> box(makeBox(alert, window_, buttons));
    box->exec();
    return responseOf(box.get(), buttons);
}

void MessageBoxPresenter::beginSheet(
    const Alert &alert, std::function<void(AlertResponse)> completion)
{
    QList<QAbstractButton *> buttons;
    QMessageBox *box = makeBox(alert, window_, buttons);
    box->setWindowModality(window_ ? Qt::WindowModal : Qt::ApplicationModal);
    box->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(box, &QMessageBox::finished, box, [box, buttons, completion] {
        if (completion)
            completion(responseOf(box, buttons));
    });
    box->open();
}
