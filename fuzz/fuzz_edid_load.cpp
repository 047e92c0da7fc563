// Random images into the creator's loader. Whatever comes in, the controls it fills pass their
// own field checks (but for the few listed below), and a valid image loaded and built again with
// the controls unchanged is a valid image.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "edid/CreatorBuilder.h"
#include "edid/CreatorFieldChecks.h"
#include "edid/CreatorLoader.h"
#include "edid/EdidBinFile.h"

namespace {
void check(const EdidImage &img, bool fromNew)
{
    CreatorState state;
    EdidFeatureRecord record;
    record.status = EdidStatus::HoldsImage | (fromNew ? EdidStatus::FromNew : 0);
    loadCreatorFromEdid(state, record, img, CreatorDate{2026, 12, 7});
    const bool invalid = record.status & EdidStatus::ErrorMask;
    for (const CreatorFieldCheck &c : creatorFieldChecks()) {
        const FieldCheckResult r = runFieldCheck(c, state);
        if (r.outcome == FieldCheckOutcome::ConversionError)
            std::abort();
        // Shown as they are and failing their own checks: the "Error." placeholders of an invalid
        // image, a week byte from 54 up (0xFF marks a model year) and serial numbers from
        // 4294960000 up (the page judges ten digits by their first six).
        const bool mayFail =
            invalid || c.kind == FieldCheckKind::Week || c.kind == FieldCheckKind::SerialNumber;
        if (r.outcome == FieldCheckOutcome::Fail && !mayFail)
            std::abort();
    }
    if (invalid)
        return;
    if (!buildCreatorEdid(state, record) || edidValidationError(record.image) != 0)
        std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    EdidImage img = edidImageFromBytes(data, size);
    const bool fromNew = size > 0 && (data[0] & 1);
    check(img, fromNew);
    static const uint8_t header[8] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
    std::memcpy(img.data(), header, sizeof header);
    img[126] = img[126] & 1;
    setEdidChecksums(img);
    check(img, fromNew);
    return 0;
}
