#include "app/applicationsetup.h"

#include "textbox/crlfboxaccessible.h"
#include "widgets/notice.h"
#include "widgets/style.h"

#include <QAccessible>
#include <QApplication>

void setUpApplication()
{
    Widgets::useWindowStyle();
    // Style sheets (the frames, Connect) take their font from the
    // application rather than from the window.
    QApplication::setFont(Widgets::sansFont());
    QAccessible::installFactory(&Notice::accessibleInterface);
    QAccessible::installFactory(&CrLfBoxAccessible::create);
}
