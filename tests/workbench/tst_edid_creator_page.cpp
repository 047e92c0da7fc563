// The EDID Creator page driven through its widgets: control names, field checks, the HDR rule,
// speaker pairs, collapsing rows, NEW/OPEN/Save/Upload, and builds compared with kelmctl's.

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGroupBox>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWheelEvent>

#include "ScriptedDialogs.h"
#include "shell/DebugLog.h"
#include "devsim/lib/SimulatedDevice.h"
#include "edid/CreatorState.h"
#include "edid/CreatorTables.h"
#include "edid/EdidBinFile.h"
#include "edid/EdidFeatureRecord.h"
#include "edid/NewEdidTemplate.h"
#include "link/DeviceSession.h"
#include "workbench/EdidCreatorPage.h"
#include "workbench/Glyph.h"

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray imageBytes(const EdidImage &image)
{
    return QByteArray(reinterpret_cast<const char *>(image.data()), qsizetype(image.size()));
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

} // namespace

// The log without the conformance checker's summary line, which Save adds in the background when
// the checker is installed.
QString withoutCheckSummary(QString text)
{
    static const QRegularExpression line(QStringLiteral("Conformance check[^\r\n]*\r\n"));
    return text.remove(line);
}

class TestEdidCreatorPage : public QObject
{
    Q_OBJECT

  private:
    DebugLog *m_log = nullptr;
    DeviceSession *m_session = nullptr;
    EdidCreatorPage *m_page = nullptr;
    ScriptedDialogs m_dialogs;
    QTemporaryDir m_dir;

    template <typename T> T *child(const QString &name) const
    {
        T *w = m_page->findChild<T *>(name);
        if (!w)
            qWarning("no control %s", qPrintable(name));
        return w;
    }
    QCheckBox *box(const QString &name) const { return child<QCheckBox>(name); }
    QLineEdit *edit(const QString &name) const { return child<QLineEdit>(name); }
    QString warning() const { return child<QLabel>(QStringLiteral("Label_EdidCreator_Warning"))->text(); }
    QString status() const { return child<QLabel>(QStringLiteral("Label3"))->text(); }
    bool inputError() const { return m_session->creatorRecord().status & EdidStatus::FieldOutOfLimits; }
    QColor colorOf(const QString &name) const { return creatorTextColor(m_page->findChild<QWidget *>(name)); }

    // Sets the controls a JSON object names, as an operator would.
    void applyToPage(const QJsonObject &state)
    {
        for (auto it = state.begin(); it != state.end(); ++it) {
            if (it.value().isBool()) {
                auto *button = child<QAbstractButton>(it.key());
                QVERIFY(button);
                if (button->isChecked() != it.value().toBool())
                    button->click();
            } else {
                QLineEdit *e = edit(it.key());
                QVERIFY(e);
                e->setText(it.value().toString());
            }
        }
    }

    // kelmctl edid build BASE STATE.json [--new] -o OUT; the output file's bytes.
    QByteArray kelmctlBuild(const QString &base, const QJsonObject &state, bool fromNew)
    {
        const QString statePath = m_dir.filePath(QStringLiteral("state.json"));
        const QString out = m_dir.filePath(QStringLiteral("kelmctl-out.bin"));
        QFile::remove(out);
        writeFile(statePath, QJsonDocument(state).toJson());
        QStringList args{QStringLiteral("edid"), QStringLiteral("build"), base, statePath};
        if (fromNew)
            args << QStringLiteral("--new");
        args << QStringLiteral("-o") << out;
        QProcess p;
        p.start(QStringLiteral(KELMCTL_PATH), args);
        if (!p.waitForFinished(20000) || p.exitCode() != 0)
            qWarning("kelmctl failed: %s", p.readAllStandardError().constData());
        return readAll(out);
    }

    QByteArray saveThroughPage(const QString &name)
    {
        const QString path = m_dir.filePath(name);
        QFile::remove(path);
        m_dialogs.saveAnswers = {path};
        m_page->SpeedButton_SaveEdid_CreatorClick();
        return readAll(path);
    }

