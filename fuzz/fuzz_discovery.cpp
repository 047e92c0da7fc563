// Discovery replies come from anyone on the LAN: the parser must survive every datagram.
#include <cstddef>
#include <cstdint>
#include <span>

#include "net/DiscoveryPacket.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // The first byte picks how many devices are already listed (their MACs come from the data).
    net::MacAddress known[3]{};
    std::size_t knownCount = 0;
    if (size > 0) {
        knownCount = data[0] % 4;
        for (std::size_t i = 0; i < knownCount && 1 + (i + 1) * 6 <= size; ++i)
            for (std::size_t j = 0; j < 6; ++j)
                known[i][j] = data[1 + i * 6 + j];
        ++data;
        --size;
    }
    net::Discovery out;
    if (net::parseDiscoveryReply(std::span<const uint8_t>(data, size), std::span(known, knownCount), out)) {
        // Accepted records must be consistent with what the list shows.
        if (!out.macText.empty() && out.macText != net::macToText(out.macBytes))
            __builtin_trap();
    }
    return 0;
}
