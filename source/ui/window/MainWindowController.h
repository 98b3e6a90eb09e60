#pragma once

#include <QKeySequence>
#include <QObject>
#include <QPointer>
#include <QVariant>

#include <functional>

class ActionResponder;
class MainWindow;
class QAction;
class QMenu;
class QWidget;

// Controls the main window: builds it with its menus, shows it, and routes
// menu actions that need a target to the content host first, then the
// sidebar.
class MainWindowController : public QObject {
    Q_OBJECT

public:
    explicit MainWindowController(QObject *parent = nullptr);
    ~MainWindowController() override;

    MainWindow *window() const;

    void showWindow(bool centre);

    void setHostViewController(ActionResponder *host) { host_ = host; }
    void setMainOutlineViewController(ActionResponder *sidebar) { sidebar_ = sidebar; }

    // The responder for `action`: the content host when it takes it, else the
    // sidebar, else none.
    ActionResponder *supplementalTargetForAction(const QString &action) const;

    // Sends `action` to its target; false when nobody takes it.
    bool sendAction(const QString &action, const QVariant &sender = {});

    // The menu action with this name, for tests and other parts.
    QAction *action(const QString &name) const;

    // The preferences button and Edit > Preferences… (Ctrl+,).
    void showPreferencesAction();

    // Asked before the application quits (window closed, Quit chosen).
    std::function<void()> onQuitRequested;

Q_SIGNALS:
    // The preferences popover should toggle at `anchor`.
    void preferencesPopoverRequested(QWidget *anchor);

private:
    void buildMenus();
    QAction *addRoutedAction(
        QMenu *menu, const QString &name, const QString &title, const QKeySequence &shortcut = {});
    void validateMenu(QMenu *menu);

    MainWindow *window_;
    ActionResponder *host_ = nullptr;
    ActionResponder *sidebar_ = nullptr;
};
