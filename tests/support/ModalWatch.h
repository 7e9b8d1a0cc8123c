#pragma once
// Closing a real dialog from a test, as a user would: a timer waits for it to become
// the active modal widget, lets the test inspect it, and closes it.

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace fixtures {

// Runs inspect on the next modal widget of type T once it is shown, then closes it.
template <typename T> void whenModal(std::function<void(T*)> inspect, bool* seen) {
    auto* timer = new QTimer;
    QElapsedTimer* clock = new QElapsedTimer;
    clock->start();
    QObject::connect(timer, &QTimer::timeout, timer, [=] {
        if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
            timer->stop();
            inspect(dialog);
            *seen = true;
            dialog->close();
        } else if (clock->elapsed() > 10000) {
            timer->stop(); // deadline: let the test fail instead of hanging
            if (auto* any = QApplication::activeModalWidget())
                any->close();
        } else {
            return;
        }
        timer->deleteLater();
        delete clock;
    });
    timer->start(20);
}

} // namespace fixtures
