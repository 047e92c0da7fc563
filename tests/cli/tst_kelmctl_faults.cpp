// kelmctl against a device that misbehaves once the search is done: one test per command, each
// with its table of faults. Exit 0 must mean the device holds what was asked; every other case
// exits 1 with one line on stderr.
#include <QtTest>

#include <functional>
#include <memory>

#include "FaultTable.h"
#include "KelmctlProcess.h"

namespace {
using Fault = FaultCase;
using Run = ProgramRun;

Run kelmctl(const SimulatedDevice &device, const QStringList &args)
{
    return runKelmctlOn(device.portPath(), args);
}

using Prepare = std::function<void(SimulatedDevice &)>;

// kelmctl args on a fresh device, prepared by prepare, whose fault is armed after afterRequests
// requests; the device stays in d for the checks. A fault armed after the search cannot fail it:
// when the search failed all the same (a loaded machine can hold the simulated device's answers
// past the search's waits), the case never ran, and it runs once more on a fresh device.
Run runCase(std::unique_ptr<SimulatedDevice> &d, const ArmFault &arm, const QStringList &args,
            const Prepare &prepare = {}, int afterRequests = 4, const SimulatedDeviceConfig &config = {})
{
    for (int attempt = 1;; ++attempt) {
        d = faultyDevice(arm, afterRequests, config);
        if (!d)
            return {};
        if (prepare)
            prepare(*d);
        const Run run = kelmctl(*d, args);
        const bool searchFailed = run.err.contains(QStringLiteral("No description received")) ||
                                  run.err.contains(QStringLiteral("No device answered"));
        if (!searchFailed || afterRequests == 0 || attempt == 2)
            return run;
        qInfo("kelmctl's own search failed (%s); the case runs once more", qPrintable(run.err.trimmed()));
    }
}
} // namespace

class TestKelmctlFaults : public QObject
{
    Q_OBJECT
  private slots:
    void read();
    void write();
    void copy();
    void mode();
    void describeAndReset();
    void info();
    void backup();
    void restore();

  private:
    // A fresh device whose faults start after `afterRequests` requests (kelmctl's search is four).
    static std::unique_ptr<SimulatedDevice> device(const ArmFault &arm, int afterRequests = 4,
                                                   const SimulatedDeviceConfig &config = {})
    {
        return faultyDevice(arm, afterRequests, config);
    }
    // Every case runs; the differences are listed at the end.
    void expect(bool ok, const std::string &name, const Run &run, const char *what)
    {
        if (!ok)
            m_mismatches << QStringLiteral("%1: %2 (exit %3, stderr %4)")
                                .arg(QString::fromStdString(name), QLatin1String(what))
                                .arg(run.exitCode)
                                .arg(run.err.trimmed());
    }
    void report(const char *command, int cases, int falseSuccesses)
    {
        qInfo("%s: %d cases, %d false successes", command, cases, falseSuccesses);
        const QStringList mismatches = std::exchange(m_mismatches, {});
        QVERIFY2(mismatches.isEmpty(), qPrintable(mismatches.join(QLatin1Char('\n'))));
        QCOMPARE(falseSuccesses, 0);
    }
    QStringList m_mismatches;
    QTemporaryDir m_dir;
};

void TestKelmctlFaults::read()
{
    // SYS_STM, ND_SEL, four GETs, SYS_CTM: 3 SETs. A success needs every answer, the bracket's too;
    // whatever the exit, a file that was written holds the slot's image.
    std::vector<Fault> faults = setFaults(3);
    faults.push_back({"second quarter lost",
                      [](SimulatedFaults &f) {
                          f.onlyFor = Command::ND_ED0B;
                          f.dropReplies = 1;
                      },
                      true});
    faults.push_back({"answers 150 ms late", [](SimulatedFaults &f) { f.lateReplyMs = 150; }, true});
    int falseSuccesses = 0;
    for (const Fault &f : faults) {
        std::unique_ptr<SimulatedDevice> d;
        const QString path = m_dir.filePath(QStringLiteral("read-%1.bin").arg(QString::fromStdString(f.name)));
        const Run run = runCase(d, f.arm, {QStringLiteral("read"), QStringLiteral("user2"), QStringLiteral("-o"), path});
        QVERIFY(d);
        QFile file(path);
        const bool written = file.open(QIODevice::ReadOnly);
        const bool whole = written && file.readAll() == bytesOf(d->slotImage(2, 2));
        falseSuccesses += run.exitCode == 0 && !whole;
        expect(!written || whole, f.name, run, "a file that is not the slot's image");
        expect(run.exitCode == (f.fails ? 1 : 0), f.name, run, "exit status");
        if (f.fails)
            expect(run.err.count(QLatin1Char('\n')) == 1, f.name, run, "one line");
    }
    report("read", int(faults.size()), falseSuccesses);
}

