// A random base image and a random creator state into the builder; then random record fields
// straight into the encoder. Whatever comes in, nothing is written outside the image and every
// built image has both checksums right (block 1 all zeros for DVI, unless the loaded extension
// without HDMI block is kept as it was; an extension of another kind only as it was loaded).
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "edid/CreatorBuilder.h"
#include "edid/CreatorLoader.h"
#include "edid/CreatorOrigin.h"
#include "edid/EdidBinFile.h"
#include "edid/EdidEncoder.h"

namespace {

// Hands out the fuzz input piece by piece; zeros once it runs out.
class Input
{
  public:
    Input(const uint8_t *data, size_t size) : m_data(data), m_size(size) {}
    uint8_t byte() { return m_pos < m_size ? m_data[m_pos++] : 0; }
    bool bit()
    {
        if (m_bits == 0) {
            m_cache = byte();
            m_bits = 8;
        }
        --m_bits;
        return (m_cache >> m_bits) & 1;
    }

  private:
    const uint8_t *m_data;
    size_t m_size;
    size_t m_pos = 0;
    uint8_t m_cache = 0;
    int m_bits = 0;
};

// Texts the edits meet in practice, plus raw bytes.
std::string text(Input &in)
{
    static const char *const samples[] = {"0",
                                          "2",
                                          "8",
                                          "9",
                                          "  640",
                                          "    0",
                                          "255",
                                          "256",
                                          "-1",
                                          "4294959999",
                                          "1990",
                                          "2245",
                                          "53",
                                          "1A0F",
                                          "NEW",
                                          "",
                                          "ABCDEFGHIJKLMNOP",
                                          "12a",
                                          " 1536",
                                          "65535",
                                          "99999999999"};
    const uint8_t pick = in.byte();
    if (pick < 200)
        return samples[pick % (sizeof samples / sizeof *samples)];
    std::string s;
    for (uint8_t n = in.byte() % 20; n > 0; --n)
        s.push_back(static_cast<char>(in.byte()));
    return s;
}

// `before` is the image the build started from: a DVI build keeps an extension without HDMI block.
void checkBuilt(const EdidFeatureRecord &record, const EdidImage &before)
{
    const EdidImage &img = record.image;
    if (!edidBlockSumOk(img, 0) || !edidBlockSumOk(img, 1))
        std::abort();
    if (dviKeepsExtension(record)) {
        if (img[126] != 1 || !std::equal(img.begin() + 128, img.begin() + 255, before.begin() + 128))
            std::abort();
    } else if (img[126] == 0) {
        for (size_t i = 128; i < 256; ++i)
            if (img[i] != 0)
                std::abort();
    } else if (img[126] != 1) {
        std::abort();
    } else if (img[128] != 0x02 || img[129] != 0x03 || img[130] > 127) {
        // Only an extension carried as it was loaded may be of another kind.
        const auto &origin = record.creatorOrigin;
        if (!origin || !std::equal(img.begin() + 128, img.end(), origin->record.image.begin() + 128))
            std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    EdidImage base = edidImageFromBytes(data, size);
    Input in(size > 256 ? data + 256 : data, size > 256 ? size - 256 : 0);
    // Mostly a valid base, so the decoder reaches the data blocks the encoder carries over.
    if (in.bit()) {
        static const uint8_t header[8] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
        std::memcpy(base.data(), header, sizeof header);
        base[126] = base[126] & 1;
        setEdidChecksums(base);
    }
    CreatorState state;
    EdidFeatureRecord record;
    record.status = EdidStatus::HoldsImage | (in.bit() ? EdidStatus::FromNew : 0);
    loadCreatorFromEdid(state, record, base, CreatorDate{2026, 12, 7});

    for (const CreatorField &f : creatorFields()) {
        if (!in.bit())
            continue;
        if (f.flag)
            state.setFlag(f.name, in.bit());
        else
            state.*(f.text) = text(in);
    }
    for (int round = 0; round < 2; ++round) {
        const EdidImage before = record.image;
        if (buildCreatorEdid(state, record))
            checkBuilt(record, before);
    }

    // Fields the builder never sets this way, straight into the encoder.
    for (auto &v : record.svds)
        v = in.byte();
    for (auto &sad : record.sads)
        for (auto &b : sad)
            b = in.byte();
    for (auto &v : record.y420Vics)
        v = in.byte();
    for (auto &v : record.hdmiVics)
        v = in.byte();
    for (auto &v : record.threeDData)
        v = in.byte();
    for (auto &v : record.hdrStatic)
        v = in.byte();
    for (auto &dtd : record.extensionDtds)
        for (auto &b : dtd)
            b = in.byte();
    record.threeDLength = in.byte();
    record.threeDFlags = in.byte();
    record.interfaceFlags = in.byte();
    record.hdrColorDepths = in.byte();
    record.colorimetry[0] = in.byte();
    record.videoCapability = in.byte();
    record.speakerAllocation = uint32_t(in.byte()) << 16 | in.byte();
    record.cecAddress = {in.byte(), in.byte()};
    for (auto &c : record.monitorName)
        c = static_cast<char>(in.byte());
    for (auto &c : record.manufacturer)
        c = static_cast<char>(in.byte());
    const EdidImage before = record.image;
    encodeEdid(record);
    checkBuilt(record, before);
    return 0;
}
