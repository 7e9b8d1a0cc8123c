#pragma once
// The file-open dialog component: a filter, a show-open method and a file-name
// property that keeps its value between uses. Its file name is the current file
// name of the editor; a cancelled dialog leaves it as it was.

#include <QString>

class Modals;
class QWidget;

class CommonDialog {
public:
    CommonDialog(Modals& modals, QWidget* owner) : modals_(modals), owner_(owner) {}

    // The filter as "description|pattern" pairs joined by '|'.
    void setFilter(const QString& filter) { filter_ = filter; }

    const QString& fileName() const { return fileName_; }
    void setFileName(const QString& fileName) { fileName_ = fileName; }

    // The filter in Qt's form: "description (pattern)" per pair, joined by ";;".
    QString qtNameFilter() const;

    // Shows the dialog and returns when the user closes it.
    void showOpen();

private:
    Modals& modals_;
    QWidget* owner_;
    QString filter_;
    QString fileName_;
};
