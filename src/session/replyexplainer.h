#pragma once
// "What does +CSQ: 17,99 mean?" in the log's context menu, for the line
// under the pointer (with the menu key or Shift+F10, the line at the caret),
// where the standards explain it. The explanation shows as a notice at that
// line, which screen readers hear and whose text can be copied. The log's
// text, caret and selection stay as they are.

#include <QObject>

class CrLfBox;
class Notice;
class QPoint;

class ReplyExplainer : public QObject
{
    Q_OBJECT
public:
    ReplyExplainer(CrLfBox *text2, Notice *notice, QObject *parent);

private:
    void showMenu(const QPoint &at);

    CrLfBox *m_text2;
    Notice *m_notice;
};
