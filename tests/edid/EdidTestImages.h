#pragma once

// Hand-made images for the EDID tests: the "NEW" template's base block with a CTA extension made
// of the given data blocks, checksums fixed.
#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "edid/EdidImage.h"
#include "edid/NewEdidTemplate.h"

namespace edidtest {

using Bytes = std::vector<std::uint8_t>;

// A data block: header (tag in bits 7-5, payload length in bits 4-0) and payload.
inline Bytes dataBlock(std::uint8_t tag, const Bytes &payload)
{
    Bytes b{static_cast<std::uint8_t>((tag << 5) | (payload.size() & 0x1F))};
    b.insert(b.end(), payload.begin(), payload.end());
    return b;
}

inline Bytes videoBlock(const Bytes &vics)
{
    return dataBlock(2, vics);
}
inline Bytes audioBlock(const Bytes &sads)
{
    return dataBlock(1, sads);
}
inline Bytes extendedBlock(std::uint8_t code, Bytes payload)
{
    payload.insert(payload.begin(), code);
    return dataBlock(7, payload);
}
inline Bytes hdmiBlock(Bytes rest) // rest = block bytes 4.. (CEC address on)
{
    rest.insert(rest.begin(), {0x03, 0x0C, 0x00});
    return dataBlock(3, rest);
}
inline Bytes hfBlock(Bytes rest) // rest = block bytes 4.. (version on)
{
    rest.insert(rest.begin(), {0xD8, 0x5D, 0xC4});
    return dataBlock(3, rest);
}

// The template with its extension replaced by a CTA block holding `blocks`; byte 130 points
// behind them unless `dtdOffset` is given.
inline EdidImage imageWithBlocks(std::initializer_list<Bytes> blocks, int dtdOffset = -1,
                                 std::uint8_t byte3 = 0x71)
{
    EdidImage img = NewEdidTemplate;
    std::fill(img.begin() + 128, img.end(), 0);
    img[128] = 0x02;
    img[129] = 0x03;
    img[131] = byte3;
    std::size_t off = 132;
    for (const Bytes &b : blocks)
        for (std::uint8_t v : b)
            if (off < 255)
                img[off++] = v;
    img[130] = static_cast<std::uint8_t>(dtdOffset >= 0 ? dtdOffset : static_cast<int>(off - 128));
    setEdidChecksums(img);
    return img;
}

// The template without its extension (byte 126 = 0); the second half keeps the template's bytes.
inline EdidImage imageWithoutExtension()
{
    EdidImage img = NewEdidTemplate;
    img[126] = 0;
    setEdidChecksums(img);
    return img;
}

} // namespace edidtest
