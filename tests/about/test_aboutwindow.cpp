#include "AboutWindow.h"
#include "EditorWindow.h"
#include "FakeModals.h"
#include "PictureBox.h"
#include "ScriptedFileOps.h"

#include <QAction>
#include <QLabel>
#include <QTest>

namespace {

const QString kAboutCaption = QStringLiteral("Quendle store Edit revesion#%1").arg(QSE_REVISION);
const QString kPictureMessage = QStringLiteral("DONT FREAKIN CLICK ON THE PICTURES!!!");

int aboutWindows() {
    int count = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        count += qobject_cast<AboutWindow*>(w) && w->isVisible();
    return count;
}

QList<QWidget*> openWindows() {
    QList<QWidget*> open;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->isWindow())
            open << w;
    return open;
}

} // namespace

class TestAboutWindow : public QObject {
    Q_OBJECT
private slots:
    void layout_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<QString>("text");
        QTest::newRow("Picture1") << "Picture1" << QRect(8, 96, 257, 225) << "";
        QTest::newRow("Label3") << "Label3" << QRect(56, 64, 145, 17) << "";
        QTest::newRow("Label2") << "Label2" << QRect(40, 48, 177, 17) << "";
        QTest::newRow("Label1") << "Label1" << QRect(48, 24, 169, 17)
                                << "Quendlestore editor Alpha v 1.02.0002";
    }
    void layout() {
        QFETCH(QString, name);
        QFETCH(QRect, geometry);
        QFETCH(QString, text);
        FakeModals modals;
        AboutWindow form(modals);
        auto* widget = form.findChild<QWidget*>(name);
        QVERIFY(widget);
        QCOMPARE(widget->geometry(), geometry);
        QVERIFY(widget->isEnabled());
        if (auto* label = qobject_cast<QLabel*>(widget)) {
            QVERIFY(!label->text().isEmpty());
            QVERIFY(label->fontMetrics().horizontalAdvance(label->text()) <= label->width());
            if (!text.isEmpty())
                QCOMPARE(label->text(), text);
        }
        // Created in the window's own order: picture, projectLabel, creditLabel, versionLabel.
        const QStringList order = {QStringLiteral("Picture1"), QStringLiteral("Label3"),
                                   QStringLiteral("Label2"), QStringLiteral("Label1")};
        QCOMPARE(form.children().indexOf(widget),
                 form.children().indexOf(form.picture()) + int(order.indexOf(name)));
    }

    void windowAndPicture() {
        FakeModals modals;
        AboutWindow form(modals);
        QCOMPARE(form.windowTitle(), QStringLiteral("About")); // until the first load
        form.showWindow();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(form.geometry(), QRect(379, 248, 271, 321));
        QCOMPARE(form.minimumSize(), form.maximumSize());
        QVERIFY(!(form.windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(!(form.windowFlags() & Qt::WindowMinimizeButtonHint));
        QVERIFY(form.windowFlags() & Qt::WindowCloseButtonHint);
        QCOMPARE(form.picture()->picture().size(), QSize(256, 223));
        QVERIFY(form.picture()->picture().toImage().colorCount() <= 256);
        QList<QSize> sizes = form.windowIcon().availableSizes();
        std::sort(sizes.begin(), sizes.end(),
                  [](QSize a, QSize b) { return a.width() < b.width(); });
        QCOMPARE(sizes, QList<QSize>({QSize(16, 16), QSize(32, 32), QSize(32, 32)}));
    }

    // Each load sets the caption; showing it while open only raises it.
    void aboutCommandLoadsOnceWhileOpen() {
        FakeModals modals;
        ScriptedFileOps files;
        EditorWindow editor(modals, files);
        editor.show();
        editor.aboutAction()->trigger();
        AboutWindow* about = editor.aboutWindow();
        QVERIFY(about);
        QVERIFY(QTest::qWaitForWindowExposed(about));
        QCOMPARE(about->windowTitle(), kAboutCaption);
        QCOMPARE(about->parentWidget(), nullptr);
        QCOMPARE(about->windowModality(), Qt::NonModal);
        QCOMPARE(QApplication::activeModalWidget(), nullptr);

        about->setWindowTitle(QStringLiteral("marked"));
        editor.aboutAction()->trigger(); // open already: no load, no second window
        QCOMPARE(editor.aboutWindow(), about);
        QCOMPARE(about->windowTitle(), QStringLiteral("marked"));
        QCOMPARE(aboutWindows(), 1);

        about->close();
        editor.aboutAction()->trigger(); // closed: loaded anew, the same object
        QCOMPARE(editor.aboutWindow(), about);
        QVERIFY(about->isVisible());
        QCOMPARE(about->windowTitle(), kAboutCaption);

        // The editor stays usable beside it.
        editor.openAction()->trigger();
        QCOMPARE(modals.messages(), QStringList{QString()});
    }

    void onlyThePictureAnswersClicks() {
        FakeModals modals;
        AboutWindow form(modals);
        form.showWindow();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTest::mouseClick(form.picture(), Qt::LeftButton);
        QTest::mouseClick(form.picture(), Qt::LeftButton);
        QCOMPARE(modals.messages(), QStringList({kPictureMessage, kPictureMessage}));
        QCOMPARE(modals.lastParent, &form);
        QTest::mouseClick(form.versionLabel(), Qt::LeftButton);
        QTest::mouseClick(form.projectLabel(), Qt::LeftButton);
        QTest::mouseClick(&form, Qt::LeftButton, {}, QPoint(2, 2));
        QCOMPARE(modals.shown.size(), std::size_t(2));
        QCOMPARE(form.windowTitle(), kAboutCaption);
    }

    // Exit closes the editor alone; the program, which ends when no window is left
    // open, runs on until the About window is closed too.
    void exitLeavesTheAboutWindowOpen() {
        FakeModals modals;
        ScriptedFileOps files;
        EditorWindow editor(modals, files);
        editor.show();
        editor.aboutAction()->trigger();
        editor.exitAction()->trigger();
        QVERIFY(!editor.isVisible());
        QCOMPARE(openWindows(), QList<QWidget*>{editor.aboutWindow()});
        editor.aboutWindow()->close();
        QCOMPARE(openWindows(), QList<QWidget*>{});
    }
};

QTEST_MAIN(TestAboutWindow)
#include "test_aboutwindow.moc"
