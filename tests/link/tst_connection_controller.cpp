// ConnectionController on a stand-in main window holding the named controls it drives.
#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QToolButton>

#include "app/lib/ConnectionController.h"
#include "devsim/lib/SimulatedDevice.h"
#include "link/DeviceSession.h"
#include "net/ui/DeviceListModel.h"
#include "shell/DebugLog.h"
#include "workbench/Glyph.h"

namespace {
const char *const speedButtons[] = {"SpeedButton_OpenEdid", "SpeedButton_SaveEdid",
                                    "SpeedButton_CopyEdid_Src2Dest", "SpeedButton_CopyEdid_Creator",
                                    "SpeedButton_AnalysisEdid"};
const char *const colorLooks[] = {"OpenColor", "SaveColor", "CopyLeftColor", "CopyUpColor", "AnalysisColor"};
const char *const grayLooks[] = {"OpenGray", "SaveGray", "CopyLeftGray", "CopyUpGray", "AnalysisGray"};
} // namespace

class ConnectionControllerTest : public QObject
{
    Q_OBJECT

    struct Window
    {
        QWidget main;
        QPushButton *search = nullptr;
        QPushButton *disconnect = nullptr;
        QComboBox *ports = nullptr;
        QTableView *grid = nullptr;
        QGroupBox *firmware = nullptr;
        QWidget *analyzer = nullptr;
        QWidget *commander = nullptr;

        explicit Window(const DeviceRegistry &registry)
        {
            search = new QPushButton("Search", &main);
            search->setObjectName("BitBtn_Search");
            disconnect = new QPushButton("Disconnect", &main);
            disconnect->setObjectName("BitBtn_Disconnect");
            disconnect->setEnabled(false);
            ports = new QComboBox(&main);
            ports->setObjectName("ComboBox1");
            grid = new QTableView(&main);
            grid->setObjectName("StringGrid1");
            grid->setModel(new DeviceListModel(registry, grid));
            firmware = new QGroupBox("Firmware", &main);
            firmware->setObjectName("GroupBox4");
            firmware->setFixedHeight(155);
            for (int i = 0; i < 5; ++i) {
                auto *b = new QToolButton(&main);
                b->setObjectName(speedButtons[i]);
                setGlyph(b, grayLooks[i]);
            }
            analyzer = new QWidget(&main, Qt::Window);
            analyzer->setObjectName("TForm2");
            commander = new QWidget(&main, Qt::Window);
            commander->setObjectName("TForm3");
        }
        QString look(int i) const { return glyphOf(main.findChild<QToolButton *>(speedButtons[i])); }
        ConnectionTargets targets()
        {
            ConnectionTargets t;
            t.search = search;
            t.disconnect = disconnect;
            t.ports = ports;
            t.grid = grid;
            t.firmwareGroup = firmware;
            for (int i = 0; i < 5; ++i)
                t.deviceButtons[i] = main.findChild<QToolButton *>(speedButtons[i]);
            t.windows = {analyzer, commander};
            return t;
        }
    };

  private slots:
    void searchConnectsAndDisconnectReturnsToIdle()
    {
        DebugLog log;
        DeviceSession session(log);
        Window w(session.registry());
        new ConnectionController(w.main, session, w.targets());
        SimulatedDevice device;
        QVERIFY(device.start());
        session.transport().setPortOverride({device.portPath()});
        w.analyzer->show();
        w.commander->show();

        QList<Qt::CursorShape> cursorsWhileBusy;
        connect(&session.serialSearch(), &SerialSearch::busyChanged, this, [&](bool busy) {
            if (busy)
                cursorsWhileBusy << w.main.cursor().shape() << w.search->cursor().shape()
                                 << w.grid->cursor().shape();
        });
        QTest::mouseClick(w.search, Qt::LeftButton);
        QVERIFY(session.connected());
        QCOMPARE(cursorsWhileBusy, QList<Qt::CursorShape>({Qt::WaitCursor, Qt::WaitCursor, Qt::WaitCursor}));
        QCOMPARE(w.search->cursor().shape(), Qt::ArrowCursor);
        QVERIFY(!w.search->isEnabled());
        QVERIFY(w.disconnect->isEnabled());
        QCOMPARE(w.ports->count(), 1);
        QCOMPARE(w.ports->currentText(), device.portPath());
        QCOMPARE(w.grid->model()->rowCount(), 1);
        const QStringList cells = {"1", device.portPath(), "HDM-4K44", " Demo Matrix ", "NC", "NC"};
        for (int c = 0; c < 6; ++c)
            QCOMPARE(w.grid->model()->index(0, c).data().toString(), cells[c]);
        for (int i = 0; i < 5; ++i)
            QCOMPARE(w.look(i), QString(colorLooks[i]));
        QCOMPARE(w.firmware->height(), 48);

        QTest::mouseClick(w.disconnect, Qt::LeftButton);
        QVERIFY(!session.connected());
        QVERIFY(w.search->isEnabled());
        QVERIFY(!w.disconnect->isEnabled());
        for (int i = 0; i < 5; ++i)
            QCOMPARE(w.look(i), QString(grayLooks[i]));
        QCOMPARE(w.grid->model()->rowCount(), 1); // the row stays, empty
        for (int c = 0; c < 6; ++c)
            QCOMPARE(w.grid->model()->index(0, c).data().toString(), QString());
        QVERIFY(!w.analyzer->isVisible());
        QVERIFY(!w.commander->isVisible());
        QCOMPARE(w.ports->count(), 1); // keeps the last search's list
    }

    void firmwareUpdateModeShowsTheWholeFirmwareGroup()
    {
        DebugLog log;
        DeviceSession session(log);
        Window w(session.registry());
        w.firmware->setFixedHeight(48);
        new ConnectionController(w.main, session, w.targets());
        SimulatedDeviceConfig config;
        config.handshake = HandshakeMode::Isp029;
        SimulatedDevice device(config);
        QVERIFY(device.start());
        session.transport().setPortOverride({device.portPath()});
        QTest::mouseClick(w.search, Qt::LeftButton);
        QVERIFY(session.transport().ispMode());
        QVERIFY(!w.search->isEnabled());
        QVERIFY(w.disconnect->isEnabled());
        QCOMPARE(w.firmware->height(), 155);
        for (int i = 0; i < 5; ++i)
            QCOMPARE(w.look(i), QString(grayLooks[i])); // looks unchanged
        QCOMPARE(w.grid->model()->index(0, 3).data().toString(), QString("ISP Mode"));
        QCOMPARE(w.grid->model()->index(0, 2).data().toString(), QString("KELM-ISP"));
        session.disconnect();
    }

    void laterSearchRefillsFewerRows()
    {
        DebugLog log;
        DeviceSession session(log);
        Window w(session.registry());
        new ConnectionController(w.main, session, w.targets());
        session.registry().setRowCount(4); // three rows left from an earlier search
        session.registry().setRow(3, {"3", "x", "y", "z", "NC", "NC"});
        QCOMPARE(w.grid->model()->rowCount(), 3);
        SimulatedDevice device;
        QVERIFY(device.start());
        session.transport().setPortOverride({device.portPath()});
        QTest::mouseClick(w.search, Qt::LeftButton);
        QCOMPARE(w.grid->model()->rowCount(), 1);
        QCOMPARE(w.grid->model()->index(0, 0).data().toString(), QString("1"));
        session.disconnect();
    }
};

QTEST_MAIN(ConnectionControllerTest)
#include "tst_connection_controller.moc"
