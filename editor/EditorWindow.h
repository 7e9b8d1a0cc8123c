#pragma once
// The editor window.
//
// Its widgets keep the program's original object names, set once beside the members
// below, so that the accessibility tree, the tests and the design documents find
// each widget by them; the code uses names that say what each is. The object names:
// Form1 Combo1 cmbstores cmbitem1-7 Text1-7 Text8 Command1 Label1 mnufile mnuopen ...
//
// State lives in the controls:
//   - the selection of storeNumberList is the current store;
//   - the texts of the seven slot fields are the working copy of its record;
//   - fileDialog's file name is the current file name;
//   - the check mark of unlockAction is the lock state of the slot fields.
// storeNameList mirrors storeNumberList, and each slot's item list mirrors its
// slot field.
//
// The only memory beyond the controls is memory_ (session::ImageMemory): which file
// the last Open read (device, inode and birth time), which store's record the slot
// fields hold, and that store's seven bytes as they were on disk when last read or
// saved. Save refuses when the path names another file now, or when those bytes
// changed on disk; and after a failed store read both store lists go back to
// memory_'s store (pointStoreListsAtShownRecord, the one place that keeps that rule).
//
// Who leads whom: a store chosen in storeNumberList (showChosenStore) reads the
// store from the image into the slot fields, sets each item list from its slot field
// and brings storeNameList to the same position; a store chosen by name
// (chooseStoreByName) only sets storeNumberList, whose click then does the reading.
// An item chosen in a slot's item list (chooseItem) writes its id into the slot
// field. The lists raise their clicks by the rules of ChoiceList, so one user action
// runs a fixed cascade of nested handlers.
//
// A local file dropped on the window runs the Open command on it, as if the dialog
// had returned it (dropEvent, openFile).
//
// Every command reads all it needs from the image, and closes it, before it changes
// the window: a command that fails leaves the window as it was. The reading and
// writing is the session's (session/, without Qt: Open's read, the store read and
// Save, over this window as a session::StoreView); a failure comes back as a
// store::FileError, and session::sentenceFor says it in the message box. Files are
// reached through the store::FileOps seam; message boxes and the file dialog
// through the Modals seam.

#include "ChoiceList.h"
#include "CommonDialog.h"
#include "StoreRecords.h"
#include "StoreView.h"

#include <QMainWindow>
#include <array>
#include <memory>
#include <optional>

class AboutWindow;
class Modals;
class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;

class EditorWindow : public QMainWindow, public session::StoreView {
    Q_OBJECT
public:
    static constexpr int kSlots = 7;

    EditorWindow(Modals& modals, store::FileOps& files, QWidget* parent = nullptr);
    ~EditorWindow() override;

    // The controls, in the window's own order.
    ChoiceList* storeNameList() const { return storeNameList_; }
    ChoiceList* itemList(int slot) const { return itemLists_.at(slot - 1); }
    QLineEdit* markerField() const { return markerField_; }
    ChoiceList* storeNumberList() const { return storeNumberList_; }
    CommonDialog& fileDialog() { return fileDialog_; }
    QPushButton* saveButton() const { return saveButton_; }
    QLineEdit* slotField(int slot) const { return slotFields_.at(slot - 1); }
    QLabel* storesLabel() const { return storesLabel_; }

    QMenu* fileMenu() const { return fileMenu_; }
    QAction* openAction() const { return openAction_; }
    QAction* fileSeparator() const { return fileSeparator_; }
    QAction* exitAction() const { return exitAction_; }
    QMenu* optionsMenu() const { return optionsMenu_; }
    QAction* unlockAction() const { return unlockAction_; }
    QAction* aboutAction() const { return aboutAction_; }

    // The About window, once "&About" has made it (null before).
    AboutWindow* aboutWindow() const { return aboutWindow_.get(); }

    // Handlers.
    void fillLists(); // at start-up: the store numbers, the store names, the items
    void showChosenStore();
    void chooseStoreByName();
    void chooseItem(int slot);
    void openRom();
    // Opens path as if the file dialog had returned it (the program's file argument,
    // a file dropped on the window).
    void openFile(const QString& path);
    void save();
    void toggleUnlock();
    void closeWindow();
    void showAbout();

    // session::StoreView, over the controls.
    std::string slotText(int slot) const override;
    void setSlotText(int slot, const std::string& text) override;
    std::string markerText() const override;
    void setMarkerText(const std::string& text) override;
    int storeSelection() const override;
    std::string fileName() const override;

protected:
    // One local file dropped on the window is opened; any other drop is refused.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void acceptFileDrops();
    void takeDrag(QDragMoveEvent* event);
    void createControls();
    void createMenus();
    void setTabOrder();
    void placeWindow();
    void connectHandlers();
    void selectItemsOf(const store::Record& record);
    void pointStoreListsAtShownRecord();
    void openChosenFile(const QString& shownImage, const QString& captionBefore);

    Modals& modals_;
    store::FileOps& files_;
    session::ImageMemory memory_;

    ChoiceList* storeNameList_ = nullptr;
    std::array<ChoiceList*, kSlots> itemLists_{};
    QLineEdit* markerField_ = nullptr;
    ChoiceList* storeNumberList_ = nullptr;
    CommonDialog fileDialog_;
    QPushButton* saveButton_ = nullptr;
    std::array<QLineEdit*, kSlots> slotFields_{};
    QLabel* storesLabel_ = nullptr;

    QMenu* fileMenu_ = nullptr;
    QAction* openAction_ = nullptr;
    QAction* fileSeparator_ = nullptr;
    QAction* exitAction_ = nullptr;
    QMenu* optionsMenu_ = nullptr;
    QAction* unlockAction_ = nullptr;
    QAction* aboutAction_ = nullptr;

    // The one local file that the drag over the window carries, as its last move
    // read it: some drag sources no longer give their data once the drop comes.
    std::optional<QString> draggedFile_;

    std::unique_ptr<AboutWindow> aboutWindow_; // made once per run, kept after the user closes it
};
