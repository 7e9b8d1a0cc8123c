#include "ChoiceList.h"

#include <QLineEdit>
#include <limits>

ChoiceList::ChoiceList(QWidget* parent) : QComboBox(parent) {
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setDuplicatesEnabled(true);
    setCompleter(nullptr); // no inline completion that could pick an entry by its text
    lineEdit()->setMaxLength(std::numeric_limits<int>::max()); // texts of any length

    // QComboBox chooses the entry whose text matches the typed text when editing
    // finishes (Enter or focus loss) and reports it as a user choice. Here only a
    // real choice from the list chooses, so that connection is cut.
    disconnect(lineEdit(), &QLineEdit::editingFinished, this, nullptr);
    disconnect(lineEdit(), &QLineEdit::returnPressed, this, nullptr);

    connect(this, &QComboBox::activated, this, &ChoiceList::raiseClick);
    connect(lineEdit(), &QLineEdit::textEdited, this, &ChoiceList::dropSelectionKeepingText);
}

void ChoiceList::setPosition(int position) {
    if (position == currentIndex())
        return;
    setCurrentIndex(position);
    raiseClick();
}

void ChoiceList::raiseClick() {
    emit click();
}

void ChoiceList::restorePosition(int position) {
    if (position != currentIndex())
        setCurrentIndex(position);
}

void ChoiceList::append(const std::string& text) {
    const bool wasEmpty = count() == 0;
    const QString shown = currentText();
    addItem(QString::fromStdString(text));
    // QComboBox selects the first entry added to an empty list; appending selects nothing.
    if (wasEmpty && currentIndex() != kNone) {
        setCurrentIndex(kNone);
        setEditText(shown);
    }
}

void ChoiceList::dropSelectionKeepingText() {
    if (currentIndex() == kNone)
        return;
    const QString typed = lineEdit()->text();
    const int cursor = lineEdit()->cursorPosition();
    setCurrentIndex(kNone); // this clears the text field; put the typed text back
    lineEdit()->setText(typed);
    lineEdit()->setCursorPosition(cursor);
}
