#include "edid/CreatorLoadVerdict.h"

#include "edid/CreatorFieldChecks.h"
#include "edid/CreatorRules.h"

CreatorLoadVerdict creatorLoadVerdict(const CreatorState &state)
{
    CreatorLoadVerdict verdict;
    auto fail = [&verdict](const std::string &message) {
        if (!verdict.inputError)
            verdict.warning = message;
        verdict.inputError = true;
    };
    for (const CreatorFieldCheck &check : creatorFieldChecks()) {
        const FieldCheckResult result = runFieldCheck(check, state);
        if (result.outcome == FieldCheckOutcome::Fail || result.outcome == FieldCheckOutcome::ConversionError) {
            verdict.redFields.emplace_back(check.field.name);
            fail(result.message);
        }
    }
    if (!any4KChecked(state)) {
        for (const char *box : hdrBoxNames()) {
            const bool *marked = state.flag(box);
            if (marked && *marked)
                verdict.redHdrBoxes.emplace_back(box);
        }
        if (!verdict.redHdrBoxes.empty())
            fail(kHdrNeeds4kMessage);
    }
    return verdict;
}
