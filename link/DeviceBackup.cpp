#include "link/DeviceBackup.h"

#include <QCryptographicHash>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

#include <unistd.h>

#include "edid/EdidBinFile.h"
#include "edid/EdidSummary.h"
#include "link/DeviceSession.h"
#include "link/EdidModes.h"
#include "link/SlotLists.h"
#include "link/SlotTransfer.h"
#include "link/SlotHistory.h"
#include "shell/Folder.h"
#include "shell/Latin1.h"

namespace {

constexpr const char *kFormat = "kelm-backup 1";
constexpr qsizetype kMaxManifestSize = 1 << 20;
constexpr int kMaxProblemsListed = 20;

QList<SlotCode> deviceSlots(const SYS_STATUS &s)
{
    QList<SlotCode> codes;
    const SlotCounts counts = slotCountsOf(s);
    for (int kind = 0; kind < 4; ++kind)
        for (int n = 1; n <= counts.of(static_cast<SlotKind>(kind)); ++n)
            codes << makeSlotCode(static_cast<SlotKind>(kind), n);
    return codes;
}

// "User 3" -> "user3", the form kelmctl mode takes.
QString modeName(int mode, const EdidModeCounts &counts)
{
    return QString::fromStdString(edidModeDisplayName(mode, counts)).toLower().remove(QLatin1Char(' '));
}

// The reads and writes of a backup or restore replace the analysis record's image; the Analyzer
// window and its Modify button keep showing the image they analysed.
class AnalysisImageGuard
{
  public:
    explicit AnalysisImageGuard(DeviceSession &s) : m_session(s), m_image(s.transferImage()) {}
    ~AnalysisImageGuard() { m_session.transferImage() = m_image; }

  private:
    DeviceSession &m_session;
    EdidImage m_image;
};

// Poll held and the device told a transfer is under way, for the whole run. Whether the device took
// the bracket commands is kept: a restore counts them as an upload does.
class TransferBracket
{
  public:
    explicit TransferBracket(DeviceSession &s) : m_session(s)
    {
        m_quiet.emplace(s.channel());
        m_confirmation.add(m_session.channel().sendCommand(Direction::SET, Command::SYS_STM, 0));
    }
    ~TransferBracket()
    {
        if (!m_closed)
            close();
    }
    // Sends SYS_CTM and restarts the poll; true when both bracket commands were answered.
    bool close()
    {
        m_closed = true;
        m_confirmation.add(m_session.channel().sendCommand(Direction::SET, Command::SYS_CTM, 0));
        m_quiet.reset();
        return m_confirmation.ok();
    }
    const QString &firstFailure() const { return m_confirmation.firstFailure(); }

  private:
    DeviceSession &m_session;
    std::optional<CommandChannel::PollHold> m_quiet;
    Confirmation m_confirmation;
    bool m_closed = false;
};

// The validation messages of an image, empty when it is valid.
QString validationProblem(const EdidImage &image)
{
    QStringList messages;
    for (const std::string &msg : edidValidationMessages(edidValidationError(image)))
        messages << QString::fromStdString(msg);
    return messages.join(QLatin1Char(' '));
}

// The slot's image through the one read routine: only a complete, confirmed read counts. No retry:
// a lost or garbled answer fails the slot, and the operator sees which one.
bool readImage(DeviceSession &session, SlotCode code, EdidImage &image, QString *why)
{
    if (!readSlotEdid(session, code, why))
        return false;
    image = session.transferImage();
    return true;
}

} // namespace

int BackupManifest::failed() const
{
    int n = 0;
    for (const BackupSlot &s : entries)
        n += !s.read;
    return n;
}

