#include "edid/EdidEncoder.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "edid/EdidDecoder.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kDataStart = 132;    // first data block of the extension
constexpr std::size_t kExtensionEnd = 255; // byte 255 is the checksum
constexpr std::size_t kMaxBlockPayload = 31;

// A data block of the previous image: block byte k (1..length) is image[offset + k]. The length
// stops where the detailed timings start, as the decoder's does.
struct OldBlock
{
    const EdidImage *image = nullptr;
    std::size_t offset = 0;
    std::size_t length = 0;

    explicit operator bool() const { return image != nullptr; }
    bool has(std::size_t k) const { return k >= 1 && k <= length; }
    std::uint8_t at(std::size_t k) const { return has(k) ? (*image)[offset + k] : 0; }
};

template <typename Match> OldBlock findOldBlock(const EdidImage &image, std::uint8_t tag, Match match)
{
    std::size_t pos = kDataStart;
    while (findDataBlock(image, tag, pos)) {
        OldBlock b{&image, pos, dataBlockLength(image, pos)};
        if (match(b))
            return b;
        pos += (image[pos] & 0x1Fu) + 1u;
    }
    return {};
}

OldBlock findVendorBlock(const EdidImage &image, std::uint8_t oui0, std::uint8_t oui1, std::uint8_t oui2)
{
    return findOldBlock(image, CtaTag::Vendor, [&](const OldBlock &b) {
        return b.length >= 3 && b.at(1) == oui0 && b.at(2) == oui1 && b.at(3) == oui2;
    });
}

OldBlock findExtendedBlock(const EdidImage &image, std::uint8_t extendedTag)
{
    return findOldBlock(image, CtaTag::Extended,
                        [&](const OldBlock &b) { return b.length >= 1 && b.at(1) == extendedTag; });
}

void patchMonitorName(EdidImage &image, const std::array<char, 14> &name)
{
    // Every monitor name descriptor found the decoder's way gets the name; only base block bytes
    // 0-126 are ever written (127 is the checksum, computed afterwards).
    for (std::size_t i = 3; i + 1 < kEdidBlockSize; ++i) {
        if (image[i - 3] != 0 || image[i - 2] != 0 || image[i - 1] != 0 || image[i] != 0xFC ||
            image[i + 1] != 0)
            continue;
        for (std::size_t k = 0; k < 13 && i + 2 + k < kEdidBlockSize - 1; ++k) {
            const char c = name[k];
            if (c == 0) {
                image[i + 2 + k] = 0x0A;
                break;
            }
            image[i + 2 + k] = static_cast<std::uint8_t>(c);
        }
    }
}

std::uint16_t manufacturerId(const std::array<char, 4> &letters)
{
    // Three 5-bit letter codes; a missing letter (the text ended before it) counts 0.
    std::uint16_t id = 0;
    bool ended = false;
    for (std::size_t i = 0; i < 3; ++i) {
        ended = ended || letters[i] == 0;
        const unsigned code = ended ? 0u : (static_cast<unsigned char>(letters[i]) - 64u) & 0x1Fu;
        id = std::uint16_t((id << 5) | code);
    }
    return id;
}

// The fixed start of the HDMI vendor-specific payload: OUI, CEC address, byte 6 and the TMDS byte.
Bytes hdmiFixedBytes(const EdidFeatureRecord &rec, const OldBlock &old)
{
    Bytes p = {0x03, 0x0C, 0x00, rec.cecAddress[0], rec.cecAddress[1]};
    std::uint8_t byte6 = rec.hdmiVsdbByte6;
    if (old)
        byte6 |= old.has(6) ? (old.at(6) & 0x80) : 0x80; // keep Supports_AI
    p.push_back(byte6);
    std::uint8_t tmds = 0x21;
    if (rec.interfaceFlags & (InterfaceFlags::HdmiVic4k | InterfaceFlags::Vic4k))
        tmds = 0x3C;
    else if (rec.hdmiVsdbByte6 != 0)
        tmds = 0x2D;
    p.push_back(tmds);
    return p;
}

