// Seeded random walks of user actions on the real editor window (offscreen), with
// failing file calls and another program changing the image between actions,
// checked after every action against a plain model of the image and the window.
// The model converts slot texts by a reference of its own. A failure names its
// seed, the first differing byte, and the actions up to the first one that went
// wrong. QSE_WALK_SEED and QSE_WALK_STEPS run one walk of your choosing, over an
// image without a copier header when QSE_WALK_HEADERLESS is set. Half the walks run
// over such an image.

#include "EditorWindow.h"
#include "FakeModals.h"
#include "Fixtures.h"
#include "ScriptedFileOps.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <cmath>
#include <filesystem>
#include <locale>
#include <random>
#include <sstream>

using fixtures::Folder;
using tools::Image;
using Call = ScriptedFileOps::Call;
using Fault = ScriptedFileOps::Fault;

namespace {

const QString kSaved = QStringLiteral("saved current store");
// The walk's image: a little past the table's end (the positions of an image with a
// copier header), or 43 banks without one, the fewest that hold the table.
constexpr std::int64_t kImageLength = store::kTableLast + 4096;
constexpr std::int64_t kHeaderlessLength = 43 * store::kBankBytes;
constexpr std::int64_t kTruncatedLength = 1000000;

enum class Kind {
    ByNumber,
    ByName,
    Item,
    Unlock,
    TypeSlot,
    TypeList,
    Save,
    OpenAgain,
    Restart,
    Faulted,    // one of ByNumber, ByName, Save, OpenAgain with file call `call` failing
    Truncate,   // another program truncates the image
    Restore,    // ... writes the whole image back, in place
    RenameOver, // ... renames another image over the path
    Rewrite,    // ... rewrites one store's record in place
};

struct Action {
    Kind kind;
    int a = 0; // store, slot or list
    int b = 0; // item
    QString text = {};
    Kind command = Kind::Save; // for Faulted
    int call = 0;              // for Faulted: the failing call of the command, from 1
    Fault fault = Fault::Error;

