#include "Form1.h"

#include "Conversions.h"
#include "Form1Layout.h"
#include "Form2.h"
#include "ImageError.h"
#include "Modals.h"
#include "Module1.h"
#include "StoreRecords.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <limits>

using namespace form1;
using twips::place;

namespace {

// Text fields take texts of any length (Qt's default stops at 32767 characters).
constexpr int kNoMaximumLength = std::numeric_limits<int>::max();

QString errorText(const store::ImageError& error) {
    return QString::fromUtf8(error.what());
}

} // namespace

// The icons are built into this static library; register them before first use.
static void initEditorResources() {
    Q_INIT_RESOURCE(editor);
}

Form1::Form1(Modals& modals, store::FileOps& files, QWidget* parent)
    : QMainWindow(parent), modals_(modals), files_(files), commonDialog1_(modals, this) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QString::fromLatin1(kCaption));
    initEditorResources();
    QIcon icon;
    icon.addFile(QStringLiteral(":/editor/form1-32-indexed.png"));
    icon.addFile(QStringLiteral(":/editor/form1-32-rgb.png"));
    setWindowIcon(icon);
    QFont font = this->font();
    font.setPixelSize(kFontPixelSize);
    setFont(font);

    createControls();
    createMenus();
    setTabOrder();
    connectHandlers();
    placeWindow();
    Form_Load();
}

Form1::~Form1() = default;

void Form1::createControls() {
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(px(kClientWidth), px(kClientHeight));
    setCentralWidget(client);

    const auto list = [client](const char* name, const QString& role, const Place& p) {
        auto* combo = new ChoiceList(client);
        combo->setObjectName(QString::fromLatin1(name));
        combo->setAccessibleName(role);
        place(combo, p);
        combo->setEnabled(false);
        return combo;
    };
    const auto field = [client](const QString& name, const QString& role, const QString& text,
                                const Place& p) {
        auto* edit = new QLineEdit(text, client);
        edit->setObjectName(name);
        edit->setMaxLength(kNoMaximumLength);
        edit->setAccessibleName(role);
        place(edit, p);
        return edit;
    };

    // Created in the window's own order: the rows from slot 7 up to slot 1.
    cmbstores_ = list("cmbstores", tr("Store name"), kCmbstores);
    for (int slot = kSlots; slot >= 1; --slot)
        cmbitems_[slot - 1] = list(QStringLiteral("cmbitem%1").arg(slot).toLatin1().constData(),
                                   tr("Slot %1 item").arg(slot), itemListPlace(slot));
    text8_ = field(QStringLiteral("Text8"), tr("Marker text"), QStringLiteral("Text8"), kText8);
    combo1_ = list("Combo1", tr("Store number"), kCombo1);
    combo1_->setEditText(QStringLiteral("0"));

    command1_ = new QPushButton(tr("Save"), client);
    command1_->setObjectName(QStringLiteral("Command1"));
    command1_->setAccessibleName(tr("Save store"));
    place(command1_, kCommand1);
    command1_->setEnabled(false);

    for (int slot = kSlots; slot >= 1; --slot) {
        auto* edit = field(QStringLiteral("Text%1").arg(slot), tr("Slot %1 item id").arg(slot),
                           QStringLiteral("0"), slotFieldPlace(slot));
        edit->setEnabled(false);
        texts_[slot - 1] = edit;
    }

    label1_ = new QLabel(tr("Stores"), client);
    label1_->setObjectName(QStringLiteral("Label1"));
    place(label1_, kLabel1);
}

void Form1::createMenus() {
    mnufile_ = menuBar()->addMenu(tr("&File"));
    mnufile_->setObjectName(QStringLiteral("mnufile"));
    mnuopen_ = mnufile_->addAction(tr("OpenRom"));
    mnuopen_->setObjectName(QStringLiteral("mnuopen"));
    mnuopen_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    mnusep_ = mnufile_->addSeparator();
    mnusep_->setObjectName(QStringLiteral("mnusep"));
    mnuexit_ = mnufile_->addAction(tr("Exit"));
    mnuexit_->setObjectName(QStringLiteral("mnuexit"));
    mnuexit_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));

    mnuoptions_ = menuBar()->addMenu(tr("Options"));
    mnuoptions_->setObjectName(QStringLiteral("mnuoptions"));
    mnuunlock_ = mnuoptions_->addAction(tr("unlock numberlists"));
    mnuunlock_->setObjectName(QStringLiteral("mnuunlock"));
    mnuunlock_->setCheckable(true);

    mnuabout_ = menuBar()->addAction(tr("&About"));
    mnuabout_->setObjectName(QStringLiteral("mnuabout"));
}

