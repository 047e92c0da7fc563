#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

// One workbench per user and network namespace. The first instance holds a local server named after
// the application title; a later one finds it, asks it to come to the front and is told to end.
// The server lives in the abstract socket namespace: nothing is left behind when a program dies,
// and it is scoped like the UDP port that is the guard's second half.
class InstanceGuard : public QObject
{
    Q_OBJECT
  public:
    explicit InstanceGuard(QObject *parent = nullptr);
    ~InstanceGuard() override;

    // True when this is the only instance (and now holds the name). False when another instance
    // holds it; that instance has then been asked to come to the front.
    bool claim(const QString &title);

    static QString serverName(const QString &title);

  signals:
    // Another copy was started and asks this one to come to the front.
    void activationRequested();

  private:
    void onNewConnection();

    QLocalServer *m_server = nullptr;
};
