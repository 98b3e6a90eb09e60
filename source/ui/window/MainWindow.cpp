#include "ui/window/MainWindow.h"

#include "platform/AppPaths.h"
#include "platform/StringFormat.h"

#include <QCloseEvent>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QStackedWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent),
      sidebar_(new QWidget),
      sidebarLayout_(new QVBoxLayout(sidebar_)),
      contentHost_(new QStackedWidget),
      emptyState_(new QWidget),
      addProductButton_(new QPushButton),
      prefsButton_(new QToolButton)
{
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(AppPaths::applicationName());
    setUnifiedTitleAndToolBarOnMac(true);
    resize(1100, 700);
    setMinimumSize(720, 420);

    sidebar_->setObjectName(QStringLiteral("mainOutlineView"));
    sidebar_->setMinimumWidth(180);
    sidebarLayout_->setContentsMargins(0, 0, 0, 0);
    sidebarLayout_->setSpacing(0);

    contentHost_->setObjectName(QStringLiteral("hostView"));
    // What a new user sees first: nothing to read yet, and the one thing to do.
    emptyState_->setObjectName(QStringLiteral("emptyState"));
    auto *emptyLayout = new QVBoxLayout(emptyState_);
    emptyLayout->addStretch();
    auto *emptyText = new QLabel(localized(
        "MainWindow", "Add an app, a book or a podcast to follow what its customers say."));
    emptyText->setAlignment(Qt::AlignCenter);
    emptyText->setWordWrap(true);
    emptyLayout->addWidget(emptyText);
    addProductButton_->setObjectName(QStringLiteral("addProductButton"));
    addProductButton_->setText(localized("MainWindow", "Add a Product…"));
    addProductButton_->setAccessibleName(localized("MainWindow", "Add a Product…"));
    emptyLayout->addWidget(addProductButton_, 0, Qt::AlignHCenter);
    emptyLayout->addStretch();
    contentHost_->addWidget(emptyState_);

    auto *splitter = new QSplitter(Qt::Horizontal);
    splitter->setObjectName(QStringLiteral("mainSplitter"));
    splitter->addWidget(sidebar_);
    splitter->addWidget(contentHost_);
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({240, 860});
    splitter->setChildrenCollapsible(false);
    setCentralWidget(splitter);

    auto *toolbar = new QToolBar(localized("MainWindow", "Toolbar"));
    toolbar->setObjectName(QStringLiteral("mainToolbar"));
    toolbar->setMovable(false);
    toolbar->setFloatable(false);
    auto *spacer = new QWidget;
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    toolbar->addWidget(spacer);
    prefsButton_->setObjectName(QStringLiteral("prefsButton"));
    prefsButton_->setText(localized("MainWindow", "Preferences"));
    prefsButton_->setToolTip(localized("MainWindow", "Preferences"));
    prefsButton_->setAccessibleName(localized("MainWindow", "Preferences"));
    prefsButton_->setIcon(QIcon::fromTheme(QStringLiteral("preferences-system")));
    prefsButton_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    toolbar->addWidget(prefsButton_);
    addToolBar(Qt::TopToolBarArea, toolbar);
}

void MainWindow::setSidebarView(QWidget *view)
{
    sidebarLayout_->addWidget(view);
}

void MainWindow::setContentView(QWidget *view)
{
    contentView_ = view;
    contentHost_->addWidget(view);
    contentHost_->setCurrentWidget(view);
}

void MainWindow::setShowsEmptyState(bool empty)
{
    contentHost_->setCurrentWidget(empty || !contentView_ ? emptyState_ : contentView_);
}

bool MainWindow::showsEmptyState() const
{
    return contentHost_->currentWidget() == emptyState_;
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // Quitting may be refused (unsaved changes), so the decision is not ours.
    event->ignore();
    Q_EMIT closeRequested();
}
