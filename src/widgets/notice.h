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

    void show(QWidget *anchor, const QString &text);
    QWidget *anchor() const { return m_anchor.data(); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    QPointer<QWidget> m_anchor;
    QTimer m_hideTimer;
};
