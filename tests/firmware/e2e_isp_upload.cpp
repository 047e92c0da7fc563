// The firmware update end to end: IspUpload against the simulated device's ISP loader.
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTimer>

#include <sys/resource.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "SimulatedLink.h"
#include "shell/Pause.h"
#include "firmware/IspUpload.h"

using ::testing::ElementsAre;

namespace {

struct Status
{
    QString text;
    bool red;
};

// Records what Label1, Label_FW_Version and the progress bar would show.
struct Shown
{
    explicit Shown(IspUpload &upload)
    {
        QObject::connect(&upload, &IspUpload::statusChanged, [this](const QString &t, bool red) {
            status.push_back({t, red});
        });
        QObject::connect(&upload, &IspUpload::versionTextChanged,
                         [this](const QString &t) { version.push_back(t); });
        QObject::connect(&upload, &IspUpload::progressChanged, [this](int p) { progress.push_back(p); });
    }
    std::vector<Status> status;
    std::vector<QString> version;
    std::vector<int> progress;
};

quint32 addressOf(const SimulatedRequest &r)
{
    quint32 a = 0;
    for (char b : r.payload)
        a = (a << 8) | static_cast<quint8>(b);
    return a;
}

// The FW_DATA requests with the address of the FW_ADDR before each.
std::vector<quint32> dataAddresses(const SimulatedLink &link)
{
    std::vector<quint32> out;
    quint32 address = 0;
    for (const SimulatedRequest &r : link.device->requests()) {
        if (r.command == Command::FW_ADDR)
            address = addressOf(r);
        else if (r.command == Command::FW_DATA)
            out.push_back(address);
    }
    return out;
}

class IspUploadTest : public ::testing::Test
{
  protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    std::unique_ptr<SimulatedLink> connectIsp(HandshakeMode mode)
    {
        auto link = std::make_unique<SimulatedLink>(mode);
        EXPECT_TRUE(link->started) << link->device->errorString().toStdString();
        EXPECT_TRUE(link->connect());
        EXPECT_TRUE(link->session.transport().ispMode());
        return link;
    }

    QTemporaryDir dir;
};

} // namespace

TEST_F(IspUploadTest, Variant1HundredBytesExactSequence)
{
    auto link = connectIsp(HandshakeMode::Isp029);
    // 100 bytes carry no version record: the exact sequence is what matters here, so the image is
    // sent through uploadFirmware directly.
    const QByteArray image = firmwareImage(100);
    link->device->expectFirmware(image);
    IspUpload upload(link->session);
    upload.openImageFile(writeFile(dir, "small.bin", image));
    Shown shown(upload);
    ASSERT_TRUE(upload.uploadFirmware(firmware::IspVariant::Isp029)) << link->device->firmwareDivergence().toStdString();

    const QList<SimulatedRequest> &reqs = link->device->requests();
    std::vector<Command> commands;
    for (const SimulatedRequest &r : reqs)
        commands.push_back(r.command);
    EXPECT_THAT(commands, ElementsAre(Command::FW_ADDR, Command::FW_DATA, Command::FW_ADDR, Command::FW_DATA,
                                      Command::FW_END));
    EXPECT_EQ(reqs[0].line, "$SET FW_ADDR 0000" + QByteArray::fromStdString(crcText(crc16(0xFFFF, "0000"))));
    EXPECT_EQ(reqs[0].payload, QByteArray::fromHex("0000"));
    EXPECT_EQ(reqs[1].payload, image.left(64));
    EXPECT_EQ(reqs[2].payload, QByteArray::fromHex("0040"));
    EXPECT_EQ(reqs[3].payload, image.mid(64) + QByteArray(28, '\xFF'));
    EXPECT_EQ(reqs[4].payload, QByteArray());
    EXPECT_EQ(link->device->flash(), image + QByteArray(28, '\xFF'));
    EXPECT_EQ(link->device->firmwareEnds(), 1);
    EXPECT_THAT(shown.progress, ElementsAre(64, 100));
    ASSERT_FALSE(shown.status.empty());
    EXPECT_EQ(shown.status.back().text, "100%");
    // 20 ms after every SET, 90 ms more after FW_DATA for this loader (lower bounds, device clock).
    EXPECT_GE(reqs[2].atMs - reqs[1].atMs, 100);
    EXPECT_GE(reqs[1].atMs - reqs[0].atMs, 15);
}

