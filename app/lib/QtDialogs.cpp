#include "app/lib/QtDialogs.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>

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

QString QtDialogs::openFile(const QString &title, const QString &filter)
{
    return QFileDialog::getOpenFileName(m_parent, title, QString(), toQtFilter(filter));
}

QString QtDialogs::saveFile(const QString &title, const QString &filter, const QString &proposedName)
{
    return QFileDialog::getSaveFileName(m_parent, title, proposedName, toQtFilter(filter));
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
    return QFileDialog::getExistingDirectory(m_parent, title);
}