QByteArray manifestToJson(const BackupManifest &m)
{
    QJsonObject o;
    o.insert(QStringLiteral("format"), QLatin1String(kFormat));
    o.insert(QStringLiteral("created"), m.created.toUTC().toString(Qt::ISODate));
    o.insert(QStringLiteral("device"), QJsonObject{{"product", m.product},
                                                   {"description", m.description},
                                                   {"vid", m.vid},
                                                   {"pid", m.pid},
                                                   {"firmware", m.firmware}});
    o.insert(QStringLiteral("counts"), QJsonObject{{"inputs", m.inputs},
                                                   {"outputs", m.outputs},
                                                   {"users", m.users},
                                                   {"internals", m.internals}});
    if (m.edidMode)
        o.insert(QStringLiteral("edidMode"), QJsonObject{{"index", *m.edidMode}, {"name", m.edidModeName}});
    else
        o.insert(QStringLiteral("edidMode"), QJsonValue::Null);
    if (!m.edidModeError.isEmpty())
        o.insert(QStringLiteral("edidModeError"), m.edidModeError);
    o.insert(QStringLiteral("slotsFailed"), m.failed());
    QJsonArray entries;
    for (const BackupSlot &s : m.entries) {
        QJsonObject x{{"slot", s.slot}, {"status", s.read ? "ok" : "failed"}};
        if (s.read) {
            x.insert(QStringLiteral("file"), s.file);
            x.insert(QStringLiteral("sha256"), s.sha256);
            x.insert(QStringLiteral("valid"), s.valid);
            x.insert(QStringLiteral("manufacturer"), s.manufacturer);
            x.insert(QStringLiteral("monitorName"), s.monitorName);
        } else {
            x.insert(QStringLiteral("error"), s.error);
        }
        entries.append(x);
    }
    o.insert(QStringLiteral("slots"), entries);
    return QJsonDocument(o).toJson(QJsonDocument::Indented);
}

bool manifestFromJson(const QByteArray &json, BackupManifest &m, QStringList *problems)
{
    QStringList found;
    auto done = [&found, problems] {
        // Thousands of faulty entries make one screenful, not thousands of lines.
        if (found.size() > kMaxProblemsListed) {
            const qsizetype more = found.size() - kMaxProblemsListed;
            found.resize(kMaxProblemsListed);
            found << QStringLiteral("and %1 more").arg(more);
        }
        if (problems)
            *problems = found;
        return found.isEmpty();
    };
    if (json.size() > kMaxManifestSize) {
        found << QStringLiteral("%1 is larger than 1 MiB").arg(QLatin1String(kBackupManifestName));
        return done();
    }
    QJsonParseError pe;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &pe);
    if (!doc.isObject()) {
        found << QStringLiteral("it is not JSON (%1)").arg(pe.errorString());
        return done();
    }
    const QJsonObject o = doc.object();
    if (o.value(QStringLiteral("format")).toString() != QLatin1String(kFormat)) {
        found << QStringLiteral("it is not a backup manifest of this program");
        return done();
    }
    m = BackupManifest{};
    m.created = QDateTime::fromString(o.value(QStringLiteral("created")).toString(), Qt::ISODate);
    const QJsonObject d = o.value(QStringLiteral("device")).toObject();
    m.product = d.value(QStringLiteral("product")).toString();
    m.description = d.value(QStringLiteral("description")).toString();
    m.vid = d.value(QStringLiteral("vid")).toString();
    m.pid = d.value(QStringLiteral("pid")).toString();
    m.firmware = d.value(QStringLiteral("firmware")).toString();
    const QJsonObject c = o.value(QStringLiteral("counts")).toObject();
    int *const counts[4] = {&m.inputs, &m.outputs, &m.users, &m.internals};
    const char *const countNames[4] = {"inputs", "outputs", "users", "internals"};
    for (int kind = 0; kind < 4; ++kind) {
        *counts[kind] = c.value(QLatin1String(countNames[kind])).toInt(-1);
        if (*counts[kind] < 0 || *counts[kind] > 255) {
            found << QStringLiteral("its count of %1 is not a number from 0 to 255").arg(QLatin1String(countNames[kind]));
            *counts[kind] = 0;
        }
    }
    const QJsonValue mode = o.value(QStringLiteral("edidMode"));
    if (mode.isObject()) {
        const int index = mode.toObject().value(QStringLiteral("index")).toInt(-1);
        if (index < 0 || index > 255)
            found << QStringLiteral("its EDID mode is not a mode index");
        else
            m.edidMode = index;
        m.edidModeName = mode.toObject().value(QStringLiteral("name")).toString();
    }
    m.edidModeError = o.value(QStringLiteral("edidModeError")).toString();
    const QJsonValue slotList = o.value(QStringLiteral("slots"));
    if (!slotList.isArray()) {
        found << QStringLiteral("it has no list of slots");
        return done();
    }
    const QJsonArray list = slotList.toArray();
    const int slotTotal = m.inputs + m.outputs + m.users + m.internals;
    if (list.size() > slotTotal) {
        found << QStringLiteral("it lists %1 slots, but the device it describes has %2").arg(list.size()).arg(slotTotal);
        return done();
    }
    QSet<SlotCode> seen;
    for (const QJsonValue &v : list) {
        const QJsonObject x = v.toObject();
        BackupSlot s;
        s.slot = x.value(QStringLiteral("slot")).toString();
        const auto code = parseSlotName(s.slot.toStdString());
        if (!v.isObject() || !code) {
            found << QStringLiteral("'%1' is not a slot").arg(s.slot);
            continue;
        }
        s.code = *code;
        if (slotNumberOf(s.code) > *counts[int(slotKindOf(s.code))]) {
            found << QStringLiteral("%1 is not a slot of the device it describes").arg(s.slot);
            continue;
        }
        if (seen.contains(s.code)) {
            found << QStringLiteral("%1 is listed twice").arg(s.slot);
            continue;
        }
        seen.insert(s.code);
        s.read = x.value(QStringLiteral("status")).toString() == QLatin1String("ok");
        s.error = x.value(QStringLiteral("error")).toString();
        if (s.read) {
            s.file = x.value(QStringLiteral("file")).toString();
            // Only the name this program gives the slot: a manifest never leads outside its folder.
            const QString expected = QString::fromStdString(proposedEdidFileName(s.code));
            if (s.file != expected) {
                found << QStringLiteral("the file of %1 is \"%2\", not \"%3\"").arg(s.slot, s.file, expected);
                continue;
            }
            s.sha256 = x.value(QStringLiteral("sha256")).toString();
            s.valid = x.value(QStringLiteral("valid")).toBool();
            s.manufacturer = x.value(QStringLiteral("manufacturer")).toString();
            s.monitorName = x.value(QStringLiteral("monitorName")).toString();
        }
        m.entries << s;
    }
    return done();
}

