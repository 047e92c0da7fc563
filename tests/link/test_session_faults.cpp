// Every device operation against a device that answers late, not at all, with stray lines or goes
// away part-way: one test per operation, each with its table of faults. An operation reports
// success only when the device answered every request of it.
#include "tests/link/SessionFixture.h"

#include <QFile>
#include <QTemporaryDir>

#include "edid/NewEdidTemplate.h"
#include "link/SlotLists.h"
#include "link/SlotTransfer.h"

namespace {

struct Fault
{
    const char *name;
    void (*arm)(SimulatedFaults &);
    bool succeeds;
};

// The faults every operation is tried with.
const Fault kFaults[] = {
    {"none", [](SimulatedFaults &) {}, true},
    {"SET answers 35 ms late", [](SimulatedFaults &f) { f.lateSetReplyMs = 35; }, true},
    {"SET answers 45 ms late", [](SimulatedFaults &f) { f.lateSetReplyMs = 45; }, true},
    {"SET answers 150 ms late", [](SimulatedFaults &f) { f.lateSetReplyMs = 150; }, false},
    {"every answer 150 ms late", [](SimulatedFaults &f) { f.lateReplyMs = 150; }, false},
    {"stray line before every answer", [](SimulatedFaults &f) { f.strayLines = -1; }, true},
    {"garbage line before every answer",
     [](SimulatedFaults &f) {
         f.strayLines = -1;
         f.strayLine = "#noise\n";
     },
     true},
    {"first SET unanswered", [](SimulatedFaults &f) { f.dropSetReply = 1; }, false},
    {"second SET unanswered", [](SimulatedFaults &f) { f.dropSetReply = 2; }, false},
    {"one answer dropped", [](SimulatedFaults &f) { f.dropReplies = 1; }, false},
    {"silent", [](SimulatedFaults &f) { f.dropReplies = -1; }, false},
    {"bad CRC once", [](SimulatedFaults &f) { f.badCrc = 1; }, false},
    {"lowercase CRC", [](SimulatedFaults &f) { f.lowercaseCrc = -1; }, false},
    {"port gone after 1 request", [](SimulatedFaults &f) { f.vanishAfterRequests = 1; }, false},
    {"port gone after 3 requests", [](SimulatedFaults &f) { f.vanishAfterRequests = 3; }, false},
};

// An operation with a single SET cannot fail on a second SET's answer, nor one of two requests on
// a port that goes after the third.
bool appliesTo(const Fault &f, int setsInOperation, int requestsInOperation = 5)
{
    const std::string name = f.name;
    return !(name == "second SET unanswered" && setsInOperation < 2) &&
           !(name == "port gone after 3 requests" && requestsInOperation < 3);
}

class FaultTest : public SessionTest
{
  protected:
    // A fresh device and session per case: a vanished port or a late answer must not leak into the
    // next case.
    struct Rig
    {
        DebugLog log;
        DeviceSession session{log};
        SimulatedDevice device;
        bool ready = false;

