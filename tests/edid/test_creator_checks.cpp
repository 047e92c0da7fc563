// The creator's field checks and the HDR/4K rule.
#include <gtest/gtest.h>

#include "edid/CreatorFieldChecks.h"
#include "edid/CreatorLoadVerdict.h"
#include "edid/CreatorRules.h"

namespace {

using O = FieldCheckOutcome;

struct CheckCase
{
    const char *field;
    const char *text;
    O outcome;
    const char *message = nullptr; // the expected message when it isn't the check's own
};

} // namespace

TEST(CreatorFieldChecks, EveryBoundary)
{
    const CheckCase cases[] = {
        {"Edit_Creator_Manufac_Name", "ABC", O::Pass},
        {"Edit_Creator_Manufac_Name", "ABCD", O::Fail},
        {"Edit_Creator_Manufac_Name", "", O::Pass},
        {"Edit_Creator_Monitor_Name", "ThirteenChars", O::Pass},
        {"Edit_Creator_Monitor_Name", "FourteenChars!", O::Fail},
        {"Edit_Creator_Monitor_Name", "\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xC4",
         O::Pass}, // Latin-1
        {"Edit_Creator_Monitor_Name", "\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xC4", O::Fail},
        {"Edit_Creator_Product_Code", "65535", O::Pass},
        {"Edit_Creator_Product_Code", "65536", O::Fail},
        {"Edit_Creator_Product_Code", "  640", O::Pass},
        {"Edit_Creator_Product_Code", "", O::Skip},
        {"Edit_Creator_Product_Code", "12a", O::ConversionError, "'12a' is not a valid integer value"},
        {"Edit_Creator_Serial_Number", "4294959999", O::Pass},
        {"Edit_Creator_Serial_Number", "4294960000", O::Fail},
        {"Edit_Creator_Serial_Number", "999999999", O::Pass},
        {"Edit_Creator_Serial_Number", "10000000000", O::Fail},
        {"Edit_Creator_Serial_Number", "", O::Skip},
        {"Edit_Creator_Serial_Number", "42x4959999", O::ConversionError,
         "'42x495' is not a valid integer value"},
        {"Edit_Creator_Manufac_Year", "1989", O::Fail},
        {"Edit_Creator_Manufac_Year", "1990", O::Pass},
        {"Edit_Creator_Manufac_Year", "2245", O::Pass},
        {"Edit_Creator_Manufac_Year", "2246", O::Fail},
        {"Edit_Creator_Manufac_Year", "199", O::Skip},
        {"Edit_Creator_Manufac_Year", "20x5", O::ConversionError, "'20x5' is not a valid integer value"},
        {"Edit_Creator_Manufac_Week", "53", O::Pass},
        {"Edit_Creator_Manufac_Week", "54", O::Fail},
        {"Edit_Creator_Manufac_Week", "", O::Skip},
        {"Edit_AudioLPCM_MaxCh", "8", O::Pass},
        {"Edit_AudioLPCM_MaxCh", "0", O::Pass},
        {"Edit_AudioAC3_MaxCh", "9", O::Fail},
        {"Edit_AudioOBA_MaxCh", "08", O::Fail},
        {"Edit_AudioDTS_MaxCh", "", O::ConversionError, "'' is not a valid integer value"},
        {"Edit_AudioMAT_MaxCh", "x", O::ConversionError, "'x' is not a valid integer value"},
        {"Edit_HDR_DCLD_1", "255", O::Pass},
        {"Edit_HDR_DCLD_2", "256", O::Fail},
        {"Edit_HDR_DCLD_3", "  255 ", O::Pass},
        {"Edit_HDR_DCLD_1", "    0", O::Pass},
        {"Edit_HDR_DCLD_1", "", O::ConversionError, "'' is not a valid integer value"},
    };
    for (const CheckCase &c : cases) {
        const CreatorFieldCheck *check = fieldCheckForChange(c.field);
        ASSERT_NE(check, nullptr) << c.field;
        CreatorState s;
        *s.text(c.field) = c.text;
        const FieldCheckResult r = runFieldCheck(*check, s);
        EXPECT_EQ(r.outcome, c.outcome) << c.field << " '" << c.text << "'";
        const std::string expected = c.message ? c.message : c.outcome == O::Fail ? check->message : "";
        EXPECT_EQ(r.message, expected);
    }
}

