#include "app/lib/Application.h"

#include <QApplication>
#include <QMainWindow>

int runWorkbench(int argc, char **argv)
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("KELM 2016"));
    window.show();
    return app.exec();
}
