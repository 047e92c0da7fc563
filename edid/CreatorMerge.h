#pragma once

#include <string>
#include <vector>

#include "edid/EdidImage.h"

// The image a creator build writes after a load. `reference` is what the loaded controls build,
// `built` what the current controls build, both by the same rules. A part (a base block field, byte
// 3 of the extension, a kind of data block) that comes out the same in both holds no change, so it
// is taken from `loaded`; a changed part is taken from `built`, keeping the loaded bits and fields no
// control represents. Data blocks the creator does not model and the extension's detailed timings
// are carried through in their order. What no longer fits into the extension is left out last
// first and named in `leftOut`, as are the loaded list entries a changed list cannot hold.
EdidImage keepLoadedBytes(const EdidImage &loaded, const EdidImage &reference, const EdidImage &built,
                          bool formatChanged, std::vector<std::string> &leftOut);

// A data block (header and payload) by what it holds: "audio data block", "vendor-specific data
// block 00-00-1A", "YCbCr 4:2:0 capability map data block", ...
std::string dataBlockName(const std::vector<std::uint8_t> &block);
