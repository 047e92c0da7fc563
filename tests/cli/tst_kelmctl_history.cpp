// The slot history: every writing kelmctl command against a simulated device records exactly one
// entry with what the slot held and what it got, undo puts the old bytes back, a history that
// cannot be written stops the write before any SET, and the bound drops the oldest.
#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

#include "FaultTable.h"
#include "KelmctlProcess.h"
#include "link/SlotHistory.h"
#include "link/SlotLists.h"

namespace {

QString sha(const EdidImage &image)
{
    return imageSha256Hex(image);
}

// `kelmctl history --json`, newest first.
QList<QJsonObject> historyLines(const QStringList &extra = {})
{
    const ProgramRun run = runKelmctl(QStringList{QStringLiteral("history"), QStringLiteral("--json")} + extra);
    QList<QJsonObject> lines;
    for (const QString &line : run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        lines << QJsonDocument::fromJson(line.toUtf8()).object();
    return lines;
}

// The SETs the device got besides slot selections (which reads make too).
int setsIn(const QList<SimulatedRequest> &requests)
{
    int sets = 0;
    for (const SimulatedRequest &r : requests)
        sets += r.direction == Direction::SET && r.command != Command::ND_SEL;
    return sets;
}

} // namespace

class TestKelmctlHistory : public QObject
{
    Q_OBJECT
  private slots:
    void initTestCase();
    void eachWriteRecordsOneEntry();
    void unwritableHistoryOrFailedReadStopsTheWrite();
    void boundDropsTheOldest();

  private:
    QTemporaryDir m_dir;
    QString m_dataHome;
    std::unique_ptr<SimulatedDevice> m_device;
};

void TestKelmctlHistory::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_dataHome = m_dir.filePath(QStringLiteral("data"));
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_dataHome));
    SimulatedDeviceConfig config;
    config.inputs = 1;
    config.outputs = 1;
    config.users = 2;
    config.internals = 1;
    m_device = std::make_unique<SimulatedDevice>(inTestedReplyForm(config));
    QVERIFY2(m_device->start(), qPrintable(m_device->errorString()));
}

void TestKelmctlHistory::eachWriteRecordsOneEntry()
{
    const QString port = m_device->portPath();
    const EdidImage original = seededImage(0x11), fromFile = seededImage(0x22), input = seededImage(0x33);
    m_device->setSlotImage(2, 1, original);
    m_device->setSlotImage(0, 1, input);
    const QString file = writeImageFile(m_dir, QStringLiteral("new.bin"), fromFile);
    const QString backup = m_dir.filePath(QStringLiteral("backup"));
    QCOMPARE(runKelmctlOn(port, {QStringLiteral("backup"), backup}).exitCode, 0); // user1 = original

    struct Case
    {
        const char *name;
        QStringList args;
        int kind, number;   // the slot written
        EdidImage before;   // what it holds beforehand
        EdidImage after;    // what it must hold afterwards
        QString operation;
        QString source;
    };
    const QList<Case> cases = {
        {"write", {QStringLiteral("write"), QStringLiteral("user1"), file}, 2, 1, original, fromFile,
         QStringLiteral("write"), file},
        {"undo of the write", {QStringLiteral("undo"), QStringLiteral("user1"), QStringLiteral("--yes")}, 2, 1,
         fromFile, original, QStringLiteral("undo"), {}},
        {"undo of the undo", {QStringLiteral("undo"), QStringLiteral("user1"), QStringLiteral("-y")}, 2, 1, original,
         fromFile, QStringLiteral("undo"), {}},
        // Into a slot the restore below leaves alone.
        {"copy", {QStringLiteral("copy"), QStringLiteral("user2"), QStringLiteral("input1")}, 0, 1, input,
         m_device->slotImage(2, 2), QStringLiteral("copy"), QStringLiteral("user2")},
        {"restore", {QStringLiteral("restore"), backup, QStringLiteral("--only"), QStringLiteral("users")}, 2, 1,
         fromFile, original, QStringLiteral("restore"), QStringLiteral("User1 EDID.bin")},
        {"write without history", {QStringLiteral("write"), QStringLiteral("user1"), file, QStringLiteral("-H")}, 2, 1,
         original, fromFile, {}, {}},
    };
    for (const Case &c : cases) {
        const QString name = QString::fromLatin1(c.name);
        QCOMPARE(m_device->slotImage(c.kind, c.number), c.before);
        const qsizetype count = historyLines().size();
        const ProgramRun run = runKelmctlOn(port, c.args);
        QVERIFY2(run.exitCode == 0, qPrintable(name + QStringLiteral(": ") + run.err));
        QVERIFY2(m_device->slotImage(c.kind, c.number) == c.after, qPrintable(name));
        const QList<QJsonObject> lines = historyLines();
        if (c.operation.isEmpty()) {
            QVERIFY2(lines.size() == count, qPrintable(name));
            continue;
        }
        QVERIFY2(lines.size() == count + 1, qPrintable(name));
        const QJsonObject &e = lines.first();
        const QString slot = QStringLiteral("%1%2").arg(c.kind == 0 ? "input" : "user").arg(c.number);
        QCOMPARE(e.value("slot").toString(), slot);
        QCOMPARE(e.value("operation").toString(), c.operation);
        QCOMPARE(e.value("before").toString(), sha(c.before));
        QCOMPARE(e.value("after").toString(), sha(c.after));
        QCOMPARE(e.value("result").toString(), QStringLiteral("written"));
        QVERIFY2(e.value("verified").toBool(), qPrintable(name));
        QCOMPARE(e.value("port").toString(), port);
        if (!c.source.isEmpty())
            QCOMPARE(e.value("source").toString(), c.source);
        // The image it replaced is kept byte for byte.
        QFile kept(e.value("beforeFile").toString());
        QVERIFY2(kept.open(QIODevice::ReadOnly), qPrintable(name));
        QCOMPARE(kept.readAll(), bytesOf(c.before));
    }
    // One slot's list holds that slot only, newest first.
    const QList<QJsonObject> input1 = historyLines({QStringLiteral("input1")});
    QCOMPARE(input1.size(), 1);
    QCOMPARE(input1.first().value("operation").toString(), QStringLiteral("copy"));
    const QList<QJsonObject> user1 = historyLines({QStringLiteral("user1")});
    QCOMPARE(user1.size(), 4);
    QCOMPARE(user1.first().value("operation").toString(), QStringLiteral("restore"));
}

