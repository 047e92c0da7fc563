#include "app/lib/QtDialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>

#include "shell/ui/WindowMemory.h"

namespace {

QString displayText(const QString &text)
{
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return shown;
}

int runBox(QWidget *parent, QMessageBox::Icon icon, const QString &caption, const QString &text,
           QMessageBox::StandardButtons buttons, const QPoint *at)
{
    QMessageBox box(icon, caption, displayText(text), buttons, parent);
    box.setTextFormat(Qt::PlainText);
    if (at) {
        box.adjustSize();
        box.move(*at);
    }
    return box.exec();
}

} // namespace

QString QtDialogs::toQtFilter(const QString &filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        const QString &description = parts[i];
        const QString pattern = QString(parts[i + 1]).replace(QLatin1Char(';'), QLatin1Char(' '));
        out << (description.contains(QLatin1Char('('))
                    ? description
                    : description + QStringLiteral(" (") + pattern + QLatin1Char(')'));
    }
    if (out.isEmpty() && !filter.isEmpty())
        out << filter;
    return out.join(QStringLiteral(";;"));
}

// Each dialog, known by its title, opens in the folder it was last used in.
QString QtDialogs::openFile(const QString &title, const QString &filter)
{
    const QString chosen =
        QFileDialog::getOpenFileName(m_parent, title, windowmemory::lastFolder(title), toQtFilter(filter));
    windowmemory::keepFolder(title, chosen);
    return chosen;
}

QString QtDialogs::saveFile(const QString &title, const QString &filter, const QString &proposedName)
{
    const QString folder = windowmemory::lastFolder(title);
    const QString start = folder.isEmpty() ? proposedName : QDir(folder).filePath(proposedName);
    const QString chosen = QFileDialog::getSaveFileName(m_parent, title, start, toQtFilter(filter));
    windowmemory::keepFolder(title, chosen);
    return chosen;
}

bool QtDialogs::confirm(const QString &caption, const QString &text, const QPoint *at)
{
    return runBox(m_parent, QMessageBox::Warning, caption, text, QMessageBox::Ok | QMessageBox::Cancel, at) ==
           QMessageBox::Ok;
}

void QtDialogs::information(const QString &caption, const QString &text, const QPoint *at)
{
    runBox(m_parent, QMessageBox::Information, caption, text, QMessageBox::Ok, at);
}

void QtDialogs::warning(const QString &caption, const QString &text)
{
    runBox(m_parent, QMessageBox::Warning, caption, text, QMessageBox::Ok, nullptr);
}

void QtDialogs::error(const QString &caption, const QString &text)
{
    runBox(m_parent, QMessageBox::Critical, caption, text, QMessageBox::Ok, nullptr);
}

QString QtDialogs::chooseFolder(const QString &title)
{
    const QString chosen = QFileDialog::getExistingDirectory(m_parent, title, windowmemory::lastFolder(title));
    windowmemory::keepFolder(title, chosen);
    return chosen;
}
