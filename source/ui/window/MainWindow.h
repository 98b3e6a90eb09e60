#pragma once

#include <QMainWindow>

class QPushButton;
class QStackedWidget;
class QToolButton;
class QVBoxLayout;

// The single main window: the sidebar beside the content host, and the
// preferences button. While the store holds no product, the content area
// shows an empty state with one button to add a product. Closing it asks
// before quitting, like the Quit command.
class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);

    QWidget *sidebar() const { return sidebar_; }
    QStackedWidget *contentHost() const { return contentHost_; }
    QToolButton *prefsButton() const { return prefsButton_; }
    QPushButton *addProductButton() const { return addProductButton_; }

    // The sidebar's view and the content host's view; the window takes them.
    void setSidebarView(QWidget *view);
    void setContentView(QWidget *view);
    void setShowsEmptyState(bool empty);
    bool showsEmptyState() const;

Q_SIGNALS:
    // Emitted when the user closes the window; the receiver decides.
    void closeRequested();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    QWidget *sidebar_;
    QVBoxLayout *sidebarLayout_;
    QStackedWidget *contentHost_;
    QWidget *emptyState_;
    QPushButton *addProductButton_;
    QWidget *contentView_ = nullptr;
    QToolButton *prefsButton_;
};
