// kelmctl read / write / copy / mode against a simulated device in this process: the same
// routines as the EDID Controller page, seen from the command line (exit status, files, slots).
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

#include "FaultTable.h"
#include "KelmctlProcess.h"

namespace {

using Run = ProgramRun;

// Runs a program while this process keeps serving the device.
Run runProgram(const QString &program, const QStringList &args)
{
    return runServingEvents(program, args);
}

// Runs kelmctl on the device's port.
Run kelmctl(const SimulatedDevice &device, const QStringList &args)
{
    return runKelmctlOn(device.portPath(), args);
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

EdidImage goodImage(std::uint8_t seed)
{
    EdidImage image;
    const std::uint8_t header[8] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
    std::copy(header, header + 8, image.begin());
    image[9] = seed;
    image[126] = 1;
    image[128] = 0x02;
    image[129] = 0x03;
    setEdidChecksums(image);
    return image;
}

} // namespace

class TestKelmctlSlots : public QObject
{
    Q_OBJECT
  private slots:
    void initTestCase();
    void readSaves();
    void readWithLostQuarterKeepsFile();
    void readToSpecialFiles();
    void readOnFullDiskKeepsFile();
    void fileNamesAreTheBytesGiven();
    void writeUploads();
    void writeRefusesInvalid();
    void copies();
    void modeSetsAndReports();
    void usageErrors_data();
    void usageErrors();
    void handshakeWakeUp_data();
    void handshakeWakeUp();

  private:
    QTemporaryDir m_dir;
    std::unique_ptr<SimulatedDevice> m_device;
};

void TestKelmctlSlots::initTestCase()
{
    SimulatedDeviceConfig config;
    config.internals = 2;
    config.outputs = 1;
    config.users = 2;
    m_device = std::make_unique<SimulatedDevice>(inTestedReplyForm(config));
    QVERIFY2(m_device->start(), qPrintable(m_device->errorString()));
}

void TestKelmctlSlots::readSaves()
{
    const EdidImage image = goodImage(0x21);
    m_device->setSlotImage(3, 2, image);
    const QString path = m_dir.filePath(QStringLiteral("internal2.bin"));
    const Run run =
        kelmctl(*m_device, {QStringLiteral("read"), QStringLiteral("internal2"), QStringLiteral("-o"), path});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(fileBytes(path), bytesOf(image));
    QVERIFY(run.out.contains(QStringLiteral("Internal 2")));
}

void TestKelmctlSlots::readWithLostQuarterKeepsFile()
{
    const QString path = m_dir.filePath(QStringLiteral("keep.bin"));
    QVERIFY(writeFile(path, "keep me"));
    m_device->faults().onlyFor = Command::ND_ED0B;
    m_device->faults().dropReplies = 1;
    const Run run =
        kelmctl(*m_device, {QStringLiteral("read"), QStringLiteral("user1"), QStringLiteral("-o"), path});
    m_device->faults() = SimulatedFaults{};
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(fileBytes(path), QByteArray("keep me"));
    QVERIFY2(run.err.contains(QStringLiteral("not written")), qPrintable(run.err));
}

void TestKelmctlSlots::readToSpecialFiles()
{
    const EdidImage image = goodImage(0x27);
    m_device->setSlotImage(2, 2, image);
    // "-" is standard output: the image alone, the confirmation on stderr.
    Run run = kelmctl(*m_device, {QStringLiteral("read"), QStringLiteral("user2"), QStringLiteral("-o"),
                                  QStringLiteral("-")});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.outBytes, bytesOf(image));
    QVERIFY2(run.err.contains(QStringLiteral("User 2")), qPrintable(run.err));
    // A device node is written, not replaced by a file.
    run = kelmctl(*m_device, {QStringLiteral("read"), QStringLiteral("user2"), QStringLiteral("-o"),
                              QStringLiteral("/dev/null")});
    QCOMPARE(run.exitCode, 0);
    QVERIFY(QFileInfo(QStringLiteral("/dev/null")).exists() && !QFileInfo(QStringLiteral("/dev/null")).isFile());
    // A dangling link gets its target written.
    const QString target = m_dir.filePath(QStringLiteral("target.bin"));
    const QString link = m_dir.filePath(QStringLiteral("link.bin"));
    QVERIFY(QFile::link(target, link));
    run = kelmctl(*m_device, {QStringLiteral("read"), QStringLiteral("user2"), QStringLiteral("-o"), link});
    QCOMPARE(run.exitCode, 0);
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(fileBytes(target), bytesOf(image));
}

