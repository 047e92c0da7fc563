#pragma once

#include "edid/CreatorState.h"
#include "edid/EdidFeatureRecord.h"

// A calendar date; the loader shows the current year and ISO 8601 week for images from "NEW".
struct CreatorDate
{
    int year = 1970;
    unsigned month = 1; // 1-12
    unsigned day = 1;   // 1-31
};
CreatorDate currentCreatorDate();
// The ISO 8601 week number (1-53) of a date.
unsigned isoWeekNumber(const CreatorDate &date);

// Decodes `image` into `record` and sets every creator control from what it declares, so that a
// following build reproduces it. An image that fails validation fills the controls with
// placeholders ("Error.", "0", ...) and leaves the format radio buttons; the record keeps the image
// and its error bit. Status bit 0x0080 (from "NEW") must be set or cleared by the caller first; it
// decides between `today` and the image's own manufacture date.
void loadCreatorFromEdid(CreatorState &state, EdidFeatureRecord &record, const EdidImage &image,
                         const CreatorDate &today);
void loadCreatorFromEdid(CreatorState &state, EdidFeatureRecord &record, const EdidImage &image);
