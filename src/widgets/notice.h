#pragma once
// A non-modal balloon in the style of a tool tip, shown next to the control
// whose action failed. It never takes the focus and never blocks the window.
//
// Most notices go after a while, or at the next key or click. A notice of a
// state that lasts (a session not being kept) stands until the user clicks
// it or the state ends: another notice may show meanwhile, and when that
// one goes the standing one comes back.

#include "widgets/presswatch.h"

#include <QLabel>
#include <QPointer>
#include <QTimer>

class QAccessibleInterface;

class Notice : public QLabel
{
    Q_OBJECT
public:
    explicit Notice(QWidget *owner);
    // The factory that QAccessible asks for the interface of a notice.
    static QAccessibleInterface *accessibleInterface(const QString &className, QObject *object);

    enum Duration {
        AWhile,     // goes after a while, or at the next key or click
        UntilSeen,  // stands until clicked, or withdrawn
        ToRead,     // stands until a key or a click elsewhere; its text can be selected and copied
    };
    void showAt(QWidget *anchor, const QString &text, Duration duration = AWhile);
    // Below `area` of the anchor (a line of a text box), or above it.
    void showAt(QWidget *anchor, const QRect &area, const QString &text, Duration duration = AWhile);
    // The state a standing notice told of has ended.
    void withdraw();
    QWidget *anchor() const { return m_anchor.data(); }
    bool isStanding() const { return isVisible() && !m_standing.isEmpty() && text() == m_standing; }

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void place(QWidget *anchor, const QRect &area, const QString &text);
    void dismiss();
    void pressedAnywhere(QObject *receiver, bool mouse);

    QPointer<QWidget> m_anchor;
    QPointer<QWidget> m_standingAnchor;
    QString m_standing;
    QTimer m_hideTimer;
    PressWatch *const m_presses = new PressWatch(this);
    Duration m_duration = AWhile;
};
