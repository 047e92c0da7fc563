#pragma once

#include <QObject>

class DeviceSession;
class QWidget;

// The widget side of the device connection: Search and Disconnect, the hidden port list ComboBox1,
// the wait cursor during a search, the five device buttons' looks, the firmware group's height, and
// the device list grid's rows (mirrored from the session). Widgets are found by objectName in the
// main window; a missing one is skipped.
class ConnectionController : public QObject
{
    Q_OBJECT
  public:
    ConnectionController(QWidget &mainWindow, DeviceSession &session);

    // GroupBox4 ("Firmware") heights: only the version label, or the whole group.
    static constexpr int firmwareGroupConnected = 48;
    static constexpr int firmwareGroupIspMode = 155;

    // The buttons' click handlers; they forward to the session's search() and disconnect().
    void BitBtn_SearchClick();
    void BitBtn_DisconnectClick();

  private:
    void onBusy(bool busy);
    void onConnectionChanged(bool connected, bool ispMode);
    void mirrorGrid();
    void mirrorPortList();
    void closeWindows();

    QWidget &m_main;
    DeviceSession &m_session;
};