        Rig()
        {
            ready = device.start();
            session.transport().setPortOverride({device.portPath()});
            session.search();
            ready = ready && session.connected() && session.serialSearch().descriptionReceived();
            // The poll would take a dropped or late answer of its own.
            session.registry().update(0, [&](SYS_STATUS &s) { s.inputNodes[0].modePolled = 0; });
            session.channel().stopPoll();
            device.clearRequests();
        }
        ~Rig()
        {
            if (session.connected())
                session.disconnect();
            pauseWithEvents(200); // late answers land before the device goes
        }
    };
};

EdidImage distinctImage(uint8_t seed)
{
    EdidImage image = NewEdidTemplate;
    image[12] = seed;
    image[200] = seed;
    setEdidChecksums(image);
    return image;
}

TEST_F(FaultTest, ReadSlot)
{
    int tried = 0;
    for (const Fault &f : kFaults) {
        if (!appliesTo(f, 1))
            continue;
        Rig rig;
        ASSERT_TRUE(rig.ready) << f.name;
        const EdidImage before = rig.session.transferImage();
        f.arm(rig.device.faults());
        QString why;
        const bool ok = readSlotEdid(rig.session, makeSlotCode(SlotKind::Internal, 2), &why);
        ++tried;
        EXPECT_EQ(ok, f.succeeds) << f.name << ": " << why.toStdString();
        if (ok) {
            EXPECT_EQ(rig.session.transferImage(), rig.device.slotImage(3, 2)) << f.name;
        } else {
            EXPECT_EQ(rig.session.transferImage(), before) << f.name;
        }
        EXPECT_EQ(ok, why.isEmpty()) << f.name;
    }
    EXPECT_GE(tried, 13);
}

TEST_F(FaultTest, UploadFileToSlot)
{
    QTemporaryDir dir;
    const EdidImage image = distinctImage(0x42);
    const QString path = dir.filePath("up.bin");
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(reinterpret_cast<const char *>(image.data()), qint64(image.size()));
    }
    for (const Fault &f : kFaults) {
        for (int dropAt = 0; dropAt <= 7; ++dropAt) {
            // Beyond the table: the answer to each of the seven SETs (SYS_STM, ND_SEL, four quarters,
            // SYS_CTM) left out in turn.
            if (dropAt > 0 && std::string(f.name) != "none")
                continue;
            Rig rig;
            ASSERT_TRUE(rig.ready) << f.name;
            f.arm(rig.device.faults());
            if (dropAt > 0)
                rig.device.faults().dropSetReply = dropAt;
            const bool shouldSucceed = f.succeeds && dropAt == 0;
            UploadHooks hooks;
            hooks.chooseFile = [&path] { return path; };
            std::vector<bool> done;
            hooks.uploadDone = [&done](bool confirmed) { done.push_back(confirmed); };
            // The write and its bracket alone: the read-back has its own tables.
            hooks.verify = false;
            QString why;
            const UploadResult r = uploadFileToSlot(rig.session, makeSlotCode(SlotKind::User, 2), hooks, &why);
            const std::string label = std::string(f.name) + " / drop SET " + std::to_string(dropAt);
            EXPECT_EQ(r, shouldSucceed ? UploadResult::Uploaded : UploadResult::Failed)
                << label << ": " << why.toStdString();
            // The page shows "Ok." only for a confirmed transfer (the closing SYS_CTM comes after it).
            if (dropAt != 7 && !done.empty()) {
                EXPECT_EQ(done.front(), shouldSucceed) << label;
            }
            if (r == UploadResult::Uploaded) {
                EXPECT_EQ(rig.device.slotImage(2, 2), image) << label;
            }
            // Request lines and order stay whatever came back (unless the port went away).
            if (rig.device.running()) {
                EXPECT_EQ(rig.device.requests().size(), 7) << label;
            }
        }
    }
}

TEST_F(FaultTest, CopySlot)
{
    for (const Fault &f : kFaults) {
        Rig rig;
        ASSERT_TRUE(rig.ready) << f.name;
        const EdidImage target = rig.device.slotImage(2, 3);
        f.arm(rig.device.faults());
        QString why;
        const CopyResult r =
            copySlot(rig.session, makeSlotCode(SlotKind::Internal, 2), makeSlotCode(SlotKind::User, 3), &why);
        EXPECT_EQ(r == CopyResult::Copied, f.succeeds) << f.name << ": " << why.toStdString();
        if (r == CopyResult::Copied) {
            EXPECT_EQ(rig.device.slotImage(2, 3), rig.device.slotImage(3, 2)) << f.name;
        }
        if (r == CopyResult::ReadFailed) {
            EXPECT_EQ(rig.device.slotImage(2, 3), target) << f.name << ": the destination is left alone";
        }
    }
}

TEST_F(FaultTest, SelectEdidMode)
{
    for (const Fault &f : kFaults) {
        if (!appliesTo(f, 2, 2))
            continue;
        Rig rig;
        ASSERT_TRUE(rig.ready) << f.name;
        f.arm(rig.device.faults());
        QString why;
        const bool ok = selectEdidMode(rig.session, 3, &why);
        EXPECT_EQ(ok, f.succeeds) << f.name << ": " << why.toStdString();
        if (ok) {
            EXPECT_EQ(rig.device.edidMode(), 3) << f.name;
        }
    }
}

TEST_F(FaultTest, SearchDescription)
{
    // The search reads SYS_DSCPT, sends ND_SEL for input 1 and reads ND_DSCPT: the device counts as
    // described only when all three were answered; it is listed either way.
    for (const Fault &f : kFaults) {
        if (std::string(f.name).starts_with("port gone") || !appliesTo(f, 1))
            continue; // a port that goes during the search ends it idle (tested with the search)
        DebugLog caseLog;
        DeviceSession s(caseLog);
        SimulatedDevice d;
        ASSERT_TRUE(d.start());
        f.arm(d.faults());
        d.faults().onlyFor = std::nullopt;
        s.transport().setPortOverride({d.portPath()});
        s.search();
        ASSERT_TRUE(s.connected()) << f.name;
        EXPECT_EQ(s.serialSearch().descriptionReceived(), f.succeeds) << f.name;
        EXPECT_EQ(caseLog.text().contains("No description received from"), !f.succeeds) << f.name;
        EXPECT_EQ(s.registry().count(), 1) << f.name;
        s.disconnect();
        pauseWithEvents(200);
    }
}

