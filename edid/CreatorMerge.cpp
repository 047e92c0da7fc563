#include "edid/CreatorMerge.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kDataStart = 132;
constexpr std::size_t kExtensionEnd = 255; // byte 255 is the checksum

// The blocks of the data block collection, in order; none when the extension is no CTA-861 one or
// byte 130 points outside it.
std::optional<std::vector<Bytes>> dataBlocksOf(const EdidImage &img)
{
    const std::size_t d = img[130];
    if (img[126] == 0 || img[128] != 0x02 || d < 4 || d > 127)
        return std::nullopt;
    std::vector<Bytes> blocks;
    for (std::size_t off = kDataStart; off < kEdidBlockSize + d;) {
        const std::size_t end = off + 1 + (img[off] & 0x1Fu);
        if (end > kEdidBlockSize + d)
            return std::nullopt; // a block running into the timings: no clean collection
        blocks.emplace_back(img.begin() + std::ptrdiff_t(off), img.begin() + std::ptrdiff_t(end));
        off = end;
    }
    return blocks;
}

// The 18-byte descriptors behind the collection, up to the first empty one.
std::vector<Bytes> detailedTimingsOf(const EdidImage &img)
{
    std::vector<Bytes> timings;
    for (std::size_t off = kEdidBlockSize + img[130]; off + 18 <= kExtensionEnd; off += 18) {
        Bytes t(img.begin() + std::ptrdiff_t(off), img.begin() + std::ptrdiff_t(off + 18));
        if (std::all_of(t.begin(), t.end(), [](std::uint8_t b) { return b == 0; }))
            break;
        timings.push_back(std::move(t));
    }
    return timings;
}

bool hasOui(const Bytes &b, std::uint8_t o0, std::uint8_t o1, std::uint8_t o2)
{
    return (b[0] >> 5) == 3 && b.size() > 3 && b[1] == o0 && b[2] == o1 && b[3] == o2;
}

// The kinds of block the encoder writes, in its order; other blocks are not modelled.
enum class Kind { None, Video, Audio, Speaker, Hdmi, Forum, Colorimetry, VideoCapability, Hdr, Y420 };

Kind kindOf(const Bytes &b)
{
    switch (b[0] >> 5) {
    case 1:
        return Kind::Audio;
    case 2:
        return Kind::Video;
    case 3:
        return hasOui(b, 0x03, 0x0C, 0x00) ? Kind::Hdmi : hasOui(b, 0xD8, 0x5D, 0xC4) ? Kind::Forum : Kind::None;
    case 4:
        return Kind::Speaker;
    case 7:
        if (b.size() < 2)
            return Kind::None;
        switch (b[1]) {
        case 0:
            return Kind::VideoCapability;
        case 5:
            return Kind::Colorimetry;
        case 6:
            return Kind::Hdr;
        case 14:
            return Kind::Y420;
        default:
            return Kind::None;
        }
    default:
        return Kind::None;
    }
}

// One block per kind, the first; a later one of a kind the decoder reads only once is not modelled.
std::map<Kind, Bytes> byKind(const std::vector<Bytes> &blocks)
{
    std::map<Kind, Bytes> m;
    for (const Bytes &b : blocks)
        if (kindOf(b) != Kind::None)
            m.emplace(kindOf(b), b);
    return m;
}

std::optional<Bytes> find(const std::map<Kind, Bytes> &m, Kind k)
{
    auto it = m.find(k);
    return it == m.end() ? std::nullopt : std::optional<Bytes>(it->second);
}

Bytes withLength(Bytes b)
{
    b[0] = std::uint8_t((b[0] & 0xE0) | ((b.size() - 1) & 0x1F));
    return b;
}

// The HDMI block rebuilt for a changed control, field by field: a field the controls left alone
// (CEC address, byte 6, TMDS clock, everything from byte 8: latency, 3D, HDMI_VICs) is the loaded
// one; a changed byte 6 keeps Supports_AI, DVI_Dual and the reserved bits, a changed TMDS clock
// never drops below the loaded one.
Bytes mergeHdmi(const Bytes &loaded, const Bytes &ref, const Bytes &cur)
{
    auto at = [](const Bytes &b, std::size_t k) -> std::optional<std::uint8_t> {
        return k < b.size() ? std::optional<std::uint8_t>(b[k]) : std::nullopt;
    };
    auto tail = [](const Bytes &b) { return b.size() > 8 ? Bytes(b.begin() + 8, b.end()) : Bytes{}; };
    Bytes out(cur.begin(), cur.begin() + std::ptrdiff_t(std::min<std::size_t>(cur.size(), 8)));
    for (std::size_t k : {4, 5})
        if (at(ref, k) == at(cur, k) && at(loaded, k) && k < out.size())
            out[k] = *at(loaded, k);
    if (out.size() > 6 && at(loaded, 6))
        out[6] = at(ref, 6) == at(cur, 6) ? *at(loaded, 6) : std::uint8_t(out[6] | (*at(loaded, 6) & 0x87));
    if (out.size() > 7 && at(loaded, 7))
        out[7] = at(ref, 7) == at(cur, 7) ? *at(loaded, 7) : std::max(out[7], *at(loaded, 7));
    const bool tailSame = tail(ref) == tail(cur) && at(ref, 8) == at(cur, 8);
    // The encoder always writes the TMDS byte, so `out` holds block bytes 0-7 here.
    const Bytes &from = tailSame ? loaded : cur;
    if (from.size() > 8)
        out.insert(out.end(), from.begin() + 8, from.end());
    return withLength(out);
}

