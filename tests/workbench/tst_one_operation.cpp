// One device operation at a time, and every "Ok." verified: each device action of the EDID pages
// started (as a queued click or a timer would) inside each other's pauses, against the simulated
// device; and the read-back of Upload, Creator Upload and Copy against a device that stores a
// wrong byte.

#include <QFile>
#include <QTemporaryDir>
#include <QToolButton>

#include <map>
#include <set>

#include "ControllerFixture.h"
#include "link/EdidModes.h"
#include "link/SlotLists.h"
#include "link/SlotTransfer.h"

namespace {

constexpr int kInternal = 3, kUser = 2, kInput = 0;

enum class Action { Upload, Save, Analysis, Copy, Mode, CreatorUpload };
const char *const kActionNames[] = {"Upload", "Save", "Analysis", "Copy", "Mode select", "Creator upload"};
constexpr Action kActions[] = {Action::Upload,  Action::Save, Action::Analysis,
                               Action::Copy,    Action::Mode, Action::CreatorUpload};

// Each action works on slots of its own, so a stray write shows where it came from.
struct Target
{
    int kind = -1;
    int number = 0;
};
Target writtenBy(Action a)
{
    switch (a) {
    case Action::Upload:
        return {kUser, 1};
    case Action::Copy:
        return {kUser, 3};
    case Action::CreatorUpload:
        return {kUser, 4};
    default:
        return {};
    }
}
// ND_SEL codes each action may send.
std::set<quint16> selectsOf(Action a)
{
    switch (a) {
    case Action::Upload:
        return {0x2000};
    case Action::Save:
        return {0x3000};
    case Action::Analysis:
        return {0x3001};
    case Action::Copy:
        return {0x3002, 0x2002};
    case Action::Mode:
        return {0x0000};
    case Action::CreatorUpload:
        return {0x2003};
    }
    return {};
}

int indexOf(QComboBox *combo, const QString &text)
{
    return combo->findText(text);
}

QByteArray bytesOf(const EdidImage &image)
{
    return QByteArray(reinterpret_cast<const char *>(image.data()), qsizetype(image.size()));
}

} // namespace

class TestOneOperation : public QObject
{
    Q_OBJECT

  private:
    QTemporaryDir m_dir;

    void pick(ControllerRig &rig, const char *list, const QString &text)
    {
        auto *combo = rig.child<QComboBox>(list);
        if (!combo)
            combo = rig.creator.findChild<QComboBox *>(QString::fromLatin1(list));
        const int index = indexOf(combo, text);
        QVERIFY2(index >= 0, qPrintable(text));
        combo->setCurrentIndex(index);
        emit combo->activated(index);
    }

    // The operator's choice and click for one action (the choice as the click would find it).
    void start(ControllerRig &rig, Action a, const QString &uploadPath)
    {
        switch (a) {
        case Action::Upload:
            pick(rig, "ComboBox_EdidSel_All", QStringLiteral("User 1"));
            rig.dialogs.openAnswers << uploadPath;
            rig.page.SpeedButton_OpenEdidClick();
            break;
        case Action::Save:
            pick(rig, "ComboBox_EdidSel_All", QStringLiteral("Internal 1"));
            rig.dialogs.saveAnswers << m_dir.filePath(QStringLiteral("saved.bin"));
            rig.page.SpeedButton_SaveEdidClick();
            break;
        case Action::Analysis:
            pick(rig, "ComboBox_EdidSel_All", QStringLiteral("Internal 2"));
            rig.page.SpeedButton_AnalysisEdidClick();
            break;
        case Action::Copy:
            pick(rig, "ComboBox_EdidSel_Src", QStringLiteral("Internal 3"));
            pick(rig, "ComboBox_EdidSel_Dest", QStringLiteral("User 3"));
            rig.page.SpeedButton_CopyEdid_Src2DestClick();
            break;
        case Action::Mode:
            rig.page.modeButtonPressed(int(EdidModeKind::Internal), 3);
            break;
        case Action::CreatorUpload:
            pick(rig, "ComboBox_EdidSel_Upload", QStringLiteral("User 4"));
            rig.creator.SpeedButton_CopyEdid_CreatorClick();
            break;
        }
    }

  private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void actionDuringAction_data()
    {
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("second");
        for (Action a : kActions)
            for (Action b : kActions)
                QTest::newRow(qPrintable(QStringLiteral("%1 during %2")
                                             .arg(QLatin1String(kActionNames[int(b)]),
                                                  QLatin1String(kActionNames[int(a)]))))
                    << int(a) << int(b);
    }