TEST_F(IspUploadTest, Variant2SixThousandBytes)
{
    auto link = connectIsp(HandshakeMode::Isp091);
    const QByteArray image = firmwareImage(6000);
    link->device->expectFirmware(image);
    IspUpload upload(link->session);
    Shown shown(upload);
    upload.openImageFile(writeFile(dir, "fw6000.bin", image));
    ASSERT_TRUE(upload.startFirmwareUpdate()) << link->device->firmwareDivergence().toStdString();

    std::vector<quint32> expected;
    for (quint32 a = 0; a < 6000; a += 128)
        expected.push_back(a);
    EXPECT_EQ(dataAddresses(*link), expected);

    // FW_CHK right after the chunks at 1920 and 3968; FW_END right after the one at 5888.
    const QList<SimulatedRequest> &reqs = link->device->requests();
    std::vector<quint32> checkedAfter;
    quint32 address = 0;
    for (qsizetype i = 0; i < reqs.size(); ++i) {
        if (reqs[i].command == Command::FW_ADDR)
            address = addressOf(reqs[i]);
        if (reqs[i].command == Command::FW_CHK && reqs[i - 1].command == Command::FW_DATA)
            checkedAfter.push_back(address);
    }
    EXPECT_THAT(checkedAfter, ElementsAre(1920u, 3968u));
    ASSERT_GE(reqs.size(), 2);
    EXPECT_EQ(reqs.back().command, Command::FW_END);
    const SimulatedRequest &last = reqs[reqs.size() - 2];
    EXPECT_EQ(last.command, Command::FW_DATA);
    EXPECT_EQ(last.payload, image.mid(5888) + QByteArray(16, '\xFF'));
    EXPECT_EQ(link->device->flash(), image + QByteArray(16, '\xFF'));
    EXPECT_EQ(link->device->blockChecks(), 2);

    // Lower bounds: 20 + 30 ms after FW_DATA, 100 ms more after a block's first chunk, 50 ms before FW_END.
    // The simulated device reads on this test's thread, so a line read late makes the next gap look
    // shorter by that delay; 10 ms of slack still catches any missing pause (the smallest is 20 ms).
    constexpr qint64 readSlackMs = 10;
    for (qsizetype i = 0; i + 1 < reqs.size(); ++i) {
        if (reqs[i].command != Command::FW_DATA)
            continue;
        const qint64 gap = reqs[i + 1].atMs - reqs[i].atMs;
        EXPECT_GE(gap, 50 - readSlackMs);
        if (reqs[i - 1].command == Command::FW_ADDR && addressOf(reqs[i - 1]) % 2048 == 0) {
            EXPECT_GE(gap, 150 - readSlackMs) << addressOf(reqs[i - 1]);
        }
    }
    EXPECT_GE(reqs.back().atMs - last.atMs, 100 - readSlackMs);
    ASSERT_FALSE(shown.progress.empty());
    EXPECT_EQ(shown.progress.front(), 2);
    EXPECT_EQ(shown.progress.back(), 100);
    EXPECT_TRUE(std::is_sorted(shown.progress.begin(), shown.progress.end()));
}

TEST_F(IspUploadTest, BlockSumMismatchResendsTheBlock)
{
    auto link = connectIsp(HandshakeMode::Isp091);
    link->device->faults().blockSumMismatch = 1;
    const QByteArray image = firmwareImage(4096);
    link->device->expectFirmware(image);
    IspUpload upload(link->session);
    upload.openImageFile(writeFile(dir, "fw4096.bin", image));
    ASSERT_TRUE(upload.startFirmwareUpdate()) << link->device->firmwareDivergence().toStdString();

    std::vector<quint32> expected;
    for (quint32 a = 0; a < 2048; a += 128)
        expected.push_back(a);
    for (quint32 a = 0; a < 4096; a += 128)
        expected.push_back(a);
    EXPECT_EQ(dataAddresses(*link), expected);
    // The FW_ADDR after the failed check carries the block's start again.
    const QList<SimulatedRequest> &reqs = link->device->requests();
    for (qsizetype i = 0; i < reqs.size(); ++i) {
        if (reqs[i].command == Command::FW_CHK) {
            ASSERT_LT(i + 1, reqs.size());
            EXPECT_EQ(reqs[i + 1].command, Command::FW_ADDR);
            EXPECT_EQ(addressOf(reqs[i + 1]), 0u);
            break;
        }
    }
    EXPECT_TRUE(link->log.text().contains("Warnning: Add:800, Check:")) << link->log.text().toStdString();
    EXPECT_EQ(link->device->flash(), image);
    // A whole number of blocks ends right after the last check, without a chunk of 0xFF.
    EXPECT_EQ(reqs.back().command, Command::FW_END);
    EXPECT_EQ(reqs[reqs.size() - 2].command, Command::FW_CHK);
}

