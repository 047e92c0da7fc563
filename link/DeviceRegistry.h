#pragma once

// The devices in the device list, serial and network alike: their 20 status records, the number
// listed, the one the pages act on, which one is the connected serial device, and the list rows
// the grid shows (through DeviceListModel). The serial search and the discovery service both list
// devices here; the pages read it. One index space: index i is list row i + 1 and status record i.

#include <QObject>
#include <QList>
#include <QStringList>

#include <functional>

#include "link/DeviceState.h"

class DebugLog;

class DeviceRegistry : public QObject
{
    Q_OBJECT
  public:
    static constexpr int capacity = statusTableSize;
    static constexpr int columns = 6;

    explicit DeviceRegistry(DebugLog &log, QObject *parent = nullptr);

    // ----- records -----------------------------------------------------------------------------
    // deviceCount: the devices listed since the last search.
    int count() const { return m_count; }
    bool full() const { return m_count >= capacity; }
    // The record at index (clamped into the table: records outlive the list that filled them).
    const SYS_STATUS &status(int index) const;
    bool isSerial(int index) const { return listed(index) && status(index).interfaceKind == interfaceSerial; }
    bool isNetwork(int index) const { return listed(index) && status(index).interfaceKind == interfaceNetwork; }
    bool listed(int index) const { return index >= 0 && index < m_count; }

    // Takes the next list index for a new device and stores its record there; -1 when the 20
    // records are used up, with a line in the debug log.
    int list(const SYS_STATUS &record);
    // Overwrites the record of a listed (or the next) index, as a reply or a settings change does.
    void store(int index, const SYS_STATUS &record);
    void setProductString(int index, const QString &text);
    void setFirmwareLoaded(int index, bool loaded);
    // Changes the record at index in place (nothing outside the 20 records).
    void update(int index, const std::function<void(SYS_STATUS &)> &change);

    // ----- the serial device -------------------------------------------------------------------
    // The record serial replies are decoded into: while a probe runs, the probed device's own
    // record (it gets a list index only when its row is made, so a network device listed in the
    // meantime cannot share it); then the connected serial device's record, whichever row is chosen;
    // without a serial device, the chosen one's.
    SYS_STATUS &serialRecord();
    const SYS_STATUS &serialRecord() const;
    // What every sender of ND_SEL stores before sending it, and the mode input 1 was last shown in.
    void setSelectedSlot(uint32_t code) { serialRecord().selectedSlot = code; }
    void setCurrentEdidMode(uint8_t mode) { serialRecord().inputNodes[0].currentEdidMode = mode; }
    int serialIndex() const { return m_serialIndex; }
    void setSerialIndex(int index) { m_serialIndex = index; }
    // A probe starts from the record at the next index (unanswered requests leave it as it was).
    void beginProbe();
    // Ends the probe and gives the probed record.
    SYS_STATUS endProbe();

    // ----- selection ---------------------------------------------------------------------------
    // selectedDevice: the device the pages act on.
    int selected() const { return m_selected; }
    // The operator's choice of a row (and the search's choice of the device it connected).
    void select(int index);
    // The chosen device is a listed network device.
    bool networkSelected() const { return isNetwork(m_selected); }

    // A search starts: nothing listed, the first index chosen, no serial device, rows emptied
    // (the row count stays).
    void startSearch();
    // Disconnect: the rows of the listed devices emptied, nothing listed (records keep their data).
    void clearList();

    // ----- rows of the device list -------------------------------------------------------------
    // Below the header: rows().size() + 1 is StringGrid1's row count.
    const QList<QStringList> &rows() const { return m_rows; }
    void setRowCount(int rowsWithHeader);
    void setRow(int row, const QStringList &cells); // row from 1
    void emptyRows(int fromRow, int toRow);         // rows from 1, inclusive
    // Sets the row of the device at index (row index + 1) and makes the list long enough for it.
    void showRow(int index, const QStringList &cells);

  signals:
    void rowsChanged();
    // The chosen device, or the list it is chosen from, may have changed.
    void selectionChanged();

  private:
    SYS_STATUS &record(int index);

    DebugLog &m_log;
    StatusTable m_table{};
    int m_count = 0;
    int m_selected = 0;
    int m_serialIndex = -1;
    bool m_probing = false;
    SYS_STATUS m_probeRecord;
    QList<QStringList> m_rows;
};
