#include "edid/CreatorBuilder.h"

#include <algorithm>
#include <cstdint>
#include <optional>

#include "edid/CreatorFieldChecks.h"
#include "edid/CreatorMerge.h"
#include "edid/CreatorOrigin.h"
#include "edid/CreatorTables.h"
#include "edid/EdidEncoder.h"

namespace {

using Sad = std::array<std::uint8_t, 3>;

// Reads number texts; the first text that is no integer is remembered and every read after it
// gives 0 (the build is then abandoned).
class NumberReader
{
  public:
    std::int64_t operator()(const std::string &text)
    {
        if (m_error)
            return 0;
        if (auto v = creatorIntegerValue(text))
            return *v;
        m_error = notAnIntegerMessage(text);
        return 0;
    }
    const std::optional<std::string> &error() const { return m_error; }

  private:
    std::optional<std::string> m_error;
};

// Channel bits for a channel count; counts outside 1..8 (only possible past a failed field check)
// are held to that range so the descriptor keeps its format code.
std::uint8_t channelBits(std::int64_t channels)
{
    return std::uint8_t(std::clamp<std::int64_t>(channels, 1, 8) - 1);
}

std::uint8_t formatCode(const Sad &sad)
{
    return std::uint8_t((sad[0] >> 3) & 0x0F);
}

std::uint8_t rateBits(const CreatorState &s, const AudioFormatRow &row)
{
    std::uint8_t bits = 0;
    for (std::size_t i = 0; i < row.rates.size(); ++i)
        if (s.*(row.rates[i].member))
            bits |= sampleRateBits()[i].bit;
    return bits;
}

template <typename Boxes> std::uint32_t checkedBits(const CreatorState &s, const Boxes &boxes)
{
    std::uint32_t bits = 0;
    for (const auto &b : boxes)
        if (s.*(b.box.member))
            bits |= b.bit;
    return bits;
}

Sad *firstFree(EdidFeatureRecord &rec)
{
    for (Sad &sad : rec.sads)
        if (sad[0] == 0)
            return &sad;
    return nullptr;
}

// Video codes: a checked box adds its VIC once (into the first unused entry), an unchecked one
// removes every entry of it. Only a 0 entry is unused: codes above 107 are formats of later
// CTA-861 revisions (120 Hz, 8K, ...), which a box must not overwrite.
template <std::size_t N>
void editVicList(std::array<std::uint8_t, N> &list, std::size_t count, std::uint8_t vic, bool checked)
{
    auto begin = list.begin(), end = list.begin() + std::ptrdiff_t(count);
    const bool present = std::find(begin, end, vic) != end;
    if (checked && !present) {
        auto slot = std::find(begin, end, std::uint8_t(0));
        if (slot != end)
            *slot = vic;
    } else if (!checked && present) {
        std::replace(begin, end, vic, std::uint8_t(0));
    }
}

// What of a format's controls differs from the load: the channel edit, the rate boxes, the third
// byte's controls (L-PCM sizes or the bit rate). Without a load everything counts as changed.
struct AudioChanges
{
    bool any = true, channels = true, rates = true, third = true;
};
AudioChanges audioChanges(const CreatorState &s, const CreatorState *loaded, const AudioFormatRow &row)
{
    if (!loaded)
        return {};
    AudioChanges c;
    c.channels = s.*(row.maxChannels.member) != loaded->*(row.maxChannels.member);
    c.rates = false;
    for (const CreatorFlagRef &rate : row.rates)
        c.rates = c.rates || s.*(rate.member) != loaded->*(rate.member);
    c.third = false;
    if (row.code == 1)
        for (const CreatorBitBox &b : lpcmSampleSizeBoxes())
            c.third = c.third || s.*(b.box.member) != loaded->*(b.box.member);
    else if (row.bitRate.member)
        c.third = s.*(row.bitRate.member) != loaded->*(row.bitRate.member);
    c.any = c.channels || c.rates || c.third || s.*(row.box.member) != loaded->*(row.box.member);
    return c;
}

void buildAudio(const CreatorState &s, EdidFeatureRecord &rec, NumberReader &number, const CreatorState *loaded)
{
    std::array<bool, kMaxSads> fresh{};
    auto markFresh = [&](const Sad *sad) { fresh[std::size_t(sad - rec.sads.data())] = true; };
    const AudioFormatRow &basic = *audioFormatByNumber(1);
    const std::int64_t lpcmChannels = number(s.Edit_AudioLPCM_MaxCh);
    auto formats = [] {
        std::vector<const AudioFormatRow *> rows;
        for (const AudioFormatRow &row : audioFormatRows())
            if (row.number != 2) // the multichannel L-PCM box is hidden and never read
                rows.push_back(&row);
        return rows;
    }();

    // Add descriptors for what is newly offered.
    if (lpcmChannels >= 3 && !(rec.audioFormats & AudioFormatFlags::LpcmMulti)) {
        rec.audioFormats |= AudioFormatFlags::LpcmMulti;
        if (Sad *sad = firstFree(rec)) {
            *sad = {std::uint8_t(0x08 | channelBits(lpcmChannels)), 0, 0};
            markFresh(sad);
        }
    }
    for (const AudioFormatRow *row : formats) {
        if (s.*(row->box.member) && !(rec.audioFormats & row->flag)) {
            rec.audioFormats |= row->flag;
            if (Sad *sad = firstFree(rec)) {
                *sad = {row->firstByte, 0, 0};
                markFresh(sad);
            }
        }
    }
    // Free the descriptors of what is no longer offered.
    if (lpcmChannels <= 2 && (rec.audioFormats & AudioFormatFlags::LpcmMulti)) {
        rec.audioFormats &= std::uint16_t(~AudioFormatFlags::LpcmMulti);
        for (Sad &sad : rec.sads) {
            if (formatCode(sad) == 1 && (sad[0] & 7) >= 2) {
                sad = {0, 0, 0};
                break;
            }
        }
    }
    for (const AudioFormatRow *row : formats) {
        if (s.*(row->box.member) || !(rec.audioFormats & row->flag))
            continue;
        rec.audioFormats &= std::uint16_t(~row->flag);
        for (Sad &sad : rec.sads) {
            const bool ofFormat = row->number == 1 ? sad[0] == row->firstByte : formatCode(sad) == row->code;
            if (sad[0] != 0 && ofFormat)
                sad = {0, 0, 0};
        }
    }
    // Fill every descriptor from its format's controls. A loaded descriptor keeps what the user did
    // not change: its own rates and sizes, a compressed format's third byte (object audio flags).
    for (std::size_t i = 0; i < rec.sads.size(); ++i) {
        Sad &sad = rec.sads[i];
        if (sad[0] == 0)
            continue;
        const std::uint8_t code = formatCode(sad);
        const AudioFormatRow *row = code == 1 ? &basic : audioFormatByCode(code);
        if (!row)
            continue;
        const AudioChanges changed = fresh[i] ? AudioChanges{} : audioChanges(s, loaded, *row);
        if (code == 1) {
            if ((sad[0] & 7) != 1 && changed.channels)
                sad[0] = std::uint8_t((sad[0] & ~7) | channelBits(lpcmChannels));
            if (changed.rates)
                sad[1] = rateBits(s, basic);
            if (changed.third)
                sad[2] = std::uint8_t(checkedBits(s, lpcmSampleSizeBoxes()));
            continue;
        }
        if (!changed.any)
            continue;
        const std::int64_t channels = number(s.*(row->maxChannels.member));
        if (channels > 0) {
            if (changed.channels)
                sad[0] = std::uint8_t((sad[0] & ~7) | channelBits(channels));
            if (changed.rates)
                sad[1] = rateBits(s, *row);
            if (row->thirdByteIsBitRate && changed.third)
                // No field check guards the bit rate; beyond 2040 kHz it is held at the byte's maximum.
                sad[2] = std::uint8_t(std::clamp<std::int64_t>(number(s.*(row->bitRate.member)) / 8, 0, 255));
            else if (!row->thirdByteIsBitRate && fresh[i])
                sad[2] = row->defaultThirdByte;
        } else {
            sad[0] &= std::uint8_t(~7);
            sad[0] |= row->defaultChannelBits;
            sad[1] = row->defaultRates;
            sad[2] = row->defaultThirdByte;
        }
    }
}

std::uint8_t hexDigit(const std::string &text, std::size_t i)
{
    if (i >= text.size())
        return 0;
    const char c = text[i];
    if (c >= '0' && c <= '9')
        return std::uint8_t(c - '0');
    if (c >= 'A' && c <= 'F')
        return std::uint8_t(c - 'A' + 10);
    if (c >= 'a' && c <= 'f')
        return std::uint8_t(c - 'a' + 10);
    return 0;
}

template <typename Boxes> std::uint32_t boxMask(const Boxes &boxes)
{
    std::uint32_t mask = 0;
    for (const auto &b : boxes)
        mask |= b.bit;
    return mask;
}

// HDMI_VICs: as loaded while the 4K 24-30 Hz boxes are; otherwise an unchecked box removes its
// codes and a checked one adds its code behind those kept.
void editHdmiVics(const CreatorState &s, EdidFeatureRecord &rec, const CreatorState *loaded)
{
    bool boxesChanged = !loaded;
    for (const VideoIdCodeBox &box : videoIdCodeBoxes())
        if (box.hdmiVic != 0 && loaded)
            boxesChanged = boxesChanged || s.*(box.box.member) != loaded->*(box.box.member);
    if (!boxesChanged)
        return;
    std::vector<std::uint8_t> kept;
    if (loaded) {
        for (std::uint8_t v : rec.hdmiVics) {
            const std::uint8_t vic = vicForHdmiVic(v);
            const VideoIdCodeBox *box = nullptr;
            for (const VideoIdCodeBox &b : videoIdCodeBoxes())
                if (vic != 0 && b.vic == vic)
                    box = &b;
            if (v != 0 && (!box || s.*(box->box.member)))
                kept.push_back(v);
        }
    }
    for (const VideoIdCodeBox &box : videoIdCodeBoxes()) {
        if (box.hdmiVic == 0 || !(s.*(box.box.member)))
            continue;
        const bool listed = std::any_of(kept.begin(), kept.end(),
                                        [&](std::uint8_t v) { return vicForHdmiVic(v) == box.vic; });
        if (!listed)
            kept.push_back(box.hdmiVic);
    }
    rec.hdmiVics.fill(0);
    for (std::size_t i = 0; i < kept.size() && i < rec.hdmiVics.size(); ++i)
        rec.hdmiVics[i] = kept[i];
}


// Reads the controls into `rec` and encodes it. With a load to compare with, what no control
// represents stays as loaded: the other established timing and speaker bits, the EOTF bits past
// the three boxes, the HDMI_VICs in their order.
bool buildFields(const CreatorState &s, EdidFeatureRecord &rec, const CreatorState *loaded, std::string *error)
{
    NumberReader number;

    setFieldText(rec.manufacturer, s.Edit_Creator_Manufac_Name.substr(0, 3));
    setFieldText(rec.monitorName, s.Edit_Creator_Monitor_Name.substr(0, 13));
    rec.productCode = std::uint16_t(number(s.Edit_Creator_Product_Code));
    rec.serialNumber = std::uint32_t(number(s.Edit_Creator_Serial_Number));
    rec.yearByte = std::uint8_t(number(s.Edit_Creator_Manufac_Year)); // modulo 256; the encoder converts
    rec.week = std::uint8_t(number(s.Edit_Creator_Manufac_Week));

    const std::uint32_t established = checkedBits(s, establishedTimingBoxes());
    rec.establishedTimings = loaded ? (rec.establishedTimings & ~boxMask(establishedTimingBoxes())) | established
                                    : established;
    for (const CreatorBitBox &box : standardTimingBoxes()) {
        const std::uint16_t code = std::uint16_t(box.bit);
        auto &st = rec.standardTimings;
        auto found = std::find(st.begin(), st.end(), code);
        if (s.*(box.box.member) && found == st.end()) {
            auto slot =
                std::find_if(st.begin(), st.end(), [](std::uint16_t c) { return c == 0 || c == 0x0101; });
            if (slot != st.end())
                *slot = code;
        } else if (!(s.*(box.box.member)) && found != st.end()) {
            *found = 0x0101;
        }
    }

    rec.ctaByte3 = std::uint8_t(checkedBits(s, colorSpaceBoxes()));
    rec.y420Present = s.CheckBox_ColorSpace_3 ? 1 : 0;
    const std::uint8_t depths = std::uint8_t(checkedBits(s, colorDepthBoxes()));
    rec.hdmiVsdbByte6 = std::uint8_t(depths | (depths != 0 && s.CheckBox_ColorSpace_1 ? 0x08 : 0));
    rec.colorimetry[0] = std::uint8_t(checkedBits(s, colorimetryBoxes()));

    for (const VideoIdCodeBox &box : videoIdCodeBoxes())
        editVicList(rec.svds, rec.svds.size(), box.vic, s.*(box.box.member));
    for (const VideoIdCodeBox &box : yuv420Boxes())
        editVicList(rec.y420Vics, 8, box.vic, s.*(box.box.member));
    editHdmiVics(s, rec, loaded);

    if (s.CheckBox_3D_Present)
        rec.interfaceFlags |= InterfaceFlags::ThreeDPresent;
    else
        rec.interfaceFlags &= std::uint16_t(~InterfaceFlags::ThreeDPresent);

    rec.hdrColorDepths = std::uint8_t(checkedBits(s, hdrDepthBoxes()));
    const std::uint8_t eotf = std::uint8_t(checkedBits(s, hdrEotfBoxes()));
    rec.hdrStatic[0] = loaded ? std::uint8_t((rec.hdrStatic[0] & ~boxMask(hdrEotfBoxes())) | eotf) : eotf;
    rec.hdrStatic[1] = std::uint8_t((rec.hdrStatic[1] & ~0x01) | checkedBits(s, hdrDescriptorBoxes()));
    for (std::size_t i = 0; i < hdrLuminanceEdits().size(); ++i)
        rec.hdrStatic[2 + i] = std::uint8_t(number(s.*(hdrLuminanceEdits()[i].edit.member)));

    buildAudio(s, rec, number, loaded);

    const std::uint32_t speakers = checkedBits(s, speakerBoxes());
    rec.speakerAllocation = loaded ? (rec.speakerAllocation & ~boxMask(speakerBoxes())) | speakers : speakers;

    // The page shows the address as four hexadecimal digits, so each character is read as one.
    const std::string &cec = s.Edit_Creator_CEC_Address;
    rec.cecAddress[0] = std::uint8_t(hexDigit(cec, 0) << 4 | hexDigit(cec, 1));
    rec.cecAddress[1] = std::uint8_t(hexDigit(cec, 2) << 4 | hexDigit(cec, 3));

    if (s.RadioButton_Edid_Fmt_Dvi)
        rec.interfaceFlags |= InterfaceFlags::NoExtension;
    else
        rec.interfaceFlags &= std::uint16_t(~(InterfaceFlags::NoExtension | InterfaceFlags::NoHdmiBlock));

    if (number.error()) {
        if (error)
            *error = *number.error();
        return false;
    }
    encodeEdid(rec);
    return true;
}

} // namespace

