// The real message boxes behind the Modals seam, driven as a user would.
#include "ModalWatch.h"
#include "Modals.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>

using fixtures::whenModal;

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
};

QTEST_MAIN(TestModals)
#include "test_modals.moc"
