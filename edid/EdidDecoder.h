#pragma once

#include <cstddef>
#include <cstdint>

#include "edid/EdidFeatureRecord.h"

// Resets the record, copies the image into it, validates it and, when valid, fills every field.
// Returns false (record reset, error bit added) for an invalid image; callers test
// status & EdidStatus::ErrorMask. Never reads outside the 256 bytes, whatever the image says.
bool decodeEdid(EdidFeatureRecord &record, const EdidImage &image);

// Finds the next CTA data block whose tag (header bits 7-5) is `tag`, starting at `position`;
// on success stores the block's offset in `position`. False without an extension block. The
// collection ends at the detailed timings (byte 130, at most the image's end); a block that starts
// before them is found even when it runs into them, but one whose length runs past the image's
// last byte ends the search, so a found block always lies inside the image.
bool findDataBlock(const EdidImage &image, std::uint8_t tag, std::size_t &position);

// The offset where the data block collection ends: 128 + byte 130, at most 256.
std::size_t dataBlockCollectionEnd(const EdidImage &image);
// The payload length of the block at `position` that may be read: its declared length, cut where
// the detailed timings start. Bytes at or past them belong to the timings, never to the block.
std::size_t dataBlockLength(const EdidImage &image, std::size_t position);

// CTA data block tags.
struct CtaTag
{
    static constexpr std::uint8_t Audio = 1;
    static constexpr std::uint8_t Video = 2;
    static constexpr std::uint8_t Vendor = 3;
    static constexpr std::uint8_t Speaker = 4;
    static constexpr std::uint8_t Extended = 7;
};
