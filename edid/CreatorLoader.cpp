#include "edid/CreatorLoader.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

#include "edid/CreatorOrigin.h"
#include "edid/CreatorTables.h"
#include "edid/EdidDecoder.h"

namespace {

// Right-aligned in five characters, as the luminance edits show their values.
std::string luminanceText(unsigned v)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%5u", v);
    return buf;
}

// The maximum bit rate in kHz, right-aligned in six characters as the bit rate edits show it.
std::string bitRateText(unsigned thirdByte)
{
    const unsigned rate = 8 * thirdByte;
    return (rate < 1000 ? "  " : " ") + std::to_string(rate);
}

template <typename Boxes> void setBits(CreatorState &s, const Boxes &boxes, std::uint32_t value)
{
    for (const auto &b : boxes)
        s.*(b.box.member) = b.bit != 0 && (value & b.bit) == b.bit;
}

template <typename Boxes> void clearBoxes(CreatorState &s, const Boxes &boxes)
{
    for (const auto &b : boxes)
        s.*(b.box.member) = false;
}

void setRates(CreatorState &s, const AudioFormatRow &row, std::uint8_t rateByte)
{
    for (std::size_t i = 0; i < row.rates.size(); ++i)
        s.*(row.rates[i].member) = rateByte & sampleRateBits()[i].bit;
}

// Every audio control back to "no descriptor".
void resetAudio(CreatorState &s)
{
    for (const AudioFormatRow &row : audioFormatRows()) {
        s.*(row.box.member) = false;
        s.*(row.maxChannels.member) = "0";
        setRates(s, row, 0);
        if (row.detail.member)
            s.*(row.detail.member) = false;
        if (row.bitRate.member)
            s.*(row.bitRate.member) = "     0";
    }
    clearBoxes(s, lpcmSampleSizeBoxes());
}

void fillPlaceholders(CreatorState &s)
{
    s.Edit_Creator_Manufac_Name = "Error.";
    s.Edit_Creator_Monitor_Name = "Error.";
    s.Edit_Creator_Product_Code = "0";
    s.Edit_Creator_Serial_Number = "0";
    s.Edit_Creator_Manufac_Year = "0";
    s.Edit_Creator_Manufac_Week = "0";
    s.Edit_Creator_CEC_Address = "0000";
    clearBoxes(s, establishedTimingBoxes());
    clearBoxes(s, standardTimingBoxes());
    clearBoxes(s, colorSpaceBoxes());
    clearBoxes(s, colorDepthBoxes());
    clearBoxes(s, colorimetryBoxes());
    clearBoxes(s, videoIdCodeBoxes());
    clearBoxes(s, yuv420Boxes());
    clearBoxes(s, speakerBoxes());
    clearBoxes(s, hdrDepthBoxes());
    clearBoxes(s, hdrEotfBoxes());
    clearBoxes(s, hdrDescriptorBoxes());
    s.CheckBox_3D_Present = false;
    for (const AudioFormatRow &row : audioFormatRows()) {
        s.*(row.box.member) = false;
        s.*(row.maxChannels.member) = "0";
        setRates(s, row, 0);
        if (row.bitRate.member)
            s.*(row.bitRate.member) = "     0";
    }
    clearBoxes(s, lpcmSampleSizeBoxes());
    for (const CreatorEdit &e : hdrLuminanceEdits())
        s.*(e.edit.member) = "    0";
}

void loadAudio(CreatorState &s, const EdidFeatureRecord &rec)
{
    resetAudio(s);
    const AudioFormatRow &basic = *audioFormatByNumber(1);
    unsigned lpcmChannels = 0;
    for (const auto &sad : rec.sads) {
        const std::uint8_t code = (sad[0] >> 3) & 0x0F;
        const std::string channels = std::to_string((sad[0] & 7) + 1);
        if (code == 1) {
            // The largest L-PCM channel count, not the last one: a build from "2" would drop a
            // multichannel descriptor listed before the two-channel one.
            lpcmChannels = std::max(lpcmChannels, (sad[0] & 7) + 1u);
            s.Edit_AudioLPCM_MaxCh = std::to_string(lpcmChannels);
            if (channels == "2")
                s.CheckBox_AudioFormat_1 = true;
            setRates(s, basic, sad[1]);
            setBits(s, lpcmSampleSizeBoxes(), sad[2]);
            continue;
        }
        const AudioFormatRow *row = audioFormatByCode(code);
        if (!row)
            continue;
        s.*(row->box.member) = true;
        s.*(row->maxChannels.member) = channels;
        if (row->thirdByteIsBitRate)
            s.*(row->bitRate.member) = bitRateText(sad[2]);
        setRates(s, *row, sad[1]);
    }
}

} // namespace

CreatorDate currentCreatorDate()
{
    using namespace std::chrono;
    const year_month_day ymd{floor<days>(system_clock::now())};
    return {int(ymd.year()), unsigned(ymd.month()), unsigned(ymd.day())};
}