bool buildCreatorEdid(const CreatorState &s, EdidFeatureRecord &record, std::string *error,
                      std::vector<std::string> *leftOut)
{
    const std::shared_ptr<const CreatorOrigin> origin = record.creatorOrigin;
    if (!origin) {
        EdidFeatureRecord rec = record;
        if (!buildFields(s, rec, nullptr, error))
            return false;
        record = rec;
        return true;
    }
    // Every build starts from the load, so building twice gives the same image.
    EdidFeatureRecord rec = origin->record;
    rec.status = record.status;
    if (!buildFields(s, rec, &origin->state, error))
        return false;
    // The loaded controls built the same way (in the format now chosen): where a part of the image
    // comes out the same from both, its controls hold what the load put there.
    CreatorState unchanged = origin->state;
    unchanged.setFlag("RadioButton_Edid_Fmt_Dvi", s.RadioButton_Edid_Fmt_Dvi);
    EdidFeatureRecord reference = origin->record;
    reference.status = record.status;
    buildFields(unchanged, reference, &origin->state, nullptr);
    const bool formatChanged = s.RadioButton_Edid_Fmt_Dvi != origin->state.RadioButton_Edid_Fmt_Dvi;
    std::vector<std::string> dropped;
    rec.image = keepLoadedBytes(origin->record.image, reference.image, rec.image, formatChanged, dropped);
    rec.creatorOrigin = origin;
    record = rec;
    if (leftOut)
        *leftOut = dropped;
    return true;
}
