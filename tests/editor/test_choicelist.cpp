#include "ChoiceList.h"
#include "UserInput.h"

#include <QAbstractItemView>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>

class TestChoiceList : public QObject {
    Q_OBJECT

    struct Fixture {
        QWidget window;
        ChoiceList* list = new ChoiceList(&window);
        QLineEdit* other = new QLineEdit(&window);
        std::unique_ptr<QSignalSpy> clicks;
        Fixture() {
            list->setEditText(QStringLiteral("start"));
            for (const char* name : {" Lucky sandwich", " Lucky sandwich", " Cookie", "null"})
                list->append(name);
            other->move(0, 40);
            window.show();
            clicks = std::make_unique<QSignalSpy>(list, &ChoiceList::click);
        }
    };

private slots:
    void appendingSelectsNothingAndRaisesNothing() {
        Fixture f;
        QCOMPARE(f.list->count(), 4);
        QCOMPARE(f.list->position(), ChoiceList::kNone);
        QCOMPARE(f.list->currentText(), QStringLiteral("start"));
        QCOMPARE(f.clicks->count(), 0);
    }

    void settingFromCodeClicksOnlyOnChange() {
        Fixture f;
        int seenInside = -2;
        QObject::connect(f.list, &ChoiceList::click, f.list,
                         [&] { seenInside = f.list->position(); });
        f.list->setPosition(1);
        QCOMPARE(f.clicks->count(), 1); // raised synchronously, selection already changed
        QCOMPARE(seenInside, 1);
        f.list->setPosition(1);
        QCOMPARE(f.clicks->count(), 1);
        f.list->setPosition(ChoiceList::kNone);
        QCOMPARE(f.clicks->count(), 2);
    }

    void everyUserChoiceClicks() {
        Fixture f;
        userChoose(f.list, 1);
        QCOMPARE(f.list->position(), 1); // the second of two equal names
        QCOMPARE(f.clicks->count(), 1);
        userChoose(f.list, 1); // the entry already shown
        QCOMPARE(f.clicks->count(), 2);

        f.list->setFocus();
        QTest::keyClick(f.list, Qt::Key_Down);
        QCOMPARE(f.list->position(), 2);
        QCOMPARE(f.clicks->count(), 3);

        const QPoint centre = f.list->rect().center();
        QWheelEvent wheel(centre, f.list->mapToGlobal(centre), QPoint(), QPoint(0, -120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(f.list, &wheel);
        QCOMPARE(f.list->position(), 3);
        QCOMPARE(f.clicks->count(), 4);
    }

    // Typing an entry's text and pressing Enter or leaving the field chooses nothing,
    // inserts nothing, and drops the selection.
    void typingChoosesNothing_data() {
        QTest::addColumn<bool>("enter");
        QTest::newRow("Enter") << true;
        QTest::newRow("focus leaves") << false;
    }
    void typingChoosesNothing() {
        QFETCH(bool, enter);
        Fixture f;
        f.list->setPosition(2);
        f.clicks->clear();
        f.list->setFocus();
        QTRY_VERIFY(f.list->hasFocus());
        f.list->lineEdit()->selectAll();
        QTest::keyClicks(f.list->lineEdit(), QStringLiteral("null"));
        QCOMPARE(f.list->position(), ChoiceList::kNone);
        QCOMPARE(f.list->currentText(), QStringLiteral("null"));
        if (enter)
            QTest::keyClick(f.list->lineEdit(), Qt::Key_Return);
        else
            f.other->setFocus();
        QTRY_VERIFY(enter || f.other->hasFocus());
        QCOMPARE(f.clicks->count(), 0);
        QCOMPARE(f.list->position(), ChoiceList::kNone);
        QCOMPARE(f.list->count(), 4);
        QCOMPARE(f.list->currentText(), QStringLiteral("null"));
    }

    void typingKeepsTheCursorWhereTheUserTypes() {
        Fixture f;
        f.list->setPosition(2); // " Cookie"
        f.list->setFocus();
        f.list->lineEdit()->setCursorPosition(1);
        QTest::keyClick(f.list->lineEdit(), Qt::Key_X);
        QTest::keyClick(f.list->lineEdit(), Qt::Key_Y);
        QCOMPARE(f.list->currentText(), QStringLiteral(" xyCookie"));
        QCOMPARE(f.list->position(), ChoiceList::kNone);
    }

    // A list is an editable combo box like any other, with no completer: the same
    // text field, popup, delegate, scroll bars, focus and sizes as a QComboBox made
    // editable with setEditable(true), before and with its popup open.
    void editableAsSetEditableMakesIt() {
        QWidget window;
        auto* list = new ChoiceList(&window);
        auto* reference = new QComboBox(&window);
        reference->setEditable(true);
        reference->setInsertPolicy(QComboBox::NoInsert);
        reference->setDuplicatesEnabled(true);
        reference->setCompleter(nullptr);
        const auto compare = [&] {
            QVERIFY(list->isEditable());
            QCOMPARE(list->completer(), nullptr);
            QCOMPARE(list->size(), reference->size());
            QCOMPARE(list->sizeHint(), reference->sizeHint());
            QCOMPARE(list->minimumSizeHint(), reference->minimumSizeHint());
            QCOMPARE(list->focusPolicy(), reference->focusPolicy());
            QCOMPARE(list->testAttribute(Qt::WA_InputMethodEnabled),
                     reference->testAttribute(Qt::WA_InputMethodEnabled));
            QCOMPARE(list->lineEdit()->hasFrame(), reference->lineEdit()->hasFrame());
            QCOMPARE(list->lineEdit()->contextMenuPolicy(),
                     reference->lineEdit()->contextMenuPolicy());
            QCOMPARE(list->lineEdit()->focusProxy(), list);
            QCOMPARE(list->lineEdit()->palette(), reference->lineEdit()->palette());
            QCOMPARE(list->lineEdit()->geometry(), reference->lineEdit()->geometry());
            QCOMPARE(QString::fromLatin1(list->itemDelegate()->metaObject()->className()),
                     QString::fromLatin1(reference->itemDelegate()->metaObject()->className()));
            QCOMPARE(list->view()->verticalScrollBarPolicy(),
                     reference->view()->verticalScrollBarPolicy());
            QCOMPARE(list->view()->horizontalScrollBarPolicy(),
                     reference->view()->horizontalScrollBarPolicy());
            QCOMPARE(list->view()->parentWidget()->contentsMargins(),
                     reference->view()->parentWidget()->contentsMargins());
        };
        compare();
        for (const char* name : {" Lucky sandwich", " Cookie", "null"}) {
            list->append(name);
            reference->addItem(QString::fromLatin1(name));
        }
        reference->setCurrentIndex(ChoiceList::kNone);
        list->setGeometry(10, 10, 200, 24);
        reference->setGeometry(10, 10, 200, 24);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        compare();
        list->showPopup();
        const QRect listPopup = list->view()->parentWidget()->geometry();
        const QSize listRow = list->view()->visualRect(list->model()->index(0, 0)).size();
        list->hidePopup();
        reference->showPopup();
        QCOMPARE(listPopup, reference->view()->parentWidget()->geometry());
        QCOMPARE(listRow, reference->view()->visualRect(reference->model()->index(0, 0)).size());
        reference->hidePopup();
    }
};

QTEST_MAIN(TestChoiceList)
#include "test_choicelist.moc"
