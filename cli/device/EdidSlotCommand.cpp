// edid diff with operands that are device slots: read through the same routine as "read" (the
// device is searched only when a slot is named, once for both operands).
#include <QString>

#include <memory>

#include "cli/device/DeviceCommands.h"
#include "cli/edid/EdidDiffReport.h"
#include "link/DeviceSession.h"
#include "link/SlotLists.h"
#include "link/SlotTransfer.h"
#include "shell/DebugLog.h"

namespace {

struct SlotReading
{
    DebugLog log;
    std::unique_ptr<DeviceSession> session;
    bool connectFailed = false;
};

EdidSlotReader makeReader(const GlobalOptions &global)
{
    auto state = std::make_shared<SlotReading>();
    return [state, &global](const std::string &slot, EdidImage &image) {
        const auto code = parseSlotName(slot);
        if (!code) {
            sayError(QStringLiteral("'%1' is not a slot.").arg(textArgument(slot)));
            return false;
        }
        if (state->connectFailed)
            return false;
        if (!state->session) {
            state->session = std::make_unique<DeviceSession>(state->log);
            if (!connectNormalDevice(*state->session, global)) {
                state->connectFailed = true;
                return false;
            }
        }
        DeviceSession &session = *state->session;
        const QString name = QString::fromStdString(slotDisplayName(*code));
        if (!slotExists(*code, slotCountsOf(session.registry().serialRecord()))) {
            sayError(QStringLiteral("The device has no slot %1.").arg(name));
            return false;
        }
        const CommandChannel::PollHold quiet(session.channel());
        QString why;
        if (!readSlotEdid(session, *code, &why)) {
            sayError(QStringLiteral("Reading %1 failed: %2.").arg(name, why));
            return false;
        }
        image = session.transferImage();
        return true;
    };
}

const EdidSlotReaderRegistration reg(&makeReader);

} // namespace
