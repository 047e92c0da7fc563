#pragma once

#include <string>
#include <string_view>
#include <vector>

// The values of the EDID Creator controls: one member per control, named after the control's
// objectName (check and radio boxes as flags, edit fields as their texts, one byte per character
// as the EDID stores them: Latin-1). The loader writes it, the builder reads it, the consistency
// rules and field checks test it; the creator page copies its widgets into it and back. The member
// lists below are the one place the names are spelled; the name registry (JSON, kelmctl, the
// page's findChild lookups) is generated from them.

// clang-format off
// Check boxes and radio buttons, in page order.
#define KELM_CREATOR_FLAGS(X)                                                                                \
    /* PC Timing */                                                                                          \
    X(CheckBox_EstablishTiming_1)                                                                            \
    X(CheckBox_EstablishTiming_2)                                                                            \
    X(CheckBox_EstablishTiming_3)                                                                            \
    X(CheckBox_EstablishTiming_4)                                                                            \
    X(CheckBox_EstablishTiming_5)                                                                            \
    X(CheckBox_EstablishTiming_6)                                                                            \
    X(CheckBox_EstablishTiming_7)                                                                            \
    X(CheckBox_EstablishTiming_8)                                                                            \
    X(CheckBox_EstablishTiming_9)                                                                            \
    X(CheckBox_EstablishTiming_10)                                                                           \
    X(CheckBox_EstablishTiming_11)                                                                           \
    X(CheckBox_EstablishTiming_12)                                                                           \
    X(CheckBox_EstablishTiming_13)                                                                           \
    X(CheckBox_EstablishTiming_14)                                                                           \
    X(CheckBox_EstablishTiming_15)                                                                           \
    X(CheckBox_EstablishTiming_16)                                                                           \
    X(CheckBox_EstablishTiming_17)                                                                           \
    X(CheckBox_StandardTiming_1)                                                                             \
    X(CheckBox_StandardTiming_2)                                                                             \
    X(CheckBox_StandardTiming_3)                                                                             \
    X(CheckBox_StandardTiming_4)                                                                             \
    X(CheckBox_StandardTiming_5)                                                                             \
    /* SD/HD/UHD */                                                                                          \
    X(CheckBox_VideoIdCode_6)                                                                                \
    X(CheckBox_VideoIdCode_3)                                                                                \
    X(CheckBox_VideoIdCode_21)                                                                               \
    X(CheckBox_VideoIdCode_18)                                                                               \
    X(CheckBox_VideoIdCode_60)                                                                               \
    X(CheckBox_VideoIdCode_61)                                                                               \
    X(CheckBox_VideoIdCode_62)                                                                               \
    X(CheckBox_VideoIdCode_19)                                                                               \
    X(CheckBox_VideoIdCode_4)                                                                                \
    X(CheckBox_VideoIdCode_20)                                                                               \
    X(CheckBox_VideoIdCode_5)                                                                                \
    X(CheckBox_VideoIdCode_32)                                                                               \
    X(CheckBox_VideoIdCode_33)                                                                               \
    X(CheckBox_VideoIdCode_34)                                                                               \
    X(CheckBox_VideoIdCode_31)                                                                               \
    X(CheckBox_VideoIdCode_16)                                                                               \
    X(CheckBox_VideoIdCode_93)                                                                               \
    X(CheckBox_VideoIdCode_94)                                                                               \
    X(CheckBox_VideoIdCode_95)                                                                               \
    X(CheckBox_VideoIdCode_96)                                                                               \
    X(CheckBox_VideoIdCode_97)                                                                               \
    X(CheckBox_YUV420VDB_96)                                                                                 \
    X(CheckBox_YUV420VDB_97)                                                                                 \
    /* Audio1 */                                                                                             \
    X(CheckBox_SpeakerPosition_1)                                                                            \
    X(CheckBox_SpeakerPosition_2)                                                                            \
    X(CheckBox_SpeakerPosition_3)                                                                            \
    X(CheckBox_SpeakerPosition_4)                                                                            \
    X(CheckBox_SpeakerPosition_5)                                                                            \
    X(CheckBox_SpeakerPosition_6)                                                                            \
    X(CheckBox_SpeakerPosition_7)                                                                            \
    X(CheckBox_SpeakerPosition_8)                                                                            \
    X(CheckBox_SpeakerPosition_9)                                                                            \
    X(CheckBox_SpeakerPosition_10)                                                                           \
    X(CheckBox_SpeakerPosition_11)                                                                           \
    X(CheckBox_AudioLPCM_Freq_1)                                                                             \
    X(CheckBox_AudioLPCM_Freq_2)                                                                             \
    X(CheckBox_AudioLPCM_Freq_3)                                                                             \
    X(CheckBox_AudioLPCM_Freq_4)                                                                             \
    X(CheckBox_AudioLPCM_Freq_5)                                                                             \
    X(CheckBox_AudioLPCM_Freq_6)                                                                             \
    X(CheckBox_AudioLPCM_Freq_7)                                                                             \
    X(CheckBox_AudioLPCM_SamBit_1)                                                                           \
    X(CheckBox_AudioLPCM_SamBit_2)                                                                           \
    X(CheckBox_AudioLPCM_SamBit_3)                                                                           \
    X(CheckBox_AudioFormat_1)                                                                                \
    X(CheckBox_AudioFormat_2)                                                                                \
    /* Audio2 */                                                                                             \
    X(CheckBox_AudioFormat_3)                                                                                \
    X(CheckBox_AudDetial_AC3)                                                                                \
    X(CheckBox_AudioAC3_Freq_1)                                                                              \
    X(CheckBox_AudioAC3_Freq_2)                                                                              \
    X(CheckBox_AudioAC3_Freq_3)                                                                              \
    X(CheckBox_AudioAC3_Freq_4)                                                                              \
    X(CheckBox_AudioAC3_Freq_5)                                                                              \
    X(CheckBox_AudioAC3_Freq_6)                                                                              \
    X(CheckBox_AudioAC3_Freq_7)                                                                              \
    X(CheckBox_AudioFormat_4)                                                                                \
    X(CheckBox_AudDetial_EAC3)                                                                               \
    X(CheckBox_AudioEAC3_Freq_1)                                                                             \
    X(CheckBox_AudioEAC3_Freq_2)                                                                             \
    X(CheckBox_AudioEAC3_Freq_3)                                                                             \
    X(CheckBox_AudioEAC3_Freq_4)                                                                             \
    X(CheckBox_AudioEAC3_Freq_5)                                                                             \
    X(CheckBox_AudioEAC3_Freq_6)                                                                             \
    X(CheckBox_AudioEAC3_Freq_7)                                                                             \
    X(CheckBox_AudioFormat_5)                                                                                \
    X(CheckBox_AudDetial_MAT)                                                                                \
    X(CheckBox_AudioMAT_Freq_1)                                                                              \
    X(CheckBox_AudioMAT_Freq_2)                                                                              \
    X(CheckBox_AudioMAT_Freq_3)                                                                              \
    X(CheckBox_AudioMAT_Freq_4)                                                                              \
    X(CheckBox_AudioMAT_Freq_5)                                                                              \
    X(CheckBox_AudioMAT_Freq_6)                                                                              \
    X(CheckBox_AudioMAT_Freq_7)                                                                              \
    X(CheckBox_AudioFormat_6)                                                                                \
    X(CheckBox_AudDetial_DTS)                                                                                \
    X(CheckBox_AudioDTS_Freq_1)                                                                              \
    X(CheckBox_AudioDTS_Freq_2)                                                                              \
    X(CheckBox_AudioDTS_Freq_3)                                                                              \
    X(CheckBox_AudioDTS_Freq_4)                                                                              \
    X(CheckBox_AudioDTS_Freq_5)                                                                              \
    X(CheckBox_AudioDTS_Freq_6)                                                                              \
    X(CheckBox_AudioDTS_Freq_7)                                                                              \
    X(CheckBox_AudioFormat_7)                                                                                \
    X(CheckBox_AudDetial_DTSHD)                                                                              \
    X(CheckBox_AudioDTSHD_Freq_1)                                                                            \
    X(CheckBox_AudioDTSHD_Freq_2)                                                                            \
    X(CheckBox_AudioDTSHD_Freq_3)                                                                            \
    X(CheckBox_AudioDTSHD_Freq_4)                                                                            \
    X(CheckBox_AudioDTSHD_Freq_5)                                                                            \
    X(CheckBox_AudioDTSHD_Freq_6)                                                                            \
    X(CheckBox_AudioDTSHD_Freq_7)                                                                            \
    X(CheckBox_AudioFormat_8)                                                                                \
    X(CheckBox_AudDetial_AAC)                                                                                \
    X(CheckBox_AudioAAC_Freq_1)                                                                              \
    X(CheckBox_AudioAAC_Freq_2)                                                                              \
    X(CheckBox_AudioAAC_Freq_3)                                                                              \
    X(CheckBox_AudioAAC_Freq_4)                                                                              \
    X(CheckBox_AudioAAC_Freq_5)                                                                              \
    X(CheckBox_AudioAAC_Freq_6)                                                                              \
    X(CheckBox_AudioAAC_Freq_7)                                                                              \
    X(CheckBox_AudioFormat_9)                                                                                \
    X(CheckBox_AudDetial_OBA)                                                                                \
    X(CheckBox_AudioOBA_Freq_1)                                                                              \
    X(CheckBox_AudioOBA_Freq_2)                                                                              \
    X(CheckBox_AudioOBA_Freq_3)                                                                              \
    X(CheckBox_AudioOBA_Freq_4)                                                                              \
    X(CheckBox_AudioOBA_Freq_5)                                                                              \
    X(CheckBox_AudioOBA_Freq_6)                                                                              \
    X(CheckBox_AudioOBA_Freq_7)                                                                              \
    /* Color Space */                                                                                        \
    X(CheckBox_ColorSpace_1)                                                                                 \
    X(CheckBox_ColorSpace_2)                                                                                 \
    X(CheckBox_ColorSpace_3)                                                                                 \
    X(CheckBox_ColorDepth_1)                                                                                 \
    X(CheckBox_ColorDepth_2)                                                                                 \
    X(CheckBox_ColorDepth_3)                                                                                 \
    X(CheckBox_Colorimetry_1)                                                                                \
    X(CheckBox_Colorimetry_2)                                                                                \
    X(CheckBox_Colorimetry_3)                                                                                \
    X(CheckBox_Colorimetry_4)                                                                                \
    X(CheckBox_Colorimetry_5)                                                                                \
    X(CheckBox_Colorimetry_6)                                                                                \
    X(CheckBox_Colorimetry_7)                                                                                \
    X(CheckBox_Colorimetry_8)                                                                                \
    X(CheckBox_HDR_1)                                                                                        \
    X(CheckBox_HDR_2)                                                                                        \
    X(CheckBox_HDR_3)                                                                                        \
    X(CheckBox_HDR_EOTF_1)                                                                                   \
    X(CheckBox_HDR_EOTF_2)                                                                                   \
    X(CheckBox_HDR_EOTF_3)                                                                                   \
    X(CheckBox_HDR_Despt_1)                                                                                  \
    /* Others */                                                                                             \
    X(CheckBox_3D_Present)                                                                                   \
    X(RadioButton_Edid_Fmt_Hdmi)                                                                             \
    X(RadioButton_Edid_Fmt_Dvi)

