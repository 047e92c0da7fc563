// Firmware images come from files the operator picks, and "$CHK" answers from the device: neither
// may crash the reader or the upload sequence, whatever they hold.
#include "firmware/FirmwareImage.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace firmware;
    const std::span<const std::uint8_t> image(data, size);
    if (auto record = parseVersionRecord(image)) {
        const std::string line = targetLine(*record);
        if (line.size() > 64)
            std::abort(); // fields are bounded: 4 + 4 + 8 characters
    }
    if (size == 0)
        return 0;
    // The first byte picks the variant; the image itself doubles as the device's answers.
    const IspVariant variant = (data[0] & 1) ? IspVariant::Isp091 : IspVariant::Isp029;
    UploadSequencer seq(variant, image);
    std::size_t cursor = 0;
    for (int pass = 0; pass < 4000 && !seq.done(); ++pass) {
        std::string rx;
        if (seq.checking()) {
            const std::size_t n = std::min<std::size_t>(data[cursor % size] % 16, size);
            rx.assign(reinterpret_cast<const char *>(data) + cursor % size,
                      std::min(n, size - cursor % size));
            if (data[(cursor + 1) % size] & 1)
                rx.insert(0, "$CHK");
            cursor += n + 1;
        }
        const UploadStep step = seq.next(rx);
        if (step.kind == UploadStep::Kind::Data && step.payload.size() != chunkSize(variant))
            std::abort();
        if (seq.address() > size + 2048 + chunkSize(variant))
            std::abort();
    }
    return 0;
}
