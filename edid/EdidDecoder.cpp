#include "edid/EdidDecoder.h"

#include <algorithm>
#include <bitset>

namespace {

// Image byte k, or 0 past the image's end: block lengths and byte 130 come from outside and may
// point anywhere, so no read may leave the 256 bytes.
inline std::uint8_t byteAt(const EdidImage &image, std::size_t k)
{
    return k < kEdidImageSize ? image[k] : 0;
}

// A data block at offset r; byte(k) is image byte r + k, header at k = 0. Some rules read bytes
// behind a short block, so reads are bounded by the image, not by the block. A block that runs
// into the detailed timings (a byte 130 set too low) is cut there: `len` counts only the payload
// bytes before them, and reads at or past them give 0, so timing bytes never count as payload.
struct DataBlock
{
    const EdidImage &image;
    std::size_t r;
    int len;
    bool cut;
    // Block byte k lies before the detailed timings (always true for a whole block).
    bool has(int k) const { return !cut || k <= len; }
    std::uint8_t operator()(int k) const
    {
        return has(k) ? byteAt(image, r + static_cast<std::size_t>(k)) : std::uint8_t(0);
    }
};

// Every block of `tag`, from offset 132 on, each search continuing behind the previous block.
// The walk advances at least one byte per step and stops at the collection's end, so it always
// ends.
template <typename Fn> void forEachDataBlock(const EdidImage &image, std::uint8_t tag, Fn &&fn)
{
    std::size_t pos = 132;
    while (findDataBlock(image, tag, pos)) {
        const int declared = image[pos] & 0x1F; // findDataBlock keeps it inside the image
        const int len = static_cast<int>(dataBlockLength(image, pos));
        if (!fn(DataBlock{image, pos, len, len < declared}))
            return;
        pos += static_cast<std::size_t>(declared) + 1;
    }
}

void resetRecord(EdidFeatureRecord &rec)
{
    setFieldText(rec.monitorName, "UNDEFINE.");
    setFieldText(rec.maxResolutionName, "UNDEFINE.");
    rec.svds.fill(0);
    for (auto &sad : rec.sads)
        sad.fill(0);
    rec.y420Vics.fill(0);
    rec.hdmiVics.fill(0);
    rec.threeDLength = 0;
    rec.threeDFlags = 0;
    rec.threeDData.fill(0);
    rec.hdrStatic.fill(0);
    rec.status &= EdidStatus::KeptByDecode;
    rec.productCode = 0;
    rec.interfaceFlags = 0;
    rec.tmds600 = 0;
    rec.hdrColorDepths = 0;
    rec.scdcPresent = 0;
    rec.y420Present = 0;
    rec.hfDeepColor420 = 0;
    rec.ctaByte3 = 0;
    rec.hdmiVsdbByte6 = 0;
    rec.videoCapability = 0;
    rec.colorimetry.fill(0);
    rec.cecAddress.fill(0);
    rec.audioFormats = 0;
    rec.maxChannels = 0;
    rec.speakerAllocation = 0;
    rec.maxColorDepth = 8;
    // The fields a valid image always sets are cleared too: an entry the decode leaves (a detailed
    // timing that no longer fits) must not carry the previous image's bytes into the next build.
    rec.manufacturer.fill(0);
    rec.serialNumber = 0;
    rec.yearByte = 0;
    rec.week = 0;
    rec.establishedTimings = 0;
    rec.standardTimings.fill(0);
    for (auto &dtd : rec.extensionDtds)
        dtd.fill(0);
    rec.creatorOrigin.reset();
}

void decodeMonitorName(EdidFeatureRecord &rec, const EdidImage &img)
{
    // The name descriptor's tag is looked for anywhere in the base block, not only in the four
    // descriptor slots; the last match wins.
    for (std::size_t i = 3; i <= 127; ++i) {
        if (img[i - 3] != 0 || img[i - 2] != 0 || img[i - 1] != 0 || img[i] != 0xFC || img[i + 1] != 0)
            continue;
        for (std::size_t n = 0; n < 13; ++n) {
            const std::uint8_t c = img[i + 2 + n];
            if (c == 0x0A) {
                rec.monitorName[n] = 0;
                break;
            }
            rec.monitorName[n] = static_cast<char>(c);
        }
    }
    rec.monitorName[13] = 0;
}

void vendorPass(EdidFeatureRecord &rec, const EdidImage &img)
{
    forEachDataBlock(img, CtaTag::Vendor, [&](const DataBlock &b) {
        const int L = b.len;
        if (b.has(3) && b(1) == 0x03 && b(2) == 0x0C && b(3) == 0x00) {
            rec.interfaceFlags =
                (rec.interfaceFlags & ~InterfaceFlags::NoHdmiBlock) | InterfaceFlags::HdmiBlock;
            if (L >= 5) {
                rec.cecAddress[0] = b(4);
                rec.cecAddress[1] = b(5);
            }
            if (L >= 6) {
                rec.hdmiVsdbByte6 = b(6);
                if (b(6) & 0x40)
                    rec.maxColorDepth = 16;
                else if (b(6) & 0x20)
                    rec.maxColorDepth = 12;
                else if (b(6) & 0x10)
                    rec.maxColorDepth = 10;
            }
            if (L >= 9 && (b(8) & 0x20)) {
                // The 3D_present byte moves with the latency fields in front of it.
                const int p = (b(8) & 0x40) ? 13 : (b(8) & 0x80) ? 11 : 9;
                const int q = p + 1;
                const int v = p + 2;
                const int vicLen = b(q) >> 5;
                if (b(p) & 0x80) {
                    rec.interfaceFlags |= InterfaceFlags::ThreeDPresent;
                    // The record holds 14 3D bytes; a longer 3D_LEN is cut to what is kept.
                    const int len = std::min<int>(b(q) & 0x1F, static_cast<int>(kMaxThreeDData));
                    rec.threeDLength = static_cast<std::uint8_t>(len);
                    rec.threeDFlags = b(p);
                    for (int k = 0; k < len; ++k)
                        rec.threeDData[static_cast<std::size_t>(k)] = b(q + 1 + vicLen + k);
                }
                if (L >= v && vicLen >= 1) {
                    if (b(v) >= 1 && b(v) <= 4)
                        rec.interfaceFlags |= InterfaceFlags::HdmiVic4k;
                    for (int k = 0; k < vicLen && k < static_cast<int>(kMaxHdmiVics); ++k)
                        rec.hdmiVics[static_cast<std::size_t>(k)] = b(v + k);
                }
            }
        } else if (b.has(3) && b(1) == 0xD8 && b(2) == 0x5D && b(3) == 0xC4) {
            if (b(5) >= 120 && L >= 5)
                rec.tmds600 = 1;
            if ((b(6) & 0x80) && L >= 6)
                rec.scdcPresent = 1;
            if (L >= 7)
                rec.hfDeepColor420 = b(7) & 7;
        }
        return true;
    });
}

bool usableVic(std::uint8_t c)
{
    return c != 0 && c != 128 && c != 254 && c != 255;
}
std::uint8_t normalisedVic(std::uint8_t c)
{
    return (c >= 129 && c <= 192) ? static_cast<std::uint8_t>(c - 128) : c;
}

void videoPass(EdidFeatureRecord &rec, const EdidImage &img)
{
    forEachDataBlock(img, CtaTag::Video, [&](const DataBlock &b) {
        std::bitset<256> listed;
        for (int p = 0; p < b.len; ++p) {
            const std::uint8_t c = b(p + 1);
            if (!usableVic(c))
                continue;
            const std::uint8_t n = normalisedVic(c);
            // Codes past the record's 24 still count for the best format and the 4K flag.
            if (p < static_cast<int>(kMaxSvds))
                rec.svds[static_cast<std::size_t>(p)] = n;
            listed.set(n);
            if (c >= 93 && c <= 107)
                rec.interfaceFlags |= InterfaceFlags::Vic4k;
        }
        for (const VicName &e : VicNameTable) {
            if (e.vic == 0)
                break;
            if (listed.test(e.vic)) {
                setFieldText(rec.maxResolutionName, e.name);
                break;
            }
        }
        return true;
    });
}

void extendedPass(EdidFeatureRecord &rec, const EdidImage &img)
{
    forEachDataBlock(img, CtaTag::Extended, [&](const DataBlock &b) {
        const int L = b.len;
        // A block without payload has no extended tag code; the byte behind it belongs to the
        // next block.
        if (L < 1)
            return true;
        switch (b(1)) {
        case 0: // video capability
            if (L == 2)
                rec.videoCapability = b(2);
            break;
        case 5: // colorimetry
            if (L == 3) {
                rec.colorimetry[0] = b(2);
                rec.colorimetry[1] = b(3);
            }
            break;
        case 6: // HDR static metadata
            for (int k = 0; k < L - 1 && k < static_cast<int>(kHdrStaticSize); ++k)
                rec.hdrStatic[static_cast<std::size_t>(k)] = b(2 + k);
            if (rec.hfDeepColor420 != 0) {
                rec.hdrColorDepths = rec.hfDeepColor420;
            } else if (rec.scdcPresent != 1) {
                rec.hdrColorDepths = 0x80;
            } else if (rec.maxColorDepth == 12) {
                rec.hdrColorDepths |= 0x03;
            } else if (rec.maxColorDepth == 10) {
                rec.hdrColorDepths |= 0x01;
            }
            break;
        case 14: // YCbCr 4:2:0 video
            for (int k = 0; k < L - 1 && k < static_cast<int>(kMaxY420Vics); ++k)
                rec.y420Vics[static_cast<std::size_t>(k)] = b(2 + k);
            if (L - 1 >= 1 && b(2) != 0)
                rec.y420Present = 1;
            break;
        case 15: // YCbCr 4:2:0 capability map
            rec.y420Present = 1;
            break;
        default:
            break;
        }
        return true;
    });
}

void audioPass(EdidFeatureRecord &rec, const EdidImage &img)
{
    forEachDataBlock(img, CtaTag::Audio, [&](const DataBlock &b) {
        // In a cut block only whole descriptors count; the rest are timing bytes.
        for (int i = 0; 3 * i < b.len && b.has(3 + 3 * i); ++i) {
            const std::uint8_t first = b(1 + 3 * i);
            // Descriptors past the record's 10 still count for the flags and channels.
            if (i < static_cast<int>(kMaxSads)) {
                auto &sad = rec.sads[static_cast<std::size_t>(i)];
                sad[0] = first;
                sad[1] = b(2 + 3 * i);
                sad[2] = b(3 + 3 * i);
            }
            rec.audioFormats |= audioFormatFlagOf(first);
            rec.maxChannels =
                std::max<std::uint8_t>(rec.maxChannels, static_cast<std::uint8_t>(audioChannelsOf(first)));
        }
        return true;
    });
}

void speakerPass(EdidFeatureRecord &rec, const EdidImage &img)
{
    forEachDataBlock(img, CtaTag::Speaker, [&](const DataBlock &b) {
        rec.speakerAllocation =
            (static_cast<std::uint32_t>(b(1)) << 16) | (static_cast<std::uint32_t>(b(2)) << 8) | b(3);
        return false; // the first block only
    });
}

} // namespace

