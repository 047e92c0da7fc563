// The main window at start-up and its own handlers: caption, device list, pages, debug log,
// About box, error box for escaping exceptions. Runs in a private network namespace.
#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <memory>
#include <stdexcept>

#include "ScriptedDialogs.h"
#include "shell/Bitmaps.h"
#include "app/lib/KelmApplication.h"
#include "app/lib/MainWindow.h"
#include "net/ui/CommanderWindow.h"
#include "workbench/EdidAnalyzerWindow.h"

namespace {

template <class T> T *child(QObject *root, const char *name)
{
    T *found = root->findChild<T *>(QString::fromLatin1(name));
    if (!found)
        qFatal("no %s named %s", T::staticMetaObject.className(), name);
    return found;
}

// The bitmap a button shows, compared pixel by pixel with the named resource.
bool showsBitmap(const QAbstractButton *button, const QString &name)
{
    const QImage expected = QPixmap(kelmBitmapPath(name)).toImage().convertToFormat(QImage::Format_ARGB32);
    if (expected.isNull() || button->icon().isNull())
        return false;
    const QImage shown =
        button->icon().pixmap(expected.size()).toImage().convertToFormat(QImage::Format_ARGB32);
    return shown == expected;
}

QString memoText(QPlainTextEdit *memo)
{
    return memo->toPlainText();
}

} // namespace

class MainWindowTest : public QObject
{
    Q_OBJECT

  private slots:
    void init()
    {
        dialogs = std::make_unique<ScriptedDialogs>();
        window = std::make_unique<MainWindow>();
        QVERIFY(!window->startupRefused());
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }
    void cleanup()
    {
        window.reset();
        dialogs.reset();
    }

