// The System page's controls: found by name, clicked, and read back (offscreen).
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "SimulatedLink.h"
#include "firmware/IspUpload.h"
#include "firmware/ui/FirmwareGroup.h"
#include "system/SystemSettings.h"
#include "system/ui/SystemPage.h"

class TestSystemPage : public QObject
{
    Q_OBJECT

    template <typename T> static T *child(QWidget &page, const char *name)
    {
        T *w = page.findChild<T *>(QString::fromLatin1(name));
        if (!w)
            qFatal("missing control %s", name);
        return w;
    }
    static bool isRed(QLabel *label)
    {
        return label->palette().color(QPalette::WindowText) == QColor(Qt::red);
    }

  private slots:
    void namedControls()
    {
        DebugLog log;
        SystemPage page(log);
        QCOMPARE(page.objectName(), QStringLiteral("TabSheet2"));
        for (const char *name : {"Label_FW_Version", "Label1"})
            QVERIFY(page.findChild<QLabel *>(name));
        for (const char *name : {"SpeedButton_OpenFw", "SpeedButton_UpdateFw", "SpeedButton_SysConfig",
                                 "SpeedButton_SysDefault"})
            QVERIFY(page.findChild<QToolButton *>(name));
        QVERIFY(child<QLineEdit>(page, "Edit_Fw_Path")->isReadOnly());
        QVERIFY(!child<QLineEdit>(page, "Edit_Product_String")->isReadOnly());
        QVERIFY(page.findChild<QGroupBox *>("GroupBox11"));
        QVERIFY(page.findChild<QProgressBar *>());
    }

    // Cut to 48 pixels the group shows its version line only; at 155 everything.
    void firmwareGroupHeights()
    {
        DebugLog log;
        SystemPage page(log);
        page.resize(440, 420);
        page.show();
        auto *group = child<QGroupBox>(page, "GroupBox4");
        const auto inside = [group](const char *name) {
            const QWidget *w = group->findChild<QWidget *>(name);
            return w->geometry().bottom() < group->height();
        };
        group->setFixedHeight(FirmwareGroup::collapsedHeight);
        QTest::qWait(10);
        QVERIFY(inside("Label_FW_Version"));
        QVERIFY(!inside("Edit_Fw_Path"));
        QVERIFY(!inside("SpeedButton_UpdateFw"));
        QVERIFY(!inside("Label1"));
        group->setFixedHeight(FirmwareGroup::fullHeight);
        QTest::qWait(10);
        for (const char *name : {"Label_FW_Version", "Edit_Fw_Path", "SpeedButton_OpenFw",
                                 "SpeedButton_UpdateFw", "Label1", "ProgressBar_Fw"})
            QVERIFY2(inside(name), name);
    }

    void label9FollowsTheLength()
    {
        DebugLog log;
        SystemPage page(log);
        auto *edit = child<QLineEdit>(page, "Edit_Product_String");
        auto *label = child<QLabel>(page, "Label9");
        edit->setText(QString(31, QLatin1Char('a')));
        QCOMPARE(label->text(), QString());
        QTest::keyClick(edit, Qt::Key_B);
        QCOMPARE(label->text(), QStringLiteral("31 Letters Limited!"));
        QVERIFY(isRed(label));
        QTest::keyClick(edit, Qt::Key_Backspace);
        QCOMPARE(label->text(), QString());
        QVERIFY(!isRed(label));
        QCOMPARE(edit->text().size(), 31);
    }

    // Open and Update on a device in ISP mode: the path, the target line, the percentage and the bar.
    void updateThroughTheButtons()
    {
        SimulatedLink link(HandshakeMode::Isp091);
        QVERIFY(link.started);
        QVERIFY(link.connect());
        QTemporaryDir dir;
        const QByteArray image = firmwareImage(2300);
        link.dialogs.fileAnswer = writeFile(dir, "fw.bin", image);
        link.device->expectFirmware(image);

        SystemPage page(link.log);
        page.attach(link.session);
        page.resize(440, 420);
        page.show();
        QTest::mouseClick(child<QToolButton>(page, "SpeedButton_OpenFw"), Qt::LeftButton);
        QCOMPARE(child<QLineEdit>(page, "Edit_Fw_Path")->text(), link.dialogs.fileAnswer);
        // A row choice empties the field; the same file chosen again shows there again.
        child<QLineEdit>(page, "Edit_Fw_Path")->clear();
        QTest::mouseClick(child<QToolButton>(page, "SpeedButton_OpenFw"), Qt::LeftButton);
        QCOMPARE(child<QLineEdit>(page, "Edit_Fw_Path")->text(), link.dialogs.fileAnswer);
        QCOMPARE(child<QLabel>(page, "Label_FW_Version")->text(),
                 QStringLiteral("Target :   VID-1A2B     PID-3C4D     Version-v1.02"));
        auto *label1 = child<QLabel>(page, "Label1");
        QCOMPARE(label1->text(), QStringLiteral("0%"));

        auto *bar = page.findChild<QProgressBar *>();
        auto *update = child<QToolButton>(page, "SpeedButton_UpdateFw");
        bool disabledWhileRunning = false;
        connect(page.upload(), &IspUpload::progressChanged, this,
                [&](int) { disabledWhileRunning = !update->isEnabled(); });
        QTest::mouseClick(update, Qt::LeftButton);
        QCOMPARE(link.dialogs.count("confirm"), 1);
        QCOMPARE(*link.dialogs.last().at, page.window()->frameGeometry().topLeft() + QPoint(115, 130));
        QVERIFY2(link.device->firmwareDivergence().isEmpty(), qPrintable(link.device->firmwareDivergence()));
        QCOMPARE(label1->text(), QStringLiteral("100%"));
        QVERIFY(!isRed(label1));
        QCOMPARE(bar->value(), 100);
        QVERIFY(disabledWhileRunning);
        QVERIFY(update->isEnabled());
        QCOMPARE(link.device->flash().left(image.size()), image);

        if (qEnvironmentVariableIsSet("KELM_SHOT_DIR")) {
            page.grab().save(qEnvironmentVariable("KELM_SHOT_DIR") + QStringLiteral("/system_page_isp.png"));
            auto *group = child<QGroupBox>(page, "GroupBox4");
            group->setFixedHeight(FirmwareGroup::collapsedHeight);
            child<QLabel>(page, "Label_FW_Version")
                ->setText(QStringLiteral("Current :   VID-1A2B    PID-3C4D    Version-1.00"));
            child<QLineEdit>(page, "Edit_Product_String")->setText(QString(35, QLatin1Char('d')));
            QTest::qWait(10);
            page.grab().save(qEnvironmentVariable("KELM_SHOT_DIR") +
                             QStringLiteral("/system_page_normal.png"));
        }
    }

