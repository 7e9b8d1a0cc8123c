// Every command of the editor, run once for each file call it makes with that call
// failing (EIO, EINTR) or giving a short count. After each run: no byte outside the
// current store's record changed in any file, no length changed, success is shown
// only for a command that succeeded and an error otherwise, the window is either as
// it was before the command or as the command's success leaves it; and then one
// more Save is harmless: it writes nothing, or exactly the record the window shows
// into the store and the file that the window names.

#include "Conversions.h"
#include "EditorWindow.h"
#include "FakeModals.h"
#include "Fixtures.h"
#include "ScriptedFileOps.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using fixtures::Folder;
using tools::Image;
using Call = ScriptedFileOps::Call;
using Fault = ScriptedFileOps::Fault;

namespace {

const QString kSaved = QStringLiteral("saved current store");
constexpr int kShownStore = 12;  // the store shown before each command but the first Open
constexpr int kChosenStore = 30; // the store that the store choices choose
// Image A has no copier header, image B has one: the fewest bytes of each layout
// that hold the table, so that an Open of B moves the window to the other layout.
constexpr std::int64_t kHeaderlessLength = 43 * store::kBankBytes;
constexpr std::int64_t kHeaderedLength =
    1375 * store::kHeaderedSizeUnit + store::kCopierHeaderBytes;
static_assert(store::layoutOfSize(kHeaderlessLength) == store::Layout::NoHeader);
static_assert(store::layoutOfSize(kHeaderedLength) == store::Layout::CopierHeader);

enum class Command { FirstOpen, SecondOpen, ByNumber, ByName, SaveChanged, SaveRefused };

const char* name(Command command) {
    switch (command) {
    case Command::FirstOpen:
        return "first Open";
    case Command::SecondOpen:
        return "Open while store 12 of another image is shown";
    case Command::ByNumber:
        return "store by number";
    case Command::ByName:
        return "store by name";
    case Command::SaveChanged:
        return "Save with a changed slot";
    case Command::SaveRefused:
        return "Save with a refused text";
    }
    return "";
}

// What the window shows, all of it that a command may change.
struct WindowState {
    QString fileName, caption, marker;
    int combo1 = -1, storeNameList = -1;
    QStringList texts;
    QList<int> items;
    bool listsEnabled = false;

    static WindowState of(EditorWindow& form) {
        WindowState state;
        state.fileName = form.fileDialog().fileName();
        state.caption = form.windowTitle();
        state.marker = form.markerField()->text();
        state.combo1 = form.storeNumberList()->position();
        state.storeNameList = form.storeNameList()->position();
        for (int k = 1; k <= 7; ++k) {
            state.texts << form.slotField(k)->text();
            state.items << form.itemList(k)->position();
        }
        state.listsEnabled = form.saveButton()->isEnabled() && form.storeNumberList()->isEnabled();
        return state;
    }
    bool operator==(const WindowState&) const = default;
    QString describe() const {
        QStringList items_;
        for (int i : items)
            items_ << QString::number(i);
        return QStringLiteral("file \"%1\", caption \"%2\", Text8 \"%3\", Combo1 %4, cmbstores %5, "
                              "texts [%6], items [%7], %8")
            .arg(fileName, caption, marker)
            .arg(combo1)
            .arg(storeNameList)
            .arg(texts.join(QLatin1Char(' ')), items_.join(QLatin1Char(' ')))
            .arg(listsEnabled ? "enabled" : "disabled");
    }
};

// What the user does: select an entry, then the list reports the choice.
void choose(ChoiceList* list, int position) {
    list->setCurrentIndex(position);
    emit list->activated(position);
}

// Two images and an editor: for every command but the first Open, image A (without
// a copier header) is open and its store 12 shown; B has a header. A is possessed and B is not, so
// that a failed Open of B must bring A's caption back.
struct Scene {
    FakeModals modals;
    ScriptedFileOps files;
    Folder folder;
    Image a = Image::random(1, kHeaderlessLength);
    Image b = Image::random(2, kHeaderedLength);
    std::string pathA, pathB;
    std::unique_ptr<EditorWindow> form;