    QString describe() const {
        switch (kind) {
        case Kind::ByNumber:
            return QStringLiteral("store %1 by number").arg(a);
        case Kind::ByName:
            return QStringLiteral("store %1 by name").arg(a);
        case Kind::Item:
            return QStringLiteral("item %1 in slot %2").arg(b).arg(a);
        case Kind::Unlock:
            return QStringLiteral("unlock numberlists");
        case Kind::TypeSlot:
            return QStringLiteral("type \"%1\" into Text%2").arg(text).arg(a);
        case Kind::TypeList:
            return QStringLiteral("type \"%1\" into list %2").arg(text).arg(a);
        case Kind::Save:
            return QStringLiteral("Save");
        case Kind::OpenAgain:
            return QStringLiteral("OpenRom again");
        case Kind::Restart:
            return QStringLiteral("Exit and a fresh window, OpenRom");
        case Kind::Faulted: {
            Action inner = *this;
            inner.kind = command;
            return QStringLiteral("%1, with file call %2 %3")
                .arg(inner.describe())
                .arg(call)
                .arg(fault == Fault::Short ? "giving a short count" : "failing with EIO");
        }
        case Kind::Truncate:
            return QStringLiteral("another program truncates the image");
        case Kind::Restore:
            return QStringLiteral("another program writes the whole image back");
        case Kind::RenameOver:
            return QStringLiteral("another program renames another image over it");
        case Kind::Rewrite:
            return QStringLiteral("another program rewrites store %1").arg(a);
        }
        return {};
    }
};

const QStringList kTexts = {QString(),
                            QStringLiteral(" 7 "),
                            QStringLiteral("7.5"),
                            QStringLiteral("1e2"),
                            QStringLiteral("256"),
                            QStringLiteral("-1"),
                            QStringLiteral("abc"),
                            QStringLiteral("0"),
                            QStringLiteral("255"),
                            QStringLiteral("12"),
                            QStringLiteral("2.5"),
                            QStringLiteral("0x10"),
                            QStringLiteral("1e-400"),
                            QStringLiteral("254.5"),
                            QStringLiteral("+3."),
                            QStringLiteral(".5e1")};

std::vector<Action> makeWalk(std::uint32_t seed, int steps) {
    std::mt19937 rng(seed);
    auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
    std::vector<Action> walk;
    for (int i = 0; i < steps; ++i) {
        const int roll = pick(100);
        Action action{Kind::Save};
        if (roll < 15)
            action = {Kind::ByNumber, pick(65)};
        else if (roll < 28)
            action = {Kind::ByName, pick(65)};
        else if (roll < 44)
            action = {Kind::Item, 1 + pick(7), pick(256)};
        else if (roll < 49)
            action = {Kind::Unlock};
        else if (roll < 60)
            action = {Kind::TypeSlot, 1 + pick(7), 0, kTexts[pick(kTexts.size())]};
        else if (roll < 64)
            action = {Kind::TypeList, pick(9), 0, kTexts[pick(kTexts.size())]};
        else if (roll < 75)
            action = {Kind::Save};
        else if (roll < 78)
            action = {Kind::OpenAgain};
        else if (roll < 80)
            action = {Kind::Restart};
        else if (roll < 92) {
            static const Kind commands[] = {Kind::ByNumber, Kind::ByName, Kind::Save,
                                            Kind::OpenAgain};
            action = {Kind::Faulted, pick(65)};
            action.command = commands[pick(4)];
            action.call = 1 + pick(9);
            action.fault = pick(4) == 0 ? Fault::Short : Fault::Error;
        } else if (roll < 94)
            action = {Kind::Truncate};
        else if (roll < 96)
            action = {Kind::Restore};
        else if (roll < 97)
            action = {Kind::RenameOver, 0, int(rng())};
        else
            action = {Kind::Rewrite, pick(3) == 0 ? -1 : pick(65), pick(256)};
        walk.push_back(action);
    }
    return walk;
}

// The documented rule for a slot text, written afresh: blanks around, an optional
// sign, decimal digits with an optional fraction and exponent; rounded to a whole
// number with halves to the even one; 0 to 255. Too small a number for a double is
// zero; too large is refused.
std::optional<std::uint8_t> referenceByte(const QString& text) {
    const std::string raw = text.toStdString();
    const auto first = raw.find_first_not_of(" \t");
    if (first == std::string::npos)
        return std::nullopt;
    const std::string s = raw.substr(first, raw.find_last_not_of(" \t") - first + 1);
    const std::size_t i = s[0] == '+' || s[0] == '-' ? 1 : 0;
    const std::size_t mantissaEnd = s.find_first_of("eE", i);
    const std::string mantissa = s.substr(i, mantissaEnd - i);
    if (mantissa.find_first_not_of("0123456789.") != std::string::npos ||
        std::count(mantissa.begin(), mantissa.end(), '.') > 1 ||
        mantissa.find_first_of("0123456789") == std::string::npos)
        return std::nullopt;
    if (mantissaEnd != std::string::npos) {
        std::string exponent = s.substr(mantissaEnd + 1);
        if (!exponent.empty() && (exponent[0] == '+' || exponent[0] == '-'))
            exponent.erase(0, 1);
        if (exponent.empty() || exponent.find_first_not_of("0123456789") != std::string::npos)
            return std::nullopt;
    }
    std::istringstream in(s);
    in.imbue(std::locale::classic());
    double value = 0;
    in >> value;
    if (in.fail() || !std::isfinite(value))
        return std::nullopt;
    const double whole = std::nearbyint(value); // the default rounding: halves to even
    if (whole < 0 || whole > 255)
        return std::nullopt;
    return static_cast<std::uint8_t>(whole);
}

// What the image, the window and the editor's memory should hold.
struct Model {
    std::vector<std::uint8_t> file; // what the path names now
    std::vector<std::uint8_t> full; // the image as it was before a truncation
    int fileVersion = 0;            // another file renamed over the path is a new version
    int openedVersion = 0;          // the version that the last successful Open read
    int memoryStore = -1;           // the store whose record the slot fields hold
    std::optional<store::Record> memoryBytes;
    bool enabled = false; // lists and Save (an image has been opened)
    int store = -1;       // storeNumberList's selection
    int nameStore = -1;   // storeNameList' selection
    std::array<QString, 7> texts;
    std::array<int, 7> items{};
    bool unlocked = false;
    bool saved = false;   // the last action showed "saved current store"
    bool refused = false; // the last action showed an error

