#pragma once

// Helpers for the creator tests: the data blocks of a built image, and a loaded creator.
#include <cstdint>
#include <vector>

#include "edid/CreatorLoader.h"
#include "edid/EdidDecoder.h"
#include "edid/NewEdidTemplate.h"
#include "tests/edid/EdidTestImages.h"

namespace creatortest {

using edidtest::Bytes;

// Every data block of the extension (header and payload), in order.
inline std::vector<Bytes> dataBlocks(const EdidImage &img)
{
    std::vector<Bytes> blocks;
    if (img[126] == 0)
        return blocks;
    const std::size_t end = std::min<std::size_t>(128 + img[130], 255);
    for (std::size_t off = 132; off < end;) {
        const std::size_t len = img[off] & 0x1F;
        blocks.emplace_back(img.begin() + std::ptrdiff_t(off),
                            img.begin() + std::ptrdiff_t(std::min<std::size_t>(off + 1 + len, 256)));
        off += len + 1;
    }
    return blocks;
}

// Data blocks for hand-made images (byte by byte: g++ 12 misreads a small vector insert).
inline Bytes block(std::uint8_t tag, std::initializer_list<std::uint8_t> prefix, const Bytes &payload)
{
    Bytes b;
    b.push_back(std::uint8_t((tag << 5) | ((prefix.size() + payload.size()) & 0x1F)));
    for (std::uint8_t v : prefix)
        b.push_back(v);
    for (std::uint8_t v : payload)
        b.push_back(v);
    return b;
}
inline Bytes videoBlock(const Bytes &vics)
{
    return block(2, {}, vics);
}
inline Bytes audioBlock(const Bytes &sads)
{
    return block(1, {}, sads);
}
inline Bytes extendedBlock(std::uint8_t code, const Bytes &payload)
{
    return block(7, {code}, payload);
}
inline Bytes hdmiBlock(const Bytes &rest)
{
    return block(3, {0x03, 0x0C, 0x00}, rest);
} // rest: block byte 4 on
inline Bytes hfBlock(const Bytes &rest)
{
    return block(3, {0xD8, 0x5D, 0xC4}, rest);
} // rest: block byte 4 on

inline Bytes bytesAt(const EdidImage &img, std::size_t from, std::size_t count)
{
    return Bytes(img.begin() + std::ptrdiff_t(from), img.begin() + std::ptrdiff_t(from + count));
}

inline const CreatorDate kToday{2026, 12, 7}; // a Monday of ISO week 50

// The creator after "NEW" (fromNew) or "OPEN" of `image`.
struct LoadedCreator
{
    CreatorState state;
    EdidFeatureRecord record;

    explicit LoadedCreator(const EdidImage &image, bool fromNew = false)
    {
        record.status = EdidStatus::HoldsImage | (fromNew ? EdidStatus::FromNew : 0);
        loadCreatorFromEdid(state, record, image, kToday);
    }
};

} // namespace creatortest
