#pragma once
// The About window: the program's name and version, a credit line, a project line
// and a picture. It has no owner: it neither blocks the editor window nor closes
// with it. Each load (the first show, and each show after the user closed it) sets
// its caption from the program's revision.

#include <QWidget>

class Modals;
class PictureBox;
class QLabel;

class AboutWindow : public QWidget {
    Q_OBJECT
public:
    // The picture's message goes through modals.
    explicit AboutWindow(Modals& modals);

    // Loads the window when it is not shown (running showRevision), shows it, and
    // brings it to the front.
    void showWindow();

    // The controls, in the window's own order.
    PictureBox* picture() const { return picture_; }
    QLabel* projectLabel() const { return projectLabel_; }
    QLabel* creditLabel() const { return creditLabel_; }
    QLabel* versionLabel() const { return versionLabel_; }

    void showRevision();
    void onPictureClicked();

private:
    Modals& modals_;
    PictureBox* picture_ = nullptr;
    QLabel* projectLabel_ = nullptr;
    QLabel* creditLabel_ = nullptr;
    QLabel* versionLabel_ = nullptr;
};