    explicit Scene(Command command) {
        a.setMarker(66, 111, 111);
        b.setMarker(66, 111, 110);
        pathA = folder.write("a.smc", a);
        pathB = folder.write("b.smc", b);
        form = std::make_unique<EditorWindow>(modals, files);
        if (command != Command::FirstOpen) {
            open(pathA);
            choose(form->storeNameList(), kShownStore);
        }
        if (command == Command::SaveChanged)
            choose(form->itemList(3), 5);
        if (command == Command::SaveRefused) {
            form->unlockAction()->trigger();
            form->slotField(3)->setText(QStringLiteral("abc"));
        }
        modals.clear();
        files.reset();
    }
    void open(const std::string& path) {
        modals.fileAnswers.push_back(QString::fromStdString(path));
        form->openAction()->trigger();
    }
    void run(Command command) {
        switch (command) {
        case Command::FirstOpen:
        case Command::SecondOpen:
            open(pathB);
            break;
        case Command::ByNumber:
            choose(form->storeNumberList(), kChosenStore);
            break;
        case Command::ByName:
            choose(form->storeNameList(), kChosenStore);
            break;
        case Command::SaveChanged:
        case Command::SaveRefused:
            form->saveButton()->click();
            break;
        }
    }
    // The window as the command leaves it when it succeeds.
    WindowState success(Command command, const WindowState& before) const {
        WindowState state = before;
        const auto shows = [&](const Image& image, int store) {
            state.combo1 = state.storeNameList = store;
            state.texts.clear();
            state.items.clear();
            for (std::uint8_t byte : image.record(store)) {
                state.texts << QString::number(byte);
                state.items << byte;
            }
        };
        switch (command) {
        case Command::FirstOpen:
        case Command::SecondOpen:
            shows(b, 0);
            state.fileName = QString::fromStdString(pathB);
            state.caption = QStringLiteral("Quendle store edit");
            state.marker = QStringLiteral("66111110");
            state.listsEnabled = true;
            break;
        case Command::ByNumber:
        case Command::ByName:
            shows(a, kChosenStore);
            break;
        case Command::SaveChanged:
        case Command::SaveRefused:
            break;
        }
        return state;
    }
    bool shown(FakeModals::Shown::Kind kind, const QString& text = {}) const {
        return std::any_of(modals.shown.begin(), modals.shown.end(), [&](const auto& s) {
            return s.kind == kind && (text.isNull() || s.text == text);
        });
    }
};

// The bytes of the record that the slot fields hold, when all seven are item ids.
std::optional<store::Record> shownRecord(EditorWindow& form) {
    store::Record record{};
    for (int k = 1; k <= 7; ++k) {
        const auto byte = session::textToByte(form.slotField(k)->text().toStdString());
        if (!byte)
            return std::nullopt;
        record[k - 1] = *byte;
    }
    return record;
}

// The first byte where two images differ, for a failure message.
QString firstDifference(const std::vector<std::uint8_t>& found,
                        const std::vector<std::uint8_t>& expected) {
    if (found.size() != expected.size())
        return QStringLiteral("length %1, expected %2").arg(found.size()).arg(expected.size());
    const auto at = std::mismatch(found.begin(), found.end(), expected.begin());
    if (at.first == found.end())
        return {};
    const auto position = at.first - found.begin() + 1;
    return QStringLiteral("position %1: expected %2, found %3")
        .arg(position)
        .arg(*at.second)
        .arg(*at.first);
}

} // namespace

Q_DECLARE_METATYPE(Command)
Q_DECLARE_METATYPE(ScriptedFileOps::Call)

