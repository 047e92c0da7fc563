// kelmctl backup / restore and edid diff on device slots, against a simulated device with 8 inputs,
// outputs, users and internals in this process.
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

#include <QDirIterator>

#include <csignal>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include "FaultTable.h"
#include "KelmctlProcess.h"

namespace {

using Run = ProgramRun;

Run kelmctl(const SimulatedDevice &device, const QStringList &args, int timeoutMs = 60000)
{
    return runKelmctlOn(device.portPath(), args, timeoutMs);
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

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size());
}

void editManifest(const QString &dir, const std::function<void(QJsonObject &)> &edit)
{
    QJsonObject m = manifestOf(dir);
    edit(m);
    writeBytes(QDir(dir).filePath(QStringLiteral("manifest.json")), QJsonDocument(m).toJson());
}

// The slot entry named slot of a manifest, changed by edit.
void editEntry(QJsonObject &m, const QString &slot, const std::function<void(QJsonObject &)> &edit)
{
    QJsonArray entries = m.value(QStringLiteral("slots")).toArray();
    for (qsizetype i = 0; i < entries.size(); ++i) {
        QJsonObject e = entries.at(i).toObject();
        if (e.value(QStringLiteral("slot")).toString() == slot) {
            edit(e);
            entries[i] = e;
        }
    }
    m.insert(QStringLiteral("slots"), entries);
}

// Every file below root with its bytes (links by their target), for "nothing here changed".
QMap<QString, QByteArray> snapshot(const QString &root)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info = it.nextFileInfo();
        files[info.filePath()] = info.isSymLink() ? "-> " + info.symLinkTarget().toUtf8()
                                 : info.isFile()  ? fileBytes(info.filePath())
                                                  : QByteArray("(special)");
    }
    return files;
}

QString setLines(const QList<SimulatedRequest> &requests)
{
    QStringList lines;
    for (const SimulatedRequest &r : requests)
        if (r.direction == Direction::SET)
            lines << QString::fromLatin1(r.line);
    return lines.join(QLatin1Char(' '));
}

int setsIn(const QList<SimulatedRequest> &requests)
{
    int n = 0;
    for (const SimulatedRequest &r : requests)
        n += r.direction == Direction::SET;
    return n;
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
    void plantedFolders();
    void deviceTextsShownEscaped();

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

    // A file edited after the backup stops the whole restore: nothing is written.
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
    QVERIFY2(run.err.contains(QStringLiteral("input4: Input4 EDID.bin is not what the backup wrote")), qPrintable(run.err));
    QVERIFY(m_device->slotImage(2, 2) == withSerial(good, 3));

    // The users alone: the invalid image is refused, the other entries restore.
    run = kelmctl(*m_device, {QStringLiteral("restore"), dir.path(), QStringLiteral("--json"), QStringLiteral("--only"),
                              QStringLiteral("users")});
    QCOMPARE(run.exitCode, 1);
    QMap<QString, QString> results;
    for (const QJsonValue &s : QJsonDocument::fromJson(run.out.toUtf8()).object().value(QStringLiteral("steps")).toArray())
        results[s.toObject().value(QStringLiteral("slot")).toString()] = s.toObject().value(QStringLiteral("result")).toString();
    QCOMPARE(results.value(QStringLiteral("user1")), QStringLiteral("refused"));
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
    // A file that meets the end of the room (here: a file size limit the run inherits) is not there,
    // the slot is listed as failed and the run fails; so does a manifest that cannot be written.
    SimulatedDeviceConfig config;
    config.inputs = config.outputs = config.users = config.internals = 1;
    SimulatedDevice device(config);
    QVERIFY(device.start());
    struct Case
    {
        rlim_t limit;
        const char *says;
        bool slotsSaved;
    };
    const Case cases[] = {
        {100, "user1      FAILED  cannot write User1 EDID.bin: File too large", false},
        {256, "cannot write manifest.json: File too large", true},
    };
    std::signal(SIGXFSZ, SIG_IGN); // a write past the limit fails with EFBIG instead
    for (const Case &c : cases) {
        QTemporaryDir dir;
        rlimit old{};
        ::getrlimit(RLIMIT_FSIZE, &old);
        rlimit small = old;
        small.rlim_cur = c.limit;
        QVERIFY(::setrlimit(RLIMIT_FSIZE, &small) == 0);
        const Run run = kelmctl(device, {QStringLiteral("backup"), dir.path()});
        ::setrlimit(RLIMIT_FSIZE, &old);
        QVERIFY2(run.exitCode == 1, qPrintable(run.out + run.err));
        QVERIFY2((run.out + run.err).contains(QLatin1String(c.says)), qPrintable(run.out + run.err));
        // What was written is whole; nothing half written is left behind.
        QCOMPARE(fileBytes(dir.filePath(QStringLiteral("Input1 EDID.bin"))),
                 c.slotsSaved ? bytesOf(device.slotImage(0, 1)) : QByteArray());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), c.slotsSaved ? 4 : 0);
    }
    std::signal(SIGXFSZ, SIG_DFL);
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

