// discovery_flood: sends discovery replies from many MAC addresses to the workbench's listener on
// 127.0.0.1 at a fixed rate for a fixed time, then stops. Used by bench/discovery_flood.sh, which
// runs it with the workbench inside a private network namespace.
//   discovery_flood [SECONDS] [PER_SECOND] [MACS]      (default 30 s, 10000/s, 300 MACs)
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "net/DiscoveryPacket.h"

int main(int argc, char **argv)
{
    const double seconds = argc > 1 ? std::atof(argv[1]) : 30;
    const long perSecond = argc > 2 ? std::atol(argv[2]) : 10000;
    const int macs = argc > 3 ? std::atoi(argv[3]) : 300;
    if (seconds <= 0 || seconds > 600 || perSecond <= 0 || perSecond > 100000 || macs <= 0 || macs > 65536) {
        std::fputs("usage: discovery_flood [SECONDS<=600] [PER_SECOND<=100000] [MACS<=65536]\n", stderr);
        return 2;
    }
    std::vector<std::vector<uint8_t>> replies;
    for (int i = 0; i < macs; ++i) {
        net::Discovery d;
        d.productName = "Flood";
        d.macBytes = {0x02, 0x46, 0x4C, 0x00, static_cast<uint8_t>(i >> 8), static_cast<uint8_t>(i)};
        d.ipAddress = "10.0.0.1";
        d.webPort = 80;
        replies.push_back(net::makeDiscoveryReply(d));
    }
    const int s = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(net::kDiscoveryReplyPort);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK); // loopback only, never another host
    // Batches every 10 ms keep the rate without a system call per sleep.
    const long batch = std::max(1L, perSecond / 100);
    const long total = static_cast<long>(seconds * static_cast<double>(perSecond));
    timespec next;
    clock_gettime(CLOCK_MONOTONIC, &next);
    long sent = 0, failed = 0;
    std::size_t which = 0;
    while (sent + failed < total) {
        for (long i = 0; i < batch && sent + failed < total; ++i) {
            const std::vector<uint8_t> &r = replies[which++ % replies.size()];
            if (::sendto(s, r.data(), r.size(), 0, reinterpret_cast<const sockaddr *>(&to), sizeof to) < 0)
                ++failed;
            else
                ++sent;
        }
        next.tv_nsec += 10'000'000;
        if (next.tv_nsec >= 1'000'000'000) {
            next.tv_nsec -= 1'000'000'000;
            ++next.tv_sec;
        }
        clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
    }
    ::close(s);
    std::printf("sent %ld replies from %d MACs (%ld failed)\n", sent, macs, failed);
    return 0;
}
