#include "workbench/AnalyzerView.h"

const std::array<AnalyzerRow, kSummaryAnswerCount> kAnalyzerRows = {{
    {SummaryAnswer::Header, "    EDID Header :", "Label_Edid_Header"},
    {SummaryAnswer::Checksum, "    EDID Checksum :", "Label_Edid_Checksum"},
    {SummaryAnswer::Format, "    Content Format :", "Label_Edid_Format"},
    {SummaryAnswer::Manufacturer, "    Manufacturer Name :", "Label_Manufac_Name"},
    {SummaryAnswer::MonitorName, "    Monitor Name :", "Label_Monitor_Name"},
    {SummaryAnswer::MaxResolution, "    Max Resolution :", "Label_Max_Resolution"},
    {SummaryAnswer::MaxColorDepth, "    Max Color Depth :", "Label_Max_ColorDepth"},
    {SummaryAnswer::Support3D, "    Support 3D :", "Label_Support_3D"},
    {SummaryAnswer::SupportYuv420, "    Support YUV420 :", "Label_Support_YUV420"},
    {SummaryAnswer::SupportScdc, "    Support SCDC :", "Label_Support_SCDC"},
    {SummaryAnswer::Support600MHz, "    Support 600MHz :", "Label_Support_600MHz"},
    {SummaryAnswer::SupportHdr, "    Support HDR :", "Label_Support_HDR"},
    {SummaryAnswer::AudioFormats, "    Audio Formats :", "Label_Audio_Formats"},
    {SummaryAnswer::AudioChannels, "    Audio Max Channel :", "Label_Audio_Channel"},
    {SummaryAnswer::CecAddress, "    CEC Address :", "Label_CEC_Address"},
}};

void appendAudioFormatText(AudioFormatsText &shown, const std::string &item)
{
    if (shown.rowHeight < kAudioRowTwoLines && shown.text.size() > 30) {
        shown.text += "\r\n";
        shown.rowHeight = kAudioRowTwoLines;
    }
    shown.text += item;
}

AnalyzerView analyzerView(const EdidSummary &summary)
{
    AnalyzerView view;
    AudioFormatsText audio;
    if (summary.valid()) {
        for (const std::string &item : summary.audioFormatItems)
            appendAudioFormatText(audio, item);
    } else {
        audio.text = summary.answer(SummaryAnswer::AudioFormats);
    }
    for (const AnalyzerRow &row : kAnalyzerRows) {
        std::string text =
            row.answer == SummaryAnswer::AudioFormats ? audio.text : summary.answer(row.answer);
        // A label breaks the line at the LF alone.
        std::erase(text, '\r');
        view.labels.push_back({row.labelName, std::move(text)});
    }
    view.audioRowHeight = audio.rowHeight;
    view.modifyGlyph = summary.valid() ? "ModifyColor" : "ModifyGray";
    return view;
}
