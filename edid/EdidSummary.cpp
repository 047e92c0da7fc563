#include "edid/EdidSummary.h"

#include <cstdio>

#include "edid/EdidDecoder.h"

const std::array<AudioFormatItem, 9> AudioFormatItems = {{
    {AudioFormatFlags::Lpcm2, "2PCM,"},
    {AudioFormatFlags::LpcmMulti, "MPCM,"},
    {AudioFormatFlags::Ac3, "DolbyD,"},
    {AudioFormatFlags::EnhancedAc3, "DolbyD+,"},
    {AudioFormatFlags::Mat, "DolbyHD,"},
    {AudioFormatFlags::Dts, "DTS,"},
    {AudioFormatFlags::DtsHd, "DTSHD,"},
    {AudioFormatFlags::AacLc, "AAC,"},
    {AudioFormatFlags::OneBitAudio, "OBA,"},
}};

namespace {
constexpr std::array<const char *, kSummaryAnswerCount> kKeys = {
    "EDID Header",    "EDID Checksum",   "Content Format", "Manufacturer Name", "Monitor Name",
    "Max Resolution", "Max Color Depth", "Support 3D",     "Support YUV420",    "Support SCDC",
    "Support 600MHz", "Support HDR",     "Audio Formats",  "Audio Max Channel", "CEC Address",
};

const char *yesNo(bool b)
{
    return b ? "Yes" : "No";
}
} // namespace

const char *summaryAnswerKey(SummaryAnswer answer)
{
    return kKeys[static_cast<std::size_t>(answer)];
}

std::vector<EdidSummary::Row> EdidSummary::rows() const
{
    std::vector<Row> out;
    out.reserve(kSummaryAnswerCount);
    for (std::size_t i = 0; i < kSummaryAnswerCount; ++i)
        out.push_back({static_cast<SummaryAnswer>(i), kKeys[i], &answers[i]});
    return out;
}

EdidSummary summaryOfRecord(const EdidFeatureRecord &rec)
{
    using A = SummaryAnswer;
    EdidSummary s;
    if (rec.status & EdidStatus::ErrorMask) {
        for (std::string &text : s.answers)
            text = "-";
        s.answer(A::Header) = "Illegal";
        return s;
    }
    s.imageValid = true;
    s.answer(A::Header) = "Good";
    s.answer(A::Checksum) = "Good";
    s.answer(A::Format) =
        (rec.interfaceFlags & (InterfaceFlags::NoExtension | InterfaceFlags::NoHdmiBlock)) ? "DVI" : "HDMI";
    s.answer(A::Manufacturer) = fieldText(rec.manufacturer);
    s.answer(A::MonitorName) = fieldText(rec.monitorName);
    if (s.answer(A::MonitorName).empty())
        s.answer(A::MonitorName) = "-";
    s.answer(A::MaxResolution) = fieldText(rec.maxResolutionName);
    s.answer(A::MaxColorDepth) = std::to_string(rec.maxColorDepth) + "bit";
    s.answer(A::Support3D) = yesNo(rec.interfaceFlags & InterfaceFlags::ThreeDPresent);
    s.answer(A::SupportYuv420) = yesNo(rec.y420Present != 0);
    s.answer(A::SupportScdc) = yesNo(rec.scdcPresent != 0);
    s.answer(A::Support600MHz) = yesNo(rec.tmds600 != 0);
    std::string &hdr = s.answer(A::SupportHdr);
    if (rec.hdrColorDepths == 0) {
        hdr = "No";
    } else {
        hdr = "8bit,";
        if (rec.hdrColorDepths & 0x01)
            hdr += "10bit,";
        if (rec.hdrColorDepths & 0x02)
            hdr += "12bit,";
        if (rec.hdrColorDepths & 0x04)
            hdr += "16bit,";
    }
    for (const AudioFormatItem &item : AudioFormatItems) {
        if (rec.audioFormats & item.flag) {
            s.audioFormatItems.emplace_back(item.item);
            s.answer(A::AudioFormats) += item.item;
        }
    }
    s.answer(A::AudioChannels) = std::to_string(rec.maxChannels) + "CH";
    char cec[8];
    std::snprintf(cec, sizeof cec, "%02X%02X", rec.cecAddress[0], rec.cecAddress[1]);
    s.answer(A::CecAddress) = cec;
    return s;
}

EdidSummary summariseEdid(EdidFeatureRecord &record, const EdidImage &image)
{
    decodeEdid(record, image);
    return summaryOfRecord(record);
}