std::size_t listLength(const Bytes &b, Kind k)
{
    if (k == Kind::Y420)
        return b.size() - 2;
    if (k == Kind::Audio)
        return (b.size() - 1) / 3;
    return b.size() - 1;
}

// A changed block as the controls build it, with the loaded bits no control represents; names
// what a list held beyond the controls.
Bytes mergeChanged(Kind k, const Bytes &loaded, const Bytes &ref, const Bytes &cur, std::vector<std::string> &leftOut)
{
    auto tooLong = [&](std::size_t capacity, const char *what) {
        const std::size_t n = listLength(loaded, k);
        if (n > capacity) {
            char text[160];
            std::snprintf(text, sizeof text, "%zu %s past the %zu the creator holds", n - capacity, what, capacity);
            leftOut.emplace_back(text);
        }
    };
    switch (k) {
    case Kind::Hdmi:
        return mergeHdmi(loaded, ref, cur);
    case Kind::Colorimetry: {
        Bytes out = cur;
        if (loaded.size() > 3 && out.size() > 3)
            out[3] = loaded[3]; // the metadata profiles are the display's
        return out;
    }
    case Kind::Video:
        tooLong(24, "video codes");
        return cur;
    case Kind::Audio:
        tooLong(10, "short audio descriptors");
        return cur;
    case Kind::Y420:
        tooLong(8, "YCbCr 4:2:0 video codes");
        return cur;
    default:
        return cur;
    }
}

void writeExtension(EdidImage &out, std::uint8_t byte3, const std::vector<Bytes> &blocks,
                    const std::vector<Bytes> &timings)
{
    std::fill(out.begin() + kEdidBlockSize, out.end(), std::uint8_t(0));
    out[128] = 0x02;
    out[129] = 0x03;
    out[131] = byte3;
    std::size_t pos = kDataStart;
    for (const Bytes &b : blocks)
        for (std::uint8_t v : b)
            out[pos++] = v;
    out[130] = std::uint8_t(pos - kEdidBlockSize);
    for (const Bytes &t : timings)
        for (std::uint8_t v : t)
            out[pos++] = v;
    out[255] = edidBlockChecksum(out, 1);
}