    void captionAndBorder()
    {
        QCOMPARE(window->windowTitle(), QStringLiteral("KELM 2016"));
        QCOMPARE(window->objectName(), QStringLiteral("TForm1"));
        QCOMPARE(QCoreApplication::applicationName(), QStringLiteral("KELM 2016"));
        // Fixed size, no minimise or maximise box.
        QCOMPARE(window->minimumSize(), window->maximumSize());
        QVERIFY(!(window->windowFlags() & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(window->windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(window->windowFlags() & Qt::WindowSystemMenuHint);
    }

    void deviceListAndButtons()
    {
        auto *grid = child<QTableView>(window.get(), "StringGrid1");
        QCOMPARE(grid->model()->columnCount(), 6);
        QCOMPARE(grid->model()->rowCount(), 0); // header only
        const QStringList headers = {"#", "Interface", "Product", "Description", "IP Address", "MAC Address"};
        const int widths[] = {22, 75, 75, 75, 75, 75};
        for (int c = 0; c < 6; ++c) {
            QCOMPARE(grid->model()->headerData(c, Qt::Horizontal).toString(), headers[c]);
            // At least 75 pixels, and wide enough for its caption and usual text.
            QVERIFY(grid->columnWidth(c) >= widths[c]);
            const QFontMetrics metrics(grid->font());
            QVERIFY(grid->columnWidth(c) >= metrics.horizontalAdvance(headers[c]));
            QVERIFY(grid->columnWidth(c) >=
                    metrics.horizontalAdvance(QString::fromLatin1(MainWindow::kGridTypicalTexts[c])));
        }
        QCOMPARE(grid->verticalHeader()->defaultSectionSize(), 21);
        QCOMPARE(grid->horizontalHeader()->height(), 21);
        QVERIFY(grid->font().bold());
        QVERIFY(QFontInfo(grid->font()).fixedPitch());
        // The header is light green (192, 220, 192): sample the "Interface" section's left edge.
        const QImage header = grid->horizontalHeader()->grab().toImage();
        const int x = grid->horizontalHeader()->sectionViewportPosition(1) + 4;
        QCOMPARE(QColor(header.pixel(x, header.height() / 2)), QColor(192, 220, 192));

        // Only the list and the two buttons show: the window is the grid plus 30 pixels wide.
        QCOMPARE(window->width(), grid->width() + 30);

        auto *search = child<QPushButton>(window.get(), "BitBtn_Search");
        auto *disconnect = child<QPushButton>(window.get(), "BitBtn_Disconnect");
        QCOMPARE(search->text(), QStringLiteral("Search"));
        QCOMPARE(disconnect->text(), QStringLiteral("Disconnect"));
        QVERIFY(search->isEnabled());
        QVERIFY(!disconnect->isEnabled());
        QVERIFY(!child<QComboBox>(window.get(), "ComboBox1")->isVisible());

        auto *logo = child<QLabel>(window.get(), "Image1");
        QCOMPARE(logo->pos(), QPoint(350, 3));
        QVERIFY(!logo->pixmap().isNull());
        QVERIFY(logo->isVisible());
    }

    void pagesInOrder()
    {
        auto *pages = child<QTabWidget>(window.get(), "PageControl1");
        const QStringList names = {"TabSheet10", "TabSheet1", "TabSheet3", "TabSheet4", "TabSheet2"};
        const QStringList captions = {"IP Configure", "EDID Controller", "EDID Analyzer", "EDID Creator",
                                      "System"};
        QCOMPARE(pages->count(), 5);
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(pages->widget(i)->objectName(), names[i]);
            QCOMPARE(pages->tabText(i), captions[i]);
            QCOMPARE(pages->isTabVisible(i), names[i] != QStringLiteral("TabSheet3"));
        }
        QCOMPARE(pages->currentWidget()->objectName(), QStringLiteral("TabSheet4"));

        auto *creatorPages = child<QTabWidget>(window.get(), "PageControl2");
        QCOMPARE(creatorPages->count(), 7);
        QCOMPARE(creatorPages->currentWidget()->objectName(), QStringLiteral("TabSheet5"));
        QCOMPARE(child<QLabel>(window.get(), "Label6")->text(),
                 QStringLiteral("High\nFront\nCenter\nRear\nLow"));
        QCOMPARE(child<QGroupBox>(window.get(), "GroupBox3")->title(),
                 QStringLiteral("Save  /  Upload  /  Analysis"));
    }

    void glyphsAtStartup_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("bitmap");
        // Device operations look unavailable until a device connects; creator operations are
        // always available.
        QTest::newRow("open") << "SpeedButton_OpenEdid"
                              << "OpenGray";
        QTest::newRow("save") << "SpeedButton_SaveEdid"
                              << "SaveGray";
        QTest::newRow("analysis") << "SpeedButton_AnalysisEdid"
                                  << "AnalysisGray";
        QTest::newRow("copy") << "SpeedButton_CopyEdid_Src2Dest"
                              << "CopyLeftGray";
        QTest::newRow("upload") << "SpeedButton_CopyEdid_Creator"
                                << "CopyUpGray";
        QTest::newRow("creator open") << "SpeedButton_OpenEdid_Creator"
                                      << "OpenColor";
        QTest::newRow("creator save") << "SpeedButton_SaveEdid_Creator"
                                      << "SaveColor";
        QTest::newRow("new") << "SpeedButton_OpenEdid_New"
                             << "BrandNewColor";
    }
    void glyphsAtStartup()
    {
        QFETCH(QString, button);
        QFETCH(QString, bitmap);
        auto *b = window->findChild<QAbstractButton *>(button);
        QVERIFY2(b, qPrintable(button));
        QVERIFY2(showsBitmap(b, bitmap), qPrintable(button + " should show " + bitmap));
    }

    void otherWindowsExistHidden()
    {
        EdidAnalyzerWindow *analyzer = window->analyzerWindow();
        CommanderWindow *commander = window->commanderWindow();
        QVERIFY(analyzer && commander);
        QCOMPARE(analyzer->objectName(), QStringLiteral("TForm2"));
        QCOMPARE(analyzer->windowTitle(), QStringLiteral("EDID Analyzer"));
        QCOMPARE(commander->objectName(), QStringLiteral("TForm3"));
        QCOMPARE(commander->windowTitle(), QStringLiteral("Commander"));
        QVERIFY(!analyzer->isVisible());
        QVERIFY(!commander->isVisible());
        QVERIFY(analyzer->isWindow() && commander->isWindow());
        QCOMPARE(analyzer->size(), QSize(422, 481));
        QCOMPARE(commander->size(), QSize(450, 450));
        QCOMPARE(analyzer->pos(), QPoint(889, 154));
    }

    void debugLogToggleRestoresWidth()
    {
        auto *panel = child<QWidget>(window.get(), "Panel_Debug");
        auto *memo = child<QPlainTextEdit>(window.get(), "Memo_Debug");
        QCOMPARE(panel->size(), QSize(17, 17));
        QVERIFY(panel->isVisible());
        QVERIFY(!memo->isVisible());
        const int start = window->width();
        for (int round = 0; round < 2; ++round) {
            QTest::mouseDClick(panel, Qt::LeftButton);
            QVERIFY(memo->isVisible());
            QCOMPARE(window->width(), start + memo->width() + 25);
            // The whole log is inside the grown window.
            QVERIFY(memo->geometry().right() < window->width());
            QTest::mouseDClick(panel, Qt::LeftButton);
            QVERIFY(!memo->isVisible());
            QCOMPARE(window->width(), start);
        }
    }

    void memoMirrorsTheLog()
    {
        auto *memo = child<QPlainTextEdit>(window.get(), "Memo_Debug");
        DebugLog &log = window->debugLog();
        log.replace(QString());
        QCOMPARE(memoText(memo), QString());
        // Appends add exactly the text given, whether or not the log is shown.
        log.append(QStringLiteral("Open /dev/ttyUSB0 Failed.\r\n"));
        log.append(QStringLiteral("$GET SYS_DSCPT"));
        log.append(QStringLiteral(" FFFF\r\n"));
        log.addLine(QStringLiteral("CRC Error!"));
        QCOMPARE(memoText(memo),
                 QStringLiteral("Open /dev/ttyUSB0 Failed.\n$GET SYS_DSCPT FFFF\nCRC Error!\n"));
        // Texts from a device are shown as they are, never as markup.
        log.append(QStringLiteral("<b>not bold</b>"));
        QVERIFY(memoText(memo).endsWith(QStringLiteral("<b>not bold</b>")));
        // The file operations replace the whole log.
        log.replace(QStringLiteral("Edid Open OK.\r\n"));
        QCOMPARE(memoText(memo), QStringLiteral("Edid Open OK.\n"));

        QTest::mouseDClick(child<QWidget>(window.get(), "Panel_Debug"), Qt::LeftButton);
        auto *clear = child<QPushButton>(window.get(), "Button_debug_clear");
        QCOMPARE(clear->text(), QStringLiteral("Clear"));
        QVERIFY(clear->isVisible());
        QTest::mouseClick(clear, Qt::LeftButton);
        QCOMPARE(log.text(), QString());
        QCOMPARE(memoText(memo), QString());
        // The log goes on collecting after a clear.
        log.append(QStringLiteral("x\r\n"));
        QCOMPARE(memoText(memo), QStringLiteral("x\n"));
    }

    void aboutBox()
    {
        auto *about = child<QAction>(window.get(), "About2");
        QCOMPARE(about->text(), QStringLiteral("About"));
        auto *help = child<QMenu>(window.get(), "Help1");
        QCOMPARE(help->title(), QStringLiteral("&Help"));
        about->trigger();
        QCOMPARE(dialogs->messages.size(), 1);
        const ScriptedDialogs::Message &box = dialogs->messages.first();
        QCOMPARE(box.kind, QStringLiteral("information"));
        QVERIFY(box.text.startsWith(QStringLiteral("KELM2016  v1.0A\r\n\r\n")));
        const QStringList notice =
            box.text.mid(QStringLiteral("KELM2016  v1.0A\r\n\r\n").size()).split(QStringLiteral("\r\n"));
        QCOMPARE(notice.size(), 2);
        QVERIFY(!notice[0].isEmpty() && !notice[1].isEmpty());
        QVERIFY(box.at.has_value());
        QCOMPARE(*box.at, window->frameGeometry().topLeft() + QPoint(150, 150));
    }

    void exceptionInHandlerShowsErrorAndGoesOn()
    {
        QPushButton thrower(QStringLiteral("throw"));
        connect(&thrower, &QPushButton::clicked, [] { throw std::runtime_error("Edid file unreadable."); });
        thrower.show();
        QVERIFY(QTest::qWaitForWindowExposed(&thrower));
        QTest::mouseClick(&thrower, Qt::LeftButton);
        QCOMPARE(dialogs->messages.size(), 1);
        QCOMPARE(dialogs->messages.first().kind, QStringLiteral("error"));
        QCOMPARE(dialogs->messages.first().text, QStringLiteral("Edid file unreadable."));
        // The event loop keeps running: timers fire and a second failure is shown as well.
        bool fired = false;
        QTimer::singleShot(10, [&] { fired = true; });
        QTRY_VERIFY(fired);
        QTest::mouseClick(&thrower, Qt::LeftButton);
        QCOMPARE(dialogs->messages.size(), 2);
        QVERIFY(window->isVisible());
    }

    void analyzerTabNeverShown()
    {
        auto *pages = child<QTabWidget>(window.get(), "PageControl1");
        auto *sheet = child<QWidget>(window.get(), "TabSheet3");
        QTest::mouseDClick(child<QWidget>(window.get(), "Panel_Debug"), Qt::LeftButton);
        for (int i = 0; i < pages->count(); ++i)
            pages->setCurrentIndex(i);
        window->commanderWindow()->hostPages(pages);
        QCOMPARE(pages->parentWidget(), window->commanderWindow()->panel());
        QVERIFY(!pages->isTabVisible(pages->indexOf(sheet)));
    }

    void closingTheMainWindowEndsTheProgram()
    {
        window->commanderWindow()->show();
        QTimer::singleShot(0, window.get(), &QWidget::close);
        QTimer watchdog;
        watchdog.setSingleShot(true);
        bool timedOut = false;
        connect(&watchdog, &QTimer::timeout, [&] {
            timedOut = true;
            QCoreApplication::exit(1);
        });
        watchdog.start(5000);
        QCOMPARE(QCoreApplication::exec(), 0);
        QVERIFY(!timedOut);
    }

  private:
    std::unique_ptr<ScriptedDialogs> dialogs;
    std::unique_ptr<MainWindow> window;
};

int main(int argc, char **argv)
{
    KelmApplication app(argc, argv);
    MainWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "netns_tst_mainwindow.moc"