// On a full filesystem (a two-page tmpfs in a private mount namespace) the old file stays whole.
void TestKelmctlSlots::readOnFullDiskKeepsFile()
{
    const QString script = QStringLiteral(
        "mount --make-rprivate / && d=$(mktemp -d) && mount -t tmpfs -o size=8k tmpfs \"$d\" || "
        "{ echo no-mount; exit 0; }\n"
        "head -c 256 /dev/zero | tr '\\0' A > \"$d/existing.bin\"\n"
        "cat /dev/zero > \"$d/filler\" 2>/dev/null\n"
        "\"$1\" --port \"$2\" read user1 -o \"$d/existing.bin\"\n"
        "rc=$?\n"
        "echo \"rc=$rc size=$(wc -c < \"$d/existing.bin\") other=$(tr -d A < \"$d/existing.bin\" | wc -c) "
        "files=$(ls -A \"$d\" | tr '\\n' ' ')\"\n"
        "umount \"$d\"; rmdir \"$d\"\n");
    const Run run = runProgram(QStringLiteral("unshare"),
                               {QStringLiteral("-m"), QStringLiteral("sh"), QStringLiteral("-c"), script,
                                QStringLiteral("sh"), QStringLiteral(KELMCTL_PATH), m_device->portPath()});
    if (run.exitCode != 0 || run.out.contains(QStringLiteral("no-mount")))
        QSKIP(qPrintable(QStringLiteral("no private mount namespace with a tmpfs here: ") + run.err));
    QVERIFY2(run.out.contains(QStringLiteral("rc=1 size=256 other=0 files=existing.bin filler")),
             qPrintable(run.out + run.err));
    QVERIFY2(run.err.contains(QStringLiteral("No space left on device")), qPrintable(run.err));
    QVERIFY(!run.out.contains(QStringLiteral("saved")));
}

// A name that is not UTF-8 is written and read as given, not as Qt would decode it.
void TestKelmctlSlots::fileNamesAreTheBytesGiven()
{
    const EdidImage image = goodImage(0x29);
    m_device->setSlotImage(2, 1, image);
    const QString script = QStringLiteral("f=\"$3/$(printf 'out\\376.bin')\"\n"
                                          "\"$1\" --port \"$2\" read user1 -o \"$f\" || exit 1\n"
                                          "\"$1\" write user2 \"$f\" --port \"$2\" || exit 1\n"
                                          "exec \"$1\" read user2 --output \"$3/back.bin\" -p \"$2\"\n");
    const Run run = runProgram(QStringLiteral("sh"), {QStringLiteral("-c"), script, QStringLiteral("sh"),
                                                      QStringLiteral(KELMCTL_PATH), m_device->portPath(),
                                                      m_dir.path()});
    QCOMPARE(run.exitCode, 0);
    const QByteArray raw = QFile::encodeName(m_dir.path()) + "/out\xfe.bin";
    FILE *f = std::fopen(raw.constData(), "rb");
    QVERIFY2(f, raw.constData());
    char buf[300];
    const std::size_t n = std::fread(buf, 1, sizeof buf, f);
    std::fclose(f);
    // Qt cannot name it to remove it with the temporary folder.
    std::remove(raw.constData());
    QCOMPARE(QByteArray(buf, int(n)), bytesOf(image));
    QVERIFY(m_device->slotImage(2, 2) == image);
    QFile back(m_dir.filePath(QStringLiteral("back.bin")));
    QVERIFY(back.open(QIODevice::ReadOnly));
    QCOMPARE(back.readAll(), bytesOf(image));
}