TEST_F(IspUploadTest, MissingCheckAnswerTimesOutAndCanBeRetried)
{
    auto link = connectIsp(HandshakeMode::Isp091);
    link->device->faults().onlyFor = Command::FW_CHK;
    link->device->faults().dropReplies = -1;
    const QByteArray image = firmwareImage(2100);
    link->device->expectFirmware(image);
    IspUpload upload(link->session);
    Shown shown(upload);
    upload.openImageFile(writeFile(dir, "fw2100.bin", image));
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(upload.startFirmwareUpdate());
    EXPECT_GE(clock.elapsed(), IspUpload::checkTimeoutMs);
    ASSERT_FALSE(shown.status.empty());
    EXPECT_EQ(shown.status.back().text, "Update Fw Failed.");
    EXPECT_TRUE(shown.status.back().red);
    EXPECT_GT(link->requestsOf(Command::FW_CHK).size(), 10u);
    EXPECT_TRUE(link->requestsOf(Command::FW_END).empty());
    EXPECT_FALSE(upload.running());
    EXPECT_FALSE(link->session.channel().linkHeld());

    // The device is still in its loader: the operator can start again.
    link->device->faults() = SimulatedFaults{};
    link->device->clearRequests();
    EXPECT_TRUE(link->session.transport().ispMode());
    EXPECT_TRUE(upload.startFirmwareUpdate()) << link->device->firmwareDivergence().toStdString();
    EXPECT_EQ(link->device->flash().left(image.size()), image);
}

TEST_F(IspUploadTest, PortVanishingEndsTheUpload)
{
    auto link = connectIsp(HandshakeMode::Isp029);
    link->device->faults().vanishAfterRequests = 6;
    link->device->expectFirmware(firmwareImage(4096));
    IspUpload upload(link->session);
    Shown shown(upload);
    upload.openImageFile(writeFile(dir, "fw.bin", firmwareImage(4096)));
    EXPECT_FALSE(upload.startFirmwareUpdate());
    ASSERT_FALSE(shown.status.empty());
    EXPECT_EQ(shown.status.back().text, "Update Fw Failed.");
    EXPECT_TRUE(shown.status.back().red);
    EXPECT_FALSE(link->session.channel().linkHeld());
}

TEST_F(IspUploadTest, Variant1RefusesImagesOver64KiB)
{
    auto link = connectIsp(HandshakeMode::Isp029);
    IspUpload upload(link->session);
    Shown shown(upload);
    upload.openImageFile(writeFile(dir, "big.bin", firmwareImage(65537)));
    EXPECT_FALSE(upload.startFirmwareUpdate());
    EXPECT_FALSE(upload.uploadFirmware(firmware::IspVariant::Isp029));
    ASSERT_FALSE(shown.status.empty());
    EXPECT_TRUE(shown.status.back().red);
    EXPECT_TRUE(shown.status.back().text.contains("64KB"));
    EXPECT_EQ(link->dialogs.count("confirm"), 0); // refused before the question
    EXPECT_TRUE(link->device->requests().isEmpty());
}

