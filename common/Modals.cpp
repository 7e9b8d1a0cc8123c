#include "Modals.h"

#include "ProgramInfo.h"

#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>
#include <algorithm>

namespace {

// A box wraps its text at blanks only, so a long path would make it wider than the
// screen. An invisible break opportunity (a zero-width space) every few characters
// of a long run lets it wrap there; the text shows as it is.
constexpr qsizetype kLongestUnbrokenRun = 40;
constexpr QChar kZeroWidthSpace(0x200B);

QString breakableText(const QString& text) {
    QString shown;
    shown.reserve(text.size() + text.size() / kLongestUnbrokenRun);
    qsizetype run = 0;
    for (const QChar c : text) {
        if (c.isSpace()) {
            run = 0;
        } else if (run == kLongestUnbrokenRun && !c.isLowSurrogate()) {
            shown += kZeroWidthSpace;
            run = 0;
        }
        shown += c;
        run += c.isSpace() ? 0 : 1;
    }
    return shown;
}

// A box narrows a long text into a tall column; give a text of many lines the
// screen's width instead, so that it stays within the screen's height too.
constexpr int kWideningLines = 8;
constexpr int kUsualWidth = 500;
constexpr double kWidestShare = 0.8;

void widenForLongText(QMessageBox& box) {
    auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
    const QScreen* screen = box.screen();
    if (!label || !screen)
        return;
    const int oneLine = label->fontMetrics().horizontalAdvance(box.text());
    const int screenWidth = screen->availableGeometry().width();
    const int usual = std::min(screenWidth / 2, kUsualWidth); // where a box starts to wrap
    if (oneLine <= usual * kWideningLines)
        return;
    const int widest = int(screenWidth * kWidestShare);
    label->setMinimumWidth(std::min(widest, oneLine));
}

void showBox(QWidget* parent, QMessageBox::Icon icon, const QString& text) {
    QMessageBox box(icon, QString::fromLatin1(program::kTitle), breakableText(text),
                    QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText); // a path or a typed text is shown as it is, never as markup
    widenForLongText(box);
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
