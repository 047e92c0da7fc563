#include "app/lib/HistoryWindow.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "edid/EdidSummary.h"
#include "link/DeviceSession.h"
#include "link/SlotLists.h"
#include "link/SlotTransfer.h"
#include "shell/Dialogs.h"
#include "shell/ui/Accessibility.h"
#include "workbench/EdidCompareWindow.h"

namespace {

enum Column { Time, Slot, Operation, Result, Before, After, ColumnCount };

// "HDM-4K44, 3840x2160@60Hz" as the Analyzer names them; what the history no longer holds says so.
QString describe(const std::optional<EdidImage> &image)
{
    if (!image)
        return QStringLiteral("(image missing)");
    EdidFeatureRecord record{};
    const EdidSummary summary = summariseEdid(record, *image);
    if (!summary.valid())
        return QStringLiteral("(invalid EDID)");
    return QStringLiteral("%1, %2")
        .arg(QString::fromStdString(summary.answer(SummaryAnswer::MonitorName)).trimmed(),
             QString::fromStdString(summary.answer(SummaryAnswer::MaxResolution)).trimmed());
}

QString resultText(const HistoryEntry &e)
{
    if (e.result == QLatin1String("written"))
        return e.verified ? QStringLiteral("read back") : QStringLiteral("written");
    return e.result;
}

} // namespace

HistoryWindow::HistoryWindow(DeviceSession &session, QWidget *parent) : QWidget(parent, Qt::Window), m_session(session)
{
    setObjectName(QStringLiteral("Form_History"));
    setWindowTitle(QStringLiteral("History"));
    auto *layout = new QVBoxLayout(this);
    m_device = new QLabel(this);
    m_device->setObjectName(QStringLiteral("Label_History_Device"));
    m_device->setTextFormat(Qt::PlainText);
    layout->addWidget(m_device);

    m_table = new QTableWidget(0, ColumnCount, this);
    m_table->setObjectName(QStringLiteral("Table_History"));
    m_table->setAccessibleName(QStringLiteral("Slot writes"));
    m_table->setHorizontalHeaderLabels({QStringLiteral("Time (UTC)"), QStringLiteral("Slot"), QStringLiteral("Operation"),
                                        QStringLiteral("Result"), QStringLiteral("Before"), QStringLiteral("After")});
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(m_table, 1);

    auto *buttons = new QHBoxLayout;
    m_compareButton = new QPushButton(QStringLiteral("Compare"), this);
    m_compareButton->setObjectName(QStringLiteral("Button_History_Compare"));
    m_compareButton->setToolTip(QStringLiteral("Compare what the slot held before this write with what it wrote"));
    m_writeBackButton = new QPushButton(QStringLiteral("Write back"), this);
    m_writeBackButton->setObjectName(QStringLiteral("Button_History_WriteBack"));
    m_writeBackButton->setToolTip(QStringLiteral("Write what the slot held before this write into it again"));
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("ProgressBar_History"));
    m_progress->setAccessibleName(QStringLiteral("Write back in progress"));
    m_progress->setRange(0, 0);
    m_progress->setMaximumWidth(120);
    m_progress->hide();
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("Label_History_Status"));
    m_status->setTextFormat(Qt::PlainText);
    m_status->setWordWrap(true);
    buttons->addWidget(m_compareButton);
    buttons->addWidget(m_writeBackButton);
    buttons->addWidget(m_progress);
    buttons->addWidget(m_status, 1);
    layout->addLayout(buttons);

    connect(m_compareButton, &QPushButton::clicked, this, [this] { compare(m_table->currentRow()); });
    connect(m_writeBackButton, &QPushButton::clicked, this, [this] { writeBack(m_table->currentRow()); });
    connect(m_table, &QTableWidget::itemSelectionChanged, this, &HistoryWindow::updateButtons);
    connect(&m_session.channel(), &CommandChannel::operationRunningChanged, this,
            &HistoryWindow::updateButtons);
    connect(&m_session.serialSearch(), &SerialSearch::connectionChanged, this, &HistoryWindow::reload);
    resize(980, 360);
    makeAccessible(this);
    reload();
}

