#include "app/notice.h"

#include <QGuiApplication>
#include <QScreen>

namespace {
constexpr int shownMs = 12000;
constexpr int maxWidth = 420;
}

Notice::Notice(QWidget *owner)
    : QLabel(owner, Qt::ToolTip | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("notice"));
    setTextFormat(Qt::PlainText);
    setWordWrap(true);
    setMargin(4);
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setForegroundRole(QPalette::ToolTipText);
    setBackgroundRole(QPalette::ToolTipBase);
    setAutoFillBackground(true);
    setAttribute(Qt::WA_ShowWithoutActivating);
    m_hideTimer.setSingleShot(true);
    m_hideTimer.setInterval(shownMs);
    connect(&m_hideTimer, &QTimer::timeout, this, &QWidget::hide);
}

void Notice::show(QWidget *anchor, const QString &text)
{
    m_anchor = anchor;
    setText(text);
    setFixedWidth(qMin(maxWidth, fontMetrics().horizontalAdvance(text) + 2 * (margin() + frameWidth()) + 2));
    adjustSize();

    // Below the control, kept on its screen.
    QPoint at = anchor->mapToGlobal(QPoint(0, anchor->height() + 2));
    if (const QScreen *screen = anchor->screen()) {
        const QRect area = screen->availableGeometry();
        at.setX(qBound(area.left(), at.x(), area.right() - width()));
        if (at.y() + height() > area.bottom())
            at.setY(anchor->mapToGlobal(QPoint(0, 0)).y() - height() - 2);
    }
    move(at);
    QLabel::show();
    m_hideTimer.start();
}

void Notice::mousePressEvent(QMouseEvent *)
{
    hide();
}
