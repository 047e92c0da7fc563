#include "edid/CreatorFieldChecks.h"

#include <algorithm>

#include "edid/TextNumbers.h"

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

FieldCheckResult verdict(bool pass, const char *message)
{
    if (pass)
        return {FieldCheckOutcome::Pass, {}};
    return {FieldCheckOutcome::Fail, message};
}

const char *messageOf(FieldCheckKind kind)
{
    switch (kind) {
    case FieldCheckKind::ManufacturerName:
        return "3 Letters Limited!";
    case FieldCheckKind::MonitorName:
        return "13 Letters Limited!";
    case FieldCheckKind::ProductCode:
        return "65535 Limited!";
    case FieldCheckKind::SerialNumber:
        return "4 Billion Limited!";
    case FieldCheckKind::Year:
        return "1990~2245 Limited!";
    case FieldCheckKind::Week:
        return "53 Limited!";
    case FieldCheckKind::MaxChannels:
        return "8 MaxCH Limited!";
    case FieldCheckKind::Luminance:
        return "255 Limited!";
    }
    return "";
}

} // namespace

std::optional<std::int64_t> creatorIntegerValue(std::string_view text)
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return parseDecimal(text);
}

std::string notAnIntegerMessage(std::string_view text)
{
    return "'" + std::string(text) + "' is not a valid integer value";
}

const std::vector<CreatorFieldCheck> &creatorFieldChecks()
{
    using K = FieldCheckKind;
    static const std::vector<CreatorFieldCheck> checks = {
        {KELM_TEXT_REF(Edit_Creator_Manufac_Name), K::ManufacturerName, messageOf(K::ManufacturerName)},
        {KELM_TEXT_REF(Edit_Creator_Monitor_Name), K::MonitorName, messageOf(K::MonitorName)},
        {KELM_TEXT_REF(Edit_Creator_Product_Code), K::ProductCode, messageOf(K::ProductCode)},
        {KELM_TEXT_REF(Edit_Creator_Serial_Number), K::SerialNumber, messageOf(K::SerialNumber)},
        {KELM_TEXT_REF(Edit_Creator_Manufac_Year), K::Year, messageOf(K::Year)},
        {KELM_TEXT_REF(Edit_Creator_Manufac_Week), K::Week, messageOf(K::Week)},
        {KELM_TEXT_REF(Edit_AudioLPCM_MaxCh), K::MaxChannels, messageOf(K::MaxChannels)},
        {KELM_TEXT_REF(Edit_AudioAC3_MaxCh), K::MaxChannels, messageOf(K::MaxChannels)},
        {KELM_TEXT_REF(Edit_AudioEAC3_MaxCh), K::MaxChannels, messageOf(K::MaxChannels)},
        {KELM_TEXT_REF(Edit_AudioMAT_MaxCh), K::MaxChannels, messageOf(K::MaxChannels)},
        {KELM_TEXT_REF(Edit_AudioDTS_MaxCh), K::MaxChannels, messageOf(K::MaxChannels)},
        {KELM_TEXT_REF(Edit_AudioDTSHD_MaxCh), K::MaxChannels, messageOf(K::MaxChannels)},
        {KELM_TEXT_REF(Edit_AudioAAC_MaxCh), K::MaxChannels, messageOf(K::MaxChannels)},
        {KELM_TEXT_REF(Edit_AudioOBA_MaxCh), K::MaxChannels, messageOf(K::MaxChannels)},
        {KELM_TEXT_REF(Edit_HDR_DCLD_1), K::Luminance, messageOf(K::Luminance)},
        {KELM_TEXT_REF(Edit_HDR_DCLD_2), K::Luminance, messageOf(K::Luminance)},
        {KELM_TEXT_REF(Edit_HDR_DCLD_3), K::Luminance, messageOf(K::Luminance)},
    };
    return checks;
}

const CreatorFieldCheck *fieldCheckForChange(std::string_view editName)
{
    if (editName == "Edit_Creator_CEC_Address")
        editName = "Edit_Creator_Manufac_Name";
    for (const CreatorFieldCheck &check : creatorFieldChecks())
        if (editName == check.field.name)
            return &check;
    return nullptr;
}

