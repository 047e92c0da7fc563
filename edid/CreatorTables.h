#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "edid/CreatorState.h"

// What every EDID Creator control means in the EDID. The creator page builds its widgets from these
// tables (objectName and caption), and the loader and builder take bits, codes and defaults from
// them, so each meaning is written down once.

// A control of the state by name, with the member that holds its value.
struct CreatorFlagRef
{
    const char *name = nullptr;
    bool CreatorState::*member = nullptr;
};
struct CreatorTextRef
{
    const char *name = nullptr;
    std::string CreatorState::*member = nullptr;
};
#define KELM_FLAG_REF(n)                                                                                     \
    CreatorFlagRef                                                                                           \
    {                                                                                                        \
#n, &CreatorState::n                                                                                 \
    }
#define KELM_TEXT_REF(n)                                                                                     \
    CreatorTextRef                                                                                           \
    {                                                                                                        \
#n, &CreatorState::n                                                                                 \
    }

// A check box that stands for one bit (or mask) of a record field.
struct CreatorBitBox
{
    CreatorFlagRef box;
    const char *caption;
    uint32_t bit;
};

// PC Timing: boxes 1-17, bit of establishedTimings (bit 23 = bit 7 of EDID byte 35).
const std::vector<CreatorBitBox> &establishedTimingBoxes();

// PC Timing: boxes 1-5, the 16-bit standard timing code (first EDID byte high) in `bit`.
const std::vector<CreatorBitBox> &standardTimingBoxes();

// SD/HD/UHD: the video boxes in the order the builder visits them (CreatorVicList).
struct VideoIdCodeBox
{
    CreatorFlagRef box;
    const char *group;   // the resolution row on the page ("480i", ..., "4K")
    const char *caption; // the rate ("60Hz")
    uint8_t vic;
    uint8_t hdmiVic; // HDMI_VIC the builder lists for the box (4K at 24, 25, 30 Hz), else 0
};
const std::vector<VideoIdCodeBox> &videoIdCodeBoxes();
// The YCbCr 4:2:0 boxes (CreatorY420List): 96 and 97.
const std::vector<VideoIdCodeBox> &yuv420Boxes();
// The box a HDMI_VIC (1-4) of an image checks: 1 -> 95, 2 -> 94, 3 and 4 -> 93; 0 for others.
uint8_t vicForHdmiVic(uint8_t hdmiVic);

// Audio1: speaker boxes 1-11, bit of speakerAllocation (bits 23-16 = first payload byte). A box
// that stands for a left/right pair has a mirror box on the page, which only follows it.
struct SpeakerBox
{
    CreatorFlagRef box;
    const char *caption;
    uint32_t bit;
    const char *mirrorName;    // nullptr for single speakers
    const char *mirrorCaption; // the right-hand position ("FRW")
};
const std::vector<SpeakerBox> &speakerBoxes();

// Sample rate boxes _Freq_1 to _7 (every format): caption and bit of the descriptor's second byte.
struct SampleRateBit
{
    const char *caption;
    uint8_t bit;
};
const std::array<SampleRateBit, 7> &sampleRateBits();

// L-PCM sample size boxes, bit of the L-PCM descriptor's third byte.
const std::vector<CreatorBitBox> &lpcmSampleSizeBoxes();

// Audio formats, CheckBox_AudioFormat_1 to _9 in number order. Format 2 (multichannel L-PCM) has a
// hidden box that is never read; it follows Edit_AudioLPCM_MaxCh.
struct AudioFormatRow
{
    int number;          // N of CheckBox_AudioFormat_N
    CreatorFlagRef box;  // the "Yes" box (Basic for N = 1)
    const char *caption; // caption of the box
    const char *format;  // the format's name
    const char *key;     // the control-name part: "LPCM", "AC3", ...
    uint16_t flag;       // AudioFormatFlags bit
    uint8_t code;        // audio format code (bits 6-3 of the first descriptor byte)
    uint8_t firstByte;   // first descriptor byte when the format is added
    // Used when the format's MaxCh edit is 0 or less (compressed formats only).
    uint8_t defaultChannelBits;
    uint8_t defaultRates;
    uint8_t defaultThirdByte;
    bool thirdByteIsBitRate; // AC-3, DTS, AAC: third byte = maximum bit rate / 8 kHz
    CreatorTextRef maxChannels;
    std::array<CreatorFlagRef, 7> rates;
    CreatorTextRef bitRate; // name nullptr when the format has none
    CreatorFlagRef detail;  // the "For Detail" box; name nullptr for L-PCM
    const char *rowCaption; // caption of the collapsing row on Audio2
};
const std::vector<AudioFormatRow> &audioFormatRows();
// The row of CheckBox_AudioFormat_N, or of the compressed format with that audio format code.
const AudioFormatRow *audioFormatByNumber(int number);
const AudioFormatRow *audioFormatByCode(uint8_t code);

// Collapsing rows of Audio2 and Color Space: the "For Detail" box opens its row.
struct CreatorDetailRow
{
    const char *detailName;
    const char *rowCaption;
    const char *yesName; // the format's "Yes" box; nullptr for HDR
    int openHeight;
    int closedHeight;
};
const std::vector<CreatorDetailRow> &creatorDetailRows();

// Color Space page.
const std::vector<CreatorBitBox> &colorSpaceBoxes();    // ctaByte3 bit; 4:2:0 (bit 0) sets y420Present
const std::vector<CreatorBitBox> &colorDepthBoxes();    // hdmiVsdbByte6 bit
const std::vector<CreatorBitBox> &colorimetryBoxes();   // colorimetry[0] bit
const std::vector<CreatorBitBox> &hdrDepthBoxes();      // hdrColorDepths bit (HDMI Forum 4:2:0 deep colour)
const std::vector<CreatorBitBox> &hdrEotfBoxes();       // hdrStatic[0] bit
const std::vector<CreatorBitBox> &hdrDescriptorBoxes(); // hdrStatic[1] bit ("Type 1")
struct CreatorEdit
{
    CreatorTextRef edit;
    const char *caption;
};
const std::vector<CreatorEdit> &hdrLuminanceEdits(); // hdrStatic[2], [3], [4]

// Descriptor and Others pages: the edits with their captions.
const std::vector<CreatorEdit> &descriptorEdits();