TEST_F(IspUploadTest, OpeningShowsTheVersionRecordOrRefuses)
{
    auto link = connectIsp(HandshakeMode::Isp091);
    IspUpload upload(link->session);
    Shown shown(upload);
    const SYS_STATUS &record = link->session.registry().status(link->session.registry().selected());

    upload.openImageFile(writeFile(dir, "ok.bin", firmwareImage(2048)));
    EXPECT_EQ(link->log.text(), "Fw Open OK.\r\n");
    ASSERT_EQ(shown.version.size(), 1u);
    EXPECT_EQ(shown.version[0], "Target :   VID-1A2B     PID-3C4D     Version-v1.02");
    ASSERT_EQ(shown.status.size(), 1u);
    EXPECT_EQ(shown.status[0].text, "0%");
    EXPECT_FALSE(shown.status[0].red);
    EXPECT_EQ(record.firmwareLoaded, 1);

    upload.openImageFile(writeFile(dir, "norecord.bin", firmwareImage(2048, "", false)));
    EXPECT_EQ(shown.version.back(), "Target :");
    EXPECT_EQ(record.firmwareLoaded, 0);
    EXPECT_FALSE(upload.startFirmwareUpdate());
    EXPECT_EQ(shown.status.back().text, "Illegal FW.");
    EXPECT_TRUE(shown.status.back().red);

    // An image that vanished between opening and updating: appended to the log, and said in red.
    const QString gone = writeFile(dir, "gone.bin", firmwareImage(2048));
    upload.openImageFile(gone);
    QFile::remove(gone);
    shown.status.clear();
    EXPECT_FALSE(upload.uploadFirmware(firmware::IspVariant::Isp091));
    EXPECT_EQ(link->log.text(), "Fw Open OK.\r\nFw Open Fail.\r\n");
    ASSERT_FALSE(shown.status.empty());
    EXPECT_EQ(shown.status.back().text, "Update Fw Failed.");

    upload.openImageFile(dir.filePath("missing.bin"));
    EXPECT_EQ(link->log.text(), "Fw Open Fail.\r\n");
    EXPECT_EQ(shown.status.back().text, "Update Fw Failed.");
    EXPECT_TRUE(shown.status.back().red);

    // A cancelled dialog opens the previous choice again.
    const QString ok = writeFile(dir, "ok2.bin", firmwareImage(2048, "2.5"));
    link->dialogs.fileAnswer = ok;
    upload.openFirmwareImage();
    link->dialogs.fileAnswer.clear();
    upload.openFirmwareImage();
    EXPECT_EQ(upload.imagePath(), ok);
    EXPECT_EQ(shown.version.back(), "Target :   VID-1A2B     PID-3C4D     Version-2.5");
    EXPECT_TRUE(link->device->requests().isEmpty());
}

TEST_F(IspUploadTest, OpeningWithoutIspKindOnlyLogs)
{
    SimulatedLink link(HandshakeMode::Normal);
    ASSERT_TRUE(link.connect());
    ASSERT_EQ(link.session.channel().ispKind(), 0);
    link.session.registry().update(link.session.registry().selected(), [&](SYS_STATUS &s) { s.firmwareLoaded = 7; });
    IspUpload upload(link.session);
    Shown shown(upload);
    upload.openImageFile(writeFile(dir, "ok.bin", firmwareImage(2048)));
    EXPECT_EQ(link.log.text(), "Fw Open OK.\r\n");
    EXPECT_TRUE(shown.version.empty());
    EXPECT_TRUE(shown.status.empty());
    EXPECT_EQ(link.session.registry().status(link.session.registry().selected()).firmwareLoaded, 7);
    EXPECT_FALSE(upload.startFirmwareUpdate());
    EXPECT_EQ(shown.status.back().text, "Not ISP Mode.");
    EXPECT_TRUE(shown.status.back().red);
}

TEST_F(IspUploadTest, ConfirmationAtItsPlaceAndCancel)
{
    auto link = connectIsp(HandshakeMode::Isp029);
    IspUpload upload(link->session);
    upload.openImageFile(writeFile(dir, "ok.bin", firmwareImage(600)));
    link->dialogs.confirmAnswer = false;
    const QPoint at(215, 330);
    EXPECT_FALSE(upload.startFirmwareUpdate(&at));
    EXPECT_EQ(link->dialogs.count("confirm"), 1);
    EXPECT_EQ(link->dialogs.last().text, "Warning!\r\nUpdate system firmware.");
    ASSERT_TRUE(link->dialogs.last().at.has_value());
    EXPECT_EQ(*link->dialogs.last().at, at);
    EXPECT_TRUE(link->device->requests().isEmpty());
}