void TestKelmctlFaults::write()
{
    // SYS_STM, ND_SEL, four quarters, SYS_CTM; then the read-back.
    std::vector<Fault> faults = setFaults(7);
    faults.push_back({"device stores byte 18 wrong", [](SimulatedFaults &f) { f.corruptStoredByte = 18; }, true});
    const EdidImage image = seededImage(0x61);
    const QString path = writeImageFile(m_dir, QStringLiteral("w.bin"), image);
    QVERIFY(!path.isEmpty());
    int falseSuccesses = 0;
    for (const Fault &f : faults) {
        std::unique_ptr<SimulatedDevice> d;
        const Run run = runCase(d, f.arm, {QStringLiteral("write"), QStringLiteral("user2"), path});
        QVERIFY(d);
        const bool stored = d->slotImage(2, 2) == image;
        falseSuccesses += run.exitCode == 0 && !stored;
        expect(run.exitCode == (f.fails ? 1 : 0), f.name, run, "exit status");
        if (f.fails) {
            expect(run.err.startsWith(QStringLiteral("kelmctl: Upload Edid Failed.")), f.name, run, "message");
            expect(run.err.count(QLatin1Char('\n')) == 1, f.name, run, "one line");
        }
    }
    // The read-back names the first byte that differs; --no-verify leaves it out.
    auto d = device([](SimulatedFaults &f) { f.corruptStoredByte = 18; });
    Run run = kelmctl(*d, {QStringLiteral("write"), QStringLiteral("user2"), path});
    expect(run.err.contains(QStringLiteral("byte 18 reads back 0x")), "corrupt byte", run, "names the byte");
    run = kelmctl(*d, {QStringLiteral("write"), QStringLiteral("user2"), path, QStringLiteral("--no-verify")});
    expect(run.exitCode == 0, "--no-verify", run, "skips the read-back");
    report("write", int(faults.size()), falseSuccesses);
}

void TestKelmctlFaults::copy()
{
    // Read: ND_SEL, four quarters; write: ND_SEL, four quarters; then the read-back.
    std::vector<Fault> faults = setFaults(6);
    faults.push_back({"device stores byte 200 wrong", [](SimulatedFaults &f) { f.corruptStoredByte = 200; }, true});
    int falseSuccesses = 0;
    for (const Fault &f : faults) {
        std::unique_ptr<SimulatedDevice> d;
        const Run run = runCase(d, f.arm, {QStringLiteral("copy"), QStringLiteral("internal1"), QStringLiteral("user3")},
                                [](SimulatedDevice &device) { device.setSlotImage(3, 1, seededImage(0x71)); });
        QVERIFY(d);
        falseSuccesses += run.exitCode == 0 && d->slotImage(2, 3) != seededImage(0x71);
        expect(run.exitCode == (f.fails ? 1 : 0), f.name, run, "exit status");
        if (f.fails)
            expect(run.err.contains(QStringLiteral("Edid Failed.")), f.name, run, "message");
    }
    report("copy", int(faults.size()), falseSuccesses);
}

