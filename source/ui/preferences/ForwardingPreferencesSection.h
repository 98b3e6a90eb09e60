#pragma once

#include "forward/ForwardSecrets.h"
#include "platform/Error.h"
#include "ui/preferences/ForwardDestinationEditor.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>
#include <optional>

class ForwardDestination;
class ForwardDestinationsModel;
class Forwarder;
class ManagedObjectContext;
class QLabel;
class QPushButton;
class QTableView;
class QWidget;

// The forwarding part of the preferences: the destinations new reviews are
// posted to, with Add…, Edit…, Remove and Test. Each change is saved with
// `save`. The status line says where an address was kept, why an add or
// edit failed, what Test's receiver answered, or why the selected
// destination is paused. The list follows the context's changes, so that
// an update's deliveries show.
class ForwardingPreferencesSection : public QObject {
    Q_OBJECT

public:
    ForwardingPreferencesSection(ManagedObjectContext &context, Forwarder *forwarder,
        std::function<void()> save, QObject *parent = nullptr);
    ~ForwardingPreferencesSection() override;

    QWidget *view() const { return view_; }
    ForwardDestinationsModel *model() const { return model_; }

    void addAction();
    void editAction();
    void removeAction();
    void testAction();

    QTableView *tableView() const { return tableView_; }
    QPushButton *addButton() const { return addButton_; }
    QPushButton *editButton() const { return editButton_; }
    QPushButton *removeButton() const { return removeButton_; }
    QPushButton *testButton() const { return testButton_; }
    QLabel *statusLabel() const { return statusLabel_; }
    // The Add or Edit dialog, while it is open.
    ForwardDestinationEditor *editor() const { return editor_; }

Q_SIGNALS:
    // After an add, edit, removal or test answered.
    void finished(const Error &error);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildView();
    void reload();
    std::shared_ptr<ForwardDestination> selectedDestination() const;
    void selectionChanged();
    void setStatus(const QString &text);
    void editorAccepted(const std::shared_ptr<ForwardDestination> &edited);
    // `added`: a new destination; `keptAddress`: its address was written.
    void showSaved(const std::shared_ptr<ForwardDestination> &destination,
        ForwardSecrets::Place place, const Error &error, bool added, bool keptAddress);

    ManagedObjectContext &context_;
    Forwarder *forwarder_;
    std::function<void()> save_;
    QPointer<QWidget> view_;
    ForwardDestinationsModel *model_ = nullptr;
    QTableView *tableView_ = nullptr;
    QPushButton *addButton_ = nullptr;
    QPushButton *editButton_ = nullptr;
    QPushButton *removeButton_ = nullptr;
    QPushButton *testButton_ = nullptr;
    QLabel *statusLabel_ = nullptr;
    QPointer<ForwardDestinationEditor> editor_;
    bool reloadPending_ = false;
    bool reloading_ = false;
};
