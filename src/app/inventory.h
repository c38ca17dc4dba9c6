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
// Every control holds its face itself: the window's Arial (Liberation Sans),
// or the notice box's Courier (Liberation Mono).
enum class Face { Sans, Mono };

struct Control
{
    const char *name;
    Kind kind;
    const char *container;  // "" for the window itself
    QString text;
    QString toolTip;
    int left, top, width, height;  // twips
    int tabIndex;
    Face face = Face::Sans;
};

constexpr int clientWidth = 14100;  // twips
constexpr int clientHeight = 8985;

const std::vector<Control> &controls();

// Creates every control on the form, in the table's order, so that frames
// exist before the controls they hold; then chains the focus by tab index.
void build(QWidget *form);

} // namespace Inventory