    // The layout the file's size gives, and the 0-based offset of a slot in it.
    store::Layout layout() const { return store::layoutOfSize(std::int64_t(file.size())); }
    std::size_t offsetOf(int s, int k) const {
        return std::size_t(store::slotPosition(layout(), s, k) - 1);
    }
    bool whole() const { return std::int64_t(file.size()) >= store::minimumLength(layout()); }
    store::Record record(int s) const {
        store::Record r{};
        for (int k = 1; k <= 7; ++k)
            r[k - 1] = file[offsetOf(s, k)];
        return r;
    }
    void show(const store::Record& r) {
        for (int k = 1; k <= 7; ++k) {
            texts[k - 1] = QString::number(r[k - 1]);
            items[k - 1] = r[k - 1];
        }
    }
    // A store choice's read of store s; `failed` when a scripted fault failed it.
    void readStore(int s, bool failed) {
        if (failed || !whole() || fileVersion != openedVersion) {
            refused = true;
            store = nameStore = memoryStore;
            return;
        }
        memoryStore = store = nameStore = s;
        memoryBytes = record(s);
        show(*memoryBytes);
    }
};

// The file calls of each command when nothing fails, in the order the editor makes
// them, and so what a failing call N does to it.
//   store read:  open, fstat, pread (the record), close
//   Open:        open, fstat, pread (store 0), pread (marker), close; then, when the
//                store-number list was not at store 0, a store read
//   Save:        open, fstat, pread (the old record), fstat, pwrite, fsync, fstat,
//                close
enum SaveCall { kSaveOpen = 1, kSaveRead = 3, kSaveWrite = 5, kSaveFlush, kSaveLength, kSaveClose };
constexpr int kOpeningCalls = 5;

class Walker {
public:
    Walker(Folder& folder, const std::string& path, const Image& image)
        : folder_(folder), path_(path) {
        model_.file = model_.full = image.bytes;
        restart();
    }

