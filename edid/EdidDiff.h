#pragma once

// What differs between two EDID images, in the order a reader wants it: the EDID Analyzer's
// answers, then decoded features (video codes, audio formats, HDR, 3D, CEC address, identity,
// dates), then the changed bytes. Pure data; kelmctl and the Compare window print it.

#include <string>
#include <vector>

#include "edid/EdidImage.h"

struct EdidDiff
{
    // An Analyzer row whose text differs ("Max Resolution", "1080p@60Hz", "2160p@60Hz").
    struct Answer
    {
        std::string row;
        std::string a;
        std::string b;
    };
    // A decoded feature. For lists (video codes, audio formats) added/removed name the items that
    // only B or only A holds; a and b are the whole values as text.
    struct Feature
    {
        std::string feature;
        std::string a;
        std::string b;
        std::vector<std::string> added;
        std::vector<std::string> removed;
    };
    // A run of differing bytes inside one 128-byte block.
    struct ByteRange
    {
        int block = 0;
        int offset = 0; // within the block
        int length = 0;
        std::string where; // the part of the block the run starts in ("vendor & product", ...)
        std::vector<std::uint8_t> a;
        std::vector<std::uint8_t> b;
        int absolute() const { return block * int(kEdidBlockSize) + offset; }
    };

    std::vector<Answer> answers;
    std::vector<Feature> features;
    std::vector<ByteRange> bytes;
    // Features are compared only when both images pass validation.
    bool aValid = true;
    bool bValid = true;

    bool identical() const { return bytes.empty(); }
};

EdidDiff diffEdids(const EdidImage &a, const EdidImage &b);

// Where a byte of an image lies, as named in the byte ranges ("header", "detailed timing 2",
// "data blocks", "checksum" ...). The extension's layout comes from the image's byte 130.
std::string edidByteRegion(const EdidImage &image, int absoluteOffset);