TEST_F(IspUploadTest, EverythingElseIsRefusedWhileTheUploadRuns)
{
    auto link = connectIsp(HandshakeMode::Isp091);
    // A status poll would ask this record's input 1 for its mode.
    link->session.registry().update(link->session.registry().selected(), [&](SYS_STATUS &s) { s.inputNodes[0].modePolled = 1; });
    link->session.registry().update(link->session.registry().selected(), [&](SYS_STATUS &s) { s.interfaceKind = 1; });
    link->device->expectFirmware(firmwareImage(4096));
    IspUpload upload(link->session);
    upload.openImageFile(writeFile(dir, "fw.bin", firmwareImage(4096)));
    QSignalSpy refused(&upload, &IspUpload::refused);
    bool probed = false;
    bool secondStart = true;
    QObject::connect(&upload, &IspUpload::progressChanged, [&](int percent) {
        if (probed || percent < 10)
            return;
        probed = true;
        secondStart = upload.startFirmwareUpdate();
        link->session.channel().sendCommand(Direction::GET, Command::SYS_DSCPT, 5);
        link->session.disconnect();
        pauseWithEvents(2100); // longer than the poll interval
    });
    ASSERT_TRUE(upload.startFirmwareUpdate()) << link->device->firmwareDivergence().toStdString();
    EXPECT_TRUE(probed);
    EXPECT_FALSE(secondStart);
    EXPECT_EQ(refused.count(), 1);
    EXPECT_TRUE(link->requestsOf(Command::SYS_DSCPT).empty());
    EXPECT_TRUE(link->requestsOf(Command::RXEDMD).empty());
    EXPECT_TRUE(link->session.connected());
    EXPECT_EQ(link->device->flash(), firmwareImage(4096));
    EXPECT_EQ(link->dialogs.count("confirm"), 1);
}

TEST_F(IspUploadTest, InputPastTheBufferDuringAnUploadIsDropped)
{
    auto link = connectIsp(HandshakeMode::Isp091);
    // Before its first check answer the device babbles more than the 1024-byte buffer holds.
    bool babbled = false;
    QObject::connect(link->device.get(), &SimulatedDevice::requestReceived, [&](const SimulatedRequest &r) {
        if (r.command == Command::FW_CHK && !babbled) {
            babbled = true;
            link->device->sendRaw(QByteArray(1020, 'z'));
        }
    });
    const QByteArray image = firmwareImage(2048);
    link->device->expectFirmware(image);
    IspUpload upload(link->session);
    upload.openImageFile(writeFile(dir, "fw.bin", image));
    ASSERT_TRUE(upload.startFirmwareUpdate()) << link->device->firmwareDivergence().toStdString();
    EXPECT_TRUE(babbled);
    EXPECT_LE(link->session.transport().rxLength(), static_cast<uint32_t>(SerialTransport::rxCapacity));
    EXPECT_EQ(link->device->flash(), image);
}

namespace {
double cpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec * 1e3 + usage.ru_utime.tv_usec / 1e3 + usage.ru_stime.tv_sec * 1e3 +
           usage.ru_stime.tv_usec / 1e3;
}
} // namespace

TEST_F(IspUploadTest, QuittingDuringAnUploadStopsItWithoutSpinning)
{
    // Variant 1 takes about 130 ms per 64 bytes: 16 KiB would run for half a minute.
    auto link = connectIsp(HandshakeMode::Isp029);
    IspUpload upload(link->session);
    Shown shown(upload);
    upload.openImageFile(writeFile(dir, "fw16k.bin", firmwareImage(16384)));
    bool finished = true;
    QElapsedTimer clock;
    qint64 quitAt = -1;
    qint64 returnedAt = -1;
    double cpuAtQuit = 0;
    double cpuAtReturn = 0;
    std::size_t chunksAtQuit = 0;
    QTimer::singleShot(0, [&] {
        QTimer::singleShot(600, [&] {
            quitAt = clock.elapsed();
            cpuAtQuit = cpuMs();
            chunksAtQuit = link->requestsOf(Command::FW_DATA).size();
            QCoreApplication::exit(0); // what closing the last window does
        });
        finished = upload.startFirmwareUpdate();
        returnedAt = clock.elapsed();
        cpuAtReturn = cpuMs();
    });
    clock.start();
    QCoreApplication::exec();
    ASSERT_GE(quitAt, 0);
    ASSERT_GE(returnedAt, quitAt);
    EXPECT_FALSE(finished);
    // The pause under way keeps its length, then the upload stops: no chunk after the one in flight.
    EXPECT_LE(link->requestsOf(Command::FW_DATA).size(), chunksAtQuit + 1);
    // Asleep, not spinning: far less processor time than time passed.
    EXPECT_LT(cpuAtReturn - cpuAtQuit, 0.5 * static_cast<double>(returnedAt - quitAt) + 20);
    ASSERT_FALSE(shown.status.empty());
    EXPECT_EQ(shown.status.back().text, "Update Fw Failed.");
    EXPECT_TRUE(shown.status.back().red);
    EXPECT_TRUE(link->requestsOf(Command::FW_END).empty());
    EXPECT_FALSE(upload.running());
    EXPECT_FALSE(link->session.channel().linkHeld());
    // Pauses after the event loop has ended handle events again.
    pauseWithEvents(30);
    EXPECT_FALSE(applicationEnding());
}

