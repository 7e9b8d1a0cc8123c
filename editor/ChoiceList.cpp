#include "ChoiceList.h"

#include <QCompleter>
#include <QCoreApplication>
#include <QLineEdit>
#include <QPointer>
#include <limits>

namespace {

// Stands in as a text field's completer while the field is handed to the list, so
// that QComboBox makes no default completer for it; never used for completion.
// One for the whole program, deleted with the application (and made anew should
// another application follow).
QCompleter* placeholderCompleter() {
    static QPointer<QCompleter> placeholder;
    if (!placeholder)
        placeholder = new QCompleter(QCoreApplication::instance());
    return placeholder;
}

} // namespace

ChoiceList::ChoiceList(QWidget* parent) : QComboBox(parent) {
    makeEditable();
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

// What setEditable(true) does, but for two things a user never waits for. It would
// build a default completer over the list's model for the new text field, only to
// have it removed (setCompleter(nullptr) below): a text field that has a completer
// already gets none. And it would build the popup at once: QComboBox builds it at
// its first use instead, with the delegate and settings of an editable list. A test
// holds the list to a QComboBox made editable by setEditable.
void ChoiceList::makeEditable() {
    auto* field = new QLineEdit(this);
    field->setPalette(palette());
    field->setCompleter(placeholderCompleter());
    setLineEdit(field);
    if (!testAttribute(Qt::WA_Resized))
        adjustSize();
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
    appendTexts({QString::fromStdString(text)});
}

// In one insertion: one signal from the model instead of one per entry.
void ChoiceList::appendAll(std::span<const std::string_view> texts) {
    QStringList list;
    list.reserve(qsizetype(texts.size()));
    for (const std::string_view text : texts)
        list << QString::fromUtf8(text.data(), qsizetype(text.size()));
    appendTexts(list);
}

void ChoiceList::showEntriesOf(const ChoiceList& other) {
    const QString shown = currentText();
    setModel(other.model()); // selects the first entry
    setCurrentIndex(kNone);
    setEditText(shown);
}

void ChoiceList::appendTexts(const QStringList& texts) {
    const bool wasEmpty = count() == 0;
    const QString shown = currentText();
    addItems(texts);
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
