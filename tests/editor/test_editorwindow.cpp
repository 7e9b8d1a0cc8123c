#include "BadFiles.h"
#include "EditorLayout.h"
#include "EditorWindow.h"
#include "FakeModals.h"
#include "Fixtures.h"
#include "ImageFile.h"
#include "ScriptedFileOps.h"
#include "UserInput.h"

#include <QAction>
#include <QDropEvent>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>
#include <cerrno>
#include <filesystem>
#include <limits>
#include <unistd.h>

using fixtures::BadFile;
using fixtures::Folder;
using tools::Image;

namespace {

const QString kCaption = QStringLiteral("Quendle store edit");
const QString kPossessed = QStringLiteral("Quendle store edit Rom is possessed, Boo!");
const QString kSaved = QStringLiteral("saved current store");

// One editor window with its scripted dialogs and a folder for images.
struct Editor {
    FakeModals modals;
    ScriptedFileOps files;
    Folder folder;
    EditorWindow form{modals, files};

    Editor() { form.show(); }

    // Opens image (written as rom.smc) through OpenRom, answering the dialog.
    std::string open(const Image& image, const char* name = "rom.smc") {
        const auto path = folder.write(name, image);
        openPath(QString::fromStdString(path));
        return path;
    }
    void openPath(const QString& path) {
        modals.fileAnswers.push_back(path);
        form.openAction()->trigger();
    }

    QStringList slotTexts() const {
        QStringList texts;
        for (int k = 1; k <= 7; ++k)
            texts << form.slotField(k)->text();
        return texts;
    }
    QList<int> itemPositions() const {
        QList<int> positions;
        for (int k = 1; k <= 7; ++k)
            positions << form.itemList(k)->position();
        return positions;
    }
    bool anyListEnabled() const {
        bool any = form.saveButton()->isEnabled() || form.storeNumberList()->isEnabled() ||
                   form.storeNameList()->isEnabled();
        for (int k = 1; k <= 7; ++k)
            any = any || form.itemList(k)->isEnabled();
        return any;
    }

    // The four rows agree with the image's record of store.
    void verifyShows(const Image& image, int store) const {
        QCOMPARE(form.storeNumberList()->position(), store);
        QCOMPARE(form.storeNameList()->position(), store);
        const auto record = image.record(store);
        for (int k = 1; k <= 7; ++k) {
            QCOMPARE(form.slotField(k)->text(), QString::number(record[k - 1]));
            QCOMPARE(form.itemList(k)->position(), int(record[k - 1]));
        }
    }
};

// The named controls in the order of the window's tab chain, from Text1 on.
QList<QWidget*> tabChain(const EditorWindow& form) {
    static const QRegularExpression named(
        QStringLiteral("^(Text\\d|cmbitem\\d|Combo1|cmbstores|Command1)$"));
    QList<QWidget*> chain;
    QWidget* step = form.slotField(1);
    do {
        if (named.match(step->objectName()).hasMatch() && !chain.contains(step))
            chain << step;
        step = step->nextInFocusChain();
    } while (step != form.slotField(1));
    return chain;
}

QStringList texts(std::initializer_list<const char*> list) {
    QStringList result;
    for (const char* s : list)
        result << QString::fromLatin1(s);
    return result;
}

// An image whose store s holds s+1, s+2, ... so that every store differs.
Image numberedImage(std::int64_t length = tools::kDemoImageLength) {
    Image image = Image::random(42, length);
    for (int s = 0; s < 65; ++s)
        image.setRecord(s, {std::uint8_t(s), std::uint8_t(s + 1), std::uint8_t(s + 2),
                            std::uint8_t(s + 3), std::uint8_t(200 + s % 50), 22, 213});
    image.setMarker(1, 2, 3);
    return image;
}

} // namespace