TEST_F(IspUploadTest, FiveMismatchesOfOneBlockEndTheUpload)
{
    struct Case
    {
        int mismatches;
        bool succeeds;
        int warnings;
    } cases[] = {{4, true, 4}, {5, false, 5}, {-1, false, 5}};
    for (const Case &c : cases) {
        auto link = connectIsp(HandshakeMode::Isp091);
        link->device->faults().blockSumMismatch = c.mismatches;
        IspUpload upload(link->session);
        Shown shown(upload);
        upload.openImageFile(writeFile(dir, "fw4096.bin", firmwareImage(4096)));
        EXPECT_EQ(upload.startFirmwareUpdate(), c.succeeds) << c.mismatches;
        EXPECT_EQ(link->log.text().count("Warnning: Add:800"), c.warnings) << c.mismatches;
        ASSERT_FALSE(shown.status.empty());
        EXPECT_EQ(shown.status.back().text, c.succeeds ? "100%" : "Update Fw Failed.") << c.mismatches;
        EXPECT_EQ(shown.status.back().red, !c.succeeds) << c.mismatches;
        EXPECT_EQ(link->requestsOf(Command::FW_END).size(), c.succeeds ? 1u : 0u) << c.mismatches;
        EXPECT_FALSE(link->session.channel().linkHeld());
    }
}

// The port going away between the last chunk and FW_END fails the update; an update that reaches
// its end says so unless the loader confirmed every byte, which only whole checked blocks do.
TEST_F(IspUploadTest, EndOfTheUploadIsConfirmedOrSaidUnconfirmed)
{
    struct Case
    {
        const char *name;
        HandshakeMode mode;
        int size;
        int vanishAfter; // requests; -1: the port stays
        bool ok;
        bool unconfirmed;
    } cases[] = {
        {"first loader, port gone after the last chunk", HandshakeMode::Isp029, 100, 4, false, false},
        {"second loader, port gone after the only chunk", HandshakeMode::Isp091, 100, 2, false, false},
        {"first loader never confirms", HandshakeMode::Isp029, 100, -1, true, true},
        {"second loader, a last block cut short", HandshakeMode::Isp091, 2148, -1, true, true},
        {"second loader, whole blocks only", HandshakeMode::Isp091, 2048, -1, true, false},
    };
    for (const Case &c : cases) {
        auto link = connectIsp(c.mode);
        const QByteArray image = firmwareImage(c.size);
        link->device->expectFirmware(image);
        link->device->faults().vanishAfterRequests = c.vanishAfter;
        IspUpload upload(link->session);
        Shown shown(upload);
        upload.openImageFile(writeFile(dir, "end.bin", image));
        const firmware::IspVariant variant =
            c.mode == HandshakeMode::Isp029 ? firmware::IspVariant::Isp029 : firmware::IspVariant::Isp091;
        EXPECT_EQ(upload.uploadFirmware(variant), c.ok) << c.name;
        ASSERT_FALSE(shown.status.empty()) << c.name;
        EXPECT_EQ(shown.status.back().text, c.ok ? QStringLiteral("100%") : IspUpload::failedText) << c.name;
        EXPECT_EQ(link->log.text().contains(QLatin1String(IspUpload::unconfirmedEndText)), c.unconfirmed) << c.name;
        if (c.ok) {
            EXPECT_EQ(link->device->firmwareEnds(), 1) << c.name;
        }
    }
}
