// The analysis summary is data and the Analyzer window's mapping lays it out: answers carry no
// line break, and the window wraps the audio list once, sizes its row and picks the Modify picture.
#include <QtTest>

#include "../edid/EdidTestImages.h"
#include "edid/EdidDecoder.h"
#include "workbench/AnalyzerView.h"

using namespace edidtest;

namespace {
std::string labelText(const AnalyzerView &view, const char *labelName)
{
    for (const AnalyzerView::Label &l : view.labels)
        if (std::string(l.labelName) == labelName)
            return l.text;
    return "(no such label)";
}
} // namespace

class TestAnalyzerView : public QObject
{
    Q_OBJECT
  private slots:
    void summaryIsDataWindowWraps();
    void appendWrapsAfterMoreThan30Characters();
    void rowsInWindowOrder();
};

void TestAnalyzerView::summaryIsDataWindowWraps()
{
    EdidImage invalid = NewEdidTemplate;
    invalid[127] ^= 1;
    struct Case
    {
        const char *name;
        EdidImage image;
        const char *answer; // the AudioFormats answer: one line
        const char *shown;  // Label_Audio_Formats as the window shows it
        int height;
        const char *glyph;
    };
    const Case cases[] = {
        {"all nine formats",
         imageWithBlocks({audioBlock({0x09, 7,    7, 0x0D, 7,    7, 0x15, 7,    7, 0x57, 7,    7, 0x67, 7,
                                      7,    0x3D, 7, 7,    0x5F, 7, 7,    0x31, 7, 7,    0x4D, 7, 7})}),
         "2PCM,MPCM,DolbyD,DolbyD+,DolbyHD,DTS,DTSHD,AAC,OBA,",
         "2PCM,MPCM,DolbyD,DolbyD+,DolbyHD,\nDTS,DTSHD,AAC,OBA,", 38, "ModifyColor"},
        {"25 characters then one more item",
         imageWithBlocks({audioBlock({0x09, 7, 7, 0x0D, 7, 7, 0x15, 7, 7, 0x57, 7, 7, 0x3D, 7, 7})}),
         "2PCM,MPCM,DolbyD,DolbyD+,DTS,", "2PCM,MPCM,DolbyD,DolbyD+,DTS,", 23, "ModifyColor"},
        {"template", NewEdidTemplate, "2PCM,", "2PCM,", 23, "ModifyColor"},
        {"no audio", imageWithBlocks({audioBlock({0x1D, 7, 7})}), "", "", 23, "ModifyColor"},
        {"invalid", invalid, "-", "-", 23, "ModifyGray"},
    };
    for (const Case &c : cases) {
        EdidFeatureRecord record;
        const EdidSummary summary = summariseEdid(record, c.image);
        for (const EdidSummary::Row &row : summary.rows())
            QVERIFY2(row.text->find_first_of("\r\n") == std::string::npos, c.name);
        QCOMPARE(summary.answer(SummaryAnswer::AudioFormats), std::string(c.answer));

        const AnalyzerView view = analyzerView(summary);
        QCOMPARE(labelText(view, "Label_Audio_Formats"), std::string(c.shown));
        QCOMPARE(view.audioRowHeight, c.height);
        QCOMPARE(std::string(view.modifyGlyph), std::string(c.glyph));
        // Every other label shows its answer as it is.
        for (const AnalyzerRow &row : kAnalyzerRows)
            if (row.answer != SummaryAnswer::AudioFormats)
                QCOMPARE(labelText(view, row.labelName), summary.answer(row.answer));
    }
}

void TestAnalyzerView::appendWrapsAfterMoreThan30Characters()
{
    AudioFormatsText s;
    appendAudioFormatText(s, std::string(30, 'x'));
    appendAudioFormatText(s, "A,");
    QCOMPARE(s.text, std::string(30, 'x') + "A,"); // exactly 30 characters: no wrap yet
    QCOMPARE(s.rowHeight, 23);
    appendAudioFormatText(s, "B,");
    QCOMPARE(s.text, std::string(30, 'x') + "A,\r\nB,");
    QCOMPARE(s.rowHeight, 38);
    appendAudioFormatText(s, std::string(40, 'y'));
    appendAudioFormatText(s, "C,");
    // The list wraps at most once.
    QCOMPARE(s.text.find("\r\n", s.text.find("\r\n") + 1), std::string::npos);
}

void TestAnalyzerView::rowsInWindowOrder()
{
    QCOMPARE(kAnalyzerRows.size(), kSummaryAnswerCount);
    for (std::size_t i = 0; i < kAnalyzerRows.size(); ++i) {
        const AnalyzerRow &row = kAnalyzerRows[i];
        QCOMPARE(std::size_t(row.answer), i);
        // The caption is the answer's key, padded and with a colon.
        QCOMPARE(std::string(row.caption), "    " + std::string(summaryAnswerKey(row.answer)) + " :");
    }
    QCOMPARE(std::string(kAnalyzerRows[0].caption), std::string("    EDID Header :"));
    QCOMPARE(std::string(kAnalyzerRows[12].labelName), std::string("Label_Audio_Formats"));
    QCOMPARE(std::string(kAnalyzerRows[12].caption), std::string("    Audio Formats :"));
    QCOMPARE(std::string(summaryAnswerKey(kAnalyzerRows[13].answer)), std::string("Audio Max Channel"));
    QCOMPARE(std::string(kAnalyzerRows[14].labelName), std::string("Label_CEC_Address"));
}

QTEST_APPLESS_MAIN(TestAnalyzerView)
#include "tst_analyzer_view.moc"
