#include "ui/window/MainWindowController.h"

#include "platform/AppPaths.h"
#include "platform/StringFormat.h"
#include "ui/window/ActionResponder.h"
#include "ui/window/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QToolButton>

namespace {
const char *const RoutedProperty = "rkRoutedAction";
}

MainWindowController::MainWindowController(QObject *parent)
    : QObject(parent), window_(new MainWindow)
{
    buildMenus();
    connect(window_, &MainWindow::closeRequested, this, [this] {
        if (onQuitRequested)
            onQuitRequested();
    });
    connect(window_->prefsButton(), &QToolButton::clicked, this,
        &MainWindowController::showPreferencesAction);
}

MainWindowController::~MainWindowController()
{
    delete window_;
}

MainWindow *MainWindowController::window() const
{
    return window_;
}

void MainWindowController::showWindow(bool centre)
{
    if (centre) {
        if (QScreen *screen = QGuiApplication::primaryScreen()) {
            QRect frame = window_->frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            window_->move(frame.topLeft());
        }
    }
    window_->show();
    window_->raise();
    window_->activateWindow();
}

ActionResponder *MainWindowController::supplementalTargetForAction(const QString &action) const
{
    if (host_ && host_->respondsToAction(action))
        return host_;
    if (sidebar_ && sidebar_->respondsToAction(action))
        return sidebar_;
    return nullptr;
}

bool MainWindowController::sendAction(const QString &action, const QVariant &sender)
{
    ActionResponder *target = supplementalTargetForAction(action);
    if (!target)
        return false;
    target->performAction(action, sender);
    return true;
}

QAction *MainWindowController::action(const QString &name) const
{
    return window_->findChild<QAction *>(name);
}

void MainWindowController::showPreferencesAction()
{
    Q_EMIT preferencesPopoverRequested(window_->prefsButton());
}

QAction *MainWindowController::addRoutedAction(
    QMenu *menu, const QString &name, const QString &title, const QKeySequence &shortcut)
{
    QAction *item = menu->addAction(title);
    item->setObjectName(name);
    item->setProperty(RoutedProperty, name);
    if (!shortcut.isEmpty())
        item->setShortcut(shortcut);
    connect(item, &QAction::triggered, this,
        [this, name, item] { sendAction(name, QVariant::fromValue<QObject *>(item)); });
    return item;
}

void MainWindowController::validateMenu(QMenu *menu)
{
    for (QAction *item : menu->actions()) {
        const QString name = item->property(RoutedProperty).toString();
        if (name.isEmpty())
            continue;
        ActionResponder *target = supplementalTargetForAction(name);
        item->setEnabled(target && target->validateAction(name, item));
    }
}

void MainWindowController::buildMenus()
{
    QMenuBar *bar = window_->menuBar();

    QMenu *file = bar->addMenu(tr("&File"));
    addRoutedAction(file, QStringLiteral("performLoadAction"), tr("Update Reviews && Ratings"),
        QKeySequence(Qt::CTRL | Qt::Key_R));
    addRoutedAction(file, QStringLiteral("performLoadAllAction"),
        tr("Update All Reviews && Ratings"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R));
    addRoutedAction(file, QStringLiteral("performCancelLoadAction"), tr("Cancel Update"),
        QKeySequence(Qt::CTRL | Qt::Key_Period));
    file->addSeparator();
    addRoutedAction(file, QStringLiteral("showSearchPopoverAction"), tr("Add Product…"),
        QKeySequence(Qt::CTRL | Qt::Key_N));
    file->addSeparator();
    QAction *quit = file->addAction(tr("&Quit"));
    quit->setObjectName(QStringLiteral("terminateAction"));
    quit->setShortcut(QKeySequence::Quit);
    quit->setMenuRole(QAction::QuitRole);
    connect(quit, &QAction::triggered, this, [this] {
        if (onQuitRequested)
            onQuitRequested();
    });

    QMenu *edit = bar->addMenu(tr("&Edit"));
    addRoutedAction(edit, QStringLiteral("copy"), tr("Copy"), QKeySequence::Copy);
    addRoutedAction(edit, QStringLiteral("delete"), tr("Delete"), QKeySequence::Delete);
    addRoutedAction(edit, QStringLiteral("selectAll"), tr("Select All"), QKeySequence::SelectAll);
    edit->addSeparator();
    QAction *markRead = addRoutedAction(edit, QStringLiteral("markAllReadAction"),
        tr("Mark All as Read"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_K));
    markRead->setData(1);
    QAction *markUnread =
        addRoutedAction(edit, QStringLiteral("markAllUnreadAction"), tr("Mark All as Unread"));
    markUnread->setData(0);
    edit->addSeparator();
    addRoutedAction(
        edit, QStringLiteral("performFindPanelAction"), tr("Find…"), QKeySequence::Find);
    edit->addSeparator();
    QAction *prefs = edit->addAction(tr("Preferences…"));
    prefs->setObjectName(QStringLiteral("showPreferencesAction"));
    // Qt knows no standard preferences key on most Linux desktops.
    prefs->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    prefs->setMenuRole(QAction::PreferencesRole);
    connect(prefs, &QAction::triggered, this, &MainWindowController::showPreferencesAction);

    QMenu *view = bar->addMenu(tr("&View"));
    QAction *reviews = addRoutedAction(view, QStringLiteral("changeViewControllerAction"),
        tr("Reviews"), QKeySequence(Qt::CTRL | Qt::Key_1));
    reviews->setObjectName(QStringLiteral("showReviewsAction"));
    reviews->setData(0);
    reviews->setCheckable(true);
    QAction *ratings = addRoutedAction(view, QStringLiteral("changeViewControllerAction"),
        tr("Ratings"), QKeySequence(Qt::CTRL | Qt::Key_2));
    ratings->setObjectName(QStringLiteral("showRatingsAction"));
    ratings->setData(1);
    ratings->setCheckable(true);

    QMenu *help = bar->addMenu(tr("&Help"));
    // The application's help pages; the program that owns the window connects them.
    const auto addHelp = [&](const QString &name, const QString &title) {
        help->addAction(title)->setObjectName(name);
    };
    addHelp(QStringLiteral("openProductPageAction"),
        formatString(tr("%@ Website"), AppPaths::applicationName()));
    addHelp(QStringLiteral("openPrivacyPageAction"), tr("Privacy"));
    addHelp(QStringLiteral("openAcknowledgmentsAction"), tr("Acknowledgments"));
    addHelp(QStringLiteral("feedbackAndSupportAction"), tr("Feedback && Support…"));
    help->addSeparator();
    addHelp(QStringLiteral("checkForUpdatesAction"), tr("Check for Updates…"));
    QAction *about = help->addAction(formatString(tr("About %@"), AppPaths::applicationName()));
    about->setObjectName(QStringLiteral("aboutAction"));
    about->setMenuRole(QAction::AboutRole);
    connect(about, &QAction::triggered, window_, [this] {
        QMessageBox::about(window_, formatString(tr("About %@"), AppPaths::applicationName()),
            formatString(tr("<b>%@</b> %@<br>Follows what customers say "
                            "about products in Apple's online stores."),
                AppPaths::applicationName(), AppPaths::version()));
    });

    // Items are validated while their menu is open; shortcuts stay live
    // otherwise and reach sendAction, which ignores what nobody takes.
    for (QMenu *menu : {file, edit, view}) {
        connect(menu, &QMenu::aboutToShow, this, [this, menu] { validateMenu(menu); });
        connect(menu, &QMenu::aboutToHide, this, [menu] {
            for (QAction *item : menu->actions())
                item->setEnabled(true);
        });
    }
}
