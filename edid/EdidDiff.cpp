#include "edid/EdidDiff.h"

#include <algorithm>
#include <cstdio>
#include <functional>

#include "edid/CreatorTables.h"
#include "edid/EdidDecoder.h"
#include "edid/EdidSummary.h"
#include "edid/TextNumbers.h"

namespace {

std::string hex2(unsigned v)
{
    const auto h = hexByte(std::uint8_t(v & 0xFFu));
    return std::string(h.data(), h.size());
}

std::string joined(const std::vector<std::string> &items, const char *none = "none")
{
    if (items.empty())
        return none;
    std::string s;
    for (const std::string &i : items)
        s += (s.empty() ? "" : ", ") + i;
    return s;
}

// Every data block of one tag, as (offset, length) pairs; the walk stays inside the image.
std::vector<std::pair<std::size_t, int>> blocksOf(const EdidImage &img, std::uint8_t tag)
{
    std::vector<std::pair<std::size_t, int>> found;
    std::size_t pos = 132;
    while (findDataBlock(img, tag, pos)) {
        const int len = img[pos] & 0x1F;
        found.emplace_back(pos, len);
        pos += std::size_t(len) + 1;
    }
    return found;
}

std::string vicText(unsigned vic)
{
    for (const VideoIdCodeBox &box : videoIdCodeBoxes())
        if (box.vic == vic)
            return "VIC " + std::to_string(vic) + " (" + box.group + " " + box.caption + ")";
    return "VIC " + std::to_string(vic);
}

// Usable codes of every video data block, native flag removed, in order, each once.
std::vector<std::string> videoCodes(const EdidImage &img)
{
    std::vector<unsigned> codes;
    for (auto [pos, len] : blocksOf(img, CtaTag::Video))
        for (int k = 1; k <= len; ++k) {
            unsigned c = img[pos + std::size_t(k)];
            if (c == 0 || c == 128 || c == 254 || c == 255)
                continue;
            if (c >= 129 && c <= 192)
                c -= 128;
            if (std::find(codes.begin(), codes.end(), c) == codes.end())
                codes.push_back(c);
        }
    std::vector<std::string> out;
    for (unsigned c : codes)
        out.push_back(vicText(c));
    return out;
}

std::string audioFormatName(unsigned code)
{
    if (code == 1)
        return "L-PCM";
    if (const AudioFormatRow *row = audioFormatByCode(std::uint8_t(code)))
        return row->format;
    return "format " + std::to_string(code);
}

// One short audio descriptor as a reader names it: format, channels, rates, sizes or bit rate.
std::string sadText(const std::uint8_t *sad)
{
    const unsigned code = (sad[0] >> 3) & 0x0F;
    std::string s = audioFormatName(code) + " " + std::to_string(audioChannelsOf(sad[0])) + " ch";
    std::vector<std::string> rates;
    for (const SampleRateBit &r : sampleRateBits())
        if (sad[1] & r.bit)
            rates.push_back(r.caption);
    if (!rates.empty()) {
        std::string list;
        for (const std::string &r : rates)
            list += (list.empty() ? "" : "/") + r;
        s += " " + list;
    }
    if (code == 1) {
        std::string sizes;
        for (const CreatorBitBox &b : lpcmSampleSizeBoxes())
            if (sad[2] & b.bit)
                sizes += std::string(sizes.empty() ? "" : "/") + b.caption;
        if (!sizes.empty())
            s += " " + sizes;
    } else if (code >= 2 && code <= 8) {
        s += " " + std::to_string(sad[2] * 8u) + " kbit/s";
    } else if (sad[2]) {
        s += " byte 3 " + hex2(sad[2]);
    }
    return s;
}

std::vector<std::string> audioDescriptors(const EdidImage &img)
{
    std::vector<std::string> out;
    for (auto [pos, len] : blocksOf(img, CtaTag::Audio))
        for (int k = 1; k + 2 <= len; k += 3) {
            const std::string t = sadText(img.data() + pos + std::size_t(k));
            if (std::find(out.begin(), out.end(), t) == out.end())
                out.push_back(t);
        }
    return out;
}

std::vector<std::string> byteList(const std::uint8_t *p, std::size_t n, const char *prefix)
{
    std::vector<std::string> out;
    for (std::size_t i = 0; i < n; ++i)
        if (p[i])
            out.push_back(prefix + std::to_string(p[i]));
    return out;
}

std::string hdrText(const EdidFeatureRecord &r)
{
    if (std::all_of(r.hdrStatic.begin(), r.hdrStatic.end(), [](auto v) { return v == 0; }))
        return "none";
    std::vector<std::string> eotfs;
    for (const CreatorBitBox &b : hdrEotfBoxes())
        if (r.hdrStatic[0] & b.bit)
            eotfs.push_back(b.caption);
    if (r.hdrStatic[0] & 0x08)
        eotfs.push_back("HLG");
    std::string s = "EOTF " + joined(eotfs);
    if (r.hdrStatic[1] & 0x01)
        s += "; static metadata type 1";
    s += "; luminance max " + std::to_string(r.hdrStatic[2]) + ", frame-average " +
         std::to_string(r.hdrStatic[3]) + ", min " + std::to_string(r.hdrStatic[4]);
    return s;
}

std::string threeDText(const EdidFeatureRecord &r)
{
    if (!(r.interfaceFlags & InterfaceFlags::ThreeDPresent))
        return "none";
    std::string s = "present, 3D_Multi " + std::to_string((r.threeDFlags >> 5) & 3) + ", image size " +
                    std::to_string((r.threeDFlags >> 3) & 3);
    if (r.threeDLength)
        s += ", 3D bytes " + hexBytes(std::span(r.threeDData.data(), std::min<std::size_t>(r.threeDLength, kMaxThreeDData)));
    return s;
}

std::string dateText(const EdidFeatureRecord &r)
{
    const std::string year = std::to_string(1990 + r.yearByte);
    if (r.week == 0xFF)
        return "model year " + year;
    if (r.week == 0)
        return year;
    return "week " + std::to_string(r.week) + ", " + year;
}

std::vector<std::string> establishedTimings(const EdidFeatureRecord &r)
{
    std::vector<std::string> out;
    for (const CreatorBitBox &b : establishedTimingBoxes())
        if (r.establishedTimings & b.bit)
            out.push_back(b.caption);
    return out;
}

std::vector<std::string> standardTimings(const EdidFeatureRecord &r)
{
    static const char *const aspects[4] = {"16:10", "4:3", "5:4", "16:9"};
    std::vector<std::string> out;
    for (std::uint16_t t : r.standardTimings) {
        const unsigned b0 = t >> 8, b1 = t & 0xFF;
        if (t == 0x0101 || b0 == 0 || b0 == 1)
            continue;
        const unsigned h = (b0 + 31) * 8;
        static const unsigned num[4] = {10, 3, 4, 9}, den[4] = {16, 4, 5, 16};
        out.push_back(std::to_string(h) + "x" + std::to_string(h * num[b1 >> 6] / den[b1 >> 6]) + "@" +
                      std::to_string((b1 & 0x3F) + 60) + "Hz (" + aspects[b1 >> 6] + ")");
    }
    return out;
}

// Detailed timing descriptors of both blocks (18 bytes with a pixel clock), as size and clock.
std::vector<std::string> detailedTimings(const EdidImage &img)
{
    std::vector<std::string> out;
    auto add = [&](std::size_t at) {
        const std::uint8_t *d = img.data() + at;
        const unsigned clock = d[0] | (d[1] << 8);
        if (clock == 0)
            return;
        const unsigned h = d[2] | ((d[4] & 0xF0) << 4);
        const unsigned v = d[5] | ((d[7] & 0xF0) << 4);
        char buf[64];
        std::snprintf(buf, sizeof buf, "%ux%u%s %u.%02u MHz", h, v, (d[17] & 0x80) ? "i" : "", clock / 100,
                      clock % 100);
        out.push_back(buf);
    };
    for (std::size_t at = 54; at + 18 <= 126; at += 18)
        add(at);
    if (img[126] >= 1 && img[128] == 0x02) {
        const std::size_t d = img[130];
        for (std::size_t at = 128 + std::max<std::size_t>(d, 4); d >= 4 && at + 18 <= 255; at += 18)
            add(at);
    }
    return out;
}

std::vector<std::string> speakers(const EdidFeatureRecord &r)
{
    std::vector<std::string> out;
    for (const SpeakerBox &b : speakerBoxes())
        if (r.speakerAllocation & b.bit)
            out.push_back(b.mirrorCaption ? std::string(b.caption) + "/" + b.mirrorCaption : b.caption);
    return out;
}

void compareList(std::vector<EdidDiff::Feature> &out, const char *name, const std::vector<std::string> &a,
                 const std::vector<std::string> &b)
{
    if (a == b)
        return;
    EdidDiff::Feature f{name, joined(a), joined(b), {}, {}};
    for (const std::string &x : b)
        if (std::find(a.begin(), a.end(), x) == a.end())
            f.added.push_back(x);
    for (const std::string &x : a)
        if (std::find(b.begin(), b.end(), x) == b.end())
            f.removed.push_back(x);
    out.push_back(std::move(f));
}

void compareText(std::vector<EdidDiff::Feature> &out, const char *name, const std::string &a,
                 const std::string &b)
{
    if (a != b)
        out.push_back({name, a, b, {}, {}});
}

std::vector<EdidDiff::Feature> featureDifferences(const EdidFeatureRecord &a, const EdidFeatureRecord &b)
{
    std::vector<EdidDiff::Feature> out;
    auto text = [&](const char *name, const std::function<std::string(const EdidFeatureRecord &)> &of) {
        compareText(out, name, of(a), of(b));
    };
    auto list = [&](const char *name, const std::function<std::vector<std::string>(const EdidFeatureRecord &)> &of) {
        compareList(out, name, of(a), of(b));
    };
    text("Manufacturer", [](const auto &r) { return fieldText(r.manufacturer); });
    text("Product code", [](const auto &r) { return hex2(r.productCode >> 8) + hex2(r.productCode); });
    text("Monitor name", [](const auto &r) { return fieldText(r.monitorName); });
    text("Serial number", [](const auto &r) { return std::to_string(r.serialNumber); });
    text("Manufacture date", dateText);
    text("EDID version", [](const auto &r) {
        return std::to_string(r.image[18]) + "." + std::to_string(r.image[19]);
    });
    list("Video codes", [](const auto &r) { return videoCodes(r.image); });
    list("4:2:0 video codes", [](const auto &r) { return byteList(r.y420Vics.data(), r.y420Vics.size(), "VIC "); });
    list("HDMI VICs", [](const auto &r) { return byteList(r.hdmiVics.data(), r.hdmiVics.size(), "HDMI_VIC "); });
    list("Audio formats", [](const auto &r) { return audioDescriptors(r.image); });
    list("Speakers", speakers);
    text("HDR", hdrText);
    text("3D", threeDText);
    text("CEC address", [](const auto &r) {
        return std::to_string(r.cecAddress[0] >> 4) + "." + std::to_string(r.cecAddress[0] & 15) + "." +
               std::to_string(r.cecAddress[1] >> 4) + "." + std::to_string(r.cecAddress[1] & 15);
    });
    text("Colorimetry", [](const auto &r) { return hexBytes(std::span(r.colorimetry.data(), 2)); });
    text("Video capability", [](const auto &r) { return hex2(r.videoCapability); });
    text("CTA byte 3", [](const auto &r) { return hex2(r.ctaByte3); });
    text("HDMI byte 6", [](const auto &r) { return hex2(r.hdmiVsdbByte6); });
    list("Established timings", establishedTimings);
    list("Standard timings", standardTimings);
    list("Detailed timings", [](const auto &r) { return detailedTimings(r.image); });
    return out;
}

} // namespace

