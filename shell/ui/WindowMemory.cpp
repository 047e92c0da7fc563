#include "shell/ui/WindowMemory.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFileInfo>
#include <QPointer>
#include <QSettings>
#include <QWidget>

namespace windowmemory {

namespace {

bool g_enabled = false;

QSettings settings()
{
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("kelm"), QStringLiteral("kelm"));
}

QString placeKey(const QString &key)
{
    return QStringLiteral("windows/") + key;
}

QString folderKey(const QString &key)
{
    // Dialog titles may hold characters QSettings treats as separators.
    return QStringLiteral("folders/") + QString::fromLatin1(key.toUtf8().toHex());
}

void savePlace(QWidget *window, const QString &key)
{
    if (g_enabled)
        settings().setValue(placeKey(key), window->saveGeometry());
}

// Saves the place of one window when it goes out of sight.
class PlaceKeeper : public QObject
{
  public:
    PlaceKeeper(QWidget *window, const QString &key) : QObject(window), m_window(window), m_key(key)
    {
        window->installEventFilter(this);
        connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this, [this] {
            if (m_window && m_window->isVisible())
                savePlace(m_window, m_key);
        });
    }

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_window && (event->type() == QEvent::Hide || event->type() == QEvent::Close))
            savePlace(m_window, m_key);
        return false;
    }

  private:
    QPointer<QWidget> m_window;
    QString m_key;
};

} // namespace

void setEnabled(bool on)
{
    g_enabled = on;
}

bool enabled()
{
    return g_enabled;
}

void rememberPlace(QWidget *window, const QString &key)
{
    if (!g_enabled || !window || key.isEmpty())
        return;
    const QByteArray saved = settings().value(placeKey(key)).toByteArray();
    if (!saved.isEmpty())
        window->restoreGeometry(saved);
    new PlaceKeeper(window, key);
}

QString lastFolder(const QString &key)
{
    if (!g_enabled)
        return QString();
    const QString folder = settings().value(folderKey(key)).toString();
    return QFileInfo(folder).isDir() ? folder : QString();
}

void keepFolder(const QString &key, const QString &chosenPath)
{
    if (!g_enabled || chosenPath.isEmpty())
        return;
    const QFileInfo chosen(chosenPath);
    settings().setValue(folderKey(key), chosen.isDir() ? chosen.absoluteFilePath() : chosen.absolutePath());
}

} // namespace windowmemory