    void descriptionThroughTheButton()
    {
        SimulatedLink link(HandshakeMode::Normal);
        QVERIFY(link.started);
        QVERIFY(link.connect());
        SystemPage page(link.log);
        page.attach(link.session);
        auto *edit = child<QLineEdit>(page, "Edit_Product_String");
        auto *label = child<QLabel>(page, "Label9");
        edit->setText(QStringLiteral("Studio"));
        QTest::mouseClick(child<QToolButton>(page, "SpeedButton_SysConfig"), Qt::LeftButton);
        QCOMPARE(link.device->productString(), QByteArray("Studio"));
        QCOMPARE(label->text(), QString());
        QTest::mouseClick(child<QToolButton>(page, "SpeedButton_SysConfig"), Qt::LeftButton);
        QCOMPARE(label->text(), QStringLiteral("No Changed."));

        link.dialogs.confirmAnswer = true;
        QTest::mouseClick(child<QToolButton>(page, "SpeedButton_SysDefault"), Qt::LeftButton);
        QCOMPARE(edit->text(), QStringLiteral("Demo Matrix"));
        QCOMPARE(link.dialogs.last().text, QStringLiteral("Warning!\r\nReset system to default."));
    }

    // A SET the device leaves unanswered shows a red failure in Label9 instead of "Ok.".
    void unansweredSetsShowInRed()
    {
        struct Case
        {
            const char *button;
            const char *failure;
        } cases[] = {{"SpeedButton_SysConfig", "Set Failed."}, {"SpeedButton_SysDefault", "Reset Failed."}};
        for (const Case &c : cases) {
            SimulatedLink link(HandshakeMode::Normal);
            QVERIFY(link.started);
            QVERIFY(link.connect());
            SystemPage page(link.log);
            page.attach(link.session);
            auto *label = child<QLabel>(page, "Label9");
            child<QLineEdit>(page, "Edit_Product_String")->setText(QStringLiteral("Studio"));
            link.dialogs.confirmAnswer = true;
            link.device->faults().dropReplies = 1;
            QStringList shown;
            QTimer sampler;
            QObject::connect(&sampler, &QTimer::timeout, [&] {
                const QString now = label->text() + (isRed(label) ? QStringLiteral(" (red)") : QString());
                if (shown.isEmpty() || shown.last() != now)
                    shown << now;
            });
            sampler.start(5);
            QTest::mouseClick(child<QToolButton>(page, c.button), Qt::LeftButton);
            // A failed reset says so at once and clears its label later.
            QTRY_COMPARE_WITH_TIMEOUT(label->text(), QString(), 3000);
            sampler.stop();
            QVERIFY2(shown.contains(QString::fromLatin1(c.failure) + QStringLiteral(" (red)")),
                     qPrintable(shown.join(QLatin1Char('|'))));
            QVERIFY2(!shown.contains(QStringLiteral("Ok.")), qPrintable(shown.join(QLatin1Char('|'))));
            QCOMPARE(label->text(), QString());
        }
        // An unconfirmed description is not taken as the device's: the same text goes out again.
        SimulatedLink link(HandshakeMode::Normal);
        QVERIFY(link.connect());
        SystemSettings settings(link.session);
        link.device->faults().dropReplies = 1;
        QCOMPARE(settings.applyProductString(QStringLiteral("Again")), SystemSettings::Result::Failed);
        QCOMPARE(settings.applyProductString(QStringLiteral("Again")), SystemSettings::Result::Sent);
        QCOMPARE(link.device->productString(), QByteArray("Again"));
    }
};

QTEST_MAIN(TestSystemPage)
#include "tst_system_page.moc"
