#pragma once

// Firmware images for the device's ISP loader, and the pure parts of streaming one: chunking,
// the address encodings, block sums and the texts the upload shows. No Qt here, so the fuzzer and
// the tests use it directly.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace firmware {

// The loader's flavour, as the handshake tag names it: "$ISP029" is 1, "$ISP091" is 2.
enum class IspVariant : std::uint8_t { Isp029 = 1, Isp091 = 2 };

// The identity record every acceptable image carries at file offset 512 (it is flashed like any
// other bytes).
struct FirmwareVersionRecord
{
    std::string version; // up to its first NUL, at most 8 characters
    std::string vid;     // up to 4 characters, stops at a NUL
    std::string pid;
};

inline constexpr std::size_t kVersionRecordOffset = 512;
inline constexpr std::size_t kVersionRecordSize = 24;
inline constexpr std::string_view kVersionMarker = "FW VER:";

// The record of an image, or nothing when bytes 512-518 are not "FW VER:". Bytes the image lacks
// past the marker read as NUL.
std::optional<FirmwareVersionRecord> parseVersionRecord(std::span<const std::uint8_t> image);

// "Target :   VID-%.4s     PID-%.4s     Version-%s"
std::string targetLine(const FirmwareVersionRecord &record);

// Reads a whole file as raw bytes; nothing when it cannot be opened or read.
std::optional<std::vector<std::uint8_t>> readImageFile(const std::string &path);

// --- upload geometry ---------------------------------------------------------------------------

inline constexpr std::uint32_t kBlockSize = 2048;
inline constexpr std::uint32_t kVariant1MaxImage = 65536; // 16-bit addresses

std::uint32_t chunkSize(IspVariant variant);

// The FW_ADDR payload: 2 bytes (bits 15-8, 7-0) for variant 1, 4 bytes big-endian for variant 2.
std::vector<std::uint8_t> addressPayload(IspVariant variant, std::uint32_t address);

// The chunk of size bytes at address; bytes past the end of the image are 0xFF.
std::vector<std::uint8_t> chunkAt(std::span<const std::uint8_t> image, std::uint32_t address,
                                  std::uint32_t size);

// Adds bytes to a 16-bit wrapping block sum.
std::uint16_t addToBlockSum(std::uint16_t sum, std::span<const std::uint8_t> bytes);

// The block sum as the device prints it after "$CHK": five decimal digits ("%05d").
std::string blockSumText(std::uint16_t sum);

// The debug log line for a block the device summed differently:
// "Warnning: Add:%x, Check:%04s" from the block's end address and the device's text.
std::string blockMismatchLine(std::uint32_t blockEndAddress, std::string_view deviceText);

// Why an image cannot go to a loader of this variant (variant 1 addresses wrap past 64 KiB and
// would overwrite the start of the flash); empty when it can.
std::string sizeRefusal(IspVariant variant, std::size_t imageLength);

// address * 100 / length, integer division (length > 0).
int progressPercent(std::uint32_t address, std::size_t imageLength);

// --- the upload sequence -----------------------------------------------------------------------

// One step of the upload, as the sender must carry it out. The sequencer decides what to send; the
// caller sends it (through the command sender, with that sender's pauses) and reports the device's
// receive buffer back when the sequencer asks for a block check.
struct UploadStep
{
    enum class Kind {
        Address, // send FW_ADDR with payload
        Data,    // send FW_DATA with payload, then pauseAfterMs, then show percent (if >= 0)
        Check,   // send FW_CHK (no "$CHK" in the receive buffer yet)
        Wait,    // part of a "$CHK" answer is in; nothing to send this pass
        Verdict, // a "$CHK" answer was judged; nothing to send; warning set on a mismatch
        End,     // show "100%", pause pauseBeforeMs, send FW_END; the upload is complete
    };
    Kind kind = Kind::Address;
    std::vector<std::uint8_t> payload;
    int pauseAfterMs = 0;
    int pauseBeforeMs = 0;
    int percent = -1;
    std::string warning; // Verdict: the mismatch line, empty when the sums agreed
    bool giveUp = false; // Verdict: the same block was summed differently too often; the upload fails
};

// Consecutive mismatches of one block after which the upload gives up.
inline constexpr int kMaxBlockMismatches = 5;

class UploadSequencer
{
  public:
    UploadSequencer(IspVariant variant, std::span<const std::uint8_t> image);

    // The next step. rx is the receive buffer's text; it is only read while a block check runs.
    UploadStep next(std::string_view rx = {});

    bool done() const { return m_state == State::Done || m_state == State::Failed; }
    bool failed() const { return m_state == State::Failed; }
    // True while the sequencer waits for a block check answer (the caller times this out).
    bool checking() const { return m_state == State::CheckBlock; }
    // Whether the loader's block checks covered every byte sent: only the second loader checks, and
    // only whole blocks, so a last block cut short goes out unconfirmed.
    bool endConfirmed() const
    {
        return m_variant == IspVariant::Isp091 && !m_image.empty() && m_image.size() % kBlockSize == 0;
    }
    std::uint32_t address() const { return m_address; }
    IspVariant variant() const { return m_variant; }

  private:
    enum class State { SendAddress, SendData, CheckBlock, SendEnd, Done, Failed };

    IspVariant m_variant;
    std::span<const std::uint8_t> m_image;
    std::uint32_t m_chunk;
    std::uint32_t m_address = 0;
    std::uint16_t m_blockSum = 0;
    int m_mismatches = 0; // consecutive, of the block being checked
    State m_state = State::SendAddress;
};

} // namespace firmware