void HistoryWindow::reload()
{
    m_entries.clear();
    const SlotHistory *history = m_session.slotHistory();
    const bool serial = m_session.connected() && !m_session.transport().ispMode();
    if (history && serial) {
        const HistoryDevice device =
            historyDeviceOf(m_session.registry().serialRecord(), m_session.transport().openPortName());
        m_entries = history->entries(device.folderName());
        m_device->setText(QStringLiteral("Writes into the slots of %1 (%2), newest first; kept in %3")
                              .arg(device.label(), device.port, history->root()));
    } else {
        m_device->setText(history ? QStringLiteral("No device connected.") : QStringLiteral("No history is kept."));
    }
    m_table->setRowCount(int(m_entries.size()));
    for (int row = 0; row < m_entries.size(); ++row) {
        const HistoryEntry &e = m_entries[row];
        const QString slot = parseSlotName(e.slot.toStdString())
                                 ? QString::fromStdString(slotDisplayName(*parseSlotName(e.slot.toStdString())))
                                 : e.slot;
        const QString texts[ColumnCount] = {
            e.time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
            slot,
            e.source.isEmpty() ? e.operation : QStringLiteral("%1 (%2)").arg(e.operation, e.source),
            resultText(e),
            describe(history->image(e.deviceFolder, e.slot, e.before)),
            describe(history->image(e.deviceFolder, e.slot, e.after)),
        };
        for (int c = 0; c < ColumnCount; ++c)
            m_table->setItem(row, c, new QTableWidgetItem(texts[c]));
    }
    m_table->resizeColumnsToContents();
    if (!m_entries.isEmpty())
        m_table->selectRow(0);
    updateButtons();
}

void HistoryWindow::updateButtons()
{
    const int row = m_table->currentRow();
    const bool chosen = row >= 0 && row < m_entries.size();
    m_compareButton->setEnabled(chosen);
    m_writeBackButton->setEnabled(chosen && !m_writing && m_session.connected() &&
                                  !m_session.channel().operationRunning());
}

QString HistoryWindow::statusText() const
{
    return m_status->text();
}

void HistoryWindow::showResult(const QString &text, bool ok)
{
    QPalette palette = m_status->palette();
    palette.setColor(QPalette::WindowText, ok ? Qt::black : Qt::red);
    m_status->setPalette(palette);
    m_status->setText(text);
}

void HistoryWindow::compare(int row)
{
    const SlotHistory *history = m_session.slotHistory();
    if (!history || row < 0 || row >= m_entries.size())
        return;
    const HistoryEntry &e = m_entries[row];
    const auto before = history->image(e.deviceFolder, e.slot, e.before);
    const auto after = history->image(e.deviceFolder, e.slot, e.after);
    if (!before || !after)
        return showResult(QStringLiteral("The images of this write are missing or altered in the history."), false);
    if (!m_compare) {
        m_compare = new EdidCompareWindow(this);
        m_compare->setWindowFlag(Qt::Window);
    }
    const QString when = e.time.toString(Qt::ISODate);
    m_compare->setImageA(*before, QStringLiteral("%1 before the %2 of %3").arg(e.slot, e.operation, when));
    m_compare->setImageB(*after, QStringLiteral("%1 after it").arg(e.slot));
    m_compare->show();
    m_compare->raise();
}

bool HistoryWindow::writeBack(int row)
{
    SlotHistory *history = m_session.slotHistory();
    if (!history || row < 0 || row >= m_entries.size() || m_writing || !m_session.connected())
        return false;
    const HistoryEntry e = m_entries[row];
    const auto code = parseSlotName(e.slot.toStdString());
    const auto image = history->image(e.deviceFolder, e.slot, e.before);
    if (!code || !image) {
        showResult(QStringLiteral("The image this slot held before is missing or altered in the history."), false);
        return false;
    }
    const QString slot = QString::fromStdString(slotDisplayName(*code));
    const QString when = e.time.toString(Qt::ISODate);
    if (!dialogs().confirm(QStringLiteral("Write back"),
                           QStringLiteral("Write into %1 what it held before the %2 of %3 (%4)?")
                               .arg(slot, e.operation, when, describe(image))))
        return false;
    CommandChannel::Operation operation = m_session.channel().beginOperation(QStringLiteral("Write back"));
    if (!operation)
        return false;
    m_writing = true;
    updateButtons();
    m_progress->show();
    showResult(QStringLiteral("Writing %1…").arg(slot), true);
    QString why;
    const bool ok = uploadImageToSlot(m_session, *code, *image, {}, &why, true,
                                      SlotWriteNote{QStringLiteral("write back"), e.time.toString(Qt::ISODateWithMs), {}});
    operation.end();
    m_progress->hide();
    m_writing = false;
    reload();
    if (ok)
        showResult(QStringLiteral("%1 holds what it held before the %2 of %3 again (read back).").arg(slot, e.operation, when),
                   true);
    else
        showResult(QStringLiteral("Write back into %1 failed: %2").arg(slot, why), false);
    return ok;
}
