#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <functional>

#include "qt/message_box.h"

// Acting on modal dialogs from inside their own event loops, as a user would.

// Runs action on the top modal window once it is a visible, active T. Call it
// before the code that opens the dialog and waits for it.
template <class T>
void WhenShown(std::function<void(T*)> action) {
    auto* timer = new QTimer(qApp);
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, action] {
        T* widget = qobject_cast<T*>(QApplication::activeModalWidget());
        if (widget == nullptr || !widget->isVisible()) {
            return;
        }
        if (!widget->isActiveWindow()) {
            // As a window manager gives the focus back to a dialog whose box closed.
            widget->activateWindow();
            return;
        }
        timer->stop();
        timer->deleteLater();
        action(widget);
    });
    timer->start();
}

// A double click as the window system delivers one: press, release, double
// click, release.
inline void DoubleClick(QWidget* widget, QPoint at) {
    QTest::mousePress(widget, Qt::LeftButton, {}, at);
    QTest::mouseRelease(widget, Qt::LeftButton, {}, at);
    QTest::mouseDClick(widget, Qt::LeftButton, {}, at);
    QTest::mouseRelease(widget, Qt::LeftButton, {}, at);
}

// The button of one of our boxes that stands for result.
inline QAbstractButton* ButtonFor(QMessageBox* box, int result) {
    for (QAbstractButton* button : box->buttons()) {
        if (BoxResultOf(button) == result) {
            return button;
        }
    }
    return nullptr;
}
