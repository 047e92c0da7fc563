// The "Mode Select" group against a simulated device (presses, reports, enabling at connect and
// disconnect) and the EDID Analyzer window's placement beside the "Commander" window.
#include <QButtonGroup>
#include <QGroupBox>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>

#include "ControllerFixture.h"
#include "edid/EdidSummary.h"
#include "link/EdidModes.h"
#include "workbench/ModeSelectGroup.h"

namespace {

SimulatedDeviceConfig counts(int internals, int outputs, int users, bool selectable = true)
{
    SimulatedDeviceConfig c;
    c.internals = internals;
    c.outputs = outputs;
    c.users = users;
    c.inputNode.modeSelectable = selectable;
    return c;
}

QStringList enabledButtons(const ControllerRig &rig)
{
    QStringList names;
    for (auto *b : rig.page.findChildren<QRadioButton *>())
        if (b->isEnabled())
            names << b->objectName();
    names.sort();
    return names;
}

QString checkedButton(const ControllerRig &rig)
{
    for (auto *b : rig.page.findChildren<QRadioButton *>())
        if (b->isChecked())
            return b->objectName();
    return {};
}

} // namespace

class TestModeSelect : public QObject
{
    Q_OBJECT
  private slots:
    void startUpLooks();
    void pressSendsMode_data();
    void pressSendsMode();
    void keyboardActsAsThePress_data();
    void keyboardActsAsThePress();
    void reports_data();
    void reports();
    void notSelectableDevice();
    void pollMarksReportedMode();
    void disconnectDisablesKeepsMark();
    void analyzerAudioRowWraps();
    void analyzerPlacement_data();
    void analyzerPlacement();
};

void TestModeSelect::startUpLooks()
{
    ControllerRig rig;
    auto *group = rig.child<QGroupBox>("GroupBox12");
    QVERIFY(group);
    QCOMPARE(group->title(), QStringLiteral("Mode Select"));
    QCOMPARE(group->height(), 65);
    auto *heading = rig.child<QLabel>("Label30");
    QCOMPARE(heading->text(),
             QStringLiteral("Internal                           External                         User"));
    QVERIFY(heading->isHidden());
    QButtonGroup *exclusive = nullptr;
    for (const auto &b : ModeSelectGroup::kButtons) {
        auto *radio = rig.child<QRadioButton>(b.name);
        QVERIFY2(radio, b.name);
        QCOMPARE(radio->text(), QString::fromLatin1(b.caption));
        QVERIFY(!radio->isEnabled());
        QCOMPARE(radio->isHidden(), b.mode.kind == EdidModeKind::Internal && b.mode.number > 1);
        QVERIFY(radio->group());
        if (!exclusive)
            exclusive = radio->group();
        QCOMPARE(radio->group(), exclusive);
    }
    QVERIFY(exclusive->exclusive());
    // Columns: internal left, external middle, user right; rows going down.
    auto *int1 = rig.child<QRadioButton>("RadioButton_Set_IntEdid1");
    auto *ext1 = rig.child<QRadioButton>("RadioButton_Set_ExtEdid1");
    auto *user1 = rig.child<QRadioButton>("RadioButton_Set_UserEdid1");
    auto *user2 = rig.child<QRadioButton>("RadioButton_Set_UserEdid2");
    QVERIFY(int1->x() < ext1->x() && ext1->x() < user1->x());
    QCOMPARE(int1->y(), user1->y());
    auto *modeGroup = rig.child<ModeSelectGroup>("GroupBox12");
    QVERIFY(modeGroup->rowStep() >= EdidControllerPage::kModeRowStep);
    QCOMPARE(user2->y() - user1->y(), modeGroup->rowStep());
    // Neighbouring buttons and their marks stay apart at that row step.
    QVERIFY(!user1->geometry().intersects(user2->geometry()));
    QStyleOptionButton option;
    option.initFrom(user1);
    const QRect mark = user1->style()->subElementRect(QStyle::SE_RadioButtonIndicator, &option, user1);
    // The mark is the style's own, whole inside its button.
    QCOMPARE(mark.height(), user1->style()->pixelMetric(QStyle::PM_ExclusiveIndicatorHeight, &option, user1));
    QVERIFY2(mark.height() <= modeGroup->rowStep() && user1->rect().contains(mark),
             qPrintable(QStringLiteral("mark %1 px high").arg(mark.height())));
}