// The payload under construction, with where its 3D byte is (block byte threeDIndex, payload index
// threeDIndex - 1) and whether it holds one yet.
struct HdmiPayload
{
    Bytes p;
    std::size_t threeDIndex = 9;
    bool holdsThreeD = false;

    bool hasByte8() const { return p.size() >= 8; }
    std::uint8_t &threeDByte() { return p[threeDIndex - 1]; }
    // A 3D byte of 0 at its place, the latency bytes before it counting 0.
    void addThreeDByte()
    {
        p.resize(threeDIndex - 1, 0);
        p.push_back(0);
        holdsThreeD = true;
    }
};

// Byte 8 of the old block with the latency fields it declares and its 3D byte.
void copyLatencyAndThreeD(HdmiPayload &h, const OldBlock &old)
{
    if (!old || !old.has(8))
        return;
    const std::uint8_t b8 = old.at(8);
    h.p.push_back(b8);
    std::size_t latencyEnd = 8;
    if (b8 & 0x40) {
        latencyEnd = 12;
        h.threeDIndex = 13;
    } else if (b8 & 0x80) {
        latencyEnd = 10;
        h.threeDIndex = 11;
    }
    // Latency bytes the old block declared but did not hold count 0, so the 3D byte keeps its place.
    for (std::size_t k = 9; k <= latencyEnd; ++k)
        h.p.push_back(old.at(k));
    if ((b8 & 0xE0) && old.has(h.threeDIndex)) {
        h.p.push_back(old.at(h.threeDIndex));
        h.holdsThreeD = true;
    }
}

// The 3D box is set: the 3D byte carries the record's flags (or 3D_present alone).
void markThreeD(HdmiPayload &h, const EdidFeatureRecord &rec, std::size_t vicCount)
{
    if (vicCount == 0) {
        if (!h.hasByte8()) {
            h.p.push_back(0x20);
            h.p.push_back(0x80);
            h.threeDIndex = 9;
            h.holdsThreeD = true;
        } else {
            h.p[7] |= 0x20;
        }
    }
    if (!h.holdsThreeD)
        h.addThreeDByte();
    if (rec.threeDLength != 0)
        h.threeDByte() = rec.threeDFlags;
    else
        h.threeDByte() |= 0x80;
}

// The 3D box is clear: no 3D_present or 3D_Multi_present stays behind, and an HDMI video part
// nothing uses any more is cut off.
void clearThreeD(HdmiPayload &h, std::size_t vicCount)
{
    if (h.holdsThreeD)
        h.threeDByte() &= 0x1F;
    else if (vicCount > 0)
        h.addThreeDByte();
    if (vicCount == 0 && h.hasByte8() && !(h.p[7] & 0xC0)) {
        if (h.p[7] & 0x0F) {
            h.p.resize(8);
            h.p[7] &= std::uint8_t(~0x20);
        } else {
            h.p.resize(7);
        }
    }
}

// The HDMI vendor-specific payload (block bytes 1..n): OUI, CEC address, byte 6, TMDS byte, and
// from the old block byte 8 with the latency fields and the 3D byte; then HDMI_VICs and 3D.
Bytes hdmiPayload(EdidFeatureRecord &rec, const OldBlock &old)
{
    const bool threeD = rec.interfaceFlags & InterfaceFlags::ThreeDPresent;
    HdmiPayload h{hdmiFixedBytes(rec, old)};
    copyLatencyAndThreeD(h, old);

    Bytes vics;
    for (std::uint8_t v : rec.hdmiVics)
        if (v != 0)
            vics.push_back(v);
    const std::size_t n = vics.size();
    if (n > 0) {
        h.p[6] = std::max<std::uint8_t>(h.p[6], 0x3C);
        if (!h.hasByte8())
            h.p.push_back(0x20);
        else
            h.p[7] |= 0x20;
    }
    if (threeD)
        markThreeD(h, rec, n);
    else
        clearThreeD(h, n);
    if (n > 0 || threeD) {
        // HDMI_VIC_LEN and 3D_LEN; the 3D bytes are cut to what the 31-byte block still holds.
        const std::size_t room = kMaxBlockPayload - std::min(kMaxBlockPayload, h.p.size() + 1 + n);
        const std::size_t threeDLen =
            threeD ? std::min<std::size_t>({rec.threeDLength, rec.threeDData.size(), room}) : 0;
        h.p.push_back(std::uint8_t(n * 32 + threeDLen));
        h.p.insert(h.p.end(), vics.begin(), vics.end());
        h.p.insert(h.p.end(), rec.threeDData.begin(), rec.threeDData.begin() + std::ptrdiff_t(threeDLen));
    }
    return h.p;
}

