// Search, the status poll and Disconnect through the real main window's controls, against a
// simulated device (set KELM_SCREENSHOT_DIR to keep pictures of the window).
#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QTableView>
#include <QTest>

#include "shell/Pause.h"
#include "app/lib/MainWindow.h"
#include "devsim/lib/SimulatedDevice.h"
#include "workbench/Glyph.h"

class MainWindowConnectionTest : public QObject
{
    Q_OBJECT

    static void saveShot(QWidget *w, const char *name)
    {
        const QByteArray dir = qgetenv("KELM_SCREENSHOT_DIR");
        if (dir.isEmpty())
            return;
        w->grab();
        pauseWithEvents(50);
        w->grab().save(QString::fromLocal8Bit(dir) + "/" + name);
    }

  private slots:
    // What the operator must see goes to the main window, not only to the hidden debug log.
    void linkProblemsShowInTheMainWindow_data()
    {
        QTest::addColumn<QString>("problem");
        QTest::addColumn<QString>("shown");
        QTest::newRow("description never arrived") << "description" << "No description from %1.";
        QTest::newRow("port lost") << "lost" << "Port %1 lost.";
    }
    void linkProblemsShowInTheMainWindow()
    {
        QFETCH(QString, problem);
        QFETCH(QString, shown);
        SimulatedDevice device;
        QVERIFY(device.start());
        if (problem == "description") {
            device.faults().onlyFor = Command::SYS_DSCPT;
            device.faults().dropReplies = -1;
        }
        StartupOptions options;
        options.ports = {device.portPath()};
        MainWindow w(options);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        auto *line = w.findChild<QLabel *>("Label_LinkProblem");
        QVERIFY(line);
        QTest::mouseClick(w.findChild<QAbstractButton *>("BitBtn_Search"), Qt::LeftButton);
        QVERIFY(w.session().connected());
        if (problem == "lost") {
            QCOMPARE(line->text(), QString());
            device.faults().vanishAfterRequests = 1;
            w.session().channel().sendCommand(Direction::GET, Command::RXEDMD, 2);
            QTRY_VERIFY_WITH_TIMEOUT(!w.session().connected(), 3000);
        }
        QCOMPARE(line->text(), shown.arg(device.portPath()));
        QVERIFY(line->isVisible());
        QCOMPARE(line->palette().color(QPalette::WindowText), QColor(Qt::red));
        QCOMPARE(line->textFormat(), Qt::PlainText);
        saveShot(&w, qPrintable("link-main-window-" + problem + ".png"));
        // The next search starts clean.
        if (w.session().connected())
            w.session().disconnect();
        device.faults() = SimulatedFaults{};
        if (problem == "lost")
            return; // the vanished port does not come back
        QTest::mouseClick(w.findChild<QAbstractButton *>("BitBtn_Search"), Qt::LeftButton);
        QCOMPARE(line->text(), QString());
    }

    void searchPollAndDisconnect()
    {
        SimulatedDeviceConfig config;
        config.edidMode = 9; // user 1 with 8 internal and 1 external mode
        SimulatedDevice device(config);
        QVERIFY(device.start());
        StartupOptions options;
        options.ports = {"/nonexistent/ttyKELM9", device.portPath()};
        MainWindow w(options);
        QVERIFY(!w.startupRefused());
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));

        auto *search = w.findChild<QAbstractButton *>("BitBtn_Search");
        auto *disconnect = w.findChild<QAbstractButton *>("BitBtn_Disconnect");
        auto *grid = w.findChild<QTableView *>("StringGrid1");
        auto *ports = w.findChild<QComboBox *>("ComboBox1");
        auto *open = w.findChild<QAbstractButton *>("SpeedButton_OpenEdid");
        QVERIFY(search && disconnect && grid && ports && open);
        QCOMPARE(glyphOf(open), QString("OpenGray"));

        QTest::mouseClick(search, Qt::LeftButton);
        QVERIFY(w.session().connected());
        QVERIFY(!search->isEnabled());
        QVERIFY(disconnect->isEnabled());
        QCOMPARE(ports->count(), 2);
        QCOMPARE(ports->currentIndex(), 0);
        QVERIFY(w.debugLog().text().contains("Open /nonexistent/ttyKELM9 Failed.\r\n"));
        QVERIFY(w.debugLog().text().contains("Got One Device!\r\n"));
        const int row = grid->model()->rowCount() - 1; // a network answer may have come first
        QVERIFY(row >= 0);
        QCOMPARE(grid->model()->index(row, 1).data().toString(), device.portPath());
        QCOMPARE(grid->model()->index(row, 2).data().toString(), QString("HDM-4K44"));
        QCOMPARE(grid->model()->index(row, 3).data().toString(), QString(" Demo Matrix "));
        QCOMPARE(glyphOf(open), QString("OpenColor"));
        if (auto *firmware = w.findChild<QWidget *>("GroupBox4"))
            QCOMPARE(firmware->height(), 48);
        saveShot(&w, "link-main-window-connected.png");

        // The poll's report reaches the mode buttons of the controller page.
        auto *user1 = w.findChild<QAbstractButton *>("RadioButton_Set_UserEdid1");
        QVERIFY(user1);
        QTRY_VERIFY_WITH_TIMEOUT(user1->isChecked(), 5000);
        QVERIFY(user1->isEnabled());

        QTest::mouseClick(disconnect, Qt::LeftButton);
        QVERIFY(!w.session().connected());
        QVERIFY(search->isEnabled());
        QVERIFY(!user1->isEnabled());
        QCOMPARE(glyphOf(open), QString("OpenGray"));
        QCOMPARE(grid->model()->index(row, 1).data().toString(), QString());
        saveShot(&w, "link-main-window-disconnected.png");
    }
};

QTEST_MAIN(MainWindowConnectionTest)
#include "tst_main_window_connection.moc"
