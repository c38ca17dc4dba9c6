#pragma once
// The one-shot command buttons: each press composes one line from the
// button's catalogue entry and writes it, CR LF included, in one write.

#include <QObject>

class MSComm;
class Notice;
class QLineEdit;
class QPushButton;
class QWidget;

class CommandPanel : public QObject
{
    Q_OBJECT
public:
    // Finds the catalogue's buttons and boxes among the form's controls;
    // throws Widgets::MissingControl, naming it, for one the form lacks.
    CommandPanel(MSComm *comm, const QWidget *form, Notice *notice, QObject *parent);

private:
    void click(const char *fixed, const QLineEdit *parameterBox, bool quoted, QPushButton *button);

    MSComm *m_comm;
    Notice *m_notice;
};
