#include "edid/CreatorTables.h"

namespace {
constexpr uint32_t bit(int n)
{
    return uint32_t(1) << n;
}
} // namespace

const std::vector<CreatorBitBox> &establishedTimingBoxes()
{
    static const std::vector<CreatorBitBox> boxes = {
        {KELM_FLAG_REF(CheckBox_EstablishTiming_1), "720x400@70Hz", bit(23)},
        {KELM_FLAG_REF(CheckBox_EstablishTiming_2), "720x400@88Hz", bit(22)},
        {KELM_FLAG_REF(CheckBox_EstablishTiming_3), "640x480@60Hz", bit(21)},
        {KELM_FLAG_REF(CheckBox_EstablishTiming_4), "640x480@67Hz", bit(20)},
        {KELM_FLAG_REF(CheckBox_EstablishTiming_5), "640x480@72Hz", bit(19)},
        {KELM_FLAG_REF(CheckBox_EstablishTiming_6), "640x480@75Hz", bit(18)},
        {KELM_FLAG_REF(CheckBox_EstablishTiming_7), "800x600@56Hz", bit(17)},
        {KELM_FLAG_REF(CheckBox_EstablishTiming_8), "800x600@60Hz", bit(16)},
        {KELM_FLAG_REF(CheckBox_EstablishTiming_9), "800x600@72Hz", bit(15)},
        {KELM_FLAG_REF(CheckBox_EstablishTiming_10), "800x600@75Hz", bit(14)},
        {KELM_FLAG_REF(CheckBox_EstablishTiming_11), "832x624@75Hz", bit(13)},
        {KELM_FLAG_REF(CheckBox_EstablishTiming_12), "1024x768@87Hz(I)", bit(12)},
        {KELM_FLAG_REF(CheckBox_EstablishTiming_13), "1024x768@60Hz", bit(11)},
        {KELM_FLAG_REF(CheckBox_EstablishTiming_14), "1024x768@70Hz", bit(10)},
        {KELM_FLAG_REF(CheckBox_EstablishTiming_15), "1024x768@75Hz", bit(9)},
        {KELM_FLAG_REF(CheckBox_EstablishTiming_16), "1280x1024@75Hz", bit(8)},
        {KELM_FLAG_REF(CheckBox_EstablishTiming_17), "1152x870@75Hz", bit(7)},
    };
    return boxes;
}

const std::vector<CreatorBitBox> &standardTimingBoxes()
{
    static const std::vector<CreatorBitBox> boxes = {
        {KELM_FLAG_REF(CheckBox_StandardTiming_1), "1280x1024@60Hz", 0x8180},
        {KELM_FLAG_REF(CheckBox_StandardTiming_2), "1280x1024@70Hz", 0x818A},
        {KELM_FLAG_REF(CheckBox_StandardTiming_3), "1600x1200@60Hz", 0xA940},
        {KELM_FLAG_REF(CheckBox_StandardTiming_4), "1600x1200@70Hz", 0xA94A},
        {KELM_FLAG_REF(CheckBox_StandardTiming_5), "1600x1200@75Hz", 0xA94F},
    };
    return boxes;
}

