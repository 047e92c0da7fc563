#pragma once

// The EDID Controller page and the EDID Analyzer window on a session that talks to a simulated
// device over a real pseudo-terminal, with dialogs answered by the test.

#include <QColor>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>

#include <memory>

#include "ScriptedDialogs.h"
#include "shell/DebugLog.h"
#include "shell/Pause.h"
#include "devsim/lib/SimulatedDevice.h"
#include "ReplyForm.h"
#include "link/DeviceSession.h"
#include "workbench/EdidAnalyzerWindow.h"
#include "workbench/EdidControllerPage.h"
#include "workbench/EdidCreatorPage.h"

// Records every text a label shows (with its colour), sampled while the page pauses.
class LabelRecorder
{
  public:
    struct Shown
    {
        QString text;
        QColor color;
        bool operator==(const Shown &) const = default;
    };
    QList<Shown> shown;

    explicit LabelRecorder(QLabel *label) : m_label(label)
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] { sample(); });
        m_timer.start(5);
    }
    void sample()
    {
        const Shown now{m_label->text(), m_label->palette().color(QPalette::WindowText)};
        if (shown.isEmpty() || !(shown.last() == now))
            shown << now;
    }
    QStringList texts() const
    {
        QStringList t;
        for (const Shown &s : shown)
            t << s.text;
        return t;
    }
    bool showedIn(const QString &text, const QColor &color) const
    {
        for (const Shown &s : shown)
            if (s.text == text && s.color == color)
                return true;
        return false;
    }

  private:
    QLabel *m_label;
    QTimer m_timer;
};

struct ControllerRig
{
    DebugLog log;
    DeviceSession session{log};
    SimulatedDevice device;
    ScriptedDialogs dialogs;
    EdidAnalyzerWindow analyzer;
    QTabWidget pages; // PageControl1: owns the two pages
    EdidControllerPage &page;
    EdidCreatorPage &creator;

    explicit ControllerRig(const SimulatedDeviceConfig &config = {})
        : device(inTestedReplyForm(config)), page(*new EdidControllerPage(log)), creator(*new EdidCreatorPage(session))
    {
        pages.setObjectName(QStringLiteral("PageControl1"));
        pages.addTab(&page, QStringLiteral("EDID Controller"));
        pages.addTab(&creator, QStringLiteral("EDID Creator"));
        page.attachSession(session, &analyzer);
        analyzer.setCreatorPage(&creator);
    }

    bool connect()
    {
        if (!device.start())
            return false;
        session.transport().setPortOverride({device.portPath()});
        session.search();
        device.clearRequests();
        if (!session.connected())
            qWarning().noquote() << "search failed; debug log:" << log.text();
        return session.connected();
    }

    ~ControllerRig()
    {
        if (session.connected())
            session.disconnect();
        pauseWithEvents(1);
    }

    template <typename T> T *child(const char *name) const
    {
        T *w = page.findChild<T *>(QString::fromLatin1(name));
        if (!w)
            w = analyzer.findChild<T *>(QString::fromLatin1(name));
        return w;
    }

    // The operator picks an item of a list.
    void pick(const char *list, int index)
    {
        auto *combo = child<QComboBox>(list);
        combo->setCurrentIndex(index);
        emit combo->activated(index);
    }

    QList<QByteArray> requestLines() const
    {
        QList<QByteArray> lines;
        for (const SimulatedRequest &r : device.requests())
            lines << r.line;
        return lines;
    }
};

// A request line with its CRC, as the tests spell them: "$SET ND_SEL 2001" + "66A3".
inline QByteArray line(const char *text, const char *crc)
{
    return QByteArray(text) + crc;
}

// An image the validation accepts, distinct per seed.
inline EdidImage validImage(std::uint8_t seed)
{
    EdidImage image;
    image.bytes.fill(0);
    const std::uint8_t header[8] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
    std::copy(header, header + 8, image.begin());
    image[8] = 0x12;
    image[9] = seed;
    image[126] = 1;
    image[128] = 0x02;
    image[129] = 0x03;
    image[130] = seed;
    setEdidChecksums(image);
    return image;
}