  private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        setDialogs(&m_dialogs);
    }
    void cleanupTestCase() { setDialogs(nullptr); }

    void init()
    {
        m_dialogs.reset();
        m_log = new DebugLog;
        m_session = new DeviceSession(*m_log);
        m_page = new EdidCreatorPage(*m_session);
        m_page->resize(760, 620);
    }
    void cleanup()
    {
        delete m_page;
        delete m_session;
        delete m_log;
    }

    void controlsExistWithTheirTypes()
    {
        for (const CreatorField &field : creatorFields()) {
            const QString name = QString::fromLatin1(field.name);
            if (field.text)
                QVERIFY2(m_page->findChild<QLineEdit *>(name), field.name);
            else if (name.startsWith(QLatin1String("RadioButton_")))
                QVERIFY2(m_page->findChild<QRadioButton *>(name), field.name);
            else
                QVERIFY2(m_page->findChild<QCheckBox *>(name), field.name);
        }
        for (const SpeakerBox &s : speakerBoxes())
            if (s.mirrorName)
                QVERIFY2(box(QString::fromLatin1(s.mirrorName)), s.mirrorName);
        for (const CreatorDetailRow &row : creatorDetailRows())
            QVERIFY2(box(QString::fromLatin1(row.detailName)), row.detailName);
        QVERIFY(child<QGroupBox>(QStringLiteral("GroupBox9")));
        QCOMPARE(child<QGroupBox>(QStringLiteral("GroupBox9"))->title(), QStringLiteral("Select"));
        for (const char *name : {"SpeedButton_OpenEdid_New", "SpeedButton_OpenEdid_Creator",
                                 "SpeedButton_SaveEdid_Creator", "SpeedButton_CopyEdid_Creator"})
            QVERIFY2(child<QToolButton>(QString::fromLatin1(name)), name);
        QVERIFY(child<QComboBox>(QStringLiteral("ComboBox_EdidSel_Upload")));
        QVERIFY(child<QLabel>(QStringLiteral("Label3")));
        QVERIFY(child<QScrollArea>(QStringLiteral("ScrollBox1")));
        QVERIFY(m_page->findChild<QWidget *>(QStringLiteral("TabSheet5")));
        QCOMPARE(m_page->objectName(), QStringLiteral("TabSheet4"));
        QVERIFY(child<QScrollArea>(QStringLiteral("ScrollBox1"))
                    ->isAncestorOf(box(QStringLiteral("CheckBox_AudioFormat_3"))));
    }

    void startUpLooks()
    {
        auto *pages = child<QTabWidget>(QStringLiteral("PageControl2"));
        QVERIFY(pages);
        const QStringList captions{"Descriptor", "PC Timing",   "SD/HD/UHD", "Audio1",
                                   "Audio2",     "Color Space", "Others"};
        QCOMPARE(pages->count(), captions.size());
        for (int i = 0; i < pages->count(); ++i)
            QCOMPARE(pages->tabText(i), captions[i]);
        QCOMPARE(pages->currentWidget()->objectName(), QStringLiteral("TabSheet5"));
        QCOMPARE(pages->widget(4)->objectName(), QStringLiteral("TabSheet11"));
        QCOMPARE(child<QLabel>(QStringLiteral("Label6"))->text(),
                 QStringLiteral("High\nFront\nCenter\nRear\nLow"));
        QCOMPARE(glyphOf(child<QToolButton>(QStringLiteral("SpeedButton_OpenEdid_Creator"))),
                 QStringLiteral("OpenColor"));
        QCOMPARE(glyphOf(child<QToolButton>(QStringLiteral("SpeedButton_SaveEdid_Creator"))),
                 QStringLiteral("SaveColor"));
        QCOMPARE(glyphOf(child<QToolButton>(QStringLiteral("SpeedButton_OpenEdid_New"))),
                 QStringLiteral("BrandNewColor"));
        QCOMPARE(glyphOf(child<QToolButton>(QStringLiteral("SpeedButton_CopyEdid_Creator"))),
                 QStringLiteral("CopyUpGray"));
        QVERIFY(box(QStringLiteral("CheckBox_AudioFormat_2"))->isHidden());
        QCOMPARE(edit(QStringLiteral("Edit_AudioAC3_MaxCh"))->text(), QStringLiteral("0"));
        QCOMPARE(edit(QStringLiteral("Edit_HDR_DCLD_2"))->text(), QStringLiteral("    0"));
        QCOMPARE(edit(QStringLiteral("Edit_Creator_CEC_Address"))->text(), QStringLiteral("0000"));
        QCOMPARE(colorOf(QStringLiteral("Label_EdidCreator_Warning")), QColor(Qt::red));
        QVERIFY(child<QRadioButton>(QStringLiteral("RadioButton_Edid_Fmt_Hdmi"))->isChecked());
    }

    void fieldCheck_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("outcome"); // 1 pass, 0 fail, -1 skip
        QTest::addColumn<QString>("message");
        const QString letters3 = "3 Letters Limited!", letters13 = "13 Letters Limited!";
        QTest::newRow("name 3") << "Edit_Creator_Manufac_Name"
                                << "ABC" << 1 << "";
        QTest::newRow("name 4") << "Edit_Creator_Manufac_Name"
                                << "ABCD" << 0 << letters3;
        QTest::newRow("monitor 13") << "Edit_Creator_Monitor_Name"
                                    << "ABCDEFGHIJKLM" << 1 << "";
        QTest::newRow("monitor 14") << "Edit_Creator_Monitor_Name"
                                    << "ABCDEFGHIJKLMN" << 0 << letters13;
        QTest::newRow("product 65535") << "Edit_Creator_Product_Code"
                                       << "65535" << 1 << "";
        QTest::newRow("product 65536") << "Edit_Creator_Product_Code"
                                       << "65536" << 0 << "65535 Limited!";
        QTest::newRow("product empty") << "Edit_Creator_Product_Code"
                                       << "" << -1 << "";
        QTest::newRow("serial 4294959999") << "Edit_Creator_Serial_Number"
                                           << "4294959999" << 1 << "";
        QTest::newRow("serial 4294960000") << "Edit_Creator_Serial_Number"
                                           << "4294960000" << 0 << "4 Billion Limited!";
        QTest::newRow("serial 11 digits") << "Edit_Creator_Serial_Number"
                                          << "10000000000" << 0 << "4 Billion Limited!";
        QTest::newRow("year 1989") << "Edit_Creator_Manufac_Year"
                                   << "1989" << 0 << "1990~2245 Limited!";
        QTest::newRow("year 1990") << "Edit_Creator_Manufac_Year"
                                   << "1990" << 1 << "";
        QTest::newRow("year 2245") << "Edit_Creator_Manufac_Year"
                                   << "2245" << 1 << "";
        QTest::newRow("year 2246") << "Edit_Creator_Manufac_Year"
                                   << "2246" << 0 << "1990~2245 Limited!";
        QTest::newRow("year 3 chars") << "Edit_Creator_Manufac_Year"
                                      << "199" << -1 << "";
        QTest::newRow("week 53") << "Edit_Creator_Manufac_Week"
                                 << "53" << 1 << "";
        QTest::newRow("week 54") << "Edit_Creator_Manufac_Week"
                                 << "54" << 0 << "53 Limited!";
        QTest::newRow("maxch 8") << "Edit_AudioLPCM_MaxCh"
                                 << "8" << 1 << "";
        QTest::newRow("maxch 9") << "Edit_AudioDTS_MaxCh"
                                 << "9" << 0 << "8 MaxCH Limited!";
        QTest::newRow("maxch 08") << "Edit_AudioOBA_MaxCh"
                                  << "08" << 0 << "8 MaxCH Limited!";
        QTest::newRow("dcld 255") << "Edit_HDR_DCLD_1"
                                  << "255" << 1 << "";
        QTest::newRow("dcld 256") << "Edit_HDR_DCLD_2"
                                  << "256" << 0 << "255 Limited!";
        QTest::newRow("dcld blanks") << "Edit_HDR_DCLD_3"
                                     << "  255  " << 1 << "";
    }

    void fieldCheck()
    {
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(int, outcome);
        QFETCH(QString, message);
        // Start from a failure of another field, so a skip (nothing changes) shows.
        edit(QStringLiteral("Edit_Creator_Monitor_Name"))->setText(QStringLiteral("FOURTEENLETTER"));
        if (field == QLatin1String("Edit_Creator_Monitor_Name"))
            edit(QStringLiteral("Edit_Creator_Product_Code"))->setText(QStringLiteral("70000"));
        const QString before = warning();
        QVERIFY(inputError());

        QLineEdit *e = edit(field);
        e->setText(QStringLiteral("x1")); // make sure the next text is a change
        m_dialogs.messages.clear();
        e->setText(text);
        QVERIFY(m_dialogs.texts(QStringLiteral("error")).isEmpty());
        if (outcome == 1) {
            QCOMPARE(warning(), QString());
            QVERIFY(!inputError());
            QCOMPARE(colorOf(field), QColor(Qt::black));
        } else if (outcome == 0) {
            QCOMPARE(warning(), message);
            QVERIFY(inputError());
            QCOMPARE(colorOf(field), QColor(Qt::red));
        } else {
            QCOMPARE(warning(), before);
            QVERIFY(inputError());
        }
    }

    void typedManufacturerIsUpperCaseAndChecked()
    {
        QLineEdit *name = edit(QStringLiteral("Edit_Creator_Manufac_Name"));
        name->setFocus();
        QTest::keyClicks(name, QStringLiteral("abcd"));
        QCOMPARE(name->text(), QStringLiteral("ABCD"));
        QCOMPARE(warning(), QStringLiteral("3 Letters Limited!"));
        QCOMPARE(colorOf(name->objectName()), QColor(Qt::red));
        QVERIFY(inputError());
        QTest::keyClick(name, Qt::Key_Backspace);
        QCOMPARE(name->text(), QStringLiteral("ABC"));
        QCOMPARE(warning(), QString());
        QCOMPARE(colorOf(name->objectName()), QColor(Qt::black));
        QVERIFY(!inputError());
    }

    void cecChangeRunsManufacturerCheck()
    {
        edit(QStringLiteral("Edit_Creator_Manufac_Name"))->setText(QStringLiteral("ABCD"));
        edit(QStringLiteral("Edit_Creator_Product_Code"))->setText(QStringLiteral("70000"));
        QCOMPARE(warning(), QStringLiteral("65535 Limited!"));
        QLineEdit *cec = edit(QStringLiteral("Edit_Creator_CEC_Address"));
        cec->setFocus();
        cec->selectAll();
        QTest::keyClicks(cec, QStringLiteral("1a00"));
        QCOMPARE(cec->text(), QStringLiteral("1A00"));
        QCOMPARE(warning(), QStringLiteral("3 Letters Limited!"));
        edit(QStringLiteral("Edit_Creator_Manufac_Name"))->setText(QStringLiteral("AB"));
        cec->setText(QStringLiteral("2000"));
        QCOMPARE(warning(), QString());
        QVERIFY(!inputError()); // the product code still fails, but the last check decides
    }

    void conversionErrorLeavesEverything()
    {
        edit(QStringLiteral("Edit_Creator_Manufac_Week"))->setText(QStringLiteral("99"));
        QVERIFY(inputError());
        QLineEdit *product = edit(QStringLiteral("Edit_Creator_Product_Code"));
        product->setText(QStringLiteral("12x"));
        QCOMPARE(m_dialogs.texts(QStringLiteral("error")),
                 QStringList{QStringLiteral("'12x' is not a valid integer value")});
        QCOMPARE(warning(), QStringLiteral("53 Limited!"));
        QVERIFY(inputError());
        m_dialogs.messages.clear();
        edit(QStringLiteral("Edit_AudioAAC_MaxCh"))->setText(QString());
        QCOMPARE(m_dialogs.texts(QStringLiteral("error")), QStringList{QStringLiteral("'' is not a valid integer value")});
    }

    void hdrRule_data()
    {
        // A sequence of clicks, then the expected warning, input error and HDR caption colours.
        QTest::addColumn<QStringList>("clicks");
        QTest::addColumn<QString>("warningText");
        QTest::addColumn<bool>("error");
        QTest::addColumn<QString>("redHdr"); // digits of the red HDR boxes
        const QString msg = QStringLiteral("HDR Must Base On 4K!");
        QTest::newRow("4K then HDR") << QStringList{"CheckBox_VideoIdCode_97", "CheckBox_HDR_2"} << ""
                                     << false << "";
        QTest::newRow("HDR alone") << QStringList{"CheckBox_HDR_1"} << msg << true << "1";
        QTest::newRow("HDR then 4:2:0")
            << QStringList{"CheckBox_HDR_1", "CheckBox_YUV420VDB_96"} << "" << false << "";
        QTest::newRow("last 4K cleared") << QStringList{"CheckBox_VideoIdCode_93", "CheckBox_HDR_1",
                                                        "CheckBox_HDR_3", "CheckBox_VideoIdCode_93"}
                                         << msg << true << "13";
        QTest::newRow("HDR cleared without 4K")
            << QStringList{"CheckBox_HDR_1", "CheckBox_HDR_2", "CheckBox_HDR_2"} << "" << false << "1";
        QTest::newRow("12Bit then 4K 50Hz")
            << QStringList{"CheckBox_HDR_2", "CheckBox_VideoIdCode_96"} << "" << false << "";
        QTest::newRow("other 4K left") << QStringList{"CheckBox_VideoIdCode_94", "CheckBox_VideoIdCode_95",
                                                      "CheckBox_HDR_3", "CheckBox_VideoIdCode_95"}
                                       << "" << false << "";
    }

    void hdrRule()
    {
        QFETCH(QStringList, clicks);
        QFETCH(QString, warningText);
        QFETCH(bool, error);
        QFETCH(QString, redHdr);
        for (const QString &name : clicks)
            box(name)->click();
        QCOMPARE(warning(), warningText);
        QCOMPARE(inputError(), error);
        for (int i = 1; i <= 3; ++i) {
            const QString name = QStringLiteral("CheckBox_HDR_%1").arg(i);
            QCOMPARE(colorOf(name),
                     redHdr.contains(QString::number(i)) ? QColor(Qt::red) : QColor(Qt::black));
        }
    }

    void speakerPairs()
    {
        for (const SpeakerBox &s : speakerBoxes()) {
            QCheckBox *left = box(QString::fromLatin1(s.box.name));
            if (!s.mirrorName) {
                left->click();
                QVERIFY(left->isChecked());
                continue;
            }
            QCheckBox *right = box(QString::fromLatin1(s.mirrorName));
            left->click();
            QVERIFY(left->isChecked() && right->isChecked());
            left->click();
            QVERIFY(!left->isChecked() && !right->isChecked());
            right->click();
            QVERIFY(left->isChecked() && right->isChecked());
            QVERIFY(m_page->readState().*(s.box.member));
            right->click();
            QVERIFY(!left->isChecked() && !right->isChecked());
        }
        // FL cleared clears FR; RR marked marks RL.
        box(QStringLiteral("CheckBox_SpeakerPosition_8"))->click();
        box(QStringLiteral("CheckBox_SpeakerPosition_8"))->click();
        QVERIFY(!box(QStringLiteral("CheckBox_SpeakerPosition_8r"))->isChecked());
        box(QStringLiteral("CheckBox_SpeakerPosition_5r"))->click();
        QVERIFY(box(QStringLiteral("CheckBox_SpeakerPosition_5"))->isChecked());
        // A loaded state shows both halves of a pair.
        CreatorState state = m_page->readState();
        state.CheckBox_SpeakerPosition_11 = true;
        state.CheckBox_SpeakerPosition_5 = false;
        m_page->writeState(state);
        QVERIFY(box(QStringLiteral("CheckBox_SpeakerPosition_11r"))->isChecked());
        QVERIFY(!box(QStringLiteral("CheckBox_SpeakerPosition_5r"))->isChecked());
    }

    void collapsingRows()
    {
        for (const CreatorDetailRow &row : creatorDetailRows()) {
            QCheckBox *detail = box(QString::fromLatin1(row.detailName));
            QWidget *panel = m_page->findChild<QWidget *>(QStringLiteral("Panel_") + row.detailName);
            QVERIFY(panel);
            QCOMPARE(panel->height(), row.closedHeight);
            detail->click();
            QCOMPARE(panel->height(), row.openHeight);
            if (row.yesName) {
                QCheckBox *yes = box(QString::fromLatin1(row.yesName));
                yes->click(); // marking opens nothing, and leaves the row open
                QCOMPARE(panel->height(), row.openHeight);
                yes->click();
                QVERIFY(!detail->isChecked());
                QCOMPARE(panel->height(), row.closedHeight);
                yes->click();
                QCOMPARE(panel->height(), row.closedHeight);
            } else {
                detail->click();
                QCOMPARE(panel->height(), row.closedHeight);
            }
        }
    }

    void audio2WheelAndFocus()
    {
        m_page->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_page));
        auto *pages = child<QTabWidget>(QStringLiteral("PageControl2"));
        pages->setCurrentIndex(4);
        for (const CreatorDetailRow &row : creatorDetailRows())
            if (row.yesName)
                box(QString::fromLatin1(row.detailName))->click();
        QApplication::processEvents();
        auto *scroll = child<QScrollArea>(QStringLiteral("ScrollBox1"));
        QVERIFY(scroll->verticalScrollBar()->maximum() > 30);
        QCOMPARE(QApplication::focusWidget(), scroll);

        auto wheel = [&](int dy) {
            QWheelEvent e(QPointF(20, 20), scroll->viewport()->mapToGlobal(QPointF(20, 20)), QPoint(),
                          QPoint(0, dy), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(scroll->viewport(), &e);
        };
        const int start = scroll->verticalScrollBar()->value();
        wheel(-120);
        QCOMPARE(scroll->verticalScrollBar()->value(), start + 15);
        wheel(-120);
        wheel(120);
        QCOMPARE(scroll->verticalScrollBar()->value(), start + 15);
    }

    void refusalWithoutImage_data()
    {
        QTest::addColumn<bool>("upload");
        QTest::newRow("save") << false;
        QTest::newRow("upload") << true;
    }

    void refusalWithoutImage()
    {
        QFETCH(bool, upload);
        SimulatedDevice device;
        if (upload) {
            QVERIFY2(device.start(), qPrintable(device.errorString()));
            m_session->transport().setPortOverride({device.portPath()});
            m_session->search();
            QVERIFY(m_session->connected());
        }
        QString midWarning, midStatus;
        QColor midWarningColor, midStatusColor;
        QTimer::singleShot(1000, this, [&] {
            midWarning = warning();
            midStatus = status();
            midWarningColor = colorOf(QStringLiteral("Label_EdidCreator_Warning"));
            midStatusColor = colorOf(QStringLiteral("Label3"));
        });
        QElapsedTimer clock;
        clock.start();
        if (upload)
            m_page->SpeedButton_CopyEdid_CreatorClick();
        else
            m_page->SpeedButton_SaveEdid_CreatorClick();
        QVERIFY(clock.elapsed() >= 2000);
        QCOMPARE(midWarning, QStringLiteral("Please select \"NEW\" or \"OPEN\""));
        QCOMPARE(midWarningColor, QColor(0, 0, 128));
        QCOMPARE(midStatus, QStringLiteral("Create Error!"));
        QCOMPARE(midStatusColor, QColor(Qt::red));
        QCOMPARE(warning(), QString());
        QCOMPARE(status(), QString());
        QCOMPARE(colorOf(QStringLiteral("Label_EdidCreator_Warning")), QColor(Qt::red));
        QCOMPARE(m_dialogs.asked.count(QStringLiteral("save")), 0);
        if (upload)
            m_session->disconnect();
    }

    void newShowsTheTemplate()
    {
        m_page->SpeedButton_OpenEdid_NewClick();
        const auto st = m_session->creatorRecord().status;
        QVERIFY(st & EdidStatus::FromNew);
        QVERIFY(st & EdidStatus::HoldsImage);
        QCOMPARE(edit(QStringLiteral("Edit_Creator_Manufac_Name"))->text(), QStringLiteral("NEW"));
        QCOMPARE(edit(QStringLiteral("Edit_Creator_Monitor_Name"))->text(), QStringLiteral("BrandNewEdid"));
        QCOMPARE(edit(QStringLiteral("Edit_Creator_Manufac_Year"))->text(),
                 QString::number(QDate::currentDate().year()));
        QCOMPARE(edit(QStringLiteral("Edit_Creator_Manufac_Week"))->text(),
                 QString::number(QDate::currentDate().weekNumber()));
        QVERIFY(box(QStringLiteral("CheckBox_EstablishTiming_3"))->isChecked());
        QVERIFY(box(QStringLiteral("CheckBox_EstablishTiming_8"))->isChecked());
        QVERIFY(box(QStringLiteral("CheckBox_VideoIdCode_16"))->isChecked());
        QVERIFY(box(QStringLiteral("CheckBox_AudioFormat_1"))->isChecked());
        QCOMPARE(edit(QStringLiteral("Edit_AudioLPCM_MaxCh"))->text(), QStringLiteral("2"));
        QCOMPARE(edit(QStringLiteral("Edit_Creator_CEC_Address"))->text(), QStringLiteral("1000"));
        QVERIFY(!inputError());
        QCOMPARE(warning(), QString());
    }

    void newThenSaveEqualsKelmctlBuild()
    {
        m_page->SpeedButton_OpenEdid_NewClick();
        const QByteArray saved = saveThroughPage(QStringLiteral("new.bin"));
        QCOMPARE(m_dialogs.lastProposedName, QStringLiteral("Created EDID.bin"));
        QCOMPARE(m_dialogs.lastFilter, QStringLiteral("EDID (*.bin)|*.bin"));
        QCOMPARE(saved.size(), 256);
        QCOMPARE(withoutCheckSummary(m_log->text()), QStringLiteral("Edid Open OK.\r\n"));
        const QString base = m_dir.filePath(QStringLiteral("template.bin"));
        QVERIFY(writeFile(base, imageBytes(NewEdidTemplate)));
        QCOMPARE(saved, kelmctlBuild(base, QJsonObject(), true));
        // Unchanged controls keep the template's extension as it is, empty HDMI byte 8 included.
        QCOMPARE(quint8(saved[130]), quint8(19));
    }

    void saveAfterSettingControlsEqualsKelmctlBuild_data()
    {
        QTest::addColumn<QJsonObject>("state");
        QTest::newRow("descriptor") << QJsonObject{
            {"Edit_Creator_Manufac_Name", "ABC"},  {"Edit_Creator_Monitor_Name", "Studio 4K"},
            {"Edit_Creator_Product_Code", "4660"}, {"Edit_Creator_Serial_Number", "4294959999"},
            {"Edit_Creator_Manufac_Year", "2024"}, {"Edit_Creator_Manufac_Week", "7"},
            {"CheckBox_StandardTiming_3", true},   {"CheckBox_EstablishTiming_1", true},
            {"CheckBox_EstablishTiming_3", false}};
        QTest::newRow("4K HDR") << QJsonObject{
            {"CheckBox_VideoIdCode_97", true}, {"CheckBox_VideoIdCode_93", true},
            {"CheckBox_YUV420VDB_97", true},   {"CheckBox_HDR_1", true},
            {"CheckBox_HDR_EOTF_1", true},     {"CheckBox_HDR_Despt_1", true},
            {"Edit_HDR_DCLD_1", "120"},        {"CheckBox_ColorDepth_2", true},
            {"CheckBox_Colorimetry_3", true},  {"CheckBox_ColorSpace_3", true}};
        QTest::newRow("audio") << QJsonObject{
            {"CheckBox_AudioFormat_3", true},     {"Edit_AudioAC3_MaxCh", "6"},
            {"CheckBox_AudioAC3_Freq_5", true},   {"Edit_AudioAC3_BitRate", "640"},
            {"CheckBox_AudioFormat_7", true},     {"CheckBox_AudioFormat_9", true},
            {"Edit_AudioLPCM_MaxCh", "8"},        {"CheckBox_SpeakerPosition_5", true},
            {"CheckBox_SpeakerPosition_7", true}, {"CheckBox_AudioFormat_1", false}};
        QTest::newRow("dvi") << QJsonObject{{"RadioButton_Edid_Fmt_Dvi", true},
                                            {"CheckBox_3D_Present", true}};
        QTest::newRow("cec and 3D") << QJsonObject{{"Edit_Creator_CEC_Address", "1A20"},
                                                   {"CheckBox_3D_Present", true}};
    }

    void saveAfterSettingControlsEqualsKelmctlBuild()
    {
        QFETCH(QJsonObject, state);
        m_page->SpeedButton_OpenEdid_NewClick();
        applyToPage(state);
        const QByteArray saved = saveThroughPage(QStringLiteral("set.bin"));
        QCOMPARE(saved.size(), 256);
        const QString base = m_dir.filePath(QStringLiteral("template.bin"));
        QVERIFY(writeFile(base, imageBytes(NewEdidTemplate)));
        QCOMPARE(saved, kelmctlBuild(base, state, true));
    }

    // Open a display's EDID, change one box, save: the file keeps every other byte, and what the
    // changed list could not hold is named in red where Save reports.
    void openChangeSaveKeepsTheRestAndNamesWhatIsLeftOut()
    {
        const QString path = QStringLiteral(KELM_SOURCE_DIR "/tests/data/edid/437B8E14C863.bin");
        const QByteArray loaded = readAll(path);
        m_dialogs.openAnswers = {path};
        m_page->SpeedButton_OpenEdid_CreatorClick();
        QCOMPARE(saveThroughPage(QStringLiteral("same.bin")), loaded);
        QCOMPARE(status(), QString());
        box(QStringLiteral("CheckBox_EstablishTiming_1"))->click();
        const QByteArray oneBox = saveThroughPage(QStringLiteral("one.bin"));
        QCOMPARE(oneBox.mid(128), loaded.mid(128));
        QVERIFY(oneBox.left(35) == loaded.left(35) && oneBox.mid(38, 89) == loaded.mid(38, 89));
        box(QStringLiteral("CheckBox_VideoIdCode_32"))->click();
        saveThroughPage(QStringLiteral("video.bin"));
        QCOMPARE(status(), QStringLiteral("Left out: 2 video codes past the 24 the creator holds"));
        QCOMPARE(colorOf(QStringLiteral("Label3")), QColor(Qt::red));
    }

    void openReadsAFile()
    {
        QVERIFY(m_dir.isValid());
        EdidImage image = NewEdidTemplate;
        image[0x0A] = 0x34; // product code 0x1234
        image[0x0B] = 0x12;
        setEdidChecksums(image);
        const QString path = m_dir.filePath(QStringLiteral("open.bin"));
        QVERIFY(writeFile(path, imageBytes(image)));
        m_page->SpeedButton_OpenEdid_NewClick();
        m_dialogs.openAnswers = {path};
        m_page->SpeedButton_OpenEdid_CreatorClick();
        QCOMPARE(m_dialogs.lastFilter, QStringLiteral("EDID (*.bin)|*.bin"));
        QCOMPARE(withoutCheckSummary(m_log->text()), QStringLiteral("Edid Open OK.\r\n"));
        const auto st = m_session->creatorRecord().status;
        QVERIFY(!(st & EdidStatus::FromNew));
        QVERIFY(st & EdidStatus::HoldsImage);
        QCOMPARE(edit(QStringLiteral("Edit_Creator_Product_Code"))->text(), QStringLiteral("4660"));
        QCOMPARE(edit(QStringLiteral("Edit_Creator_Manufac_Year"))->text(), QStringLiteral("2015"));
        QCOMPARE(edit(QStringLiteral("Edit_Creator_Manufac_Week"))->text(), QStringLiteral("15"));

        m_dialogs.openAnswers = {m_dir.filePath(QStringLiteral("missing/none.bin"))};
        m_page->SpeedButton_OpenEdid_CreatorClick();
        QCOMPARE(withoutCheckSummary(m_log->text()), QStringLiteral("Edid Open Fail.\r\n"));
        QCOMPARE(edit(QStringLiteral("Edit_Creator_Product_Code"))->text(), QStringLiteral("4660"));
    }

    // An extension without HDMI block survives OPEN and Save while the format stays DVI, and the
    // log says so; choosing HDMI builds the extension anew. kelmctl builds the same bytes.
    void dviKeepsAnExtensionWithoutHdmiBlock_data()
    {
        QTest::addColumn<QJsonObject>("state");
        QTest::addColumn<bool>("kept");
        QTest::newRow("format left at DVI") << QJsonObject{{"Edit_Creator_Monitor_Name", "Kept"}} << true;
        QTest::newRow("switched to HDMI") << QJsonObject{{"RadioButton_Edid_Fmt_Hdmi", true}} << false;
    }
    void dviKeepsAnExtensionWithoutHdmiBlock()
    {
        QFETCH(QJsonObject, state);
        QFETCH(bool, kept);
        // Block 1: a video block (16), an audio block (2-channel L-PCM, AC-3), colorimetry.
        EdidImage image = NewEdidTemplate;
        const quint8 ext[] = {0x02, 0x03, 0x11, 0x40, 0x41, 0x10, 0x26, 0x09, 0x07, 0x07,
                              0x15, 0x07, 0x50, 0xE3, 0x05, 0x81, 0x01};
        std::fill(image.begin() + 128, image.end(), quint8(0));
        std::copy(std::begin(ext), std::end(ext), image.begin() + 128);
        setEdidChecksums(image);
        const QString path = m_dir.filePath(QStringLiteral("nohdmi.bin"));
        QVERIFY(writeFile(path, imageBytes(image)));
        m_dialogs.openAnswers = {path};
        m_page->SpeedButton_OpenEdid_CreatorClick();
        QVERIFY(child<QRadioButton>(QStringLiteral("RadioButton_Edid_Fmt_Dvi"))->isChecked());
        applyToPage(state);
        const QByteArray saved = saveThroughPage(QStringLiteral("kept.bin"));
        QCOMPARE(saved.size(), 256);
        const QByteArray block1 = imageBytes(image).mid(128);
        QCOMPARE(saved.mid(128) == block1, kept);
        QCOMPARE(quint8(saved[126]), quint8(1));
        QCOMPARE(withoutCheckSummary(m_log->text()), kept ? QStringLiteral("Edid Open OK.\r\n") +
                                           QString::fromLatin1(EdidCreatorPage::kExtensionKeptText)
                                     : QStringLiteral("Edid Open OK.\r\n"));
        QCOMPARE(saved, kelmctlBuild(path, state, false));
    }

    void invalidImageIsNeverBuilt()
    {
        EdidImage image = NewEdidTemplate;
        image[20] ^= 0x01; // checksum 0 now wrong
        const QString path = m_dir.filePath(QStringLiteral("bad.bin"));
        QVERIFY(writeFile(path, imageBytes(image)));
        m_dialogs.openAnswers = {path};
        m_page->SpeedButton_OpenEdid_CreatorClick();
        QCOMPARE(edit(QStringLiteral("Edit_Creator_Manufac_Name"))->text(), QStringLiteral("Error."));
        QCOMPARE(edit(QStringLiteral("Edit_Creator_Monitor_Name"))->text(), QStringLiteral("Error."));

        const QString out = m_dir.filePath(QStringLiteral("never.bin"));
        m_dialogs.saveAnswers = {out};
        m_page->SpeedButton_SaveEdid_CreatorClick();
        QVERIFY(!QFile::exists(out));
        QCOMPARE(m_dialogs.asked.count(QStringLiteral("save")), 0);
        QCOMPARE(status(), QStringLiteral("Illegal Edid CheckSum0."));
        QCOMPARE(colorOf(QStringLiteral("Label3")), QColor(Qt::red));
        QCOMPARE(m_session->creatorRecord().image, image);
    }

    void uploadToUser2OfFourInputs()
    {
        SimulatedDeviceConfig config;
        config.inputs = 4;
        config.users = 8;
        SimulatedDevice device(config);
        QVERIFY2(device.start(), qPrintable(device.errorString()));
        m_session->transport().setPortOverride({device.portPath()});
        m_session->search();
        QVERIFY(m_session->connected());
        QCOMPARE(glyphOf(child<QToolButton>(QStringLiteral("SpeedButton_CopyEdid_Creator"))),
                 QStringLiteral("CopyUpColor"));
        auto *list = child<QComboBox>(QStringLiteral("ComboBox_EdidSel_Upload"));
        QCOMPARE(list->count(), 4 + 1 + 8);
        QCOMPARE(list->itemText(6), QStringLiteral("User 2"));

        // Picking the separator settles on the last input.
        list->setCurrentIndex(4);
        emit list->activated(4);
        QCOMPARE(list->currentIndex(), 3);
        QCOMPARE(m_session->slotListUpload().selected, 3);
        list->setCurrentIndex(6);
        emit list->activated(6);

        m_page->SpeedButton_OpenEdid_NewClick();
        edit(QStringLiteral("Edit_Creator_Monitor_Name"))->setText(QStringLiteral("Uploaded"));
        // A failing field refuses the upload; a passing change of another field clears it.
        edit(QStringLiteral("Edit_Creator_Serial_Number"))->setText(QStringLiteral("99999999999"));
        device.clearRequests();
        QString refusal;
        QTimer::singleShot(500, this, [&] { refusal = status(); });
        m_page->SpeedButton_CopyEdid_CreatorClick();
        QCOMPARE(refusal, QStringLiteral("Create Error!"));
        for (const SimulatedRequest &r : device.requests())
            QCOMPARE(r.command, Command::RXEDMD); // only the status poll
        QCOMPARE(status(), QString());
        edit(QStringLiteral("Edit_Creator_Serial_Number"))->setText(QStringLiteral("12"));
        edit(QStringLiteral("Edit_Creator_Product_Code"))->setText(QStringLiteral("5"));
        QVERIFY(!inputError());

        device.clearRequests();
        // "Ok." shows once the slot was read back, some way into the upload.
        QStringList shown;
        QTimer probe;
        QObject::connect(&probe, &QTimer::timeout, this, [&] {
            if (shown.isEmpty() || shown.last() != status())
                shown << status();
        });
        probe.start(10);
        m_page->SpeedButton_CopyEdid_CreatorClick();
        probe.stop();
        QVERIFY2(shown.contains(QStringLiteral("Ok.")), qPrintable(shown.join(QLatin1Char('|'))));
        QCOMPARE(status(), QString());
        QVERIFY(child<QToolButton>(QStringLiteral("SpeedButton_CopyEdid_Creator"))->isEnabled());
        QCOMPARE(m_session->registry().serialRecord().selectedSlot, quint32(0x2001));
        QCOMPARE(device.selectedSlot(), quint32(0x2001));
        QCOMPARE(device.slotImage(2, 2), m_session->creatorRecord().image);
        QVERIFY(m_session->channel().pollRunning());

        QList<Command> sent;
        for (const SimulatedRequest &r : device.requests())
            if (r.command != Command::RXEDMD)
                sent.append(r.command);
        // The write, then the read-back.
        QCOMPARE(sent, (QList<Command>{Command::ND_SEL, Command::ND_ED0A, Command::ND_ED0B, Command::ND_ED1A,
                                       Command::ND_ED1B, Command::ND_SEL, Command::ND_ED0A, Command::ND_ED0B,
                                       Command::ND_ED1A, Command::ND_ED1B}));
        for (const SimulatedRequest &r : device.requests())
            if (r.command == Command::ND_SEL)
                QCOMPARE(r.payload, QByteArray("\x20\x01", 2));
        EdidFeatureRecord check;
        check.image = device.slotImage(2, 2);
        QVERIFY(validateEdidImage(check));

        // An image that failed validation is never uploaded.
        EdidImage bad = NewEdidTemplate;
        bad[0] = 0x01;
        const QString badPath = m_dir.filePath(QStringLiteral("bad-header.bin"));
        QVERIFY(writeFile(badPath, imageBytes(bad)));
        m_dialogs.openAnswers = {badPath};
        device.clearRequests();
        m_page->SpeedButton_OpenEdid_CreatorClick();
        QList<Command> bracket;
        for (const SimulatedRequest &r : device.requests())
            if (r.command != Command::RXEDMD)
                bracket.append(r.command);
        QCOMPARE(bracket, (QList<Command>{Command::SYS_STM, Command::SYS_CTM}));
        // The placeholder "Error." fails the name check (the CEC address written last runs it too).
        QVERIFY(inputError());
        edit(QStringLiteral("Edit_Creator_Manufac_Name"))->setText(QStringLiteral("ABC"));
        QVERIFY(!inputError());
        device.clearRequests();
        m_page->SpeedButton_CopyEdid_CreatorClick();
        QCOMPARE(status(), QStringLiteral("Illegal Edid Header."));
        QCOMPARE(colorOf(QStringLiteral("Label3")), QColor(Qt::red));
        for (const SimulatedRequest &r : device.requests())
            QCOMPARE(r.command, Command::RXEDMD);
        QCOMPARE(device.slotImage(2, 2), check.image);

        m_session->disconnect();
        QCOMPARE(list->count(), 0);
        QCOMPARE(glyphOf(child<QToolButton>(QStringLiteral("SpeedButton_CopyEdid_Creator"))),
                 QStringLiteral("CopyUpGray"));
    }

    // Every sub-page, at the page's smallest size, in the main window's page control and at a roomy
    // size: no control overlaps another, is cut off or squeezed below its smallest size (a sub-page
    // scrolls instead). Rendered to PNGs (KELM_RENDER_DIR, else the temporary folder) to look at.
    void subPagesLayOutCleanly_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("rowsOpen");
        QTest::newRow("smallest") << QSize() << true;
        QTest::newRow("page control 450x450") << QSize(444, 418) << true;
        QTest::newRow("roomy") << QSize(620, 560) << true;
        QTest::newRow("roomy, rows closed") << QSize(620, 561) << false;
    }

    void subPagesLayOutCleanly()
    {
        QFETCH(QSize, size);
        QFETCH(bool, rowsOpen);
        if (rowsOpen)
            for (const CreatorDetailRow &row : creatorDetailRows())
                box(QString::fromLatin1(row.detailName))->click();
        // The longest texts of the two labels, and red texts, are part of the picture.
        box(QStringLiteral("CheckBox_HDR_1"))->click();
        edit(QStringLiteral("Edit_Creator_Manufac_Name"))->setText(QStringLiteral("ABCD"));
        child<QLabel>(QStringLiteral("Label3"))->setText(QStringLiteral("Illegal Edid CheckSum0."));
        box(QStringLiteral("CheckBox_HDR_1"))->click();
        box(QStringLiteral("CheckBox_HDR_1"))->click();
        QCOMPARE(warning(), QStringLiteral("HDR Must Base On 4K!"));
        // In the 450 x 450 "Commander" window the page gets 444 x 418: it must fit, tabs and all.
        if (size == QSize(444, 418))
            QVERIFY(m_page->minimumSizeHint().width() <= size.width() &&
                    m_page->minimumSizeHint().height() <= size.height());
        m_page->resize(size.isValid() ? size : m_page->minimumSizeHint());
        m_page->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_page));
        QVERIFY(m_page->width() >= m_page->minimumSizeHint().width());
        QVERIFY(m_page->height() >= m_page->minimumSizeHint().height());
        const QString folder = qEnvironmentVariableIsSet("KELM_RENDER_DIR")
                                   ? qEnvironmentVariable("KELM_RENDER_DIR")
                                   : QDir::tempPath();
        auto *pages = child<QTabWidget>(QStringLiteral("PageControl2"));
        for (int i = 0; i < pages->count(); ++i) {
            pages->setCurrentIndex(i);
            QApplication::processEvents();
            QWidget *sheet = pages->widget(i);
            auto *scroll = sheet->findChild<QScrollArea *>(QString(), Qt::FindDirectChildrenOnly);
            QVERIFY(scroll);
            QWidget *area = scroll->widget();
            // In the "Commander" window a sub-page may scroll down, never sideways.
            if (size == QSize(444, 418))
                QVERIFY2(scroll->horizontalScrollBar()->maximum() == 0, qPrintable(pages->tabText(i)));
            QList<QWidget *> leaves;
            for (QWidget *w : area->findChildren<QWidget *>()) {
                if (!w->isVisibleTo(area) || !(qobject_cast<QAbstractButton *>(w) ||
                                               qobject_cast<QLineEdit *>(w) || qobject_cast<QLabel *>(w)))
                    continue;
                const QString what = w->objectName() + "/" + w->property("text").toString();
                // Only a closed detail row may hide part of what it holds, and then wholly.
                bool hiddenByRow = false;
                for (QWidget *up = w->parentWidget(); up && up != area; up = up->parentWidget()) {
                    const QRect inUp(w->mapTo(up, QPoint(0, 0)), w->size());
                    if (up->objectName().startsWith(QLatin1String("Panel_CheckBox_")) &&
                        !up->rect().contains(inUp)) {
                        QVERIFY2(!up->rect().intersects(inUp),
                                 qPrintable(what + " is half hidden by its row"));
                        hiddenByRow = true;
                        break;
                    }
                    QVERIFY2(up->rect().contains(inUp), qPrintable(what + " is cut off"));
                }
                if (hiddenByRow)
                    continue;
                leaves.append(w);
                const QRect r(w->mapTo(area, QPoint(0, 0)), w->size());
                QVERIFY2(area->rect().contains(r), qPrintable(what + " leaves " + pages->tabText(i)));
                QVERIFY2(w->width() >= w->minimumSizeHint().width(), qPrintable(what + " is squeezed"));
            }
            for (int a = 0; a < leaves.size(); ++a)
                for (int b = a + 1; b < leaves.size(); ++b) {
                    const QRect ra(leaves[a]->mapTo(area, QPoint(0, 0)), leaves[a]->size());
                    const QRect rb(leaves[b]->mapTo(area, QPoint(0, 0)), leaves[b]->size());
                    QVERIFY2(!ra.intersects(rb), qPrintable(leaves[a]->objectName() + "/" +
                                                            leaves[a]->property("text").toString() +
                                                            " overlaps " + leaves[b]->objectName() + "/" +
                                                            leaves[b]->property("text").toString()));
                }
            if (size.isValid()) {
                const QString stem = QStringLiteral("%1/creator-%2x%3-%4")
                                         .arg(folder)
                                         .arg(size.width())
                                         .arg(size.height())
                                         .arg(i + 1);
                m_page->grab().save(stem + QStringLiteral(".png"));
                area->grab().save(stem + QStringLiteral("-content.png"));
            }
        }
    }

    void uploadSendsOneImageWhileTheOperatorGoesOn()
    {
        SimulatedDevice device;
        QVERIFY2(device.start(), qPrintable(device.errorString()));
        m_session->transport().setPortOverride({device.portPath()});
        m_session->search();
        QVERIFY(m_session->connected());
        auto *list = child<QComboBox>(QStringLiteral("ComboBox_EdidSel_Upload"));
        list->setCurrentIndex(list->count() - 1);
        emit list->activated(list->count() - 1);

        m_page->SpeedButton_OpenEdid_NewClick();
        edit(QStringLiteral("Edit_Creator_Monitor_Name"))->setText(QStringLiteral("Uploaded"));
        edit(QStringLiteral("Edit_Creator_Serial_Number"))->setText(QStringLiteral("77"));
        // Between the quarters the operator carries another image in.
        EdidImage other = NewEdidTemplate;
        other[0x0C] = 0x55;
        setEdidChecksums(other);
        QTimer::singleShot(130, this, [&] { m_page->modifyFromImage(other); });
        m_page->SpeedButton_CopyEdid_CreatorClick();
        QCOMPARE(m_session->creatorRecord().image, other);

        EdidFeatureRecord slot;
        slot.image = device.slotImage(2, 8);
        QVERIFY(validateEdidImage(slot));
        QCOMPARE(slot.image[0x0C], quint8(77));
        QVERIFY(QByteArray(reinterpret_cast<const char *>(slot.image.data()), 128).contains("Uploaded"));
        m_session->disconnect();
    }

    void buildStopsAtATextThatIsNoNumber()
    {
        m_page->SpeedButton_OpenEdid_NewClick();
        edit(QStringLiteral("Edit_Creator_Product_Code"))->setText(QString()); // the check skips it
        QVERIFY(m_dialogs.texts(QStringLiteral("error")).isEmpty());
        const EdidImage before = m_session->creatorRecord().image;
        const QString out = m_dir.filePath(QStringLiteral("not-built.bin"));
        m_dialogs.saveAnswers = {out};
        m_page->SpeedButton_SaveEdid_CreatorClick();
        QCOMPARE(m_dialogs.texts(QStringLiteral("error")), QStringList{QStringLiteral("'' is not a valid integer value")});
        QCOMPARE(m_dialogs.asked.count(QStringLiteral("save")), 0);
        QVERIFY(!QFile::exists(out));
        QCOMPARE(m_session->creatorRecord().image, before);
    }

    // NEW, OPEN and Modify end with the warning, the colours and the input error bit of the values
    // they loaded, whatever the checks of earlier changes had left.
    void loadsEndWithTheLoadedValuesVerdict_data()
    {
        QTest::addColumn<QString>("before");  // what the operator did first
        QTest::addColumn<QString>("load");    // new, open, modify, modifyWeek60
        QTest::addColumn<QString>("warningText");
        QTest::addColumn<bool>("error");
        QTest::addColumn<QString>("red");     // the one control left red, if any
        QTest::newRow("HDR without 4K, then NEW") << "hdr" << "new" << "" << false << "";
        QTest::newRow("long serial, then NEW") << "serial" << "new" << "" << false << "";
        QTest::newRow("four-letter name, then OPEN") << "name" << "open" << "" << false << "";
        QTest::newRow("HDR without 4K, then Modify")
            << "hdr" << "modify" << "" << false << "";
        QTest::newRow("HDR without 4K, then OPEN") << "hdr" << "open" << "" << false << "";
        QTest::newRow("Modify of week 60 after HDR")
            << "hdr" << "modifyWeek60" << "53 Limited!" << true << "Edit_Creator_Manufac_Week";
    }

    void loadsEndWithTheLoadedValuesVerdict()
    {
        QFETCH(QString, before);
        QFETCH(QString, load);
        QFETCH(QString, warningText);
        QFETCH(bool, error);
        QFETCH(QString, red);

        const QString plain = m_dir.filePath(QStringLiteral("plain.bin"));
        QVERIFY(writeFile(plain, imageBytes(NewEdidTemplate)));
        if (before == QLatin1String("hdr"))
            box(QStringLiteral("CheckBox_HDR_2"))->click();
        else if (before == QLatin1String("serial"))
            edit(QStringLiteral("Edit_Creator_Serial_Number"))->setText(QStringLiteral("99999999999"));
        else if (before == QLatin1String("name"))
            edit(QStringLiteral("Edit_Creator_Manufac_Name"))->setText(QStringLiteral("ABCD"));
        if (!before.isEmpty()) {
            QVERIFY(inputError());
            QVERIFY(!warning().isEmpty());
        }

        EdidImage week60 = NewEdidTemplate;
        week60[0x10] = 60;
        setEdidChecksums(week60);
        if (load == QLatin1String("new")) {
            m_page->SpeedButton_OpenEdid_NewClick();
        } else if (load == QLatin1String("open")) {
            m_dialogs.openAnswers = {plain};
            m_page->SpeedButton_OpenEdid_CreatorClick();
        } else if (load == QLatin1String("modify")) {
            m_page->modifyFromImage(NewEdidTemplate);
        } else {
            m_page->modifyFromImage(week60);
        }

        QCOMPARE(warning(), warningText);
        QCOMPARE(inputError(), error);
        QStringList watched = {QStringLiteral("CheckBox_HDR_1"), QStringLiteral("CheckBox_HDR_2"),
                               QStringLiteral("CheckBox_HDR_3")};
        for (const char *name : {"Edit_Creator_Manufac_Name", "Edit_Creator_Monitor_Name", "Edit_Creator_Product_Code",
                                 "Edit_Creator_Serial_Number", "Edit_Creator_Manufac_Year",
                                 "Edit_Creator_Manufac_Week", "Edit_AudioLPCM_MaxCh", "Edit_HDR_DCLD_1"})
            watched << QString::fromLatin1(name);
        for (const QString &name : watched)
            QVERIFY2(colorOf(name) == (name == red ? QColor(Qt::red) : QColor(Qt::black)), qPrintable(name));
    }

    void modifyCarriesAnImageIn()
    {
        m_page->SpeedButton_OpenEdid_NewClick();
        auto *pages = child<QTabWidget>(QStringLiteral("PageControl2"));
        pages->setCurrentIndex(3);
        EdidImage image = NewEdidTemplate;
        image[0x0C] = 7; // serial number 7
        setEdidChecksums(image);
        m_page->modifyFromImage(image);
        const auto st = m_session->creatorRecord().status;
        QVERIFY(!(st & EdidStatus::FromNew));
        QVERIFY(st & EdidStatus::HoldsImage);
        QCOMPARE(edit(QStringLiteral("Edit_Creator_Serial_Number"))->text(), QStringLiteral("7"));
        QCOMPARE(edit(QStringLiteral("Edit_Creator_Manufac_Year"))->text(), QStringLiteral("2015"));
        QCOMPARE(pages->currentIndex(), 0);
    }

    void uploadWithoutDeviceDoesNothing()
    {
        m_page->SpeedButton_OpenEdid_NewClick();
        const EdidImage before = m_session->creatorRecord().image;
        m_page->SpeedButton_CopyEdid_CreatorClick();
        QCOMPARE(status(), QString());
        QCOMPARE(m_session->creatorRecord().image, before); // nothing built
    }
};

QTEST_MAIN(TestEdidCreatorPage)
#include "tst_edid_creator_page.moc"