TEST(CreatorFieldChecks, MessagesAndTheSharedBit)
{
    const std::pair<const char *, const char *> messages[] = {
        {"Edit_Creator_Manufac_Name", "3 Letters Limited!"},
        {"Edit_Creator_Monitor_Name", "13 Letters Limited!"},
        {"Edit_Creator_Product_Code", "65535 Limited!"},
        {"Edit_Creator_Serial_Number", "4 Billion Limited!"},
        {"Edit_Creator_Manufac_Year", "1990~2245 Limited!"},
        {"Edit_Creator_Manufac_Week", "53 Limited!"},
        {"Edit_AudioEAC3_MaxCh", "8 MaxCH Limited!"},
        {"Edit_HDR_DCLD_3", "255 Limited!"},
    };
    for (const auto &[field, message] : messages)
        EXPECT_STREQ(fieldCheckForChange(field)->message, message);
    // The CEC edit runs the manufacturer-name check; edits without a limit have none.
    EXPECT_EQ(fieldCheckForChange("Edit_Creator_CEC_Address"),
              fieldCheckForChange("Edit_Creator_Manufac_Name"));
    EXPECT_EQ(fieldCheckForChange("Edit_AudioAC3_BitRate"), nullptr);

    // After a failing serial number, a passing product code clears the bit.
    EdidStatusWord status = EdidStatus::HoldsImage;
    status = applyFieldCheck(runFieldCheck(FieldCheckKind::SerialNumber, "99999999999"), status);
    EXPECT_EQ(status, EdidStatus::HoldsImage | EdidStatus::FieldOutOfLimits);
    EXPECT_EQ(applyFieldCheck(runFieldCheck(FieldCheckKind::ProductCode, "12a"), status), status);
    EXPECT_EQ(applyFieldCheck(runFieldCheck(FieldCheckKind::ProductCode, ""), status), status);
    status = applyFieldCheck(runFieldCheck(FieldCheckKind::ProductCode, "1"), status);
    EXPECT_EQ(status, EdidStatus::HoldsImage);
}

TEST(CreatorFieldChecks, IntegerValues)
{
    EXPECT_EQ(creatorIntegerValue("  640"), 640);
    EXPECT_EQ(creatorIntegerValue("-7 "), -7);
    EXPECT_EQ(creatorIntegerValue("+7"), 7);
    EXPECT_EQ(creatorIntegerValue("9223372036854775807"), INT64_MAX);
    EXPECT_EQ(creatorIntegerValue("-9223372036854775808"), INT64_MIN);
    for (const char *bad : {"", "   ", "-", "1 2", "0x10", "9223372036854775808", "1.5"})
        EXPECT_FALSE(creatorIntegerValue(bad).has_value()) << bad;
}

TEST(CreatorRules, HdrNeedsAFourKBox)
{
    // Only 4K 60 Hz, then 12Bit: no warning.
    CreatorState s;
    s.CheckBox_VideoIdCode_97 = true;
    s.CheckBox_HDR_2 = true;
    CreatorRuleReaction r = hdrBoxClicked(s, "CheckBox_HDR_2");
    EXPECT_TRUE(r.acts);
    EXPECT_FALSE(r.breach);
    EXPECT_EQ(r.warning, "");
    EXPECT_EQ(applyRuleReaction(r, EdidStatus::FieldOutOfLimits), 0);

    // No 4K, 16Bit: warning, bit, red; then 4:2:0 50 Hz clears it and every HDR caption.
    s = CreatorState();
    s.CheckBox_HDR_1 = true;
    r = hdrBoxClicked(s, "CheckBox_HDR_1");
    EXPECT_TRUE(r.breach);
    EXPECT_EQ(r.warning, "HDR Must Base On 4K!");
    EXPECT_EQ(r.captionRed, (std::vector<std::pair<std::string, bool>>{{"CheckBox_HDR_1", true}}));
    EXPECT_EQ(applyRuleReaction(r, 0), EdidStatus::FieldOutOfLimits);
    s.CheckBox_YUV420VDB_96 = true;
    r = fourKBoxClicked(s, "CheckBox_YUV420VDB_96");
    EXPECT_TRUE(r.acts);
    EXPECT_FALSE(r.breach);
    EXPECT_EQ(r.captionRed,
              (std::vector<std::pair<std::string, bool>>{
                  {"CheckBox_HDR_1", false}, {"CheckBox_HDR_2", false}, {"CheckBox_HDR_3", false}}));

    // 16Bit and 10Bit on 4K 24 Hz only; clearing 4K 24 Hz turns those two red.
    s = CreatorState();
    s.CheckBox_HDR_1 = s.CheckBox_HDR_3 = true;
    s.CheckBox_VideoIdCode_93 = false;
    r = fourKBoxClicked(s, "CheckBox_VideoIdCode_93");
    EXPECT_TRUE(r.breach);
    EXPECT_EQ(r.captionRed, (std::vector<std::pair<std::string, bool>>{{"CheckBox_HDR_1", true},
                                                                       {"CheckBox_HDR_3", true}}));

    // Unchecking an HDR box always clears, even with other HDR boxes left without 4K.
    s.CheckBox_HDR_3 = false;
    r = hdrBoxClicked(s, "CheckBox_HDR_3");
    EXPECT_FALSE(r.breach);
    EXPECT_EQ(r.warning, "");

    // A 4K box change that touches no HDR box does nothing.
    s = CreatorState();
    s.CheckBox_VideoIdCode_96 = true;
    EXPECT_FALSE(fourKBoxClicked(s, "CheckBox_VideoIdCode_96").acts);
    s.CheckBox_VideoIdCode_96 = false;
    EXPECT_FALSE(fourKBoxClicked(s, "CheckBox_VideoIdCode_96").acts);
    s.CheckBox_HDR_2 = true;
    s.CheckBox_VideoIdCode_95 = true;
    EXPECT_FALSE(fourKBoxClicked(s, "CheckBox_VideoIdCode_96").acts); // another 4K box remains
    EXPECT_EQ(applyRuleReaction(CreatorRuleReaction{}, 0x0101), 0x0101);
}

