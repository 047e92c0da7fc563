// The EDID pages when the device does not answer a SET: the page's status label shows the failure
// in red and never "Ok.".
#include "ControllerFixture.h"

#include <QRadioButton>
#include <QToolButton>

#include "FaultTable.h"
#include "link/CommandResult.h"
#include "link/SlotTransfer.h"

namespace {
constexpr int kUser = 2;
} // namespace

class TestDeviceFailures : public QObject
{
    Q_OBJECT
  private slots:
    void controllerActions_data();
    void controllerActions();
    void creatorUpload_data();
    void creatorUpload();

  private:
    QTemporaryDir m_dir;
};

void TestDeviceFailures::controllerActions_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("dropSet");   // the SET of the action left unanswered (0: none)
    QTest::addColumn<int>("lateSetMs"); // SET answers this late
    QTest::addColumn<QString>("failure");
    QTest::newRow("open, all answered") << "open" << 0 << 0 << QString();
    QTest::newRow("open, SET answers 30 ms late") << "open" << 0 << 30 << QString();
    QTest::newRow("open, SYS_STM unanswered") << "open" << 1 << 0 << QString::fromLatin1(kUploadFailedText);
    QTest::newRow("open, a quarter unanswered") << "open" << 4 << 0 << QString::fromLatin1(kUploadFailedText);
    QTest::newRow("open, SYS_CTM unanswered") << "open" << 7 << 0 << QString::fromLatin1(kUploadFailedText);
    QTest::newRow("open, SET answers 200 ms late") << "open" << 0 << 200 << QString::fromLatin1(kUploadFailedText);
    QTest::newRow("copy, all answered") << "copy" << 0 << 0 << QString();
    QTest::newRow("copy, destination ND_SEL unanswered") << "copy" << 2 << 0 << QString::fromLatin1(kCopyFailedText);
    QTest::newRow("copy, last quarter unanswered") << "copy" << 6 << 0 << QString::fromLatin1(kCopyFailedText);
    QTest::newRow("copy, source ND_SEL unanswered") << "copy" << 1 << 0 << QString::fromLatin1(kReadFailedText);
    QTest::newRow("mode, all answered") << "mode" << 0 << 0 << QString();
    QTest::newRow("mode, RXEDMD unanswered") << "mode" << 2 << 0 << QString::fromLatin1(kSetFailedText);
}

void TestDeviceFailures::controllerActions()
{
    QFETCH(QString, action);
    QFETCH(int, dropSet);
    QFETCH(int, lateSetMs);
    QFETCH(QString, failure);
    ControllerRig rig;
    QVERIFY(rig.connect());
    rig.session.registry().update(0, [&](SYS_STATUS &s) { s.inputNodes[0].modePolled = 0; });
    const EdidImage image = validImage(9);
    const QString path = writeImageFile(m_dir, QStringLiteral("up.bin"), image);
    QVERIFY(!path.isEmpty());
    rig.dialogs.fileAnswer = path;
    rig.device.faults().dropSetReply = dropSet;
    rig.device.faults().lateSetReplyMs = lateSetMs;
    LabelRecorder label(rig.child<QLabel>("Label2"));

    if (action == QLatin1String("open")) {
        rig.pick("ComboBox_EdidSel_All", 8); // User 2
        rig.page.SpeedButton_OpenEdidClick();
        if (failure.isEmpty())
            QCOMPARE(rig.device.slotImage(kUser, 2), image);
    } else if (action == QLatin1String("copy")) {
        rig.pick("ComboBox_EdidSel_Src", 16); // Internal 1
        rig.pick("ComboBox_EdidSel_Dest", 6); // User 2
        rig.page.SpeedButton_CopyEdid_Src2DestClick();
        if (failure.isEmpty())
            QCOMPARE(rig.device.slotImage(kUser, 2), rig.device.slotImage(3, 1));
        QVERIFY(rig.child<QToolButton>("SpeedButton_CopyEdid_Src2Dest")->isEnabled());
    } else {
        rig.page.modeButtonPressed(2, 3); // User 3
        if (failure.isEmpty())
            QCOMPARE(rig.device.edidMode(), 8 + 1 + 2);
    }
    label.sample();
    const QString shown = label.texts().join(QLatin1Char('|'));
    if (failure.isEmpty()) {
        QVERIFY2(!label.showedIn(QString::fromLatin1(kUploadFailedText), Qt::red), qPrintable(shown));
        if (action == QLatin1String("open"))
            QVERIFY2(label.showedIn(QStringLiteral("Ok."), Qt::black), qPrintable(shown));
    } else {
        QVERIFY2(label.showedIn(failure, Qt::red), qPrintable(shown));
        // SYS_CTM follows the shown "Ok." of a transfer the device did confirm (the order of the
        // requests and waits stays); its failure is shown after it.
        if (QByteArray(QTest::currentDataTag()).contains("SYS_CTM"))
            QCOMPARE(label.texts().filter(QRegularExpression(QStringLiteral(".+"))).last(), failure);
        else
            QVERIFY2(!label.showedIn(QStringLiteral("Ok."), Qt::black), qPrintable(shown));
    }
    QCOMPARE(rig.child<QLabel>("Label2")->text(), QString());
    pauseWithEvents(250); // late answers land before the device goes
}

// The upload is ND_SEL and four quarters, tried against the faults kelmctl's commands are.
std::vector<FaultCase> creatorUploadFaults()
{
    std::vector<FaultCase> faults = setFaults(5);
    faults.push_back({"port gone part-way", [](SimulatedFaults &f) { f.vanishAfterRequests = 3; }, true});
    return faults;
}

void TestDeviceFailures::creatorUpload_data()
{
    QTest::addColumn<int>("fault");
    const std::vector<FaultCase> faults = creatorUploadFaults();
    for (std::size_t i = 0; i < faults.size(); ++i)
        QTest::newRow(faults[i].name.c_str()) << int(i);
}

void TestDeviceFailures::creatorUpload()
{
    QFETCH(int, fault);
    const FaultCase f = creatorUploadFaults()[std::size_t(fault)];
    ControllerRig rig;
    QVERIFY(rig.connect());
    rig.session.registry().update(0, [&](SYS_STATUS &s) { s.inputNodes[0].modePolled = 0; });
    rig.creator.SpeedButton_OpenEdid_NewClick();
    armAfterRequests(rig.device, f.arm, 0);
    auto *status = rig.creator.findChild<QLabel *>(QStringLiteral("Label3"));
    QVERIFY(status);
    LabelRecorder label(status);
    rig.creator.SpeedButton_CopyEdid_CreatorClick(); // Upload into Input 1
    label.sample();
    const QString shown = label.texts().join(QLatin1Char('|'));
    QVERIFY2(label.showedIn(QString::fromLatin1(f.fails ? kUploadFailedText : kOkText),
                            f.fails ? QColor(Qt::red) : QColor(Qt::black)),
             qPrintable(shown));
    if (f.fails)
        QVERIFY2(!label.texts().contains(QStringLiteral("Ok.")), qPrintable(shown));
    else
        QCOMPARE(rig.device.slotImage(0, 1), rig.session.creatorRecord().image);
    pauseWithEvents(200); // late answers land before the device goes
}

QTEST_MAIN(TestDeviceFailures)
#include "tst_device_failures.moc"
