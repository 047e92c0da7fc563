#pragma once

// The one object that owns the serial link to the device and the device state: the port and its
// receive buffer, the two timers, the command sender, the reply decoding, the status table, the
// slot lists, the device list rows and the two EDID feature records. It never touches a widget:
// widgets follow its signals (app/lib/ConnectionController, the pages) and call its operations.
//
// Everything runs on the main thread. Long operations pause with pauseWithEvents(), so receive
// ticks, reply decoding, discovery replies and other handlers run inside those pauses.

#include <QObject>
#include <QStringList>
#include <QTimer>

#include <array>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <span>
#include <string_view>

#include "edid/EdidFeatureRecord.h"
#include "link/CommandResult.h"
#include "link/DeviceRegistry.h"
#include "link/DeviceState.h"
#include "link/Protocol.h"

class DebugLog;
class QSerialPort;

// A slot drop-down list as data: its items and the selected index (-1 for none). The combo boxes
// of the EDID pages mirror these when slotListsChanged() is emitted.
struct SlotListData
{
    QStringList items;
    int selected = -1;
};

class DeviceSession : public QObject
{
    Q_OBJECT
  public:
    explicit DeviceSession(DebugLog &log, QObject *parent = nullptr);
    ~DeviceSession() override;

    DebugLog &debugLog() { return m_log; }

    // ----- ports -----------------------------------------------------------------------------
    // The machine's serial ports in name order, or the --port list when one was given.
    QStringList listSerialPorts() const;
    void setPortOverride(const QStringList &ports) { m_portOverride = ports; }
    // Ports listed before the system's (kelm --demo puts its simulated device here).
    void setPreferredPorts(const QStringList &ports) { m_preferredPorts = ports; }
    // ComboBox1's copy: the names read at the last search.
    const QStringList &portList() const { return m_portList; }

    // ----- transport -------------------------------------------------------------------------
    enum class OpenResult { Ok, OpenFailed, ConfigureFailed };
    // Opens by device path and sets 115200 8N1 (raw, no flow control, as QSerialPort opens it). On a
    // failure the port is left closed.
    OpenResult openPort(const QString &name);
    void closePort();
    bool portOpen() const;
    QString openPortName() const { return m_openPortName; }
    // False when the last open failed (the "invalid handle").
    bool portHandleValid() const { return m_portHandleValid; }

    static constexpr int rxCapacity = 1024;
    const char *rxBuffer() const { return m_rxBuffer.data(); }
    uint32_t rxLength() const { return m_rxLength; }
    void setRxLength(uint32_t length) { m_rxLength = length; }
    // The buffer read as a zero-terminated text.
    std::string_view rxText() const;
    // Empties the buffer (zeros) and sets rxLength to 0.
    void clearRxBuffer();

    // The link flag byte: replyComplete is bit 0, ispMode bit 3.
    static constexpr uint8_t replyCompleteBit = 0x01;
    static constexpr uint8_t ispModeBit = 0x08;
    uint8_t linkFlags() const { return m_linkFlags; }
    bool replyComplete() const { return m_linkFlags & replyCompleteBit; }
    bool ispMode() const { return m_linkFlags & ispModeBit; }

    // The 25 ms receive tick (the timer "Timer_UART_Rx"): runs while a port is probed or connected.
    void onReceiveTick();
    void startReceiveTick() { m_timerUartRx.start(); }
    void stopReceiveTick() { m_timerUartRx.stop(); }
    bool receiveTickRunning() const { return m_timerUartRx.isActive(); }
    // What the tick does with the bytes it read: appended as far as the buffer has room (the rest
    // is dropped with a log line), echoed into the debug log, and the reply marked complete (and
    // decoded while the pump runs) when the last byte is LF.
    void receiveBytes(const char *data, qint64 size);
    // The firmware upload's own receive step (the tick is stopped meanwhile): more than 1024 bytes
    // waiting are purged, anything else is appended to the buffer as far as it has room.
    void serviceReceiveDirect();
    // Writes raw bytes to the open port (nothing when closed).
    void writeBytes(const char *data, qint64 size);

