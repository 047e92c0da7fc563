// The EDID Creator's undo and redo: a sequence of changes over several sub-pages stepped back and
// forward returns the exact control values and the warning of each step; the keys reach it from
// inside an edit; loading starts a new history; at least 100 steps are kept.
#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>

#include "ScriptedDialogs.h"
#include "edid/CreatorLoadVerdict.h"
#include "edid/CreatorState.h"
#include "link/DeviceSession.h"
#include "shell/DebugLog.h"
#include "workbench/EdidCreatorPage.h"

class TestCreatorUndo : public QObject
{
    Q_OBJECT
  private slots:
    void stepsBackAndForthOverSubPages();
    void keysLoadingAndBound();
};

namespace {

struct Fixture
{
    ScriptedDialogs dialogs;
    DebugLog log;
    DeviceSession session{log};
    EdidCreatorPage page{session};

    QLineEdit *edit(const char *name) { return page.findChild<QLineEdit *>(QString::fromLatin1(name)); }
    QAbstractButton *box(const char *name) { return page.findChild<QAbstractButton *>(QString::fromLatin1(name)); }
    QString warning() { return page.findChild<QLabel *>(QStringLiteral("Label_EdidCreator_Warning"))->text(); }
};

} // namespace

void TestCreatorUndo::stepsBackAndForthOverSubPages()
{
    Fixture f;
    f.page.SpeedButton_OpenEdid_NewClick();
    QVERIFY(!f.page.canUndo());
    // Changes on the Descriptor, PC Timing, SD/HD/UHD and Audio pages, one failing its check.
    const std::function<void()> changes[] = {
        [&] { f.edit("Edit_Creator_Monitor_Name")->setText(QStringLiteral("STEP ONE")); },
        [&] { f.box("CheckBox_EstablishTiming_3")->click(); },
        [&] { f.edit("Edit_Creator_Manufac_Year")->setText(QStringLiteral("1989")); }, // out of its limits
        [&] { f.box("CheckBox_VideoIdCode_16")->click(); },
        [&] { f.edit("Edit_Creator_Manufac_Year")->setText(QStringLiteral("2020")); },
        [&] { f.edit("Edit_AudioLPCM_MaxCh")->setText(QStringLiteral("9")); }, // out of its limits
        [&] { f.box("CheckBox_VideoIdCode_16")->click(); },
    };
    struct Shown
    {
        CreatorState state;
        QString warning;
    };
    QList<Shown> shown{{f.page.readState(), f.warning()}};
    for (const auto &change : changes) {
        change();
        shown.push_back({f.page.readState(), f.warning()});
        QVERIFY(!(shown.back().state == shown[shown.size() - 2].state));
    }
    // The failing steps show their warning; the checks agree with a load of the same values.
    QVERIFY(!shown[3].warning.isEmpty());
    QVERIFY(!shown[6].warning.isEmpty());
    for (int i = int(shown.size()) - 2; i >= 0; --i) {
        f.page.undo();
        QVERIFY2(f.page.readState() == shown[i].state, qPrintable(QString::number(i)));
        QCOMPARE(f.warning(), QString::fromStdString(creatorLoadVerdict(shown[i].state).warning));
        if (i == 3 || i == 0)
            QCOMPARE(f.warning(), shown[i].warning);
    }
    QVERIFY(!f.page.canUndo());
    f.page.undo(); // nothing further back: unchanged
    QVERIFY(f.page.readState() == shown[0].state);
    for (int i = 1; i < shown.size(); ++i) {
        f.page.redo();
        QVERIFY2(f.page.readState() == shown[i].state, qPrintable(QString::number(i)));
    }
    QVERIFY(!f.page.canRedo());
    QCOMPARE(f.warning(), shown.back().warning);
    // A change after an undo drops what could be redone.
    f.page.undo();
    f.page.undo();
    f.box("CheckBox_EstablishTiming_5")->click();
    QVERIFY(!f.page.canRedo());
    f.page.undo();
    QVERIFY(f.page.readState() == shown[shown.size() - 3].state);
}

void TestCreatorUndo::keysLoadingAndBound()
{
    Fixture f;
    f.page.show();
    f.page.SpeedButton_OpenEdid_NewClick();
    const CreatorState loaded = f.page.readState();
    QLineEdit *name = f.edit("Edit_Creator_Monitor_Name");
    name->setFocus();
    QVERIFY(QTest::qWaitForWindowActive(&f.page) || true);
    // 120 changes: the first 100 steps back are all there.
    for (int i = 0; i < 120; ++i)
        name->setText(QStringLiteral("NAME %1").arg(i));
    for (int i = 0; i < 100; ++i)
        QTest::keyClick(name, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(name->text(), QStringLiteral("NAME 19"));
    QTest::keyClick(name, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(name->text(), QStringLiteral("NAME 20"));
    QVERIFY(f.page.findChild<QToolButton *>(QStringLiteral("Button_Creator_Redo"))->isEnabled());
    f.page.findChild<QToolButton *>(QStringLiteral("Button_Creator_Undo"))->click();
    QCOMPARE(name->text(), QStringLiteral("NAME 19"));
    // Loading an image starts over: nothing to undo or redo.
    f.page.SpeedButton_OpenEdid_NewClick();
    QVERIFY(!f.page.canUndo());
    QVERIFY(!f.page.canRedo());
    QVERIFY(f.page.readState() == loaded);
}

QTEST_MAIN(TestCreatorUndo)
#include "tst_creator_undo.moc"
