#pragma once
// The one-shot command buttons: each press composes one line from the
// button's catalogue entry and writes it, CR LF included, in one write.

#include <QObject>

struct CommandControls;
class MSComm;
class Notice;
class QLineEdit;
class QPushButton;

class CommandPanel : public QObject
{
    Q_OBJECT
public:
    CommandPanel(MSComm *comm, const CommandControls &controls, Notice *notice, QObject *parent);

private:
    void click(const char *fixed, const QLineEdit *parameterBox, bool quoted, QPushButton *button);

    MSComm *m_comm;
    Notice *m_notice;
};
