#include "Modals.h"

#include "ProgramInfo.h"

#include <QFileDialog>
#include <QMessageBox>

namespace {

void showBox(QWidget* parent, QMessageBox::Icon icon, const QString& text) {
    QMessageBox box(icon, QString::fromLatin1(program::kTitle), text, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText); // a path or a typed text is shown as it is, never as markup
    box.exec();
}

} // namespace

void DesktopModals::message(QWidget* parent, const QString& text) {
    showBox(parent, QMessageBox::NoIcon, text);
}

void DesktopModals::error(QWidget* parent, const QString& text) {
    showBox(parent, QMessageBox::Warning, text);
}

std::optional<QString> DesktopModals::chooseOpenFile(QWidget* parent, const QString& nameFilter,
                                                     const QString& current) {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    // Shows the filter's description alone; its pattern still filters the files.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setNameFilter(nameFilter);
    if (!current.isEmpty())
        dialog.selectFile(current);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}