TEST_F(FaultTest, AMissedQuarterIsNeverTakenForTheNext)
{
    // Every answer comes after its pause and grace (100 ms after a GET): the first quarter's
    // answer would land while the second quarter's request waits, before that one's own answer.
    // Nothing in a quarter says which one it is, so the line must settle before the second goes out.
    for (const int lateMs : {110, 130, 160, 190}) {
        Rig rig;
        ASSERT_TRUE(rig.ready) << lateMs;
        ASSERT_TRUE(rig.session.channel().selectSlot(makeSlotCode(SlotKind::Internal, 2)).ok());
        const EdidImage before = rig.session.transferImage();
        rig.device.faults().lateReplyMs = lateMs;
        EXPECT_FALSE(rig.session.channel().sendCommand(Direction::GET, Command::ND_ED0A, 0).ok()) << lateMs;
        EXPECT_FALSE(rig.session.channel().sendCommand(Direction::GET, Command::ND_ED0B, 0).ok()) << lateMs;
        const EdidImage &image = rig.session.transferImage();
        EXPECT_TRUE(std::equal(before.begin() + 64, before.begin() + 128, image.begin() + 64)) << lateMs;
    }
}

TEST_F(SessionTest, LateAnswerIsSkippedAndTheWaitGoesOn)
{
    // The answer to a SET that comes after the next GET went out must not become that GET's answer.
    SimulatedDevice &d = connectDevice();
    session.channel().stopPoll();
    session.registry().update(0, [&](SYS_STATUS &s) { s.inputNodes[0].modePolled = 0; });
    session.channel().selectSlot(makeSlotCode(SlotKind::Internal, 2));
    const CommandResult get = session.channel().sendCommand(Direction::GET, Command::ND_ED0A, 0);
    EXPECT_TRUE(get.ok());
    // A line that is no quarter arrives first, the quarter after it.
    d.faults().strayLines = 1;
    const EdidImage internal2 = d.slotImage(3, 2);
    const CommandResult next = session.channel().sendCommand(Direction::GET, Command::ND_ED0B, 0);
    ASSERT_TRUE(next.ok()) << next.describe().toStdString();
    EXPECT_EQ(next.skipped, 1);
    EXPECT_TRUE(log.text().contains("Reply skipped: no answer to GET ND_ED0B."));
    EXPECT_EQ(std::vector<uint8_t>(session.transferImage().begin() + 64, session.transferImage().begin() + 128),
              std::vector<uint8_t>(internal2.begin() + 64, internal2.begin() + 128));

    // Outcomes of single requests.
    struct Case
    {
        const char *name;
        void (*arm)(SimulatedFaults &);
        Direction dir;
        Command cmd;
        CommandResult::Outcome outcome;
    } cases[] = {
        {"answered", [](SimulatedFaults &) {}, Direction::SET, Command::SYS_STM, CommandResult::Outcome::Answered},
        {"CRC error", [](SimulatedFaults &f) { f.badCrc = 1; }, Direction::GET, Command::SYS_DSCPT,
         CommandResult::Outcome::CrcError},
        {"nothing", [](SimulatedFaults &f) { f.dropReplies = 1; }, Direction::SET, Command::SYS_CTM,
         CommandResult::Outcome::NoReply},
        {"too late", [](SimulatedFaults &f) { f.lateReplyMs = 200; }, Direction::GET, Command::RXEDMD,
         CommandResult::Outcome::NoReply},
    };
    for (const Case &c : cases) {
        c.arm(d.faults());
        const CommandResult r = session.channel().sendCommand(c.dir, c.cmd, 0);
        EXPECT_EQ(r.outcome, c.outcome) << c.name;
        d.faults() = SimulatedFaults{};
        pauseWithEvents(250);
    }
    session.disconnect();
    const CommandResult closed = session.channel().sendCommand(Direction::SET, Command::SYS_STM, 0);
    EXPECT_EQ(closed.outcome, CommandResult::Outcome::NotSent);
}

} // namespace