void TestKelmctlFaults::mode()
{
    // ND_SEL, RXEDMD; then the query.
    const std::vector<Fault> faults = setFaults(2);
    int falseSuccesses = 0;
    for (const Fault &f : faults) {
        std::unique_ptr<SimulatedDevice> d;
        const Run run = runCase(d, f.arm, {QStringLiteral("mode"), QStringLiteral("user2")});
        QVERIFY(d);
        falseSuccesses += run.exitCode == 0 && d->edidMode() != 8 + 1 + 1;
        expect(run.exitCode == (f.fails ? 1 : 0), f.name, run, "exit status");
    }
    report("mode", int(faults.size()), falseSuccesses);
}

void TestKelmctlFaults::describeAndReset()
{
    const std::vector<Fault> faults = setFaults(1);
    int falseSuccesses = 0;
    for (const Fault &f : faults) {
        std::unique_ptr<SimulatedDevice> d;
        Run run = runCase(d, f.arm, {QStringLiteral("describe"), QStringLiteral("Room 7")});
        QVERIFY(d);
        falseSuccesses += run.exitCode == 0 && d->productString() != "Room 7";
        expect(run.exitCode == (f.fails ? 1 : 0), f.name, run, "describe exit status");
        if (f.fails)
            expect(run.err.startsWith(QStringLiteral("kelmctl: Set Failed.")), f.name, run, "describe message");

        run = runCase(d, f.arm, {QStringLiteral("reset"), QStringLiteral("--yes")},
                      [](SimulatedDevice &device) { device.config().productString = "Changed"; });
        QVERIFY(d);
        falseSuccesses += run.exitCode == 0 && d->productString() != d->config().defaultProductString;
        // SYS_DEF's own pause is 520 ms: an answer 150 ms late is in time.
        const bool resetFails = f.fails && f.name != "SET answers 150 ms late";
        expect(run.exitCode == (resetFails ? 1 : 0), f.name, run, "reset exit status");
        if (resetFails)
            expect(run.err.startsWith(QStringLiteral("kelmctl: Reset Failed.")), f.name, run, "reset message");
    }
    report("describe and reset", int(faults.size()) * 2, falseSuccesses);
}

void TestKelmctlFaults::info()
{
    // The handshake is answered, the description is not (faults from the first request on).
    const std::vector<Fault> faults = {
        {"none", [](SimulatedFaults &) {}, false},
        {"stray line before every answer", [](SimulatedFaults &f) { f.strayLines = -1; }, false},
        {"lowercase CRC", [](SimulatedFaults &f) { f.lowercaseCrc = -1; }, true},
        {"answers 150 ms late", [](SimulatedFaults &f) { f.lateReplyMs = 150; }, true},
        {"answers split and late", [](SimulatedFaults &f) { f.splitReplyMs = 150; }, true},
        {"ND_SEL unanswered", [](SimulatedFaults &f) { f.dropSetReply = 1; }, true},
    };
    int falseSuccesses = 0;
    for (const Fault &f : faults) {
        auto d = device(f.arm, 0);
        QVERIFY(d);
        const Run run = kelmctl(*d, {QStringLiteral("info")});
        falseSuccesses += run.exitCode == 0 && !run.out.contains(QStringLiteral("Demo Matrix"));
        expect(run.exitCode == (f.fails ? 1 : 0), f.name, run, "exit status");
        if (f.fails)
            expect(run.err == QStringLiteral("kelmctl: No description received from %1.\n").arg(d->portPath()),
                   f.name, run, "message");
    }
    report("info", int(faults.size()), falseSuccesses);
}

namespace {

// One slot of each kind keeps a whole-device run short.
SimulatedDeviceConfig oneOfEach()
{
    SimulatedDeviceConfig c;
    c.inputs = c.outputs = c.users = c.internals = 1;
    c.edidMode = 1 + 1; // user1, after the internal and the external mode
    return c;
}

// Faults of the reads a backup or a restore makes, beyond the common ones.
std::vector<Fault> readFaults()
{
    return {
        {"second quarter of a read lost",
         [](SimulatedFaults &f) {
             f.onlyFor = Command::ND_ED0B;
             f.dropReplies = 1;
         },
         true},
        {"bad CRC on a third quarter",
         [](SimulatedFaults &f) {
             f.onlyFor = Command::ND_ED1A;
             f.badCrc = 1;
         },
         true},
        {"answers 150 ms late", [](SimulatedFaults &f) { f.lateReplyMs = 150; }, true},
        {"port gone after 8 requests", [](SimulatedFaults &f) { f.vanishAfterRequests = 8; }, true},
    };
}

} // namespace

