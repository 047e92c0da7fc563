#pragma once

#include <QApplication>

// The workbench's application object. An exception that escapes an event handler is shown in an
// error box and the event loop goes on, so one failed action never takes the program down.
class KelmApplication : public QApplication
{
    Q_OBJECT
  public:
    KelmApplication(int &argc, char **argv);

    bool notify(QObject *receiver, QEvent *event) override;

    // Shows the message of an exception that nobody caught, in the program's error box.
    static void showException(const QString &message);
};
