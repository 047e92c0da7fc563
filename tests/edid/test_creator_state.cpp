// The creator state: names, tables and JSON.
#include <gtest/gtest.h>

#include <set>

#include "edid/CreatorStateJson.h"
#include "edid/CreatorTables.h"

namespace {

// Every control a table names must be the state member of that name.
void expectRef(const CreatorFlagRef &ref)
{
    const CreatorField *f = findCreatorField(ref.name);
    ASSERT_NE(f, nullptr) << ref.name;
    EXPECT_EQ(f->flag, ref.member) << ref.name;
}

void expectRef(const CreatorTextRef &ref)
{
    const CreatorField *f = findCreatorField(ref.name);
    ASSERT_NE(f, nullptr) << ref.name;
    EXPECT_EQ(f->text, ref.member) << ref.name;
}

} // namespace

TEST(CreatorState, TablesNameTheirOwnMembers)
{
    std::set<std::string> named;
    auto bits = [&](const std::vector<CreatorBitBox> &boxes) {
        for (const auto &b : boxes) {
            expectRef(b.box);
            named.insert(b.box.name);
        }
    };
    bits(establishedTimingBoxes());
    bits(standardTimingBoxes());
    bits(lpcmSampleSizeBoxes());
    bits(colorSpaceBoxes());
    bits(colorDepthBoxes());
    bits(colorimetryBoxes());
    bits(hdrDepthBoxes());
    bits(hdrEotfBoxes());
    bits(hdrDescriptorBoxes());
    for (const auto &b : videoIdCodeBoxes()) {
        expectRef(b.box);
        EXPECT_EQ(std::string(b.box.name), "CheckBox_VideoIdCode_" + std::to_string(b.vic));
        named.insert(b.box.name);
    }
    for (const auto &b : yuv420Boxes()) {
        expectRef(b.box);
        named.insert(b.box.name);
    }
    for (const auto &b : speakerBoxes()) {
        expectRef(b.box);
        named.insert(b.box.name);
    }
    for (const auto &row : audioFormatRows()) {
        expectRef(row.box);
        EXPECT_EQ(std::string(row.box.name), "CheckBox_AudioFormat_" + std::to_string(row.number));
        expectRef(row.maxChannels);
        named.insert(row.box.name);
        named.insert(row.maxChannels.name);
        for (std::size_t i = 0; i < row.rates.size(); ++i) {
            expectRef(row.rates[i]);
            EXPECT_EQ(std::string(row.rates[i].name),
                      "CheckBox_Audio" + std::string(row.key) + "_Freq_" + std::to_string(i + 1));
            named.insert(row.rates[i].name);
        }
        if (row.bitRate.name) {
            expectRef(row.bitRate);
            named.insert(row.bitRate.name);
        }
        if (row.detail.name) {
            expectRef(row.detail);
            named.insert(row.detail.name);
        }
        EXPECT_EQ(row.thirdByteIsBitRate, row.bitRate.name != nullptr);
    }
    for (const auto &e : hdrLuminanceEdits()) {
        expectRef(e.edit);
        named.insert(e.edit.name);
    }
    for (const auto &e : descriptorEdits()) {
        expectRef(e.edit);
        named.insert(e.edit.name);
    }
    // Every control of the state has its meaning in a table, except the three plain ones.
    const std::set<std::string> plain = {"CheckBox_3D_Present", "RadioButton_Edid_Fmt_Hdmi",
                                         "RadioButton_Edid_Fmt_Dvi"};
    for (const CreatorField &f : creatorFields()) {
        EXPECT_TRUE(named.count(f.name) || plain.count(f.name)) << f.name;
    }
    EXPECT_EQ(establishedTimingBoxes().size(), 17u);
    EXPECT_EQ(videoIdCodeBoxes().size(), 21u);
    EXPECT_EQ(speakerBoxes().size(), 11u);
}

