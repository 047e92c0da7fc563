#pragma once

// The serial side of the workbench, created once at start-up: it owns the transport (port and
// receive buffer), the command channel (requests, their results and the status poll), the device
// registry (shared with the discovery service), the serial search, and what replies are decoded
// into besides the registry: the four slot lists and the two EDID feature records. It never touches
// a widget: widgets follow its signals (app/lib/ConnectionController, the pages) and call its
// operations.
//
// Everything runs on the main thread. Long operations pause with pauseWithEvents(), so receive
// ticks, reply decoding, discovery replies and other handlers run inside those pauses.

#include <QObject>
#include <QStringList>

#include <array>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string_view>

#include "edid/EdidFeatureRecord.h"
#include "link/CommandChannel.h"
#include "link/CommandResult.h"
#include "link/DeviceRegistry.h"
#include "link/DeviceState.h"
#include "link/Protocol.h"
#include "link/SerialSearch.h"
#include "link/SerialTransport.h"

class DebugLog;
class SlotHistory;

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
    SerialTransport &transport() { return m_transport; }
    const SerialTransport &transport() const { return m_transport; }
    CommandChannel &channel() { return m_channel; }
    const CommandChannel &channel() const { return m_channel; }
    // The listed devices, their records, the chosen one and the list rows (shared with the
    // discovery service).
    DeviceRegistry &registry() { return m_registry; }
    const DeviceRegistry &registry() const { return m_registry; }

    // ----- the serial connection ---------------------------------------------------------------
    // The search of every serial port (and the network discovery request): BitBtn_Search's click.
    void search() { m_search.search(); }
    // Ends the serial connection: BitBtn_Disconnect's click. Hides QObject::disconnect() here;
    // signal connections are undone through QObject::disconnect explicitly.
    void disconnect() { m_search.disconnect(); }
    // One status poll: GET RXEDMD to each listed serial device that asks to be polled.
    void pollStatus() { m_search.pollStatus(); }
    // Connected: the state in which BitBtn_Search is disabled.
    bool connected() const { return m_search.connected(); }
    bool searching() const { return m_search.searching(); }
    bool descriptionReceived() const { return m_search.descriptionReceived(); }
    const QStringList &portList() const { return m_search.portList(); }
    void setPortOverride(const QStringList &ports) { m_transport.setPortOverride(ports); }
    void setPreferredPorts(const QStringList &ports) { m_transport.setPreferredPorts(ports); }
    QStringList listSerialPorts() const { return m_transport.listSerialPorts(); }

    // ----- the port and its receive buffer (see SerialTransport) ---------------------------------
    bool portOpen() const { return m_transport.isOpen(); }
    QString openPortName() const { return m_transport.openPortName(); }
    bool portHandleValid() const { return m_transport.handleValid(); }
    bool ispMode() const { return m_transport.ispMode(); }
    uint8_t linkFlags() const { return m_transport.linkFlags(); }
    bool replyComplete() const { return m_transport.replyComplete(); }
    static constexpr int rxCapacity = SerialTransport::rxCapacity;
    const char *rxBuffer() const { return m_transport.rxBuffer(); }
    uint32_t rxLength() const { return m_transport.rxLength(); }
    std::string_view rxText() const { return m_transport.rxText(); }
    void clearRxBuffer() { m_transport.clear(); }
    void onReceiveTick() { m_transport.onReceiveTick(); }
    void startReceiveTick() { m_transport.startReceiveTick(); }
    void stopReceiveTick() { m_transport.stopReceiveTick(); }
    bool receiveTickRunning() const { return m_transport.receiveTickRunning(); }
    void receiveBytes(const char *data, qint64 size) { m_transport.receiveBytes(data, size); }
    void serviceReceiveDirect() { m_transport.serviceReceiveDirect(); }

    // ----- requests (see CommandChannel) ---------------------------------------------------------
    CommandResult sendCommand(Direction dir, Command cmd, int length, const uint8_t *payload = nullptr)
    {
        return m_channel.sendCommand(dir, cmd, length, payload);
    }
    CommandResult sendCommand(Direction dir, Command cmd, std::span<const uint8_t> payload)
    {
        return m_channel.sendCommand(dir, cmd, payload);
    }
    CommandResult sendCommand(Direction dir, Command cmd, std::initializer_list<uint8_t> payload)
    {
        return m_channel.sendCommand(dir, cmd, payload);
    }
    CommandResult selectSlot(SlotCode code) { return m_channel.selectSlot(code); }
    static constexpr int answerGraceMs = CommandChannel::answerGraceMs;
    Command lastCommand() const { return m_channel.lastCommand(); }
    Direction lastDirection() const { return m_channel.lastDirection(); }
    int lastLength() const { return m_channel.lastLength(); }
    uint8_t ispKind() const { return m_channel.ispKind(); }
    void processReply() { m_channel.processReply(); }
    bool replyPumpRunning() const { return m_channel.replyPumpRunning(); }
    void setReplyPumpRunning(bool running) { m_channel.setReplyPumpRunning(running); }

    bool pollRunning() const { return m_channel.pollRunning(); }
    void stopPoll() { m_channel.stopPoll(); }
    void restartPoll() { m_channel.restartPoll(); }
    bool pollHeld() const { return m_channel.pollHeld(); }
    bool linkHeld() const { return m_channel.linkHeld(); }

    // One device operation at a time (see CommandChannel::Operation): empty when refused.
    using Operation = CommandChannel::Operation;
    Operation beginOperation(const QString &name) { return m_channel.beginOperation(name); }
    bool operationRunning() const { return m_channel.operationRunning(); }
    // A window closed during an operation: it ends as failed after the request on the wire.
    void cancelOperation(const QString &why) { m_channel.cancelOperation(why); }

    // The channel's holds, taken on the session.
    class PollHold
    {
      public:
        explicit PollHold(DeviceSession &session) : m_hold(session.m_channel) {}

      private:
        CommandChannel::PollHold m_hold;
    };
    class LinkHold
    {
      public:
        explicit LinkHold(DeviceSession &session) : m_hold(session.m_channel) {}
        CommandResult sendCommand(Direction dir, Command cmd, std::span<const uint8_t> payload)
        {
            return m_hold.sendCommand(dir, cmd, payload);
        }

      private:
        CommandChannel::LinkHold m_hold;
    };

    // ----- device state --------------------------------------------------------------------------
    // The device the pages act on is a listed network device: the serial pages' device actions
    // have no device to act on then.
    bool networkDeviceSelected() const { return m_registry.networkSelected(); }
    // The record serial replies are decoded into (see DeviceRegistry::serialRecord()).
    const SYS_STATUS &currentStatus() const { return m_registry.serialRecord(); }

    // The slot lists ComboBox_EdidSel_All, _Src, _Dest and _Upload.
    const SlotListData &slotListAll() const { return m_slotLists[0]; }
    const SlotListData &slotListSrc() const { return m_slotLists[1]; }
    const SlotListData &slotListDest() const { return m_slotLists[2]; }
    const SlotListData &slotListUpload() const { return m_slotLists[3]; }
    // The operator chose another item.
    void setSlotListSelection(int which, int index);

    // The analysis record (transferImage is its image) and the creator record.
    EdidFeatureRecord &analysisRecord() { return m_analysisRecord; }
    EdidFeatureRecord &creatorRecord() { return m_creatorRecord; }
    EdidImage &transferImage() { return m_analysisRecord.image; }

    // Where every slot write keeps what the slot held before (see writeSlotRecorded); none: the
    // writes keep nothing. Owned by whoever made the session.
    SlotHistory *slotHistory() const { return m_history; }
    void setSlotHistory(SlotHistory *history) { m_history = history; }

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
    // Disconnect: the "EDID Analyzer" and "Commander" windows close.
    void closeWindowsRequested();
    // A LinkHold began or ended.
    void linkHeldChanged(bool held);
    // A device operation began or ended: every window's device actions are off meanwhile.
    void operationRunningChanged(bool running);
    // A lost port or a description that never arrived, for the main window; empty clears it.
    void linkProblem(const QString &text);
    // The device the pages act on, or the list it is chosen from, may have changed (a choice, a
    // search, a newly listed device, a disconnect).
    void selectionChanged();

  private:
    // Decodes a good-CRC line against the request it may answer into the registry's serial record,
    // the slot lists, the transfer image or a mode report; false when it is no answer to it.
    bool decodeReply(Direction dir, Command command, std::string_view reply);
    bool decodeSystemDescription(std::string_view reply);
    bool decodeNodeDescription(std::string_view reply);
    bool decodeEdidQuarter(std::string_view reply, int offset);
    bool decodeModeReport(std::string_view reply);
    void fillSlotLists(const SYS_STATUS &record);
    void emptySlotLists();

    DebugLog &m_log;
    DeviceRegistry m_registry;
    SerialTransport m_transport;
    CommandChannel m_channel;
    SerialSearch m_search;
    std::array<SlotListData, 4> m_slotLists;
    EdidFeatureRecord m_analysisRecord{};
    EdidFeatureRecord m_creatorRecord{};
    SlotHistory *m_history = nullptr;
};