void TestKelmctlHistory::unwritableHistoryOrFailedReadStopsTheWrite()
{
    const QString port = m_device->portPath();
    const EdidImage held = seededImage(0x44);
    const QString file = writeImageFile(m_dir, QStringLiteral("other.bin"), seededImage(0x55));
    const QString backup = m_dir.filePath(QStringLiteral("backup2"));
    m_device->setSlotImage(2, 1, seededImage(0x66));
    QCOMPARE(runKelmctlOn(port, {QStringLiteral("backup"), backup}).exitCode, 0);
    // A regular file where the data folder should be: nothing can be made below it.
    const QString blocked = m_dir.filePath(QStringLiteral("blocked"));
    QVERIFY(writeImageFile(m_dir, QStringLiteral("blocked"), held).size() > 0);

    struct Case
    {
        const char *name;
        QStringList args;
        bool blockHistory;
        ArmFault fault; // armed after the search
        const char *said;
    };
    const ArmFault none = [](SimulatedFaults &) {};
    const ArmFault loseQuarter = [](SimulatedFaults &f) {
        f.onlyFor = Command::ND_ED0B;
        f.dropReplies = 1;
    };
    const QList<Case> cases = {
        {"write", {QStringLiteral("write"), QStringLiteral("user1"), file}, true, none, "history cannot be written"},
        {"copy", {QStringLiteral("copy"), QStringLiteral("input1"), QStringLiteral("user1")}, true, none,
         "history cannot be written"},
        {"restore", {QStringLiteral("restore"), backup}, true, none, "history cannot be written"},
        {"undo", {QStringLiteral("undo"), QStringLiteral("user1"), QStringLiteral("--yes")}, true, none,
         "No write of User 1"},
        {"write, the read before it loses a quarter", {QStringLiteral("write"), QStringLiteral("user1"), file}, false,
         loseQuarter, "reading what the slot holds failed"},
    };
    for (const Case &c : cases) {
        const QString name = QString::fromLatin1(c.name);
        m_device->setSlotImage(2, 1, held);
        const qsizetype count = historyLines().size();
        if (c.blockHistory)
            qputenv("XDG_DATA_HOME", QFile::encodeName(blocked));
        m_device->clearRequests();
        armAfterRequests(*m_device, c.fault, 4);
        const ProgramRun run = runKelmctlOn(port, c.args);
        m_device->faults() = SimulatedFaults{};
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_dataHome));
        QVERIFY2(run.exitCode == 1, qPrintable(name + QStringLiteral(": ") + run.err));
        QVERIFY2(run.err.contains(QLatin1String(c.said)) || run.out.contains(QLatin1String(c.said)),
                 qPrintable(name + QStringLiteral(": ") + run.err + run.out));
        QVERIFY2(m_device->slotImage(2, 1) == held, qPrintable(name));
        QVERIFY2(historyLines().size() == count, qPrintable(name));
        // Only the search's requests and reads: no EDID quarter was set.
        for (const SimulatedRequest &r : m_device->requests())
            QVERIFY2(!(r.direction == Direction::SET &&
                       (r.command == Command::ND_ED0A || r.command == Command::ND_ED0B ||
                        r.command == Command::ND_ED1A || r.command == Command::ND_ED1B)),
                     qPrintable(name));
        if (c.blockHistory)
            QVERIFY2(setsIn(m_device->requests()) == 0, qPrintable(name));
    }
}