std::string edidByteRegion(const EdidImage &image, int absoluteOffset)
{
    const int block = absoluteOffset / int(kEdidBlockSize);
    const int o = absoluteOffset % int(kEdidBlockSize);
    if (o == 127)
        return "checksum";
    if (block == 0) {
        struct Part
        {
            int end; // exclusive
            const char *name;
        };
        static const Part parts[] = {{8, "header"},
                                     {18, "vendor & product"},
                                     {20, "version"},
                                     {25, "basic display parameters"},
                                     {35, "colour characteristics"},
                                     {38, "established timings"},
                                     {54, "standard timings"},
                                     {72, "descriptor 1"},
                                     {90, "descriptor 2"},
                                     {108, "descriptor 3"},
                                     {126, "descriptor 4"},
                                     {127, "extension count"}};
        for (const Part &p : parts)
            if (o < p.end)
                return p.name;
    }
    if (image[128] != 0x02)
        return "extension";
    if (o < 4)
        return "extension header";
    const int d = image[130];
    if (d >= 4 && o >= d)
        return "detailed timing " + std::to_string((o - d) / 18 + 1);
    return "data blocks";
}

EdidDiff diffEdids(const EdidImage &a, const EdidImage &b)
{
    EdidDiff diff;
    EdidFeatureRecord ra, rb;
    const EdidSummary sa = summariseEdid(ra, a);
    const EdidSummary sb = summariseEdid(rb, b);
    diff.aValid = sa.valid();
    diff.bValid = sb.valid();
    const auto rowsA = sa.rows();
    const auto rowsB = sb.rows();
    for (std::size_t i = 0; i < rowsA.size() && i < rowsB.size(); ++i) {
        auto oneLine = [](std::string t) {
            t.erase(std::remove_if(t.begin(), t.end(), [](char c) { return c == '\r' || c == '\n'; }), t.end());
            return t;
        };
        const std::string ta = oneLine(*rowsA[i].text), tb = oneLine(*rowsB[i].text);
        if (ta != tb)
            diff.answers.push_back({rowsA[i].key, ta, tb});
    }
    if (diff.aValid && diff.bValid)
        diff.features = featureDifferences(ra, rb);

    for (int i = 0; i < int(kEdidImageSize);) {
        if (a[std::size_t(i)] == b[std::size_t(i)]) {
            ++i;
            continue;
        }
        EdidDiff::ByteRange r;
        r.block = i / int(kEdidBlockSize);
        r.offset = i % int(kEdidBlockSize);
        r.where = edidByteRegion(a, i);
        // A run ends at the end of its block and where the next part of the block begins.
        const int blockEnd = (r.block + 1) * int(kEdidBlockSize);
        while (i < blockEnd && a[std::size_t(i)] != b[std::size_t(i)] &&
               (r.a.empty() || edidByteRegion(a, i) == r.where)) {
            r.a.push_back(a[std::size_t(i)]);
            r.b.push_back(b[std::size_t(i)]);
            ++i;
        }
        r.length = int(r.a.size());
        diff.bytes.push_back(std::move(r));
    }
    return diff;
}
