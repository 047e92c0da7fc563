#include "workbench/ConformanceLog.h"

#include <QMetaObject>
#include <QPointer>
#include <QThreadPool>

#include "shell/DebugLog.h"

QString conformanceLogLine(const EdidConformity &conformity)
{
    return QStringLiteral("Conformance check: %1 (edid-decode).\r\n")
        .arg(QString::fromStdString(edidConformitySummary(conformity)));
}

void logConformanceSummary(DebugLog &log, const EdidImage &image)
{
    const auto checker = findEdidChecker();
    if (!checker)
        return;
    QPointer<DebugLog> target(&log);
    // The checker is another program: run it off the window's thread so a slow one never holds a
    // click; the line is appended on the log's own thread.
    QThreadPool::globalInstance()->start([target, path = *checker, image] {
        const EdidCheckRun run = runEdidChecker(path, image);
        const QString line = run.ok() ? conformanceLogLine(run.conformity)
                                      : QStringLiteral("Conformance check failed: %1\r\n")
                                            .arg(QString::fromStdString(run.error));
        if (target)
            QMetaObject::invokeMethod(target.data(), [target, line] {
                if (target)
                    target->append(line);
            }, Qt::QueuedConnection);
    });
}