QString describeSlots(const QList<SlotCode> &codes)
{
    // Runs of one kind become "Input 1-8"; the kinds keep the lists' order.
    QStringList parts;
    for (qsizetype i = 0; i < codes.size();) {
        qsizetype j = i;
        while (j + 1 < codes.size() && slotKindOf(codes[j + 1]) == slotKindOf(codes[i]) &&
               slotNumberOf(codes[j + 1]) == slotNumberOf(codes[j]) + 1)
            ++j;
        QString part = QString::fromStdString(slotDisplayName(codes[i]));
        if (j > i)
            part += QStringLiteral("-%1").arg(slotNumberOf(codes[j]));
        parts << part;
        i = j + 1;
    }
    return parts.isEmpty() ? QStringLiteral("no slot") : parts.join(QStringLiteral(", "));
}

BackupResult backupDevice(DeviceSession &session, const QString &folder, const SlotProgress &progress)
{
    BackupResult r;
    BackupManifest &m = r.manifest;
    const SYS_STATUS s = session.registry().serialRecord();
    m.product = s.productName;
    m.description = s.productString;
    m.vid = s.vid;
    m.pid = s.pid;
    m.firmware = s.firmwareVersion;
    m.inputs = s.inputCount;
    m.outputs = s.outputCount;
    m.users = s.userCount;
    m.internals = s.internalCount;
    m.created = QDateTime::currentDateTimeUtc();
    const Folder dir(folder, true);
    if (!dir.isOpen()) {
        r.error = dir.error() + QLatin1Char('.');
        r.error[0] = r.error[0].toUpper();
        return r;
    }
    // Whatever is planted under the names the backup writes is refused before the device is read:
    // such a folder is not one to trust with a backup.
    const QList<SlotCode> codes = deviceSlots(s);
    QStringList odd;
    for (const SlotCode code : codes)
        if (const QString file = QString::fromStdString(proposedEdidFileName(code)); !dir.oddEntry(file).isEmpty())
            odd << QStringLiteral("%1 is %2").arg(file, dir.oddEntry(file));
    if (const QString kind = dir.oddEntry(QLatin1String(kBackupManifestName)); !kind.isEmpty())
        odd << QStringLiteral("%1 is %2").arg(QLatin1String(kBackupManifestName), kind);
    if (!odd.isEmpty()) {
        r.error = QStringLiteral("Nothing was saved: in %1, %2; a backup writes only regular files there and "
                                 "never follows links. Remove them or choose another folder.")
                      .arg(folder, odd.join(QStringLiteral(", ")));
        return r;
    }
    const AnalysisImageGuard keepAnalysis(session);
    {
        TransferBracket bracket(session);
        if (const auto mode = queryEdidMode(session)) {
            m.edidMode = *mode;
            m.edidModeName = modeName(*mode, modeCountsOf(s));
        } else if (s.inputNodes[0].modeSelectable) {
            // A restore could not bring the mode back: the backup is not complete.
            m.edidModeError = QStringLiteral("the device did not report its EDID mode");
        }
        EdidFeatureRecord record;
        for (int i = 0; i < codes.size(); ++i) {
            const SlotCode code = codes[i];
            if (progress && !progress(i, int(codes.size()), QString::fromStdString(slotDisplayName(code)))) {
                r.cancelled = true;
                break;
            }
            BackupSlot b;
            b.code = code;
            b.slot = QString::fromStdString(slotName(code));
            EdidImage image;
            QString readFailure;
            if (!readImage(session, code, image, &readFailure)) {
                b.error = QStringLiteral("reading it failed: ") + readFailure;
                m.entries << b;
                continue;
            }
            const QString file = QString::fromStdString(proposedEdidFileName(code));
            QString why;
            if (!dir.write(file, QByteArray(reinterpret_cast<const char *>(image.data()), qsizetype(image.size())),
                           &why)) {
                b.error = why;
                m.entries << b;
                continue;
            }
            const EdidSummary summary = summariseEdid(record, image);
            b.read = true;
            b.file = file;
            b.sha256 = imageSha256Hex(image);
            b.valid = summary.valid();
            b.manufacturer = latin1(summary.answer(SummaryAnswer::Manufacturer));
            b.monitorName = latin1(summary.answer(SummaryAnswer::MonitorName));
            m.entries << b;
        }
        if (progress && !r.cancelled)
            progress(int(codes.size()), int(codes.size()), QString());
        if (!bracket.close())
            r.bracketFailure = bracket.firstFailure();
    }
    QString why;
    r.manifestWritten = dir.write(QLatin1String(kBackupManifestName), manifestToJson(m), &why);
    if (!r.manifestWritten)
        r.error = why;
    return r;
}

