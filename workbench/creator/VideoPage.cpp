#include "workbench/creator/CreatorSubPages.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QStringList>
#include <QVBoxLayout>

#include "edid/CreatorTables.h"
#include "workbench/creator/CreatorControls.h"

using namespace creatorui;

void buildVideoPage(CreatorControlSet &controls, QWidget *page)
{
    auto *outer = new QVBoxLayout(page);
    auto *group = new QGroupBox(QStringLiteral("Video Formats"), page);
    auto *grid = new QGridLayout(group);
    grid->setHorizontalSpacing(8);

    // One row per resolution, in the order the table lists them; the 4:2:0 boxes get a row of their own.
    QStringList groups;
    QHash<QString, int> usedColumns;
    auto place = [&](const VideoIdCodeBox &entry) {
        const QString groupName = QString::fromLatin1(entry.group);
        if (!groups.contains(groupName)) {
            groups.append(groupName);
            auto *caption = new QLabel(groupName, group);
            caption->setFont(boldFont(caption));
            grid->addWidget(caption, static_cast<int>(groups.size()) - 1, 0);
        }
        const int row = static_cast<int>(groups.indexOf(groupName));
        const int column = ++usedColumns[groupName];
        grid->addWidget(controls.box(group, entry.box.name, entry.caption), row, column);
    };
    for (const VideoIdCodeBox &entry : videoIdCodeBoxes())
        place(entry);
    for (const VideoIdCodeBox &entry : yuv420Boxes())
        place(entry);
    grid->setColumnStretch(7, 1);
    outer->addWidget(group);
    outer->addStretch(1);
}
