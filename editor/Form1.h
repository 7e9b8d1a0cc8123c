#pragma once
// The editor window.
//
// State lives in the controls:
//   - the selection of Combo1 (the store-number list) is the current store;
//   - the texts of Text1..Text7 are the working copy of its record;
//   - CommonDialog1's file name is the current file name;
//   - the check mark of mnuunlock is the lock state of Text1..Text7.
// cmbstores mirrors Combo1 and each cmbitemK mirrors TextK.
//
// The only memory beyond the controls is memory_ (store::ImageMemory): which file
// the last Open read (device and inode), which store's record the slot fields hold,
// and that store's seven bytes as they were on disk when last read or saved. Save
// refuses when the path names another file now, or when those bytes changed on
// disk; and after a failed store read both store lists go back to memory_'s store
// (pointStoreListsAtShownRecord, the one place that keeps that rule).
//
// Who leads whom: a store chosen in Combo1 (Combo1_Click) reads the store from the
// image into Text1..Text7, sets each cmbitemK from TextK and brings cmbstores to the
// same position; a store chosen by name (cmbstores_Click) only sets Combo1, whose
// click then does the reading. An item chosen in cmbitemK writes its id into TextK.
// The lists raise their clicks by the rules of ChoiceList, so one user action runs a
// fixed cascade of nested handlers.
//
// Every command reads all it needs from the image, and closes it, before it changes
// the window: a command that fails leaves the window as it was. Files are reached
// through the store::FileOps seam; message boxes and the file dialog through the
// Modals seam.

#include "ChoiceList.h"
#include "CommonDialog.h"
#include "StoreRecords.h"
#include "StoreView.h"

#include <QMainWindow>
#include <array>
#include <memory>

class Form2;
class Modals;
class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;

class Form1 : public QMainWindow, public store::StoreView {
    Q_OBJECT
public:
    static constexpr int kSlots = 7;

    Form1(Modals& modals, store::FileOps& files, QWidget* parent = nullptr);
    ~Form1() override;

    // The controls, in the window's own order.
    ChoiceList* cmbstores() const { return cmbstores_; }
    ChoiceList* cmbitem(int slot) const { return cmbitems_.at(slot - 1); }
    QLineEdit* Text8() const { return text8_; }
    ChoiceList* Combo1() const { return combo1_; }
    CommonDialog& CommonDialog1() { return commonDialog1_; }
    QPushButton* Command1() const { return command1_; }
    QLineEdit* Text(int slot) const { return texts_.at(slot - 1); }
    QLabel* Label1() const { return label1_; }

    QMenu* mnufile() const { return mnufile_; }
    QAction* mnuopen() const { return mnuopen_; }
    QAction* mnusep() const { return mnusep_; }
    QAction* mnuexit() const { return mnuexit_; }
    QMenu* mnuoptions() const { return mnuoptions_; }
    QAction* mnuunlock() const { return mnuunlock_; }
    QAction* mnuabout() const { return mnuabout_; }

    // The About window, once "&About" has made it (null before).
    Form2* aboutWindow() const { return form2_.get(); }

    // Handlers.
    void Form_Load();
    void Combo1_Click();
    void cmbstores_Click();
    void cmbitem1_Click() { cmbitem_Click(1); }
    void cmbitem2_Click() { cmbitem_Click(2); }
    void cmbitem3_Click() { cmbitem_Click(3); }
    void cmbitem4_Click() { cmbitem_Click(4); }
    void cmbitem5_Click() { cmbitem_Click(5); }
    void cmbitem6_Click() { cmbitem_Click(6); }
    void cmbitem7_Click() { cmbitem_Click(7); }
    void mnuopen_Click();
    // Opens path as if the file dialog had returned it (the program's file argument).
    void openFile(const QString& path);
    void Command1_Click();
    void mnuunlock_Click();
    void mnuexit_Click();
    void mnuabout_Click();

    // store::StoreView, over the controls.
    std::string slotText(int slot) const override;
    void setSlotText(int slot, const std::string& text) override;
    std::string markerText() const override;
    void setMarkerText(const std::string& text) override;
    int storeSelection() const override;
    std::string fileName() const override;

private:
    void createControls();
    void createMenus();
    void setTabOrder();
    void placeWindow();
    void connectHandlers();
    void cmbitem_Click(int slot);
    void selectItemsFromSlotTexts();
    void pointStoreListsAtShownRecord();
    void openChosenFile(const QString& shownImage, const QString& captionBefore);

    Modals& modals_;
    store::FileOps& files_;
    store::ImageMemory memory_;

    ChoiceList* cmbstores_ = nullptr;
    std::array<ChoiceList*, kSlots> cmbitems_{};
    QLineEdit* text8_ = nullptr;
    ChoiceList* combo1_ = nullptr;
    CommonDialog commonDialog1_;
    QPushButton* command1_ = nullptr;
    std::array<QLineEdit*, kSlots> texts_{};
    QLabel* label1_ = nullptr;

    QMenu* mnufile_ = nullptr;
    QAction* mnuopen_ = nullptr;
    QAction* mnusep_ = nullptr;
    QAction* mnuexit_ = nullptr;
    QMenu* mnuoptions_ = nullptr;
    QAction* mnuunlock_ = nullptr;
    QAction* mnuabout_ = nullptr;

    std::unique_ptr<Form2> form2_; // made once per run, kept after the user closes it
};
