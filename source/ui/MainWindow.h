#pragma once

#include <QMainWindow>

class QStackedWidget;
class QToolButton;
class QTreeView;

// The single main window: the sidebar beside the content host, and the
// preferences button. Closing it asks before quitting, like the Quit command.
class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);

    QTreeView *sidebar() const { return sidebar_; }
    QStackedWidget *contentHost() const { return contentHost_; }
    QToolButton *prefsButton() const { return prefsButton_; }

Q_SIGNALS:
    // Emitted when the user closes the window; the receiver decides.
    void closeRequested();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    QTreeView *sidebar_;
    QStackedWidget *contentHost_;
    QToolButton *prefsButton_;
};
