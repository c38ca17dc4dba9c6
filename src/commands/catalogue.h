#pragma once
// The one-shot command buttons: each press composes one line from the
// button's entry and writes it, CR LF included, in one write.

#include <QObject>
#include <vector>

class MSComm;
class Notice;
class QWidget;

namespace Catalogue {

struct Entry
{
    const char *button;
    const char *fixed;
    const char *parameterBox;  // nullptr: the line is the fixed text alone
    bool quoted;
};

const std::vector<Entry> &entries();

} // namespace Catalogue

class CommandPanel : public QObject
{
    Q_OBJECT
public:
    // Finds the buttons and boxes of the catalogue among the form's controls.
    CommandPanel(MSComm *comm, QWidget *form, Notice *notice, QObject *parent);

    void click(const Catalogue::Entry &entry);

private:
    MSComm *m_comm;
    QWidget *m_form;
    Notice *m_notice;
};
