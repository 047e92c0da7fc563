#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "edid/CreatorState.h"
#include "edid/CreatorTables.h"
#include "edid/EdidImage.h"

// The limits of the creator's edit fields, checked on every change of a field (also when the
// loader writes it). A failing field shows its message in Label_EdidCreator_Warning, turns its text
// red and sets status bit 0x0001; a passing one empties the warning, turns black and clears the bit.

// A text as a signed decimal integer; blanks around it are ignored. nullopt when the text is no
// decimal integer (empty, letters, out of 64-bit range).
std::optional<std::int64_t> creatorIntegerValue(std::string_view text);
// The application's report of a failed conversion: "'%s' is not a valid integer value".
std::string notAnIntegerMessage(std::string_view text);

enum class FieldCheckKind {
    ManufacturerName, // at most 3 characters
    MonitorName,      // at most 13 characters
    ProductCode,      // skip empty; value below 65536
    SerialNumber,     // skip empty; at most 10 characters, a 10-character one by its first six digits
    Year,             // skip below 4 characters; 1990..2245
    Week,             // skip empty; below 54
    MaxChannels,      // exactly one digit 0-8
    Luminance,        // below 256
};

struct CreatorFieldCheck
{
    CreatorTextRef field;
    FieldCheckKind kind;
    const char *message; // shown when the field fails
};
// One entry per checked edit, in page order.
const std::vector<CreatorFieldCheck> &creatorFieldChecks();
// The check that a change of the named edit runs, nullptr for edits without one. A change of
// Edit_Creator_CEC_Address runs the manufacturer-name check (on that field's text).
const CreatorFieldCheck *fieldCheckForChange(std::string_view editName);

enum class FieldCheckOutcome {
    Pass,
    Fail,
    Skip,            // the handler changes nothing
    ConversionError, // reported as notAnIntegerMessage; bit, warning and colour untouched
};
struct FieldCheckResult
{
    FieldCheckOutcome outcome = FieldCheckOutcome::Skip;
    std::string message; // the check's message (Fail) or the conversion report (ConversionError)
};

FieldCheckResult runFieldCheck(FieldCheckKind kind, std::string_view text);
FieldCheckResult runFieldCheck(const CreatorFieldCheck &check, const CreatorState &state);

// What a check does to the creator record's status word: Pass clears 0x0001, Fail sets it, the
// other outcomes leave it.
EdidStatusWord applyFieldCheck(const FieldCheckResult &result, EdidStatusWord status);

// Every check over the whole state, in table order; the first result that is a failure or a
// conversion error, or nullopt when none is. (kelmctl's build refuses such a state.)
struct FieldCheckFailure
{
    const CreatorFieldCheck *check;
    FieldCheckResult result;
};
std::optional<FieldCheckFailure> firstFailingFieldCheck(const CreatorState &state);
// Only the checks that a change of the named edits runs (fieldCheckForChange), in table order:
// fields nobody changed are not judged, as on the page, where checks run on edits.
std::optional<FieldCheckFailure> firstFailingFieldCheck(const CreatorState &state,
                                                        const std::vector<std::string> &changedEdits);
std::optional<FieldCheckFailure> firstFailingFieldCheck(const CreatorState &state,
                                                        const std::function<bool(const CreatorFieldCheck &)> &runs);
