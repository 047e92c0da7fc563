#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "edid/EdidFeatureRecord.h"

// The questions the analysis summary answers, in the order they are listed (the audio answers
// after HDR).
enum class SummaryAnswer : std::uint8_t {
    Header,
    Checksum,
    Format,
    Manufacturer,
    MonitorName,
    MaxResolution,
    MaxColorDepth,
    Support3D,
    SupportYuv420,
    SupportScdc,
    Support600MHz,
    SupportHdr,
    AudioFormats,
    AudioChannels,
    CecAddress,
};
inline constexpr std::size_t kSummaryAnswerCount = 15;

// The question's name without padding or colon: "EDID Header" (kelmctl's JSON keys and captions).
const char *summaryAnswerKey(SummaryAnswer answer);

// The one-line answers about an image, as data: how a window lays them out is its own business.
// Built by summariseEdid, which decodes the image into the given record first.
struct EdidSummary
{
    // One text per question, indexed by SummaryAnswer; "Illegal" and dashes for an invalid image.
    std::array<std::string, kSummaryAnswerCount> answers;
    // The audio formats' items ("2PCM,", "MPCM,", ...) in the list's order; their concatenation is
    // the AudioFormats answer, on one line.
    std::vector<std::string> audioFormatItems;
    // The image passed validation.
    bool imageValid = false;

    bool valid() const { return imageValid; }
    const std::string &answer(SummaryAnswer a) const { return answers[static_cast<std::size_t>(a)]; }
    std::string &answer(SummaryAnswer a) { return answers[static_cast<std::size_t>(a)]; }

    // Every answer in the listed order, with its key.
    struct Row
    {
        SummaryAnswer answer;
        const char *key; // "EDID Header"
        const std::string *text;
    };
    std::vector<Row> rows() const;
};

// Decodes `image` into `record` and returns the answers.
EdidSummary summariseEdid(EdidFeatureRecord &record, const EdidImage &image);
// The answers of an already decoded record (no decode).
EdidSummary summaryOfRecord(const EdidFeatureRecord &record);

// Audio items in the order the summary lists them.
struct AudioFormatItem
{
    std::uint16_t flag;
    const char *item;
};
extern const std::array<AudioFormatItem, 9> AudioFormatItems;
