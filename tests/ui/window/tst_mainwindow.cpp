#include "support/RecordingResponder.h"
#include "support/UiRecorders.h"

#include "ui/window/MainWindow.h"
#include "ui/window/MainWindowController.h"
#include "ui/window/MessageBoxPresenter.h"

#include <QAction>
#include <QCheckBox>
#include <QMenuBar>
#include <QMessageBox>
#include <QStackedWidget>
#include <QTimer>
#include <QToolButton>

class MainWindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Closing the window asks the delegate, which alone quits, as Quit does.
    void windowShowsItsPartsAndClosingAsksBeforeQuitting()
    {
        MainWindowController controller;
        int asked = 0;
        controller.onQuitRequested = [&] { ++asked; };
        controller.showWindow(true);
        MainWindow *window = controller.window();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QVERIFY(window->sidebar()->isVisible() && window->prefsButton()->isVisible());
        QVERIFY(window->sidebar()->width() < window->contentHost()->width());
        QStringList menus;
        for (QAction *item : window->menuBar()->actions())
            menus << item->text().remove('&');
        QCOMPARE(menus, (QStringList {"File", "Edit", "View", "Help"}));

        window->close();
        QCOMPARE(asked, 1);
        QVERIFY(window->isVisible());
        controller.action("terminateAction")->trigger();
        QCOMPARE(asked, 2);
    }

    void actionsGoToTheHostFirstThenTheSidebar()
    {
        MainWindowController controller;
        RecordingResponder host({"performLoadAllAction", "delete"});
        RecordingResponder sidebar({"delete", "markAllReadAction"});
        controller.setHostViewController(&host);
        controller.setMainOutlineViewController(&sidebar);
        controller.action("delete")->trigger();
        controller.action("markAllReadAction")->trigger();
        controller.action("performLoadAllAction")->trigger();
        QCOMPARE(host.performed, (QStringList {"delete", "performLoadAllAction"}));
        QCOMPARE(sidebar.performed, QStringList {"markAllReadAction"});
        QVERIFY(!controller.sendAction("performCancelLoadAction"));
    }

    void alertsReportTheButtonAndSuppression()
    {
        MessageBoxPresenter presenter;
        Alert alert;
        alert.buttons = QStringList {"Quit anyway", "Cancel"};
        alert.showsSuppressionButton = true;
        QTimer::singleShot(0, [] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            QVERIFY(box && box->buttons().size() == 2);
            box->checkBox()->setChecked(true);
            for (QAbstractButton *button : box->buttons())
                if (button->text() == "Cancel")
                    button->click();
        });
        const AlertResponse response = presenter.runModal(alert);
        QCOMPARE(response.buttonIndex, 1);
        QVERIFY(response.suppressionChecked);
    }
};

RK_TEST_GUI_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
