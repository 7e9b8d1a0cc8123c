// dragsource FILE: a window titled "drag source" that starts a drag of FILE, as a
// file manager does (text/uri-list), when the mouse is pressed in it; prints
// "dropped" or "refused" when the drag ends, and quits. For the end-to-end test.
#include <QApplication>
#include <QDrag>
#include <QFileInfo>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>
#include <QWidget>
#include <cstdio>

namespace {

class DragSource : public QWidget {
public:
    explicit DragSource(QString path) : path_(std::move(path)) {
        setWindowTitle(QStringLiteral("drag source"));
        resize(200, 200);
    }

protected:
    void mousePressEvent(QMouseEvent*) override {
        auto* data = new QMimeData;
        data->setUrls({QUrl::fromLocalFile(QFileInfo(path_).absoluteFilePath())});
        auto* drag = new QDrag(this);
        drag->setMimeData(data);
        const Qt::DropAction done = drag->exec(Qt::CopyAction);
        std::puts(done == Qt::IgnoreAction ? "refused" : "dropped");
        std::fflush(stdout);
        QApplication::quit();
    }

private:
    QString path_;
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fputs("usage: dragsource FILE\n", stderr);
        return 2;
    }
    DragSource source(QString::fromLocal8Bit(argv[1]));
    source.move(700, 100);
    source.show();
    return QApplication::exec();
}
