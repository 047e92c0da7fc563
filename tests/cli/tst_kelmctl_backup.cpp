// kelmctl backup / restore and edid diff on device slots, against a simulated device with 8 inputs,
// outputs, users and internals in this process.
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

#include "FaultTable.h"
#include "KelmctlProcess.h"

namespace {

using Run = ProgramRun;

Run kelmctl(const SimulatedDevice &device, const QStringList &args)
{
    return runKelmctlOn(device.portPath(), args);
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QJsonObject manifestOf(const QString &dir)
{
    return QJsonDocument::fromJson(fileBytes(QDir(dir).filePath(QStringLiteral("manifest.json")))).object();
}

// Every slot's image, kind by kind.
QList<EdidImage> allSlots(const SimulatedDevice &d)
{
    QList<EdidImage> images;
    for (int kind = 0; kind < 4; ++kind)
        for (int n = 1; n <= d.slotCount(kind); ++n)
            images << d.slotImage(kind, n);
    return images;
}

} // namespace

class TestKelmctlBackup : public QObject
{
    Q_OBJECT
  private slots:
    void init();
    void backupChangeRestore();
    void slotThatFailsToReadIsListed();
    void invalidImagesAreRefused();
    void fullDiskIsNoSuccess();
    void diffReadsSlots();

