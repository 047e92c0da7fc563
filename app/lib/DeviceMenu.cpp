#include "app/lib/DeviceMenu.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QProgressDialog>

#include <memory>

#include "app/lib/HistoryWindow.h"
#include "link/DeviceBackup.h"
#include "link/DeviceSession.h"
#include "link/SlotLists.h"
#include "shell/Dialogs.h"

namespace {

// The progress dialog of one run: "<verb> <slot>", the share done, Cancel.
std::unique_ptr<QProgressDialog> progressDialog(QWidget &window, const QString &title)
{
    auto dialog = std::make_unique<QProgressDialog>(&window);
    dialog->setObjectName(QStringLiteral("ProgressDialog_Device"));
    dialog->setWindowTitle(title);
    // Application-modal: the Commander's device actions wait for the run too.
    dialog->setWindowModality(Qt::ApplicationModal);
    dialog->setMinimumDuration(0);
    dialog->setAutoClose(false);
    dialog->setAutoReset(false);
    dialog->setRange(0, 100);
    dialog->setValue(0);
    return dialog;
}

SlotProgress progressOf(QProgressDialog &dialog, const QString &verb)
{
    return [&dialog, verb](int index, int total, const QString &slot) {
        if (dialog.wasCanceled())
            return false;
        dialog.setValue(total > 0 ? index * 100 / total : 100);
        if (!slot.isEmpty())
            dialog.setLabelText(QStringLiteral("%1 %2 (%3 of %4)").arg(verb, slot).arg(index + 1).arg(total));
        return true;
    };
}

} // namespace

DeviceMenu::DeviceMenu(DeviceSession &session, QMenuBar &menuBar, QWidget &window)
    : QObject(&window), m_session(session), m_window(window)
{
    QMenu *menu = new QMenu(QStringLiteral("&Device"), &menuBar);
    menu->setObjectName(QStringLiteral("Menu_Device"));
    // Before Help, as menus go.
    const QList<QAction *> existing = menuBar.actions();
    menuBar.insertMenu(existing.isEmpty() ? nullptr : existing.first(), menu);
    m_backup = menu->addAction(QStringLiteral("Back up all slots…"));
    m_backup->setObjectName(QStringLiteral("Action_BackupAllSlots"));
    m_restore = menu->addAction(QStringLiteral("Restore from backup…"));
    m_restore->setObjectName(QStringLiteral("Action_RestoreFromBackup"));
    menu->addSeparator();
    m_history = menu->addAction(QStringLiteral("History…"));
    m_history->setObjectName(QStringLiteral("Action_History"));
    connect(m_history, &QAction::triggered, this, [this] { showHistory(); });
    connect(m_backup, &QAction::triggered, this, [this] { backUpAllSlots(); });
    connect(m_restore, &QAction::triggered, this, [this] { restoreFromBackup(); });
    connect(&m_session.serialSearch(), &SerialSearch::connectionChanged, this, &DeviceMenu::updateEnabled);
    connect(&m_session.channel(), &CommandChannel::operationRunningChanged, this,
            [this] { updateEnabled(m_session.connected(), m_session.transport().ispMode()); });
    updateEnabled(m_session.connected(), m_session.transport().ispMode());
}

void DeviceMenu::updateEnabled(bool connected, bool ispMode)
{
    const bool on = connected && !ispMode && !m_running && !m_session.channel().operationRunning();
    m_backup->setEnabled(on);
    m_restore->setEnabled(on);
    m_history->setEnabled(connected && !ispMode);
}

HistoryWindow *DeviceMenu::showHistory()
{
    if (!m_historyWindow)
        m_historyWindow = new HistoryWindow(m_session, &m_window);
    m_historyWindow->reload();
    m_historyWindow->show();
    m_historyWindow->raise();
    return m_historyWindow;
}

