#include "MainWindow.h"

#include "AppPaths.h"
#include "StringFormat.h"

#include <QCloseEvent>
#include <QHeaderView>
#include <QLabel>
#include <QSplitter>
#include <QStackedWidget>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent),
      sidebar_(new QTreeView),
      contentHost_(new QStackedWidget),
      prefsButton_(new QToolButton)
{
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(AppPaths::applicationName());
    setUnifiedTitleAndToolBarOnMac(true);
    resize(1100, 700);
    setMinimumSize(720, 420);

    sidebar_->setObjectName(QStringLiteral("mainOutlineView"));
    sidebar_->setHeaderHidden(true);
    sidebar_->setRootIsDecorated(true);
    sidebar_->setMinimumWidth(180);
    sidebar_->setFrameShape(QFrame::NoFrame);

    contentHost_->setObjectName(QStringLiteral("hostView"));
    auto *placeholder = new QLabel(localized("MainWindow", "Select a product in the sidebar."));
    placeholder->setAlignment(Qt::AlignCenter);
    placeholder->setEnabled(false);
    contentHost_->addWidget(placeholder);

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
    prefsButton_->setIcon(QIcon::fromTheme(QStringLiteral("preferences-system")));
    prefsButton_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    toolbar->addWidget(prefsButton_);
    addToolBar(Qt::TopToolBarArea, toolbar);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // Quitting may be refused (unsaved changes), so the decision is not ours.
    event->ignore();
    Q_EMIT closeRequested();
}