// Edit fields with the text they hold at start-up.
#define KELM_CREATOR_TEXTS(X)                                                                                \
    /* Descriptor */                                                                                         \
    X(Edit_Creator_Manufac_Name, "")                                                                         \
    X(Edit_Creator_Monitor_Name, "")                                                                         \
    X(Edit_Creator_Product_Code, "")                                                                         \
    X(Edit_Creator_Serial_Number, "")                                                                        \
    X(Edit_Creator_Manufac_Year, "")                                                                         \
    X(Edit_Creator_Manufac_Week, "")                                                                         \
    /* Audio1, Audio2 */                                                                                     \
    X(Edit_AudioLPCM_MaxCh, "0")                                                                             \
    X(Edit_AudioAC3_MaxCh, "0")                                                                              \
    X(Edit_AudioEAC3_MaxCh, "0")                                                                             \
    X(Edit_AudioMAT_MaxCh, "0")                                                                              \
    X(Edit_AudioDTS_MaxCh, "0")                                                                              \
    X(Edit_AudioDTSHD_MaxCh, "0")                                                                            \
    X(Edit_AudioAAC_MaxCh, "0")                                                                              \
    X(Edit_AudioOBA_MaxCh, "0")                                                                              \
    X(Edit_AudioAC3_BitRate, "     0")                                                                       \
    X(Edit_AudioDTS_BitRate, "     0")                                                                       \
    X(Edit_AudioAAC_BitRate, "     0")                                                                       \
    /* Color Space */                                                                                        \
    X(Edit_HDR_DCLD_1, "    0")                                                                              \
    X(Edit_HDR_DCLD_2, "    0")                                                                              \
    X(Edit_HDR_DCLD_3, "    0")                                                                              \
    /* Others */                                                                                             \
    X(Edit_Creator_CEC_Address, "0000")