void TestKelmctlHistory::boundDropsTheOldest()
{
    QTemporaryDir root;
    SlotHistory history(root.path(), 3);
    const HistoryDevice device{QStringLiteral("1A2B"), QStringLiteral("3C4D"), QStringLiteral("../odd/name"), {}};
    const SlotCode code = makeSlotCode(SlotKind::User, 2);
    // An altered index naming a file outside the slot's folder: dropping its line removes nothing there.
    const QString outside = writeImageFile(m_dir, QStringLiteral("outside.bin"), seededImage(9));
    const QString slotPath = root.filePath(device.folderName() + QStringLiteral("/user2"));
    QVERIFY(QDir().mkpath(slotPath));
    const QString escape = QDir(slotPath).relativeFilePath(outside).chopped(4);
    QFile altered(slotPath + QStringLiteral("/index.jsonl"));
    QVERIFY(altered.open(QIODevice::WriteOnly));
    altered.write(QJsonDocument(QJsonObject{{"before", escape}, {"after", escape}, {"result", "written"}}).toJson(QJsonDocument::Compact) + "\nno json\n");
    altered.close();
    for (int i = 1; i <= 5; ++i) {
        QString why;
        QVERIFY2(history.begin(device, code, QStringLiteral("write"), QString::number(i), seededImage(uint8_t(i)),
                               seededImage(uint8_t(i + 1)), &why),
                 qPrintable(why));
        QVERIFY(history.finish(device, code, i != 3, true));
    }
    // The device's text stays inside the history's folder.
    QCOMPARE(history.deviceFolders(), QStringList{device.folderName()});
    QVERIFY(!device.folderName().contains(QLatin1Char('/')));
    const QList<HistoryEntry> kept = history.entries(device.folderName(), code);
    QCOMPARE(kept.size(), 3);
    QCOMPARE(history.dropped(device.folderName(), code), 3);
    QVERIFY(QFile::exists(outside));
    const QStringList expectedSources = {QStringLiteral("5"), QStringLiteral("4"), QStringLiteral("3")};
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(kept[i].source, expectedSources[i]);
        QCOMPARE(kept[i].result, i == 2 ? QStringLiteral("failed") : QStringLiteral("written"));
        QVERIFY(history.image(device.folderName(), kept[i].slot, kept[i].before).has_value());
    }
    // Images of the dropped writes went with them: 3..6 remain.
    const QDir slot(root.filePath(device.folderName() + QStringLiteral("/user2")));
    QCOMPARE(slot.entryList({QStringLiteral("*.bin")}, QDir::Files).size(), 4);
    QVERIFY(!history.image(device.folderName(), kept[0].slot, sha(seededImage(1))).has_value());
    // The index says what went.
    QFile index(slot.filePath(QStringLiteral("index.jsonl")));
    QVERIFY(index.open(QIODevice::ReadOnly));
    QVERIFY(index.readLine().contains("\"dropped\":3"));
}

QTEST_GUILESS_MAIN(TestKelmctlHistory)
#include "tst_kelmctl_history.moc"
