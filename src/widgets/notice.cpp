#include "widgets/notice.h"

#include "widgets/presswatch.h"
#include "widgets/style.h"

#include <QAccessibleWidget>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QMenu>
#include <QEvent>

namespace {

constexpr int shownMs = 12000;
constexpr int maxWidth = 420;

// Screen readers speak a notification as it shows, as they do the desktop's.
class NoticeAccessible : public QAccessibleWidget
{
public:
    explicit NoticeAccessible(Notice *notice)
        : QAccessibleWidget(notice, QAccessible::Notification)
    {
    }
    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Name ? static_cast<const Notice *>(widget())->text() : QAccessibleWidget::text(t);
    }
};

} // namespace

QAccessibleInterface *Notice::accessibleInterface(const QString &className, QObject *object)
{
    return className == QLatin1String("Notice") ? new NoticeAccessible(static_cast<Notice *>(object)) : nullptr;
}

Notice::Notice(QWidget *owner)
    : QLabel(owner)
{
    setObjectName(QStringLiteral("notice"));
    setTextFormat(Qt::PlainText);
    setWordWrap(true);
    setMargin(4);
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setForegroundRole(QPalette::ToolTipText);
    setBackgroundRole(QPalette::ToolTipBase);
    setAutoFillBackground(true);
    // A balloon inside the window: clicks go through to the control it covers.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    hide();
    m_hideTimer.setSingleShot(true);
    m_hideTimer.setInterval(shownMs);
    connect(&m_hideTimer, &QTimer::timeout, this, &Notice::dismiss);
    connect(m_presses, &PressWatch::pressed, this, &Notice::pressedAnywhere);
}

void Notice::showAt(QWidget *anchor, const QString &text, Duration duration)
{
    showAt(anchor, anchor->rect(), text, duration);
}

void Notice::showAt(QWidget *anchor, const QRect &area, const QString &text, Duration duration)
{
    if (duration == UntilSeen) {
        m_standingAnchor = anchor;
        m_standing = text;
    }
    m_duration = duration;
    place(anchor, area, text);
    // A standing notice takes clicks: one on it is the user having seen it.
    // One to read takes them to select its text.
    setAttribute(Qt::WA_TransparentForMouseEvents, duration == AWhile);
    setTextInteractionFlags(duration == ToRead ? Qt::TextSelectableByMouse : Qt::NoTextInteraction);
    if (duration == AWhile)
        m_hideTimer.start();
}

void Notice::withdraw()
{
    const bool shown = isStanding();
    m_standing.clear();
    if (shown)
        hide();
}

void Notice::dismiss()
{
    hide();
    if (!m_standing.isEmpty() && m_standingAnchor)
        showAt(m_standingAnchor, m_standing, UntilSeen);
}

void Notice::place(QWidget *anchor, const QRect &area, const QString &text)
{
    hide();  // a new text is a new notice: shown afresh, it is spoken afresh
    m_anchor = anchor;
    setText(text);
    // Tool-tip colours, unless the palette's pair does not read.
    QPalette colours = parentWidget()->palette();
    colours.setColor(QPalette::ToolTipText, Widgets::readableOn(colours.color(QPalette::ToolTipBase),
                                                                colours.color(QPalette::ToolTipText)));
    setPalette(colours);
    setFixedWidth(qMin(maxWidth, fontMetrics().horizontalAdvance(text) + 2 * (margin() + frameWidth()) + 2));
    adjustSize();

    // Below the area, or above it where the window ends; always inside.
    const QWidget *window = parentWidget();
    const QPoint below = anchor->mapTo(window, QPoint(area.left(), area.bottom() + 3));
    int y = below.y();
    if (y + height() > window->height())
        y = anchor->mapTo(window, area.topLeft()).y() - height() - 2;
    move(qBound(0, below.x(), qMax(0, window->width() - width())), qMax(0, y));
    QLabel::show();
    raise();
}

void Notice::pressedAnywhere(QObject *receiver, bool mouse)
{
    // Like a tool tip, it goes at the next press of a key or a mouse button;
    // a standing one stays, and one to read stays for presses on itself and
    // in the menu it opens to copy its text.
    const auto *widget = qobject_cast<const QWidget *>(receiver);
    const bool onItself = widget && (widget == this || isAncestorOf(widget)
                                     || widget->window()->windowType() == Qt::Popup);
    if (!isStanding() && !(m_duration == ToRead && mouse && onItself))
        dismiss();
}

void Notice::mousePressEvent(QMouseEvent *event)
{
    if (m_duration != ToRead) {
        m_standing.clear();
        hide();
    }
    QLabel::mousePressEvent(event);
}

void Notice::contextMenuEvent(QContextMenuEvent *event)
{
    if (m_duration != ToRead) {
        QLabel::contextMenuEvent(event);
        return;
    }
    // Copy takes what is selected, or else the whole of it.
    QMenu menu(this);
    QAction *copy = menu.addAction(tr("&Copy"), this, [this] {
        const QString chosen = hasSelectedText() ? selectedText() : text();
        QGuiApplication::clipboard()->setText(QString(chosen).replace(QChar::ParagraphSeparator, u'\n'));
    });
    copy->setObjectName(QStringLiteral("edit-copy"));
    menu.exec(event->globalPos());
}

void Notice::showEvent(QShowEvent *event)
{
    m_presses->setWatching(true);
    QLabel::showEvent(event);
}

void Notice::hideEvent(QHideEvent *event)
{
    m_presses->setWatching(false);
    m_hideTimer.stop();
    QLabel::hideEvent(event);
}
