#pragma once

// The device list's behaviour on the main window: painting its cells, and choosing a row, which
// makes that device the one every page acts on, adapts the pages to its kind and shows them in the
// "Commander" window. Widgets are found by objectName under the main window; any that another
// page does not (yet) provide is simply left alone.

#include <QObject>
#include <QPointer>

class CommanderWindow;
class DeviceListDelegate;
class DeviceSession;
class DiscoveryService;
class IpConfigPage;
class QKeyEvent;
class QTableWidget;
class QTabWidget;
class QWidget;
struct SYS_STATUS;

class DeviceListController : public QObject
{
    Q_OBJECT
  public:
    DeviceListController(QWidget &mainWindow, DeviceSession &session, DiscoveryService &discovery);
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
    // The "Mode Select" group's height with one row of buttons, and per further row.
    static constexpr int kModeGroupHeight = 65;
    static constexpr int kModeGroupRowStep = 14;
    static constexpr int kModeButtonsPerKind = 8;

  private:
    bool eventFilter(QObject *watched, QEvent *event) override;
    bool chooseByKey(QKeyEvent *event);
    void selectSerialDevice(SYS_STATUS &record);
    void readNodeDescriptions(SYS_STATUS &record);
    void layoutModeSelect(const SYS_STATUS &record);
    void showInCommander();
    void setPageVisible(const char *pageName, bool visible);
    template <class T> T *find(const char *name) const;

    QWidget &m_main;
    DeviceSession &m_session;
    DiscoveryService &m_discovery;
    QPointer<QTableWidget> m_grid;
    DeviceListDelegate *m_delegate = nullptr;
    int m_highlightRow = 0;
    bool m_mouseDown = false;
    bool m_keyDown = false;
    bool m_commanderPlaced = false;
    // A choice made while another one still reads descriptions runs when that one is done.
    bool m_selecting = false;
    int m_pendingRow = -1;
};
