#include "system/ui/SystemPage.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include "shell/DebugLog.h"
#include "firmware/IspUpload.h"
#include "link/DeviceSession.h"
#include "firmware/ui/FirmwareGroup.h"
#include "system/SystemSettings.h"

namespace {

QToolButton *makeButton(QWidget *parent, const QString &name, const QString &text, const QString &tip)
{
    auto *button = new QToolButton(parent);
    button->setObjectName(name);
    button->setText(text);
    button->setToolTip(tip);
    button->setMinimumWidth(64);
    return button;
}

} // namespace

SystemPage::SystemPage(DebugLog &log, QWidget *parent) : QWidget(parent), m_log(log)
{
    setObjectName(QStringLiteral("TabSheet2"));
    auto *column = new QVBoxLayout(this);

    m_firmware = new FirmwareGroup(this);
    column->addWidget(m_firmware);

    m_config = new QGroupBox(QStringLiteral("Configuration"), this);
    m_config->setObjectName(QStringLiteral("GroupBox11"));
    auto *cfg = new QGridLayout(m_config);
    m_productString = new QLineEdit(m_config);
    m_productString->setObjectName(QStringLiteral("Edit_Product_String"));
    m_label9 = new QLabel(m_config);
    m_label9->setObjectName(QStringLiteral("Label9"));
    m_label9->setTextFormat(Qt::PlainText);
    m_sysConfig = makeButton(m_config, QStringLiteral("SpeedButton_SysConfig"), QStringLiteral("Set"),
                             QStringLiteral("Send the description to the device"));
    m_sysDefault = makeButton(m_config, QStringLiteral("SpeedButton_SysDefault"), QStringLiteral("Default"),
                              QStringLiteral("Reset the device to its defaults"));
    cfg->addWidget(new QLabel(QStringLiteral("Description :"), m_config), 0, 0);
    cfg->addWidget(m_productString, 0, 1);
    cfg->addWidget(m_sysConfig, 0, 2);
    cfg->addWidget(m_label9, 1, 1);
    cfg->addWidget(m_sysDefault, 1, 2);
    column->addWidget(m_config);
    column->addStretch(1);

    // The length feedback needs no device: it follows every change of the text.
    connect(m_productString, &QLineEdit::textChanged, this, [this](const QString &text) {
        const SystemSettings::Feedback f = SystemSettings::lengthFeedback(text);
        showLabel9(f.text, f.red);
    });
}

void SystemPage::showLabel9(const QString &text, bool red)
{
    m_label9->setText(text);
    QPalette p = m_label9->palette();
    p.setColor(QPalette::WindowText, red ? Qt::red : Qt::black);
    m_label9->setPalette(p);
}

void SystemPage::attach(DeviceSession &session)
{
    if (m_upload)
        return;
    m_upload = new IspUpload(session, this);
    m_settings = new SystemSettings(session, this);
    m_firmware->bind(*m_upload);

    auto commanderCorner = [this] {
        // Both confirmation boxes sit at the "Commander" window's left + 115, top + 130.
        return window()->frameGeometry().topLeft() + QPoint(115, 130);
    };
    connect(m_sysConfig, &QToolButton::clicked, m_settings,
            [this] { m_settings->applyProductString(m_productString->text()); });
    connect(m_sysDefault, &QToolButton::clicked, m_settings, [this, commanderCorner] {
        const QPoint at = commanderCorner();
        m_settings->resetToDefaults(&at);
    });
    connect(m_settings, &SystemSettings::statusChanged, this, &SystemPage::showLabel9);
    connect(m_settings, &SystemSettings::productStringShown, m_productString, &QLineEdit::setText);
    connect(m_settings, &SystemSettings::busyChanged, this, &SystemPage::updateDeviceActions);
    connect(&session, &DeviceSession::selectionChanged, this, &SystemPage::updateDeviceActions);
    connect(m_upload, &IspUpload::runningChanged, this, &SystemPage::updateDeviceActions);
    connect(&session.channel(), &CommandChannel::operationRunningChanged, this,
            &SystemPage::updateDeviceActions);
    m_session = &session;
    updateDeviceActions();
}

void SystemPage::updateDeviceActions()
{
    // The page stays in sight with a network device chosen, but its requests would go to the
    // serial device.
    // ...nor while another device operation owns the link.
    const bool available =
        m_session && !m_session->registry().networkSelected() && !m_session->channel().operationRunning();
    const bool settingsBusy = m_settings && m_settings->busy();
    m_sysConfig->setEnabled(available && !settingsBusy);
    m_sysDefault->setEnabled(available && !settingsBusy);
    const bool uploading = m_upload && m_upload->running();
    m_firmware->openButton()->setEnabled(available && !uploading);
    m_firmware->updateButton()->setEnabled(available && !uploading);
}
