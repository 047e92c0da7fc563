// The EDID Controller page end to end: its lists, Save, Open, Analysis and Copy against a simulated
// device, with what the device received and what the page showed.
#include <QFile>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QToolButton>

#include "ControllerFixture.h"
#include "edid/EdidSummary.h"
#include "workbench/AnalyzerView.h"
#include "workbench/Glyph.h"

namespace {

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray imageBytes(const EdidImage &image)
{
    return QByteArray(reinterpret_cast<const char *>(image.data()), int(image.size()));
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

constexpr int kInternal = 3, kUser = 2, kOutput = 1;

} // namespace

class TestControllerPage : public QObject
{
    Q_OBJECT
  private slots:
    void listsAfterConnect();
    void separatorSkipAndOpenPicture();
    void saveInternal2();
    void saveCancelled_data();
    void saveCancelled();
    void openShortFileIntoUser2();
    void openRefused_data();
    void openRefused();
    void openOnOutputSendsNothing();
    void copyOutputToUser3();
    void lostQuarterTouchesNothing_data();
    void lostQuarterTouchesNothing();
    void analysisAndModify();
    void analysisOfBadHeader();
    void notConnectedDoesNothing();

  private:
    QTemporaryDir m_dir;
};

void TestControllerPage::listsAfterConnect()
{
    ControllerRig rig;
    QVERIFY(rig.connect());
    auto *all = rig.child<QComboBox>("ComboBox_EdidSel_All");
    auto *src = rig.child<QComboBox>("ComboBox_EdidSel_Src");
    auto *dest = rig.child<QComboBox>("ComboBox_EdidSel_Dest");
    QCOMPARE(all->count(), 24);
    QCOMPARE(all->currentIndex(), 0);
    QCOMPARE(all->itemText(5), QStringLiteral("Output 1"));
    QCOMPARE(all->itemText(7), QStringLiteral("User 1"));
    QCOMPARE(all->itemText(16), QStringLiteral("Internal 1"));
    for (int i : {4, 6, 15})
        QCOMPARE(all->itemText(i), QStringLiteral("----------------"));
    QCOMPARE(src->count(), 24);
    QCOMPARE(src->currentIndex(), 5);
    QCOMPARE(dest->count(), 13);
    QCOMPARE(dest->itemText(5), QStringLiteral("User 1"));
}

void TestControllerPage::separatorSkipAndOpenPicture()
{
    ControllerRig rig;
    QVERIFY(rig.connect());
    auto *open = rig.child<QToolButton>("SpeedButton_OpenEdid");
    const struct
    {
        const char *list;
        int picked;
        int settled;
        const char *openGlyph; // nullptr: the Open picture is not this list's business
    } cases[] = {
        {"ComboBox_EdidSel_All", 5, 5, "OpenGray"},   // output
        {"ComboBox_EdidSel_All", 7, 7, "OpenColor"},  // user
        {"ComboBox_EdidSel_All", 16, 16, "OpenGray"}, // internal
        {"ComboBox_EdidSel_All", 6, 5, "OpenGray"},   // separator after outputs: output 1
        {"ComboBox_EdidSel_All", 4, 3, "OpenColor"},  // separator after inputs: input 4
        {"ComboBox_EdidSel_Src", 15, 14, nullptr},    // last user
        {"ComboBox_EdidSel_Dest", 4, 3, nullptr},     // last input
    };
    for (const auto &c : cases) {
        rig.pick(c.list, c.picked);
        QCOMPARE(rig.child<QComboBox>(c.list)->currentIndex(), c.settled);
        if (c.openGlyph)
            QCOMPARE(glyphOf(open), QString::fromLatin1(c.openGlyph));
    }
}

void TestControllerPage::saveInternal2()
{
    ControllerRig rig;
    QVERIFY(rig.connect());
    // An image without extension still makes a whole 256-byte file.
    EdidImage noExtension = validImage(7);
    noExtension[126] = 0;
    setEdidChecksums(noExtension);
    rig.device.setSlotImage(kInternal, 2, noExtension);
    rig.pick("ComboBox_EdidSel_All", 17);
    rig.dialogs.fileAnswer = m_dir.filePath(QStringLiteral("saved.bin"));
    LabelRecorder label(rig.child<QLabel>("Label2"));

    rig.page.SpeedButton_SaveEdidClick();

    QCOMPARE(rig.dialogs.asked, QStringList{QStringLiteral("save")});
    QCOMPARE(rig.dialogs.lastProposedName, QStringLiteral("Internal2 EDID.bin"));
    QCOMPARE(rig.dialogs.lastFilter, QStringLiteral("EDID (*.bin)|*.bin"));
    QVERIFY2(label.showedIn(QStringLiteral("Ok."), Qt::black), qPrintable(rig.log.text()));
    QVERIFY2(QFile::exists(rig.dialogs.fileAnswer), qPrintable(label.texts().join("|")));
    QCOMPARE(fileBytes(rig.dialogs.fileAnswer), imageBytes(noExtension));
    QVERIFY(rig.log.text().startsWith(QStringLiteral("Edid Open OK.\r\n")));
    QVERIFY(label.showedIn(QStringLiteral("Ok."), Qt::black));
    QCOMPARE(rig.child<QLabel>("Label2")->text(), QString());
    const QList<QByteArray> expected{line("$SET SYS_STM ", "FFFF"), line("$SET ND_SEL 3001", "7A18"),
                                     line("$GET ND_ED0A ", "FFFF"), line("$GET ND_ED0B ", "FFFF"),
                                     line("$GET ND_ED1A ", "FFFF"), line("$GET ND_ED1B ", "FFFF"),
                                     line("$SET SYS_CTM ", "FFFF")};
    QCOMPARE(rig.requestLines(), expected);
    QVERIFY(rig.session.channel().pollRunning());
}

void TestControllerPage::saveCancelled_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("log");
    QTest::newRow("cancelled") << ""
                               << "";
    QTest::newRow("file can't be created") << "no/such/folder/x.bin"
                                           << "Edid Open Fail.\r\n";
}