std::size_t dataBlockCollectionEnd(const EdidImage &image)
{
    // The collection ends where the detailed timings start (byte 130), or at the image's end.
    return std::min<std::size_t>(kEdidBlockSize + image[130], kEdidImageSize);
}

std::size_t dataBlockLength(const EdidImage &image, std::size_t position)
{
    const std::size_t declared = image[position] & 0x1Fu;
    const std::size_t end = dataBlockCollectionEnd(image);
    return position + declared < end ? declared : end - position - 1;
}

bool findDataBlock(const EdidImage &image, std::uint8_t tag, std::size_t &position)
{
    if (image[126] == 0)
        return false;
    const std::size_t end = dataBlockCollectionEnd(image);
    for (std::size_t off = position; off < end; off += (image[off] & 0x1Fu) + 1u) {
        // A header that claims more bytes than the image holds is no block at all. One that only
        // runs into the detailed timings is a real block behind a byte 130 set too low: it is
        // found, and its readers stop at the timings (dataBlockLength).
        if (off + (image[off] & 0x1Fu) >= kEdidImageSize)
            return false;
        if ((image[off] >> 5) == tag) {
            position = off;
            return true;
        }
    }
    return false;
}

bool decodeEdid(EdidFeatureRecord &rec, const EdidImage &image)
{
    resetRecord(rec);
    rec.image = image;
    if (!validateEdidImage(rec))
        return false;
    const EdidImage &img = rec.image;

    rec.manufacturer[0] = static_cast<char>((img[8] >> 2) + 0x40);
    rec.manufacturer[1] = static_cast<char>(((img[8] & 3) << 3) + ((img[9] & 0xE0) >> 5) + 0x40);
    rec.manufacturer[2] = static_cast<char>((img[9] & 0x1F) + 0x40);
    rec.manufacturer[3] = 0;

    rec.productCode = static_cast<std::uint16_t>(img[10] | (img[11] << 8));
    rec.serialNumber = static_cast<std::uint32_t>(img[12]) | (static_cast<std::uint32_t>(img[13]) << 8) |
                       (static_cast<std::uint32_t>(img[14]) << 16) |
                       (static_cast<std::uint32_t>(img[15]) << 24);
    rec.week = img[16];
    rec.yearByte = img[17];

    decodeMonitorName(rec, img);

    rec.establishedTimings =
        (static_cast<std::uint32_t>(img[35]) << 16) | (static_cast<std::uint32_t>(img[36]) << 8) | img[37];
    for (std::size_t i = 0; i < 8; ++i)
        rec.standardTimings[i] = static_cast<std::uint16_t>((img[38 + 2 * i] << 8) | img[39 + 2 * i]);

    if (img[126] == 1) {
        rec.interfaceFlags = InterfaceFlags::NoHdmiBlock;
        rec.ctaByte3 = img[131];
        vendorPass(rec, img);
    } else {
        rec.interfaceFlags = InterfaceFlags::NoExtension;
    }
    videoPass(rec, img);
    extendedPass(rec, img);
    audioPass(rec, img);
    speakerPass(rec, img);

    // Also without an extension, on whatever the second half holds; the bound keeps every copy
    // inside the image.
    const int d = img[130];
    for (int i = 0; i < 3; ++i) {
        if (126 - d - 18 * i >= 18) {
            const std::size_t from = kEdidBlockSize + static_cast<std::size_t>(d + 18 * i);
            std::copy_n(img.begin() + static_cast<std::ptrdiff_t>(from), 18,
                        rec.extensionDtds[static_cast<std::size_t>(i)].begin());
        }
    }
    return true;
}
