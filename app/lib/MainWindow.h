#pragma once

#include <QMainWindow>
#include <QRect>
#include <QStringList>

#include <memory>

#include "shell/DebugLog.h"
#include "app/lib/InstanceGuard.h"
#include "link/DeviceSession.h"
#include "link/SlotHistory.h"
#include "net/DiscoveryService.h"

class CommanderWindow;
class ConnectionController;
class DeviceListController;
class DebugLogView;
class DebugTogglePanel;
class EdidControllerPage;
class EdidAnalyzerWindow;
class EdidCreatorPage;
class IpConfigPage;
class QComboBox;
class QLabel;
class QPushButton;
class QTableView;
class QTabWidget;
class SimulatedDevice;
class UdpDevice;
class SystemPage;

// What the command line asks of the main window.
struct StartupOptions
{
    QStringList ports; // --port PATH (repeatable): replaces the system's port list
    bool demo = false; // --demo: in-process simulated devices, serial (listed first) and network
    // The page control, the "EDID Analyzer" and "Commander" windows and the controllers are made
    // right after the main window's first paint instead of before it (the program itself does
    // this, so its window shows sooner; until then the window's buttons do nothing).
    bool deferSecondaryWindows = false;
};

// The main window "KELM 2016" (TForm1): device list, Search and Disconnect, the hidden debug log and
// the page control. It owns every long-lived object of the program and creates them in start-up
// order: the debug log, the device session, the single-instance guard, the UDP endpoints, the
// controls, the "EDID Analyzer" and "Commander" windows, then the controllers that connect them.
class MainWindow : public QMainWindow
{
    Q_OBJECT
  public:
    explicit MainWindow(const StartupOptions &options = {}, QWidget *parent = nullptr);
    ~MainWindow() override;

    // True when start-up decided the program must end without showing this window (another
    // instance runs, or the discovery port is taken).
    bool startupRefused() const { return m_refused; }

    DebugLog &debugLog() { return m_debugLog; }
    DeviceSession &session() { return m_session; }
    DiscoveryService &discovery() { return m_discovery; }
    InstanceGuard &instanceGuard() { return m_guard; }
    EdidAnalyzerWindow *analyzerWindow() const { return m_analyzer; }
    CommanderWindow *commanderWindow() const { return m_commander; }
    DeviceListController *deviceList() const { return m_deviceList.get(); }

    // Makes the pages, the two other windows and the controllers when start-up deferred them;
    // nothing when they exist.
    void completeStartup();
    bool startupComplete() const { return m_startupComplete; }

    static const QString &caption();
    static QString aboutText();
    static constexpr int kGridColumnWidths[6] = {22, 75, 75, 75, 75, 75};
    // The longest text each column usually shows: a row number, a port name, a product name, a
    // description, an IP address, a MAC address.
    static constexpr const char *kGridTypicalTexts[6] = {"20", "/dev/ttyUSB0", "HDM-4K44-XX", " Demo Matrix ",
                                                         "255.255.255.255", "FF:FF:FF:FF:FF:FF"};
    static constexpr int kGridCellSlack = 8;
    static constexpr int kGridRowHeight = 21;
    static constexpr unsigned kGridHeaderColour = 0xC0DCC0; // red 192, green 220, blue 192
    static constexpr int kLogoLeft = 350;
    static constexpr int kLogoTop = 3;
    // The window grows by the log's width plus this when the log is shown.
    static constexpr int kDebugLogMargin = 25;

  signals:
    void startupCompleted();

  public slots:
    void Panel_DebugDblClick();
    void Button_debug_clearClick();
    void About2Click();

  protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

  private:
    void FormCreate(const StartupOptions &options);
    void buildControls();
    void buildDeviceList(QWidget *host);
    void buildPages(QWidget *host);
    void startDemoDevice();
    void attachControllers();
    void bringToFront();

    DebugLog m_debugLog;
    // What every slot write replaced, under the user's data folder; the session writes through it.
    SlotHistory m_slotHistory;
    DeviceSession m_session;
    InstanceGuard m_guard;
    DiscoveryService m_discovery;

    bool m_refused = false;
    bool m_debugShown = false;
    bool m_shownOnce = false;
    bool m_startupComplete = false;
    QRect m_pagesPlace; // the page control's place beyond the window's width

    QTableView *m_grid = nullptr;
    QPushButton *m_search = nullptr;
    QPushButton *m_disconnect = nullptr;
    QComboBox *m_portCombo = nullptr;
    DebugLogView *m_memo = nullptr;
    DebugTogglePanel *m_debugPanel = nullptr;
    QPushButton *m_clear = nullptr;
    QLabel *m_logo = nullptr;
    QLabel *m_linkProblem = nullptr;
    bool m_closePending = false; // closed during a device operation: closes when it ends
    QTabWidget *m_pages = nullptr;
    EdidControllerPage *m_controllerPage = nullptr;
    SystemPage *m_systemPage = nullptr;
    IpConfigPage *m_ipConfigPage = nullptr;
    EdidCreatorPage *m_creatorPage = nullptr;
    EdidAnalyzerWindow *m_analyzer = nullptr;
    CommanderWindow *m_commander = nullptr;

    std::unique_ptr<SimulatedDevice> m_demoDevice;
    std::unique_ptr<UdpDevice> m_demoNetworkDevice;
    std::unique_ptr<ConnectionController> m_connection;
    std::unique_ptr<DeviceListController> m_deviceList;
};
