// Slot codes, the slot lists with their separators, and the EDID mode index and report rules.
#include <QtTest>

#include "link/DeviceState.h"
#include "link/EdidModes.h"
#include "link/SlotLists.h"
#include "workbench/ModeSelectGroup.h"

namespace {
const SlotCounts k4_1_8_8{4, 1, 8, 8};
constexpr int kNone = -1;

// The button the mode select group gives a mode ("" for none).
QString buttonOf(const std::optional<EdidMode> &mode)
{
    return mode ? ModeSelectGroup::buttonName(*mode) : QString();
}
} // namespace

class TestSlotListsAndModes : public QObject
{
    Q_OBJECT
  private slots:
    void allListCodes_data();
    void allListCodes();
    void uploadListCodes_data();
    void uploadListCodes();
    void listItems();
    void separatorSkip_data();
    void separatorSkip();
    void openPicture_data();
    void openPicture();
    void namesAndFiles_data();
    void namesAndFiles();
    void modeIndexAndButtons_data();
    void modeIndexAndButtons();
    void modeReports_data();
    void modeReports();
    void buttonTable();
};

void TestSlotListsAndModes::allListCodes_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("code");
    QTest::newRow("input 1") << 0 << 0x0000;
    QTest::newRow("input 4") << 3 << 0x0003;
    QTest::newRow("separator after inputs") << 4 << kNone;
    QTest::newRow("output 1") << 5 << 0x1000;
    QTest::newRow("separator after outputs") << 6 << kNone;
    QTest::newRow("user 1") << 7 << 0x2000;
    QTest::newRow("user 8") << 14 << 0x2007;
    QTest::newRow("separator after users") << 15 << kNone;
    QTest::newRow("internal 1") << 16 << 0x3000;
    QTest::newRow("internal 8") << 23 << 0x3007;
    QTest::newRow("past the end") << 24 << kNone;
    QTest::newRow("nothing selected") << -1 << kNone;
}

void TestSlotListsAndModes::allListCodes()
{
    QFETCH(int, index);
    QFETCH(int, code);
    const auto got = slotCodeFromAllList(index, k4_1_8_8);
    QCOMPARE(got ? int(*got) : kNone, code);
}

void TestSlotListsAndModes::uploadListCodes_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("code");
    QTest::newRow("input 1") << 0 << 0x0000;
    QTest::newRow("input 4") << 3 << 0x0003;
    QTest::newRow("separator") << 4 << kNone;
    QTest::newRow("user 1") << 5 << 0x2000;
    QTest::newRow("user 2") << 6 << 0x2001;
    QTest::newRow("user 8") << 12 << 0x2007;
    QTest::newRow("past the end") << 13 << kNone;
}

void TestSlotListsAndModes::uploadListCodes()
{
    QFETCH(int, index);
    QFETCH(int, code);
    const auto got = slotCodeFromUploadList(index, k4_1_8_8);
    QCOMPARE(got ? int(*got) : kNone, code);
}

void TestSlotListsAndModes::listItems()
{
    const auto all = allListItems(k4_1_8_8);
    QCOMPARE(int(all.size()), 24);
    QCOMPARE(all[5], std::string("Output 1"));
    QCOMPARE(all[7], std::string("User 1"));
    QCOMPARE(all[16], std::string("Internal 1"));
    for (int i : {4, 6, 15})
        QCOMPARE(all[i], std::string(kSlotListSeparator));
    // Every item maps to the slot it names.
    for (int i = 0; i < int(all.size()); ++i) {
        const auto code = slotCodeFromAllList(i, k4_1_8_8);
        QCOMPARE(code.has_value(), all[i] != kSlotListSeparator);
        if (code)
            QCOMPARE(slotDisplayName(*code), all[i]);
    }
    const auto upload = uploadListItems(k4_1_8_8);
    QCOMPARE(int(upload.size()), 13);
    QCOMPARE(upload[5], std::string("User 1"));
    // Empty groups keep their separators.
    const auto sparse = allListItems(SlotCounts{2, 0, 0, 1});
    const std::vector<std::string> expected{"Input 1",          "Input 2",          kSlotListSeparator,
                                            kSlotListSeparator, kSlotListSeparator, "Internal 1"};
    QVERIFY(sparse == expected);
    QCOMPARE(int(*slotCodeFromAllList(5, SlotCounts{2, 0, 0, 1})), 0x3000);

    // A device status's counts, kind by kind: the last slot of each exists, the next does not.
    SYS_STATUS status;
    status.inputCount = 4, status.outputCount = 1, status.userCount = 8, status.internalCount = 3;
    const SlotCounts counts = slotCountsOf(status);
    const int expectedCounts[4] = {4, 1, 8, 3};
    for (int kind = 0; kind < 4; ++kind) {
        const int n = expectedCounts[kind];
        QCOMPARE(counts.of(SlotKind(kind)), n);
        QVERIFY(slotExists(makeSlotCode(SlotKind(kind), n), counts));
        QVERIFY(!slotExists(makeSlotCode(SlotKind(kind), n + 1), counts));
    }
    const EdidModeCounts modes = modeCountsOf(status);
    QCOMPARE(modes.internals, 3);
    QCOMPARE(modes.externals, 1);
    QCOMPARE(modes.users, 8);
}