// The HDMI Forum payload: the old block whole, or a new one when 4K is listed.
Bytes hdmiForumPayload(EdidFeatureRecord &rec, const OldBlock &old)
{
    Bytes p;
    if (old) {
        for (std::size_t k = 1; k <= old.length; ++k)
            p.push_back(old.at(k));
        // Byte 7's 4:2:0 deep colour bits follow the HDR boxes; later versions use its upper
        // bits for other capabilities, which stay.
        if (p.size() >= 7)
            p[6] = std::uint8_t((p[6] & 0xF8) | (rec.hdrColorDepths & 7));
        return p;
    }
    if (rec.interfaceFlags & InterfaceFlags::Vic4k) {
        p = {0xD8, 0x5D, 0xC4, 0x01, 0x78, 0x80, std::uint8_t(rec.hdrColorDepths & 7)};
        if (rec.hdrColorDepths != 0 && rec.hdrStatic[0] == 0) {
            rec.hdrStatic[0] = 0x03;
            rec.hdrStatic[1] = 0x01;
        }
    } else if (rec.interfaceFlags & InterfaceFlags::HdmiVic4k) {
        p = {0xD8, 0x5D, 0xC4, 0x01, 0x3C, 0x80, std::uint8_t(rec.hdrColorDepths & 7)};
        if (rec.hdrStatic[0] == 0) {
            rec.hdrStatic[0] = 0x03;
            rec.hdrStatic[1] = 0x01;
        }
    }
    return p;
}

// Writes blocks from byte 132 on; a block that does not fit before byte 255 is left out.
class ExtensionWriter
{
  public:
    explicit ExtensionWriter(EdidImage &image) : m_image(image) {}

    void block(std::uint8_t header, const Bytes &payload)
    {
        if (m_pos + 1 + payload.size() > kExtensionEnd)
            return;
        m_image[m_pos++] = header;
        for (std::uint8_t b : payload)
            m_image[m_pos++] = b;
    }
    void tagged(std::uint8_t tag, const Bytes &payload)
    {
        if (payload.empty() || payload.size() > kMaxBlockPayload)
            return;
        block(std::uint8_t(tag << 5 | payload.size()), payload);
    }
    std::size_t position() const { return m_pos; }
    void raw(const std::uint8_t *bytes, std::size_t n)
    {
        for (std::size_t i = 0; i < n; ++i)
            m_image[m_pos++] = bytes[i];
    }

  private:
    EdidImage &m_image;
    std::size_t m_pos = kDataStart;
};

} // namespace

bool dviKeepsExtension(const EdidFeatureRecord &rec)
{
    // The decoder's "extension without HDMI block" survives a build only while the format stays
    // DVI; choosing HDMI clears it, and an HDMI image switched to DVI never had it.
    const std::uint16_t both = InterfaceFlags::NoExtension | InterfaceFlags::NoHdmiBlock;
    return (rec.interfaceFlags & both) == both && rec.image[126] == 1;
}

