#include "link/DeviceSession.h"

#include <algorithm>

#include "shell/DebugLog.h"
#include "link/SlotLists.h"
#include "shell/Latin1.h"

DeviceSession::DeviceSession(DebugLog &log, QObject *parent)
    : QObject(parent), m_log(log), m_registry(log), m_transport(log), m_channel(m_transport, m_registry, log),
      m_search(m_transport, m_channel, m_registry, log)
{
    m_channel.setDecoder(
        [this](Direction dir, Command cmd, std::string_view reply) { return decodeReply(dir, cmd, reply); });
    connect(&m_registry, &DeviceRegistry::selectionChanged, this, &DeviceSession::selectionChanged);
    connect(&m_search, &SerialSearch::slotListsEmptied, this, &DeviceSession::emptySlotLists);
    connect(&m_search, &SerialSearch::listChanged, this, &DeviceSession::selectionChanged);
}

DeviceSession::~DeviceSession() = default;

void DeviceSession::setSlotListSelection(int which, int index)
{
    m_slotLists[static_cast<std::size_t>(std::clamp(which, 0, 3))].selected = index;
}

void DeviceSession::emptySlotLists()
{
    m_slotLists.fill(SlotListData{});
    emit slotListsChanged();
}

bool DeviceSession::decodeReply(Direction dir, Command command, std::string_view reply)
{
    switch (command) {
    case Command::SYS_DSCPT:
        return decodeSystemDescription(reply);
    case Command::ND_DSCPT:
        return decodeNodeDescription(reply);
    case Command::ND_ED0A:
    case Command::ND_ED0B:
    case Command::ND_ED1A:
    case Command::ND_ED1B:
        // After a SET only the reply's CRC counts.
        return dir != Direction::GET || decodeEdidQuarter(reply, edidQuarterOffset(command));
    case Command::RXEDMD:
        return dir != Direction::GET || decodeModeReport(reply);
    default:
        return true;
    }
}

bool DeviceSession::decodeSystemDescription(std::string_view reply)
{
    const auto fields = splitReplyFields(reply, 11);
    if (!fields) {
        m_log.append(QStringLiteral("System description rejected: too few fields.\r\n"));
        return false;
    }
    std::array<int64_t, 4> counts{};
    for (int i = 0; i < 4; ++i) {
        const auto value = parseDecimal((*fields)[7 + i], DecimalOverflow::Wrap);
        if (!value) {
            m_log.append(QStringLiteral("System description rejected: count '") + latin1((*fields)[7 + i]) +
                         QStringLiteral("' is not a number.\r\n"));
            return false;
        }
        counts[i] = *value;
    }
    SYS_STATUS &record = m_registry.serialRecord();
    record.vid = latin1((*fields)[0]);
    record.pid = latin1((*fields)[1]);
    record.productName = latin1((*fields)[2]);
    record.productString = latin1((*fields)[3]);
    record.firmwareVersion = latin1((*fields)[5]);
    record.statusFlag = flagField((*fields)[6]) ? 1 : 0;
    record.inputCount = static_cast<uint8_t>(counts[0] & 0xFF);
    record.outputCount = static_cast<uint8_t>(counts[1] & 0xFF);
    record.userCount = static_cast<uint8_t>(counts[2] & 0xFF);
    record.internalCount = static_cast<uint8_t>(counts[3] & 0xFF);
    fillSlotLists(record);
    emit systemDescriptionStored();
    return true;
}

void DeviceSession::fillSlotLists(const SYS_STATUS &record)
{
    const SlotCounts counts = slotCountsOf(record);
    auto toList = [](const std::vector<std::string> &items) {
        QStringList list;
        list.reserve(static_cast<qsizetype>(items.size()));
        for (const std::string &item : items)
            list << QString::fromStdString(item);
        return list;
    };
    const QStringList all = toList(allListItems(counts));
    const QStringList upload = toList(uploadListItems(counts));
    m_slotLists[0] = {all, 0};
    m_slotLists[1] = {all, counts.inputs + 1};
    m_slotLists[2] = {upload, 0};
    m_slotLists[3] = {upload, 0};
    emit slotListsChanged();
}

bool DeviceSession::decodeNodeDescription(std::string_view reply)
{
    SYS_STATUS &record = m_registry.serialRecord();
    const unsigned kind = slotKindBits(record.selectedSlot);
    const unsigned number = slotIndexBits(record.selectedSlot);
    if (kind > 1 || number >= static_cast<unsigned>(nodesPerKind)) {
        m_log.append(QStringLiteral("Node description not stored: no descriptor for the selected slot.\r\n"));
        // Still the answer to the request; it only has no place here.
        return splitReplyFields(reply, 8).has_value();
    }
    const auto fields = splitReplyFields(reply, 8);
    if (!fields) {
        m_log.append(QStringLiteral("Node description rejected: too few fields.\r\n"));
        return false;
    }
    std::array<int64_t, 3> values{};
    for (int i = 0; i < 3; ++i) {
        const auto value = parseDecimal((*fields)[i], DecimalOverflow::Wrap);
        if (!value) {
            m_log.append(QStringLiteral("Node description rejected: '") + latin1((*fields)[i]) +
                         QStringLiteral("' is not a number.\r\n"));
            return false;
        }
        values[i] = *value;
    }
    NodeDescriptor &node = kind == 0 ? record.inputNodes[number] : record.outputNodes[number];
    node.nodeValue0 = static_cast<uint8_t>(values[0] & 0xFF);
    node.nodeValue1 = static_cast<uint8_t>(values[1] & 0xFF);
    node.nodeValue2 = static_cast<uint8_t>(values[2] & 0xFF);
    node.nodeFlag3 = flagField((*fields)[3]);
    node.modeSelectable = flagField((*fields)[4]);
    node.copyAvailable = flagField((*fields)[5]);
    node.modePolled = flagField((*fields)[6]);
    node.nodeFlag8 = flagField((*fields)[7]);
    return true;
}

bool DeviceSession::decodeEdidQuarter(std::string_view reply, int offset)
{
    // Only 128 hexadecimal digits (and the field separator after them, if any) are a quarter;
    // anything else (the answer to an earlier SET, say) must not become image bytes.
    const std::string_view body = replyBody(reply);
    if (!isEdidQuarterBody(body))
        return false;
    EdidImage &image = transferImage();
    for (int i = 0; i < 64; ++i) {
        const uint8_t high = hexDigitValue(body[static_cast<std::size_t>(2 * i)]);
        const uint8_t low = hexDigitValue(body[static_cast<std::size_t>(2 * i + 1)]);
        image[static_cast<std::size_t>(offset + i)] =
            static_cast<uint8_t>(((high << 4) + (low & 0x0F)) & 0xFF);
    }
    return true;
}

bool DeviceSession::decodeModeReport(std::string_view reply)
{
    const auto fields = splitReplyFields(reply, 1);
    if (!fields) {
        m_log.append(QStringLiteral("Mode report rejected: no field.\r\n"));
        return false;
    }
    const auto value = parseDecimal((*fields)[0], DecimalOverflow::Wrap);
    if (!value) {
        m_log.append(QStringLiteral("Mode report rejected: '") + latin1((*fields)[0]) +
                     QStringLiteral("' is not a number.\r\n"));
        return false;
    }
    emit edidModeReported(static_cast<quint8>(*value & 0xFF));
    return true;
}