const std::vector<VideoIdCodeBox> &videoIdCodeBoxes()
{
    static const std::vector<VideoIdCodeBox> boxes = {
        {KELM_FLAG_REF(CheckBox_VideoIdCode_6), "480i", "60Hz", 6, 0},
        {KELM_FLAG_REF(CheckBox_VideoIdCode_3), "480p", "60Hz", 3, 0},
        {KELM_FLAG_REF(CheckBox_VideoIdCode_21), "576i", "50Hz", 21, 0},
        {KELM_FLAG_REF(CheckBox_VideoIdCode_18), "576p", "50Hz", 18, 0},
        {KELM_FLAG_REF(CheckBox_VideoIdCode_60), "720p", "24Hz", 60, 0},
        {KELM_FLAG_REF(CheckBox_VideoIdCode_61), "720p", "25Hz", 61, 0},
        {KELM_FLAG_REF(CheckBox_VideoIdCode_62), "720p", "30Hz", 62, 0},
        {KELM_FLAG_REF(CheckBox_VideoIdCode_19), "720p", "50Hz", 19, 0},
        {KELM_FLAG_REF(CheckBox_VideoIdCode_4), "720p", "60Hz", 4, 0},
        {KELM_FLAG_REF(CheckBox_VideoIdCode_20), "1080i", "50Hz", 20, 0},
        {KELM_FLAG_REF(CheckBox_VideoIdCode_5), "1080i", "60Hz", 5, 0},
        {KELM_FLAG_REF(CheckBox_VideoIdCode_32), "1080p", "24Hz", 32, 0},
        {KELM_FLAG_REF(CheckBox_VideoIdCode_33), "1080p", "25Hz", 33, 0},
        {KELM_FLAG_REF(CheckBox_VideoIdCode_34), "1080p", "30Hz", 34, 0},
        {KELM_FLAG_REF(CheckBox_VideoIdCode_31), "1080p", "50Hz", 31, 0},
        {KELM_FLAG_REF(CheckBox_VideoIdCode_16), "1080p", "60Hz", 16, 0},
        {KELM_FLAG_REF(CheckBox_VideoIdCode_93), "4K", "24Hz", 93, 3},
        {KELM_FLAG_REF(CheckBox_VideoIdCode_94), "4K", "25Hz", 94, 2},
        {KELM_FLAG_REF(CheckBox_VideoIdCode_95), "4K", "30Hz", 95, 1},
        {KELM_FLAG_REF(CheckBox_VideoIdCode_96), "4K", "50Hz", 96, 0},
        {KELM_FLAG_REF(CheckBox_VideoIdCode_97), "4K", "60Hz", 97, 0},
    };
    return boxes;
}

const std::vector<VideoIdCodeBox> &yuv420Boxes()
{
    static const std::vector<VideoIdCodeBox> boxes = {
        {KELM_FLAG_REF(CheckBox_YUV420VDB_96), "4K 4:2:0", "50Hz", 96, 0},
        {KELM_FLAG_REF(CheckBox_YUV420VDB_97), "4K 4:2:0", "60Hz", 97, 0},
    };
    return boxes;
}

uint8_t vicForHdmiVic(uint8_t hdmiVic)
{
    switch (hdmiVic) {
    case 1:
        return 95;
    case 2:
        return 94;
    case 3:
    case 4: // 4K at 24 Hz in the SMPTE raster has no box of its own
        return 93;
    default:
        return 0;
    }
}

const std::vector<SpeakerBox> &speakerBoxes()
{
    static const std::vector<SpeakerBox> boxes = {
        {KELM_FLAG_REF(CheckBox_SpeakerPosition_1), "FLW", bit(23), "CheckBox_SpeakerPosition_1r", "FRW"},
        {KELM_FLAG_REF(CheckBox_SpeakerPosition_2), "RLC", bit(22), "CheckBox_SpeakerPosition_2r", "RRC"},
        {KELM_FLAG_REF(CheckBox_SpeakerPosition_3), "FLC", bit(21), "CheckBox_SpeakerPosition_3r", "FRC"},
        {KELM_FLAG_REF(CheckBox_SpeakerPosition_4), "RC", bit(20), nullptr, nullptr},
        {KELM_FLAG_REF(CheckBox_SpeakerPosition_5), "RL", bit(19), "CheckBox_SpeakerPosition_5r", "RR"},
        {KELM_FLAG_REF(CheckBox_SpeakerPosition_6), "FC", bit(18), nullptr, nullptr},
        {KELM_FLAG_REF(CheckBox_SpeakerPosition_7), "LFE", bit(17), nullptr, nullptr},
        {KELM_FLAG_REF(CheckBox_SpeakerPosition_8), "FL", bit(16), "CheckBox_SpeakerPosition_8r", "FR"},
        {KELM_FLAG_REF(CheckBox_SpeakerPosition_9), "FCH", bit(10), nullptr, nullptr},
        {KELM_FLAG_REF(CheckBox_SpeakerPosition_10), "TC", bit(9), nullptr, nullptr},
        {KELM_FLAG_REF(CheckBox_SpeakerPosition_11), "FLH", bit(8), "CheckBox_SpeakerPosition_11r", "FRH"},
    };
    return boxes;
}

