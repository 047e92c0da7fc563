#pragma once

#include "edid/EdidFeatureRecord.h"

// Writes the record's fields into record.image: patches identification, timings and monitor name
// of the base block in place and rebuilds the CTA-861 extension from the record, taking over from
// the previous extension only what the creator's controls don't describe (HDMI latency fields, the
// HDMI Forum block, Supports_AI, colorimetry metadata bits, the other bits of extension byte 3).
// The result always has both checksums right; block 1 is all zeros for DVI, except that an
// extension loaded without an HDMI block stays byte for byte while the format is left at DVI
// (dviKeepsExtension), so opening and saving never loses its audio, video or HDR data. Nothing is written
// past byte 254 of the extension: a block or detailed timing that finds no room is left out.
//
// Expects the fields as the builder leaves them: yearByte holds the year modulo 256 (not the year
// minus 1990). Also updates the record: interfaceFlags (HDMI: only 3D is kept, then the 4K bits of
// what is listed), standardTimings (one compaction pass) and, when an HDMI Forum block is added
// for 4K, the HDR static metadata defaults.
void encodeEdid(EdidFeatureRecord &record);

// True when a DVI build of the record keeps block 1 as it is: the image loaded had an extension
// without HDMI block (interfaceFlags 0x02) and the format is still DVI (0x01). Switching to HDMI
// clears 0x02 for good, so switching back removes the extension as usual.
bool dviKeepsExtension(const EdidFeatureRecord &record);