    void apply(const Action& action) {
        model_.saved = model_.refused = false;
        const auto before = modals_.shown.size();
        files_.reset();
        Action command = action;
        bool faulted = false;
        if (action.kind == Kind::Faulted) {
            files_.add({action.call, {}, action.fault, EIO});
            command.kind = action.command;
            faulted = true;
        }
        // Whether the scripted fault failed its call (a short read is read on).
        const auto failed = [&] {
            return faulted && files_.fired &&
                   !(action.fault == Fault::Short && *files_.fired == Call::Pread);
        };
        switch (command.kind) {
        case Kind::ByNumber:
            if (!model_.enabled)
                break;
            choose(form_->storeNumberList(), command.a);
            model_.store = command.a;
            model_.readStore(command.a, failed());
            break;
        case Kind::ByName:
            if (!model_.enabled)
                break;
            choose(form_->storeNameList(), command.a);
            model_.nameStore = command.a;
            if (model_.store != command.a) {
                model_.store = command.a;
                model_.readStore(command.a, failed());
            }
            break;
        case Kind::Item:
            if (!model_.enabled)
                break;
            choose(form_->itemList(command.a), command.b);
            model_.items[command.a - 1] = command.b;
            model_.texts[command.a - 1] = QString::number(command.b);
            break;
        case Kind::Unlock:
            form_->unlockAction()->trigger();
            model_.unlocked = !model_.unlocked;
            break;
        case Kind::TypeSlot:
            if (!model_.unlocked)
                break; // a locked field takes no typing
            type(form_->slotField(command.a), command.text);
            model_.texts[command.a - 1] = command.text;
            break;
        case Kind::TypeList: {
            if (!model_.enabled)
                break;
            ChoiceList* list = command.a == 0   ? form_->storeNumberList()
                               : command.a == 8 ? form_->storeNameList()
                                                : form_->itemList(command.a);
            type(list->lineEdit(), command.text);
            if (command.a == 0)
                model_.store = -1;
            else if (command.a == 8)
                model_.nameStore = -1;
            else
                model_.items[command.a - 1] = -1;
            break;
        }
        case Kind::Save:
            if (!model_.enabled)
                break;
            form_->saveButton()->click();
            save(faulted ? action : Action{Kind::Save});
            break;
        case Kind::OpenAgain:
            open(faulted ? &action : nullptr);
            break;
        case Kind::Restart:
            restart();
            break;
        case Kind::Truncate:
            if (model_.whole())
                model_.full = model_.file;
            std::filesystem::resize_file(path_, kTruncatedLength);
            model_.file.resize(std::min<std::size_t>(model_.file.size(), kTruncatedLength));
            break;
        case Kind::Restore:
            if (!model_.whole())
                model_.file = model_.full;
            Image(model_.file.size()).save(path_); // rewritten in place: the same file
            writeFile(model_.file);
            break;
        case Kind::RenameOver: {
            // The replaced file is kept (linked elsewhere), so that the new one cannot
            // reuse its inode number: on a file system without birth times, a reused
            // one would make it the same file for the editor, which knows a file by
            // its device, inode and birth time.
            const Image other =
                Image::random(std::uint32_t(action.b), std::int64_t(model_.full.size()));
            std::filesystem::create_hard_link(
                path_, folder_.path(("replaced-" + std::to_string(model_.fileVersion)).c_str()));
            std::filesystem::rename(folder_.write("other.smc", other), path_);
            model_.file = other.bytes;
            ++model_.fileVersion;
            break;
        }
        case Kind::Rewrite: {
            if (!model_.whole())
                break;
            const int s = action.a < 0 ? std::max(model_.memoryStore, 0) : action.a;
            model_.file[model_.offsetOf(s, 1 + action.b % 7)] ^= std::uint8_t(1 + action.b);
            writeFile(model_.file);
            break;
        }
        case Kind::Faulted:
            break;
        }
        shownNow_ =
            std::vector<FakeModals::Shown>(modals_.shown.begin() + before, modals_.shown.end());
    }

    // Empty when the window and the image agree with the model; else what differs.
    QString check() const {
        QStringList wrong;
        const auto file = Image::load(path_).bytes;
        if (file.size() != model_.file.size()) {
            wrong << QStringLiteral("file length %1, expected %2")
                         .arg(file.size())
                         .arg(model_.file.size());
        } else {
            const auto at = std::mismatch(file.begin(), file.end(), model_.file.begin());
            if (at.first != file.end())
                wrong << QStringLiteral("file byte at position %1: expected %2, found %3")
                             .arg(at.first - file.begin() + 1)
                             .arg(*at.second)
                             .arg(*at.first);
        }
        if (form_->storeNumberList()->position() != model_.store)
            wrong << QStringLiteral("Combo1 at %1, expected %2")
                         .arg(form_->storeNumberList()->position())
                         .arg(model_.store);
        if (form_->storeNameList()->position() != model_.nameStore)
            wrong << QStringLiteral("cmbstores at %1, expected %2")
                         .arg(form_->storeNameList()->position())
                         .arg(model_.nameStore);
        if (form_->saveButton()->isEnabled() != model_.enabled)
            wrong << QStringLiteral("Save enabled state");
        for (int k = 1; k <= 7; ++k) {
            if (form_->slotField(k)->text() != model_.texts[k - 1])
                wrong << QStringLiteral("Text%1 \"%2\", expected \"%3\"")
                             .arg(k)
                             .arg(form_->slotField(k)->text(), model_.texts[k - 1]);
            if (form_->itemList(k)->position() != model_.items[k - 1])
                wrong << QStringLiteral("cmbitem%1 at %2, expected %3")
                             .arg(k)
                             .arg(form_->itemList(k)->position())
                             .arg(model_.items[k - 1]);
            if (form_->slotField(k)->isEnabled() != model_.unlocked)
                wrong << QStringLiteral("Text%1 enabled state").arg(k);
        }
        if (form_->unlockAction()->isChecked() != model_.unlocked)
            wrong << QStringLiteral("check mark of unlock numberlists");
        bool savedShown = false, errorShown = false;
        for (const auto& s : shownNow_) {
            savedShown = savedShown || (s.kind == FakeModals::Shown::Message && s.text == kSaved);
            errorShown = errorShown || s.kind == FakeModals::Shown::Error;
        }
        if (savedShown != model_.saved)
            wrong << QStringLiteral("\"saved current store\" %1")
                         .arg(savedShown ? "shown" : "missing");
        if (errorShown != model_.refused)
            wrong << QStringLiteral("error message %1").arg(errorShown ? "shown" : "missing");
        if (files_.openDescriptors() != 0)
            wrong << QStringLiteral("an image handle is left open");
        return wrong.join(QStringLiteral("; "));
    }

private:
    static void choose(ChoiceList* list, int position) {
        // What QComboBox does on a user's choice: select, then report it.
        list->setCurrentIndex(position);
        emit list->activated(position);
    }
    static void type(QLineEdit* edit, const QString& text) {
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, text);
    }
    void writeFile(const std::vector<std::uint8_t>& bytes) {
        Image image(0);
        image.bytes = bytes;
        image.save(path_);
    }

