// Seeded random walks of user actions on the real editor window (offscreen),
// checked after every action against a plain model of the image and the window.
// A failure names its seed and the actions up to the first one that went wrong.
// QSE_WALK_SEED and QSE_WALK_STEPS run one walk of your choosing.

#include "Conversions.h"
#include "FakeModals.h"
#include "Fixtures.h"
#include "Form1.h"
#include "ImageFile.h"
#include "ScriptedFileOps.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <random>

using fixtures::Folder;
using tools::Image;

namespace {

const QString kSaved = QStringLiteral("saved current store");

enum class Kind { ByNumber, ByName, Item, Unlock, TypeSlot, TypeList, Save, OpenAgain, Restart };

struct Action {
    Kind kind;
    int a = 0; // store, slot or list
    int b = 0; // item
    QString text = {};

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
                            QStringLiteral("0x10")};

std::vector<Action> makeWalk(std::uint32_t seed, int steps) {
    std::mt19937 rng(seed);
    auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
    std::vector<Action> walk;
    for (int i = 0; i < steps; ++i) {
        const int roll = pick(100);
        Action action{Kind::Save};
        if (roll < 18)
            action = {Kind::ByNumber, pick(65)};
        else if (roll < 34)
            action = {Kind::ByName, pick(65)};
        else if (roll < 54)
            action = {Kind::Item, 1 + pick(7), pick(256)};
        else if (roll < 60)
            action = {Kind::Unlock};
        else if (roll < 74)
            action = {Kind::TypeSlot, 1 + pick(7), 0, kTexts[pick(kTexts.size())]};
        else if (roll < 80)
            action = {Kind::TypeList, pick(9), 0, kTexts[pick(kTexts.size())]};
        else if (roll < 94)
            action = {Kind::Save};
        else if (roll < 98)
            action = {Kind::OpenAgain};
        else
            action = {Kind::Restart};
        walk.push_back(action);
    }
    return walk;
}

// What the window and the image should hold.
struct Model {
    std::vector<std::uint8_t> file;
    int store = -1;     // Combo1's selection
    int nameStore = -1; // cmbstores' selection
    std::array<QString, 7> texts;
    std::array<int, 7> items{};
    bool unlocked = false;
    bool saved = false;   // the last action showed "saved current store"
    bool refused = false; // the last action showed an error

    std::uint8_t byte(int store_, int slot) const {
        return file[store::slotPosition(store_, slot) - 1];
    }
    void readStore(int s) {
        store = nameStore = s;
        for (int k = 1; k <= 7; ++k) {
            texts[k - 1] = QString::number(byte(s, k));
            items[k - 1] = byte(s, k);
        }
    }
};

class Walker {
public:
    Walker(const std::string& path, const Image& image) : path_(path) {
        model_.file = image.bytes;
        restart();
    }

    void apply(const Action& action) {
        model_.saved = model_.refused = false;
        const auto before = modals_.shown.size();
        switch (action.kind) {
        case Kind::ByNumber:
            userChoose(form_->Combo1(), action.a);
            model_.readStore(action.a);
            break;
        case Kind::ByName:
            userChoose(form_->cmbstores(), action.a);
            if (model_.store != action.a)
                model_.readStore(action.a);
            model_.nameStore = action.a;
            break;
        case Kind::Item:
            userChoose(form_->cmbitem(action.a), action.b);
            model_.items[action.a - 1] = action.b;
            model_.texts[action.a - 1] = QString::number(action.b);
            break;
        case Kind::Unlock:
            form_->mnuunlock()->trigger();
            model_.unlocked = !model_.unlocked;
            break;
        case Kind::TypeSlot:
            if (!model_.unlocked)
                break; // a locked field takes no typing
            type(form_->Text(action.a), action.text);
            model_.texts[action.a - 1] = action.text;
            break;
        case Kind::TypeList: {
            ChoiceList* list = action.a == 0   ? form_->Combo1()
                               : action.a == 8 ? form_->cmbstores()
                                               : form_->cmbitem(action.a);
            type(list->lineEdit(), action.text);
            if (action.a == 0)
                model_.store = -1;
            else if (action.a == 8)
                model_.nameStore = -1;
            else
                model_.items[action.a - 1] = -1;
            break;
        }
        case Kind::Save: {
            form_->Command1()->click();
            bool ok = model_.store >= 0;
            store::Record record{};
            for (int k = 1; k <= 7 && ok; ++k) {
                const auto b = store::textToByte(model_.texts[k - 1].toStdString());
                ok = b.has_value();
                record[k - 1] = b.value_or(0);
            }
            if (ok)
                for (int k = 1; k <= 7; ++k)
                    model_.file[store::slotPosition(model_.store, k) - 1] = record[k - 1];
            model_.saved = ok;
            model_.refused = !ok;
            break;
        }
        case Kind::OpenAgain:
            modals_.fileAnswers.push_back(QString::fromStdString(path_));
            form_->mnuopen()->trigger();
            model_.readStore(0);
            break;
        case Kind::Restart:
            restart();
            break;
        }
        shownNow_ =
            std::vector<FakeModals::Shown>(modals_.shown.begin() + before, modals_.shown.end());
    }