TEST(CreatorState, NamesAreUniqueAndStartTextsHold)
{
    std::set<std::string> names;
    for (const CreatorField &f : creatorFields())
        EXPECT_TRUE(names.insert(f.name).second) << f.name;
    const CreatorState s;
    EXPECT_EQ(*s.text("Edit_AudioLPCM_MaxCh"), "0");
    EXPECT_EQ(*s.text("Edit_HDR_DCLD_1"), "    0");
    EXPECT_EQ(*s.text("Edit_Creator_CEC_Address"), "0000");
    EXPECT_TRUE(*s.flag("RadioButton_Edid_Fmt_Hdmi"));
    EXPECT_EQ(s.flag("Edit_HDR_DCLD_1"), nullptr);
    EXPECT_EQ(s.text("CheckBox_HDR_1"), nullptr);
    EXPECT_EQ(s.flag("CheckBox_SpeakerPosition_1r"), nullptr); // page behaviour, not state
}

TEST(CreatorState, FormatRadioButtonsExcludeEachOther)
{
    CreatorState s;
    EXPECT_TRUE(s.setFlag("RadioButton_Edid_Fmt_Dvi", true));
    EXPECT_FALSE(s.RadioButton_Edid_Fmt_Hdmi);
    EXPECT_TRUE(s.setFlag("RadioButton_Edid_Fmt_Hdmi", true));
    EXPECT_FALSE(s.RadioButton_Edid_Fmt_Dvi);
    EXPECT_FALSE(s.setFlag("CheckBox_Nothing", true));
}

TEST(CreatorState, JsonRoundTripAndPartialUpdates)
{
    CreatorState s;
    s.CheckBox_VideoIdCode_97 = true;
    s.Edit_Creator_Monitor_Name = "N\xE4me \"quoted\""; // Latin-1 in the state, UTF-8 in JSON
    s.Edit_HDR_DCLD_2 = "  100";
    JsonValue parsed;
    const std::string text = toJson(creatorStateToJson(s), 2);
    EXPECT_NE(text.find("N\xC3\xA4me"), std::string::npos);
    ASSERT_TRUE(parseJson(text, parsed));
    CreatorState back;
    ASSERT_TRUE(applyCreatorStateJson(parsed, back));
    EXPECT_EQ(back, s);
    EXPECT_EQ(creatorStateDifferences(back, s), std::vector<std::string>{});

    // Only the named controls change; numbers become edit texts.
    ASSERT_TRUE(
        parseJson(R"({"RadioButton_Edid_Fmt_Dvi": true, "Edit_Creator_Manufac_Year": 2020})", parsed));
    ASSERT_TRUE(applyCreatorStateJson(parsed, back));
    EXPECT_EQ(creatorStateDifferences(back, s),
              (std::vector<std::string>{"RadioButton_Edid_Fmt_Hdmi", "RadioButton_Edid_Fmt_Dvi",
                                        "Edit_Creator_Manufac_Year"}));
    EXPECT_EQ(back.Edit_Creator_Manufac_Year, "2020");
}

TEST(CreatorState, JsonErrorsLeaveTheStateAlone)
{
    struct Case
    {
        const char *json;
        const char *error;
    };
    const Case cases[] = {
        {R"([true])", "The creator state must be a JSON object keyed by control names."},
        {R"({"CheckBox_HDR_1": true, "CheckBox_Bogus": true})",
         "'CheckBox_Bogus' is not a control of the EDID Creator."},
        {R"({"CheckBox_HDR_1": 1})", "'CheckBox_HDR_1' is a check box and takes true or false."},
        {R"({"Edit_HDR_DCLD_1": false})", "'Edit_HDR_DCLD_1' is an edit field and takes a string."},
        {R"({"Edit_HDR_DCLD_1": 1.5})", "'Edit_HDR_DCLD_1' is an edit field and takes a string."},
        {"{\"Edit_Creator_Monitor_Name\": \"\u20AC\"}",
         "'Edit_Creator_Monitor_Name' holds a character an EDID text cannot hold."},
    };
    for (const Case &c : cases) {
        JsonValue v;
        ASSERT_TRUE(parseJson(c.json, v)) << c.json;
        CreatorState s;
        std::string error;
        EXPECT_FALSE(applyCreatorStateJson(v, s, &error));
        EXPECT_EQ(error, c.error);
        EXPECT_EQ(s, CreatorState());
    }
}