    // The model of Save: what it refuses, and what each failing call leaves.
    void save(const Action& action) {
        const bool faulted = action.kind == Kind::Faulted && files_.fired;
        const int call = faulted ? action.call : 0;
        const bool shortCount = faulted && action.fault == Fault::Short;
        std::optional<store::Record> record = store::Record{};
        for (int k = 1; k <= 7 && record; ++k) {
            const auto byte = referenceByte(model_.texts[k - 1]);
            if (byte)
                (*record)[k - 1] = *byte;
            else
                record.reset();
        }
        const bool accepted = model_.store >= 0 && model_.store == model_.memoryStore && record &&
                              model_.whole() && model_.fileVersion == model_.openedVersion &&
                              model_.memoryBytes &&
                              model_.record(model_.store) == *model_.memoryBytes;
        if (!accepted) {
            model_.refused = true;
            return;
        }
        const bool readOn = shortCount && call == kSaveRead;
        if (faulted && !readOn && call < kSaveLength) {
            model_.refused = true; // refused before the write, or put back after it
            return;
        }
        for (int k = 1; k <= 7; ++k)
            model_.file[model_.offsetOf(model_.store, k)] = (*record)[k - 1];
        if (faulted && call == kSaveLength) {
            model_.refused = true;
            model_.memoryBytes.reset();
            return;
        }
        model_.memoryBytes = record;
        if (faulted && call == kSaveClose) {
            model_.refused = true;
            return;
        }
        model_.saved = true;
    }

    // The model of Open, with the failing call of a faulted action: it fails the
    // Open when it is one of the Open's own reading, else the store read of its last
    // step.
    void open(const Action* faulted) {
        modals_.fileAnswers.push_back(QString::fromStdString(path_));
        form_->openAction()->trigger();
        const bool failed = faulted && files_.fired &&
                            !(faulted->fault == Fault::Short && *files_.fired == Call::Pread);
        const bool openingFailed = failed && faulted->call <= kOpeningCalls;
        const bool rereadFailed = failed && faulted->call > kOpeningCalls;
        if (openingFailed || !model_.whole()) {
            model_.refused = true;
            return;
        }
        model_.openedVersion = model_.fileVersion;
        model_.enabled = true;
        model_.memoryStore = 0;
        model_.memoryBytes = model_.record(0);
        model_.show(*model_.memoryBytes);
        model_.nameStore = model_.store;
        if (model_.store != 0) {
            model_.store = 0;
            model_.readStore(0, rereadFailed);
        }
        model_.store = model_.nameStore = 0;
    }

