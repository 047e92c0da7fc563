// Slot and EDID mode names come from the kelmctl command line: whatever is typed, a name either
// maps to a slot or mode the lists and buttons agree on, or is refused.
#include <cstddef>
#include <cstdint>
#include <string>

#include "link/EdidModes.h"
#include "link/SlotLists.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 3)
        return 0;
    const EdidModeCounts counts{data[0] % 12, data[1] % 3, data[2] % 12};
    const std::string text(reinterpret_cast<const char *>(data + 3), size - 3);

    if (const auto code = parseSlotName(text)) {
        // The name the lists show parses back to the same code.
        const std::string shown = slotDisplayName(*code);
        std::string typed;
        for (char c : shown)
            if (c != ' ')
                typed += c;
        if (parseSlotName(typed) != code || proposedEdidFileName(*code).empty())
            __builtin_trap();
    }
    if (const auto mode = parseEdidModeName(text, counts)) {
        const auto parts = edidModeOf(*mode, counts);
        if (*mode >= counts.total() || !parts || edidModeIndex(parts->kind, parts->number, counts) != mode)
            __builtin_trap();
        const auto effect = edidModeReportEffect(*mode, 255, false, counts);
        if (effect.mark != parts)
            __builtin_trap();
    }
    return 0;
}
