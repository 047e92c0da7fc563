#include "link/DeviceRegistry.h"

#include <algorithm>

#include "shell/DebugLog.h"

DeviceRegistry::DeviceRegistry(DebugLog &log, QObject *parent) : QObject(parent), m_log(log) {}

SYS_STATUS &DeviceRegistry::record(int index)
{
    return m_table[static_cast<std::size_t>(std::clamp(index, 0, capacity - 1))];
}

const SYS_STATUS &DeviceRegistry::status(int index) const
{
    return m_table[static_cast<std::size_t>(std::clamp(index, 0, capacity - 1))];
}

int DeviceRegistry::list(const SYS_STATUS &record)
{
    if (full()) {
        m_log.append(QStringLiteral("Device list full: device not listed.\r\n"));
        return -1;
    }
    const int index = m_count++;
    m_table[static_cast<std::size_t>(index)] = record;
    emit selectionChanged();
    return index;
}

void DeviceRegistry::store(int index, const SYS_STATUS &status)
{
    if (index >= 0 && index < capacity)
        record(index) = status;
}

void DeviceRegistry::setProductString(int index, const QString &text)
{
    if (index >= 0 && index < capacity)
        record(index).productString = text;
}

void DeviceRegistry::setFirmwareLoaded(int index, bool loaded)
{
    if (index >= 0 && index < capacity)
        record(index).firmwareLoaded = loaded ? 1 : 0;
}

void DeviceRegistry::update(int index, const std::function<void(SYS_STATUS &)> &change)
{
    if (index >= 0 && index < capacity)
        change(record(index));
}

SYS_STATUS &DeviceRegistry::serialRecord()
{
    if (m_probing)
        return m_probeRecord;
    if (m_serialIndex >= 0 && m_serialIndex < capacity)
        return record(m_serialIndex);
    return record(m_selected);
}

const SYS_STATUS &DeviceRegistry::serialRecord() const
{
    return const_cast<DeviceRegistry *>(this)->serialRecord();
}

void DeviceRegistry::beginProbe()
{
    m_probeRecord = record(std::min(m_count, capacity - 1));
    m_probing = true;
}

SYS_STATUS DeviceRegistry::endProbe()
{
    m_probing = false;
    return m_probeRecord;
}

void DeviceRegistry::select(int index)
{
    m_selected = index;
    emit selectionChanged();
}

void DeviceRegistry::startSearch()
{
    m_count = 0;
    m_selected = 0;
    m_serialIndex = -1;
    emptyRows(1, static_cast<int>(m_rows.size()));
}

void DeviceRegistry::clearList()
{
    emptyRows(1, m_count);
    m_count = 0;
    m_serialIndex = -1;
    emit selectionChanged();
}

void DeviceRegistry::setRowCount(int rowsWithHeader)
{
    const int rows = std::max(0, rowsWithHeader - 1);
    while (m_rows.size() < rows)
        m_rows.append(QStringList(columns, QString()));
    while (m_rows.size() > rows)
        m_rows.removeLast();
    emit rowsChanged();
}

void DeviceRegistry::setRow(int row, const QStringList &cells)
{
    if (row < 1)
        return;
    if (m_rows.size() < row)
        setRowCount(row + 1);
    QStringList padded = cells.mid(0, columns);
    while (padded.size() < columns)
        padded << QString();
    m_rows[row - 1] = padded;
    emit rowsChanged();
}

void DeviceRegistry::emptyRows(int fromRow, int toRow)
{
    for (int r = std::max(1, fromRow); r <= toRow && r <= m_rows.size(); ++r)
        m_rows[r - 1] = QStringList(columns, QString());
    emit rowsChanged();
}

void DeviceRegistry::showRow(int index, const QStringList &cells)
{
    // The list's row count becomes index + 2 (header and rows 1 to index + 1), as each device's row
    // is made.
    setRowCount(index + 2);
    setRow(index + 1, cells);
}
