#pragma once

#include <string>

#include "edid/EdidFeatureRecord.h"
#include "edid/EdidSummary.h"
#include "edid/Json.h"

// The 256 bytes as 512 uppercase hexadecimal digits.
std::string edidImageHex(const EdidImage &image);

// The feature record as a JSON object: keys are the field names in the record's order, the image
// as hexadecimal text, character fields as text (Latin-1, a byte per character), byte lists as
// arrays of numbers.
JsonValue edidRecordToJson(const EdidFeatureRecord &record);

// The summary as a JSON object: keys are the row captions without padding and colon
// ("EDID Header", ..., "CEC Address"), values the label texts (Latin-1, a byte per character).
JsonValue edidSummaryToJson(const EdidSummary &summary);

// One answer of "kelmctl edid info --json": "file" first, then the summary's keys and texts.
JsonValue edidInfoToJson(const std::string &file, const EdidSummary &summary);
