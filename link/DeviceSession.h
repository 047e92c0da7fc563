#pragma once

// The serial side of the workbench, created once at start-up: it owns the transport (port and
// receive buffer), the command channel (requests, their results and the status poll), the device
// registry (shared with the discovery service), the serial search, and what replies are decoded
// into besides the registry: the four slot lists and the two EDID feature records. It never touches
// a widget: widgets (app/lib/ConnectionController, the pages) follow its signals and its parts'
// and call them.
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

    // The search of the serial ports, the status poll and the connection state.
    SerialSearch &serialSearch() { return m_search; }
    const SerialSearch &serialSearch() const { return m_search; }

    // ----- the connection: what the operator does with the device, across all the parts ----------
    // The search of every serial port (and the network discovery request): BitBtn_Search's click.
    void search() { m_search.search(); }
    // Ends the serial connection: BitBtn_Disconnect's click. Hides QObject::disconnect() here;
    // signal connections are undone through QObject::disconnect explicitly.
    void disconnect() { m_search.disconnect(); }
    // Connected: the state in which BitBtn_Search is disabled.
    bool connected() const { return m_search.connected(); }

    // ----- what replies are decoded into besides the registry ------------------------------------
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
    // The signals of the parts are taken from the parts (serialSearch(), channel(), registry());
    // these are the session's own.
    // The slot lists were filled from a system description or emptied (disconnect, device let go).
    void slotListsChanged();
    // A GET RXEDMD report (applyEdidModeReport reacts to it).
    void edidModeReported(quint8 mode);
    // A system description reply was stored into the current device's record.
    void systemDescriptionStored();
    // The device the pages act on, or the list it is chosen from, may have changed (a choice, a
    // search, a newly listed device, a disconnect): the registry's and the search's changes in one.
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
