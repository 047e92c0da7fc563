#include "firmware/ui/FirmwareGroup.h"

#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QToolButton>

#include "firmware/IspUpload.h"

namespace {

void paint(QLabel *label, bool red)
{
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, red ? Qt::red : Qt::black);
    label->setPalette(p);
}

} // namespace

FirmwareGroup::FirmwareGroup(QWidget *parent) : QGroupBox(QStringLiteral("Firmware"), parent)
{
    setObjectName(QStringLiteral("GroupBox4"));

    m_version = new QLabel(QStringLiteral("Target :"), this);
    m_version->setObjectName(QStringLiteral("Label_FW_Version"));
    m_version->setTextFormat(Qt::PlainText); // device and file texts are never markup

    m_path = new QLineEdit(this);
    m_path->setObjectName(QStringLiteral("Edit_Fw_Path"));
    m_path->setReadOnly(true);

    m_open = new QToolButton(this);
    m_open->setObjectName(QStringLiteral("SpeedButton_OpenFw"));
    m_open->setText(QStringLiteral("Open"));
    m_open->setToolTip(QStringLiteral("Open a firmware image"));

    m_update = new QToolButton(this);
    m_update->setObjectName(QStringLiteral("SpeedButton_UpdateFw"));
    m_update->setText(QStringLiteral("Update"));
    m_update->setToolTip(QStringLiteral("Write the image into the device's ISP loader"));

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("Label1"));
    m_status->setTextFormat(Qt::PlainText);
    QFont bold = m_status->font();
    bold.setBold(true);
    m_status->setFont(bold);
    paint(m_status, false);

    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("ProgressBar_Fw"));
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    m_progress->setTextVisible(false);

    setMinimumWidth(300);
    setFixedHeight(fullHeight);
    place();
}

void FirmwareGroup::place()
{
    const int w = width();
    const int buttonW = 64;
    m_version->setGeometry(12, 22, w - 24, 18);
    const int rowY = 52;
    m_path->setGeometry(12, rowY, w - 24 - 2 * (buttonW + 6), 26);
    m_open->setGeometry(w - 12 - 2 * buttonW - 6, rowY, buttonW, 26);
    m_update->setGeometry(w - 12 - buttonW, rowY, buttonW, 26);
    m_status->setGeometry(12, 90, w - 24, 20);
    m_progress->setGeometry(12, 118, w - 24, 18);
}

void FirmwareGroup::resizeEvent(QResizeEvent *event)
{
    QGroupBox::resizeEvent(event);
    place();
}

void FirmwareGroup::showStatus(const QString &text, bool red)
{
    m_status->setText(text);
    paint(m_status, red);
}

void FirmwareGroup::bind(IspUpload &upload)
{
    connect(m_open, &QToolButton::clicked, &upload, [this, &upload] {
        upload.openFirmwareImage();
        // Choosing a row empties the field but not the upload's path: the same file chosen again
        // changes nothing there, and must still show.
        m_path->setText(upload.imagePath());
    });
    connect(m_update, &QToolButton::clicked, &upload, [this, &upload] {
        // The box's corner sits at the "Commander" window's left + 115, top + 130.
        const QPoint at = window()->frameGeometry().topLeft() + QPoint(115, 130);
        upload.startFirmwareUpdate(&at);
    });
    connect(&upload, &IspUpload::statusChanged, this, &FirmwareGroup::showStatus);
    connect(&upload, &IspUpload::statusRedChanged, this, [this](bool red) { paint(m_status, red); });
    connect(&upload, &IspUpload::versionTextChanged, m_version, &QLabel::setText);
    connect(&upload, &IspUpload::imagePathChanged, m_path, &QLineEdit::setText);
    connect(&upload, &IspUpload::progressChanged, m_progress, &QProgressBar::setValue);
    connect(&upload, &IspUpload::runningChanged, this, [this](bool running) {
        m_open->setEnabled(!running);
        m_update->setEnabled(!running);
        if (running)
            m_progress->setValue(0);
    });
}