unsigned isoWeekNumber(const CreatorDate &date)
{
    using namespace std::chrono;
    const sys_days day{year{date.year} / month{date.month} / std::chrono::day{date.day}};
    // The week belongs to the year of its Thursday.
    const unsigned isoWeekday = weekday{day}.iso_encoding(); // Monday 1 .. Sunday 7
    const sys_days thursday = day + days{4 - int(isoWeekday)};
    const year_month_day thursdayYmd{thursday};
    const sys_days firstOfYear{thursdayYmd.year() / January / 1};
    return unsigned((thursday - firstOfYear).count() / 7 + 1);
}

void loadCreatorFromEdid(CreatorState &s, EdidFeatureRecord &rec, const EdidImage &image)
{
    loadCreatorFromEdid(s, rec, image, currentCreatorDate());
}

void loadCreatorFromEdid(CreatorState &s, EdidFeatureRecord &rec, const EdidImage &image,
                         const CreatorDate &today)
{
    decodeEdid(rec, image);
    if (rec.status & EdidStatus::ErrorMask) {
        fillPlaceholders(s);
        return;
    }

    // Descriptor page. The serial number is shown unsigned, so building the shown text gives
    // back the same 32 bits.
    s.Edit_Creator_Manufac_Name = fieldText(rec.manufacturer);
    const std::string name = fieldText(rec.monitorName);
    s.Edit_Creator_Monitor_Name = name.empty() ? "-" : name;
    s.Edit_Creator_Product_Code = std::to_string(rec.productCode);
    s.Edit_Creator_Serial_Number = std::to_string(rec.serialNumber);
    if (rec.status & EdidStatus::FromNew) {
        s.Edit_Creator_Manufac_Year = std::to_string(today.year);
        s.Edit_Creator_Manufac_Week = std::to_string(isoWeekNumber(today));
    } else {
        s.Edit_Creator_Manufac_Year = std::to_string(rec.yearByte + 1990);
        s.Edit_Creator_Manufac_Week = std::to_string(rec.week);
    }

    // PC Timing page.
    setBits(s, establishedTimingBoxes(), rec.establishedTimings);
    for (const CreatorBitBox &box : standardTimingBoxes())
        s.*(box.box.member) = std::find(rec.standardTimings.begin(), rec.standardTimings.end(),
                                        std::uint16_t(box.bit)) != rec.standardTimings.end();

    // Color Space page.
    setBits(s, colorSpaceBoxes(), rec.ctaByte3);
    s.CheckBox_ColorSpace_3 = rec.y420Present == 1;
    setBits(s, colorDepthBoxes(), rec.hdmiVsdbByte6);
    setBits(s, colorimetryBoxes(), rec.colorimetry[0]);
    setBits(s, hdrDepthBoxes(), rec.hfDeepColor420);
    setBits(s, hdrEotfBoxes(), rec.hdrStatic[0]);
    setBits(s, hdrDescriptorBoxes(), rec.hdrStatic[1]);
    for (std::size_t i = 0; i < hdrLuminanceEdits().size(); ++i)
        s.*(hdrLuminanceEdits()[i].edit.member) = luminanceText(rec.hdrStatic[2 + i]);

    // SD/HD/UHD page.
    for (const VideoIdCodeBox &box : videoIdCodeBoxes())
        s.*(box.box.member) = std::find(rec.svds.begin(), rec.svds.end(), box.vic) != rec.svds.end();
    for (const VideoIdCodeBox &box : yuv420Boxes())
        s.*(box.box.member) =
            std::find(rec.y420Vics.begin(), rec.y420Vics.begin() + 8, box.vic) != rec.y420Vics.begin() + 8;
    for (std::uint8_t hdmiVic : rec.hdmiVics) {
        const std::uint8_t vic = vicForHdmiVic(hdmiVic);
        for (const VideoIdCodeBox &box : videoIdCodeBoxes())
            if (vic != 0 && box.vic == vic)
                s.*(box.box.member) = true;
    }

    // Others page.
    s.CheckBox_3D_Present = rec.interfaceFlags & InterfaceFlags::ThreeDPresent;
    char cec[8];
    std::snprintf(cec, sizeof cec, "%02X%02X", rec.cecAddress[0], rec.cecAddress[1]);
    s.Edit_Creator_CEC_Address = cec;
    s.setFlag("RadioButton_Edid_Fmt_Dvi",
              rec.interfaceFlags & (InterfaceFlags::NoExtension | InterfaceFlags::NoHdmiBlock));

    loadAudio(s, rec);
    setBits(s, speakerBoxes(), rec.speakerAllocation);

    // The controls as the image declares them. After "NEW" the date shows today's, which the
    // template does not hold: a build writes it, as it writes any value the user typed.
    auto origin = std::make_shared<CreatorOrigin>(CreatorOrigin{rec, s});
    origin->state.Edit_Creator_Manufac_Year = std::to_string(rec.yearByte + 1990);
    origin->state.Edit_Creator_Manufac_Week = std::to_string(rec.week);
    rec.creatorOrigin = std::move(origin);
}
