// The main window as `kelm --demo` starts it: the in-process simulated device is listed first,
// Search connects to it through the window's own buttons, Disconnect returns to idle, and the
// "EDID Analyzer" tab stays hidden through all of it. With loopback carrying the broadcast and
// the discovery group (tests/net/with-lan.sh), the demo's network device is listed as well.
#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <memory>

#include "ScriptedDialogs.h"
#include "app/lib/KelmApplication.h"
#include "app/lib/MainWindow.h"
#include "net/ui/CommanderWindow.h"
#include "workbench/EdidAnalyzerWindow.h"
#include "net/ui/DeviceListController.h"

namespace {

template <class T> T *child(QObject *root, const char *name)
{
    T *found = root->findChild<T *>(QString::fromLatin1(name));
    if (!found)
        qFatal("no %s named %s", T::staticMetaObject.className(), name);
    return found;
}

QStringList items(QComboBox *box)
{
    QStringList out;
    for (int i = 0; i < box->count(); ++i)
        out << box->itemText(i);
    return out;
}

// The text of a cell of the device list.
QString cellText(const QTableView *grid, int row, int column)
{
    return grid->model()->index(row, column).data().toString();
}

// The grid row of the first network device, or -1.
int networkRow(QTableView *grid)
{
    for (int row = 0; row < grid->model()->rowCount(); ++row)
        if (cellText(grid, row, 1) == QLatin1String("ETHERNET"))
            return row;
    return -1;
}

} // namespace

class DemoTest : public QObject
{
    Q_OBJECT

  private slots:
    void demoPortIsListedFirst_data()
    {
        QTest::addColumn<QStringList>("ports");
        QTest::newRow("system list") << QStringList{};
        QTest::newRow("with --port") << QStringList{"/nonexistent/ttyKELM0", "/nonexistent/ttyKELM1"};
    }
    void demoPortIsListedFirst()
    {
        QFETCH(QStringList, ports);
        ScriptedDialogs dialogs;
        StartupOptions options;
        options.demo = true;
        options.ports = ports;
        MainWindow window(options);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        const QStringList listed = window.session().transport().listSerialPorts();
        QVERIFY(!listed.isEmpty());
        QVERIFY2(listed.first().startsWith(QStringLiteral("/dev/pts/")), qPrintable(listed.first()));
        if (!ports.isEmpty())
            QCOMPARE(listed.mid(1), ports); // --port replaces the system list, after the demo
    }

    // As the tests build it, and as the program does: the pages, the other two windows and the
    // controllers made only after the first paint.
    void searchAndDisconnectThroughTheWindow_data()
    {
        QTest::addColumn<bool>("deferred");
        QTest::newRow("all before the first paint") << false;
        QTest::newRow("the rest after the first paint") << true;
    }
    void searchAndDisconnectThroughTheWindow()
    {
        QFETCH(bool, deferred);
        ScriptedDialogs dialogs;
        StartupOptions options;
        options.demo = true;
        options.deferSecondaryWindows = deferred;
        MainWindow window(options);
        QCOMPARE(window.startupComplete(), !deferred);
        QCOMPARE(window.findChild<QTabWidget *>(QStringLiteral("PageControl1")) == nullptr, deferred);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTRY_VERIFY(window.startupComplete());
        QVERIFY(window.analyzerWindow() && !window.analyzerWindow()->isVisible());
        QVERIFY(window.commanderWindow() && !window.commanderWindow()->isVisible());
        auto *search = child<QAbstractButton>(&window, "BitBtn_Search");
        auto *disconnect = child<QAbstractButton>(&window, "BitBtn_Disconnect");
        auto *pages = child<QTabWidget>(&window, "PageControl1");
        QVERIFY(!pages->isVisible());
        auto *analyzerSheet = child<QWidget>(&window, "TabSheet3");
        auto *grid = child<QTableView>(&window, "StringGrid1");
        const QString demoPort = window.session().transport().listSerialPorts().first();

        QTest::mouseClick(search, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!search->isEnabled(), 10000);
        QVERIFY(disconnect->isEnabled());
        QCOMPARE(items(child<QComboBox>(&window, "ComboBox1")).value(0), demoPort);
        QVERIFY(grid->model()->rowCount() >= 1);
        QVERIFY2(cellText(grid, 0, 1).contains(demoPort), qPrintable(cellText(grid, 0, 1)));
        QVERIFY(window.debugLog().text().contains(QStringLiteral("$ACCEPT")));
        QVERIFY(!pages->isTabVisible(pages->indexOf(analyzerSheet)));

        // Choosing the row moves the pages into the "Commander" window; the analyzer tab stays hidden.
        auto *list = window.findChild<DeviceListController *>();
        QVERIFY(list);
        list->StringGrid1SelectCell(1, 1);
        QTRY_VERIFY(window.commanderWindow()->isVisible());
        QCOMPARE(pages->parentWidget(), window.commanderWindow()->panel());
        QVERIFY(!pages->isTabVisible(pages->indexOf(analyzerSheet)));

        QTest::mouseClick(disconnect, Qt::LeftButton);
        QTRY_VERIFY(search->isEnabled());
        QVERIFY(!disconnect->isEnabled());
        QVERIFY(!pages->isTabVisible(pages->indexOf(analyzerSheet)));
        QVERIFY(dialogs.messages.isEmpty());
    }

    // Run alone under with-lan.sh; on bare loopback the discovery group cannot be joined.
    void networkDeviceIsListedAndTakesSettings()
    {
        ScriptedDialogs dialogs;
        StartupOptions options;
        options.demo = true;
        MainWindow window(options);
        if (!window.discovery().joinedGroup())
            QSKIP("needs loopback carrying the discovery group (tests/net/with-lan.sh)");
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto *search = child<QAbstractButton>(&window, "BitBtn_Search");
        auto *grid = child<QTableView>(&window, "StringGrid1");

        QTest::mouseClick(search, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(networkRow(grid) >= 0, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(!search->isEnabled(), 10000); // the serial demo is listed too
        const int row = networkRow(grid);
        QCOMPARE(cellText(grid, row, 2), QStringLiteral("Demo Matrix"));
        QCOMPARE(cellText(grid, row, 4), QStringLiteral("192.168.1.239"));
        QVERIFY(
            window.debugLog().text().contains(QStringLiteral("Simulated network device on UDP port 31001")));

        // Its row opens "IP Configure"; Apply changes the simulated device, as the next search shows.
        const QRect cell = grid->visualRect(grid->model()->index(row, 1));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
        QTRY_VERIFY(window.commanderWindow()->isVisible());
        auto *ip = child<QLineEdit>(&window, "Edit_IP_Address");
        QCOMPARE(ip->text(), QStringLiteral("192.168.1.239"));
        ip->setText(QStringLiteral("192.168.1.77"));
        QTest::mouseClick(child<QAbstractButton>(&window, "SpeedButton2"), Qt::LeftButton);
        QTest::mouseClick(child<QAbstractButton>(&window, "BitBtn_Disconnect"), Qt::LeftButton);
        QTRY_VERIFY(search->isEnabled());
        QTest::mouseClick(search, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(networkRow(grid) >= 0 &&
                                     cellText(grid, networkRow(grid), 4) == QLatin1String("192.168.1.77"),
                                 10000);
        QVERIFY(dialogs.messages.isEmpty());
    }
};

int main(int argc, char **argv)
{
    KelmApplication app(argc, argv);
    DemoTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "netns_tst_demo.moc"