namespace {

// Base block: identification, monitor name, established and standard timings, extension count
// and checksum.
void writeBaseBlock(EdidFeatureRecord &rec, bool extension)
{
    EdidImage &img = rec.image;
    const std::uint16_t id = manufacturerId(rec.manufacturer);
    img[8] = std::uint8_t(id >> 8);
    img[9] = std::uint8_t(id);
    img[10] = std::uint8_t(rec.productCode);
    img[11] = std::uint8_t(rec.productCode >> 8);
    for (int i = 0; i < 4; ++i)
        img[12 + std::size_t(i)] = std::uint8_t(rec.serialNumber >> (8 * i));
    img[16] = rec.week;
    img[17] = std::uint8_t(rec.yearByte + 58); // year modulo 256 -> year - 1990 for 1990..2245

    patchMonitorName(img, rec.monitorName);

    img[35] = std::uint8_t(rec.establishedTimings >> 16);
    img[36] = std::uint8_t(rec.establishedTimings >> 8);
    img[37] = std::uint8_t(rec.establishedTimings);

    // One pass only: a run of unused entries moves one place per build.
    auto &st = rec.standardTimings;
    for (std::size_t k = 1; k < st.size(); ++k) {
        if (st[k - 1] == 0x0101) {
            st[k - 1] = st[k];
            st[k] = 0x0101;
        }
    }
    for (std::size_t k = 0; k < st.size(); ++k) {
        img[38 + 2 * k] = std::uint8_t(st[k] >> 8);
        img[39 + 2 * k] = std::uint8_t(st[k]);
    }

    img[126] = extension ? 1 : 0;
    img[127] = edidBlockChecksum(img, 0);
}

// The video data block. The record keeps video codes without their native flag; a code the old
// image marked native keeps the mark. 4K codes set the interface's 4K flags.
Bytes videoPayload(EdidFeatureRecord &rec, const EdidImage &old)
{
    std::array<bool, 65> native{};
    for (std::size_t pos = kDataStart; findDataBlock(old, CtaTag::Video, pos);
         pos += (old[pos] & 0x1Fu) + 1u) {
        const std::size_t end = pos + dataBlockLength(old, pos);
        for (std::size_t k = pos + 1; k <= end; ++k)
            if (old[k] >= 129 && old[k] <= 192)
                native[old[k] - 128u] = true;
    }
    Bytes video;
    for (std::uint8_t c : rec.svds) {
        if (c == 0)
            continue;
        video.push_back(c <= 64 && native[c] ? std::uint8_t(c + 128) : c);
        if (c >= 93 && c <= 95)
            rec.interfaceFlags |= InterfaceFlags::HdmiVic4k;
        else if (c >= 96 && c <= 107)
            rec.interfaceFlags |= InterfaceFlags::Vic4k;
    }
    return video;
}

// The YCbCr 4:2:0 video data block (extended tag 14); only the tag when no code is set.
Bytes y420Payload(EdidFeatureRecord &rec)
{
    Bytes y420 = {0x0E};
    for (std::size_t i = 0; i < 8; ++i) {
        const std::uint8_t c = rec.y420Vics[i];
        if (c == 0)
            continue;
        y420.push_back(c);
        if (c >= 96 && c <= 107)
            rec.interfaceFlags |= InterfaceFlags::HdmiVic4k;
    }
    return y420;
}

Bytes audioPayload(const EdidFeatureRecord &rec)
{
    Bytes audio;
    for (const auto &sad : rec.sads)
        if (sad[0] != 0)
            audio.insert(audio.end(), sad.begin(), sad.end());
    return audio;
}

Bytes speakerPayload(const EdidFeatureRecord &rec)
{
    if (rec.speakerAllocation == 0)
        return {};
    return {std::uint8_t(rec.speakerAllocation >> 16), std::uint8_t(rec.speakerAllocation >> 8),
            std::uint8_t(rec.speakerAllocation)};
}

// The colorimetry block. The metadata byte keeps the display's bits and always offers gamut
// metadata profile MD0.
Bytes colorimetryPayload(const EdidFeatureRecord &rec, const EdidImage &old)
{
    if (rec.colorimetry[0] == 0)
        return {};
    const OldBlock oldColorimetry = findExtendedBlock(old, 5);
    const std::uint8_t metadata = std::uint8_t((oldColorimetry ? oldColorimetry.at(3) : 0x00) | 0x01);
    return {0x05, rec.colorimetry[0], metadata};
}

Bytes hdrStaticPayload(const EdidFeatureRecord &rec)
{
    if (rec.hdrStatic[0] == 0)
        return {};
    Bytes hdr = {0x06, rec.hdrStatic[0], rec.hdrStatic[1]};
    const std::size_t luminances = rec.hdrStatic[4] ? 3 : rec.hdrStatic[3] ? 2 : rec.hdrStatic[2] ? 1 : 0;
    for (std::size_t i = 0; i < luminances; ++i)
        hdr.push_back(rec.hdrStatic[2 + i]);
    return hdr;
}

// The CTA extension: header, the data blocks in their fixed order, the detailed timings, checksum.
// The payloads are gathered first, since they set interface flags the HDMI blocks read.
void writeExtension(EdidFeatureRecord &rec, const EdidImage &old)
{
    EdidImage &img = rec.image;
    const Bytes video = videoPayload(rec, old);
    const Bytes y420 = y420Payload(rec);
    const Bytes audio = audioPayload(rec);
    const Bytes speaker = speakerPayload(rec);
    const Bytes colorimetry = colorimetryPayload(rec, old);
    const Bytes hdmi = hdmiPayload(rec, findVendorBlock(old, 0x03, 0x0C, 0x00));
    const Bytes forum = hdmiForumPayload(rec, findVendorBlock(old, 0xD8, 0x5D, 0xC4));
    const Bytes hdr = hdrStaticPayload(rec); // after the forum block, which may set it

    std::fill(img.begin() + kEdidBlockSize, img.end(), std::uint8_t(0));
    img[128] = 0x02;
    img[129] = 0x03;
    // Byte 3's other bits come from the old extension; an image without one gives none.
    const std::uint8_t oldByte3 = old[126] != 0 ? old[131] : 0;
    img[131] = std::uint8_t((oldByte3 & ~0x30) | (rec.ctaByte3 & 0x30));

    ExtensionWriter w(img);
    w.tagged(CtaTag::Video, video);
    w.tagged(CtaTag::Audio, audio);
    w.tagged(CtaTag::Speaker, speaker);
    w.tagged(CtaTag::Vendor, hdmi);
    w.tagged(CtaTag::Vendor, forum);
    w.tagged(CtaTag::Extended, colorimetry);
    if (rec.videoCapability != 0)
        w.tagged(CtaTag::Extended, {0x00, rec.videoCapability});
    w.tagged(CtaTag::Extended, hdr);
    if (y420.size() > 1)
        w.tagged(CtaTag::Extended, y420);

    const std::size_t d = w.position() - kEdidBlockSize;
    img[130] = std::uint8_t(d);
    // A detailed timing goes wherever the decoder would read one back.
    for (std::size_t i = 0; i < rec.extensionDtds.size(); ++i) {
        if (d + 18 * i + 18 <= 126)
            w.raw(rec.extensionDtds[i].data(), 18);
    }
    img[255] = edidBlockChecksum(img, 1);
}

} // namespace

void encodeEdid(EdidFeatureRecord &rec)
{
    const EdidImage old = rec.image;
    const bool dvi = rec.interfaceFlags & InterfaceFlags::NoExtension;
    if (!dvi)
        rec.interfaceFlags &= InterfaceFlags::ThreeDPresent;

    const bool keepExtension = dviKeepsExtension(rec);
    writeBaseBlock(rec, !dvi || keepExtension);
    if (keepExtension) {
        rec.image[255] = edidBlockChecksum(rec.image, 1); // the bytes are the loaded ones, so is their sum
        return;
    }
    if (dvi) {
        std::fill(rec.image.begin() + kEdidBlockSize, rec.image.end(), std::uint8_t(0));
        return;
    }
    writeExtension(rec, old);
}
