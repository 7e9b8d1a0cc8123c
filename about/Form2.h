#pragma once
// The About window: the program's name and version, a credit line, a project line
// and a picture. It has no owner: it neither blocks the editor window nor closes
// with it. Each load (the first show, and each show after the user closed it) sets
// its caption from the program's revision.

#include <QWidget>

class Modals;
class PictureBox;
class QLabel;

class Form2 : public QWidget {
    Q_OBJECT
public:
    // The picture's message goes through modals.
    explicit Form2(Modals& modals);

    // Loads the window when it is not shown (running Form_Load), shows it, and
    // brings it to the front.
    void showWindow();

    // The controls, in the window's own order.
    PictureBox* Picture1() const { return picture1_; }
    QLabel* Label3() const { return label3_; }
    QLabel* Label2() const { return label2_; }
    QLabel* Label1() const { return label1_; }

    void Form_Load();
    void Picture1_Click();

private:
    Modals& modals_;
    PictureBox* picture1_ = nullptr;
    QLabel* label3_ = nullptr;
    QLabel* label2_ = nullptr;
    QLabel* label1_ = nullptr;
};