TEST(CreatorRules, FourKAndHdrTests)
{
    for (const char *box : fourKBoxNames()) {
        CreatorState s;
        EXPECT_FALSE(any4KChecked(s));
        *s.flag(box) = true;
        EXPECT_TRUE(any4KChecked(s)) << box;
    }
    for (const char *box : hdrBoxNames()) {
        CreatorState s;
        EXPECT_FALSE(anyHdrChecked(s));
        *s.flag(box) = true;
        EXPECT_TRUE(anyHdrChecked(s)) << box;
    }
}

// After a load every check and the HDR rule run once: the first failure speaks, every failing
// control is listed, a passing or skipped field is not.
TEST(CreatorLoadVerdict, OverTheLoadedValues)
{
    struct Case
    {
        const char *name;
        std::vector<std::pair<const char *, const char *>> texts;
        std::vector<const char *> marked;
        const char *warning;
        std::vector<std::string> redFields;
        std::vector<std::string> redHdr;
    };
    const Case cases[] = {
        {"all pass", {}, {}, "", {}, {}},
        {"HDR with 4K", {}, {"CheckBox_HDR_2", "CheckBox_YUV420VDB_97"}, "", {}, {}},
        {"HDR without 4K", {}, {"CheckBox_HDR_2", "CheckBox_HDR_3"}, "HDR Must Base On 4K!", {},
         {"CheckBox_HDR_2", "CheckBox_HDR_3"}},
        {"week, then HDR", {{"Edit_Creator_Manufac_Week", "60"}}, {"CheckBox_HDR_1"}, "53 Limited!",
         {"Edit_Creator_Manufac_Week"}, {"CheckBox_HDR_1"}},
        {"two fields: the first speaks", {{"Edit_Creator_Manufac_Name", "ABCD"}, {"Edit_HDR_DCLD_2", "256"}}, {},
         "3 Letters Limited!", {"Edit_Creator_Manufac_Name", "Edit_HDR_DCLD_2"}, {}},
        {"skipped fields pass", {{"Edit_Creator_Product_Code", ""}, {"Edit_Creator_Manufac_Year", "19"}}, {}, "",
         {}, {}},
        {"no number", {{"Edit_AudioAC3_MaxCh", ""}}, {}, "'' is not a valid integer value",
         {"Edit_AudioAC3_MaxCh"}, {}},
    };
    for (const Case &c : cases) {
        CreatorState state;
        state.Edit_Creator_Manufac_Name = "ABC";
        state.Edit_Creator_Monitor_Name = "Monitor";
        state.Edit_Creator_Product_Code = "1";
        state.Edit_Creator_Serial_Number = "1";
        state.Edit_Creator_Manufac_Year = "2020";
        state.Edit_Creator_Manufac_Week = "1";
        for (const CreatorFieldCheck &check : creatorFieldChecks())
            if (check.kind == FieldCheckKind::MaxChannels || check.kind == FieldCheckKind::Luminance)
                state.*(check.field.member) = "2";
        for (const auto &[field, text] : c.texts)
            for (const CreatorFieldCheck &check : creatorFieldChecks())
                if (std::string_view(check.field.name) == field)
                    state.*(check.field.member) = text;
        for (const char *box : c.marked)
            ASSERT_TRUE(state.setFlag(box, true)) << box;
        const CreatorLoadVerdict v = creatorLoadVerdict(state);
        EXPECT_EQ(v.warning, c.warning) << c.name;
        EXPECT_EQ(v.inputError, !std::string(c.warning).empty()) << c.name;
        EXPECT_EQ(v.redFields, c.redFields) << c.name;
        EXPECT_EQ(v.redHdrBoxes, c.redHdr) << c.name;
    }
}