void TestSlotListsAndModes::separatorSkip_data()
{
    QTest::addColumn<int>("inputs");
    QTest::addColumn<int>("outputs");
    QTest::addColumn<int>("users");
    QTest::addColumn<int>("picked");
    QTest::addColumn<int>("settled");
    QTest::newRow("after inputs selects last input") << 4 << 1 << 8 << 4 << 3;
    QTest::newRow("after outputs selects last output") << 4 << 1 << 8 << 6 << 5;
    QTest::newRow("after users selects last user") << 4 << 1 << 8 << 15 << 14;
    QTest::newRow("a slot stays") << 4 << 1 << 8 << 7 << 7;
    QTest::newRow("empty output group: up to the last input") << 2 << 0 << 1 << 3 << 1;
    QTest::newRow("no inputs: down to output 1") << 0 << 1 << 1 << 0 << 1;
}

void TestSlotListsAndModes::separatorSkip()
{
    QFETCH(int, inputs);
    QFETCH(int, outputs);
    QFETCH(int, users);
    QFETCH(int, picked);
    QFETCH(int, settled);
    const auto items = allListItems(SlotCounts{inputs, outputs, users, 2});
    QCOMPARE(::separatorSkip(items, picked), settled);
    // The upload list skips the same way.
    const auto upload = uploadListItems(k4_1_8_8);
    QCOMPARE(::separatorSkip(upload, 4), 3);
}

void TestSlotListsAndModes::openPicture_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("available");
    QTest::newRow("input") << 3 << true;
    QTest::newRow("output") << 5 << false;
    QTest::newRow("user") << 7 << true;
    QTest::newRow("user 8") << 14 << true;
    QTest::newRow("internal") << 16 << false;
}

void TestSlotListsAndModes::openPicture()
{
    QFETCH(int, index);
    QFETCH(bool, available);
    QCOMPARE(openAvailableForAllListIndex(index, k4_1_8_8), available);
}

void TestSlotListsAndModes::namesAndFiles_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("file");
    QTest::newRow("input1") << "input1" << 0x0000 << "Input1 EDID.bin";
    QTest::newRow("Output2") << "Output2" << 0x1001 << "Output2 EDID.bin";
    QTest::newRow("user3") << "user3" << 0x2002 << "User3 EDID.bin";
    QTest::newRow("internal2") << "INTERNAL2" << 0x3001 << "Internal2 EDID.bin";
    QTest::newRow("number 0") << "user0" << kNone << "";
    QTest::newRow("no number") << "user" << kNone << "";
    QTest::newRow("unknown kind") << "slot1" << kNone << "";
    QTest::newRow("trailing text") << "user1x" << kNone << "";
}

void TestSlotListsAndModes::namesAndFiles()
{
    QFETCH(QString, name);
    QFETCH(int, code);
    QFETCH(QString, file);
    const auto got = parseSlotName(name.toStdString());
    QCOMPARE(got ? int(*got) : kNone, code);
    if (got)
        QCOMPARE(QString::fromStdString(proposedEdidFileName(*got)), file);
}

void TestSlotListsAndModes::modeIndexAndButtons_data()
{
    QTest::addColumn<int>("n");
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("u");
    QTest::addColumn<QString>("mode");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("button");
    QTest::newRow("8,1,8 internal1") << 8 << 1 << 8 << "internal1" << 0 << "RadioButton_Set_IntEdid1";
    QTest::newRow("8,1,8 external1") << 8 << 1 << 8 << "external1" << 8 << "RadioButton_Set_ExtEdid1";
    QTest::newRow("8,1,8 user1") << 8 << 1 << 8 << "user1" << 9 << "RadioButton_Set_UserEdid1";
    QTest::newRow("8,1,8 user8") << 8 << 1 << 8 << "user8" << 16 << "RadioButton_Set_UserEdid8";
    QTest::newRow("2,1,2 external1") << 2 << 1 << 2 << "external1" << 2 << "RadioButton_Set_ExtEdid1";
    QTest::newRow("2,1,2 user1") << 2 << 1 << 2 << "user1" << 3 << "RadioButton_Set_UserEdid1";
    QTest::newRow("2,1,2 user3 missing") << 2 << 1 << 2 << "user3" << kNone << "";
    QTest::newRow("2,2,2 external2 has no button")
        << 2 << 2 << 2 << "external2" << 3 << "RadioButton_Set_ExtEdid2";
}

