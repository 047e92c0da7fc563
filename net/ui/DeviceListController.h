#pragma once

// The device list's behaviour on the main window: painting its cells, and choosing a row, which
// makes that device the one every page acts on, adapts the pages to its kind and shows them in the
// "Commander" window. The controls it sets on the other pages are handed to it by the window that
// owns them; one that is not handed over (a test's stand-in window) is left alone.

#include <QObject>
#include <QPointer>

#include <functional>

class CommanderWindow;
class DeviceListDelegate;
class DeviceSession;
class DiscoveryService;
class IpConfigPage;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QTableView;
class QTabWidget;
class QWidget;
struct SYS_STATUS;

// What choosing a device changes outside the device list.
struct DeviceListTargets
{
    QTableView *grid = nullptr;             // StringGrid1, showing a DeviceListModel already
    QTabWidget *pages = nullptr;            // PageControl1, moved into the Commander window
    IpConfigPage *ipConfigPage = nullptr;   // TabSheet10
    QWidget *controllerPage = nullptr;      // TabSheet1
    QWidget *creatorPage = nullptr;         // TabSheet4
    QLabel *firmwareProgress = nullptr;     // Label1
    QLineEdit *firmwarePath = nullptr;      // Edit_Fw_Path
    QLabel *firmwareVersion = nullptr;      // Label_FW_Version
    QWidget *configurationGroup = nullptr;  // GroupBox11
    QLineEdit *productString = nullptr;     // Edit_Product_String
    QWidget *copyPanel = nullptr;           // Panel52
    // GroupBox12 shows the buttons of the modes the device has (internal and user counts).
    std::function<void(int internalCount, int userCount)> showModeCounts;
};

class DeviceListController : public QObject
{
    Q_OBJECT
  public:
    DeviceListController(QWidget &mainWindow, DeviceSession &session, DiscoveryService &discovery,
                         const DeviceListTargets &targets);
    ~DeviceListController() override;

    // Choosing a cell; row 0 is the header row, row r the device at index r - 1.
    void StringGrid1SelectCell(int column, int row);

    // The grid row painted as chosen; 0 until the first choice. A new search leaves it.
    int highlightRow() const { return m_highlightRow; }

    // The Commander window is moved next to the main window when it is further away than this.
    static constexpr int kMaxTopDistance = 280;
    static constexpr int kMaxLeftDistance = 850;
    static constexpr int kCommanderTopOffset = 80;
    static constexpr int kCommanderLeftOffset = 520;

  private:
    bool eventFilter(QObject *watched, QEvent *event) override;
    bool chooseByKey(QKeyEvent *event);
    void selectSerialDevice(const SYS_STATUS &record);
    void readNodeDescriptions(const SYS_STATUS &record);
    void showInCommander();
    void setPageVisible(QWidget *page, bool visible);

    QWidget &m_main;
    DeviceSession &m_session;
    DiscoveryService &m_discovery;
    DeviceListTargets m_targets;
    QPointer<QTableView> m_grid;
    DeviceListDelegate *m_delegate = nullptr;
    int m_highlightRow = 0;
    bool m_mouseDown = false;
    bool m_keyDown = false;
    bool m_commanderPlaced = false;
    // A choice made while another one still reads descriptions runs when that one is done.
    bool m_selecting = false;
    int m_pendingRow = -1;
};
