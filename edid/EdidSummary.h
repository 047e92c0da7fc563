#pragma once

#include <string>
#include <utility>
#include <vector>

#include "edid/EdidFeatureRecord.h"

// The answers of the "EDID Information" group, one text per label, as the EDID Analyzer window
// shows them. Built by summariseEdid, which decodes the image into the given record first.
struct EdidSummary
{
    std::string Label_Edid_Header;
    std::string Label_Edid_Checksum;
    std::string Label_Edid_Format;
    std::string Label_Manufac_Name;
    std::string Label_Monitor_Name;
    std::string Label_Max_Resolution;
    std::string Label_Max_ColorDepth;
    std::string Label_Support_3D;
    std::string Label_Support_YUV420;
    std::string Label_Support_SCDC;
    std::string Label_Support_600MHz;
    std::string Label_Support_HDR;
    std::string Label_Audio_Formats; // may hold one CR LF (the single wrap)
    std::string Label_Audio_Channel;
    std::string Label_CEC_Address;

    int panel10Height = 23; // Panel10 (the audio row): 23 for one line, 38 for two
    enum class ModifyGlyph { Gray, Color };
    ModifyGlyph modifyGlyph = ModifyGlyph::Gray; // SpeedButton_OpenEdid_Analysis: "ModifyGray"/"ModifyColor"

    bool valid() const { return modifyGlyph == ModifyGlyph::Color; }
    // The bitmap name of the Modify glyph ("ModifyColor" or "ModifyGray").
    const char *modifyGlyphName() const
    {
        return modifyGlyph == ModifyGlyph::Color ? "ModifyColor" : "ModifyGray";
    }

    // One row of the window, in the window's order (the audio rows after HDR).
    struct Row
    {
        const char *caption;   // as shown: "    EDID Header :"
        const char *key;       // without padding and colon: "EDID Header" (kelmctl's JSON keys)
        const char *labelName; // "Label_Edid_Header"
        const std::string *text;
    };
    std::vector<Row> rows() const;
};

// Panel10's heights.
inline constexpr int kPanel10OneLine = 23;
inline constexpr int kPanel10TwoLines = 38;

// Decodes `image` into `record` and returns the label texts.
EdidSummary summariseEdid(EdidFeatureRecord &record, const EdidImage &image);
// The label texts of an already decoded record (no decode).
EdidSummary summaryOfRecord(const EdidFeatureRecord &record);

// Appends one audio item, wrapping once (CR LF, panel to 38) when the text so far is longer than
// 30 characters and the panel is still one line high.
void appendAudioFormatText(EdidSummary &summary, const std::string &text);

// Audio items in the order the summary lists them.
struct AudioFormatItem
{
    std::uint16_t flag;
    const char *item;
};
extern const std::array<AudioFormatItem, 9> AudioFormatItems;
