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

std::vector<EdidSummary::Row> EdidSummary::rows() const
{
    return {
        {"    EDID Header :", "EDID Header", "Label_Edid_Header", &Label_Edid_Header},
        {"    EDID Checksum :", "EDID Checksum", "Label_Edid_Checksum", &Label_Edid_Checksum},
        {"    Content Format :", "Content Format", "Label_Edid_Format", &Label_Edid_Format},
        {"    Manufacturer Name :", "Manufacturer Name", "Label_Manufac_Name", &Label_Manufac_Name},
        {"    Monitor Name :", "Monitor Name", "Label_Monitor_Name", &Label_Monitor_Name},
        {"    Max Resolution :", "Max Resolution", "Label_Max_Resolution", &Label_Max_Resolution},
        {"    Max Color Depth :", "Max Color Depth", "Label_Max_ColorDepth", &Label_Max_ColorDepth},
        {"    Support 3D :", "Support 3D", "Label_Support_3D", &Label_Support_3D},
        {"    Support YUV420 :", "Support YUV420", "Label_Support_YUV420", &Label_Support_YUV420},
        {"    Support SCDC :", "Support SCDC", "Label_Support_SCDC", &Label_Support_SCDC},
        {"    Support 600MHz :", "Support 600MHz", "Label_Support_600MHz", &Label_Support_600MHz},
        {"    Support HDR :", "Support HDR", "Label_Support_HDR", &Label_Support_HDR},
        {"    Audio Formats :", "Audio Formats", "Label_Audio_Formats", &Label_Audio_Formats},
        {"    Audio Max Channel :", "Audio Max Channel", "Label_Audio_Channel", &Label_Audio_Channel},
        {"    CEC Address :", "CEC Address", "Label_CEC_Address", &Label_CEC_Address},
    };
}

void appendAudioFormatText(EdidSummary &summary, const std::string &text)
{
    if (summary.panel10Height < kPanel10TwoLines && summary.Label_Audio_Formats.size() > 30) {
        summary.Label_Audio_Formats += "\r\n";
        summary.panel10Height = kPanel10TwoLines;
    }
    summary.Label_Audio_Formats += text;
}

namespace {
const char *yesNo(bool b)
{
    return b ? "Yes" : "No";
}
} // namespace

EdidSummary summaryOfRecord(const EdidFeatureRecord &rec)
{
    EdidSummary s;
    if (rec.status & EdidStatus::ErrorMask) {
        s.Label_Edid_Header = "Illegal";
        for (std::string *label :
             {&s.Label_Edid_Checksum, &s.Label_Edid_Format, &s.Label_Manufac_Name, &s.Label_Monitor_Name,
              &s.Label_Max_Resolution, &s.Label_Max_ColorDepth, &s.Label_Support_3D, &s.Label_Support_YUV420,
              &s.Label_Support_SCDC, &s.Label_Support_600MHz, &s.Label_Support_HDR, &s.Label_Audio_Formats,
              &s.Label_Audio_Channel, &s.Label_CEC_Address})
            *label = "-";
        s.modifyGlyph = EdidSummary::ModifyGlyph::Gray;
        return s;
    }
    s.Label_Edid_Header = "Good";
    s.Label_Edid_Checksum = "Good";
    s.Label_Edid_Format =
        (rec.interfaceFlags & (InterfaceFlags::NoExtension | InterfaceFlags::NoHdmiBlock)) ? "DVI" : "HDMI";
    s.Label_Manufac_Name = fieldText(rec.manufacturer);
    s.Label_Monitor_Name = fieldText(rec.monitorName);
    if (s.Label_Monitor_Name.empty())
        s.Label_Monitor_Name = "-";
    s.Label_Max_Resolution = fieldText(rec.maxResolutionName);
    s.Label_Max_ColorDepth = std::to_string(rec.maxColorDepth) + "bit";
    s.Label_Support_3D = yesNo(rec.interfaceFlags & InterfaceFlags::ThreeDPresent);
    s.Label_Support_YUV420 = yesNo(rec.y420Present != 0);
    s.Label_Support_SCDC = yesNo(rec.scdcPresent != 0);
    s.Label_Support_600MHz = yesNo(rec.tmds600 != 0);
    if (rec.hdrColorDepths == 0) {
        s.Label_Support_HDR = "No";
    } else {
        s.Label_Support_HDR = "8bit,";
        if (rec.hdrColorDepths & 0x01)
            s.Label_Support_HDR += "10bit,";
        if (rec.hdrColorDepths & 0x02)
            s.Label_Support_HDR += "12bit,";
        if (rec.hdrColorDepths & 0x04)
            s.Label_Support_HDR += "16bit,";
    }
    s.Label_Audio_Formats.clear();
    s.panel10Height = kPanel10OneLine;
    for (const AudioFormatItem &item : AudioFormatItems)
        if (rec.audioFormats & item.flag)
            appendAudioFormatText(s, item.item);
    s.Label_Audio_Channel = std::to_string(rec.maxChannels) + "CH";
    char cec[8];
    std::snprintf(cec, sizeof cec, "%02X%02X", rec.cecAddress[0], rec.cecAddress[1]);
    s.Label_CEC_Address = cec;
    s.modifyGlyph = EdidSummary::ModifyGlyph::Color;
    return s;
}

EdidSummary summariseEdid(EdidFeatureRecord &record, const EdidImage &image)
{
    decodeEdid(record, image);
    return summaryOfRecord(record);
}