void TestKelmctlSlots::writeUploads()
{
    EdidImage base = goodImage(0x33);
    base[126] = 0;
    setEdidChecksums(base);
    const QByteArray file = bytesOf(base).left(128);
    const QString path = m_dir.filePath(QStringLiteral("short.bin"));
    QVERIFY(writeFile(path, file));
    m_device->clearRequests();
    const Run run = kelmctl(*m_device, {QStringLiteral("write"), QStringLiteral("user2"), path});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(bytesOf(m_device->slotImage(2, 2)), file + QByteArray(128, char(0xFF)));
    QList<QByteArray> lines;
    for (const SimulatedRequest &r : m_device->requests())
        lines << r.line.left(16);
    // After the search: the bracket, the slot (user 2 is 0x2001) read for the history, its four
    // quarters written (the read's selection still holds) and, inside the bracket as in the GUI,
    // the read-back.
    const int stm = int(lines.indexOf("$SET SYS_STM FFF"));
    QVERIFY(stm >= 0);
    QCOMPARE(lines.mid(stm + 1, 15),
             (QList<QByteArray>{"$SET ND_SEL 2001", "$GET ND_ED0A FFF", "$GET ND_ED0B FFF", "$GET ND_ED1A FFF",
                                "$GET ND_ED1B FFF", "$SET ND_ED0A 00F", "$SET ND_ED0B 000",
                                "$SET ND_ED1A FFF", "$SET ND_ED1B FFF", "$SET ND_SEL 2001", "$GET ND_ED0A FFF",
                                "$GET ND_ED0B FFF", "$GET ND_ED1A FFF", "$GET ND_ED1B FFF", "$SET SYS_CTM FFF"}));
}

void TestKelmctlSlots::writeRefusesInvalid()
{
    QByteArray bad = bytesOf(goodImage(0x44));
    bad[127] = char(bad[127] ^ 0x01);
    const QString path = m_dir.filePath(QStringLiteral("bad.bin"));
    QVERIFY(writeFile(path, bad));
    const EdidImage before = m_device->slotImage(2, 1);
    const Run run = kelmctl(*m_device, {QStringLiteral("write"), QStringLiteral("user1"), path});
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains(QStringLiteral("Illegal Edid CheckSum0.")), qPrintable(run.err));
    QVERIFY(m_device->slotImage(2, 1) == before);
}

void TestKelmctlSlots::copies()
{
    const EdidImage output = goodImage(0x55);
    m_device->setSlotImage(1, 1, output);
    const Run run =
        kelmctl(*m_device, {QStringLiteral("copy"), QStringLiteral("output1"), QStringLiteral("input2")});
    QCOMPARE(run.exitCode, 0);
    QVERIFY(m_device->slotImage(0, 2) == output);

    // A lost quarter leaves the destination as it was.
    const EdidImage input3 = m_device->slotImage(0, 3);
    m_device->faults().onlyFor = Command::ND_ED1B;
    m_device->faults().badCrc = 1;
    const Run failed =
        kelmctl(*m_device, {QStringLiteral("copy"), QStringLiteral("output1"), QStringLiteral("input3")});
    m_device->faults() = SimulatedFaults{};
    QCOMPARE(failed.exitCode, 1);
    QVERIFY(m_device->slotImage(0, 3) == input3);
}

void TestKelmctlSlots::modeSetsAndReports()
{
    // 2 internal, 1 output, 2 user: user1 is mode 3.
    Run run = kelmctl(*m_device, {QStringLiteral("mode"), QStringLiteral("user1")});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(m_device->edidMode(), 3);
    QCOMPARE(run.out.trimmed(), QStringLiteral("User 1"));
    m_device->config().edidMode = 2;
    run = kelmctl(*m_device, {QStringLiteral("mode")});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out.trimmed(), QStringLiteral("External 1"));
    run = kelmctl(*m_device, {QStringLiteral("mode"), QStringLiteral("user3")});
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(m_device->edidMode(), 2);
}

void TestKelmctlSlots::usageErrors_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("read without -o") << QStringList{"read", "user1"};
    QTest::newRow("read of no slot") << QStringList{"read", "slot1", "-o", "x.bin"};
    QTest::newRow("write into an output") << QStringList{"write", "output1", "x.bin"};
    QTest::newRow("copy into an internal slot") << QStringList{"copy", "user1", "internal1"};
    QTest::newRow("mode with two modes") << QStringList{"mode", "user1", "user2"};
}

