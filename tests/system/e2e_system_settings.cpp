// The description string and the reset to defaults end to end, through SystemSettings and kelmctl.
#include <QElapsedTimer>
#include <QSignalSpy>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "KelmctlProcess.h"
#include "SimulatedLink.h"
#include "shell/Pause.h"
#include "firmware/IspUpload.h"
#include "system/SystemSettings.h"

using ::testing::ElementsAre;

namespace {

struct Label9
{
    explicit Label9(SystemSettings &s)
    {
        QObject::connect(&s, &SystemSettings::statusChanged, [this](const QString &t, bool red) {
            texts.push_back(t);
            reds.push_back(red);
        });
    }
    std::vector<QString> texts;
    std::vector<bool> reds;
};

std::unique_ptr<SimulatedLink> connectNormal()
{
    auto link = std::make_unique<SimulatedLink>(HandshakeMode::Normal);
    EXPECT_TRUE(link->started);
    EXPECT_TRUE(link->connect());
    return link;
}

QString descriptionCell(const SimulatedLink &link)
{
    return link.session.registry().rows().value(link.session.registry().selected()).value(3);
}

} // namespace

TEST(SystemSettingsFeedback, LengthLimitWhileTyping)
{
    const struct
    {
        int length;
        const char *text;
        bool red;
    } cases[] = {{0, "", false},
                 {31, "", false},
                 {32, "31 Letters Limited!", true},
                 {200, "31 Letters Limited!", true}};
    for (const auto &c : cases) {
        const auto f = SystemSettings::lengthFeedback(QString(c.length, QLatin1Char('x')));
        EXPECT_EQ(f.text, c.text) << c.length;
        EXPECT_EQ(f.red, c.red) << c.length;
    }
    EXPECT_EQ(SystemSettings::productStringPayload(QString()), QByteArray(" "));
    EXPECT_EQ(SystemSettings::productStringPayload(QString(40, QLatin1Char('a'))), QByteArray(31, 'a'));
    EXPECT_EQ(SystemSettings::productStringPayload(QStringLiteral("Hall B")), QByteArray("Hall B"));
}

TEST(SystemSettingsDevice, SameTextTwiceSendsOnce)
{
    auto link = connectNormal();
    SystemSettings settings(link->session);
    Label9 label(settings);
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(settings.applyProductString(QStringLiteral("Hall B")), SystemSettings::Result::Sent);
    EXPECT_GE(clock.elapsed(), 1000);
    EXPECT_EQ(settings.applyProductString(QStringLiteral("Hall B")), SystemSettings::Result::Unchanged);
    EXPECT_THAT(label.texts, ElementsAre("Ok.", "", "No Changed."));
    const auto sent = link->requestsOf(Command::SYS_STR);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].payload, QByteArray("Hall B"));
    EXPECT_EQ(link->device->productString(), QByteArray("Hall B"));
    EXPECT_EQ(descriptionCell(*link), " Hall B ");
}

TEST(SystemSettingsDevice, LongTextSendsThirtyOneAndStoresAll)
{
    auto link = connectNormal();
    SystemSettings settings(link->session);
    const QString forty = QStringLiteral("0123456789abcdefghijABCDEFGHIJ0123456789");
    ASSERT_EQ(forty.size(), 40);
    EXPECT_EQ(settings.applyProductString(forty), SystemSettings::Result::Sent);
    const auto sent = link->requestsOf(Command::SYS_STR);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].payload, forty.left(31).toLatin1());
    EXPECT_EQ(settings.productString(), forty);
    EXPECT_EQ(descriptionCell(*link), " " + forty + " ");
    // The stored copy holds all 40, so the same text again is "No Changed." although the device has 31.
    EXPECT_EQ(settings.applyProductString(forty), SystemSettings::Result::Unchanged);
}

TEST(SystemSettingsDevice, EmptiedTextSendsOneSpace)
{
    auto link = connectNormal();
    SystemSettings settings(link->session);
    EXPECT_EQ(settings.applyProductString(QString()), SystemSettings::Result::Sent);
    const auto sent = link->requestsOf(Command::SYS_STR);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].line.left(15), QByteArray("$SET SYS_STR 20"));
    EXPECT_EQ(sent[0].payload, QByteArray(" "));
    EXPECT_EQ(descriptionCell(*link), "  ");
}

TEST(SystemSettingsDevice, ResetAsksThenRefreshesTheDescription)
{
    auto link = connectNormal();
    SystemSettings settings(link->session);
    QSignalSpy shown(&settings, &SystemSettings::productStringShown);
    ASSERT_EQ(settings.applyProductString(QStringLiteral("Changed")), SystemSettings::Result::Sent);
    link->device->clearRequests();

    link->dialogs.confirmAnswer = false;
    const QPoint at(400, 300);
    EXPECT_EQ(settings.resetToDefaults(&at), SystemSettings::Result::Cancelled);
    EXPECT_EQ(link->dialogs.last().text, "Warning!\r\nReset system to default.");
    EXPECT_EQ(link->dialogs.last().at, at);
    EXPECT_TRUE(link->device->requests().isEmpty());
    EXPECT_EQ(shown.count(), 0);

    link->dialogs.confirmAnswer = true;
    EXPECT_EQ(settings.resetToDefaults(&at), SystemSettings::Result::Sent);
    const QList<SimulatedRequest> &reqs = link->device->requests();
    ASSERT_EQ(reqs.size(), 2);
    EXPECT_EQ(reqs[0].command, Command::SYS_DEF);
    EXPECT_EQ(reqs[0].payload, QByteArray("\x55"));
    EXPECT_EQ(reqs[1].command, Command::SYS_DSCPT);
    EXPECT_EQ(reqs[1].direction, Direction::GET);
    // 20 + 500 ms from the sender, then the routine's own second.
    EXPECT_GE(reqs[1].atMs - reqs[0].atMs, 1500);
    EXPECT_EQ(settings.productString(), "Demo Matrix");
    ASSERT_EQ(shown.count(), 1);
    EXPECT_EQ(shown[0][0].toString(), "Demo Matrix");
    EXPECT_EQ(descriptionCell(*link), " Demo Matrix ");
}