// clang-format on

struct CreatorState
{
#define KELM_CREATOR_FLAG_MEMBER(name) bool name = false;
    KELM_CREATOR_FLAGS(KELM_CREATOR_FLAG_MEMBER)
#undef KELM_CREATOR_FLAG_MEMBER
#define KELM_CREATOR_TEXT_MEMBER(name, start) std::string name = start;
    KELM_CREATOR_TEXTS(KELM_CREATOR_TEXT_MEMBER)
#undef KELM_CREATOR_TEXT_MEMBER

    CreatorState()
    {
        RadioButton_Edid_Fmt_Hdmi = true;
    }

    bool operator==(const CreatorState &) const = default;

    // Access by control name; nullptr when the name is no flag (or no text) of the state.
    bool *flag(std::string_view name);
    const bool *flag(std::string_view name) const;
    std::string *text(std::string_view name);
    const std::string *text(std::string_view name) const;

    // Sets a check box or radio button. The two format radio buttons exclude each other, as in
    // their group box. Returns false for an unknown name.
    bool setFlag(std::string_view name, bool value);
};

// One entry per control of the state, in page order (flags first, then texts).
struct CreatorField
{
    const char *name;
    bool CreatorState::*flag;        // set for check boxes and radio buttons
    std::string CreatorState::*text; // set for edit fields
    const char *startText;           // edits: the text at start-up
};
const std::vector<CreatorField> &creatorFields();
const CreatorField *findCreatorField(std::string_view name);

// Names of the controls whose values differ between a and b, in page order.
std::vector<std::string> creatorStateDifferences(const CreatorState &a, const CreatorState &b);
