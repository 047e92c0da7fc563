#pragma once

// A network device as the workbench sees it over UDP: it answers the discovery request with its
// identity and settings and takes SET_NET packets addressed to its MAC. Several may share a
// port (each one answers), as devices on one segment do.

#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QUdpSocket>

#include "net/DiscoveryPacket.h"

class UdpDevice : public QObject
{
    Q_OBJECT
  public:
    struct Options
    {
        QHostAddress bindAddress{QHostAddress::AnyIPv4};
        quint16 port = net::kDiscoveryRequestPort;
        QHostAddress group{QString::fromLatin1(net::kDiscoveryGroup)};
        bool joinGroup = true;
        // Replies go to the requester's address at this port.
        quint16 replyPort = net::kDiscoveryReplyPort;
        // Ignore requests and settings from other machines, so that a demo does not show up in
        // the device lists of other workbenches on the same network.
        bool thisMachineOnly = false;
    };

    // Faults a real network shows now and then.
    enum class Fault {
        None,
        Silent,     // receives, never answers
        SwappedCrc, // CRC bytes in the wrong order
        Twice,      // every answer sent two times
    };

    // The identity `kelm --demo` and kelm-devsim answer with unless told otherwise; the MAC is a
    // locally administered one, which no manufactured device carries.
    static net::Discovery demoIdentity();

    explicit UdpDevice(const net::Discovery &identity, QObject *parent = nullptr);
    UdpDevice(const net::Discovery &identity, const Options &options, QObject *parent = nullptr);

    // Binds and joins the group; false when the port cannot be bound. A failed join (no network
    // route for the group) leaves broadcast requests still answered.
    bool start();
    bool joinedGroup() const { return m_joined; }
    const Options &options() const { return m_options; }
    QString errorString() const { return m_socket.errorString(); }

    // What the device answers with; settings packets change it.
    net::Discovery &record() { return m_record; }
    const net::Discovery &record() const { return m_record; }

    void setFault(Fault fault) { m_fault = fault; }

    // The datagrams that arrived (the latest kReceivedKept), with where each was sent to and its
    // hop limit (TTL).
    static constexpr qsizetype kReceivedKept = 1000;
    struct Received
    {
        QByteArray data;
        QHostAddress sender;
        quint16 senderPort = 0;
        QHostAddress destination;
        int hopLimit = -1;
    };
    const QList<Received> &received() const { return m_received; }
    int settingsApplied() const { return m_settingsApplied; }

    // The answer as it would go out now (with the fault applied).
    QByteArray replyPacket() const;

  signals:
    void requestAnswered();
    void settingsChanged();

  private:
    void readPending();
    static bool fromThisMachine(const QHostAddress &sender);

    net::Discovery m_record;
    Options m_options;
    QUdpSocket m_socket;
    Fault m_fault = Fault::None;
    QList<Received> m_received;
    int m_settingsApplied = 0;
    bool m_joined = false;
};
