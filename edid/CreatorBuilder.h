#pragma once

#include <string>
#include <vector>

#include "edid/CreatorState.h"
#include "edid/EdidFeatureRecord.h"

// Reads the creator controls into the creator record's fields and encodes them into its image
// (encodeEdid), so the record's image is the built EDID. The record's lists (video codes, audio
// descriptors, standard timings, ...) are edited rather than replaced: entries the controls don't
// describe survive from the image last loaded or built.
//
// Number texts are read as signed decimal integers with blanks around them ignored, then reduced to
// their field's width. When a text that the build reads is no integer, nothing is built: the
// record stays as it was and the result is false, with "'%s' is not a valid integer value" in
// `error`. Limits are not checked here; that is the page's field checks.
//
// After a load (record.creatorOrigin) the build edits the loaded image instead of authoring one:
// every part whose controls still hold what the load put there is written as loaded, data blocks
// the creator does not model are carried through in their order, and a changed block keeps what
// no control represents. What no longer fits into the extension is left out last-first and named
// in `leftOut` (empty when nothing was lost).
bool buildCreatorEdid(const CreatorState &state, EdidFeatureRecord &record, std::string *error = nullptr,
                      std::vector<std::string> *leftOut = nullptr);