const std::array<SampleRateBit, 7> &sampleRateBits()
{
    static const std::array<SampleRateBit, 7> rates = {{
        {"192kHz", 0x40},
        {"176.4kHz", 0x20},
        {"96kHz", 0x10},
        {"88.2kHz", 0x08},
        {"48kHz", 0x04},
        {"44.1kHz", 0x02},
        {"32kHz", 0x01},
    }};
    return rates;
}

const std::vector<CreatorBitBox> &lpcmSampleSizeBoxes()
{
    static const std::vector<CreatorBitBox> boxes = {
        {KELM_FLAG_REF(CheckBox_AudioLPCM_SamBit_1), "24Bit", 0x04},
        {KELM_FLAG_REF(CheckBox_AudioLPCM_SamBit_2), "20Bit", 0x02},
        {KELM_FLAG_REF(CheckBox_AudioLPCM_SamBit_3), "16Bit", 0x01},
    };
    return boxes;
}

#define KELM_RATES(fmt)                                                                                      \
    {                                                                                                        \
        {                                                                                                    \
            KELM_FLAG_REF(CheckBox_Audio##fmt##_Freq_1), KELM_FLAG_REF(CheckBox_Audio##fmt##_Freq_2),        \
                KELM_FLAG_REF(CheckBox_Audio##fmt##_Freq_3), KELM_FLAG_REF(CheckBox_Audio##fmt##_Freq_4),    \
                KELM_FLAG_REF(CheckBox_Audio##fmt##_Freq_5), KELM_FLAG_REF(CheckBox_Audio##fmt##_Freq_6),    \
                KELM_FLAG_REF(CheckBox_Audio##fmt##_Freq_7)                                                  \
        }                                                                                                    \
    }

const std::vector<AudioFormatRow> &audioFormatRows()
{
    static const std::vector<AudioFormatRow> rows = {
        {1,
         KELM_FLAG_REF(CheckBox_AudioFormat_1),
         "Basic",
         "L-PCM 2 channels",
         "LPCM",
         0x0001,
         1,
         0x09,
         0,
         0,
         0,
         false,
         KELM_TEXT_REF(Edit_AudioLPCM_MaxCh),
         KELM_RATES(LPCM),
         {},
         {},
         nullptr},
        {2,
         KELM_FLAG_REF(CheckBox_AudioFormat_2),
         "Multichannel",
         "L-PCM multichannel",
         "LPCM",
         0x0002,
         1,
         0x08,
         0,
         0,
         0,
         false,
         KELM_TEXT_REF(Edit_AudioLPCM_MaxCh),
         KELM_RATES(LPCM),
         {},
         {},
         nullptr},
        {3, KELM_FLAG_REF(CheckBox_AudioFormat_3), "Yes", "Dolby Digital", "AC3", 0x0004, 2, 0x10, 5, 0x07,
         80, true, KELM_TEXT_REF(Edit_AudioAC3_MaxCh), KELM_RATES(AC3), KELM_TEXT_REF(Edit_AudioAC3_BitRate),
         KELM_FLAG_REF(CheckBox_AudDetial_AC3), "     Dolby Digital"},
        {4,
         KELM_FLAG_REF(CheckBox_AudioFormat_4),
         "Yes",
         "Dolby Digital+",
         "EAC3",
         0x0008,
         10,
         0x50,
         7,
         0x06,
         0,
         false,
         KELM_TEXT_REF(Edit_AudioEAC3_MaxCh),
         KELM_RATES(EAC3),
         {},
         KELM_FLAG_REF(CheckBox_AudDetial_EAC3),
         "     Dolby Digital+"},
        {5,
         KELM_FLAG_REF(CheckBox_AudioFormat_5),
         "Yes",
         "Dolby TrueHD",
         "MAT",
         0x0010,
         12,
         0x60,
         7,
         0x7E,
         0,
         false,
         KELM_TEXT_REF(Edit_AudioMAT_MaxCh),
         KELM_RATES(MAT),
         {},
         KELM_FLAG_REF(CheckBox_AudDetial_MAT),
         "     Dolby TrueHD"},
        {6, KELM_FLAG_REF(CheckBox_AudioFormat_6), "Yes", "DTS", "DTS", 0x0020, 7, 0x38, 6, 0x1E, 192, true,
         KELM_TEXT_REF(Edit_AudioDTS_MaxCh), KELM_RATES(DTS), KELM_TEXT_REF(Edit_AudioDTS_BitRate),
         KELM_FLAG_REF(CheckBox_AudDetial_DTS), "     DTS"},
        {7,
         KELM_FLAG_REF(CheckBox_AudioFormat_7),
         "Yes",
         "DTS HD",
         "DTSHD",
         0x0040,
         11,
         0x58,
         7,
         0x7E,
         1,
         false,
         KELM_TEXT_REF(Edit_AudioDTSHD_MaxCh),
         KELM_RATES(DTSHD),
         {},
         KELM_FLAG_REF(CheckBox_AudDetial_DTSHD),
         "     DTS HD"},
        {8, KELM_FLAG_REF(CheckBox_AudioFormat_8), "Yes", "AAC LC", "AAC", 0x0080, 6, 0x30, 5, 0x06, 60, true,
         KELM_TEXT_REF(Edit_AudioAAC_MaxCh), KELM_RATES(AAC), KELM_TEXT_REF(Edit_AudioAAC_BitRate),
         KELM_FLAG_REF(CheckBox_AudDetial_AAC), "     AAC LC"},
        {9,
         KELM_FLAG_REF(CheckBox_AudioFormat_9),
         "Yes",
         "One Bit Audio",
         "OBA",
         0x0100,
         9,
         0x48,
         5,
         0x02,
         0,
         false,
         KELM_TEXT_REF(Edit_AudioOBA_MaxCh),
         KELM_RATES(OBA),
         {},
         KELM_FLAG_REF(CheckBox_AudDetial_OBA),
         "     One Bit Audio"},
    };
    return rows;
}

#undef KELM_RATES

const AudioFormatRow *audioFormatByNumber(int number)
{
    const auto &rows = audioFormatRows();
    return number >= 1 && number <= int(rows.size()) ? &rows[size_t(number - 1)] : nullptr;
}

const AudioFormatRow *audioFormatByCode(uint8_t code)
{
    if (code == 1)
        return nullptr; // L-PCM has two rows; its descriptors are told apart by channel count
    for (const AudioFormatRow &row : audioFormatRows())
        if (row.code == code)
            return &row;
    return nullptr;
}

const std::vector<CreatorDetailRow> &creatorDetailRows()
{
    static const std::vector<CreatorDetailRow> rows = {
        {"CheckBox_AudDetial_AC3", "     Dolby Digital", "CheckBox_AudioFormat_3", 110, 23},
        {"CheckBox_AudDetial_EAC3", "     Dolby Digital+", "CheckBox_AudioFormat_4", 110, 23},
        {"CheckBox_AudDetial_MAT", "     Dolby TrueHD", "CheckBox_AudioFormat_5", 110, 23},
        {"CheckBox_AudDetial_DTS", "     DTS", "CheckBox_AudioFormat_6", 110, 23},
        {"CheckBox_AudDetial_DTSHD", "     DTS HD", "CheckBox_AudioFormat_7", 110, 23},
        {"CheckBox_AudDetial_AAC", "     AAC LC", "CheckBox_AudioFormat_8", 110, 23},
        {"CheckBox_AudDetial_OBA", "     One Bit Audio", "CheckBox_AudioFormat_9", 110, 23},
        {"CheckBox_HDR_Detial", "     HDR", nullptr, 156, 23},
    };
    return rows;
}

const std::vector<CreatorBitBox> &colorSpaceBoxes()
{
    static const std::vector<CreatorBitBox> boxes = {
        {KELM_FLAG_REF(CheckBox_ColorSpace_1), "4:4:4", 0x20},
        {KELM_FLAG_REF(CheckBox_ColorSpace_2), "4:2:2", 0x10},
        {KELM_FLAG_REF(CheckBox_ColorSpace_3), "4:2:0", 0x00},
    };
    return boxes;
}

const std::vector<CreatorBitBox> &colorDepthBoxes()
{
    static const std::vector<CreatorBitBox> boxes = {
        {KELM_FLAG_REF(CheckBox_ColorDepth_1), "16Bit", 0x40},
        {KELM_FLAG_REF(CheckBox_ColorDepth_2), "12Bit", 0x20},
        {KELM_FLAG_REF(CheckBox_ColorDepth_3), "10Bit", 0x10},
    };
    return boxes;
}

const std::vector<CreatorBitBox> &colorimetryBoxes()
{
    static const std::vector<CreatorBitBox> boxes = {
        {KELM_FLAG_REF(CheckBox_Colorimetry_1), "RGB", 0x80},
        {KELM_FLAG_REF(CheckBox_Colorimetry_2), "YCC", 0x40},
        {KELM_FLAG_REF(CheckBox_Colorimetry_3), "cYCC", 0x20},
        {KELM_FLAG_REF(CheckBox_Colorimetry_4), "AdobeRGB", 0x10},
        {KELM_FLAG_REF(CheckBox_Colorimetry_5), "AdobeYCC601", 0x08},
        {KELM_FLAG_REF(CheckBox_Colorimetry_6), "sYCC601", 0x04},
        {KELM_FLAG_REF(CheckBox_Colorimetry_7), "xvYCC709", 0x02},
        {KELM_FLAG_REF(CheckBox_Colorimetry_8), "xvYCC601", 0x01},
    };
    return boxes;
}

const std::vector<CreatorBitBox> &hdrDepthBoxes()
{
    static const std::vector<CreatorBitBox> boxes = {
        {KELM_FLAG_REF(CheckBox_HDR_1), "16Bit", 0x04},
        {KELM_FLAG_REF(CheckBox_HDR_2), "12Bit", 0x02},
        {KELM_FLAG_REF(CheckBox_HDR_3), "10Bit", 0x01},
    };
    return boxes;
}

const std::vector<CreatorBitBox> &hdrEotfBoxes()
{
    static const std::vector<CreatorBitBox> boxes = {
        {KELM_FLAG_REF(CheckBox_HDR_EOTF_1), "SMPTE ST 2084", 0x04},
        {KELM_FLAG_REF(CheckBox_HDR_EOTF_2), "HDR Luminance Range", 0x02},
        {KELM_FLAG_REF(CheckBox_HDR_EOTF_3), "SDR Luminance Range", 0x01},
    };
    return boxes;
}

const std::vector<CreatorBitBox> &hdrDescriptorBoxes()
{
    static const std::vector<CreatorBitBox> boxes = {
        {KELM_FLAG_REF(CheckBox_HDR_Despt_1), "Type 1", 0x01},
    };
    return boxes;
}

const std::vector<CreatorEdit> &hdrLuminanceEdits()
{
    static const std::vector<CreatorEdit> edits = {
        {KELM_TEXT_REF(Edit_HDR_DCLD_1), "Max Luminance"},
        {KELM_TEXT_REF(Edit_HDR_DCLD_2), "Max Frame-avg Luminance"},
        {KELM_TEXT_REF(Edit_HDR_DCLD_3), "Min Luminance"},
    };
    return edits;
}

const std::vector<CreatorEdit> &descriptorEdits()
{
    static const std::vector<CreatorEdit> edits = {
        {KELM_TEXT_REF(Edit_Creator_Manufac_Name), "Manufacturer Name"},
        {KELM_TEXT_REF(Edit_Creator_Monitor_Name), "Monitor Name"},
        {KELM_TEXT_REF(Edit_Creator_Product_Code), "Product Code"},
        {KELM_TEXT_REF(Edit_Creator_Serial_Number), "Serial Number"},
        {KELM_TEXT_REF(Edit_Creator_Manufac_Year), "Manufacture Year"},
        {KELM_TEXT_REF(Edit_Creator_Manufac_Week), "Manufacture Week"},
        {KELM_TEXT_REF(Edit_Creator_CEC_Address), "CEC Address"},
    };
    return edits;
}
