#include "EditorWindow.h"

#include "AboutWindow.h"
#include "Conversions.h"
#include "EditorLayout.h"
#include "FileError.h"
#include "ListFilling.h"
#include "Modals.h"
#include "Sentences.h"
#include "StoreRecords.h"

#include <QAction>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QTimer>
#include <QUrl>
#include <limits>
#include <optional>

using namespace editorLayout;
using twips::place;

namespace {

// Text fields take texts of any length (Qt's default stops at 32767 characters).
constexpr int kNoMaximumLength = std::numeric_limits<int>::max();

QString errorText(const store::FileError& error) {
    return QString::fromStdString(session::sentenceFor(error));
}

} // namespace

// The icons are built into this static library; register them before first use.
static void initEditorResources() {
    Q_INIT_RESOURCE(editor);
}

EditorWindow::EditorWindow(Modals& modals, store::FileOps& files, QWidget* parent)
    : QMainWindow(parent), modals_(modals), files_(files), fileDialog_(modals, this) {
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
    fillLists();
    acceptFileDrops();
}

EditorWindow::~EditorWindow() = default;

namespace {

// The one local file that a drop holds (a file manager's text/uri-list), or nothing
// for several files or anything that is not a local file.
std::optional<QString> droppedFile(const QMimeData* data) {
    if (!data || !data->hasUrls())
        return std::nullopt;
    const QList<QUrl> urls = data->urls();
    if (urls.size() != 1 || !urls.front().isLocalFile())
        return std::nullopt;
    return urls.front().toLocalFile();
}

} // namespace

// Drops go to the window as a whole: no field or list takes a dropped path as text.
void EditorWindow::acceptFileDrops() {
    for (QWidget* child : findChildren<QWidget*>())
        child->setAcceptDrops(false);
    setAcceptDrops(true);
}

void EditorWindow::takeDrag(QDragMoveEvent* event) {
    draggedFile_ = droppedFile(event->mimeData());
    if (draggedFile_)
        event->acceptProposedAction();
    else
        event->ignore();
}

void EditorWindow::dragEnterEvent(QDragEnterEvent* event) {
    takeDrag(event);
}

void EditorWindow::dragMoveEvent(QDragMoveEvent* event) {
    takeDrag(event);
}

void EditorWindow::dragLeaveEvent(QDragLeaveEvent*) {
    draggedFile_.reset();
}

// A dropped file is opened as a file chosen in the dialog is, once the drop is done,
// so that the drag source is not held while the path message is up.
void EditorWindow::dropEvent(QDropEvent* event) {
    std::optional<QString> path = droppedFile(event->mimeData());
    if (!path && event->mimeData() && event->mimeData()->hasUrls())
        path = draggedFile_; // the data the drag carried until the drop
    draggedFile_.reset();
    if (!path) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    QTimer::singleShot(0, this, [this, file = *path] { openFile(file); });
}

void EditorWindow::createControls() {
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
    storeNameList_ = list("cmbstores", tr("Store name"), kStoreNameListPlace);
    for (int slot = kSlots; slot >= 1; --slot)
        itemLists_[slot - 1] = list(QStringLiteral("cmbitem%1").arg(slot).toLatin1().constData(),
                                    tr("Slot %1 item").arg(slot), itemListPlace(slot));
    markerField_ = field(QStringLiteral("Text8"), tr("Marker text"), QStringLiteral("Text8"),
                         kMarkerFieldPlace);
    storeNumberList_ = list("Combo1", tr("Store number"), kStoreNumberListPlace);
    storeNumberList_->setEditText(QStringLiteral("0"));

    saveButton_ = new QPushButton(tr("Save"), client);
    saveButton_->setObjectName(QStringLiteral("Command1"));
    saveButton_->setAccessibleName(tr("Save store"));
    place(saveButton_, kSaveButtonPlace);
    saveButton_->setEnabled(false);

    for (int slot = kSlots; slot >= 1; --slot) {
        auto* edit = field(QStringLiteral("Text%1").arg(slot), tr("Slot %1 item id").arg(slot),
                           QStringLiteral("0"), slotFieldPlace(slot));
        edit->setEnabled(false);
        slotFields_[slot - 1] = edit;
    }

    storesLabel_ = new QLabel(tr("Stores"), client);
    storesLabel_->setObjectName(QStringLiteral("Label1"));
    place(storesLabel_, kStoresLabelPlace);
}

