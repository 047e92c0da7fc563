#pragma once

#include "edid/CreatorState.h"
#include "edid/EdidFeatureRecord.h"

// What a load put into the creator: the decoded record (its image is the image as loaded) and the
// controls as they showed it. A build compares the controls with these to learn what the user
// changed; what they did not change is written as it was loaded.
struct CreatorOrigin
{
    EdidFeatureRecord record;
    CreatorState state;
};
