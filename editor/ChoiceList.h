#pragma once
// An editable combo box with the click rules that the editor's lists rely on:
//
//  1. Appending an entry raises no click and selects nothing.
//  2. A user choice of an entry (mouse, keyboard or wheel) selects it and then
//     raises click(), also when it is the entry already selected.
//  3. setPosition() to another position raises click() at once, before it returns.
//  4. setPosition() to the position already held raises nothing.
//
// Typing into the text field adds no entry and chooses none, not on Enter and not
// when the focus leaves; since the typed text no longer names the selected entry,
// typing drops the selection, without a click. Entries are never sorted: an entry is
// known by its position alone.

#include "TextList.h"

#include <QComboBox>

class ChoiceList : public QComboBox, public catalog::TextList {
    Q_OBJECT
public:
    static constexpr int kNone = -1;

    explicit ChoiceList(QWidget* parent = nullptr);

    // The selected position, kNone when none.
    int position() const { return currentIndex(); }
    void setPosition(int position);

    void append(const std::string& text) override;
    void appendAll(std::span<const std::string_view> texts) override;

    // Shows the entries of other, the very same ones (one model for both): for lists
    // that hold the same fixed catalogue. Selects nothing, raises nothing, keeps the
    // text shown. Entries appended to either afterwards show in both.
    void showEntriesOf(const ChoiceList& other);

    // Goes to position without a click, for a handler that could not follow a
    // choice through and puts the list back.
    void restorePosition(int position);

signals:
    void click();

private:
    void makeEditable();
    void raiseClick();
    void dropSelectionKeepingText();
    void appendTexts(const QStringList& texts);
};