    // Empty when the window and the image agree with the model; else what differs.
    QString check() const {
        QStringList wrong;
        const auto file = readFile();
        if (file.size() != model_.file.size())
            wrong << QStringLiteral("file length %1, expected %2")
                         .arg(file.size())
                         .arg(model_.file.size());
        else if (file != model_.file)
            wrong << QStringLiteral("file bytes differ from the model");
        if (form_->Combo1()->position() != model_.store)
            wrong << QStringLiteral("Combo1 at %1, expected %2")
                         .arg(form_->Combo1()->position())
                         .arg(model_.store);
        if (form_->cmbstores()->position() != model_.nameStore)
            wrong << QStringLiteral("cmbstores at %1, expected %2")
                         .arg(form_->cmbstores()->position())
                         .arg(model_.nameStore);
        for (int k = 1; k <= 7; ++k) {
            if (form_->Text(k)->text() != model_.texts[k - 1])
                wrong << QStringLiteral("Text%1 \"%2\", expected \"%3\"")
                             .arg(k)
                             .arg(form_->Text(k)->text(), model_.texts[k - 1]);
            if (form_->cmbitem(k)->position() != model_.items[k - 1])
                wrong << QStringLiteral("cmbitem%1 at %2, expected %3")
                             .arg(k)
                             .arg(form_->cmbitem(k)->position())
                             .arg(model_.items[k - 1]);
            if (form_->Text(k)->isEnabled() != model_.unlocked)
                wrong << QStringLiteral("Text%1 enabled state").arg(k);
        }
        if (form_->mnuunlock()->isChecked() != model_.unlocked)
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
    static void userChoose(ChoiceList* list, int position) {
        // What QComboBox does on a user's choice: select, then report it.
        list->setCurrentIndex(position);
        emit list->activated(position);
    }
    static void type(QLineEdit* edit, const QString& text) {
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, text);
    }
    void restart() {
        form_.reset();
        form_ = std::make_unique<Form1>(modals_, files_);
        modals_.fileAnswers.push_back(QString::fromStdString(path_));
        form_->mnuopen()->trigger();
        model_.unlocked = false;
        model_.readStore(0);
    }
    std::vector<std::uint8_t> readFile() const { return Image::load(path_).bytes; }

    std::string path_;
    FakeModals modals_;
    ScriptedFileOps files_;
    std::unique_ptr<Form1> form_;
    Model model_;
    std::vector<FakeModals::Shown> shownNow_;
};

} // namespace

class TestRandomWalk : public QObject {
    Q_OBJECT
private slots:
    void walk_data() {
        QTest::addColumn<uint>("seed");
        QTest::addColumn<int>("steps");
        if (qEnvironmentVariableIsSet("QSE_WALK_SEED")) {
            QTest::newRow("chosen") << uint(qEnvironmentVariableIntValue("QSE_WALK_SEED"))
                                    << qMax(1, qEnvironmentVariableIntValue("QSE_WALK_STEPS"));
            return;
        }
        for (uint seed : {1u, 2u, 3u, 4u})
            QTest::newRow(qPrintable(QStringLiteral("seed %1").arg(seed))) << seed << 1000;
    }
    void walk() {
        QFETCH(uint, seed);
        QFETCH(int, steps);
        Folder folder;
        Image image = Image::random(seed, store::kTableLast + 4096);
        const auto path = folder.write("walk.smc", image);
        const auto actions = makeWalk(seed, steps);
        Walker walker(path, image);
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
                                                "QSE_WALK_STEPS=%2):\n%5")
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
