#pragma once

#include "edid/EdidImage.h"

// The image the creator's "NEW" button starts from: manufacturer "NEW", monitor name
// "BrandNewEdid", 1080p60 and 720p60 timings, and a CTA extension with VIC 16, two-channel
// L-PCM and an HDMI block (CEC 1.0.0.0). Both checksums are correct.
extern const EdidImage NewEdidTemplate;
