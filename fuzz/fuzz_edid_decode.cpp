// EDID images from outside (files, device slots) into the decoder and the summary. Each input is
// tried as read (mostly failing validation) and with header and checksums made valid, so that
// the data block walk sees every mutation.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "edid/EdidBinFile.h"
#include "edid/EdidDecoder.h"
#include "edid/EdidSummary.h"

namespace {
void check(const EdidImage &img)
{
    EdidFeatureRecord r;
    const bool ok = decodeEdid(r, img);
    const EdidSummary s = summaryOfRecord(r);
    if (ok != ((r.status & EdidStatus::ErrorMask) == 0) || ok != s.valid())
        std::abort();
    if (r.monitorName[13] != 0 || r.maxResolutionName[11] != 0 || r.threeDLength > kMaxThreeDData)
        std::abort();
    if (ok && s.answer(SummaryAnswer::AudioFormats).size() > 80)
        std::abort();
    // The audio list is data: its line break is the window's to add.
    if (s.answer(SummaryAnswer::AudioFormats).find_first_of("\r\n") != std::string::npos)
        std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    EdidImage img = edidImageFromBytes(data, size);
    check(img);
    static const std::uint8_t header[8] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
    std::memcpy(img.data(), header, sizeof header);
    if (img[126] > 1)
        img[126] = 1;
    setEdidChecksums(img);
    check(img);
    return 0;
}
