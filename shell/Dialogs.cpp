#include "shell/Dialogs.h"

#include <QDebug>

namespace {

// Used when nobody installed dialogs (kelmctl, tests that do not expect questions): every question
// is answered "no" and every message goes to the Qt log, so nothing blocks.
class HeadlessDialogs final : public Dialogs
{
public:
    QString openFile(const QString &, const QString &) override { return {}; }
    QString saveFile(const QString &, const QString &, const QString &) override { return {}; }
    bool confirm(const QString &, const QString &, const QPoint *) override { return false; }
    void information(const QString &caption, const QString &text, const QPoint *) override
    {
        qInfo().noquote() << caption << ":" << text;
    }
    void warning(const QString &caption, const QString &text) override
    {
        qWarning().noquote() << caption << ":" << text;
    }
    void error(const QString &caption, const QString &text) override
    {
        qCritical().noquote() << caption << ":" << text;
    }
};

HeadlessDialogs g_headless;
Dialogs *g_dialogs = &g_headless;

} // namespace

Dialogs &dialogs()
{
    return *g_dialogs;
}

void setDialogs(Dialogs *d)
{
    g_dialogs = d ? d : &g_headless;
}
