#include "workbench/EdidCreatorPage.h"

#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>

#if __has_include("app/core/Bitmaps.h")
#include "app/core/Bitmaps.h"
#define KELM_HAVE_BITMAPS 1
#endif

namespace {

void setGlyph(QToolButton *button, const char *name)
{
#ifdef KELM_HAVE_BITMAPS
    const QPixmap pixmap(kelmBitmapPath(QString::fromLatin1(name)));
    if (!pixmap.isNull()) { // a missing bitmap leaves the button without a glyph
        button->setIcon(QIcon(pixmap));
        button->setIconSize(pixmap.size());
    }
#else
    Q_UNUSED(button);
    Q_UNUSED(name);
#endif
}

QToolButton *makeSpeedButton(QWidget *parent, const char *name, const char *glyph, const QString &tip)
{
    auto *button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setToolTip(tip);
    button->setAutoRaise(true);
    setGlyph(button, glyph);
    return button;
}

} // namespace

EdidCreatorPage::EdidCreatorPage(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("TabSheet4"));
    buildFrame();
    buildSubPages();
}

void EdidCreatorPage::buildFrame()
{
    auto *top = new QVBoxLayout(this);

    auto *frameRow = new QHBoxLayout;
    m_selectGroup = new QGroupBox(QStringLiteral("Select"), this);
    m_selectGroup->setObjectName(QStringLiteral("GroupBox9"));
    auto *selectRow = new QHBoxLayout(m_selectGroup);
    m_newButton =
        makeSpeedButton(m_selectGroup, "SpeedButton_OpenEdid_New", "BrandNewColor", QStringLiteral("NEW"));
    m_openButton =
        makeSpeedButton(m_selectGroup, "SpeedButton_OpenEdid_Creator", "OpenColor", QStringLiteral("OPEN"));
    m_saveButton =
        makeSpeedButton(m_selectGroup, "SpeedButton_SaveEdid_Creator", "SaveColor", QStringLiteral("Save"));
    selectRow->addWidget(m_newButton);
    selectRow->addWidget(m_openButton);
    selectRow->addWidget(m_saveButton);

    auto *uploadFrame = new QGroupBox(QStringLiteral("Upload"), m_selectGroup);
    uploadFrame->setObjectName(QStringLiteral("GroupBox_Creator_Upload"));
    auto *uploadGrid = new QHBoxLayout(uploadFrame);
    m_uploadButton =
        makeSpeedButton(uploadFrame, "SpeedButton_CopyEdid_Creator", "CopyUpGray", QStringLiteral("Upload"));
    m_uploadList = new QComboBox(uploadFrame);
    m_uploadList->setObjectName(QStringLiteral("ComboBox_EdidSel_Upload"));
    m_statusLabel = new QLabel(uploadFrame);
    m_statusLabel->setObjectName(QStringLiteral("Label3"));
    auto *listColumn = new QVBoxLayout;
    listColumn->addWidget(m_uploadList);
    listColumn->addWidget(m_statusLabel);
    uploadGrid->addWidget(m_uploadButton);
    uploadGrid->addLayout(listColumn);
    selectRow->addWidget(uploadFrame);
    frameRow->addWidget(m_selectGroup);
    frameRow->addStretch();
    top->addLayout(frameRow);

    m_warningLabel = new QLabel(this);
    m_warningLabel->setObjectName(QStringLiteral("Label_EdidCreator_Warning"));
    top->addWidget(m_warningLabel);

    m_pages = new QTabWidget(this);
    m_pages->setObjectName(QStringLiteral("PageControl2"));
    top->addWidget(m_pages, 1);
}

void EdidCreatorPage::buildSubPages()
{
    auto addPage = [this](const char *name, const QString &caption) {
        auto *page = new QWidget;
        page->setObjectName(QString::fromLatin1(name));
        m_pages->addTab(page, caption);
        return page;
    };
    addPage("TabSheet5", QStringLiteral("Descriptor"));
    addPage("TabSheet6", QStringLiteral("PC Timing"));
    addPage("TabSheet7", QStringLiteral("SD/HD/UHD"));
    QWidget *audio1 = addPage("TabSheet8", QStringLiteral("Audio1"));
    m_audio2Page = addPage("TabSheet11", QStringLiteral("Audio2"));
    addPage("TabSheet12", QStringLiteral("Color Space"));
    addPage("TabSheet13", QStringLiteral("Others"));

    auto *legend = new QLabel(audio1);
    legend->setObjectName(QStringLiteral("Label6"));
    legend->setText(QStringLiteral("High\nFront\nCenter\nRear\nLow"));

    auto *audio2Layout = new QVBoxLayout(m_audio2Page);
    audio2Layout->setContentsMargins(0, 0, 0, 0);
    m_audio2Scroll = new QScrollArea(m_audio2Page);
    m_audio2Scroll->setObjectName(QStringLiteral("ScrollBox1"));
    m_audio2Scroll->setWidgetResizable(true);
    m_audio2Scroll->setFocusPolicy(Qt::StrongFocus);
    m_audio2Scroll->setWidget(new QWidget);
    audio2Layout->addWidget(m_audio2Scroll);
    m_audio2Scroll->viewport()->installEventFilter(this);
    m_audio2Page->installEventFilter(this);

    m_pages->setCurrentIndex(0);
}

bool EdidCreatorPage::eventFilter(QObject *watched, QEvent *event)
{
    if (m_audio2Scroll && watched == m_audio2Scroll->viewport() && event->type() == QEvent::Wheel) {
        // The wheel moves the scroll box by a fixed 15 per notch, up or down.
        const auto *wheel = static_cast<QWheelEvent *>(event);
        const int dy = wheel->angleDelta().y();
        if (dy != 0) {
            QScrollBar *bar = m_audio2Scroll->verticalScrollBar();
            bar->setValue(bar->value() + (dy < 0 ? 15 : -15));
        }
        return true;
    }
    if (watched == m_audio2Page && event->type() == QEvent::Show) {
        m_audio2Scroll->setFocus(); // so that the wheel scrolls it
    }
    return QWidget::eventFilter(watched, event);
}