// Without the SYS_DEF answer the reset has failed: it says so at once, waits for no device and
// asks for no description; the red text clears itself later.
TEST(SystemSettingsDevice, AnUnansweredResetFailsAtOnce)
{
    auto link = connectNormal();
    SystemSettings settings(link->session);
    QStringList statuses;
    QObject::connect(&settings, &SystemSettings::statusChanged,
                     [&](const QString &text, bool) { statuses << text; });
    link->device->faults().dropSetReply = 1;
    EXPECT_EQ(settings.resetToDefaults(), SystemSettings::Result::Failed);
    EXPECT_EQ(statuses, QStringList{QStringLiteral("Reset Failed.")});
    EXPECT_TRUE(link->requestsOf(Command::SYS_DSCPT).empty());
    EXPECT_FALSE(settings.busy());
    for (int waited = 0; statuses.size() < 2 && waited < 3000; waited += 50)
        pauseWithEvents(50);
    ASSERT_EQ(statuses.size(), 2);
    EXPECT_EQ(statuses.last(), QString());
}

TEST(SystemSettingsDevice, NothingWithoutADeviceOrDuringAnUpload)
{
    SimulatedLink idle(HandshakeMode::Normal);
    SystemSettings offline(idle.session);
    EXPECT_EQ(offline.applyProductString(QStringLiteral("x")), SystemSettings::Result::NotConnected);
    EXPECT_EQ(offline.resetToDefaults(), SystemSettings::Result::NotConnected);
    EXPECT_EQ(idle.dialogs.count("confirm"), 0);

    auto link = connectNormal();
    SystemSettings settings(link->session);
    {
        CommandChannel::LinkHold hold(link->session.channel());
        EXPECT_EQ(settings.applyProductString(QStringLiteral("x")), SystemSettings::Result::Busy);
        EXPECT_EQ(settings.resetToDefaults(), SystemSettings::Result::Busy);
    }
    EXPECT_TRUE(link->device->requests().isEmpty());
}

// ----- kelmctl ------------------------------------------------------------------------------------

// kelmctl runs while this process's event loop keeps the simulated device answering.
using CtlResult = ProgramRun;

TEST(SystemKelmctl, DescribeAndReset)
{
    SimulatedLink link(HandshakeMode::Normal);
    ASSERT_TRUE(link.started);
    const QString port = link.device->portPath();

    CtlResult r = runKelmctlOn(port, {"describe", "Room 12"});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("Ok.")) << r.out.toStdString();
    EXPECT_EQ(link.device->productString(), QByteArray("Room 12"));

    // Each kelmctl run reads the description afresh, so the same text is "No Changed.".
    r = runKelmctlOn(port, {"describe", "Room 12"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.out.contains("No Changed.")) << r.out.toStdString();

    r = runKelmctlOn(port, {"reset"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(link.device->productString(), QByteArray("Room 12"));

    r = runKelmctlOn(port, {"reset", "--yes"});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("Demo Matrix")) << r.out.toStdString();
    EXPECT_EQ(link.device->productString(), QByteArray("Demo Matrix"));

    r = runKelmctlOn(port, {"describe"});
    EXPECT_EQ(r.exitCode, 2);
}

TEST(SystemKelmctl, FirmwareUpdate)
{
    SimulatedLink link(HandshakeMode::Isp091);
    ASSERT_TRUE(link.started);
    QTemporaryDir dir;
    const QByteArray image = firmwareImage(3000);
    const QString path = writeFile(dir, "fw.bin", image);
    const QString port = link.device->portPath();
    link.device->expectFirmware(image);

    CtlResult r = runKelmctlOn(port, {"firmware", path});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(link.device->requests().isEmpty());

    r = runKelmctlOn(port, {"firmware", path, "--yes"});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString() << link.device->firmwareDivergence().toStdString();
    EXPECT_TRUE(r.out.contains("Target :   VID-1A2B     PID-3C4D     Version-v1.02")) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("100%"));
    EXPECT_EQ(link.device->flash().left(image.size()), image);

    r = runKelmctlOn(port, {"firmware", dir.filePath("missing.bin"), "--yes"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_FALSE(r.err.isEmpty());

    link.device->config().handshake = HandshakeMode::Normal;
    r = runKelmctlOn(port, {"firmware", path, "--yes"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("Not ISP Mode")) << r.err.toStdString();
}