void TestControllerPage::saveCancelled()
{
    QFETCH(QString, answer);
    QFETCH(QString, log);
    ControllerRig rig;
    QVERIFY(rig.connect());
    rig.log.clear();
    rig.dialogs.fileAnswer = answer.isEmpty() ? answer : m_dir.filePath(answer);
    rig.page.SpeedButton_SaveEdidClick();
    const QList<QByteArray> expected{line("$SET SYS_STM ", "FFFF"), line("$SET SYS_CTM ", "FFFF")};
    QCOMPARE(rig.requestLines(), expected);
    QVERIFY(rig.log.text().startsWith(log));
    QVERIFY(!rig.log.text().contains(QStringLiteral("Edid Open OK.")));
    QVERIFY(rig.session.channel().pollRunning());
}

void TestControllerPage::openShortFileIntoUser2()
{
    ControllerRig rig;
    QVERIFY(rig.connect());
    // A 128-byte file: the base block alone, no extension announced.
    EdidImage base = validImage(3);
    base[126] = 0;
    setEdidChecksums(base);
    const QByteArray file = imageBytes(base).left(128);
    const QString path = m_dir.filePath(QStringLiteral("short.bin"));
    QVERIFY(writeFile(path, file));
    rig.dialogs.fileAnswer = path;
    rig.pick("ComboBox_EdidSel_All", 8); // User 2
    LabelRecorder label(rig.child<QLabel>("Label2"));

    rig.page.SpeedButton_OpenEdidClick();

    const QByteArray uploaded = file + QByteArray(128, char(0xFF));
    QCOMPARE(imageBytes(rig.device.slotImage(kUser, 2)), uploaded);
    QCOMPARE(rig.dialogs.asked, QStringList{QStringLiteral("open")});
    QCOMPARE(rig.dialogs.lastFilter, QStringLiteral("EDID (*.bin)|*.bin"));
    QVERIFY(rig.log.text().startsWith(QStringLiteral("Edid Open OK.\r\n")));
    QVERIFY(label.showedIn(QStringLiteral("Ok."), Qt::black));
    QCOMPARE(rig.child<QLabel>("Label2")->text(), QString());

    // The exact lines: the slot code 0x2001, then each quarter as uppercase hex with its CRC.
    const QList<QByteArray> lines = rig.requestLines();
    // Write, read back (inside the bracket), then close the bracket.
    QCOMPARE(lines.size(), 12);
    QCOMPARE(lines[0], line("$SET SYS_STM ", "FFFF"));
    QCOMPARE(lines[1], line("$SET ND_SEL 2001", "66A3"));
    const char *names[4] = {"ND_ED0A", "ND_ED0B", "ND_ED1A", "ND_ED1B"};
    for (int q = 0; q < 4; ++q) {
        const QByteArray hex = uploaded.mid(q * 64, 64).toHex().toUpper();
        const QByteArray expectedStart = QByteArray("$SET ") + names[q] + " " + hex;
        QVERIFY2(lines[2 + q].startsWith(expectedStart), lines[2 + q].constData());
        QCOMPARE(lines[2 + q].size(), expectedStart.size() + 4);
        QVERIFY(rig.device.requests()[2 + q].crcOk);
    }
    QCOMPARE(lines[6], line("$SET ND_SEL 2001", "66A3"));
    for (int q = 0; q < 4; ++q)
        QCOMPARE(lines[7 + q], QByteArray("$GET ") + names[q] + " FFFF");
    QCOMPARE(lines[11], line("$SET SYS_CTM ", "FFFF"));
}