class TestFaultSweep : public QObject {
    Q_OBJECT
private slots:
    void sweep_data() {
        QTest::addColumn<Command>("command");
        QTest::addColumn<int>("call"); // 0: no fault
        QTest::addColumn<int>("fault");
        QTest::addColumn<int>("error");
        for (Command command : {Command::FirstOpen, Command::SecondOpen, Command::ByNumber,
                                Command::ByName, Command::SaveChanged, Command::SaveRefused}) {
            // The calls that the command makes when nothing fails.
            Scene scene(command);
            scene.run(command);
            const std::vector<Call> calls = scene.files.log;
            QTest::addRow("%s, no fault", name(command)) << command << 0 << int(Fault::None) << 0;
            for (std::size_t i = 0; i < calls.size(); ++i) {
                const int n = int(i) + 1;
                const char* call = ScriptedFileOps::name(calls[i]);
                QTest::addRow("%s, call %d (%s) fails with EIO", name(command), n, call)
                    << command << n << int(Fault::Error) << EIO;
                QTest::addRow("%s, call %d (%s) fails with EINTR", name(command), n, call)
                    << command << n << int(Fault::Error) << EINTR;
                if (ScriptedFileOps::canBeShort(calls[i]))
                    QTest::addRow("%s, call %d (%s) gives a short count", name(command), n, call)
                        << command << n << int(Fault::Short) << 0;
            }
        }
    }
    void sweep() {
        QFETCH(Command, command);
        QFETCH(int, call);
        QFETCH(int, fault);
        QFETCH(int, error);
        Scene scene(command);
        const WindowState before = WindowState::of(*scene.form);
        const WindowState success = scene.success(command, before);
        if (call > 0)
            scene.files.add({call, {}, Fault(fault), error});
        scene.run(command);
        QVERIFY2(call == 0 || scene.files.fired, "the scripted fault did not fire");
        QCOMPARE(scene.files.openDescriptors(), 0);

        // What each command shows: exactly its own boxes, and an error only on failure.
        const bool errorShown = scene.shown(FakeModals::Shown::Error);
        const bool savedShown = scene.shown(FakeModals::Shown::Message, kSaved);
        QList<FakeModals::Shown::Kind> kinds;
        for (const auto& shown : scene.modals.shown)
            kinds << shown.kind;
        using Kind = FakeModals::Shown::Kind;
        switch (command) {
        case Command::FirstOpen:
        case Command::SecondOpen:
            // The file dialog, the chosen path, then an error only when the Open failed.
            QVERIFY(scene.shown(Kind::Message, QString::fromStdString(scene.pathB)));
            QCOMPARE(kinds, errorShown ? QList<Kind>({Kind::FileDialog, Kind::Message, Kind::Error})
                                       : QList<Kind>({Kind::FileDialog, Kind::Message}));
            break;
        case Command::ByNumber:
        case Command::ByName:
            // Nothing on success; one error on failure.
            QCOMPARE(kinds, errorShown ? QList<Kind>({Kind::Error}) : QList<Kind>());
            break;
        case Command::SaveChanged:
            // "saved current store", or one error: never both, never neither.
            QCOMPARE(kinds, QList<Kind>({errorShown ? Kind::Error : Kind::Message}));
            QVERIFY(savedShown != errorShown);
            break;
        case Command::SaveRefused:
            // A slot text that is no item id: always one error, never success.
            QCOMPARE(kinds, QList<Kind>({Kind::Error}));
            break;
        }
        if (call == 0)
            QVERIFY(!errorShown || command == Command::SaveRefused);

        // The window: as before, or as the command's success leaves it.
        const WindowState after = WindowState::of(*scene.form);
        if (!errorShown)
            QVERIFY2(after == success,
                     qPrintable(after.describe() + "\nexpected\n" + success.describe()));
        else
            QVERIFY2(after == before || after == success,
                     qPrintable(after.describe() + "\nexpected as before\n" + before.describe() +
                                "\nor as after success\n" + success.describe()));

        // The files: only A's store 12 may change, and only to the record shown.
        Image expectedA = scene.a;
        const auto recordA = Image::load(scene.pathA).record(kShownStore);
        if (command == Command::SaveChanged) {
            const auto wanted = shownRecord(*scene.form);
            QVERIFY(wanted);
            QVERIFY(recordA == scene.a.record(kShownStore) || recordA == *wanted);
            QVERIFY(!savedShown || recordA == *wanted);
            expectedA.setRecord(kShownStore, recordA);
        }
        const QString diffA = firstDifference(Image::load(scene.pathA).bytes, expectedA.bytes);
        QVERIFY2(diffA.isEmpty(), qPrintable("a.smc " + diffA));
        const QString diffB = firstDifference(Image::load(scene.pathB).bytes, scene.b.bytes);
        QVERIFY2(diffB.isEmpty(), qPrintable("b.smc " + diffB));

        // Then one more Save, with nothing failing, is harmless.
        secondSaveIsHarmless(scene);
    }

private:
    void secondSaveIsHarmless(Scene& scene) {
        if (!scene.form->saveButton()->isEnabled())
            return; // nothing is open: no Save can be made
        const auto current = scene.form->fileDialog().fileName().toStdString();
        const int store = scene.form->storeNumberList()->position();
        const auto record = shownRecord(*scene.form);
        Image a = Image::load(scene.pathA), b = Image::load(scene.pathB);
        scene.files.reset();
        scene.modals.clear();
        scene.form->saveButton()->click();
        const bool saved = scene.shown(FakeModals::Shown::Message, kSaved);
        QVERIFY(saved != scene.shown(FakeModals::Shown::Error));
        if (saved) {
            QVERIFY(record && store >= 0);
            QVERIFY(current == scene.pathA || current == scene.pathB);
            (current == scene.pathA ? a : b).setRecord(store, *record);
        }
        const QString diffA = firstDifference(Image::load(scene.pathA).bytes, a.bytes);
        QVERIFY2(diffA.isEmpty(), qPrintable("after the next Save, a.smc " + diffA));
        const QString diffB = firstDifference(Image::load(scene.pathB).bytes, b.bytes);
        QVERIFY2(diffB.isEmpty(), qPrintable("after the next Save, b.smc " + diffB));
        QCOMPARE(scene.files.openDescriptors(), 0);
    }
};

QTEST_MAIN(TestFaultSweep)
#include "test_faultsweep.moc"