void mergeExtension(EdidImage &out, const EdidImage &loaded, const EdidImage &ref, const EdidImage &cur,
                    bool formatChanged, std::vector<std::string> &leftOut)
{
    const auto extension = [](const EdidImage &img) { return Bytes(img.begin() + 128, img.end()); };
    const auto loadedBlocks = dataBlocksOf(loaded);
    const auto refBlocks = dataBlocksOf(ref);
    const auto curBlocks = dataBlocksOf(cur);
    if (!loadedBlocks || !refBlocks || !curBlocks || formatChanged) {
        // Nothing to edit block by block: the loaded extension while its controls are unchanged.
        const bool same = !formatChanged && extension(ref) == extension(cur) && loaded[126] == 1;
        std::copy(same ? loaded.begin() + 128 : cur.begin() + 128, same ? loaded.end() : cur.end(),
                  out.begin() + 128);
        if (!loadedBlocks || !formatChanged || !curBlocks)
            return;
        // A CTA extension switched from DVI to HDMI: its blocks stay, the HDMI block joins them.
    }
    const std::map<Kind, Bytes> refKinds = byKind(*refBlocks), curKinds = byKind(*curBlocks);
    auto changed = [&](Kind k) { return find(refKinds, k) != find(curKinds, k) || (k == Kind::Hdmi && formatChanged); };
    const bool byte3Changed = ref[131] != cur[131];
    bool anyChanged = byte3Changed;
    for (Kind k : {Kind::Video, Kind::Audio, Kind::Speaker, Kind::Hdmi, Kind::Forum, Kind::Colorimetry,
                   Kind::VideoCapability, Kind::Hdr, Kind::Y420})
        anyChanged = anyChanged || changed(k);
    if (!anyChanged) {
        std::copy(loaded.begin() + 128, loaded.end(), out.begin() + 128);
        return;
    }

    // The loaded blocks in order: unmodelled and unchanged ones as they are, a changed kind built
    // in place of its first block. A second block of a kind the decoder merges (video, audio) went
    // into the first; one the decoder reads only once is carried.
    std::vector<Bytes> blocks;
    std::vector<Kind> kinds;
    std::map<Kind, bool> placed;
    for (const Bytes &b : *loadedBlocks) {
        Kind k = kindOf(b);
        if (k != Kind::None && placed.count(k) && k != Kind::Video && k != Kind::Audio)
            k = Kind::None;
        if (k == Kind::None || !changed(k)) {
            blocks.push_back(b);
            kinds.push_back(k);
            placed[k] = true;
            continue;
        }
        if (placed.count(k))
            continue;
        placed[k] = true;
        if (auto c = find(curKinds, k)) {
            blocks.push_back(mergeChanged(k, b, find(refKinds, k).value_or(Bytes{}), *c, leftOut));
            kinds.push_back(k);
        }
    }
    // Changed kinds the load did not have go where the encoder puts them among the others.
    for (const auto &[k, c] : curKinds) {
        if (placed.count(k) || !changed(k))
            continue;
        std::size_t at = blocks.size();
        for (std::size_t i = 0; i < kinds.size(); ++i)
            if (kinds[i] != Kind::None && kinds[i] > k) {
                at = i;
                break;
            }
        blocks.insert(blocks.begin() + std::ptrdiff_t(at), c);
        kinds.insert(kinds.begin() + std::ptrdiff_t(at), k);
    }

    std::vector<Bytes> timings = detailedTimingsOf(loaded);
    auto size = [&] {
        std::size_t n = 0;
        for (const Bytes &b : blocks)
            n += b.size();
        return n + 18 * timings.size();
    };
    while (size() > kExtensionEnd - kDataStart) {
        char text[120];
        if (!timings.empty()) {
            std::snprintf(text, sizeof text, "detailed timing %zu of the extension", timings.size());
            timings.pop_back();
        } else {
            std::snprintf(text, sizeof text, "%s", dataBlockName(blocks.back()).c_str());
            blocks.pop_back();
        }
        leftOut.emplace_back(text);
    }
    writeExtension(out, byte3Changed ? cur[131] : loaded[131], blocks, timings);
}

} // namespace

std::string dataBlockName(const Bytes &b)
{
    char text[80];
    switch (b[0] >> 5) {
    case 1:
        return "audio data block";
    case 2:
        return "video data block";
    case 3:
        if (b.size() > 3) {
            std::snprintf(text, sizeof text, "vendor-specific data block %02X-%02X-%02X", b[3], b[2], b[1]);
            return text;
        }
        return "vendor-specific data block";
    case 4:
        return "speaker allocation data block";
    case 7: {
        static const std::map<int, const char *> names = {
            {0, "video capability"},           {1, "vendor-specific video"},
            {2, "VESA display device"},        {5, "colorimetry"},
            {6, "HDR static metadata"},        {7, "HDR dynamic metadata"},
            {13, "video format preference"},   {14, "YCbCr 4:2:0 video"},
            {15, "YCbCr 4:2:0 capability map"}, {17, "vendor-specific audio"},
            {18, "HDMI audio"},                {19, "room configuration"},
            {20, "speaker location"},          {32, "InfoFrame"},
        };
        if (b.size() > 1) {
            auto it = names.find(b[1]);
            if (it != names.end())
                return std::string(it->second) + " data block";
            std::snprintf(text, sizeof text, "extended data block %d", b[1]);
            return text;
        }
        return "extended data block";
    }
    default:
        std::snprintf(text, sizeof text, "data block of tag %d", b[0] >> 5);
        return text;
    }
}

EdidImage keepLoadedBytes(const EdidImage &loaded, const EdidImage &reference, const EdidImage &built,
                          bool formatChanged, std::vector<std::string> &leftOut)
{
    EdidImage out = built;
    // Base block fields: as loaded unless the controls that write them changed.
    struct Range
    {
        std::size_t from, to;
    };
    for (Range r : {Range{8, 10}, Range{10, 12}, Range{12, 16}, Range{16, 17}, Range{17, 18}, Range{35, 38},
                    Range{38, 54}, Range{54, 126}}) {
        const auto b = reference.begin();
        if (std::equal(b + std::ptrdiff_t(r.from), b + std::ptrdiff_t(r.to), built.begin() + std::ptrdiff_t(r.from)))
            std::copy(loaded.begin() + std::ptrdiff_t(r.from), loaded.begin() + std::ptrdiff_t(r.to),
                      out.begin() + std::ptrdiff_t(r.from));
    }
    out[127] = edidBlockChecksum(out, 0);
    if (built[126] == 1)
        mergeExtension(out, loaded, reference, built, formatChanged, leftOut);
    return out;
}
