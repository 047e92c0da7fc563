#pragma once

// What the creator page shows once a whole set of values has been loaded (NEW, OPEN, Modify). The
// checks on a single change leave the warning and the input error bit to whichever check ran
// last, so after a load they could still speak of values that are gone; here every field check
// and the HDR rule run once over the values as loaded.

#include <string>
#include <vector>

#include "edid/CreatorState.h"

struct CreatorLoadVerdict
{
    std::string warning;                   // the first failure's message; empty when all pass
    bool inputError = false;               // status bit 0x0001
    std::vector<std::string> redFields;    // checked edits that fail (the others show black)
    std::vector<std::string> redHdrBoxes;  // marked HDR boxes without a 4K box (the others black)
};

// Field checks in table order, then the HDR rule. A field that skips its check passes; one whose
// text is no number fails with the conversion report.
CreatorLoadVerdict creatorLoadVerdict(const CreatorState &state);
