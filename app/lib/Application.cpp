#include "app/lib/Application.h"

#include <QCommandLineParser>
#include <cstdio>
#include <exception>
#include <memory>

#include "shell/Dialogs.h"
#include "app/lib/KelmApplication.h"
#include "app/lib/MainWindow.h"
#include "app/lib/QtDialogs.h"
#include "shell/ui/WindowMemory.h"

bool parseStartupOptions(const QStringList &arguments, StartupOptions &options, QString &error)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Workbench for the EDID store of an HDMI distribution device."));
    parser.addHelpOption();
    parser.addOption({QStringLiteral("port"),
                      QStringLiteral("Serial port to search instead of the system's list (repeatable)."),
                      QStringLiteral("PATH")});
    parser.addOption({QStringLiteral("demo"),
                      QStringLiteral("Start a simulated serial device (listed first) and network device.")});
    if (!parser.parse(arguments)) {
        error = parser.errorText();
        return false;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        error = parser.helpText();
        return false;
    }
    if (!parser.positionalArguments().isEmpty()) {
        error = QStringLiteral("Unexpected argument: %1").arg(parser.positionalArguments().constFirst());
        return false;
    }
    options.ports = parser.values(QStringLiteral("port"));
    options.demo = parser.isSet(QStringLiteral("demo"));
    return true;
}

int runWorkbench(int argc, char **argv)
{
    // --help needs no display: answer it before the windowing system is touched.
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "--help" || arg == "-h" || arg == "--help-all") {
            QCoreApplication core(argc, argv);
            StartupOptions ignored;
            QString help;
            parseStartupOptions({QCoreApplication::arguments().constFirst(), QStringLiteral("--help")},
                                ignored, help);
            std::fprintf(stdout, "%s\n", qPrintable(help));
            return 0;
        }
    }

    KelmApplication app(argc, argv);
    StartupOptions options;
    QString error;
    if (!parseStartupOptions(QCoreApplication::arguments(), options, error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 2;
    }

    // KELM_HEADLESS_DIALOGS keeps scripted runs from blocking on a message box: messages go to
    // stderr and questions are answered with Cancel.
    std::unique_ptr<QtDialogs> qtDialogs;
    if (!qEnvironmentVariableIsSet("KELM_HEADLESS_DIALOGS")) {
        qtDialogs = std::make_unique<QtDialogs>();
        setDialogs(qtDialogs.get());
    }

    // The real program keeps its window places and dialog folders between runs, and shows its
    // main window before it makes the rest.
    windowmemory::setEnabled(true);
    options.deferSecondaryWindows = true;
    std::unique_ptr<MainWindow> window;
    try {
        window = std::make_unique<MainWindow>(options);
    } catch (const std::exception &e) {
        KelmApplication::showException(QString::fromLocal8Bit(e.what()));
        return 0;
    } catch (...) {
        KelmApplication::showException(QStringLiteral("An unknown error occurred."));
        return 0;
    }
    if (qtDialogs)
        qtDialogs->setParent(window.get());
    if (window->startupRefused())
        return 0; // another instance runs: end without showing this one
    window->show();
    const int status = app.exec();
    setDialogs(nullptr);
    return status;
}
