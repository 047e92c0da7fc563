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
