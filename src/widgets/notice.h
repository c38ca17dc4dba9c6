#pragma once
// A non-modal balloon in the style of a tool tip, shown next to the control
// whose action failed. It never takes the focus and never blocks the window.

#include <QLabel>
#include <QPointer>
#include <QTimer>

class Notice : public QLabel
{
    Q_OBJECT
public:
    explicit Notice(QWidget *owner);

    enum Duration {
        AWhile,     // goes after a while, or at the next key or click
        UntilSeen,  // stays until the next key or click: a state that lasts
    };
    void show(QWidget *anchor, const QString &text, Duration duration = AWhile);
    QWidget *anchor() const { return m_anchor.data(); }
    bool goesByItself() const { return m_hideTimer.isActive(); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    QPointer<QWidget> m_anchor;
    QTimer m_hideTimer;
};
