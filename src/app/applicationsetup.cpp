#include "app/applicationsetup.h"

#include "textbox/crlfboxaccessible.h"
#include "widgets/notice.h"
#include "widgets/style.h"

#include <QAccessible>
#include <QApplication>
#include <csignal>

void setUpApplication()
{
    // A reader that went away (`--log /dev/stdout | head`) is a failed
    // write like any other, said as such: never the end of the program.
    ::signal(SIGPIPE, SIG_IGN);
    Widgets::useWindowStyle();
    // Style sheets (the frames, Connect) take their font from the
    // application rather than from the window.
    QApplication::setFont(Widgets::sansFont());
    QAccessible::installFactory(&Notice::accessibleInterface);
    QAccessible::installFactory(&CrLfBoxAccessible::create);
}
