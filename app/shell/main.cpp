// Snipstack: a clipboard manager that keeps what you copy, searchable from one shortcut.
#include "app/model/ProductInfo.h"
#include "app/shell/AppDelegate.h"
#include "app/shell/SingleInstance.h"
#include "app/system/icons/SymbolIcon.h"

#include <QApplication>
#include <QCommandLineParser>
#include <cstdio>

using namespace snipstack;

int main(int argc, char** argv) {
    // Capture, the global shortcut and the paste keystroke are X11's; in a Wayland session XWayland
    // carries them.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "xcb");
    }
    QApplication::setOrganizationName(QStringLiteral("orvend"));
    QApplication::setApplicationName(QStringLiteral("Snipstack"));
    QApplication::setApplicationVersion(QString::fromLatin1(product::version));
    QApplication::setDesktopFileName(QStringLiteral("com.orvend.snipstack"));

    // Read before the application exists, so that --help and --version work without a display.
    QStringList arguments;
    for (int index = 0; index < argc; ++index) {
        arguments << QString::fromLocal8Bit(argv[index]);
    }
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Snipstack keeps a searchable history of what you copy. Started again while it runs, "
                       "it opens the running copy's settings."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption toggle(
        QStringLiteral("toggle"),
        QStringLiteral(
            "Open or close the clipboard of the running Snipstack (starting it if none runs). Bind "
            "your desktop's own shortcut to this where Snipstack's cannot reach, as on Wayland."));
    parser.addOption(toggle);
    if (!parser.parse(arguments)) {
        std::fprintf(stderr, "%s\n", qPrintable(parser.errorText()));
        return 2;
    }
    if (parser.isSet(help)) {
        std::printf("%s", qPrintable(parser.helpText()));
        return 0;
    }
    if (parser.isSet(version)) {
        std::printf("Snipstack %s (%s)\n", product::version, product::buildVersion);
        return 0;
    }

    QApplication application(argc, argv);
    // Closing the last window leaves the tray icon and the shortcut working.
    application.setQuitOnLastWindowClosed(false);
    application.setWindowIcon(applicationIcon());

    SingleInstance instance;
    if (instance.claim() == SingleInstance::Claim::taken) {
        const QString method =
            parser.isSet(toggle) ? QStringLiteral("togglePanel") : QStringLiteral("showSettings");
        if (SingleInstance::callRunning(method)) {
            return 0;
        }
        // The copy that held the name was quitting; unless another has taken it since, this one runs.
        if (instance.claim() == SingleInstance::Claim::taken) {
            return 1;
        }
    }

    AppDelegate delegate(instance);
    delegate.applicationDidFinishLaunching();
    return application.exec();
}
