#pragma once
// Drives a ChoiceList as a user does: the drop-down list opened, an entry made
// current, Enter pressed in it.

#include "ChoiceList.h"

#include <QAbstractItemView>
#include <QTest>

inline void userChoose(ChoiceList* list, int position) {
    list->showPopup();
    QAbstractItemView* view = list->view();
    QVERIFY(QTest::qWaitForWindowExposed(view->window()));
    view->setCurrentIndex(view->model()->index(position, list->modelColumn()));
    QTest::keyClick(view, Qt::Key_Return);
    QTRY_VERIFY(!view->isVisible());
}