  private:
    std::unique_ptr<SimulatedDevice> m_device;
};

void TestKelmctlBackup::init()
{
    SimulatedDeviceConfig config;
    config.inputs = config.outputs = config.users = config.internals = 8;
    config.edidMode = 17; // user 2: after 8 internal and 8 external modes
    m_device = std::make_unique<SimulatedDevice>(inTestedReplyForm(config));
    QVERIFY2(m_device->start(), qPrintable(m_device->errorString()));
}

void TestKelmctlBackup::backupChangeRestore()
{
    QTemporaryDir dir;
    const QList<EdidImage> original = allSlots(*m_device);
    Run run = kelmctl(*m_device, {QStringLiteral("backup"), dir.path()});
    QVERIFY2(run.exitCode == 0, qPrintable(run.err + run.out));

    const QJsonObject manifest = manifestOf(dir.path());
    QCOMPARE(manifest.value(QStringLiteral("slots")).toArray().size(), 32);
    QCOMPARE(manifest.value(QStringLiteral("counts")).toObject().value(QStringLiteral("users")).toInt(), 8);
    QCOMPARE(manifest.value(QStringLiteral("device")).toObject().value(QStringLiteral("product")).toString(),
             QStringLiteral("HDM-4K44"));
    QCOMPARE(manifest.value(QStringLiteral("edidMode")).toObject().value(QStringLiteral("name")).toString(),
             QStringLiteral("user2"));
    const QJsonObject user3 = manifest.value(QStringLiteral("slots")).toArray().at(18).toObject();
    QCOMPARE(user3.value(QStringLiteral("slot")).toString(), QStringLiteral("user3"));
    QCOMPARE(user3.value(QStringLiteral("file")).toString(), QStringLiteral("User3 EDID.bin"));
    const QByteArray user3Bytes = fileBytes(QDir(dir.path()).filePath(QStringLiteral("User3 EDID.bin")));
    QCOMPARE(user3Bytes, bytesOf(m_device->slotImage(2, 3)));
    QCOMPARE(user3.value(QStringLiteral("sha256")).toString(),
             QString::fromLatin1(QCryptographicHash::hash(user3Bytes, QCryptographicHash::Sha256).toHex()));
    QVERIFY(user3.value(QStringLiteral("valid")).toBool());
    QVERIFY(!user3.value(QStringLiteral("manufacturer")).toString().isEmpty());
    QCOMPARE(QDir(dir.path()).entryList({QStringLiteral("*.bin")}).size(), 32);

    // Two slots and the mode change; a dry run plans exactly those and changes nothing.
    m_device->setSlotImage(0, 2, withSerial(m_device->slotImage(0, 2), 0x77));
    m_device->setSlotImage(2, 5, withSerial(m_device->slotImage(2, 5), 0x78));
    m_device->config().edidMode = 0;
    const QList<EdidImage> edited = allSlots(*m_device);
    run = kelmctl(*m_device, {QStringLiteral("restore"), dir.path(), QStringLiteral("--dry-run"), QStringLiteral("--json")});
    QVERIFY2(run.exitCode == 0, qPrintable(run.err + run.out));
    const QJsonObject plan = QJsonDocument::fromJson(run.out.toUtf8()).object();
    QStringList writes;
    for (const QJsonValue &s : plan.value(QStringLiteral("steps")).toArray())
        if (s.toObject().value(QStringLiteral("action")).toString() == QLatin1String("write"))
            writes << s.toObject().value(QStringLiteral("slot")).toString();
    QCOMPARE(writes, (QStringList{QStringLiteral("input2"), QStringLiteral("user5")}));
    QCOMPARE(plan.value(QStringLiteral("steps")).toArray().size(), 16); // inputs and users only
    QVERIFY(allSlots(*m_device) == edited);
    QCOMPARE(m_device->edidMode(), 0);

    // --only users touches no input.
    run = kelmctl(*m_device, {QStringLiteral("restore"), dir.path(), QStringLiteral("--only"), QStringLiteral("users")});
    QVERIFY2(run.exitCode == 0, qPrintable(run.err + run.out));
    QVERIFY(m_device->slotImage(2, 5) == original[8 + 8 + 4]);
    QVERIFY(m_device->slotImage(0, 2) == edited[1]);
    QCOMPARE(m_device->edidMode(), 0);

    // The full restore brings back the rest, verified, and the mode.
    run = kelmctl(*m_device, {QStringLiteral("restore"), dir.path()});
    QVERIFY2(run.exitCode == 0, qPrintable(run.err + run.out));
    QVERIFY(run.out.contains(QRegularExpression(QStringLiteral("input2 +write +written, verified"))));
    QVERIFY(run.out.contains(QRegularExpression(QStringLiteral("mode +user2 +set"))));
    QVERIFY(allSlots(*m_device) == original);
    QCOMPARE(m_device->edidMode(), 17);
}

void TestKelmctlBackup::slotThatFailsToReadIsListed()
{
    QTemporaryDir dir;
    // Input 1 is read first: its second quarter is lost. Nothing reads it again behind the
    // operator's back: the slot fails and says why.
    m_device->faults().onlyFor = Command::ND_ED0B;
    m_device->faults().dropReplies = 1;
    const Run run = kelmctl(*m_device, {QStringLiteral("backup"), dir.path()});
    m_device->faults() = SimulatedFaults{};
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains(QStringLiteral("1 slot(s) could not be saved")), qPrintable(run.err));
    QVERIFY2(run.out.contains(QRegularExpression(QStringLiteral("input1 +FAILED +reading it failed: no answer to GET ND_ED0B"))),
             qPrintable(run.out));
    const QJsonArray entries = manifestOf(dir.path()).value(QStringLiteral("slots")).toArray();
    QCOMPARE(entries.size(), 32);
    QCOMPARE(entries.at(0).toObject().value(QStringLiteral("status")).toString(), QStringLiteral("failed"));
    QCOMPARE(entries.at(1).toObject().value(QStringLiteral("status")).toString(), QStringLiteral("ok"));
    QCOMPARE(manifestOf(dir.path()).value(QStringLiteral("slotsFailed")).toInt(), 1);
    QVERIFY(!QFile::exists(QDir(dir.path()).filePath(QStringLiteral("Input1 EDID.bin"))));
    QCOMPARE(QDir(dir.path()).entryList({QStringLiteral("*.bin")}).size(), 31);
}