void TestModeSelect::pressSendsMode_data()
{
    QTest::addColumn<int>("n");
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("u");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QByteArray>("sent");
    QTest::newRow("8,1,8 Internal 1")
        << 8 << 1 << 8 << "RadioButton_Set_IntEdid1" << line("$SET RXEDMD 00", "7799");
    QTest::newRow("8,1,8 External 1")
        << 8 << 1 << 8 << "RadioButton_Set_ExtEdid1" << line("$SET RXEDMD 08", "FBD1");
    QTest::newRow("8,1,8 User 1") << 8 << 1 << 8 << "RadioButton_Set_UserEdid1"
                                  << line("$SET RXEDMD 09", "EA58");
    QTest::newRow("8,1,8 User 8") << 8 << 1 << 8 << "RadioButton_Set_UserEdid8"
                                  << line("$SET RXEDMD 10", "6E41");
    QTest::newRow("2,1,2 External 1")
        << 2 << 1 << 2 << "RadioButton_Set_ExtEdid1" << line("$SET RXEDMD 02", "548B");
    QTest::newRow("2,1,2 User 1") << 2 << 1 << 2 << "RadioButton_Set_UserEdid1"
                                  << line("$SET RXEDMD 03", "4502");
}

void TestModeSelect::pressSendsMode()
{
    QFETCH(int, n);
    QFETCH(int, x);
    QFETCH(int, u);
    QFETCH(QString, button);
    QFETCH(QByteArray, sent);
    ControllerRig rig(counts(n, x, u));
    QVERIFY(rig.connect());
    rig.session.channel().stopPoll();
    rig.device.clearRequests();
    auto *radio = rig.page.findChild<QRadioButton *>(button);
    QVERIFY(radio->isEnabled());

    QTest::mousePress(radio, Qt::RightButton); // any mouse button

    QVERIFY(radio->isChecked());
    const QList<QByteArray> expected{line("$SET ND_SEL 0000", "4E5C"), sent};
    QCOMPARE(rig.requestLines(), expected);
    QCOMPARE(rig.session.registry().serialRecord().selectedSlot, 0u);
    // The press does not change the shown mode; the next report does.
    QCOMPARE(int(rig.session.registry().serialRecord().inputNodes[0].currentEdidMode), 255);
}

void TestModeSelect::keyboardActsAsThePress_data()
{
    // Internal 1 is marked, User 1 has the focus; then the keys.
    QTest::addColumn<QList<int>>("keys");
    QTest::addColumn<QString>("marked");
    QTest::addColumn<QString>("focused");
    QTest::addColumn<QByteArray>("sent"); // SET RXEDMD after SET ND_SEL 0000; empty: nothing sent
    QTest::newRow("Space") << QList<int>{Qt::Key_Space} << "RadioButton_Set_UserEdid1"
                           << "RadioButton_Set_UserEdid1" << line("$SET RXEDMD 09", "EA58");
    QTest::newRow("Return") << QList<int>{Qt::Key_Return} << "RadioButton_Set_UserEdid1"
                            << "RadioButton_Set_UserEdid1" << line("$SET RXEDMD 09", "EA58");
    QTest::newRow("Enter") << QList<int>{Qt::Key_Enter} << "RadioButton_Set_UserEdid1"
                           << "RadioButton_Set_UserEdid1" << line("$SET RXEDMD 09", "EA58");
    QTest::newRow("Down moves the focus, not the mark")
        << QList<int>{Qt::Key_Down} << "RadioButton_Set_IntEdid1" << "RadioButton_Set_UserEdid2" << QByteArray();
    QTest::newRow("Left then Space")
        << QList<int>{Qt::Key_Left, Qt::Key_Space} << "RadioButton_Set_ExtEdid1" << "RadioButton_Set_ExtEdid1"
        << line("$SET RXEDMD 08", "FBD1");
}

void TestModeSelect::keyboardActsAsThePress()
{
    QFETCH(QList<int>, keys);
    QFETCH(QString, marked);
    QFETCH(QString, focused);
    QFETCH(QByteArray, sent);
    ControllerRig rig(counts(8, 1, 8));
    QVERIFY(rig.connect());
    rig.session.channel().stopPoll();
    rig.page.show();
    QApplication::setActiveWindow(&rig.page);
    auto *int1 = rig.page.findChild<QRadioButton *>(QStringLiteral("RadioButton_Set_IntEdid1"));
    auto *user1 = rig.page.findChild<QRadioButton *>(QStringLiteral("RadioButton_Set_UserEdid1"));
    QTest::mousePress(int1, Qt::LeftButton);
    QVERIFY(int1->focusPolicy() & Qt::TabFocus); // Tab reaches the group at its marked button
    rig.device.clearRequests();
    user1->setFocus(Qt::OtherFocusReason);
    QVERIFY(user1->hasFocus());

    for (int key : keys)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));

    QCOMPARE(checkedButton(rig), marked);
    QCOMPARE(QApplication::focusWidget()->objectName(), focused);
    const QList<QByteArray> expected =
        sent.isEmpty() ? QList<QByteArray>{} : QList<QByteArray>{line("$SET ND_SEL 0000", "4E5C"), sent};
    QCOMPARE(rig.requestLines(), expected);
}

