#pragma once

// The network side of the device list: the UDP endpoints, the receive path that lists every new
// device answering the discovery request, and the settings packet sent to one of them.
//
// Endpoints (all created here, owned for the whole run):
//   listener          bound to port 31002 on all addresses, member of group 225.12.13.14
//   broadcast sender  any port, to 255.255.255.255:31001, broadcasting on for that send only
//   multicast sender  any port, to 225.12.13.14:31001, TTL 1, loopback on
// The senders are send-only sockets: the event loop never watches them.
// Everything runs on the main thread: datagrams are taken from the listener's readyRead.

#include <QHostAddress>
#include <QObject>
#include <QString>
#include <QUdpSocket>

#include <array>
#include <vector>

#include "net/DatagramSender.h"
#include "net/DiscoveryPacket.h"

class DebugLog;
class DeviceRegistry;

// Where the endpoints bind and send. The defaults are the protocol's; tests point them elsewhere.
struct DiscoveryAddresses
{
    QHostAddress listenAddress{QHostAddress::AnyIPv4};
    quint16 listenPort = net::kDiscoveryReplyPort;
    QHostAddress group{QString::fromLatin1(net::kDiscoveryGroup)};
    QHostAddress broadcast{QString::fromLatin1(net::kBroadcastAddress)};
    quint16 devicePort = net::kDiscoveryRequestPort;
};

class DiscoveryService : public QObject
{
    Q_OBJECT
  public:
    // Network devices are listed in the device registry, beside the serial ones. Whoever owns
    // both connects the serial search's discovery step to sendDiscoveryRequest.
    DiscoveryService(DeviceRegistry &devices, DebugLog &log, const DiscoveryAddresses &addresses = {},
                     QObject *parent = nullptr);
    ~DiscoveryService() override;

    // Opens the listener and joins the group. False when the port cannot be bound (another
    // instance holds it): the caller shows the single-instance warning. A failed join (no
    // network) is only logged; replies by broadcast or to our own address still arrive.
    bool start();
    bool joinedGroup() const { return m_joined; }
    QString bindError() const { return m_bindError; }

    // The 4-byte request, by broadcast and then by multicast. Nothing is awaited.
    void sendDiscoveryRequest();

    // The receive path for one datagram; public so that tests and replays can feed it.
    void onDiscoveryDatagram(const QByteArray &payload);

    // Builds, stores and sends the SET_NET packet for discoveryTable[index]. When a text does not
    // convert, nothing is sent or stored and the result carries the message to show.
    net::SettingsPacket sendNetworkSettings(int index, const net::NetworkSettings &settings);

    // Entry i describes list row i + 1 while that row is a network device. A new search does not
    // clear it.
    std::array<net::Discovery, net::kDiscoveryTableSize> discoveryTable{};

    // The MACs taking part in the duplicate test: network devices listed since the last search.
    std::vector<net::MacAddress> listedMacs() const;

    const DiscoveryAddresses &addresses() const { return m_addresses; }

  signals:
    // A new network device took list index `index` (row index + 1).
    void deviceListed(int index);

  private:
    void readPendingDatagrams();
    void prepareSenders();
    void sendBroadcast(const QByteArray &packet);

    DeviceRegistry &m_devices;
    DebugLog &m_log;
    DiscoveryAddresses m_addresses;
    QUdpSocket m_listener;
    DatagramSender m_broadcastSender;
    DatagramSender m_multicastSender;
    bool m_joined = false;
    bool m_listFullReported = false; // "Device list full" logged since the last search
    QString m_bindError;
};
