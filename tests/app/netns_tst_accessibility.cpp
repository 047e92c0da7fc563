// Every window and page, as a screen reader and a keyboard user meet them: each control that takes
// the focus has a name through Qt's accessibility interface, and Tab visits every enabled control
// once, in reading order. Runs in a private network namespace (it starts the main window).
#include <QAbstractButton>
#include <QAccessible>
#include <QComboBox>
#include <QScrollArea>
#include <QScrollBar>
#include <QSet>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <algorithm>
#include <memory>

#include "ScriptedDialogs.h"
#include "app/lib/KelmApplication.h"
#include "app/lib/MainWindow.h"
#include "net/ui/CommanderWindow.h"
#include "workbench/EdidAnalyzerWindow.h"
#include "edid/EdidSummary.h"
#include "edid/NewEdidTemplate.h"

namespace {

bool takesTab(const QWidget *w, const QWidget *window)
{
    return (w->focusPolicy() & Qt::TabFocus) == Qt::TabFocus && !w->focusProxy() && w->isVisibleTo(window) &&
           w->isEnabled() && w->window() == window;
}

// On Linux Qt names a drop-down list by its current item and hands the describing label over as a
// relation; the name given to the list is what other platforms read.
QString accessibleName(QWidget *w)
{
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(w);
    if (!iface)
        return QString();
    if (qobject_cast<QComboBox *>(w))
        return iface->object()->property("accessibleName").toString();
    return iface->text(QAccessible::Name);
}

QString describe(const QWidget *w)
{
    return w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className()) : w->objectName();
}

// The stops Tab visits, from the window's first one round to it again.
QList<QWidget *> tabChain(QWidget *window)
{
    QList<QWidget *> chain;
    for (QWidget *w = window->nextInFocusChain(); w != window; w = w->nextInFocusChain())
        if (takesTab(w, window) && !chain.contains(w))
            chain.append(w);
    return chain;
}

// The rectangle of the child of ancestor that holds w, in window coordinates.
QRect placeUnder(QWidget *w, const QWidget *ancestor)
{
    while (w->parentWidget() != ancestor)
        w = w->parentWidget();
    return QRect(w->mapTo(w->window(), QPoint(0, 0)), w->size());
}

// b follows a in reading order inside the innermost container holding both.
bool readsAfter(QWidget *a, QWidget *b)
{
    if (a->isAncestorOf(b))
        return true; // a container before what it holds
    const QWidget *common = a->parentWidget();
    while (!common->isAncestorOf(b))
        common = common->parentWidget();
    const QRect ra = placeUnder(a, common), rb = placeUnder(b, common);
    const int overlap = std::min(ra.bottom(), rb.bottom()) - std::max(ra.top(), rb.top());
    const bool sameLine = overlap > std::min(ra.height(), rb.height()) / 2;
    return sameLine ? rb.x() > ra.x() : rb.center().y() > ra.center().y();
}

} // namespace