void EditorWindow::createMenus() {
    fileMenu_ = menuBar()->addMenu(tr("&File"));
    fileMenu_->setObjectName(QStringLiteral("mnufile"));
    openAction_ = fileMenu_->addAction(tr("OpenRom"));
    openAction_->setObjectName(QStringLiteral("mnuopen"));
    openAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    fileSeparator_ = fileMenu_->addSeparator();
    fileSeparator_->setObjectName(QStringLiteral("mnusep"));
    exitAction_ = fileMenu_->addAction(tr("Exit"));
    exitAction_->setObjectName(QStringLiteral("mnuexit"));
    exitAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));

    optionsMenu_ = menuBar()->addMenu(tr("Options"));
    optionsMenu_->setObjectName(QStringLiteral("mnuoptions"));
    unlockAction_ = optionsMenu_->addAction(tr("unlock numberlists"));
    unlockAction_->setObjectName(QStringLiteral("mnuunlock"));
    unlockAction_->setCheckable(true);

    aboutAction_ = menuBar()->addAction(tr("&About"));
    aboutAction_->setObjectName(QStringLiteral("mnuabout"));
}

void EditorWindow::setTabOrder() {
    // Text1..Text7, Save, the store number, markerField, the item lists, the store name.
    QList<QWidget*> order(slotFields_.begin(), slotFields_.end());
    order << saveButton_ << storeNumberList_ << markerField_;
    order.append(QList<QWidget*>(itemLists_.begin(), itemLists_.end()));
    order << storeNameList_;
    for (qsizetype i = 0; i + 1 < order.size(); ++i)
        QWidget::setTabOrder(order[i], order[i + 1]);
    // Every other control starts disabled, so the unseen markerField has the focus.
    markerField_->setFocus();
}

void EditorWindow::placeWindow() {
    setWindowFlags(twips::kFixedWindowFlags);
    const int menuHeight = menuBar()->sizeHint().height();
    // The geometry of a window is its client area with the menu bar on top.
    setGeometry(px(kScreenLeft), px(kScreenTop) - menuHeight, px(kClientWidth),
                px(kClientHeight) + menuHeight);
    setFixedSize(px(kClientWidth), px(kClientHeight) + menuHeight);
}

void EditorWindow::connectHandlers() {
    connect(storeNumberList_, &ChoiceList::click, this, &EditorWindow::showChosenStore);
    connect(storeNameList_, &ChoiceList::click, this, &EditorWindow::chooseStoreByName);
    for (int slot = 1; slot <= kSlots; ++slot)
        connect(itemList(slot), &ChoiceList::click, this, [this, slot] { chooseItem(slot); });
    connect(saveButton_, &QPushButton::clicked, this, &EditorWindow::save);
    connect(openAction_, &QAction::triggered, this, &EditorWindow::openRom);
    connect(exitAction_, &QAction::triggered, this, &EditorWindow::closeWindow);
    connect(aboutAction_, &QAction::triggered, this, &EditorWindow::showAbout);
    connect(unlockAction_, &QAction::triggered, this, [this](bool toggledTo) {
        // Qt flips a checkable entry's mark before it reports the trigger; put the
        // mark back so that the handler reads the state the user saw, and sets it.
        {
            const QSignalBlocker blocker(unlockAction_);
            unlockAction_->setChecked(!toggledTo);
        }
        toggleUnlock();
    });
}

void EditorWindow::fillLists() {
    catalog::fillStoreNumbers(*storeNumberList_);
    // The seven item lists hold the one catalogue, and no list ever takes another
    // entry: one set of entries serves them all, each with its own selection.
    catalog::fillItemList(*itemList(1));
    for (int slot = 2; slot <= kSlots; ++slot)
        itemList(slot)->showEntriesOf(*itemList(1));
    catalog::fillStoreNames(*storeNameList_);
}

void EditorWindow::chooseItem(int slot) {
    const auto id = static_cast<std::int16_t>(itemList(slot)->position());
    slotField(slot)->setText(QString::number(id));
}

void EditorWindow::chooseStoreByName() {
    storeNumberList_->setPosition(storeNameList_->position());
}

void EditorWindow::showChosenStore() {
    try {
        session::readCurrentStore(*this, files_, memory_);
    } catch (const store::FileError& error) {
        modals_.error(this, tr("Cannot read the store.\n\n%1\n\nNothing was written; the window "
                               "still shows the store it showed before.")
                                .arg(errorText(error)));
        pointStoreListsAtShownRecord();
        return;
    }
    selectItemsOf(*memory_.onDisk);
    storeNameList_->setPosition(storeNumberList_->position());
}