const char *restoreActionName(RestoreStep::Action action)
{
    switch (action) {
    case RestoreStep::Action::Write:
        return "write";
    case RestoreStep::Action::Unchanged:
        return "none (same)";
    case RestoreStep::Action::Refuse:
        return "refuse";
    case RestoreStep::Action::Skip:
        break;
    }
    return "skip";
}

const char *restoreOutcomeName(RestoreStep::Outcome outcome)
{
    switch (outcome) {
    case RestoreStep::Outcome::Planned:
        return "planned";
    case RestoreStep::Outcome::Written:
        return "written, verified";
    case RestoreStep::Outcome::Unchanged:
        return "unchanged";
    case RestoreStep::Outcome::Refused:
        return "refused";
    case RestoreStep::Outcome::Skipped:
        return "skipped";
    case RestoreStep::Outcome::Failed:
        return "FAILED";
    case RestoreStep::Outcome::Cancelled:
        break;
    }
    return "cancelled";
}

namespace {

// The manifest and every file it names that the filter takes; counts: the device's slots (nullptr:
// no device yet, every entry is checked).
RestorePlan checkFolder(const QString &folder, RestoreFilter filter, const SlotCounts *counts)
{
    RestorePlan plan;
    const Folder dir(folder, false);
    if (!dir.isOpen()) {
        plan.error = QStringLiteral("Nothing was restored: %1.").arg(dir.error());
        return plan;
    }
    QByteArray json;
    QString why;
    switch (dir.read(QLatin1String(kBackupManifestName), std::size_t(kMaxManifestSize), json, &why)) {
    case FolderRead::Ok:
        break;
    case FolderRead::TooLarge:
        plan.error = QStringLiteral("Nothing was restored: %1 is larger than 1 MiB, more than any backup writes.")
                         .arg(QLatin1String(kBackupManifestName));
        return plan;
    default:
        plan.error = QStringLiteral("Nothing was restored: %1 holds no usable backup (%2).").arg(folder, why);
        return plan;
    }
    if (!manifestFromJson(json, plan.manifest, &plan.problems)) {
        plan.error = QStringLiteral("Nothing was restored: %1 is unusable:\n  %2")
                         .arg(QLatin1String(kBackupManifestName), plan.problems.join(QStringLiteral("\n  ")));
        return plan;
    }
    // Every file the restore would use is checked before the device is touched: one that is not as
    // the backup wrote it means nothing is written at all.
    for (const BackupSlot &b : plan.manifest.entries) {
        const SlotKind kind = slotKindOf(b.code);
        if (!slotAcceptsUpload(b.code) || (filter == RestoreFilter::Inputs && kind != SlotKind::Input) ||
            (filter == RestoreFilter::Users && kind != SlotKind::User))
            continue;
        RestoreStep step;
        step.code = b.code;
        step.slot = b.slot;
        step.file = b.file;
        auto refuse = [&step](const QString &detail) {
            step.action = RestoreStep::Action::Refuse;
            step.outcome = RestoreStep::Outcome::Refused;
            step.detail = detail;
        };
        QByteArray bytes;
        if (!b.read) {
            refuse(QStringLiteral("the backup could not read this slot"));
        } else if (counts && !slotExists(b.code, *counts)) {
            step.action = RestoreStep::Action::Skip;
            step.outcome = RestoreStep::Outcome::Skipped;
            step.detail = QStringLiteral("the device has no such slot");
        } else if (dir.read(b.file, kEdidImageSize, bytes, &why) != FolderRead::Ok) {
            refuse(why);
            plan.problems << QStringLiteral("%1: %2").arg(b.slot, why);
        } else if (bytes.size() != qsizetype(kEdidImageSize)) {
            refuse(QStringLiteral("%1 holds %2 bytes, not %3").arg(b.file).arg(bytes.size()).arg(kEdidImageSize));
            plan.problems << QStringLiteral("%1: %2").arg(b.slot, step.detail);
        } else if (step.image = edidImageFromBytes(reinterpret_cast<const std::uint8_t *>(bytes.constData()),
                                                   std::size_t(bytes.size()));
                   imageSha256Hex(step.image) != b.sha256) {
            refuse(QStringLiteral("%1 is not what the backup wrote (SHA-256 differs)").arg(b.file));
            plan.problems << QStringLiteral("%1: %2").arg(b.slot, step.detail);
        } else if (const QString problem = validationProblem(step.image); !problem.isEmpty()) {
            // Saved as the slot held it: refused by itself, the backup is still intact.
            refuse(QStringLiteral("invalid image: %1").arg(problem));
        }
        plan.steps << step;
    }
    if (!plan.problems.isEmpty()) {
        plan.error = QStringLiteral("Nothing was restored: %1 is not as the backup left it:\n  %2")
                         .arg(folder, plan.problems.join(QStringLiteral("\n  ")));
        return plan;
    }

    return plan;
}

} // namespace