    // The second action is reached twice while the first runs: 40 ms in (inside a request's pause)
    // and 600 ms in (between requests or in the page's own waits). It is refused both times: nothing
    // of it reaches the wire, brackets never nest, no slot but the first action's changes, and no
    // "Ok." is shown that the first action did not earn.
    void actionDuringAction()
    {
        QFETCH(int, first);
        QFETCH(int, second);
        const Action a = Action(first);
        const Action b = Action(second);
        ControllerRig rig;
        QVERIFY(rig.connect());
        const EdidImage upload = validImage(0x51);
        const QString uploadPath = m_dir.filePath(QStringLiteral("upload.bin"));
        {
            QFile f(uploadPath);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(bytesOf(upload));
        }
        rig.creator.SpeedButton_OpenEdid_NewClick();
        std::map<std::pair<int, int>, EdidImage> before;
        for (int kind : {kInput, kUser, kInternal})
            for (int n = 1; n <= rig.device.slotCount(kind); ++n)
                before[{kind, n}] = rig.device.slotImage(kind, n);
        const int modeBefore = rig.device.edidMode();

        QString log;
        QObject::connect(&rig.log, &DebugLog::appended, [&log](const QString &t) { log += t; });
        LabelRecorder pageLabel(rig.child<QLabel>("Label2"));
        LabelRecorder creatorLabel(rig.creator.findChild<QLabel *>(QStringLiteral("Label3")));
        int secondRan = 0;
        QTimer::singleShot(40, [&] {
            ++secondRan;
            start(rig, b, uploadPath);
        });
        // The second time falls between the first action's requests or in its waits; a mode choice
        // is too short for that and gets it during its second request.
        QTimer later;
        QElapsedTimer clock;
        clock.start();
        const int laterMs = a == Action::Analysis ? 150 : 600;
        QObject::connect(&later, &QTimer::timeout, [&] {
            const bool due = a == Action::Mode ? rig.device.requests().size() >= 2 : clock.elapsed() >= laterMs;
            if (!due)
                return;
            later.stop();
            ++secondRan;
            start(rig, b, uploadPath);
        });
        later.start(2);

        start(rig, a, uploadPath);
        later.stop();
        QCOMPARE(secondRan, 2);
        pauseWithEvents(1); // (nothing may be left running)
        QVERIFY(!rig.session.channel().operationRunning());

        const QString refusal = QStringLiteral("%1 refused: %2 is running.")
                                    .arg(QLatin1String(kActionNames[int(b)]), QLatin1String(kActionNames[int(a)]));
        QVERIFY2(log.count(refusal) == 2, qPrintable(log));
        QVERIFY(!log.contains(QStringLiteral("ND_SEL refused"))); // refused at its start, not halfway

        // The wire: the first action's requests and the status poll, brackets never nested.
        int depth = 0;
        for (const SimulatedRequest &r : rig.device.requests()) {
            if (r.command == Command::SYS_STM)
                QVERIFY(++depth <= 1);
            if (r.command == Command::SYS_CTM)
                QVERIFY(--depth >= 0);
            if (r.command == Command::ND_SEL) {
                const quint16 code = quint16((quint8(r.payload[0]) << 8) | quint8(r.payload[1]));
                QVERIFY2(selectsOf(a).count(code), qPrintable(QString::number(code, 16)));
            }
            if (r.command == Command::RXEDMD && r.direction == Direction::SET)
                QVERIFY(a == Action::Mode);
        }
        QCOMPARE(depth, 0);

        // The slots: only the first action's target changed, and it holds what was meant.
        const Target t = writtenBy(a);
        for (const auto &[slot, image] : before) {
            const EdidImage now = rig.device.slotImage(slot.first, slot.second);
            if (slot.first == t.kind && slot.second == t.number)
                continue;
            QVERIFY2(now == image, qPrintable(QStringLiteral("slot %1/%2").arg(slot.first).arg(slot.second)));
        }
        if (a == Action::Upload)
            QVERIFY(rig.device.slotImage(kUser, 1) == upload);
        if (a == Action::Copy)
            QVERIFY(rig.device.slotImage(kUser, 3) == before[std::make_pair(kInternal, 3)]);
        if (a == Action::CreatorUpload)
            QVERIFY(rig.device.slotImage(kUser, 4) == rig.session.creatorRecord().image);
        QCOMPARE(rig.device.edidMode() != modeBefore, a == Action::Mode);

        // "Ok." only where the first action earned it.
        const bool pageOk = a == Action::Upload || a == Action::Save || a == Action::Copy;
        QCOMPARE(pageLabel.showedIn(QStringLiteral("Ok."), Qt::black), pageOk);
        QCOMPARE(creatorLabel.texts().contains(QStringLiteral("Ok.")), a == Action::CreatorUpload);
        QVERIFY(!pageLabel.showedIn(QString::fromLatin1(kUploadFailedText), Qt::red));
    }