// Both store lists name the store whose record the slot fields hold, so that a Save
// cannot write that record into a store it was not read from. Where no record has
// been read, neither list has a selection, and Save refuses.
void EditorWindow::pointStoreListsAtShownRecord() {
    storeNumberList_->restorePosition(memory_.store);
    storeNameList_->restorePosition(memory_.store);
}

// Each item list follows its slot field, which shows the record just read: the
// item at the record's id.
void EditorWindow::selectItemsOf(const store::Record& record) {
    for (int slot = 1; slot <= kSlots; ++slot)
        itemList(slot)->setPosition(record[slot - store::kFirstSlot]);
}

void EditorWindow::openRom() {
    const QString captionBefore = windowTitle();
    const QString shownImage = fileDialog_.fileName();
    setWindowTitle(QString::fromLatin1(kCaption));
    fileDialog_.setFilter(QString::fromLatin1(kRomFilter));
    fileDialog_.showOpen();
    openChosenFile(shownImage, captionBefore);
}

void EditorWindow::openFile(const QString& path) {
    const QString captionBefore = windowTitle();
    const QString shownImage = fileDialog_.fileName();
    setWindowTitle(QString::fromLatin1(kCaption));
    fileDialog_.setFilter(QString::fromLatin1(kRomFilter));
    fileDialog_.setFileName(path);
    openChosenFile(shownImage, captionBefore);
}

// The Open command from the path message on, with the file dialog's file name
// chosen; shownImage and captionBefore are what the window had before the command.
void EditorWindow::openChosenFile(const QString& shownImage, const QString& captionBefore) {
    // The chosen path is always shown: a cancelled dialog keeps the file name it
    // remembers from before (empty before the first choice), and the box shows that,
    // as the program always has; an empty name ends the command there.
    modals_.message(this, fileDialog_.fileName());
    if (fileDialog_.fileName().isEmpty())
        return;

    // Everything is read, and the image closed, before the window changes.
    session::OpeningRead read;
    try {
        read = session::readOpening(files_, fileName());
    } catch (const store::FileError& error) {
        modals_.error(
            this,
            tr("Cannot open the ROM image.\n\n%1\n\nNothing was written.").arg(errorText(error)));
        // The window stays as it was, and so does the image it shows: later reads and
        // saves go there, never to the file that could not be opened.
        fileDialog_.setFileName(shownImage);
        setWindowTitle(captionBefore);
        return;
    }

    memory_ = {read.image, store::kFirstStore, read.storeZero};
    session::showRecord(*this, read.storeZero);

    saveButton_->setEnabled(true);
    storeNumberList_->setEnabled(true);
    storeNameList_->setEnabled(true);
    for (int slot = 1; slot <= kSlots; ++slot)
        itemList(slot)->setEnabled(true);

    storeNameList_->setEditText(QString::fromLatin1(kStoreZeroName));
    selectItemsOf(read.storeZero);
    storeNameList_->setPosition(storeNumberList_->position());

    if (session::showMarker(*this, read.marker))
        setWindowTitle(QString::fromLatin1(kPossessedCaption));

    storeNumberList_->setPosition(store::kFirstStore);
}

void EditorWindow::save() {
    try {
        session::writeCurrentStore(*this, files_, memory_);
    } catch (const store::FileError& error) {
        modals_.error(this, tr("The save did not complete.\n\n%1").arg(errorText(error)));
        return;
    }
    modals_.message(this, QString::fromLatin1(kSavedMessage));
}

void EditorWindow::toggleUnlock() {
    const bool unlock = !unlockAction_->isChecked();
    for (int slot = 1; slot <= kSlots; ++slot)
        slotField(slot)->setEnabled(unlock);
    unlockAction_->setChecked(unlock);
}

void EditorWindow::closeWindow() {
    close();
}

void EditorWindow::showAbout() {
    if (!aboutWindow_)
        aboutWindow_ = std::make_unique<AboutWindow>(modals_);
    aboutWindow_->showWindow();
}

std::string EditorWindow::slotText(int slot) const {
    return slotField(slot)->text().toStdString();
}

void EditorWindow::setSlotText(int slot, const std::string& text) {
    slotField(slot)->setText(QString::fromStdString(text));
}

std::string EditorWindow::markerText() const {
    return markerField_->text().toStdString();
}

void EditorWindow::setMarkerText(const std::string& text) {
    markerField_->setText(QString::fromStdString(text));
}

int EditorWindow::storeSelection() const {
    return storeNumberList_->position();
}

std::string EditorWindow::fileName() const {
    return fileDialog_.fileName().toStdString();
}
