#include "edid/EdidImage.h"

namespace {
unsigned blockSum(const EdidImage &image, int block, std::size_t count)
{
    unsigned sum = 0;
    const std::size_t base = static_cast<std::size_t>(block) * kEdidBlockSize;
    for (std::size_t i = 0; i < count; ++i)
        sum += image[base + i];
    return sum & 0xFFu;
}
} // namespace

std::uint8_t edidBlockChecksum(const EdidImage &image, int block)
{
    return static_cast<std::uint8_t>((256u - blockSum(image, block, kEdidBlockSize - 1)) & 0xFFu);
}

bool edidBlockSumOk(const EdidImage &image, int block)
{
    return blockSum(image, block, kEdidBlockSize) == 0;
}

void setEdidChecksums(EdidImage &image)
{
    image[127] = edidBlockChecksum(image, 0);
    image[255] = edidBlockChecksum(image, 1);
}

EdidStatusWord edidValidationError(const EdidImage &image)
{
    static constexpr std::uint8_t header[8] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
    for (std::size_t i = 0; i < 8; ++i)
        if (image[i] != header[i])
            return EdidStatus::BadHeader;
    if (!edidBlockSumOk(image, 0))
        return EdidStatus::BadChecksum0;
    if (image[126] > 1)
        return EdidStatus::OverBanks;
    // Without an extension the second half is carried but never judged.
    if (image[126] == 1 && !edidBlockSumOk(image, 1))
        return EdidStatus::BadChecksum1;
    return 0;
}

std::vector<std::string> edidValidationMessages(EdidStatusWord status)
{
    std::vector<std::string> out;
    if (status & EdidStatus::BadHeader)
        out.emplace_back("Illegal Edid Header.");
    if (status & EdidStatus::BadChecksum0)
        out.emplace_back("Illegal Edid CheckSum0.");
    if (status & EdidStatus::BadChecksum1)
        out.emplace_back("Illegal Edid CheckSum1.");
    if (status & EdidStatus::OverBanks)
        out.emplace_back("Edid Over Banks.");
    return out;
}