void TestControllerPage::openRefused_data()
{
    QTest::addColumn<QString>("fileName"); // empty: the dialog is cancelled
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("logLine");

    QByteArray badSum = imageBytes(validImage(5));
    badSum[127] = char(badSum[127] + 1);
    QByteArray badHeader = imageBytes(validImage(5));
    badHeader[0] = 0x01;
    QTest::newRow("bad checksum 0") << "badsum.bin" << badSum << "Illegal Edid CheckSum0."
                                    << "Edid Open OK.\r\n";
    QTest::newRow("bad header") << "badheader.bin" << badHeader << "Illegal Edid Header."
                                << "Edid Open OK.\r\n";
    QTest::newRow("cancelled") << "" << QByteArray() << "Upload Edid Canceled."
                               << "Edid Open Fail.\r\n";
    QTest::newRow("missing file") << "missing/none.bin" << QByteArray() << "Upload Edid Canceled."
                                  << "Edid Open Fail.\r\n";
}

void TestControllerPage::openRefused()
{
    QFETCH(QString, fileName);
    QFETCH(QByteArray, content);
    QFETCH(QString, shown);
    QFETCH(QString, logLine);
    ControllerRig rig;
    QVERIFY(rig.connect());
    if (!fileName.isEmpty()) {
        rig.dialogs.fileAnswer = m_dir.filePath(fileName);
        if (!content.isEmpty())
            QVERIFY(writeFile(rig.dialogs.fileAnswer, content));
    }
    const EdidImage before = rig.device.slotImage(0, 1);
    LabelRecorder label(rig.child<QLabel>("Label2"));

    rig.page.SpeedButton_OpenEdidClick();

    QVERIFY2(label.showedIn(shown, Qt::red), qPrintable(label.texts().join(QLatin1Char('|'))));
    QVERIFY(!label.showedIn(QStringLiteral("Ok."), Qt::black));
    QCOMPARE(rig.child<QLabel>("Label2")->text(), QString());
    QVERIFY(rig.log.text().startsWith(logLine));
    const QList<QByteArray> expected{line("$SET SYS_STM ", "FFFF"), line("$SET SYS_CTM ", "FFFF")};
    QCOMPARE(rig.requestLines(), expected);
    QVERIFY(rig.device.slotImage(0, 1) == before);
}

void TestControllerPage::openOnOutputSendsNothing()
{
    ControllerRig rig;
    QVERIFY(rig.connect());
    rig.dialogs.fileAnswer = m_dir.filePath(QStringLiteral("unused.bin"));
    for (int index : {5, 16}) { // Output 1, Internal 1
        rig.pick("ComboBox_EdidSel_All", index);
        rig.page.SpeedButton_OpenEdidClick();
    }
    pauseWithEvents(30);
    QVERIFY(rig.requestLines().isEmpty());
    QVERIFY(rig.dialogs.asked.isEmpty());
}

