// QuendleStoreEdit [FILE]: starts the editor window, and opens FILE in it as if the
// file dialog had returned it; the program ends when its last window is closed.
// --help and --version print and exit without a display. The options every Qt
// program takes (-style Fusion, -platform xcb, -reverse, ...) are left to Qt.
#include "EditorWindow.h"
#include "Modals.h"
#include "ProgramInfo.h"

#include <QApplication>
#include <QByteArray>
#include <QFileInfo>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

namespace {

constexpr char kDesktopFileName[] = "org.quendlestoreedit.QuendleStoreEdit";
constexpr int kUsageError = 2;
constexpr int kNoDisplay = 1;

constexpr char kUsage[] =
    "Usage: %s [OPTION] [FILE]\n"
    "Edit the stores of a SNES ROM image: each of its 65 stores, seven item slots each,\n"
    "shown by name; Save writes a store's seven bytes back into the image in place.\n"
    "\n"
    "With FILE, the editor opens that image at start-up, as File > OpenRom would.\n"
    "\n"
    "  -h, --help     show this help and exit\n"
    "  -v, --version  show the version and exit\n"
    "\n"
    "The options of every Qt program are taken too: -style STYLE, -platform NAME,\n"
    "-reverse, -stylesheet FILE, -qwindowgeometry GEOMETRY and the others.\n";

// The options every Qt program takes, which QApplication removes from the command
// line it is given; those in the first list take a value (-style Fusion, or
// -style=Fusion). Either may be written with one dash or two.
constexpr const char* kQtOptionsWithValue[] = {"style",
                                               "stylesheet",
                                               "platform",
                                               "platformpluginpath",
                                               "platformtheme",
                                               "plugin",
                                               "qwindowgeometry",
                                               "geometry",
                                               "qwindowicon",
                                               "icon",
                                               "qwindowtitle",
                                               "title",
                                               "session",
                                               "display",
                                               "name"};
constexpr const char* kQtOptionsAlone[] = {"reverse", "widgetcount", "nograb",
                                           "dograb",  "sync",        "testability"};

// How many command-line words the Qt option at argv[i] takes (itself and its
// value), or 0 when it is none of Qt's.
int qtOptionWords(int argc, char** argv, int i) {
    std::string_view word = argv[i];
    if (word.starts_with("--"))
        word.remove_prefix(2);
    else if (word.starts_with("-"))
        word.remove_prefix(1);
    else
        return 0;
    const auto equals = word.find('=');
    const std::string_view name = word.substr(0, equals);
    for (const char* option : kQtOptionsWithValue)
        if (name == option)
            return equals != std::string_view::npos || i + 1 >= argc ? 1 : 2;
    for (const char* option : kQtOptionsAlone)
        if (word == option)
            return 1;
    return 0;
}

struct Arguments {
    bool help = false;
    bool version = false;
    std::optional<std::string> file;
    std::string error; // a usage error, when not empty
};

Arguments parse(int argc, char** argv) {
    Arguments arguments;
    bool optionsEnd = false;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (!optionsEnd && argument == "--") {
            optionsEnd = true;
        } else if (!optionsEnd && (argument == "-h" || argument == "--help")) {
            arguments.help = true;
        } else if (!optionsEnd && (argument == "-v" || argument == "--version")) {
            arguments.version = true;
        } else if (const int words = optionsEnd ? 0 : qtOptionWords(argc, argv, i); words > 0) {
            i += words - 1; // Qt's own, which QApplication takes
        } else if (!optionsEnd && argument.size() > 1 && argument[0] == '-') {
            arguments.error = "unknown option '" + argument + "'";
            return arguments;
        } else if (arguments.file) {
            arguments.error = "more than one file: '" + *arguments.file + "' and '" + argument +
                              "'; the editor opens one image at a time";
            return arguments;
        } else {
            arguments.file = argument;
        }
    }
    return arguments;
}

bool hasEnvironment(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

// Until the window system is up, Qt's messages are kept back: when it cannot start,
// one line says why instead of Qt's report and an abort.
QByteArray g_heldBack;

void startupMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type != QtFatalMsg) {
        g_heldBack += message.toLocal8Bit() + '\n';
        return;
    }
    const QByteArray display = qgetenv("DISPLAY");
    if (g_heldBack.contains("could not connect to display"))
        std::fprintf(stderr, "%s: cannot connect to the display \"%s\".\n", program::kTitle,
                     display.constData());
    else
        std::fprintf(stderr, "%s: cannot start the window system: %s\n", program::kTitle,
                     message.section(QLatin1Char('\n'), 0, 0).toLocal8Bit().constData());
    std::fflush(stderr);
    std::_Exit(kNoDisplay);
}

} // namespace

int main(int argc, char** argv) {
    const Arguments arguments = parse(argc, argv);
    if (!arguments.error.empty()) {
        std::fprintf(stderr, "%s: %s\nTry '%s --help' for more information.\n", program::kTitle,
                     arguments.error.c_str(), program::kTitle);
        return kUsageError;
    }
    if (arguments.help) {
        std::printf(kUsage, program::kTitle);
        return EXIT_SUCCESS;
    }
    if (arguments.version) {
        std::printf("%s %s\n", program::kTitle, program::kVersionText);
        return EXIT_SUCCESS;
    }
    if (!hasEnvironment("DISPLAY") && !hasEnvironment("WAYLAND_DISPLAY") &&
        !hasEnvironment("QT_QPA_PLATFORM")) {
        std::fprintf(stderr, "%s: no display to show the editor on (DISPLAY is not set).\n",
                     program::kTitle);
        return kNoDisplay;
    }

    const QtMessageHandler usual = qInstallMessageHandler(startupMessages);
    QApplication app(argc, argv);
    qInstallMessageHandler(usual);
    if (!g_heldBack.isEmpty())
        std::fputs(g_heldBack.constData(), stderr);

    QApplication::setApplicationName(QString::fromLatin1(program::kTitle));
    QApplication::setApplicationVersion(QString::fromLatin1(program::kVersionText));
    QGuiApplication::setDesktopFileName(QString::fromLatin1(kDesktopFileName));
    DesktopModals modals;
    store::PosixFileOps files;
    EditorWindow form1(modals, files);
    QApplication::setWindowIcon(form1.windowIcon());
    form1.show();
    if (arguments.file) {
        // As the dialog reports a chosen file: by its absolute path.
        const QString path =
            QFileInfo(QString::fromLocal8Bit(arguments.file->c_str())).absoluteFilePath();
        QTimer::singleShot(0, &form1, [&form1, path] { form1.openFile(path); });
    }
    return QApplication::exec();
}
