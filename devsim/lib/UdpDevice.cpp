#include "devsim/lib/UdpDevice.h"

#include <QNetworkDatagram>
#include <QNetworkInterface>

#include <algorithm>

net::Discovery UdpDevice::demoIdentity()
{
    net::Discovery d;
    d.productId = "0107";
    d.productName = "Demo Matrix";
    d.macBytes = {0x02, 0x4B, 0x45, 0x4C, 0x4D, 0x01};
    d.macText = net::macToText(d.macBytes);
    d.ipAddress = "192.168.1.239";
    d.subnetMask = "255.255.255.0";
    d.gateway = "192.168.1.1";
    d.dns = "192.168.1.1";
    d.webPort = 80;
    d.telnetPort = 23;
    d.serialNum = "000001";
    d.description = "Simulated";
    return d;
}

UdpDevice::UdpDevice(const net::Discovery &identity, QObject *parent) : UdpDevice(identity, Options{}, parent)
{
}

UdpDevice::UdpDevice(const net::Discovery &identity, const Options &options, QObject *parent)
    : QObject(parent), m_record(identity), m_options(options)
{
    connect(&m_socket, &QUdpSocket::readyRead, this, &UdpDevice::readPending);
}

bool UdpDevice::start()
{
    if (!m_socket.bind(m_options.bindAddress, m_options.port,
                       QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint))
        return false;
    m_joined = m_options.joinGroup && m_socket.joinMulticastGroup(m_options.group);
    return true;
}

QByteArray UdpDevice::replyPacket() const
{
    const std::vector<uint8_t> p = net::makeDiscoveryReply(m_record);
    QByteArray bytes(reinterpret_cast<const char *>(p.data()), static_cast<qsizetype>(p.size()));
    if (m_fault == Fault::SwappedCrc)
        std::swap(bytes[bytes.size() - 1], bytes[bytes.size() - 2]);
    return bytes;
}

void UdpDevice::readPending()
{
    static const QByteArray request("\x01\x00\xFF\xFF", 4);
    while (m_socket.hasPendingDatagrams()) {
        const QNetworkDatagram d = m_socket.receiveDatagram();
        // Tests read the recent datagrams; a long-running simulator on a busy LAN must not grow.
        if (m_received.size() >= kReceivedKept)
            m_received.removeFirst();
        m_received.append({d.data(), d.senderAddress(), static_cast<quint16>(d.senderPort()),
                           d.destinationAddress(), d.hopLimit()});
        if (m_options.thisMachineOnly && !fromThisMachine(d.senderAddress()))
            continue;
        const QByteArray &data = d.data();
        if (data == request) {
            if (m_fault == Fault::Silent)
                continue;
            const QByteArray answer = replyPacket();
            const int copies = m_fault == Fault::Twice ? 2 : 1;
            for (int i = 0; i < copies; ++i)
                m_socket.writeDatagram(answer, d.senderAddress(), m_options.replyPort);
            emit requestAnswered();
            continue;
        }
        const auto bytes = std::span(reinterpret_cast<const uint8_t *>(data.constData()),
                                     static_cast<std::size_t>(data.size()));
        if (net::applySettingsPacket(bytes, m_record)) {
            ++m_settingsApplied;
            emit settingsChanged();
        }
    }
}

bool UdpDevice::fromThisMachine(const QHostAddress &sender)
{
    if (sender.isLoopback())
        return true;
    const QList<QHostAddress> own = QNetworkInterface::allAddresses();
    return std::any_of(own.cbegin(), own.cend(), [&](const QHostAddress &a) { return a.isEqual(sender); });
}