void TestKelmctlBackup::plantedFolders()
{
    // A small device; a good backup of it is the starting point of every row. Beside the folder,
    // "outside" holds what a planted link points at.
    SimulatedDeviceConfig config;
    config.inputs = 2;
    config.outputs = config.internals = 1;
    config.users = 2;
    SimulatedDevice device(config);
    QVERIFY(device.start());
    QTemporaryDir good;
    Run run = kelmctl(device, {QStringLiteral("backup"), good.path()});
    QVERIFY2(run.exitCode == 0, qPrintable(run.err + run.out));
    const QList<EdidImage> original = allSlots(device);
    const EdidImage elsewhere = withSerial(device.slotImage(2, 1), 0x99);
    const QString elsewhereSha =
        QString::fromLatin1(QCryptographicHash::hash(bytesOf(elsewhere), QCryptographicHash::Sha256).toHex());

    enum Backup { NotRun, Refused, Saves };
    struct Case
    {
        const char *name;
        std::function<void(const QString &dir, const QString &outside)> plant;
        const char *says; // in the restore's error; nullptr: the restore succeeds
        Backup backup = NotRun;
        QStringList extra = {};
    };
    auto link = [](const QString &target, const QString &dir, const char *name) {
        QFile::remove(QDir(dir).filePath(QLatin1String(name)));
        QVERIFY(QFile::link(target, QDir(dir).filePath(QLatin1String(name))));
    };
    auto replaceBy = [](const QString &dir, const char *name, const std::function<bool(const QByteArray &)> &make) {
        const QString path = QDir(dir).filePath(QLatin1String(name));
        QVERIFY(QFile::remove(path));
        QVERIFY2(make(QFile::encodeName(path)), name);
    };
    auto setEntries = [](const QString &dir, const QJsonValue &entries) {
        editManifest(dir, [&](QJsonObject &m) { m.insert(QStringLiteral("slots"), entries); });
    };
    const QString user1 = QStringLiteral("user1");
    const Case cases[] = {
        {"slot file links outside (with its SHA-256)",
         [&](const QString &d, const QString &o) {
             writeBytes(o + "/victim.bin", bytesOf(elsewhere));
             link(o + "/victim.bin", d, "User1 EDID.bin");
             editManifest(d, [&](QJsonObject &m) {
                 editEntry(m, user1, [&](QJsonObject &e) { e.insert(QStringLiteral("sha256"), elsewhereSha); });
             });
         },
         "User1 EDID.bin is a symbolic link", Refused},
        {"slot file links inside",
         [&](const QString &d, const QString &) { link(QStringLiteral("User2 EDID.bin"), d, "User1 EDID.bin"); },
         "User1 EDID.bin is a symbolic link", Refused},
        {"manifest links outside",
         [&](const QString &d, const QString &o) {
             QVERIFY(QFile::rename(d + "/manifest.json", o + "/manifest.json"));
             link(o + "/manifest.json", d, "manifest.json");
         },
         "manifest.json is a symbolic link", Refused},
        {"manifest links inside",
         [&](const QString &d, const QString &) {
             QVERIFY(QFile::rename(d + "/manifest.json", d + "/m.json"));
             link(QStringLiteral("m.json"), d, "manifest.json");
         },
         "manifest.json is a symbolic link", Refused},
        {"dangling link",
         [&](const QString &d, const QString &o) { link(o + "/created.bin", d, "Input2 EDID.bin"); },
         "Input2 EDID.bin is a symbolic link", Refused},
        {"FIFO as a slot file",
         [&](const QString &d, const QString &) {
             replaceBy(d, "User2 EDID.bin", [](const QByteArray &p) { return ::mkfifo(p, 0600) == 0; });
         },
         "User2 EDID.bin is a FIFO", Refused},
        {"FIFO as the manifest",
         [&](const QString &d, const QString &) {
             replaceBy(d, "manifest.json", [](const QByteArray &p) { return ::mkfifo(p, 0600) == 0; });
         },
         "manifest.json is a FIFO", Refused},
        {"device node",
         [&](const QString &d, const QString &) {
             replaceBy(d, "Input1 EDID.bin",
                       [](const QByteArray &p) { return ::mknod(p, S_IFCHR | 0600, makedev(1, 3)) == 0; });
         },
         "Input1 EDID.bin is a device node", Refused},
        {"directory",
         [&](const QString &d, const QString &) {
             replaceBy(d, "User1 EDID.bin", [](const QByteArray &p) { return ::mkdir(p, 0700) == 0; });
         },
         "User1 EDID.bin is a directory", Refused},
        {"altered file",
         [&](const QString &d, const QString &) {
             QByteArray b = fileBytes(d + "/User2 EDID.bin");
             b[20] = char(b[20] ^ 0x40);
             writeBytes(d + "/User2 EDID.bin", b);
         },
         "User2 EDID.bin is not what the backup wrote", Saves},
        {"altered checksum",
         [&](const QString &d, const QString &) {
             editManifest(d, [&](QJsonObject &m) {
                 editEntry(m, QStringLiteral("input1"),
                           [](QJsonObject &e) { e.insert(QStringLiteral("sha256"), QString(64, QLatin1Char('0'))); });
             });
         },
         "Input1 EDID.bin is not what the backup wrote", Saves},
        {"missing file", [&](const QString &d, const QString &) { QVERIFY(QFile::remove(d + "/Input2 EDID.bin")); },
         "Input2 EDID.bin is missing", Saves},
        {"longer file",
         [&](const QString &d, const QString &) { writeBytes(d + "/User1 EDID.bin", fileBytes(d + "/User1 EDID.bin") + "x"); },
         "User1 EDID.bin is larger than 256 bytes"},
        {"extra files",
         [&](const QString &d, const QString &) {
             writeBytes(d + "/notes.txt", "mine");
             QVERIFY(::mkfifo(QFile::encodeName(d + "/extra.fifo"), 0600) == 0);
         },
         nullptr, Saves},
        {"a name leading out",
         [&](const QString &d, const QString &) {
             editManifest(d, [&](QJsonObject &m) {
                 editEntry(m, user1, [](QJsonObject &e) { e.insert(QStringLiteral("file"), "../User1 EDID.bin"); });
             });
         },
         "the file of user1 is \"../User1 EDID.bin\""},
        {"an absolute name",
         [&](const QString &d, const QString &o) {
             editManifest(d, [&](QJsonObject &m) {
                 editEntry(m, user1, [&](QJsonObject &e) { e.insert(QStringLiteral("file"), o + "/User1 EDID.bin"); });
             });
         },
         "the file of user1 is \"/"},
        {"a slot named twice",
         [&](const QString &d, const QString &) {
             editManifest(d, [&](QJsonObject &m) {
                 QJsonArray e = m.value(QStringLiteral("slots")).toArray();
                 e[0] = e.at(3); // input1 becomes a second user1
                 m.insert(QStringLiteral("slots"), e);
             });
         },
         "user1 is listed twice"},
        {"2000 entries",
         [&](const QString &d, const QString &) {
             QJsonArray e;
             for (int i = 0; i < 2000; ++i)
                 e.append(manifestOf(d).value(QStringLiteral("slots")).toArray().at(3));
             setEntries(d, e);
         },
         "it lists 2000 slots, but the device it describes has 6"},
        {"slots that are no list", [&](const QString &d, const QString &) { setEntries(d, QStringLiteral("notarray")); },
         "it has no list of slots"},
        {"huge manifest",
         [&](const QString &d, const QString &) {
             editManifest(d, [](QJsonObject &m) { m.insert(QStringLiteral("pad"), QString(1 << 20, QLatin1Char('x'))); });
         },
         "manifest.json is larger than 1 MiB"},
        {"--only takes what it checks",
         [&](const QString &d, const QString &) { QVERIFY(QFile::remove(d + "/User2 EDID.bin")); }, nullptr, NotRun,
         {QStringLiteral("--only"), QStringLiteral("inputs")}},
    };
    for (const Case &c : cases) {
        const QString name = QLatin1String(c.name);
        QTemporaryDir top;
        const QString dir = top.filePath(QStringLiteral("backup")), outside = top.filePath(QStringLiteral("outside"));
        QVERIFY(QDir().mkpath(outside) && QDir().mkpath(dir));
        for (const QString &f : QDir(good.path()).entryList(QDir::Files))
            QVERIFY(QFile::copy(good.filePath(f), dir + QLatin1Char('/') + f));
        c.plant(dir, outside);
        if (QTest::currentTestFailed())
            return;
        if (QString(c.name) == QLatin1String("device node") && !QFileInfo(dir + "/Input1 EDID.bin").exists()) {
            qInfo("device node: cannot be made here, row skipped");
            continue;
        }
        // Input 2 and User 1 differ from the backup: a restore that went ahead would write them.
        device.setSlotImage(0, 2, withSerial(original[1], 0x41));
        device.setSlotImage(2, 1, withSerial(original[4], 0x42));
        const QList<EdidImage> before = allSlots(device);
        const QMap<QString, QByteArray> outsideBefore = snapshot(outside);
        device.clearRequests();
        run = kelmctl(device, QStringList{QStringLiteral("restore"), dir} + c.extra, 20000);
        QVERIFY2(run.exitCode != -1, qPrintable(name + ": blocked or crashed"));
        if (c.says) {
            QVERIFY2(run.exitCode == 1 && run.err.contains(QLatin1String(c.says)), qPrintable(name + ": " + run.err + run.out));
            // Refused before the device is even searched: no SET, no request at all.
            QVERIFY2(setsIn(device.requests()) == 0, qPrintable(name + ": " + setLines(device.requests())));
            QVERIFY2(device.requests().isEmpty(), qPrintable(name));
            QVERIFY2(allSlots(device) == before, qPrintable(name));
        } else {
            QVERIFY2(run.exitCode == 0, qPrintable(name + ": " + run.err + run.out));
            QVERIFY(device.slotImage(0, 2) == original[1]);
        }
        QVERIFY2(snapshot(outside) == outsideBefore, qPrintable(name));
        if (c.backup == NotRun)
            continue;
        run = kelmctl(device, {QStringLiteral("backup"), dir}, 20000);
        QVERIFY2(run.exitCode != -1, qPrintable(name + ": backup blocked or crashed"));
        QVERIFY2(snapshot(outside) == outsideBefore, qPrintable(name + ": backup wrote outside"));
        if (c.backup == Refused) {
            QVERIFY2(run.exitCode == 1 && run.err.contains(QStringLiteral("Nothing was saved")) &&
                         run.err.contains(QLatin1String(c.says)),
                     qPrintable(name + ": " + run.err));
        } else {
            QVERIFY2(run.exitCode == 0, qPrintable(name + ": " + run.err));
            QCOMPARE(fileBytes(dir + "/User1 EDID.bin"), bytesOf(device.slotImage(2, 1)));
        }
    }
}

void TestKelmctlBackup::deviceTextsShownEscaped()
{
    // A description with terminal controls: shown as --json writes them, never sent raw.
    SimulatedDeviceConfig config;
    config.inputs = config.outputs = config.users = config.internals = 1;
    config.productString = "Demo\x1b[2J\x07Matrix";
    SimulatedDevice device(config);
    QVERIFY(device.start());
    const Run run = kelmctl(device, {QStringLiteral("info")});
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    QVERIFY2(run.out.contains(QStringLiteral("Description:     Demo\\u001b[2J\\u0007Matrix")), qPrintable(run.out));
    QVERIFY(!run.outBytes.contains('\x1b') && !run.outBytes.contains('\x07'));
}

QTEST_GUILESS_MAIN(TestKelmctlBackup)
#include "tst_kelmctl_backup.moc"
