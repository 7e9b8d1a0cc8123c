// The yardstick for the editor's start-up: a bare main window with the editor's
// menus, shortcuts, font, flags and fixed size, and nothing in it. bench/startup-
// compare starts it and the editor in turn and compares what each costs up to its
// first shown window. Ctrl+Q closes it, as it closes the editor.
#include "EditorLayout.h"
#include "Twips.h"

#include <QAction>
#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Bare window"));
    QFont font = window.font();
    font.setPixelSize(editorLayout::kFontPixelSize);
    window.setFont(font);
    QMenu* file = window.menuBar()->addMenu(QStringLiteral("&File"));
    file->addAction(QStringLiteral("OpenRom"))->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    file->addSeparator();
    QAction* exit = file->addAction(QStringLiteral("Exit"));
    exit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    QObject::connect(exit, &QAction::triggered, &window, &QMainWindow::close);
    QMenu* options = window.menuBar()->addMenu(QStringLiteral("Options"));
    options->addAction(QStringLiteral("unlock numberlists"))->setCheckable(true);
    window.menuBar()->addAction(QStringLiteral("&About"));
    auto* client = new QWidget(&window);
    client->setFixedSize(twips::px(editorLayout::kClientWidth),
                         twips::px(editorLayout::kClientHeight));
    window.setCentralWidget(client);
    window.setWindowFlags(twips::kFixedWindowFlags);
    const int menuHeight = window.menuBar()->sizeHint().height();
    window.setFixedSize(twips::px(editorLayout::kClientWidth),
                        twips::px(editorLayout::kClientHeight) + menuHeight);
    window.show();
    return app.exec();
}