void DeviceMenu::backUpAllSlots(const QString &given)
{
    if (!m_session.connected() || m_session.transport().ispMode() || m_running)
        return;
    const QString folder = given.isEmpty() ? dialogs().chooseFolder(QStringLiteral("Back up all slots into")) : given;
    if (folder.isEmpty())
        return;
    CommandChannel::Operation operation = m_session.channel().beginOperation(QStringLiteral("Backup"));
    if (!operation)
        return;
    m_running = true;
    updateEnabled(true, false);
    auto dialog = progressDialog(m_window, QStringLiteral("Back up all slots"));
    const BackupResult r = backupDevice(m_session, folder, progressOf(*dialog, QStringLiteral("Reading")));
    dialog->close();
    operation.end();
    m_running = false;
    updateEnabled(m_session.connected(), m_session.transport().ispMode());

    const int failed = r.manifest.failed();
    QString text = QStringLiteral("%1 of %2 slots saved to %3.")
                       .arg(r.manifest.entries.size() - failed)
                       .arg(r.manifest.inputs + r.manifest.outputs + r.manifest.users + r.manifest.internals)
                       .arg(folder);
    if (r.cancelled) {
        QList<SlotCode> held;
        for (const BackupSlot &s : r.manifest.entries)
            if (s.read)
                held << s.code;
        text += QStringLiteral("\nCancelled: the remaining slots were not read; the manifest holds %1.")
                    .arg(describeSlots(held));
    }
    for (const BackupSlot &s : r.manifest.entries)
        if (!s.read)
            text += QStringLiteral("\n%1 failed: %2").arg(QString::fromStdString(slotDisplayName(s.code)), s.error);
    if (!r.manifest.edidModeError.isEmpty())
        text += QStringLiteral("\nEDID mode not saved: %1").arg(r.manifest.edidModeError);
    if (!r.bracketFailure.isEmpty())
        text += QStringLiteral("\nThe device did not confirm the transfer: %1").arg(r.bracketFailure);
    if (!r.error.isEmpty())
        text += QStringLiteral("\n") + r.error;
    else if (!r.cancelled)
        text += QStringLiteral("\nThe manifest lists every slot.");
    if (r.ok())
        dialogs().information(QStringLiteral("Back up all slots"), text);
    else
        dialogs().warning(QStringLiteral("Back up all slots"), text);
}

void DeviceMenu::restoreFromBackup(const QString &given)
{
    if (!m_session.connected() || m_session.transport().ispMode() || m_running)
        return;
    const QString folder = given.isEmpty() ? dialogs().chooseFolder(QStringLiteral("Restore from the backup in")) : given;
    if (folder.isEmpty())
        return;
    CommandChannel::Operation operation = m_session.channel().beginOperation(QStringLiteral("Restore"));
    if (!operation)
        return;
    m_running = true;
    updateEnabled(true, false);
    auto finish = [this, &operation](const QString &text, bool ok) {
        operation.end();
        m_running = false;
        updateEnabled(m_session.connected(), m_session.transport().ispMode());
        if (ok)
            dialogs().information(QStringLiteral("Restore from backup"), text);
        else
            dialogs().warning(QStringLiteral("Restore from backup"), text);
    };

    auto dialog = progressDialog(m_window, QStringLiteral("Restore from backup"));
    RestorePlan plan = planRestore(m_session, folder, RestoreFilter::All, progressOf(*dialog, QStringLiteral("Comparing")));
    dialog->close();
    if (!plan.error.isEmpty())
        return finish(plan.error, false);
    QStringList writes, refused;
    int unchanged = 0;
    bool cancelled = false;
    for (const RestoreStep &s : plan.steps) {
        if (s.action == RestoreStep::Action::Write)
            writes << s.slot;
        else if (s.action == RestoreStep::Action::Refuse)
            refused << QStringLiteral("%1 (%2)").arg(s.slot, s.detail);
        unchanged += s.action == RestoreStep::Action::Unchanged;
        cancelled = cancelled || s.outcome == RestoreStep::Outcome::Cancelled;
    }
    if (cancelled)
        return finish(QStringLiteral("Cancelled: nothing was written."), false);
    QString question = QStringLiteral("Write %1 slot(s): %2\n%3 slot(s) already hold their backup.")
                           .arg(writes.size())
                           .arg(writes.isEmpty() ? QStringLiteral("none") : writes.join(QStringLiteral(", ")))
                           .arg(unchanged);
    if (!refused.isEmpty())
        question += QStringLiteral("\nRefused: %1").arg(refused.join(QStringLiteral(", ")));
    if (plan.setMode)
        question += QStringLiteral("\nThe input's EDID mode becomes %1.").arg(plan.manifest.edidModeName);
    if (!dialogs().confirm(QStringLiteral("Restore from backup"), question + QStringLiteral("\n\nRestore now?")))
        return finish(QStringLiteral("Nothing was written."), true);

    dialog = progressDialog(m_window, QStringLiteral("Restore from backup"));
    const bool ok = runRestore(m_session, plan, progressOf(*dialog, QStringLiteral("Writing")));
    dialog->close();
    QString text;
    for (const RestoreStep &s : plan.steps) {
        if (s.action == RestoreStep::Action::Unchanged)
            continue;
        text += QStringLiteral("%1: %2%3\n")
                    .arg(s.slot, QString::fromLatin1(restoreOutcomeName(s.outcome)),
                         s.detail.isEmpty() ? QString() : QStringLiteral(" (") + s.detail + QLatin1Char(')'));
    }
    text += QStringLiteral("%1 slot(s) unchanged.").arg(unchanged);
    if (plan.setMode)
        text += QStringLiteral("\nEDID mode %1: %2").arg(plan.manifest.edidModeName, plan.modeOutcome);
    if (!plan.bracketFailure.isEmpty())
        text += QStringLiteral("\nThe device did not confirm the transfer: %1").arg(plan.bracketFailure);
    finish(text, ok);
}
