#include "workbench/creator/CreatorSubPages.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QVBoxLayout>

#include "edid/CreatorTables.h"
#include "workbench/creator/CreatorControls.h"

using namespace creatorui;

QScrollArea *buildAudio2Page(CreatorControlSet &controls, QWidget *page)
{
    auto *pageLayout = new QVBoxLayout(page);
    pageLayout->setContentsMargins(0, 0, 0, 0);
    auto *scroll = new QScrollArea(page);
    scroll->setObjectName(QStringLiteral("ScrollBox1"));
    scroll->setWidgetResizable(true);
    scroll->setFocusPolicy(Qt::StrongFocus);
    auto *inner = new QWidget;
    auto *column = new QVBoxLayout(inner);
    column->setSpacing(2);

    for (const CreatorDetailRow &rowEntry : creatorDetailRows()) {
        if (!rowEntry.yesName)
            continue; // the HDR row is on "Color Space"
        const AudioFormatRow *format = nullptr;
        for (const AudioFormatRow &candidate : audioFormatRows())
            if (candidate.detail.name &&
                QLatin1String(candidate.detail.name) == QLatin1String(rowEntry.detailName))
                format = &candidate;
        if (!format)
            continue;

        auto *row = new CollapsingRow(inner, rowEntry);
        QWidget *content = row->content();
        auto *lines = new QVBoxLayout(content);
        lines->setContentsMargins(4, 1, 4, 4);
        lines->setSpacing(4);

        auto *header = new QHBoxLayout;
        auto *caption = new QLabel(QString::fromLatin1(rowEntry.rowCaption), content);
        caption->setFont(boldFont(caption));
        caption->setMinimumWidth(170);
        QCheckBox *yes = controls.box(content, format->box.name, format->caption);
        QCheckBox *detail = controls.box(content, format->detail.name, "For Detail");
        header->addWidget(caption);
        header->addWidget(yes);
        header->addSpacing(20);
        header->addWidget(detail);
        header->addStretch(1);
        lines->addLayout(header);

        auto *values = new QHBoxLayout;
        values->addSpacing(20);
        values->addWidget(new QLabel(QStringLiteral("MaxCh"), content));
        values->addWidget(controls.edit(content, format->maxChannels.name, 40));
        if (format->bitRate.name) {
            values->addSpacing(20);
            values->addWidget(new QLabel(QStringLiteral("BitRate (kbps)"), content));
            values->addWidget(controls.edit(content, format->bitRate.name, 60));
        }
        values->addStretch(1);
        lines->addLayout(values);

        auto *rates = new QGridLayout;
        rates->setContentsMargins(20, 0, 0, 0);
        rates->setVerticalSpacing(2);
        for (std::size_t i = 0; i < format->rates.size(); ++i)
            rates->addWidget(controls.box(content, format->rates[i].name, sampleRateBits()[i].caption), int(i / 4),
                             int(i % 4));
        rates->setColumnStretch(4, 1);
        lines->addLayout(rates);
        lines->addStretch(1);

        QObject::connect(detail, &QCheckBox::toggled, row, &CollapsingRow::setOpen);
        // Clearing "Yes" closes the row too; marking it opens nothing.
        QObject::connect(yes, &QCheckBox::toggled, detail, [detail](bool on) {
            if (!on)
                detail->setChecked(false);
        });
        column->addWidget(row);
    }
    column->addStretch(1);
    scroll->setWidget(inner);
    pageLayout->addWidget(scroll);
    return scroll;
}