void TestModeSelect::reports_data()
{
    QTest::addColumn<int>("n");
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("u");
    QTest::addColumn<QList<int>>("reports");
    QTest::addColumn<QString>("checked");
    QTest::addColumn<int>("current");
    QTest::newRow("16 marks User 8") << 8 << 1 << 8 << QList<int>{16} << "RadioButton_Set_UserEdid8" << 16;
    QTest::newRow("17 selects nothing") << 8 << 1 << 8 << QList<int>{17} << "" << 17;
    QTest::newRow("2 marks External 1") << 2 << 1 << 2 << QList<int>{2} << "RadioButton_Set_ExtEdid1" << 2;
    QTest::newRow("3 marks User 1") << 2 << 1 << 2 << QList<int>{3} << "RadioButton_Set_UserEdid1" << 3;
    QTest::newRow("counts over the buttons: skipped") << 10 << 1 << 2 << QList<int>{9} << "" << 9;
}

void TestModeSelect::reports()
{
    QFETCH(int, n);
    QFETCH(int, x);
    QFETCH(int, u);
    QFETCH(QList<int>, reports);
    QFETCH(QString, checked);
    QFETCH(int, current);
    ControllerRig rig(counts(n, x, u));
    QVERIFY(rig.connect());
    rig.session.channel().stopPoll();
    for (int r : reports)
        rig.page.applyEdidModeReport(std::uint8_t(r));
    QCOMPARE(checkedButton(rig), checked);
    QCOMPARE(int(rig.session.registry().serialRecord().inputNodes[0].currentEdidMode), current);
}

void TestModeSelect::notSelectableDevice()
{
    ControllerRig rig(counts(2, 1, 2, false));
    QVERIFY(rig.connect());
    rig.session.channel().stopPoll();
    QVERIFY(enabledButtons(rig).isEmpty());

    const struct
    {
        int report;
        QStringList enabled;
        QString checked;
    } steps[] = {
        {2, {"RadioButton_Set_ExtEdid1"}, "RadioButton_Set_ExtEdid1"},
        {2, {"RadioButton_Set_ExtEdid1"}, "RadioButton_Set_ExtEdid1"}, // identical: nothing changes
        {3, {"RadioButton_Set_UserEdid1"}, "RadioButton_Set_UserEdid1"},
        {9, {}, "RadioButton_Set_UserEdid1"}, // out of range: previous disabled, mark kept
        {0, {"RadioButton_Set_IntEdid1"}, "RadioButton_Set_IntEdid1"},
    };
    for (const auto &s : steps) {
        rig.page.applyEdidModeReport(std::uint8_t(s.report));
        QCOMPARE(enabledButtons(rig), s.enabled);
        QCOMPARE(checkedButton(rig), s.checked);
    }
    // A press on a disabled button sends nothing.
    rig.device.clearRequests();
    QTest::mousePress(rig.page.findChild<QRadioButton *>(QStringLiteral("RadioButton_Set_UserEdid2")),
                      Qt::LeftButton);
    pauseWithEvents(30);
    QVERIFY(rig.requestLines().isEmpty());
}

