#include "widgets/presswatch.h"

#include <QCoreApplication>
#include <QEvent>

void PressWatch::setWatching(bool watching)
{
    if (watching)
        qApp->installEventFilter(this);  // installed once however often asked
    else
        qApp->removeEventFilter(this);
}

bool PressWatch::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::KeyPress)
        emit pressed(watched, event->type() == QEvent::MouseButtonPress);
    return false;
}