    // ----- commands --------------------------------------------------------------------------
    // The only way to send a request: stops the status poll, clears the receive buffer, writes the
    // line and pauses (20 ms after a SET, 50 ms after a GET, plus the extra pauses), the pause
    // counted from when the port has taken the line. The pauses are minimum gaps: a request whose
    // answer has not come by then waits up to answerGraceMs more for it. The result says what came
    // back for this request; a late answer to an earlier one never counts.
    CommandResult sendCommand(Direction dir, Command cmd, int length, const uint8_t *payload = nullptr);
    CommandResult sendCommand(Direction dir, Command cmd, std::span<const uint8_t> payload)
    {
        return sendCommand(dir, cmd, static_cast<int>(payload.size()), payload.data());
    }
    CommandResult sendCommand(Direction dir, Command cmd, std::initializer_list<uint8_t> payload)
    {
        return sendCommand(dir, cmd, static_cast<int>(payload.size()), payload.begin());
    }
    // Stores code in the current device's selectedSlot, then sends SET ND_SEL with it, high byte
    // first (every sender of ND_SEL does both).
    CommandResult selectSlot(SlotCode code);

    // How long past its pause a request still waits for its answer (two receive ticks).
    static constexpr int answerGraceMs = 50;
    // Whether the device answers this command with a line (the loader's FW_ commands and the
    // handshake are read by their users from the buffer).
    static bool expectsAnswer(Command cmd);

    // Exclusive use of the link (the firmware upload): while a LinkHold exists, every other request
    // is refused (sendCommand returns at once, so the status poll sends nothing either) and
    // Disconnect does nothing. The holder sends through its hold.
    class LinkHold
    {
      public:
        explicit LinkHold(DeviceSession &session);
        ~LinkHold();
        LinkHold(const LinkHold &) = delete;
        LinkHold &operator=(const LinkHold &) = delete;
        CommandResult sendCommand(Direction dir, Command cmd, std::span<const uint8_t> payload);

      private:
        DeviceSession &m_session;
    };
    bool linkHeld() const { return m_linkHeld; }

    // The status poll (the timer "Timer_Poll_Status", every 2000 ms). Every request stops it; a SET
    // and a processed reply start it again.
    bool pollRunning() const { return m_timerPollStatus.isActive(); }
    void stopPoll() { m_timerPollStatus.stop(); }
    // What a SET and a processed reply do: the next poll 2000 ms from now, unless a PollHold exists.
    void restartPoll();

    // Keeps the status poll quiet for an operation of several requests (a slot transfer, a
    // firmware upload): while any hold exists the poll timer stays off, whatever the requests in
    // between do, and the end of the last hold starts it again while a port is open. Holds nest.
    class PollHold
    {
      public:
        explicit PollHold(DeviceSession &session);
        ~PollHold();
        PollHold(const PollHold &) = delete;
        PollHold &operator=(const PollHold &) = delete;

      private:
        DeviceSession &m_session;
    };
    bool pollHeld() const { return m_pollHolds > 0; }

    Command lastCommand = Command::ENTRANCE;
    Direction lastDirection = Direction::GET;
    int lastLength = 0;
    // Firmware-update tag of the last handshake without "$ACCEPT": 0 none, 1 "$ISP029", 2 "$ISP091".
    uint8_t ispKind = 0;

    // ----- device state ----------------------------------------------------------------------
    // The listed devices, their records, the chosen one and the list rows (shared with the
    // discovery service).
    DeviceRegistry &registry() { return m_registry; }
    const DeviceRegistry &registry() const { return m_registry; }
    // The device the pages act on is a listed network device: the serial pages' device actions
    // have no device to act on then.
    bool networkDeviceSelected() const { return m_registry.networkSelected(); }
    // The record serial replies are decoded into (see DeviceRegistry::serialRecord()).
    const SYS_STATUS &currentStatus() const { return m_registry.serialRecord(); }

    // The slot lists ComboBox_EdidSel_All, _Src, _Dest and _Upload.
    SlotListData slotListAll, slotListSrc, slotListDest, slotListUpload;
    static const char *const slotListNames[4];
    SlotListData &slotList(int which);

    // The analysis record (transferImage is its image) and the creator record.
    EdidFeatureRecord analysisRecord{};
    EdidFeatureRecord creatorRecord{};
    EdidImage &transferImage() { return analysisRecord.image; }