void TestSlotListsAndModes::modeIndexAndButtons()
{
    QFETCH(int, n);
    QFETCH(int, x);
    QFETCH(int, u);
    QFETCH(QString, mode);
    QFETCH(int, index);
    QFETCH(QString, button);
    const EdidModeCounts counts{n, x, u};
    const auto got = parseEdidModeName(mode.toStdString(), counts);
    QCOMPARE(got ? int(*got) : kNone, index);
    if (got) {
        QCOMPARE(buttonOf(edidModeOf(*got, counts)), button);
        QCOMPARE(QString::fromStdString(edidModeDisplayName(*got, counts)).remove(' ').toLower(), mode);
    }
}

void TestSlotListsAndModes::modeReports_data()
{
    QTest::addColumn<int>("n");
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("u");
    QTest::addColumn<bool>("selectable");
    QTest::addColumn<int>("current");
    QTest::addColumn<int>("report");
    QTest::addColumn<bool>("changed");
    QTest::addColumn<QString>("disable");
    QTest::addColumn<QString>("mark");
    QTest::newRow("16 marks User 8") << 8 << 1 << 8 << true << 255 << 16 << true << ""
                                     << "RadioButton_Set_UserEdid8";
    QTest::newRow("17 marks nothing") << 8 << 1 << 8 << true << 3 << 17 << true << ""
                                      << "";
    QTest::newRow("2 of 2,1,2 marks External 1") << 2 << 1 << 2 << true << 255 << 2 << true << ""
                                                 << "RadioButton_Set_ExtEdid1";
    QTest::newRow("3 of 2,1,2 marks User 1") << 2 << 1 << 2 << true << 2 << 3 << true << ""
                                             << "RadioButton_Set_UserEdid1";
    QTest::newRow("same report changes nothing") << 2 << 1 << 2 << false << 3 << 3 << false << ""
                                                 << "";
    QTest::newRow("not selectable: old one disabled")
        << 2 << 1 << 2 << false << 0 << 3 << true << "RadioButton_Set_IntEdid1"
        << "RadioButton_Set_UserEdid1";
    QTest::newRow("not selectable, out of range: only disabled")
        << 2 << 1 << 2 << false << 1 << 9 << true << "RadioButton_Set_IntEdid2"
        << "";
    QTest::newRow("not selectable, first report: nothing to disable")
        << 2 << 1 << 2 << false << 255 << 0 << true << ""
        << "RadioButton_Set_IntEdid1";
}

void TestSlotListsAndModes::modeReports()
{
    QFETCH(int, n);
    QFETCH(int, x);
    QFETCH(int, u);
    QFETCH(bool, selectable);
    QFETCH(int, current);
    QFETCH(int, report);
    QFETCH(bool, changed);
    QFETCH(QString, disable);
    QFETCH(QString, mark);
    const auto effect = edidModeReportEffect(std::uint8_t(report), std::uint8_t(current), selectable,
                                             EdidModeCounts{n, x, u});
    QCOMPARE(effect.changed, changed);
    QCOMPARE(buttonOf(effect.disable), disable);
    QCOMPARE(buttonOf(effect.mark), mark);
    QCOMPARE(int(effect.newCurrent), changed ? report : current);
}

void TestSlotListsAndModes::buttonTable()
{
    // The table's names are the names the modes compose, so a report always finds its button.
    const EdidModeCounts counts{8, 1, 8};
    for (const auto &b : ModeSelectGroup::kButtons) {
        const auto index = edidModeIndex(b.mode.kind, b.mode.number, counts);
        QVERIFY(index.has_value());
        QCOMPARE(buttonOf(edidModeOf(*index, counts)), QString(b.name));
        QCOMPARE(QString::fromStdString(edidModeDisplayName(*index, counts)), QString(b.caption));
    }
}

QTEST_APPLESS_MAIN(TestSlotListsAndModes)
#include "tst_slot_lists_modes.moc"
