#include "net/DatagramSender.h"

#include <cstring>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

DatagramSender::~DatagramSender()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool DatagramSender::open()
{
    if (m_fd < 0)
        m_fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    return m_fd >= 0;
}

void DatagramSender::setBroadcast(bool on)
{
    const int value = on ? 1 : 0;
    if (m_fd >= 0)
        ::setsockopt(m_fd, SOL_SOCKET, SO_BROADCAST, &value, sizeof value);
}

void DatagramSender::setMulticast(int ttl, bool loopback)
{
    if (m_fd < 0)
        return;
    const unsigned char t = static_cast<unsigned char>(ttl);
    const unsigned char loop = loopback ? 1 : 0;
    ::setsockopt(m_fd, IPPROTO_IP, IP_MULTICAST_TTL, &t, sizeof t);
    ::setsockopt(m_fd, IPPROTO_IP, IP_MULTICAST_LOOP, &loop, sizeof loop);
}

bool DatagramSender::send(const QByteArray &datagram, const QHostAddress &to, quint16 port)
{
    bool ipv4 = false;
    const quint32 address = to.toIPv4Address(&ipv4);
    if (m_fd < 0 || !ipv4)
        return false;
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    sa.sin_addr.s_addr = htonl(address);
    const ssize_t n = ::sendto(m_fd, datagram.constData(), static_cast<size_t>(datagram.size()), MSG_NOSIGNAL,
                               reinterpret_cast<const sockaddr *>(&sa), sizeof sa);
    return n == datagram.size();
}
