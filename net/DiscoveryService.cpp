#include "net/DiscoveryService.h"

#include <QNetworkDatagram>

#include <algorithm>

#include "shell/DebugLog.h"
#include "link/DeviceRegistry.h"
#include "shell/Latin1.h"

namespace {

QByteArray toByteArray(const std::vector<uint8_t> &bytes)
{
    return QByteArray(reinterpret_cast<const char *>(bytes.data()), static_cast<qsizetype>(bytes.size()));
}

constexpr int kReceiveBufferSize = 1024;

} // namespace

DiscoveryService::DiscoveryService(DeviceRegistry &devices, DebugLog &log, const DiscoveryAddresses &addresses,
                                   QObject *parent)
    : QObject(parent), m_devices(devices), m_log(log), m_addresses(addresses)
{
    connect(&m_listener, &QUdpSocket::readyRead, this, &DiscoveryService::readPendingDatagrams);
}

DiscoveryService::~DiscoveryService() = default;

bool DiscoveryService::start()
{
    if (m_listener.state() == QAbstractSocket::BoundState)
        return true;
    // Exclusive: the port being taken is how a second instance recognises the first.
    if (!m_listener.bind(m_addresses.listenAddress, m_addresses.listenPort,
                         QAbstractSocket::DontShareAddress)) {
        m_bindError = m_listener.errorString();
        m_log.append(
            QStringLiteral("UDP port %1 unavailable: %2\r\n").arg(m_addresses.listenPort).arg(m_bindError));
        return false;
    }
    m_joined = m_addresses.group.isMulticast() && m_listener.joinMulticastGroup(m_addresses.group);
    if (!m_joined)
        m_log.append(QStringLiteral("Join multicast group %1 failed: %2\r\n")
                         .arg(m_addresses.group.toString(), m_listener.errorString()));

    prepareSenders();
    return true;
}

void DiscoveryService::prepareSenders()
{
    // The broadcast sender broadcasts only for the moment of its send.
    if (!m_broadcastSender.isOpen() && m_broadcastSender.open())
        m_broadcastSender.setBroadcast(false);
    if (!m_multicastSender.isOpen() && m_multicastSender.open())
        m_multicastSender.setMulticast(1, true); // local segment only; looped back
}

void DiscoveryService::sendBroadcast(const QByteArray &packet)
{
    m_broadcastSender.setBroadcast(true);
    m_broadcastSender.send(packet, m_addresses.broadcast, m_addresses.devicePort);
    m_broadcastSender.setBroadcast(false);
}

void DiscoveryService::sendDiscoveryRequest()
{
    m_listFullReported = false; // a new search
    const QByteArray request = toByteArray(net::discoveryRequest());
    prepareSenders();
    sendBroadcast(request);
    // Failures (no network at all) mean no network devices; the serial search goes on regardless.
    m_multicastSender.send(request, m_addresses.group, m_addresses.devicePort);
}

void DiscoveryService::readPendingDatagrams()
{
    while (m_listener.hasPendingDatagrams()) {
        const QNetworkDatagram d = m_listener.receiveDatagram(kReceiveBufferSize + 1);
        onDiscoveryDatagram(d.data());
    }
}

std::vector<net::MacAddress> DiscoveryService::listedMacs() const
{
    // Entries at indexes now held by serial devices carry an earlier search's data: not ours.
    std::vector<net::MacAddress> macs;
    const DeviceRegistry &devices = m_devices;
    for (int i = 0; i < devices.count(); ++i)
        if (devices.isNetwork(i))
            macs.push_back(discoveryTable[static_cast<std::size_t>(i)].macBytes);
    return macs;
}

void DiscoveryService::onDiscoveryDatagram(const QByteArray &payload)
{
    if (payload.isEmpty() || payload.size() > kReceiveBufferSize)
        return;
    const std::vector<net::MacAddress> known = listedMacs();
    net::Discovery work;
    const auto bytes = std::span(reinterpret_cast<const uint8_t *>(payload.constData()),
                                 static_cast<std::size_t>(payload.size()));
    if (!net::parseDiscoveryReply(bytes, known, work))
        return;

    // A full list stays full until the next search: say so once, or a flood of replies from
    // unlisted devices would grow the log without end.
    DeviceRegistry &devices = m_devices;
    if (devices.full()) {
        if (!m_listFullReported)
            m_log.append(QStringLiteral("Device list full: device not listed.\r\n"));
        m_listFullReported = true;
        return;
    }
    // The entry is in place before the device is listed, for whoever reacts to the listing.
    discoveryTable[static_cast<std::size_t>(devices.count())] = work;
    // A fresh record: nothing of a serial device that held this index before may show through.
    SYS_STATUS status;
    status.interfaceKind = interfaceNetwork;
    const int k = devices.list(status);
    if (k < 0)
        return;
    devices.showRow(k, {QString::number(k + 1), QStringLiteral("ETHERNET"), latin1(work.productName),
                        latin1(work.description), latin1(work.ipAddress), latin1(work.macText)});
    emit deviceListed(k);
}

net::SettingsPacket DiscoveryService::sendNetworkSettings(int index, const net::NetworkSettings &settings)
{
    if (index < 0 || index >= net::kDiscoveryTableSize)
        return {false, {}, "No network device is selected.", {}};
    net::SettingsPacket p =
        net::buildNetworkSettings(discoveryTable[static_cast<std::size_t>(index)], settings);
    if (p.ok) {
        prepareSenders();
        m_multicastSender.send(toByteArray(p.packet), m_addresses.group, m_addresses.devicePort);
    }
    return p;
}
