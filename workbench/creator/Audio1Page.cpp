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

namespace {

// Where each speaker box stands in the room diagram beside Label6 (rows High, Front, Center, Rear,
// Low; columns left to right), by box number; the mirror box of a pair takes mirrorColumn.
struct SpeakerPlace
{
    int row;
    int column;
    int mirrorColumn;
};
constexpr SpeakerPlace kSpeakerPlaces[11] = {
    {2, 0, 4},  // FLW / FRW: beside the listener
    {3, 1, 3},  // RLC / RRC
    {1, 1, 3},  // FLC / FRC
    {3, 2, -1}, // RC
    {3, 0, 4},  // RL / RR
    {1, 2, -1}, // FC
    {4, 2, -1}, // LFE
    {1, 0, 4},  // FL / FR
    {0, 2, -1}, // FCH
    {2, 2, -1}, // TC: above the listener
    {0, 0, 4},  // FLH / FRH
};
} // namespace

void buildAudio1Page(CreatorControlSet &controls, QWidget *page, const SpeakerPairClicked &pairClicked)
{
    auto *outer = new QVBoxLayout(page);

    auto *speakers = new QGroupBox(QStringLiteral("Speaker Allocation"), page);
    auto *speakerRow = new QHBoxLayout(speakers);
    auto *legend = new QLabel(speakers);
    legend->setObjectName(QStringLiteral("Label6"));
    legend->setTextFormat(Qt::PlainText);
    legend->setText(QStringLiteral("High\nFront\nCenter\nRear\nLow"));

    // The legend's lines are the rows of the diagram: a row is one line high, and at least as high
    // as a check box's indicator.
    QFont legendFont = legend->font();
    legendFont.setBold(true);
    const int indicator = page->style()->pixelMetric(QStyle::PM_IndicatorHeight) + 2;
    while (QFontMetrics(legendFont).lineSpacing() < indicator)
        legendFont.setPointSizeF(legendFont.pointSizeF() + 0.5);
    legend->setFont(legendFont);
    const int rowHeight = QFontMetrics(legendFont).lineSpacing();

    auto *diagram = new QGridLayout;
    diagram->setVerticalSpacing(0);
    diagram->setHorizontalSpacing(4);
    const auto &boxes = speakerBoxes();
    for (std::size_t i = 0; i < boxes.size() && i < std::size(kSpeakerPlaces); ++i) {
        const SpeakerBox &entry = boxes[i];
        const SpeakerPlace &place = kSpeakerPlaces[i];
        QCheckBox *box = controls.box(speakers, entry.box.name, entry.caption);
        box->setFixedHeight(rowHeight);
        diagram->addWidget(box, place.row, place.column);
        if (entry.mirrorName) {
            QCheckBox *mirror = controls.box(speakers, entry.mirrorName, entry.mirrorCaption);
            mirror->setFixedHeight(rowHeight);
            diagram->addWidget(mirror, place.row, place.mirrorColumn);
            QObject::connect(box, &QCheckBox::clicked, box, [pairClicked, box, mirror] { pairClicked(box, mirror); });
            QObject::connect(mirror, &QCheckBox::clicked, mirror, [pairClicked, box, mirror] { pairClicked(mirror, box); });
        }
    }
    for (int r = 0; r < 5; ++r)
        diagram->setRowMinimumHeight(r, rowHeight);
    speakerRow->addWidget(legend, 0, Qt::AlignTop);
    speakerRow->addSpacing(6);
    speakerRow->addLayout(diagram);
    speakerRow->addStretch(1);

    const AudioFormatRow *basic = audioFormatByNumber(1);
    const AudioFormatRow *multi = audioFormatByNumber(2);
    auto *lpcm = new QGroupBox(QStringLiteral("L-PCM"), page);
    auto *grid = new QGridLayout(lpcm);
    grid->addWidget(controls.box(lpcm, basic->box.name, basic->caption), 0, 0);
    QCheckBox *hidden = controls.box(lpcm, multi->box.name, multi->caption);
    hidden->setVisible(false); // follows the channel count, never read
    grid->addWidget(new QLabel(QStringLiteral("MaxCh"), lpcm), 0, 1, Qt::AlignRight);
    grid->addWidget(controls.edit(lpcm, basic->maxChannels.name, 40), 0, 2, Qt::AlignLeft);
    grid->addWidget(new QLabel(QStringLiteral("Sample Rate"), lpcm), 1, 0, 1, 3);
    auto *rates = new QGridLayout;
    rates->setContentsMargins(16, 0, 0, 0);
    for (std::size_t i = 0; i < basic->rates.size(); ++i)
        rates->addWidget(controls.box(lpcm, basic->rates[i].name, sampleRateBits()[i].caption), int(i / 4),
                         int(i % 4));
    grid->addLayout(rates, 2, 0, 1, 4);
    grid->addWidget(new QLabel(QStringLiteral("Sample Size"), lpcm), 3, 0, 1, 3);
    auto *sizes = new QHBoxLayout;
    sizes->setContentsMargins(16, 0, 0, 0);
    for (const CreatorBitBox &box : lpcmSampleSizeBoxes())
        sizes->addWidget(controls.box(lpcm, box.box.name, box.caption));
    sizes->addStretch(1);
    grid->addLayout(sizes, 4, 0, 1, 4);
    grid->setColumnStretch(3, 1);

    outer->addWidget(speakers);
    outer->addWidget(lpcm);
    outer->addStretch(1);
}