void TestControllerPage::copyOutputToUser3()
{
    ControllerRig rig;
    QVERIFY(rig.connect());
    const EdidImage output = validImage(0x42);
    rig.device.setSlotImage(kOutput, 1, output);
    rig.pick("ComboBox_EdidSel_Src", 5);  // Output 1
    rig.pick("ComboBox_EdidSel_Dest", 7); // User 3
    auto *copy = rig.child<QToolButton>("SpeedButton_CopyEdid_Src2Dest");
    bool disabledMeanwhile = false;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] { disabledMeanwhile |= !copy->isEnabled(); });
    probe.start(5);

    rig.page.SpeedButton_CopyEdid_Src2DestClick();

    QVERIFY(rig.device.slotImage(kUser, 3) == output);
    QVERIFY(disabledMeanwhile);
    QVERIFY(copy->isEnabled());
    const QList<QByteArray> lines = rig.requestLines();
    // Read the source, write the destination, read the destination back.
    QCOMPARE(lines.size(), 15);
    QCOMPARE(lines[0], line("$SET ND_SEL 1000", "52E7"));
    QCOMPARE(lines[5], line("$SET ND_SEL 2002", "5438"));
    QCOMPARE(lines[10], line("$SET ND_SEL 2002", "5438"));
    for (int q = 0; q < 4; ++q) {
        QVERIFY(lines[1 + q].startsWith("$GET ND_ED"));
        QVERIFY(lines[6 + q].startsWith("$SET ND_ED"));
        QVERIFY(lines[11 + q].startsWith("$GET ND_ED"));
    }
}

void TestControllerPage::lostQuarterTouchesNothing_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<int>("fault"); // 0 dropped reply, 1 bad CRC
    for (const char *op : {"save", "copy", "analysis"}) {
        QTest::newRow(qPrintable(QStringLiteral("%1, dropped").arg(QLatin1String(op))))
            << QString::fromLatin1(op) << 0;
        QTest::newRow(qPrintable(QStringLiteral("%1, bad CRC").arg(QLatin1String(op))))
            << QString::fromLatin1(op) << 1;
    }
}

void TestControllerPage::lostQuarterTouchesNothing()
{
    QFETCH(QString, operation);
    QFETCH(int, fault);
    ControllerRig rig;
    QVERIFY(rig.connect());
    const QString path = m_dir.filePath(QStringLiteral("existing-%1-%2.bin").arg(operation).arg(fault));
    const QByteArray old("an earlier file");
    QVERIFY(writeFile(path, old));
    const EdidImage user3 = rig.device.slotImage(kUser, 3);
    rig.pick("ComboBox_EdidSel_All", 5);  // Output 1
    rig.pick("ComboBox_EdidSel_Src", 5);  // Output 1
    rig.pick("ComboBox_EdidSel_Dest", 7); // User 3
    rig.dialogs.fileAnswer = path;
    // A first analysis shows a good image; the failed one must not leave its answers up.
    if (operation == QLatin1String("analysis")) {
        rig.page.SpeedButton_AnalysisEdidClick();
        QVERIFY(rig.analyzer.isVisible());
        rig.device.clearRequests();
    }
    rig.device.faults().onlyFor = Command::ND_ED1A;
    (fault == 0 ? rig.device.faults().dropReplies : rig.device.faults().badCrc) = 1;
    LabelRecorder label(rig.child<QLabel>("Label2"));

    if (operation == QLatin1String("save"))
        rig.page.SpeedButton_SaveEdidClick();
    else if (operation == QLatin1String("copy"))
        rig.page.SpeedButton_CopyEdid_Src2DestClick();
    else
        rig.page.SpeedButton_AnalysisEdidClick();

    QCOMPARE(fileBytes(path), old);
    QVERIFY(rig.device.slotImage(kUser, 3) == user3);
    QVERIFY(label.showedIn(QStringLiteral("Read Edid Failed."), Qt::red));
    for (const SimulatedRequest &r : rig.device.requests())
        QVERIFY2(r.direction == Direction::GET || !isEdidQuarter(r.command), r.line.constData());
    if (operation == QLatin1String("analysis"))
        QVERIFY(!rig.analyzer.isVisible());
}