void TestKelmctlBackup::invalidImagesAreRefused()
{
    QTemporaryDir dir;
    EdidImage bad = m_device->slotImage(2, 1);
    bad[127] ^= 0x01; // checksum 0
    m_device->setSlotImage(2, 1, bad);
    Run run = kelmctl(*m_device, {QStringLiteral("backup"), dir.path()});
    QCOMPARE(run.exitCode, 0); // an invalid image is still a backup of the slot
    QVERIFY(!manifestOf(dir.path()).value(QStringLiteral("slots")).toArray().at(16).toObject().value(
        QStringLiteral("valid")).toBool());

    // A file edited after the backup is refused too; the other entries restore.
    const QString input4 = QDir(dir.path()).filePath(QStringLiteral("Input4 EDID.bin"));
    QByteArray edited = fileBytes(input4);
    edited[20] = char(edited[20] ^ 0x40);
    QFile f(input4);
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write(edited) == edited.size());
    f.close();
    const EdidImage good = m_device->slotImage(2, 2);
    m_device->setSlotImage(2, 1, withSerial(good, 1));
    m_device->setSlotImage(0, 4, withSerial(good, 2));
    m_device->setSlotImage(2, 2, withSerial(good, 3));
    run = kelmctl(*m_device, {QStringLiteral("restore"), dir.path(), QStringLiteral("--json")});
    QCOMPARE(run.exitCode, 1);
    QMap<QString, QString> results;
    for (const QJsonValue &s : QJsonDocument::fromJson(run.out.toUtf8()).object().value(QStringLiteral("steps")).toArray())
        results[s.toObject().value(QStringLiteral("slot")).toString()] = s.toObject().value(QStringLiteral("result")).toString();
    QCOMPARE(results.value(QStringLiteral("user1")), QStringLiteral("refused"));
    QCOMPARE(results.value(QStringLiteral("input4")), QStringLiteral("refused"));
    QCOMPARE(results.value(QStringLiteral("user2")), QStringLiteral("written, verified"));
    QVERIFY(m_device->slotImage(2, 1) == withSerial(good, 1));
    QVERIFY(m_device->slotImage(0, 4) == withSerial(good, 2));
    QVERIFY(m_device->slotImage(2, 2) == good);

    // A folder without a manifest is no backup.
    QTemporaryDir empty;
    run = kelmctl(*m_device, {QStringLiteral("restore"), empty.path()});
    QCOMPARE(run.exitCode, 1);
    QVERIFY(run.err.contains(QStringLiteral("manifest.json")));
}

void TestKelmctlBackup::fullDiskIsNoSuccess()
{
    // A file that meets a full disk (here: a link to /dev/full, which the file writer follows) is
    // not there, the slot is listed as failed and the run fails; so does a manifest that cannot be
    // written.
    SimulatedDeviceConfig config;
    config.inputs = config.outputs = config.users = config.internals = 1;
    SimulatedDevice device(config);
    QVERIFY(device.start());
    struct Case
    {
        const char *full;
        const char *says;
    };
    const Case cases[] = {
        {"User1 EDID.bin", "user1      FAILED"},
        {"manifest.json", "No space left on device"},
    };
    for (const Case &c : cases) {
        QTemporaryDir dir;
        QVERIFY(QFile::link(QStringLiteral("/dev/full"), dir.filePath(QLatin1String(c.full))));
        const Run run = kelmctl(device, {QStringLiteral("backup"), dir.path()});
        QVERIFY2(run.exitCode == 1, qPrintable(QLatin1String(c.full) + run.out + run.err));
        QVERIFY2((run.out + run.err).contains(QLatin1String(c.says)), qPrintable(run.out + run.err));
        // What was written is whole.
        QCOMPARE(fileBytes(dir.filePath(QStringLiteral("Input1 EDID.bin"))), bytesOf(device.slotImage(0, 1)));
    }
}

void TestKelmctlBackup::diffReadsSlots()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("u3.bin"));
    QFile f(file);
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytesOf(m_device->slotImage(2, 3))) == 256);
    f.close();
    struct Case
    {
        QStringList args;
        int status;
    };
    const Case cases[] = {
        {{QStringLiteral("user3"), file}, 0},
        {{QStringLiteral("input1"), file}, 1},
        {{QStringLiteral("user3"), QStringLiteral("user3")}, 0},
        {{QStringLiteral("user9"), file}, 2}, // the device has 8 user entries
    };
    for (const Case &c : cases) {
        const Run run = kelmctl(*m_device, QStringList{QStringLiteral("edid"), QStringLiteral("diff")} + c.args);
        QVERIFY2(run.exitCode == c.status, qPrintable(c.args.join(' ') + ": " + run.err + run.out));
    }
    const Run run = kelmctl(*m_device, {QStringLiteral("edid"), QStringLiteral("diff"), QStringLiteral("input1"), file});
    QVERIFY(run.out.contains(QStringLiteral("Changed bytes:")));
}

QTEST_GUILESS_MAIN(TestKelmctlBackup)
#include "tst_kelmctl_backup.moc"
