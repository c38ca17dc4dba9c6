#include "commands/commandpanel.h"

#include "commands/catalogue.h"
#include "commands/commandline.h"

#include <QLineEdit>
#include <QPushButton>

CommandPanel::CommandPanel(MSComm *comm, const CommandControls &controls, Notice *notice, QObject *parent)
    : QObject(parent), m_comm(comm), m_notice(notice)
{
    for (const Catalogue::Entry &entry : Catalogue::entries()) {
        QPushButton *button = controls.*entry.button;
        const QLineEdit *box = entry.parameterBox ? controls.*entry.parameterBox : nullptr;
        connect(button, &QPushButton::clicked, this,
                [this, fixed = entry.fixed, box, quoted = entry.quoted, button] { click(fixed, box, quoted, button); });
    }
}

void CommandPanel::click(const char *fixed, const QLineEdit *parameterBox, bool quoted, QPushButton *button)
{
    const QString parameter = parameterBox ? parameterBox->text() : QString();
    CommandLine::send(m_comm, CommandLine::compose(QLatin1String(fixed), parameter, quoted, CommandLine::terminator),
                      m_notice, button);
}
