#pragma once
// The window's table (inventory.cpp), the reference for every control: its
// container, caption or initial text, tool tip, place and size in twips,
// and tab index.

#include <QString>
#include <vector>

class QWidget;

namespace Inventory {

// NoticeBox is the multi-line box that only shows a notice: it keeps its lines
// close enough for six of them to fit.
enum class Kind { Frame, Button, TextBox, MultiLineTextBox, NoticeBox, Label, ComboBox };
enum class Face { Default, Sans, Mono };  // Default: the window's font

struct Control
{
    const char *name;
    Kind kind;
    const char *container;  // "" for the window itself
    QString text;
    QString toolTip;
    int left, top, width, height;  // twips
    int tabIndex;
    Face face = Face::Default;
};

constexpr int clientWidth = 14100;  // twips
constexpr int clientHeight = 8985;

const std::vector<Control> &controls();

// Creates every control on the form, in the table's order, so that frames
// exist before the controls they hold; then chains the focus by tab index.
void build(QWidget *form);

} // namespace Inventory
