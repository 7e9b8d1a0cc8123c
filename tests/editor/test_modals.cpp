// The real dialogs, driven as a user would: each is closed from a timer that waits
// for it to become the active modal widget.
#include "CommonDialog.h"
#include "Modals.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

namespace {

// Runs inspect on the next modal widget of type T once it is shown, then closes it.
template <typename T> void whenModal(std::function<void(T*)> inspect, bool* seen) {
    auto* timer = new QTimer;
    QElapsedTimer* clock = new QElapsedTimer;
    clock->start();
    QObject::connect(timer, &QTimer::timeout, timer, [=] {
        if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
            timer->stop();
            inspect(dialog);
            *seen = true;
            dialog->close();
        } else if (clock->elapsed() > 10000) {
            timer->stop(); // deadline: let the test fail instead of hanging
            if (auto* any = QApplication::activeModalWidget())
                any->close();
        } else {
            return;
        }
        timer->deleteLater();
        delete clock;
    });
    timer->start(20);
}

} // namespace

class TestModals : public QObject {
    Q_OBJECT
private slots:
    void messageBoxHasTitleOkAndNoIcon() {
        DesktopModals modals;
        bool seen = false;
        whenModal<QMessageBox>(
            [](QMessageBox* box) {
                QCOMPARE(box->windowTitle(), QStringLiteral("QuendleStoreEdit"));
                QCOMPARE(box->text(), QStringLiteral("saved current store"));
                QCOMPARE(box->icon(), QMessageBox::NoIcon);
                QCOMPARE(box->standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
            },
            &seen);
        modals.message(nullptr, QStringLiteral("saved current store"));
        QVERIFY(seen);
    }

    // A box shows its text as it is, never as markup, and fits on the screen, also
    // for the longest path a system allows and for a path without a single blank.
    void boxesShowPlainTextThatFits_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("error");
        QTest::newRow("a folder named with markup")
            << QStringLiteral("/tmp/<b>bold</b> & <i>roms</i>/a.smc") << false;
        QTest::newRow("an error naming it")
            << QStringLiteral("Cannot open \"/tmp/<b>x</b>.smc\".") << true;
        QTest::newRow("a 4096-character path without blanks")
            << QStringLiteral("/") + QString(4090, QLatin1Char('d')) + QStringLiteral(".smc")
            << false;
        QTest::newRow("an error quoting that path")
            << QStringLiteral("Cannot open \"/%1.smc\": No such file or directory.")
                   .arg(QString(4090, QLatin1Char('d')))
            << true;
    }
    void boxesShowPlainTextThatFits() {
        QFETCH(QString, text);
        QFETCH(bool, error);
        DesktopModals modals;
        bool seen = false;
        whenModal<QMessageBox>(
            [&](QMessageBox* box) {
                QCOMPARE(box->textFormat(), Qt::PlainText);
                // As it is, but for invisible break opportunities in long runs.
                QCOMPARE(QString(box->text()).remove(QChar(0x200B)), text);
                const QRect screen = box->screen()->availableGeometry();
                QVERIFY2(screen.contains(box->frameGeometry()),
                         qPrintable(QStringLiteral("%1x%2 on a %3x%4 screen")
                                        .arg(box->frameGeometry().width())
                                        .arg(box->frameGeometry().height())
                                        .arg(screen.width())
                                        .arg(screen.height())));
                auto* ok = box->button(QMessageBox::Ok);
                QVERIFY(ok && screen.contains(QRect(ok->mapToGlobal(QPoint(0, 0)), ok->size())));
            },
            &seen);
        if (error)
            modals.error(nullptr, text);
        else
            modals.message(nullptr, text);
        QVERIFY(seen);
    }

    // The dialog shows "Snes Rom (*.smc)" and lists files whose names match *.smc*.
    void fileDialogShowsTheRomFilter() {
        QTemporaryDir dir;
        for (const char* name : {"a.smc", "b.smc.bak", "c.sfc"}) {
            QFile file(dir.filePath(QString::fromLatin1(name)));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        DesktopModals modals;
        CommonDialog dialog(modals, nullptr);
        dialog.setFilter(QStringLiteral("Snes Rom (*.smc)|*.smc*"));
        QCOMPARE(dialog.qtNameFilter(), QStringLiteral("Snes Rom (*.smc) (*.smc*)"));
        bool seen = false;
        whenModal<QFileDialog>(
            [&](QFileDialog* fileDialog) {
                auto* filters = fileDialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
                QVERIFY(filters);
                QCOMPARE(filters->currentText(), QStringLiteral("Snes Rom (*.smc)"));
                fileDialog->setDirectory(dir.path());
                auto* model = fileDialog->findChild<QFileSystemModel*>();
                QVERIFY(model);
                QCOMPARE(model->nameFilters(), QStringList{QStringLiteral("*.smc*")});
                const QModelIndex folder = model->index(dir.path());
                QTRY_COMPARE(model->rowCount(folder), 2);
                QStringList listed;
                for (int row = 0; row < model->rowCount(folder); ++row)
                    listed << model->index(row, 0, folder).data().toString();
                listed.sort();
                QCOMPARE(listed,
                         QStringList({QStringLiteral("a.smc"), QStringLiteral("b.smc.bak")}));
                QVERIFY(!model->nameFilterDisables());
            },
            &seen);
        dialog.showOpen();
        QVERIFY(seen);
        QCOMPARE(dialog.fileName(), QString()); // cancelled: the name stays as it was
    }
};

QTEST_MAIN(TestModals)
#include "test_modals.moc"