void Form1::setTabOrder() {
    // Text1..Text7, Save, the store number, Text8, the item lists, the store name.
    QList<QWidget*> order(texts_.begin(), texts_.end());
    order << command1_ << combo1_ << text8_;
    order.append(QList<QWidget*>(cmbitems_.begin(), cmbitems_.end()));
    order << cmbstores_;
    for (qsizetype i = 0; i + 1 < order.size(); ++i)
        QWidget::setTabOrder(order[i], order[i + 1]);
    // Every other control starts disabled, so the unseen Text8 has the focus.
    text8_->setFocus();
}

void Form1::placeWindow() {
    setWindowFlags(twips::kFixedWindowFlags);
    const int menuHeight = menuBar()->sizeHint().height();
    // The geometry of a window is its client area with the menu bar on top.
    setGeometry(px(kScreenLeft), px(kScreenTop) - menuHeight, px(kClientWidth),
                px(kClientHeight) + menuHeight);
    setFixedSize(px(kClientWidth), px(kClientHeight) + menuHeight);
}

void Form1::connectHandlers() {
    connect(combo1_, &ChoiceList::click, this, &Form1::Combo1_Click);
    connect(cmbstores_, &ChoiceList::click, this, &Form1::cmbstores_Click);
    const std::array<void (Form1::*)(), kSlots> itemHandlers = {
        &Form1::cmbitem1_Click, &Form1::cmbitem2_Click, &Form1::cmbitem3_Click,
        &Form1::cmbitem4_Click, &Form1::cmbitem5_Click, &Form1::cmbitem6_Click,
        &Form1::cmbitem7_Click};
    for (int slot = 1; slot <= kSlots; ++slot)
        connect(cmbitem(slot), &ChoiceList::click, this, itemHandlers[slot - 1]);
    connect(command1_, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(mnuopen_, &QAction::triggered, this, &Form1::mnuopen_Click);
    connect(mnuexit_, &QAction::triggered, this, &Form1::mnuexit_Click);
    connect(mnuabout_, &QAction::triggered, this, &Form1::mnuabout_Click);
    connect(mnuunlock_, &QAction::triggered, this, [this](bool toggledTo) {
        // Qt flips a checkable entry's mark before it reports the trigger; put the
        // mark back so that the handler reads the state the user saw, and sets it.
        {
            const QSignalBlocker blocker(mnuunlock_);
            mnuunlock_->setChecked(!toggledTo);
        }
        mnuunlock_Click();
    });
}

void Form1::Form_Load() {
    catalog::FillStoreNumbers(*combo1_);
    catalog::FillItemList1(*cmbitem(1));
    catalog::FillItemList2(*cmbitem(2));
    catalog::FillItemList3(*cmbitem(3));
    catalog::FillItemList4(*cmbitem(4));
    catalog::FillItemList5(*cmbitem(5));
    catalog::FillItemList6(*cmbitem(6));
    catalog::FillItemList7(*cmbitem(7));
    catalog::FillStoreNames(*cmbstores_);
}

void Form1::cmbitem_Click(int slot) {
    const auto id = static_cast<std::int16_t>(cmbitem(slot)->position());
    Text(slot)->setText(QString::number(id));
}

void Form1::cmbstores_Click() {
    combo1_->setPosition(cmbstores_->position());
}

void Form1::Combo1_Click() {
    try {
        store::ReadCurrentStore(*this, files_, memory_);
    } catch (const store::ImageError& error) {
        modals_.error(this, tr("Cannot read the store.\n\n%1\n\nNothing was written; the window "
                               "still shows the store it showed before.")
                                .arg(errorText(error)));
        pointStoreListsAtShownRecord();
        return;
    }
    selectItemsFromSlotTexts();
    cmbstores_->setPosition(combo1_->position());
}

// Both store lists name the store whose record the slot fields hold, so that a Save
// cannot write that record into a store it was not read from. Where no record has
// been read, neither list has a selection, and Save refuses.
void Form1::pointStoreListsAtShownRecord() {
    combo1_->restorePosition(memory_.store);
    cmbstores_->restorePosition(memory_.store);
}

// Each item list follows its slot field. The fields hold texts just read from the
// image, so the conversion always gives an id 0..255.
void Form1::selectItemsFromSlotTexts() {
    for (int slot = 1; slot <= kSlots; ++slot) {
        const auto id = store::textToInt16(Text(slot)->text().toStdString());
        cmbitem(slot)->setPosition(id.value_or(ChoiceList::kNone));
    }
}

void Form1::mnuopen_Click() {
    const QString captionBefore = windowTitle();
    const QString shownImage = commonDialog1_.fileName();
    setWindowTitle(QString::fromLatin1(kCaption));
    commonDialog1_.setFilter(QString::fromLatin1(kRomFilter));
    commonDialog1_.showOpen();
    openChosenFile(shownImage, captionBefore);
}

void Form1::openFile(const QString& path) {
    const QString captionBefore = windowTitle();
    const QString shownImage = commonDialog1_.fileName();
    commonDialog1_.setFileName(path);
    openChosenFile(shownImage, captionBefore);
}

// The Open command from the path message on, with the file dialog's file name
// chosen; shownImage and captionBefore are what the window had before the command.
void Form1::openChosenFile(const QString& shownImage, const QString& captionBefore) {
    modals_.message(this, commonDialog1_.fileName());
    if (commonDialog1_.fileName().isEmpty())
        return;

    // Everything is read, and the image closed, before the window changes.
    store::OpeningRead read;
    try {
        read = store::ReadOpening(files_, fileName());
    } catch (const store::ImageError& error) {
        modals_.error(
            this,
            tr("Cannot open the ROM image.\n\n%1\n\nNothing was written.").arg(errorText(error)));
        // The window stays as it was, and so does the image it shows: later reads and
        // saves go there, never to the file that could not be opened.
        commonDialog1_.setFileName(shownImage);
        setWindowTitle(captionBefore);
        return;
    }

    memory_ = {read.identity, store::kFirstStore, read.storeZero};
    store::ShowRecord(*this, read.storeZero);

    command1_->setEnabled(true);
    combo1_->setEnabled(true);
    cmbstores_->setEnabled(true);
    for (int slot = 1; slot <= kSlots; ++slot)
        cmbitem(slot)->setEnabled(true);

    cmbstores_->setEditText(QString::fromLatin1(kStoreZeroName));
    selectItemsFromSlotTexts();
    cmbstores_->setPosition(combo1_->position());

    if (store::ShowMarker(*this, read.marker))
        setWindowTitle(QString::fromLatin1(kPossessedCaption));

    combo1_->setPosition(store::kFirstStore);
}

void Form1::Command1_Click() {
    try {
        store::WriteCurrentStore(*this, files_, memory_);
    } catch (const store::ImageError& error) {
        modals_.error(this, tr("The save did not complete.\n\n%1").arg(errorText(error)));
        return;
    }
    modals_.message(this, QString::fromLatin1(kSavedMessage));
}

void Form1::mnuunlock_Click() {
    const bool unlock = !mnuunlock_->isChecked();
    for (int slot = 1; slot <= kSlots; ++slot)
        Text(slot)->setEnabled(unlock);
    mnuunlock_->setChecked(unlock);
}

void Form1::mnuexit_Click() {
    close();
}

void Form1::mnuabout_Click() {
    if (!form2_)
        form2_ = std::make_unique<Form2>(modals_);
    form2_->showWindow();
}

std::string Form1::slotText(int slot) const {
    return Text(slot)->text().toStdString();
}

void Form1::setSlotText(int slot, const std::string& text) {
    Text(slot)->setText(QString::fromStdString(text));
}

std::string Form1::markerText() const {
    return text8_->text().toStdString();
}

void Form1::setMarkerText(const std::string& text) {
    text8_->setText(QString::fromStdString(text));
}

int Form1::storeSelection() const {
    return combo1_->position();
}

std::string Form1::fileName() const {
    return commonDialog1_.fileName().toStdString();
}
