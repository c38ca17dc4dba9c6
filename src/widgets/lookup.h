#pragma once
// Controls are found by the names the window's table gives them, once, when a handler is wired,
// so that a name the window lacks stops the program at start-up, naming it,
// instead of at the first press.

#include <QWidget>
#include <stdexcept>

namespace Widgets {

class MissingControl : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

template <typename T> T *control(const QWidget *form, const char *name)
{
    T *found = form->findChild<T *>(QLatin1String(name));
    if (!found)
        throw MissingControl(std::string("the window has no control named ") + name + " of kind "
                             + T::staticMetaObject.className());
    return found;
}

} // namespace Widgets