    // Disconnect during an Upload: the request on the wire finishes, the bracket is closed, the
    // upload shows as failed, and then the link is down.
    void disconnectDuringUpload()
    {
        ControllerRig rig;
        QVERIFY(rig.connect());
        const QString path = m_dir.filePath(QStringLiteral("d.bin"));
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(bytesOf(validImage(0x61)));
        }
        LabelRecorder label(rig.child<QLabel>("Label2"));
        bool stillConnectedRightAfter = false;
        QTimer::singleShot(200, [&] {
            rig.session.disconnect();
            stillConnectedRightAfter = rig.session.connected();
        });
        rig.pick("ComboBox_EdidSel_All", indexOf(rig.child<QComboBox>("ComboBox_EdidSel_All"), "User 1"));
        rig.dialogs.openAnswers << path;
        rig.page.SpeedButton_OpenEdidClick();
        pauseWithEvents(1);

        QVERIFY(stillConnectedRightAfter);
        QVERIFY(!rig.session.connected());
        QVERIFY(label.showedIn(QString::fromLatin1(kUploadFailedText), Qt::red));
        QVERIFY(!label.showedIn(QStringLiteral("Ok."), Qt::black));
        const auto &requests = rig.device.requests();
        QVERIFY(!requests.empty());
        QCOMPARE(requests.front().command, Command::SYS_STM);
        QCOMPARE(requests.back().command, Command::SYS_CTM);
        QVERIFY(requests.size() < 12); // it stopped short of the whole upload and read-back
    }

    void readBack_data()
    {
        QTest::addColumn<int>("action");
        QTest::addColumn<int>("badByte"); // -1: the device stores what it gets
        for (Action a : {Action::Upload, Action::CreatorUpload, Action::Copy})
            for (int bad : {-1, 0, 77, 200})
                QTest::newRow(qPrintable(QStringLiteral("%1, byte %2").arg(QLatin1String(kActionNames[int(a)])).arg(bad)))
                    << int(a) << bad;
    }

    // A device that keeps a wrong byte never gets "Ok.": the page's red failure, and the first
    // differing byte in the debug log. A good device gets "Ok." after the read-back.
    void readBack()
    {
        QFETCH(int, action);
        QFETCH(int, badByte);
        const Action a = Action(action);
        ControllerRig rig;
        QVERIFY(rig.connect());
        rig.device.faults().corruptStoredByte = badByte;
        const QString path = m_dir.filePath(QStringLiteral("rb.bin"));
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(bytesOf(validImage(0x71)));
        }
        rig.creator.SpeedButton_OpenEdid_NewClick();
        LabelRecorder pageLabel(rig.child<QLabel>("Label2"));
        LabelRecorder creatorLabel(rig.creator.findChild<QLabel *>(QStringLiteral("Label3")));
        QString log;
        QObject::connect(&rig.log, &DebugLog::appended, [&log](const QString &t) { log += t; });

        start(rig, a, path);

        const bool good = badByte < 0;
        LabelRecorder &label = a == Action::CreatorUpload ? creatorLabel : pageLabel;
        QVERIFY2(label.texts().contains(QStringLiteral("Ok.")) == good, qPrintable(label.texts().join(QLatin1Char('|'))));
        const char *failure = a == Action::Copy ? kCopyFailedText : kUploadFailedText;
        QCOMPARE(label.texts().contains(QString::fromLatin1(failure)), !good);
        if (!good)
            QVERIFY2(log.contains(QStringLiteral("differs: byte %1 reads back").arg(badByte)), qPrintable(log));
        // Each read-back went over the wire: a GET of every quarter after the last SET.
        int lastSet = -1, getsAfter = 0, i = 0;
        for (const SimulatedRequest &r : rig.device.requests()) {
            if (r.direction == Direction::SET && r.command >= Command::ND_ED0A && r.command <= Command::ND_ED1B)
                lastSet = i, getsAfter = 0;
            else if (lastSet >= 0 && r.direction == Direction::GET && r.command >= Command::ND_ED0A &&
                     r.command <= Command::ND_ED1B)
                ++getsAfter;
            ++i;
        }
        QCOMPARE(getsAfter, 4);
    }

    // Save says "Ok." only after the slot was read whole: a lost quarter shows no "Ok.".
    void saveOkOnlyAfterTheRead_data()
    {
        QTest::addColumn<bool>("dropQuarter");
        QTest::newRow("read whole") << false;
        QTest::newRow("a quarter lost") << true;
    }
    void saveOkOnlyAfterTheRead()
    {
        QFETCH(bool, dropQuarter);
        ControllerRig rig;
        QVERIFY(rig.connect());
        if (dropQuarter) {
            rig.device.faults().onlyFor = Command::ND_ED1A;
            rig.device.faults().dropReplies = 1;
        }
        LabelRecorder label(rig.child<QLabel>("Label2"));
        start(rig, Action::Save, QString());
        QCOMPARE(label.showedIn(QStringLiteral("Ok."), Qt::black), !dropQuarter);
        QCOMPARE(label.showedIn(QString::fromLatin1(kReadFailedText), Qt::red), dropQuarter);
    }
};

QTEST_MAIN(TestOneOperation)
#include "tst_one_operation.moc"