void TestKelmctlSlots::usageErrors()
{
    QFETCH(QStringList, args);
    m_device->clearRequests();
    const qsizetype receivedBefore = m_device->received().size();
    const Run run = kelmctl(*m_device, args);
    QCOMPARE(run.exitCode, 2);
    QVERIFY(!run.err.isEmpty());
    // Refused before any request: at most the handshake's wake-up, which kelmctl writes before the
    // line is checked, reached the device.
    QVERIFY(m_device->requests().isEmpty());
    QByteArray sent;
    for (qsizetype i = receivedBefore; i < m_device->received().size(); ++i)
        sent += m_device->received().at(i).second;
    QVERIFY2(sent.isEmpty() || sent == " \r", sent.constData());
}

// kelmctl writes the handshake's wake-up before it starts the program that loads Qt; that program
// finishes the 160 ms pause. Whoever writes it, the device must see " \r" once, then the ENTRANCE
// line no sooner than 160 ms later; and a port another program holds gets nothing.
void TestKelmctlSlots::handshakeWakeUp_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("info, woken by kelmctl") << "kelmctl" << QStringList{"info"} << 0;
    QTest::newRow("read, woken by kelmctl") << "kelmctl" << QStringList{"read", "user2", "-o", "@DIR/w.bin"} << 0;
    QTest::newRow("the port named twice") << "kelmctl twice" << QStringList{"info"} << 0;
    QTest::newRow("help asked: nothing sent") << "kelmctl" << QStringList{"read", "--help"} << 0;
    QTest::newRow("port held by another program") << "held" << QStringList{"info"} << 1;
    QTest::newRow("a wake-up older than the pause") << "stale" << QStringList{"info"} << 0;
}

void TestKelmctlSlots::handshakeWakeUp()
{
    QFETCH(QString, how);
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    args.replaceInStrings(QStringLiteral("@DIR"), m_dir.path());
    m_device->clearRequests();
    const qsizetype receivedBefore = m_device->received().size();
    const QString port = m_device->portPath();
    Run run;
    if (how == QLatin1String("held")) {
        QSerialPort holder(port);
        QVERIFY(holder.open(QIODevice::ReadWrite));
        run = kelmctl(*m_device, args);
    } else if (how == QLatin1String("stale")) {
        // The device program finds a wake-up that went out long ago: it sends its own.
        const int fd = ::open(QFile::encodeName(port).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        QVERIFY(fd >= 0);
        qputenv("KELMCTL_WOKEN", QByteArray::number(fd) + " 1");
        const QString serial = QFileInfo(kelmctlUnderTest()).dir().filePath(QStringLiteral("kelmctl-serial"));
        run = runProgram(serial, QStringList{QStringLiteral("-p"), port} + args);
        qunsetenv("KELMCTL_WOKEN");
        ::close(fd);
    } else if (how == QLatin1String("kelmctl twice")) {
        run = kelmctl(*m_device, QStringList{QStringLiteral("-p"), port} + args);
    } else {
        run = kelmctl(*m_device, args);
    }
    QCOMPARE(run.exitCode, exitCode);
    if (exitCode != 0 || args.contains(QStringLiteral("--help"))) {
        QCOMPARE(m_device->received().size(), receivedBefore);
        return;
    }
    // What this run sent, and when the device read it (a few ms after the writes, at worst).
    QByteArray sent;
    qint64 wakeMs = -1, lineMs = -1;
    for (qsizetype i = receivedBefore; i < m_device->received().size(); ++i) {
        const auto &[atMs, bytes] = m_device->received().at(i);
        if (wakeMs < 0)
            wakeMs = atMs;
        sent += bytes;
        if (lineMs < 0 && sent.contains("$ENTRANCE FFFF\r\n"))
            lineMs = atMs;
    }
    QVERIFY2(sent.startsWith(" \r$ENTRANCE FFFF\r\n"), sent.left(40).constData());
    QVERIFY2(lineMs - wakeMs >= 150, qPrintable(QStringLiteral("%1 ms").arg(lineMs - wakeMs)));
}

QTEST_GUILESS_MAIN(TestKelmctlSlots)
#include "tst_kelmctl_slots.moc"
