// The start-up anchor: a Qt Widgets program with a main window and a table, nothing else. It prints
// the moment its window first reaches the screen the way kelm does with KELM_STARTUP_TRACE, so
// bench/kelm_startup.sh can time both alike.
#include <QApplication>
#include <QDateTime>
#include <QEvent>
#include <QMainWindow>
#include <QTableWidget>
#include <QWindow>

#include <cstdio>

namespace {
class FirstExpose : public QObject
{
  protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *window = qobject_cast<QWindow *>(watched);
        if (event->type() == QEvent::Expose && window && window->isExposed()) {
            std::fprintf(stderr, "anchor: main window shown at %lld ms\n",
                         static_cast<long long>(QDateTime::currentMSecsSinceEpoch()));
            std::fflush(stderr);
            window->removeEventFilter(this);
        }
        return false;
    }
};
} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QMainWindow window;
    auto *table = new QTableWidget(0, 6, &window);
    table->setHorizontalHeaderLabels({"#", "Interface", "Product", "Description", "IP Address", "MAC Address"});
    window.setCentralWidget(table);
    FirstExpose trace;
    window.winId(); // the window handle exists before the first show
    window.windowHandle()->installEventFilter(&trace);
    window.show();
    return app.exec();
}
