#pragma once

#include <QFrame>
#include <QPixmap>

// A still picture in a thin frame, drawn unscaled from the top-left corner of the
// frame's inner area and cut off at its edge. A click on it raises click().
class PictureBox : public QFrame {
    Q_OBJECT
public:
    explicit PictureBox(const QPixmap& picture, QWidget* parent = nullptr);
    const QPixmap& picture() const { return picture_; }

signals:
    void click();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QPixmap picture_;
};