RestorePlan checkBackupFolder(const QString &folder, RestoreFilter filter)
{
    return checkFolder(folder, filter, nullptr);
}

RestorePlan planRestore(DeviceSession &session, const QString &folder, RestoreFilter filter,
                        const SlotProgress &progress)
{
    const SYS_STATUS s = session.registry().serialRecord();
    const SlotCounts counts = slotCountsOf(s);
    RestorePlan plan = checkFolder(folder, filter, &counts);
    if (!plan.error.isEmpty())
        return plan;
    plan.setMode = plan.manifest.edidMode.has_value() && filter != RestoreFilter::Users;
    if (plan.setMode)
        plan.modeIndex = parseEdidModeName(plan.manifest.edidModeName.toStdString(), modeCountsOf(s));

    const AnalysisImageGuard keepAnalysis(session);
    const CommandChannel::PollHold quiet(session.channel());
    QList<RestoreStep *> compared;
    for (RestoreStep &step : plan.steps)
        if (step.action == RestoreStep::Action::Skip && step.outcome == RestoreStep::Outcome::Planned)
            compared << &step;
    for (int i = 0; i < compared.size(); ++i) {
        RestoreStep &step = *compared[i];
        if (progress && !progress(i, int(compared.size()), QString::fromStdString(slotDisplayName(step.code)))) {
            for (int j = i; j < compared.size(); ++j)
                compared[j]->outcome = RestoreStep::Outcome::Cancelled;
            break;
        }
        EdidImage onDevice;
        QString readFailure;
        if (!readImage(session, step.code, onDevice, &readFailure)) {
            // What the slot holds is unknown: writing it is the safe plan.
            step.action = RestoreStep::Action::Write;
            step.detail = QStringLiteral("the slot could not be read (%1)").arg(readFailure);
        } else if (step.onDevice = onDevice; onDevice == step.image) {
            step.action = RestoreStep::Action::Unchanged;
            step.outcome = RestoreStep::Outcome::Unchanged;
        } else {
            step.action = RestoreStep::Action::Write;
        }
    }
    return plan;
}