FieldCheckResult runFieldCheck(FieldCheckKind kind, std::string_view text)
{
    const char *message = messageOf(kind);
    auto valueOf = [](std::string_view t, std::int64_t &value) {
        auto v = creatorIntegerValue(t);
        if (v)
            value = *v;
        return v.has_value();
    };
    std::int64_t value = 0;
    switch (kind) {
    case FieldCheckKind::ManufacturerName:
        return verdict(text.size() <= 3, message);
    case FieldCheckKind::MonitorName:
        return verdict(text.size() <= 13, message);
    case FieldCheckKind::ProductCode:
        if (text.empty())
            return {};
        if (!valueOf(text, value))
            return {FieldCheckOutcome::ConversionError, notAnIntegerMessage(text)};
        return verdict(value < 65536, message);
    case FieldCheckKind::SerialNumber: {
        // Ten-digit numbers are judged by their first six digits, which keeps the largest accepted
        // number (4294959999) inside 32 bits.
        if (text.empty())
            return {};
        if (text.size() > 10)
            return verdict(false, message);
        if (text.size() < 10)
            return verdict(true, message);
        std::string_view prefix = text.substr(0, 6);
        if (!valueOf(prefix, value))
            return {FieldCheckOutcome::ConversionError, notAnIntegerMessage(prefix)};
        return verdict(value <= 429495, message);
    }
    case FieldCheckKind::Year:
        if (text.size() < 4)
            return {};
        if (!valueOf(text, value))
            return {FieldCheckOutcome::ConversionError, notAnIntegerMessage(text)};
        return verdict(value >= 1990 && value <= 2245, message);
    case FieldCheckKind::Week:
        if (text.empty())
            return {};
        if (!valueOf(text, value))
            return {FieldCheckOutcome::ConversionError, notAnIntegerMessage(text)};
        return verdict(value < 54, message);
    case FieldCheckKind::MaxChannels: {
        // Only the first character is read as the value; a second one fails by itself.
        std::string_view first = text.substr(0, text.empty() ? 0 : 1);
        if (!valueOf(first, value))
            return {FieldCheckOutcome::ConversionError, notAnIntegerMessage(first)};
        return verdict(text.size() == 1 && value <= 8, message);
    }
    case FieldCheckKind::Luminance:
        if (!valueOf(text, value))
            return {FieldCheckOutcome::ConversionError, notAnIntegerMessage(text)};
        return verdict(value < 256, message);
    }
    return {};
}

FieldCheckResult runFieldCheck(const CreatorFieldCheck &check, const CreatorState &state)
{
    return runFieldCheck(check.kind, state.*(check.field.member));
}

EdidStatusWord applyFieldCheck(const FieldCheckResult &result, EdidStatusWord status)
{
    switch (result.outcome) {
    case FieldCheckOutcome::Pass:
        return EdidStatusWord(status & ~EdidStatus::FieldOutOfLimits);
    case FieldCheckOutcome::Fail:
        return EdidStatusWord(status | EdidStatus::FieldOutOfLimits);
    case FieldCheckOutcome::Skip:
    case FieldCheckOutcome::ConversionError:
        break;
    }
    return status;
}

std::optional<FieldCheckFailure> firstFailingFieldCheck(const CreatorState &state)
{
    return firstFailingFieldCheck(state, [](const CreatorFieldCheck &) { return true; });
}

std::optional<FieldCheckFailure> firstFailingFieldCheck(const CreatorState &state,
                                                        const std::vector<std::string> &changedEdits)
{
    std::vector<const CreatorFieldCheck *> run;
    for (const std::string &name : changedEdits)
        if (const CreatorFieldCheck *check = fieldCheckForChange(name))
            run.push_back(check);
    return firstFailingFieldCheck(state, [&run](const CreatorFieldCheck &check) {
        return std::find(run.begin(), run.end(), &check) != run.end();
    });
}

std::optional<FieldCheckFailure> firstFailingFieldCheck(const CreatorState &state,
                                                        const std::function<bool(const CreatorFieldCheck &)> &runs)
{
    for (const CreatorFieldCheck &check : creatorFieldChecks()) {
        if (!runs(check))
            continue;
        FieldCheckResult r = runFieldCheck(check, state);
        if (r.outcome == FieldCheckOutcome::Fail || r.outcome == FieldCheckOutcome::ConversionError)
            return FieldCheckFailure{&check, r};
    }
    return std::nullopt;
}
