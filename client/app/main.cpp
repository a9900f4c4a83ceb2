// The program VKT: Spanish texts for Qt's own buttons and dialogs, then Main. --help and
// --version answer on standard output without opening a window (nor needing a display).
#include <QApplication>
#include <QTranslator>
#include <cstdio>
#include <cstring>

#include "general/message_box.h"
#include "windows/program_main.h"

namespace {

constexpr char kUsage[] =
    "usage: VKT [QT OPTIONS]\n"
    "       VKT --help | --version\n"
    "\n"
    "The desktop program: connects to the server, sends and requests files and shows the\n"
    "day's activity log. One instance per user.\n"
    "  -h, --help         this text\n"
    "  --version          the program's version\n"
    "Qt's own options (-platform NAME, -display DISPLAY, ...) are accepted too.\n"
    "\n"
    "environment:\n"
    "  VKT_HOME           folder of VKT32.cnf, VKT32.log and the instance lock (default:\n"
    "                     $XDG_CONFIG_HOME/vkt and $XDG_STATE_HOME/vkt)\n"
    "  VKT_LIBRARY        full path of libVKT32.so to load\n";

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("VKT %s\n", VKT_VERSION);
        return 0;
    }
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName(vkt::client::ProductName());
    QApplication::setApplicationVersion(QStringLiteral(VKT_VERSION));

    QTranslator qtTranslation;
    if (qtTranslation.load(QStringLiteral("qtbase_es"), QStringLiteral(VKT_QT_TRANSLATIONS_DIR))) {
        QApplication::installTranslator(&qtTranslation);
    }

    vkt::client::Program program;
    if (!program.Main()) return 0;
    const int status = QApplication::exec();
    program.Finish();
    return status;
}
