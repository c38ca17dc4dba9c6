#pragma once
// Hears every key and mouse press anywhere in the application while it
// watches, as a tool tip does to know when to go. The application-wide
// filter this takes is held for that time only.

#include <QObject>

class PressWatch : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    void setWatching(bool watching);

signals:
    // `receiver` is the object the press went to.
    void pressed(QObject *receiver, bool mouse);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