class AccessibilityTest : public QObject
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

    // Every window, every page of the "Commander" window and every EDID Creator sub-page.
    void everyControlNamedAndVisitedInReadingOrder()
    {
        auto *pages = window->findChild<QTabWidget *>(QStringLiteral("PageControl1"));
        auto *subPages = window->findChild<QTabWidget *>(QStringLiteral("PageControl2"));
        QVERIFY(pages && subPages);
        window->commanderWindow()->hostPages(pages);
        window->commanderWindow()->show();
        window->analyzerWindow()->show();
        // Compare opens for an analysed EDID only.
        EdidFeatureRecord analysed;
        const EdidSummary summary = summariseEdid(analysed, NewEdidTemplate);
        window->analyzerWindow()->showAnalysis(analysed, summary);
        window->analyzerWindow()->findChild<QAbstractButton *>(QStringLiteral("Button_Analyzer_Compare"))->click();
        QWidget *compare = window->analyzerWindow()->findChild<QWidget *>(QStringLiteral("Form_EdidCompare"));
        QVERIFY(compare);

        struct View
        {
            QString what;
            QWidget *window;
            std::function<void()> show;
        };
        QList<View> views{{QStringLiteral("main window"), window.get(), [] {}},
                          {QStringLiteral("analyzer"), window->analyzerWindow(), [] {}},
                          {QStringLiteral("compare"), compare, [] {}}};
        for (int i = 0; i < pages->count(); ++i)
            if (pages->isTabVisible(i))
                views.append({pages->widget(i)->objectName(), window->commanderWindow(),
                              [pages, i] { pages->setCurrentIndex(i); }});
        for (int i = 0; i < subPages->count(); ++i)
            views.append({subPages->widget(i)->objectName(), window->commanderWindow(), [pages, subPages, i] {
                              pages->setCurrentWidget(pages->findChild<QWidget *>(QStringLiteral("TabSheet4")));
                              subPages->setCurrentIndex(i);
                          }});

        for (const View &view : views) {
            view.show();
            QApplication::processEvents();
            const QList<QWidget *> chain = tabChain(view.window);
            QVERIFY2(chain.size() > 1, qPrintable(view.what));
            for (QWidget *w : view.window->findChildren<QWidget *>()) {
                if (!takesTab(w, view.window))
                    continue;
                QVERIFY2(!accessibleName(w).isEmpty(), qPrintable(view.what + QStringLiteral(": ") + describe(w)));
                QVERIFY2(chain.contains(w), qPrintable(view.what + QStringLiteral(": Tab misses ") + describe(w)));
            }
            // Tab never lands on a control the window cuts off.
            for (QWidget *w : chain)
                QVERIFY2(view.window->rect().intersects(QRect(w->mapTo(view.window, QPoint(0, 0)), w->size())),
                         qPrintable(view.what + QStringLiteral(": out of sight ") + describe(w)));
            for (qsizetype i = 1; i < chain.size(); ++i)
                QVERIFY2(readsAfter(chain[i - 1], chain[i]),
                         qPrintable(view.what + QStringLiteral(": ") + describe(chain[i - 1]) +
                                    QStringLiteral(" before ") + describe(chain[i])));
        }
    }

    // In the "Commander" window every EDID Creator sub-page shows all its controls without
    // scrolling (Audio2's rows keep their scroll box).
    void creatorSubPagesNeedNoScrolling()
    {
        auto *pages = window->findChild<QTabWidget *>(QStringLiteral("PageControl1"));
        auto *subPages = window->findChild<QTabWidget *>(QStringLiteral("PageControl2"));
        window->commanderWindow()->hostPages(pages);
        window->commanderWindow()->show();
        QVERIFY(QTest::qWaitForWindowExposed(window->commanderWindow()));
        pages->setCurrentWidget(pages->findChild<QWidget *>(QStringLiteral("TabSheet4")));
        for (int i = 0; i < subPages->count(); ++i) {
            subPages->setCurrentIndex(i);
            QApplication::processEvents();
            QWidget *sheet = subPages->widget(i);
            if (sheet->objectName() == QStringLiteral("TabSheet11"))
                continue;
            auto *scroll = sheet->findChild<QScrollArea *>(QString(), Qt::FindDirectChildrenOnly);
            QVERIFY(scroll);
            QCOMPARE(scroll->verticalScrollBar()->maximum(), 0);
            QCOMPARE(scroll->horizontalScrollBar()->maximum(), 0);
        }
    }

    // The debug log opens and closes from the keyboard; its Clear button is a stop only while
    // the log shows.
    void debugLogFromTheKeyboard()
    {
        auto *panel = window->findChild<QWidget *>(QStringLiteral("Panel_Debug"));
        auto *memo = window->findChild<QWidget *>(QStringLiteral("Memo_Debug"));
        auto *clear = window->findChild<QWidget *>(QStringLiteral("Button_debug_clear"));
        QVERIFY(tabChain(window.get()).contains(panel));
        QVERIFY(!tabChain(window.get()).contains(clear));
        for (int key : {Qt::Key_Space, Qt::Key_Return}) {
            const int width = window->width();
            QTest::keyClick(panel, Qt::Key(key));
            QVERIFY(memo->isVisible());
            QVERIFY(tabChain(window.get()).contains(clear));
            QVERIFY(tabChain(window.get()).contains(memo));
            QTest::keyClick(panel, Qt::Key(key));
            QVERIFY(!memo->isVisible());
            QCOMPARE(window->width(), width);
        }
    }

    // What a screen reader says for controls whose caption alone would not do.
    void namesComeFromCaptionsAndLabels()
    {
        const struct
        {
            const char *control;
            const char *name;
        } cases[] = {
            {"SpeedButton_CopyEdid_Src2Dest", "Copy"},
            {"ComboBox_EdidSel_Dest", "Destination"},
            {"ComboBox_EdidSel_Src", "EDID Source"},
            {"ComboBox_EdidSel_All", "Save / Upload / Analysis"},
            {"SpeedButton_SaveEdid", "Save"},
            {"Edit_IP_Address", "IP Address"},
            {"ComboBox_IP_Mode", "IP Mode"},
            {"Edit_Product_String", "Description"},
            {"Edit_Fw_Path", "Firmware file"},
            {"StringGrid1", "Device list"},
            {"BitBtn_Search", "Search"},
            {"RadioButton_Set_UserEdid3", "User 3"},
        };
        for (const auto &c : cases) {
            auto *w = window->findChild<QWidget *>(QString::fromLatin1(c.control));
            QVERIFY2(w, c.control);
            QCOMPARE(accessibleName(w), QString::fromLatin1(c.name));
        }
    }

    // The 20 devices the list holds, serial and network, with the longest texts they usually carry:
    // every column shows whole and no horizontal scroll bar appears.
    void deviceListFitsTwentyRows()
    {
        auto *grid = window->findChild<QTableView *>(QStringLiteral("StringGrid1"));
        QVERIFY(grid);
        for (int r = 0; r < 20; ++r) {
            const QStringList serial{QString::number(r + 1), QStringLiteral("/dev/ttyUSB0"),
                                     QStringLiteral("HDM-4K44"), QStringLiteral(" Demo Matrix "),
                                     QStringLiteral("NC"), QStringLiteral("NC")};
            const QStringList network{QString::number(r + 1), QStringLiteral("ETHERNET"),
                                      QStringLiteral("HDM-4K44"), QStringLiteral("Demo Matrix"),
                                      QStringLiteral("192.168.100.200"), QStringLiteral("02:4B:45:4C:4D:01")};
            window->session().registry().setRow(r + 1, r % 2 ? network : serial);
        }
        QApplication::processEvents();
        grid->viewport()->repaint();
        QApplication::processEvents();
        QVERIFY(grid->verticalScrollBar()->isVisible());
        QCOMPARE(grid->horizontalScrollBar()->maximum(), 0);
        const QFontMetrics metrics(grid->font());
        for (int c = 0; c < 6; ++c)
            QVERIFY(grid->columnWidth(c) >=
                    metrics.horizontalAdvance(grid->model()->index(1, c).data().toString()));
        QCOMPARE(window->width(), grid->width() + 30);
    }

  private:
    std::unique_ptr<ScriptedDialogs> dialogs;
    std::unique_ptr<MainWindow> window;
};

int main(int argc, char **argv)
{
    KelmApplication app(argc, argv);
    AccessibilityTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "netns_tst_accessibility.moc"
