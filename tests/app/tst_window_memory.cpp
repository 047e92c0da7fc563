// Window places and file dialog folders kept between runs: off unless the program turns it on,
// stored in the user's settings (here a temporary folder), one entry per window and per dialog.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include "shell/ui/WindowMemory.h"

class WindowMemoryTest : public QObject
{
    Q_OBJECT

  public:
    explicit WindowMemoryTest(const QString &config) : m_config(config) {}

  private slots:
    void cleanup() { windowmemory::setEnabled(false); }

    void offLeavesEverythingAlone()
    {
        QTemporaryDir folder;
        windowmemory::keepFolder(QStringLiteral("Open EDID"), folder.filePath(QStringLiteral("a.bin")));
        QVERIFY(windowmemory::lastFolder(QStringLiteral("Open EDID")).isEmpty());
        QWidget window;
        window.setGeometry(40, 50, 200, 100);
        windowmemory::rememberPlace(&window, QStringLiteral("Off"));
        window.show();
        window.hide();
        QVERIFY(!QFile::exists(m_config + QStringLiteral("/kelm/kelm.ini")));
    }

    void foldersPerDialog()
    {
        windowmemory::setEnabled(true);
        QTemporaryDir a, b;
        const struct
        {
            const char *dialog;
            QString chosen;
            QString folder;
        } cases[] = {
            {"Open EDID", a.filePath(QStringLiteral("x.bin")), a.path()},              // a file: its folder
            {"Save EDID", b.filePath(QStringLiteral("Created EDID.bin")), b.path()},   // a new file too
            {"Back up all slots into", b.path(), b.path()},                            // a folder: itself
            {"Compare with: A/B", a.filePath(QStringLiteral("y.bin")), a.path()},      // separators in a title
        };
        for (const auto &c : cases)
            windowmemory::keepFolder(QString::fromLatin1(c.dialog), c.chosen);
        windowmemory::keepFolder(QStringLiteral("Open EDID"), QString()); // cancelled: kept as it was
        for (const auto &c : cases)
            QCOMPARE(windowmemory::lastFolder(QString::fromLatin1(c.dialog)), QDir(c.folder).absolutePath());
        QVERIFY(windowmemory::lastFolder(QStringLiteral("Open")).isEmpty()); // never used
        QVERIFY(QFile::exists(m_config + QStringLiteral("/kelm/kelm.ini")));
    }

    void folderGoneIsForgotten()
    {
        windowmemory::setEnabled(true);
        QString gone;
        {
            QTemporaryDir folder;
            gone = folder.path();
            windowmemory::keepFolder(QStringLiteral("Open firmware"), gone + QStringLiteral("/fw.bin"));
        }
        QVERIFY(windowmemory::lastFolder(QStringLiteral("Open firmware")).isEmpty());
    }

    void placeRestoredNextTime()
    {
        windowmemory::setEnabled(true);
        const QRect where(60, 70, 320, 240);
        {
            QWidget window;
            windowmemory::rememberPlace(&window, QStringLiteral("TForm2"));
            window.setGeometry(where);
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            window.close();
        }
        QWidget next;
        next.setGeometry(0, 0, 100, 100);
        windowmemory::rememberPlace(&next, QStringLiteral("TForm2"));
        QCOMPARE(next.size(), where.size());
        QCOMPARE(next.pos(), where.topLeft());
        QWidget other;
        other.setGeometry(5, 6, 100, 100);
        windowmemory::rememberPlace(&other, QStringLiteral("TForm3")); // never saved: stays
        QCOMPARE(other.geometry(), QRect(5, 6, 100, 100));
    }

  private:
    QString m_config;
};

int main(int argc, char **argv)
{
    // The settings go to a folder of this run, never the user's.
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QApplication app(argc, argv);
    WindowMemoryTest test(config.path());
    return QTest::qExec(&test, argc, argv);
}

#include "tst_window_memory.moc"
