// The program VKT: Spanish texts for Qt's own buttons and dialogs, then Main.
#include <QApplication>
#include <QTranslator>

#include "general/message_box.h"
#include "windows/program_main.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(vkt::client::ProductName());

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