    void restart() {
        form_.reset();
        form_ = std::make_unique<EditorWindow>(modals_, files_);
        model_.unlocked = false;
        model_.enabled = false;
        model_.store = model_.nameStore = model_.memoryStore = -1;
        model_.memoryBytes.reset();
        model_.texts.fill(QStringLiteral("0"));
        model_.items.fill(-1);
        files_.reset();
        open(nullptr);
    }

    Folder& folder_;
    std::string path_;
    FakeModals modals_;
    ScriptedFileOps files_;
    std::unique_ptr<EditorWindow> form_;
    Model model_;
    std::vector<FakeModals::Shown> shownNow_;
};

} // namespace

class TestRandomWalk : public QObject {
    Q_OBJECT
private slots:
    // The reference agrees with the documented examples before it judges anything.
    void referenceFollowsTheRule() {
        QCOMPARE(referenceByte(QStringLiteral(" 7 ")), std::optional<std::uint8_t>(7));
        QCOMPARE(referenceByte(QStringLiteral("2.5")), std::optional<std::uint8_t>(2));
        QCOMPARE(referenceByte(QStringLiteral("3.5")), std::optional<std::uint8_t>(4));
        QCOMPARE(referenceByte(QStringLiteral("1e-400")), std::optional<std::uint8_t>(0));
        QCOMPARE(referenceByte(QStringLiteral("255.5")), std::nullopt);
        QCOMPARE(referenceByte(QStringLiteral("0x10")), std::nullopt);
        QCOMPARE(referenceByte(QStringLiteral("1e400")), std::nullopt);
        QCOMPARE(referenceByte(QString()), std::nullopt);
    }

    void walk_data() {
        QTest::addColumn<uint>("seed");
        QTest::addColumn<int>("steps");
        QTest::addColumn<qint64>("length");
        if (qEnvironmentVariableIsSet("QSE_WALK_SEED")) {
            const qint64 length =
                qEnvironmentVariableIsSet("QSE_WALK_HEADERLESS") ? kHeaderlessLength : kImageLength;
            QTest::newRow("chosen")
                << uint(qEnvironmentVariableIntValue("QSE_WALK_SEED"))
                << qMax(1, qEnvironmentVariableIntValue("QSE_WALK_STEPS")) << length;
            return;
        }
        for (uint seed : {1u, 2u})
            QTest::newRow(qPrintable(QStringLiteral("seed %1").arg(seed)))
                << seed << 1000 << qint64(kImageLength);
        for (uint seed : {3u, 4u})
            QTest::newRow(qPrintable(QStringLiteral("seed %1, no copier header").arg(seed)))
                << seed << 1000 << qint64(kHeaderlessLength);
    }
    void walk() {
        QFETCH(uint, seed);
        QFETCH(int, steps);
        QFETCH(qint64, length);
        Folder folder;
        Image image = Image::random(seed, length);
        const auto path = folder.write("walk.smc", image);
        const auto actions = makeWalk(seed, steps);
        Walker walker(folder, path, image);
        QString wrong = walker.check();
        QVERIFY2(wrong.isEmpty(), qPrintable(QStringLiteral("after opening: ") + wrong));
        for (std::size_t i = 0; i < actions.size(); ++i) {
            walker.apply(actions[i]);
            wrong = walker.check();
            if (!wrong.isEmpty()) {
                QStringList prefix;
                for (std::size_t j = 0; j <= i; ++j)
                    prefix << QStringLiteral("  %1. %2").arg(j + 1).arg(actions[j].describe());
                QFAIL(qPrintable(QStringLiteral("seed %1 fails at action %2 of %3: %4\n"
                                                "Shortest failing prefix (QSE_WALK_SEED=%1 "
                                                "QSE_WALK_STEPS=%2, and QSE_WALK_HEADERLESS=1 "
                                                "for an image without a copier header):\n%5")
                                     .arg(seed)
                                     .arg(i + 1)
                                     .arg(steps)
                                     .arg(wrong, prefix.join(QLatin1Char('\n')))));
            }
        }
    }
};

QTEST_MAIN(TestRandomWalk)
#include "test_randomwalk.moc"
