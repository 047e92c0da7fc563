#include "firmware/FirmwareImage.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>

namespace firmware {

namespace {

// A fixed-width text field: its characters up to the first NUL.
std::string fieldText(const std::uint8_t *bytes, std::size_t width)
{
    std::string out;
    for (std::size_t i = 0; i < width && bytes[i] != 0; ++i)
        out.push_back(static_cast<char>(bytes[i]));
    return out;
}

} // namespace

std::optional<FirmwareVersionRecord> parseVersionRecord(std::span<const std::uint8_t> image)
{
    if (image.size() < kVersionRecordOffset + kVersionMarker.size())
        return std::nullopt;
    std::uint8_t record[kVersionRecordSize] = {};
    const std::size_t have = std::min(kVersionRecordSize, image.size() - kVersionRecordOffset);
    std::copy_n(image.begin() + kVersionRecordOffset, have, record);
    if (!std::equal(kVersionMarker.begin(), kVersionMarker.end(), record))
        return std::nullopt;
    // The version field may fill all 8 bytes without a NUL; it must not run on into VID and PID.
    return FirmwareVersionRecord{fieldText(record + 8, 8), fieldText(record + 16, 4),
                                 fieldText(record + 20, 4)};
}

std::string targetLine(const FirmwareVersionRecord &r)
{
    return "Target :   VID-" + r.vid.substr(0, 4) + "     PID-" + r.pid.substr(0, 4) + "     Version-" +
           r.version;
}

std::optional<std::vector<std::uint8_t>> readImageFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad())
        return std::nullopt;
    return bytes;
}

std::uint32_t chunkSize(IspVariant variant)
{
    return variant == IspVariant::Isp029 ? 64 : 128;
}

std::vector<std::uint8_t> addressPayload(IspVariant variant, std::uint32_t a)
{
    if (variant == IspVariant::Isp029)
        return {static_cast<std::uint8_t>(a >> 8), static_cast<std::uint8_t>(a)};
    return {static_cast<std::uint8_t>(a >> 24), static_cast<std::uint8_t>(a >> 16),
            static_cast<std::uint8_t>(a >> 8), static_cast<std::uint8_t>(a)};
}

std::vector<std::uint8_t> chunkAt(std::span<const std::uint8_t> image, std::uint32_t address,
                                  std::uint32_t size)
{
    std::vector<std::uint8_t> out(size, 0xFF);
    if (address < image.size()) {
        const std::size_t n = std::min<std::size_t>(size, image.size() - address);
        std::copy_n(image.begin() + address, n, out.begin());
    }
    return out;
}

std::uint16_t addToBlockSum(std::uint16_t sum, std::span<const std::uint8_t> bytes)
{
    for (std::uint8_t b : bytes)
        sum = static_cast<std::uint16_t>(sum + b);
    return sum;
}

std::string blockSumText(std::uint16_t sum)
{
    char text[8];
    std::snprintf(text, sizeof text, "%05u", static_cast<unsigned>(sum));
    return text;
}

std::string blockMismatchLine(std::uint32_t blockEndAddress, std::string_view deviceText)
{
    char address[16];
    std::snprintf(address, sizeof address, "%x", static_cast<unsigned>(blockEndAddress));
    std::string check(deviceText);
    if (check.size() < 4)
        check.insert(0, 4 - check.size(), ' ');
    return std::string("Warnning: Add:") + address + ", Check:" + check;
}

std::string sizeRefusal(IspVariant variant, std::size_t imageLength)
{
    if (variant == IspVariant::Isp029 && imageLength > kVariant1MaxImage)
        return "Fw Too Large (64KB Max).";
    return {};
}

int progressPercent(std::uint32_t address, std::size_t imageLength)
{
    if (imageLength == 0)
        return 100;
    return static_cast<int>(static_cast<std::uint64_t>(address) * 100 / imageLength);
}

UploadSequencer::UploadSequencer(IspVariant variant, std::span<const std::uint8_t> image)
    : m_variant(variant), m_image(image), m_chunk(chunkSize(variant))
{
}

UploadStep UploadSequencer::next(std::string_view rx)
{
    UploadStep step;
    const bool v2 = m_variant == IspVariant::Isp091;

    switch (m_state) {
    case State::SendAddress:
        step.kind = UploadStep::Kind::Address;
        step.payload = addressPayload(m_variant, m_address);
        m_state = State::SendData;
        return step;

    case State::SendData:
        step.kind = UploadStep::Kind::Data;
        step.payload = chunkAt(m_image, m_address, m_chunk);
        if (v2) {
            if (m_address % kBlockSize == 0)
                step.pauseAfterMs = 100;
            m_blockSum = addToBlockSum(m_blockSum, step.payload);
            if (m_address != 0 && (m_address + m_chunk) % kBlockSize == 0) {
                m_state = State::CheckBlock;
                return step;
            }
        }
        m_address += m_chunk;
        if (m_address < m_image.size()) {
            step.percent = progressPercent(m_address, m_image.size());
            m_state = State::SendAddress;
        } else {
            m_state = State::SendEnd;
        }
        return step;

    case State::CheckBlock: {
        const std::size_t at = rx.find("$CHK");
        if (at == std::string_view::npos) {
            step.kind = UploadStep::Kind::Check;
            return step;
        }
        const std::string_view answer = rx.substr(at + 4);
        if (answer.size() < 5 && answer.find('\n') == std::string_view::npos) {
            // The answer is still arriving; judge it once its digits or its line end are in.
            step.kind = UploadStep::Kind::Wait;
            return step;
        }
        step.kind = UploadStep::Kind::Verdict;
        if (answer.substr(0, 5) == blockSumText(m_blockSum)) {
            m_mismatches = 0;
            m_address += m_chunk;
            // A block that ends the image is followed by the end at once, not by a chunk of 0xFF.
            m_state = m_address < m_image.size() ? State::SendAddress : State::SendEnd;
        } else {
            step.warning =
                blockMismatchLine(m_address + m_chunk, answer.substr(0, answer.find_first_of("\r\n")));
            m_address -= kBlockSize - m_chunk;
            m_state = State::SendAddress;
            // A loader that keeps summing the block differently would be asked for ever.
            if (++m_mismatches >= kMaxBlockMismatches) {
                step.giveUp = true;
                m_state = State::Failed;
            }
        }
        m_blockSum = 0;
        return step;
    }

    case State::Failed:
        step.kind = UploadStep::Kind::Verdict;
        step.giveUp = true;
        return step;
    case State::SendEnd:
    case State::Done:
        break;
    }
    step.kind = UploadStep::Kind::End;
    step.percent = 100;
    step.pauseBeforeMs = v2 ? 50 : 0;
    m_state = State::Done;
    return step;
}

} // namespace firmware
