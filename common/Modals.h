#pragma once
// The one seam for everything modal: message boxes and the file-open dialog.
// The program uses DesktopModals; tests plug in a scripted fake that records each
// question and answers it without blocking.

#include <QString>
#include <optional>

class QWidget;

class Modals {
public:
    virtual ~Modals() = default;

    // A message with one OK button and no icon, captioned with the program's title.
    virtual void message(QWidget* parent, const QString& text) = 0;

    // A failure: one OK button and a warning icon, captioned with the program's title.
    virtual void error(QWidget* parent, const QString& text) = 0;

    // The file-open dialog. nameFilter is in Qt's form; current is the name chosen
    // last time (empty at first). Gives the chosen path, or nothing when cancelled.
    virtual std::optional<QString> chooseOpenFile(QWidget* parent, const QString& nameFilter,
                                                  const QString& current) = 0;
};

// The real dialogs, shown modally.
class DesktopModals : public Modals {
public:
    void message(QWidget* parent, const QString& text) override;
    void error(QWidget* parent, const QString& text) override;
    std::optional<QString> chooseOpenFile(QWidget* parent, const QString& nameFilter,
                                          const QString& current) override;
};