class TestEditorWindow : public QObject {
    Q_OBJECT
private slots:
    void layout_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<int>("tab"); // -1: takes no focus
        QTest::newRow("cmbstores") << "cmbstores" << QRect(24, 32, 249, 21) << "" << false << 18;
        for (int k = 7; k >= 1; --k)
            QTest::newRow(qPrintable(QStringLiteral("cmbitem%1").arg(k)))
                << QStringLiteral("cmbitem%1").arg(k) << QRect(24, 64 + 32 * (k - 1), 241, 21) << ""
                << false << 10 + k;
        QTest::newRow("Text8") << "Text8" << QRect(360, 448, 81, 19) << "Text8" << true << 10;
        QTest::newRow("Combo1") << "Combo1" << QRect(280, 32, 65, 21) << "0" << false << 9;
        QTest::newRow("Command1") << "Command1" << QRect(272, 296, 65, 17) << "Save" << false << 8;
        for (int k = 7; k >= 1; --k)
            QTest::newRow(qPrintable(QStringLiteral("Text%1").arg(k)))
                << QStringLiteral("Text%1").arg(k) << QRect(296, 64 + 32 * (k - 1), 41, 19) << "0"
                << false << k;
        QTest::newRow("Label1") << "Label1" << QRect(24, 8, 49, 17) << "Stores" << true << -1;
    }
    void layout() {
        QFETCH(QString, name);
        QFETCH(QRect, geometry);
        QFETCH(QString, text);
        QFETCH(bool, enabled);
        QFETCH(int, tab);
        FakeModals modals;
        ScriptedFileOps files;
        EditorWindow form(modals, files);
        auto* widget = form.findChild<QWidget*>(name);
        QVERIFY(widget);
        QCOMPARE(widget->geometry(), geometry);
        QCOMPARE(widget->isEnabled(), enabled);
        QVERIFY(!widget->isHidden());
        QVERIFY(!widget->accessibleName().isEmpty() || name == "Label1");
        QString shown;
        if (auto* combo = qobject_cast<QComboBox*>(widget))
            shown = combo->currentText();
        else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
            shown = edit->text();
            QCOMPARE(edit->maxLength(), std::numeric_limits<int>::max()); // no maximum
        } else if (auto* button = qobject_cast<QPushButton*>(widget))
            shown = button->text();
        else if (auto* label = qobject_cast<QLabel*>(widget))
            shown = label->text();
        QCOMPARE(shown, text);
        if (tab < 0) {
            QCOMPARE(widget->focusPolicy(), Qt::NoFocus);
            return;
        }
        QCOMPARE(tabChain(form).indexOf(widget) + 1, tab);
    }

    void windowFrameAndMenus() {
        FakeModals modals;
        ScriptedFileOps files;
        EditorWindow form(modals, files);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(form.objectName(), QStringLiteral("Form1"));
        QCOMPARE(form.windowTitle(), kCaption);
        QCOMPARE(form.centralWidget()->size(), QSize(352, 320));
        QCOMPARE(form.centralWidget()->mapTo(&form, QPoint(0, 0)).y(), form.menuBar()->height());
        QCOMPARE(form.mapToGlobal(form.centralWidget()->pos()), QPoint(351, 221));
        QCOMPARE(form.minimumSize(), form.maximumSize());
        QVERIFY(!(form.windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(!(form.windowFlags() & Qt::WindowMinimizeButtonHint));
        QVERIFY(form.windowFlags() & Qt::WindowCloseButtonHint);
        QCOMPARE(form.windowIcon().availableSizes(), QList<QSize>({QSize(32, 32), QSize(32, 32)}));

        const QList<QAction*> bar = form.menuBar()->actions();
        QCOMPARE(bar.size(), 3);
        QCOMPARE(bar[0]->text(), QStringLiteral("&File"));
        QCOMPARE(bar[1]->text(), QStringLiteral("Options"));
        QCOMPARE(bar[2], form.aboutAction());
        QCOMPARE(form.aboutAction()->text(), QStringLiteral("&About"));
        QVERIFY(!form.aboutAction()->menu());
        QCOMPARE(form.fileMenu()->actions(),
                 QList<QAction*>({form.openAction(), form.fileSeparator(), form.exitAction()}));
        QCOMPARE(form.openAction()->text(), QStringLiteral("OpenRom"));
        QCOMPARE(form.openAction()->shortcut(), QKeySequence(QStringLiteral("Ctrl+O")));
        QVERIFY(form.fileSeparator()->isSeparator());
        QCOMPARE(form.exitAction()->text(), QStringLiteral("Exit"));
        QCOMPARE(form.exitAction()->shortcut(), QKeySequence(QStringLiteral("Ctrl+Q")));
        QCOMPARE(form.optionsMenu()->actions(), QList<QAction*>({form.unlockAction()}));
        QCOMPARE(form.unlockAction()->text(), QStringLiteral("unlock numberlists"));
        QVERIFY(!form.unlockAction()->isChecked());
    }

    // Tab runs through the enabled controls: with the slot fields locked, from Save
    // round to Save; unlocked, the slot fields come first.
    void tabWalk_data() {
        QTest::addColumn<bool>("unlocked");
        QTest::newRow("locked") << false;
        QTest::newRow("unlocked") << true;
    }
    void tabWalk() {
        QFETCH(bool, unlocked);
        Editor e;
        e.open(numberedImage());
        if (unlocked)
            e.form.unlockAction()->trigger();
        QVERIFY(QTest::qWaitForWindowActive(&e.form));
        QStringList expected;
        if (unlocked)
            expected << texts({"Text1", "Text2", "Text3", "Text4", "Text5", "Text6", "Text7"});
        expected << texts({"Command1", "Combo1", "Text8", "cmbitem1", "cmbitem2", "cmbitem3",
                           "cmbitem4", "cmbitem5", "cmbitem6", "cmbitem7", "cmbstores"});
        QWidget* start =
            unlocked ? static_cast<QWidget*>(e.form.slotField(1)) : e.form.saveButton();
        start->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), start);
        QStringList walked;
        for (int i = 0; i < expected.size(); ++i) {
            QWidget* focus = QApplication::focusWidget();
            walked << (qobject_cast<ChoiceList*>(focus->parentWidget()) ? focus->parentWidget()
                                                                        : focus)
                          ->objectName();
            QTest::keyClick(focus, Qt::Key_Tab);
        }
        QCOMPARE(walked, expected);
        QWidget* back = QApplication::focusWidget();
        QCOMPARE(back, start);
    }

    void startUpFillsListsAndSelectsNothing() {
        Editor e;
        QVERIFY(QTest::qWaitForWindowActive(&e.form));
        QCOMPARE(QApplication::focusWidget(), e.form.markerField());
        QCOMPARE(e.form.storeNumberList()->count(), 65);
        QCOMPARE(e.form.storeNumberList()->itemText(10), QStringLiteral("10"));
        QCOMPARE(e.form.storeNumberList()->itemText(64), QStringLiteral("64"));
        QCOMPARE(e.form.storeNameList()->count(), 65);
        QCOMPARE(e.form.storeNameList()->itemText(64),
                 QStringLiteral("Dr. Andonut's Caveman Store"));
        QCOMPARE(e.form.storeNumberList()->position(), ChoiceList::kNone);
        QCOMPARE(e.form.storeNameList()->position(), ChoiceList::kNone);
        for (int k = 1; k <= 7; ++k) {
            QCOMPARE(e.form.itemList(k)->count(), 256);
            QCOMPARE(e.form.itemList(k)->position(), ChoiceList::kNone);
            QCOMPARE(e.form.itemList(k)->itemText(0), QStringLiteral(" Null"));
            QCOMPARE(e.form.itemList(k)->itemText(255), QStringLiteral("null"));
        }
        QVERIFY(e.modals.shown.empty());
        // Keys typed now reach only the unseen markerField.
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("ab"));
        QCOMPARE(e.form.markerField()->text(), QStringLiteral("Text8ab"));
    }

    // The road a user takes most: open, a store by name, an item, Save; with and
    // without a copier header, the same road, each at its own layout's positions.
    void typicalRoad_data() {
        QTest::addColumn<qint64>("length");
        for (const auto& layout : fixtures::kLayoutRows)
            QTest::newRow(layout.name) << qint64(layout.length);
    }
    void typicalRoad() {
        QFETCH(qint64, length);
        Editor e;
        Image before = numberedImage(length);
        before.setMarker(66, 111, 111);
        const auto path = e.open(before);
        QCOMPARE(e.modals.messages(), QStringList{QString::fromStdString(path)});
        QCOMPARE(e.modals.shown.front().text, QStringLiteral("Snes Rom (*.smc) (*.smc*)"));
        e.verifyShows(before, 0);
        QVERIFY(e.form.windowTitle().endsWith(QStringLiteral("Rom is possessed, Boo!")));

        userChoose(e.form.storeNameList(), 12);
        e.verifyShows(before, 12);
        QCOMPARE(e.form.storeNumberList()->currentText(), QStringLiteral("12"));

        userChoose(e.form.itemList(3), 5);
        QCOMPARE(e.form.slotField(3)->text(), QStringLiteral("5"));

        e.modals.clear();
        e.form.saveButton()->click();
        QCOMPARE(e.modals.messages(), QStringList{kSaved});
        Image expected = before;
        expected.set(before.slotAt(12, 3), 5);
        QVERIFY(Image::load(path).bytes == expected.bytes);
        QCOMPARE(e.files.openDescriptors(), 0);
    }

    void choiceByNumberKeepsRowsInStep() {
        Editor e;
        const Image image = numberedImage();
        e.open(image);
        userChoose(e.form.storeNumberList(), 36);
        e.verifyShows(image, 36);
        QCOMPARE(e.form.storeNameList()->currentText(), QStringLiteral("Unknown 1"));
        userChoose(e.form.storeNumberList(), 64);
        e.verifyShows(image, 64);
    }

    // By name, the store already shown reads nothing; by number it is read again.
    void choosingTheShownStoreAgain() {
        Editor e;
        const Image image = numberedImage();
        e.open(image);
        userChoose(e.form.storeNumberList(), 7);
        e.form.unlockAction()->trigger();
        e.form.slotField(2)->setText(QStringLiteral("99"));

        userChoose(e.form.storeNameList(), 7);
        QCOMPARE(e.form.slotField(2)->text(), QStringLiteral("99"));

        userChoose(e.form.storeNumberList(), 7);
        e.verifyShows(image, 7);
    }

    void repeatedNamesSelectTheirOwnPositions() {
        Editor e;
        Image image = numberedImage();
        image.setRecord(0, {22, 213, 229, 68, 216, 254, 255});
        e.open(image);
        QCOMPARE(e.itemPositions(), QList<int>({22, 213, 229, 68, 216, 254, 255}));
        QCOMPARE(e.slotTexts(), texts({"22", "213", "229", "68", "216", "254", "255"}));
    }

    void typingIntoAListReadsNothing() {
        Editor e;
        const Image image = numberedImage();
        const auto path = e.open(image);
        userChoose(e.form.storeNumberList(), 3);
        std::filesystem::remove(path); // any read would now fail loudly
        e.modals.clear();
        for (ChoiceList* list :
             {e.form.storeNumberList(), e.form.storeNameList(), e.form.itemList(1)}) {
            list->setFocus();
            list->lineEdit()->selectAll();
            QTest::keyClicks(list->lineEdit(), QStringLiteral("12"));
            QTest::keyClick(list->lineEdit(), Qt::Key_Return);
        }
        QVERIFY(e.modals.shown.empty());
        QCOMPARE(e.slotTexts(), texts({"3", "4", "5", "6", "203", "22", "213"}));
    }

    void openWithEmptyNameChangesNothing() {
        Editor e;
        e.form.setWindowTitle(QStringLiteral("something else"));
        e.form.openAction()->trigger(); // the user cancels before any file was chosen
        QCOMPARE(e.modals.messages(), QStringList{QString()});
        QCOMPARE(e.form.windowTitle(), kCaption);
        QVERIFY(!e.anyListEnabled());
        QCOMPARE(e.slotTexts(), texts({"0", "0", "0", "0", "0", "0", "0"}));
        QCOMPARE(e.form.markerField()->text(), QStringLiteral("Text8"));
    }

    // A cancel after an opening keeps the file name and opens the same image again.
    void cancelAfterOpeningReopensTheSameImage() {
        Editor e;
        const Image image = numberedImage();
        const auto path = QString::fromStdString(e.open(image));
        userChoose(e.form.storeNumberList(), 12);
        e.modals.clear();
        e.form.openAction()->trigger();
        QCOMPARE(e.modals.dialogStartNames.last(), path);
        QCOMPARE(e.modals.messages(), QStringList{path});
        e.verifyShows(image, 0);
    }

    void possessedThenPlainImage() {
        Editor e;
        Image possessed = numberedImage();
        possessed.setMarker(66, 111, 111);
        e.open(possessed, "boo.smc");
        QCOMPARE(e.form.windowTitle(), kPossessed);
        QCOMPARE(e.form.markerField()->text(), QStringLiteral("66111111"));

        Image plain = numberedImage();
        plain.setMarker(66, 111, 110);
        e.open(plain, "plain.smc");
        QCOMPARE(e.form.windowTitle(), kCaption);
        QCOMPARE(e.form.markerField()->text(), QStringLiteral("66111110"));
    }

    void secondOpenReturnsToStoreZero() {
        Editor e;
        e.open(numberedImage(), "first.smc");
        userChoose(e.form.storeNameList(), 12);
        Image second = Image::random(5);
        second.setRecord(0, {1, 2, 3, 4, 5, 6, 7});
        const auto path = e.open(second, "second.smc");
        e.verifyShows(second, 0);
        QCOMPARE(e.form.storeNameList()->currentText(), QStringLiteral("Onett Drugstore 1"));

        e.form.saveButton()->click();
        QVERIFY(Image::load(path).bytes == second.bytes); // store 0 written with what it holds
    }

    // The program's file argument: the Open command from its path message on, with
    // no dialog; a bad file is refused as from the dialog.
    void fileArgumentOpensAsTheDialogWould() {
        Editor e;
        const Image image = numberedImage();
        const auto path = QString::fromStdString(e.folder.write("rom.smc", image));
        e.form.openFile(path);
        QCOMPARE(e.modals.messages(), QStringList{path});
        QVERIFY(e.modals.errors().isEmpty());
        QCOMPARE(e.modals.dialogStartNames.size(), 0);
        e.verifyShows(image, 0);
        QCOMPARE(e.form.fileDialog().fileName(), path);

        Editor fresh;
        const auto missing = QString::fromStdString(fresh.folder.path("missing.smc"));
        fresh.form.openFile(missing);
        QCOMPARE(fresh.modals.messages(), QStringList{missing});
        QCOMPARE(fresh.modals.errors().size(), 1);
        QVERIFY(!fresh.anyListEnabled());
        QCOMPARE(fresh.form.fileDialog().fileName(), QString());
    }

    // A local file dropped on the window is opened as one chosen in the dialog: the
    // path message, then store 0, over another image shown before. A drop of two
    // files, of a remote URL or of plain text is refused, and changes nothing.
    void droppedFiles_data() {
        QTest::addColumn<QStringList>("urls"); // "@" stands for the image's folder
        QTest::addColumn<bool>("taken");
        QTest::newRow("one local file") << QStringList{"@/drop.sfc"} << true;
        QTest::newRow("two local files") << QStringList{"@/drop.sfc", "@/rom.smc"} << false;
        QTest::newRow("a remote URL") << QStringList{"https://example.invalid/drop.sfc"} << false;
        QTest::newRow("no URL, a text") << QStringList{} << false;
    }
    void droppedFiles() {
        QFETCH(QStringList, urls);
        QFETCH(bool, taken);
        Editor e;
        const Image shown = numberedImage();
        const auto shownPath = QString::fromStdString(e.open(shown));
        userChoose(e.form.storeNameList(), 12);
        Image dropped = Image::random(43, tools::kHeaderlessImageLength);
        dropped.setRecord(0, {9, 8, 7, 6, 5, 4, 3});
        const auto droppedPath = QString::fromStdString(e.folder.write("drop.sfc", dropped));
        const QString folder = QFileInfo(droppedPath).absolutePath();

        auto* data = new QMimeData;
        QList<QUrl> list;
        for (QString url : urls)
            list << (url.startsWith('@') ? QUrl::fromLocalFile(url.replace('@', folder))
                                         : QUrl(url));
        if (list.isEmpty())
            data->setText(droppedPath);
        else
            data->setUrls(list);
        const QPoint middle = e.form.rect().center();
        QDragEnterEvent enter(middle, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&e.form, &enter);
        QCOMPARE(enter.isAccepted(), taken);
        e.modals.clear();
        const auto dialogsBefore = e.modals.dialogStartNames.size();
        QDropEvent drop(QPointF(middle), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&e.form, &drop);
        QCOMPARE(drop.isAccepted(), taken);
        QCoreApplication::processEvents(); // the open runs once the drop is done
        delete data;
        if (taken) {
            QCOMPARE(e.modals.messages(), QStringList{droppedPath});
            QVERIFY(e.modals.errors().isEmpty());
            QCOMPARE(e.modals.dialogStartNames.size(), dialogsBefore); // no dialog
            e.verifyShows(dropped, 0);
            QCOMPARE(e.form.fileDialog().fileName(), droppedPath);
        } else {
            QVERIFY(e.modals.shown.empty());
            e.verifyShows(shown, 12);
            QCOMPARE(e.form.fileDialog().fileName(), shownPath);
        }
        // No field or list takes a dropped path as text.
        for (int slot = 1; slot <= 7; ++slot)
            QVERIFY(!e.form.slotField(slot)->acceptDrops());
        QVERIFY(!e.form.storeNameList()->lineEdit()->acceptDrops());
    }

    // Some drag sources no longer give their data once the drop comes: the file the
    // drag carried over the window is opened; without such a drag nothing is.
    void aDropWithoutItsDataOpensTheDraggedFile() {
        Editor e;
        const Image dropped = numberedImage(tools::kHeaderlessImageLength);
        const auto path = QString::fromStdString(e.folder.write("drop.sfc", dropped));
        QMimeData carried, gone;
        carried.setUrls({QUrl::fromLocalFile(path)});
        gone.setData(QStringLiteral("text/uri-list"), QByteArray());
        const QPoint middle = e.form.rect().center();

        QDropEvent orphan(QPointF(middle), Qt::CopyAction, &gone, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&e.form, &orphan);
        QVERIFY(!orphan.isAccepted());
        QCoreApplication::processEvents();
        QVERIFY(e.modals.shown.empty());

        QDragEnterEvent enter(middle, Qt::CopyAction, &carried, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&e.form, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(middle), Qt::CopyAction, &gone, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&e.form, &drop);
        QVERIFY(drop.isAccepted());
        QCoreApplication::processEvents();
        QCOMPARE(e.modals.messages(), QStringList{path});
        e.verifyShows(dropped, 0);
    }

    void openingNeverWrites() {
        Editor e;
        const Image image = numberedImage();
        const auto path = e.open(image);
        QVERIFY(Image::load(path).bytes == image.bytes);
    }

    void saveWritesOnlyTheCurrentStore_data() {
        QTest::addColumn<int>("store");
        QTest::newRow("store 0") << 0;
        QTest::newRow("store 5") << 5;
        QTest::newRow("store 64") << 64;
    }
    void saveWritesOnlyTheCurrentStore() {
        QFETCH(int, store);
        Editor e;
        Image before = numberedImage();
        before.setMarker(66, 111, 111);
        const auto path = e.open(before);
        userChoose(e.form.storeNumberList(), store);
        e.form.unlockAction()->trigger();
        for (int k = 1; k <= 7; ++k)
            e.form.slotField(k)->setText(QString::number(k));
        e.form.saveButton()->click();
        e.form.saveButton()->click(); // twice gives the same file
        QCOMPARE(e.modals.messages().count(kSaved), 2);
        Image expected = before;
        expected.setRecord(store, {1, 2, 3, 4, 5, 6, 7});
        QVERIFY(Image::load(path).bytes == expected.bytes);
        QCOMPARE(e.form.windowTitle(), kPossessed);
    }

    // Typed ids are saved whatever the lists show, also after locking again.
    void unlockTypeLockSave() {
        Editor e;
        const Image before = numberedImage();
        const auto path = e.open(before);
        QVERIFY(!e.form.slotField(1)->isEnabled());
        e.form.unlockAction()->trigger();
        QVERIFY(e.form.unlockAction()->isChecked());
        for (int k = 1; k <= 7; ++k)
            QVERIFY(e.form.slotField(k)->isEnabled());
        e.form.slotField(1)->setFocus();
        e.form.slotField(1)->selectAll();
        QTest::keyClicks(e.form.slotField(1), QStringLiteral("7"));
        QCOMPARE(e.form.itemList(1)->position(), 0);
        e.form.unlockAction()->trigger();
        QVERIFY(!e.form.unlockAction()->isChecked());
        QVERIFY(!e.form.slotField(1)->isEnabled());
        QCOMPARE(e.form.slotField(1)->text(), QStringLiteral("7"));
        e.form.saveButton()->click();
        QCOMPARE(Image::load(path).at(store::slotPosition(0, 1)), std::uint8_t(7));
    }

    void unlockingBeforeOpenLetsTypingButOpenReplacesIt() {
        Editor e;
        e.form.unlockAction()->trigger();
        QVERIFY(e.form.slotField(4)->isEnabled());
        QVERIFY(!e.form.saveButton()->isEnabled());
        e.form.slotField(4)->setText(QStringLiteral("abc"));
        const Image image = numberedImage();
        e.open(image);
        e.verifyShows(image, 0);
        QVERIFY(e.form.slotField(4)->isEnabled());
    }

    // Open of what is not a usable image: the path message, then an error; nothing
    // is enabled, created or written.
    void openRefusesUnusableFiles_data() {
        fixtures::addBadFileColumns();
        fixtures::addBadFileRows({BadFile::Missing, BadFile::Directory, BadFile::Fifo,
                                  BadFile::Empty, BadFile::MarkerShort, BadFile::TableShort,
                                  BadFile::ReadOnly});
    }
    void openRefusesUnusableFiles() {
        QFETCH(int, badFile);
        QFETCH(QString, reason);
        Editor e;
        auto path = e.folder.path("bad rom ä.smc");
        if (!fixtures::makeBadFile(BadFile(badFile), path))
            QSKIP("this user may write to read-only files (root); scripts/test runs this test "
                  "again as an unprivileged user");
        e.openPath(QString::fromStdString(path));
        QCOMPARE(e.modals.messages(), QStringList{QString::fromStdString(path)});
        QCOMPARE(e.modals.errors().size(), 1);
        const QString error = e.modals.errors()[0];
        QVERIFY2(error.contains(QString::fromStdString(path)), qPrintable(error));
        QVERIFY2(error.contains(reason), qPrintable(error));
        QVERIFY(error.contains(QStringLiteral("Nothing was written")));
        QVERIFY(!e.anyListEnabled());
        QCOMPARE(e.slotTexts(), texts({"0", "0", "0", "0", "0", "0", "0"}));
        if (BadFile(badFile) == BadFile::Missing)
            QVERIFY(!std::filesystem::exists(path));
        const auto length = fixtures::shortLength(BadFile(badFile));
        if (length > 0)
            QCOMPARE(std::filesystem::file_size(path), std::uintmax_t(length));
        QCOMPARE(e.files.openDescriptors(), 0);
    }

    // After a failed Open the window keeps the image it shows: Save writes there,
    // never into the file that could not be opened, even once that file is fixed.
    void failedOpenKeepsTheShownImage() {
        Editor e;
        const Image first = numberedImage();
        const auto firstPath = e.open(first, "first.smc");
        userChoose(e.form.storeNameList(), 12);
        const auto secondPath = e.folder.path("second.smc");
        Image(store::kTableLast - 1).save(secondPath);
        e.openPath(QString::fromStdString(secondPath));
        QCOMPARE(e.modals.errors().size(), 1);
        e.verifyShows(first, 12);

        const Image second = Image::random(77);
        second.save(secondPath); // the user mends the file behind the editor's back
        e.form.saveButton()->click();
        QVERIFY(Image::load(secondPath).bytes == second.bytes);
        QVERIFY(Image::load(firstPath).bytes == first.bytes); // store 12 saved as it was
        QCOMPARE(e.modals.messages().last(), kSaved);
        e.modals.clear();
        e.form.openAction()->trigger(); // cancelled: the shown image is opened again
        QCOMPARE(e.modals.messages(), QStringList{QString::fromStdString(firstPath)});
    }

    // A refused or failed Save says why and what the image holds, changes nothing
    // outside the current store's record (here: nothing at all), and never says
    // "saved current store".
    void saveRefusals_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("slotText"); // typed into slot 6
        QTest::addColumn<QString>("reason");
        QTest::addColumn<QString>("outcome");
        const QString nothing = QStringLiteral("Nothing was written");
        QTest::newRow("store number typed over") << "no store"
                                                 << "6"
                                                 << "no store is selected" << nothing;
        QTest::newRow("slot text empty") << ""
                                         << ""
                                         << "Slot 6 holds \"\"" << nothing;
        QTest::newRow("slot text not a number") << ""
                                                << "abc"
                                                << "Slot 6 holds \"abc\"" << nothing;
        QTest::newRow("slot text too big") << ""
                                           << "256"
                                           << "Slot 6 holds \"256\"" << nothing;
        QTest::newRow("slot text negative") << ""
                                            << "-1"
                                            << "Slot 6 holds \"-1\"" << nothing;
        QTest::newRow("slot text 10,000 characters")
            << "" << QString(10000, QLatin1Char('7')) << "(a text of 10000 characters)" << nothing;
        QTest::newRow("slot text 1,000,000 characters")
            << "" << QString(1000000, QLatin1Char('7')) << "(a text of 1000000 characters)"
            << nothing;
        QTest::newRow("image removed") << "removed"
                                       << "6"
                                       << "No such file" << nothing;
        QTest::newRow("image truncated") << "truncated"
                                         << "6"
                                         << "too short" << nothing;
        QTest::newRow("image replaced by a directory") << "directory"
                                                       << "6"
                                                       << "not a regular file" << nothing;
        QTest::newRow("image made read-only") << "read-only"
                                              << "6"
                                              << "Permission denied" << nothing;
        QTest::newRow("disk full") << "full"
                                   << "6"
                                   << "No space left" << nothing;
        QTest::newRow("a short write") << "short write"
                                       << "6"
                                       << "only 6 of 7 bytes"
                                       << "put back";
        QTest::newRow("another file renamed over the image")
            << "another file"
            << "6"
            << "another file has taken its place" << nothing;
        QTest::newRow("the store rewritten by another program")
            << "store rewritten"
            << "6"
            << "another program has changed it" << nothing;
    }
    void saveRefusals() {
        QFETCH(QString, fault);
        QFETCH(QString, slotText);
        QFETCH(QString, reason);
        QFETCH(QString, outcome);
        Editor e;
        const Image before = numberedImage();
        const auto path = e.open(before);
        userChoose(e.form.storeNumberList(), 20);
        e.form.unlockAction()->trigger();
        e.form.slotField(1)->setText(QStringLiteral("1"));
        e.form.slotField(6)->setText(slotText);
        e.files.reset();
        if (fault == "no store") {
            e.form.storeNumberList()->setFocus();
            e.form.storeNumberList()->lineEdit()->selectAll();
            QTest::keyClicks(e.form.storeNumberList()->lineEdit(), QStringLiteral("21"));
        } else if (fault == "removed") {
            std::filesystem::remove(path);
        } else if (fault == "truncated") {
            std::filesystem::resize_file(path, 66002);
        } else if (fault == "directory") {
            std::filesystem::remove(path);
            std::filesystem::create_directory(path);
        } else if (fault == "read-only") {
            std::filesystem::permissions(path, std::filesystem::perms::owner_read);
            if (::access(path.c_str(), W_OK) == 0)
                QSKIP("this user may write to read-only files (root); scripts/test runs this test "
                      "again as an unprivileged user");
        } else if (fault == "full") {
            e.files.add({1, ScriptedFileOps::Call::Pwrite, ScriptedFileOps::Fault::Error, ENOSPC});
        } else if (fault == "short write") {
            e.files.add({1, ScriptedFileOps::Call::Pwrite, ScriptedFileOps::Fault::Short});
        } else if (fault == "another file") {
            std::filesystem::rename(e.folder.write("other.smc", Image::random(3)), path);
        } else if (fault == "store rewritten") {
            Image changed = before;
            changed.set(store::slotPosition(20, 2), 99);
            changed.save(path);
        }
        const bool isFile = std::filesystem::is_regular_file(path);
        const auto bytesBefore = isFile ? Image::load(path).bytes : std::vector<std::uint8_t>{};
        e.modals.clear();
        e.form.saveButton()->click();
        e.files.reset();
        QVERIFY(!e.modals.messages().contains(kSaved));
        QCOMPARE(e.modals.errors().size(), 1);
        const QString error = e.modals.errors()[0];
        QVERIFY2(error.contains(reason), qPrintable(error));
        QVERIFY2(error.contains(outcome), qPrintable(error));
        if (fault != "no store" && slotText == "6")
            QVERIFY2(error.contains(QString::fromStdString(path)), qPrintable(error));
        QCOMPARE(std::filesystem::is_regular_file(path), isFile);
        if (isFile)
            QVERIFY(Image::load(path).bytes == bytesBefore);
        QCOMPARE(e.files.openDescriptors(), 0);
        QCOMPARE(e.slotTexts()[5], slotText); // the working copy is kept for another try
    }

    // Texts the conversion accepts are saved as the bytes they read as.
    void saveConvertsSlotTexts_data() {
        QTest::addColumn<QString>("slotText");
        QTest::addColumn<int>("byte");
        QTest::newRow("blanks around") << " 7 " << 7;
        QTest::newRow("half rounds to even") << "7.5" << 8;
        QTest::newRow("exponent") << "1e2" << 100;
        QTest::newRow("zero") << "0" << 0;
        QTest::newRow("255") << "255" << 255;
    }
    void saveConvertsSlotTexts() {
        QFETCH(QString, slotText);
        QFETCH(int, byte);
        Editor e;
        const Image before = numberedImage();
        const auto path = e.open(before);
        e.form.unlockAction()->trigger();
        e.form.slotField(2)->setText(slotText);
        e.form.saveButton()->click();
        QCOMPARE(e.modals.messages().last(), kSaved);
        Image expected = before;
        expected.set(store::slotPosition(0, 2), std::uint8_t(byte));
        QVERIFY(Image::load(path).bytes == expected.bytes);
    }

    void pathsWithSpacesAndNonAsciiWork() {
        Editor e;
        const Image before = numberedImage();
        std::filesystem::create_directory(e.folder.path("my röms"));
        const auto path = e.open(before, "my röms/Störe ü 1.smc");
        QCOMPARE(e.modals.messages(), QStringList{QString::fromStdString(path)});
        QVERIFY(e.modals.errors().isEmpty());
        userChoose(e.form.itemList(7), 99);
        e.form.saveButton()->click();
        Image expected = before;
        expected.set(store::slotPosition(0, 7), 99);
        QVERIFY(Image::load(path).bytes == expected.bytes);
    }

    void failedStoreReadKeepsWhatWasShown() {
        Editor e;
        const Image image = numberedImage();
        const auto path = e.open(image);
        userChoose(e.form.storeNameList(), 9);
        std::filesystem::remove(path);
        e.modals.clear();
        userChoose(e.form.storeNameList(), 30);
        QCOMPARE(e.modals.errors().size(), 1);
        QVERIFY(e.modals.errors()[0].contains(QString::fromStdString(path)));
        // Every row still shows store 9, so a Save writes store 9's own record.
        QCOMPARE(e.form.storeNumberList()->position(), 9);
        QCOMPARE(e.form.storeNameList()->position(), 9);
        QCOMPARE(e.slotTexts(), texts({"9", "10", "11", "12", "209", "22", "213"}));
        QCOMPARE(e.itemPositions(), QList<int>({9, 10, 11, 12, 209, 22, 213}));
    }

    void exitClosesWithoutAsking() {
        Editor e;
        e.open(numberedImage());
        e.form.unlockAction()->trigger();
        e.form.slotField(1)->setText(QStringLiteral("77"));
        e.modals.clear();
        e.form.exitAction()->trigger();
        QVERIFY(!e.form.isVisible());
        QVERIFY(e.modals.shown.empty());
    }

    void shortcutsWorkBeforeAnImageIsOpen() {
        Editor e;
        QVERIFY(QTest::qWaitForWindowActive(&e.form));
        QTest::keyClick(&e.form, Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(e.modals.messages(), QStringList{QString()});
        QTest::keyClick(&e.form, Qt::Key_Q, Qt::ControlModifier);
        QTRY_VERIFY(!e.form.isVisible());
    }
};

QTEST_MAIN(TestEditorWindow)
#include "test_editorwindow.moc"
