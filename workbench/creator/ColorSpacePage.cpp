#include "workbench/creator/CreatorSubPages.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QVBoxLayout>

#include "edid/CreatorTables.h"
#include "workbench/creator/CreatorControls.h"

using namespace creatorui;

void buildColorSpacePage(CreatorControlSet &controls, QWidget *page)
{
    auto *outer = new QVBoxLayout(page);

    auto boxRow = [&controls](QGroupBox *group, const std::vector<CreatorBitBox> &boxes, int perRow) {
        auto *grid = new QGridLayout(group);
        grid->setContentsMargins(6, 6, 6, 6);
        for (std::size_t i = 0; i < boxes.size(); ++i)
            grid->addWidget(controls.box(group, boxes[i].box.name, boxes[i].caption), int(i) / perRow,
                            int(i) % perRow);
        grid->setColumnStretch(perRow, 1);
    };
    auto *top = new QHBoxLayout;
    auto *space = new QGroupBox(QStringLiteral("Color Space"), page);
    boxRow(space, colorSpaceBoxes(), 3);
    auto *depth = new QGroupBox(QStringLiteral("Color Depth"), page);
    boxRow(depth, colorDepthBoxes(), 3);
    top->addWidget(space);
    top->addWidget(depth);
    outer->addLayout(top);
    auto *colorimetry = new QGroupBox(QStringLiteral("Colorimetry"), page);
    boxRow(colorimetry, colorimetryBoxes(), 4);
    outer->addWidget(colorimetry);

    for (const CreatorDetailRow &rowEntry : creatorDetailRows()) {
        if (rowEntry.yesName)
            continue;
        auto *row = new CollapsingRow(page, rowEntry);
        QWidget *content = row->content();
        auto *grid = new QGridLayout(content);
        grid->setContentsMargins(4, 1, 4, 4);
        grid->setVerticalSpacing(2);

        auto *caption = new QLabel(QString::fromLatin1(rowEntry.rowCaption), content);
        caption->setFont(boldFont(caption));
        caption->setMinimumWidth(170);
        QCheckBox *detail = controls.box(content, rowEntry.detailName, "For Detail");
        auto *header = new QHBoxLayout;
        header->addWidget(caption);
        header->addWidget(detail);
        header->addStretch(1);
        grid->addLayout(header, 0, 0, 1, 2);

        // Compact lines, so that everything fits the open row.
        const int lineHeight = page->style()->pixelMetric(QStyle::PM_IndicatorHeight) + 4;
        int line = 1;
        auto boxLines = [&](const QString &label, const std::vector<CreatorBitBox> &boxes, int perLine) {
            grid->addWidget(new QLabel(label, content), line, 0);
            QHBoxLayout *h = nullptr;
            for (std::size_t i = 0; i < boxes.size(); ++i) {
                if (i % std::size_t(perLine) == 0) {
                    h = new QHBoxLayout;
                    grid->addLayout(h, line++, 1);
                }
                QCheckBox *box = controls.box(content, boxes[i].box.name, boxes[i].caption);
                box->setFixedHeight(lineHeight);
                h->addWidget(box);
                if ((i + 1) % std::size_t(perLine) == 0 || i + 1 == boxes.size())
                    h->addStretch(1);
            }
        };
        boxLines(QStringLiteral("Deep Color"), hdrDepthBoxes(), 3);
        boxLines(QStringLiteral("EOTF"), hdrEotfBoxes(), 2);
        boxLines(QStringLiteral("Metadata"), hdrDescriptorBoxes(), 3);

        // Two rows of caption and value pairs.
        auto *levels = new QGridLayout;
        levels->setVerticalSpacing(2);
        levels->setHorizontalSpacing(8);
        const auto &edits = hdrLuminanceEdits();
        for (std::size_t i = 0; i < edits.size(); ++i) {
            const int r = int(i % 2), c = int(i / 2) * 3;
            levels->addWidget(new QLabel(QString::fromLatin1(edits[i].caption), content), r, c);
            QLineEdit *value = controls.edit(content, edits[i].edit.name, 50);
            value->setFixedHeight(lineHeight + 2);
            levels->addWidget(value, r, c + 1);
            levels->setColumnMinimumWidth(c + 2, 12);
        }
        levels->setColumnStretch(6, 1);
        grid->addLayout(levels, line, 0, 1, 2);
        grid->setColumnStretch(1, 1);
        grid->setRowStretch(line + 1, 1);

        QObject::connect(detail, &QCheckBox::toggled, row, &CollapsingRow::setOpen);
        outer->addWidget(row);
    }
    outer->addStretch(1);
}
