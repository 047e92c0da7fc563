#pragma once

#include <QList>
#include <QObject>

class DeviceSession;
class QAbstractButton;
class QComboBox;
class QAbstractItemView;
class QWidget;

// The controls the connection drives; a missing one (nullptr) is skipped.
struct ConnectionTargets
{
    QAbstractButton *search = nullptr;     // BitBtn_Search
    QAbstractButton *disconnect = nullptr; // BitBtn_Disconnect
    QComboBox *ports = nullptr;            // ComboBox1, hidden
    QAbstractItemView *grid = nullptr;     // StringGrid1 (its rows come from DeviceListModel)
    QWidget *firmwareGroup = nullptr;      // GroupBox4
    // The device operations' buttons, in this order: SpeedButton_OpenEdid, SpeedButton_SaveEdid,
    // SpeedButton_CopyEdid_Src2Dest, SpeedButton_CopyEdid_Creator, SpeedButton_AnalysisEdid.
    QAbstractButton *deviceButtons[5] = {};
    QList<QWidget *> windows; // closed at Disconnect: TForm2 and TForm3
};

// The widget side of the device connection: Search and Disconnect, the hidden port list ComboBox1,
// the wait cursor during a search, the five device buttons' looks and the firmware group's height.
class ConnectionController : public QObject
{
    Q_OBJECT
  public:
    ConnectionController(QWidget &mainWindow, DeviceSession &session, const ConnectionTargets &targets);

    // GroupBox4 ("Firmware") heights: only the version label, or the whole group.
    static constexpr int firmwareGroupConnected = 48;
    static constexpr int firmwareGroupIspMode = 155;

    // The buttons' click handlers; they forward to the session's search() and disconnect().
    void BitBtn_SearchClick();
    void BitBtn_DisconnectClick();

  private:
    void onBusy(bool busy);
    void onConnectionChanged(bool connected, bool ispMode);
    void mirrorPortList();
    void closeWindows();

    QWidget &m_main;
    DeviceSession &m_session;
    ConnectionTargets m_targets;
};
