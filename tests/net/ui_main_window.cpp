// The whole main window with a simulated serial device and a simulated network device: Search lists
// both, clicking a row shows the pages for that kind of device in the Commander window. Runs in a
// private network namespace (with-lan.sh) because the main window binds and joins UDP.
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "shell/Pause.h"
#include "app/lib/MainWindow.h"
#include "devsim/lib/SimulatedDevice.h"
#include "devsim/lib/UdpDevice.h"
#include "net/ui/CommanderWindow.h"

namespace {

net::Discovery networkDevice()
{
    net::Discovery d;
    d.productId = "0107";
    d.productName = "HDX-IP";
    d.macBytes = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55};
    d.macText = net::macToText(d.macBytes);
    d.ipAddress = "192.168.10.20";
    d.subnetMask = "255.255.255.0";
    d.gateway = "192.168.10.1";
    d.dns = "192.168.10.1";
    d.webPort = 80;
    d.telnetPort = 23;
    d.serialNum = "N0001";
    d.description = "Lobby";
    return d;
}

void saveShot(QWidget *w, const char *name)
{
    const QByteArray dir = qgetenv("KELM_SCREENSHOT_DIR");
    if (dir.isEmpty())
        return;
    w->grab(); // the first painting widens what is too narrow; layouts settle after it
    pauseWithEvents(50);
    w->grab().save(QString::fromLocal8Bit(dir) + "/" + name);
}

void clickRow(QTableWidget *grid, int row)
{
    const QRect cell = grid->visualRect(grid->model()->index(row, 1));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
}

} // namespace

class MainWindowDeviceListTest : public QObject
{
    Q_OBJECT
  private slots:
    void searchListsBothKindsAndRowsChoosePages()
    {
        SimulatedDevice serial;
        QVERIFY(serial.start());
        UdpDevice network(networkDevice());
        QVERIFY(network.start());

        StartupOptions options;
        options.ports = {serial.portPath()};
        MainWindow w(options);
        QVERIFY(!w.startupRefused());
        w.move(40, 40);
        w.show();

        auto *grid = w.findChild<QTableWidget *>("StringGrid1");
        auto *pages = w.findChild<QTabWidget *>("PageControl1");
        QVERIFY(grid && pages);
        QTest::mouseClick(w.findChild<QPushButton *>("BitBtn_Search"), Qt::LeftButton);
        QVERIFY(w.session().connected());
        QCOMPARE(grid->rowCount(), 2);
        // The network device answered during the handshake's pause: it took the first row.
        QCOMPARE(grid->item(0, 1)->text(), QString("ETHERNET"));
        QCOMPARE(grid->item(0, 5)->text(), QString("00:11:22:33:44:55"));
        QCOMPARE(grid->item(1, 1)->text(), serial.portPath());
        QCOMPARE(w.session().selectedDevice, 1);

        clickRow(grid, 0);
        CommanderWindow *commander = w.commanderWindow();
        QVERIFY(commander->isVisible());
        QCOMPARE(pages->window(), commander);
        QCOMPARE(pages->currentWidget()->objectName(), QString("TabSheet10"));
        QCOMPARE(w.findChild<QLabel *>("Label_Product_Name")->text(), QString("HDX-IP"));
        saveShot(&w, "main-window-network.png");
        saveShot(commander, "commander-network.png");

        clickRow(grid, 1);
        QCOMPARE(w.session().selectedDevice, 1);
        QCOMPARE(pages->currentWidget()->objectName(), QString("TabSheet1"));
        QVERIFY(!pages->isTabVisible(pages->indexOf(w.findChild<QWidget *>("TabSheet10"))));
        saveShot(&w, "main-window-serial.png");
        saveShot(commander, "commander-serial.png");

        // Disconnect closes the Commander window.
        QTest::mouseClick(w.findChild<QPushButton *>("BitBtn_Disconnect"), Qt::LeftButton);
        QVERIFY(commander->isHidden());
    }
};

int main(int argc, char **argv)
{
    const char *inNetns = std::getenv("KELM_IN_NETNS");
    if (!inNetns || std::strcmp(inNetns, "1") != 0) {
        std::fputs("these tests run only inside a private network namespace (tests/netns-run.sh)\n", stderr);
        return 77;
    }
    QApplication app(argc, argv);
    MainWindowDeviceListTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ui_main_window.moc"