void TestModeSelect::pollMarksReportedMode()
{
    SimulatedDeviceConfig config = counts(2, 1, 2);
    config.edidMode = 3;
    ControllerRig rig(config);
    QVERIFY(rig.connect());
    QStringList expected{"RadioButton_Set_ExtEdid1", "RadioButton_Set_IntEdid1", "RadioButton_Set_IntEdid2",
                         "RadioButton_Set_UserEdid1", "RadioButton_Set_UserEdid2"};
    QCOMPARE(enabledButtons(rig), expected);
    QTRY_COMPARE_WITH_TIMEOUT(checkedButton(rig), QStringLiteral("RadioButton_Set_UserEdid1"), 5000);
    // A press the device takes shows after the next poll.
    QTest::mousePress(rig.page.findChild<QRadioButton *>(QStringLiteral("RadioButton_Set_IntEdid2")),
                      Qt::LeftButton);
    QCOMPARE(rig.device.edidMode(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(int(rig.session.registry().serialRecord().inputNodes[0].currentEdidMode), 1,
                              5000);
    QCOMPARE(checkedButton(rig), QStringLiteral("RadioButton_Set_IntEdid2"));
}

void TestModeSelect::disconnectDisablesKeepsMark()
{
    ControllerRig rig(counts(8, 1, 8));
    QVERIFY(rig.connect());
    rig.session.channel().stopPoll();
    QCOMPARE(enabledButtons(rig).size(), 17);
    rig.page.applyEdidModeReport(10);
    if (const QString dir = qEnvironmentVariable("KELM_RENDER_DIR"); !dir.isEmpty()) {
        auto *group = rig.page.findChild<QWidget *>(QStringLiteral("GroupBox12"));
        static_cast<ModeSelectGroup *>(group)->showModeCounts(8, 8); // as the device list sizes it for 8 rows
        rig.pages.resize(450, 450);
        rig.pages.show();
        group->grab().save(dir + QStringLiteral("/mode-select-8-1-8.png"));
    }
    rig.session.disconnect();
    QVERIFY(enabledButtons(rig).isEmpty());
    QCOMPARE(checkedButton(rig), QStringLiteral("RadioButton_Set_UserEdid2"));
}

void TestModeSelect::analyzerAudioRowWraps()
{
    EdidAnalyzerWindow analyzer;
    auto *panel = analyzer.findChild<QWidget *>(QStringLiteral("Panel10"));
    auto *audio = analyzer.findChild<QLabel *>(QStringLiteral("Label_Audio_Formats"));
    auto *channels = analyzer.findChild<QLabel *>(QStringLiteral("Label_Audio_Channel"));
    EdidSummary summary;
    summary.imageValid = true;
    for (const AudioFormatItem &item : AudioFormatItems) {
        summary.audioFormatItems.emplace_back(item.item);
        summary.answer(SummaryAnswer::AudioFormats) += item.item;
    }
    summary.answer(SummaryAnswer::MonitorName) = "Caf\xe9 TV"; // a byte per character, as the EDID holds it
    analyzer.showSummary(summary);
    analyzer.show();
    QCOMPARE(panel->height(), 38);
    QCOMPARE(audio->height(), 38);
    QCOMPARE(audio->text(), QStringLiteral("2PCM,MPCM,DolbyD,DolbyD+,DolbyHD,\nDTS,DTSHD,AAC,OBA,"));
    QCOMPARE(analyzer.findChild<QLabel *>(QStringLiteral("Label_Monitor_Name"))->text(),
             QStringLiteral(u"Caf\u00e9 TV"));
    // The rows below move down with it.
    QCOMPARE(channels->mapTo(&analyzer, QPoint()).y() - audio->mapTo(&analyzer, QPoint()).y(), 38);
    const QString dir = qEnvironmentVariable("KELM_RENDER_DIR");
    if (!dir.isEmpty())
        analyzer.grab().save(dir + QStringLiteral("/edid-analyzer-two-line-audio.png"));

    summary.audioFormatItems = {"2PCM,"};
    summary.answer(SummaryAnswer::AudioFormats) = "2PCM,";
    analyzer.showSummary(summary);
    QCOMPARE(panel->height(), 23);
}

void TestModeSelect::analyzerPlacement_data()
{
    QTest::addColumn<QPoint>("analyzerAt");
    QTest::addColumn<QPoint>("expected");
    QTest::newRow("300 above: stays") << QPoint(420, 200) << QPoint(420, 200);
    QTest::newRow("301 above: moves") << QPoint(420, 199) << QPoint(865, 500);
    QTest::newRow("301 below: moves") << QPoint(420, 801) << QPoint(865, 500);
    QTest::newRow("700 left: stays") << QPoint(1100, 500) << QPoint(1100, 500);
    QTest::newRow("701 right: moves") << QPoint(1101, 500) << QPoint(865, 500);
    QTest::newRow("start-up place is far: moves") << QPoint(889, 154) << QPoint(865, 500);
}

void TestModeSelect::analyzerPlacement()
{
    QFETCH(QPoint, analyzerAt);
    QFETCH(QPoint, expected);
    EdidAnalyzerWindow analyzer;
    QCOMPARE(analyzer.pos(), QPoint(889, 154));
    QCOMPARE(analyzer.size(), QSize(422, 481));
    QWidget commander;
    commander.setObjectName(QStringLiteral("TForm3"));
    commander.move(400, 500);
    analyzer.move(analyzerAt);
    analyzer.placeAndShow();
    QCOMPARE(analyzer.pos(), expected);
    QVERIFY(analyzer.isVisible());
}

QTEST_MAIN(TestModeSelect)
#include "tst_mode_select.moc"
