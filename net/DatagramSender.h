#pragma once

// A UDP socket that only sends. Unlike a bound QUdpSocket it has no read notifier, so the event
// loop does not watch it on every wake-up; nothing is ever read from the discovery senders.

#include <QByteArray>
#include <QHostAddress>

class DatagramSender
{
  public:
    DatagramSender() = default;
    ~DatagramSender();
    DatagramSender(const DatagramSender &) = delete;
    DatagramSender &operator=(const DatagramSender &) = delete;

    // Opens the socket on first use (any port). False when the system gives none.
    bool open();
    bool isOpen() const { return m_fd >= 0; }
    void setBroadcast(bool on);
    // TTL and loopback of the multicast datagrams sent.
    void setMulticast(int ttl, bool loopback);
    // True when the whole datagram was handed to the system.
    bool send(const QByteArray &datagram, const QHostAddress &to, quint16 port);

  private:
    int m_fd = -1;
};