void TestKelmctlFaults::backup()
{
    // SYS_STM, RXEDMD, then ND_SEL and four quarters per slot, SYS_CTM: 6 SETs.
    std::vector<Fault> faults = setFaults(6);
    for (Fault &f : readFaults())
        faults.push_back(std::move(f));
    int falseSuccesses = 0;
    for (const Fault &f : faults) {
        QTemporaryDir dir;
        std::unique_ptr<SimulatedDevice> d;
        const Run run = runCase(d, f.arm, {QStringLiteral("backup"), dir.path()}, {}, 4, oneOfEach());
        QVERIFY(d);
        // Every file there is whole and holds its slot; success means all four are there.
        int whole = 0;
        bool wrong = false;
        for (int kind = 0; kind < 4; ++kind) {
            static const char *const names[4] = {"Input1", "Output1", "User1", "Internal1"};
            QFile file(dir.filePath(QStringLiteral("%1 EDID.bin").arg(QLatin1String(names[kind]))));
            if (!file.open(QIODevice::ReadOnly))
                continue;
            const bool same = file.readAll() == bytesOf(d->slotImage(kind, 1));
            whole += same;
            wrong = wrong || !same;
        }
        const bool manifest = QFile::exists(dir.filePath(QStringLiteral("manifest.json")));
        falseSuccesses += run.exitCode == 0 && (whole != 4 || !manifest);
        expect(!wrong, f.name, run, "a file that is not its slot's image");
        expect(run.exitCode == (f.fails ? 1 : 0), f.name, run, "exit status");
        if (f.fails)
            expect(run.out.contains(QStringLiteral("FAILED")) || run.err.contains(QStringLiteral("EDID mode")) ||
                       run.err.contains(QStringLiteral("did not confirm")),
                   f.name, run, "names what failed");
    }
    report("backup", int(faults.size()), falseSuccesses);
}

void TestKelmctlFaults::restore()
{
    QTemporaryDir backup;
    {
        auto d = device([](SimulatedFaults &) {}, 4, oneOfEach());
        QVERIFY(d);
        const Run run = kelmctl(*d, {QStringLiteral("backup"), backup.path()});
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    }
    // The plan reads input 1 and user 1 (10 requests); the faults start with the run: SYS_STM,
    // ND_SEL and four quarters into user 1, its read-back, the mode (query, ND_SEL, RXEDMD, query),
    // SYS_CTM: 10 SETs.
    std::vector<Fault> faults = setFaults(10);
    for (Fault &f : readFaults())
        faults.push_back(std::move(f));
    faults.push_back({"device stores byte 100 wrong", [](SimulatedFaults &f) { f.corruptStoredByte = 100; }, true});
    int falseSuccesses = 0;
    for (const Fault &f : faults) {
        EdidImage user1{};
        std::unique_ptr<SimulatedDevice> d;
        const Run run = runCase(
            d, f.arm, {QStringLiteral("restore"), backup.path()},
            [&user1](SimulatedDevice &device) {
                user1 = device.slotImage(2, 1);
                device.setSlotImage(2, 1, seededImage(0x44));
                device.config().edidMode = 0;
            },
            4 + 10, oneOfEach());
        QVERIFY(d);
        falseSuccesses += run.exitCode == 0 && (d->slotImage(2, 1) != user1 || d->edidMode() != 2);
        expect(run.exitCode == (f.fails ? 1 : 0), f.name, run, "exit status");
        if (f.fails)
            expect(run.err.contains(QStringLiteral("did not complete")), f.name, run, "message");
    }
    report("restore", int(faults.size()), falseSuccesses);
}

QTEST_GUILESS_MAIN(TestKelmctlFaults)
#include "tst_kelmctl_faults.moc"
