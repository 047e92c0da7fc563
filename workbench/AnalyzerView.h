#pragma once

// How the EDID Analyzer window shows an analysis summary: the row of each answer (caption and
// label), the audio list wrapped once into a row of one or two lines, and the Modify picture.
// Qt-free, so the mapping can be checked without a window.

#include <array>
#include <string>
#include <vector>

#include "edid/EdidSummary.h"

struct AnalyzerRow
{
    SummaryAnswer answer;
    const char *caption;   // "    EDID Header :"
    const char *labelName; // "Label_Edid_Header"
};
// The rows top to bottom.
extern const std::array<AnalyzerRow, kSummaryAnswerCount> kAnalyzerRows;

// The audio row (Panel10): one line high, or two once the list wrapped.
inline constexpr int kAudioRowOneLine = 23;
inline constexpr int kAudioRowTwoLines = 38;

struct AudioFormatsText
{
    std::string text; // may hold one CR LF (the single wrap)
    int rowHeight = kAudioRowOneLine;
};
// Appends one audio item, wrapping once (CR LF, row to two lines) when the text so far is longer
// than 30 characters and the row is still one line high.
void appendAudioFormatText(AudioFormatsText &shown, const std::string &item);

// What the window shows for a summary: each label's text (as set, the wrap a bare LF), the audio
// row's height and the Modify picture's name.
struct AnalyzerView
{
    struct Label
    {
        const char *labelName;
        std::string text;
    };
    std::vector<Label> labels; // in the rows' order
    int audioRowHeight = kAudioRowOneLine;
    const char *modifyGlyph = "ModifyGray"; // "ModifyColor" for a valid image
};
AnalyzerView analyzerView(const EdidSummary &summary);