bool runRestore(DeviceSession &session, RestorePlan &plan, const SlotProgress &progress)
{
    if (!plan.error.isEmpty())
        return false;
    // A history that cannot be kept stops the restore before its first request.
    for (RestoreStep &step : plan.steps) {
        QString why;
        if (step.action == RestoreStep::Action::Write && !slotHistoryReady(session, step.code, &why)) {
            for (RestoreStep &s : plan.steps)
                if (s.action == RestoreStep::Action::Write) {
                    s.outcome = RestoreStep::Outcome::Failed;
                    s.detail = why;
                }
            return false;
        }
    }
    bool ok = true;
    const AnalysisImageGuard keepAnalysis(session);
    TransferBracket bracket(session);
    int total = 0;
    for (const RestoreStep &s : plan.steps)
        total += s.action == RestoreStep::Action::Write;
    int done = 0;
    bool cancelled = false;
    for (RestoreStep &step : plan.steps) {
        if (step.outcome == RestoreStep::Outcome::Cancelled)
            cancelled = true;
        if (step.action != RestoreStep::Action::Write)
            continue;
        if (cancelled ||
            (progress && !progress(done, total, QString::fromStdString(slotDisplayName(step.code))))) {
            cancelled = true;
            step.outcome = RestoreStep::Outcome::Cancelled;
            continue;
        }
        ++done;
        QString why;
        bool sent = false;
        if (!writeSlotRecorded(session, step.code, step.image,
                               SlotWriteNote{QStringLiteral("restore"), step.file, step.onDevice}, true, &why, &sent)) {
            step.outcome = RestoreStep::Outcome::Failed;
            // A write that went out whole failed its read-back, which says what differs.
            step.detail = sent ? why : QStringLiteral("writing it failed: ") + why;
        } else {
            step.outcome = RestoreStep::Outcome::Written;
            step.detail.clear();
        }
        ok = ok && step.outcome == RestoreStep::Outcome::Written;
    }
    if (progress && !cancelled)
        progress(total, total, QString());
    if (plan.setMode && !cancelled) {
        QString why;
        if (!plan.modeIndex) {
            plan.modeOutcome = QStringLiteral("FAILED: the device has no EDID mode %1").arg(plan.manifest.edidModeName);
            ok = false;
        } else if (queryEdidMode(session) == plan.modeIndex) {
            plan.modeOutcome = QStringLiteral("unchanged");
        } else if (!selectEdidMode(session, *plan.modeIndex, &why)) {
            plan.modeOutcome = QStringLiteral("FAILED: ") + why;
            ok = false;
        } else if (const auto reported = queryEdidMode(session); reported != plan.modeIndex) {
            plan.modeOutcome = reported ? QStringLiteral("FAILED: the device kept another mode")
                                        : QStringLiteral("FAILED: the device did not report its EDID mode");
            ok = false;
        } else {
            plan.modeOutcome = QStringLiteral("set");
        }
    }
    if (!bracket.close()) {
        plan.bracketFailure = bracket.firstFailure();
        ok = false;
    }
    for (const RestoreStep &s : plan.steps)
        ok = ok && s.outcome != RestoreStep::Outcome::Refused && s.outcome != RestoreStep::Outcome::Cancelled;
    return ok && !cancelled;
}
