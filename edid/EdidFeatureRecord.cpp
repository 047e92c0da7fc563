#include "edid/EdidFeatureRecord.h"

const std::array<VicName, kVicNameCount + 1> VicNameTable = {{
    {102, "2160p@60Hz"}, {97, "2160p@60Hz"}, {101, "2160p@50Hz"}, {96, "2160p@50Hz"}, {100, "2160p@30Hz"},
    {95, "2160p@30Hz"},  {99, "2160p@25Hz"}, {94, "2160p@25Hz"},  {98, "2160p@24Hz"}, {93, "2160p@24Hz"},
    {16, "1080p@60Hz"},  {31, "1080p@50Hz"}, {34, "1080p@30Hz"},  {33, "1080p@25Hz"}, {32, "1080p@24Hz"},
    {5, "1080i@60Hz"},   {20, "1080i@50Hz"}, {4, "720p@60Hz"},    {19, "720p@50Hz"},  {18, "576p@50Hz"},
    {17, "576p@50Hz"},   {22, "576i@50Hz"},  {21, "576i@50Hz"},   {3, "480p@60Hz"},   {2, "480p@60Hz"},
    {1, "480p@60Hz"},    {0, "Reserved"},
}};

std::uint16_t audioFormatFlagOf(std::uint8_t sadByte0)
{
    switch ((sadByte0 >> 3) & 0x0F) {
    case 1:
        return audioChannelsOf(sadByte0) <= 2 ? AudioFormatFlags::Lpcm2 : AudioFormatFlags::LpcmMulti;
    case 2:
        return AudioFormatFlags::Ac3;
    case 10:
        return AudioFormatFlags::EnhancedAc3;
    case 12:
        return AudioFormatFlags::Mat;
    case 7:
        return AudioFormatFlags::Dts;
    case 11:
        return AudioFormatFlags::DtsHd;
    case 6:
        return AudioFormatFlags::AacLc;
    case 9:
        return AudioFormatFlags::OneBitAudio;
    default:
        return 0;
    }
}

bool validateEdidImage(EdidFeatureRecord &record)
{
    const EdidStatusWord error = edidValidationError(record.image);
    record.status |= error;
    return error == 0;
}