    // ----- reply processing ------------------------------------------------------------------
    // Checks and decodes the completed reply against lastCommand; nothing unless replyComplete.
    void processReply();
    // The pump decodes each completed reply as the receive tick marks it; stopped at Disconnect,
    // started by a search.
    bool replyPumpRunning() const { return m_pumpRunning; }
    void setReplyPumpRunning(bool running) { m_pumpRunning = running; }

    // ----- connection ------------------------------------------------------------------------
    // The search of every serial port (and the network discovery request): BitBtn_Search's click.
    void search();
    // Ends the serial connection: BitBtn_Disconnect's click. Hides QObject::disconnect() here;
    // signal connections are undone through QObject::disconnect explicitly.
    void disconnect();
    // One status poll: GET RXEDMD to each listed serial device that asks to be polled.
    void pollStatus();
    // Connected: the state in which BitBtn_Search is disabled.
    bool connected() const { return m_connected; }
    bool searching() const { return m_searching; }
    // The last search's connected device answered its description requests (SYS_DSCPT, the
    // ND_SEL of input 1 and ND_DSCPT); without them its counts and flags are not its own.
    bool descriptionReceived() const { return m_descriptionReceived; }

  signals:
    // Step 2 of the search: the network discovery request (the discovery service sends it).
    void networkDiscoveryRequested();
    // The grid rows below the header were emptied by a search.
    void searchStarted();
    void portListChanged(const QStringList &ports);
    // The wait cursor over the main window, the two buttons and the grid.
    void busyChanged(bool busy);
    // Connected (normal or firmware-update mode) or back to Idle.
    void connectionChanged(bool connected, bool ispMode);
    // Enable or disable the mode buttons Internal 1..internals, External 1..externals, User 1..users.
    void modeButtonsEnabled(bool enabled, int internals, int externals, int users);
    void gridChanged();
    // The grid header colour goes back to its start-up value (disconnect).
    void gridHeaderReset();
    void slotListsChanged();
    // A GET RXEDMD report (applyEdidModeReport reacts to it).
    void edidModeReported(quint8 mode);
    // A system description reply was stored into the current device's record.
    void systemDescriptionStored();
    // A node description reply was stored.
    void nodeDescriptionStored(quint32 slot);
    // Disconnect: the "EDID Analyzer" and "Commander" windows close.
    void closeWindowsRequested();
    // A LinkHold began or ended.
    void linkHeldChanged(bool held);
    // The device the pages act on, or the list it is chosen from, may have changed (a choice, a
    // search, a newly listed device, a disconnect).
    void selectionChanged();

  private:
    CommandResult sendCommandNow(Direction dir, Command cmd, int length, const uint8_t *payload);
    void handleReplyLine(std::string_view line);
    void flushWrites();
    void onPortError(int error);
    void checkReplyComplete();
    void handlePortLost();
    // Each returns false when the line is no answer to the request (it is then skipped).
    bool decodeSystemDescription(std::string_view reply);
    bool decodeNodeDescription(std::string_view reply);
    bool decodeEdidQuarter(std::string_view reply, int offset);
    bool decodeModeReport(std::string_view reply);
    void fillSlotLists(const SYS_STATUS &record);
    void finishSearch();
    void abandonProbedPort();
    void returnToIdle();
    QString productAfterTag(std::string_view text, std::size_t tagPos) const;

    DebugLog &m_log;
    QSerialPort *m_port = nullptr;
    QString m_openPortName;
    bool m_portHandleValid = false;
    bool m_portLost = false;
    unsigned m_portGeneration = 0; // counts opens, so a late loss notice finds its own port
    QStringList m_portOverride;
    QStringList m_preferredPorts;
    QStringList m_portList;

    std::array<char, rxCapacity + 1> m_rxBuffer{};
    uint32_t m_rxLength = 0;
    uint8_t m_linkFlags = 0;

    QTimer m_timerUartRx;
    QTimer m_timerPollStatus;
    bool m_pumpRunning = false;
    bool m_linkHeld = false;
    int m_pollHolds = 0;

    // The request in flight: what its answer turned out to be so far.
    bool m_awaiting = false;
    CommandResult m_answer;

    bool m_connected = false;
    bool m_searching = false;
    bool m_descriptionReceived = false;
    DeviceRegistry m_registry;
};