void TestControllerPage::analysisAndModify()
{
    ControllerRig rig;
    QVERIFY(rig.connect());
    const EdidImage image = validImage(9);
    rig.device.setSlotImage(kUser, 1, image);
    rig.pick("ComboBox_EdidSel_All", 7);
    rig.session.creatorRecord().status = EdidStatus::FromNew | EdidStatus::HoldsImage;

    rig.page.SpeedButton_AnalysisEdidClick();

    QVERIFY(rig.analyzer.isVisible());
    QCOMPARE(rig.child<QLabel>("Label_Edid_Header")->text(), QStringLiteral("Good"));
    const EdidSummary expected = summariseEdid(rig.session.analysisRecord(), image);
    for (const AnalyzerView::Label &label : analyzerView(expected).labels)
        QCOMPARE(rig.child<QLabel>(label.labelName)->text(), QString::fromStdString(label.text));
    QCOMPARE(glyphOf(rig.child<QToolButton>("SpeedButton_OpenEdid_Analysis")), QStringLiteral("ModifyColor"));
    QCOMPARE(rig.requestLines().first(), line("$SET ND_SEL 2000", "772A"));

    rig.session.creatorRecord().status = 0; // the creator holds nothing yet
    rig.pages.setCurrentWidget(&rig.page);
    auto *subPages = rig.creator.findChild<QTabWidget *>(QStringLiteral("PageControl2"));
    subPages->setCurrentIndex(3);

    rig.analyzer.SpeedButton_OpenEdid_AnalysisClick();

    QVERIFY(!rig.analyzer.isVisible());
    QVERIFY(rig.session.creatorRecord().image == image);
    QCOMPARE(rig.session.creatorRecord().status & (EdidStatus::FromNew | EdidStatus::HoldsImage),
             EdidStatus::HoldsImage);
    QCOMPARE(rig.pages.currentWidget(), &rig.creator);
    QCOMPARE(subPages->currentWidget()->objectName(), QStringLiteral("TabSheet5"));
    // The creator's Save now works without NEW or OPEN.
    rig.dialogs.asked.clear();
    rig.dialogs.fileAnswer = m_dir.filePath(QStringLiteral("modified.bin"));
    rig.creator.SpeedButton_SaveEdid_CreatorClick();
    QCOMPARE(rig.dialogs.asked, QStringList{QStringLiteral("save")});
    QCOMPARE(fileBytes(rig.dialogs.fileAnswer).size(), 256);
}

void TestControllerPage::analysisOfBadHeader()
{
    ControllerRig rig;
    QVERIFY(rig.connect());
    EdidImage bad = validImage(9);
    bad[1] = 0x00;
    rig.device.setSlotImage(kInternal, 1, bad);
    rig.pick("ComboBox_EdidSel_All", 16);
    const EdidImage creatorBefore = validImage(1);
    rig.session.creatorRecord().image = creatorBefore;

    rig.page.SpeedButton_AnalysisEdidClick();
    QVERIFY(rig.analyzer.isVisible());
    QCOMPARE(rig.child<QLabel>("Label_Edid_Header")->text(), QStringLiteral("Illegal"));
    QCOMPARE(rig.child<QLabel>("Label_CEC_Address")->text(), QStringLiteral("-"));
    QCOMPARE(glyphOf(rig.child<QToolButton>("SpeedButton_OpenEdid_Analysis")), QStringLiteral("ModifyGray"));

    rig.session.creatorRecord().status = 0;
    rig.pages.setCurrentWidget(&rig.page);
    rig.analyzer.SpeedButton_OpenEdid_AnalysisClick();
    QVERIFY(rig.analyzer.isVisible());
    QVERIFY(rig.session.creatorRecord().image == creatorBefore);
    QCOMPARE(int(rig.session.creatorRecord().status), 0);
    QCOMPARE(rig.pages.currentWidget(), &rig.page);
    // The creator still refuses to save: nothing was carried over.
    rig.dialogs.asked.clear();
    rig.creator.SpeedButton_SaveEdid_CreatorClick();
    QVERIFY(rig.dialogs.asked.isEmpty());
}

void TestControllerPage::notConnectedDoesNothing()
{
    ControllerRig rig;
    QVERIFY(rig.device.start());
    rig.dialogs.fileAnswer = m_dir.filePath(QStringLiteral("x.bin"));
    rig.page.SpeedButton_SaveEdidClick();
    rig.page.SpeedButton_OpenEdidClick();
    rig.page.SpeedButton_AnalysisEdidClick();
    rig.page.SpeedButton_CopyEdid_Src2DestClick();
    pauseWithEvents(20);
    QVERIFY(rig.dialogs.asked.isEmpty());
    QVERIFY(rig.device.requests().isEmpty());
    QVERIFY(!QFile::exists(rig.dialogs.fileAnswer));
}

QTEST_MAIN(TestControllerPage)
#include "tst_controller_page.moc"
