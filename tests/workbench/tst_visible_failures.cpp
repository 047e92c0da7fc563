// What the operator sees when something fails: a Save that cannot write its file says so in the
// page's status label, not only in the hidden log; the debug log, when shown, shows its newest line.

#include <QLabel>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QtTest>

#include "ControllerFixture.h"
#include "app/lib/DebugLogView.h"

class TestVisibleFailures : public QObject
{
    Q_OBJECT
  private slots:
    void failedSaveShowsInRed_data();
    void failedSaveShowsInRed();
    void debugLogShowsItsNewestLine();
};

void TestVisibleFailures::failedSaveShowsInRed_data()
{
    QTest::addColumn<bool>("creator");
    QTest::addColumn<QString>("where");
    QTest::addColumn<QString>("reason");
    QTest::newRow("controller, missing folder") << false << "missing/folder/slot.bin" << "No such file or directory";
    QTest::newRow("creator, missing folder") << true << "missing/folder/created.bin" << "No such file or directory";
    QTest::newRow("controller, a folder as file") << false << "." << "Is a directory";
    QTest::newRow("creator, a folder as file") << true << "." << "Is a directory";
}

void TestVisibleFailures::failedSaveShowsInRed()
{
    QFETCH(bool, creator);
    QFETCH(QString, where);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    ControllerRig rig;
    QVERIFY(rig.connect());
    rig.dialogs.fileAnswer = QDir(dir.path()).filePath(where);
    QLabel *label = creator ? rig.creator.findChild<QLabel *>(QStringLiteral("Label3"))
                            : rig.child<QLabel>("Label2");
    LabelRecorder shown(label);

    if (creator) {
        rig.creator.SpeedButton_OpenEdid_NewClick();
        rig.creator.SpeedButton_SaveEdid_CreatorClick();
    } else {
        rig.pick("ComboBox_EdidSel_All", 0);
        rig.page.SpeedButton_SaveEdidClick();
    }

    QVERIFY2(rig.log.text().startsWith(QStringLiteral("Edid Open Fail.\r\n")), qPrintable(rig.log.text()));
    // The file's own error, not only that the save failed.
    const QString path = QDir(dir.path()).filePath(where);
    bool said = false;
    for (const LabelRecorder::Shown &s : shown.shown)
        said = said || (s.color == Qt::red && s.text.startsWith(QStringLiteral("Edid Open Fail. Cannot ")) &&
                        s.text.contains(path) && s.text.endsWith(reason + QLatin1Char('.')));
    QVERIFY2(said, qPrintable(shown.texts().join('|')));
    QVERIFY(!shown.showedIn(QStringLiteral("Ok."), Qt::black));
    QCOMPARE(label->text(), QString()); // and gone again after its time
    QVERIFY(rig.session.channel().pollRunning());
}

void TestVisibleFailures::debugLogShowsItsNewestLine()
{
    DebugLog log;
    DebugLogView view(log);
    view.resize(300, 200);
    auto *bar = view.verticalScrollBar();
    auto atEnd = [bar] { return bar->maximum() > 0 && bar->value() == bar->maximum(); };
    auto lines = [&log](int from, int count) {
        for (int i = from; i < from + count; ++i)
            log.append(QStringLiteral("Check /dev/ttyS%1\r\n").arg(i));
    };

    // Collected while hidden, shown by the toggle: the newest line is in sight.
    lines(0, 120);
    log.append(QStringLiteral("Port /dev/ttyUSB0 lost.\r\n"));
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QVERIFY(atEnd());
    QVERIFY(view.followsEnd());

    // Scrolled up by the operator: new lines do not pull the view away.
    bar->setValue(0);
    QVERIFY(!view.followsEnd());
    lines(200, 10);
    QCOMPARE(bar->value(), 0);

    // Back at the end: it follows again, also across hiding and showing and a replaced log.
    bar->setValue(bar->maximum());
    QVERIFY(view.followsEnd());
    lines(300, 10);
    QVERIFY(atEnd());
    view.hide();
    lines(400, 80);
    view.show();
    QVERIFY(atEnd());
    log.replace(QStringLiteral("Edid Open OK.\r\n"));
    lines(500, 60);
    QVERIFY(atEnd());
}

QTEST_MAIN(TestVisibleFailures)
#include "tst_visible_failures.moc"
