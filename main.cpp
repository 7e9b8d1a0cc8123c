// QuendleStoreEdit: starts the editor window; the program ends when its last window
// is closed.
#include "Form1.h"
#include "Modals.h"
#include "ProgramInfo.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(program::kTitle));
    QApplication::setApplicationVersion(QString::fromLatin1(program::kVersionText));
    DesktopModals modals;
    store::PosixFileOps files;
    Form1 form1(modals, files);
    QApplication::setWindowIcon(form1.windowIcon());
    form1.show();
    return QApplication::exec();
}
