#include "app/lib/KelmApplication.h"

#include <exception>

#include "shell/Dialogs.h"

KelmApplication::KelmApplication(int &argc, char **argv) : QApplication(argc, argv) {}

bool KelmApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception &e) {
        showException(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        showException(QStringLiteral("An unknown error occurred."));
    }
    return false;
}

void KelmApplication::showException(const QString &message)
{
    dialogs().error(QCoreApplication::applicationName(), message);
}
