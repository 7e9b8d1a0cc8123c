// The Open dialog, the real one, driven as a user would.
#include "CommonDialog.h"
#include "ModalWatch.h"
#include "Modals.h"

#include <QComboBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QTemporaryDir>
#include <QTest>

using fixtures::whenModal;

class TestCommonDialog : public QObject {
    Q_OBJECT
private slots:
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

QTEST_MAIN(TestCommonDialog)
#include "test_commondialog.moc"
