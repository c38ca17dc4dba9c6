#pragma once
// The window's table (inventory.cpp), the reference for every control: its
// container, caption or initial text, tool tip, place and size in twips,
// and tab index.

#include "app/form1ui.h"

#include <QString>
#include <variant>
#include <vector>

class QWidget;

namespace Inventory {

// The member of Form1Ui that holds a control. Its type is the control's
// kind: a frame, a button, a single-line box, a multi-line box (CrLfBox),
// the box that only shows a notice (QTextEdit), a label or the port list.
using Slot = std::variant<QGroupBox *Form1Ui::*, QPushButton *Form1Ui::*, QLineEdit *Form1Ui::*, CrLfBox *Form1Ui::*,
                          QTextEdit *Form1Ui::*, QLabel *Form1Ui::*, QComboBox *Form1Ui::*>;
// Every control holds its face itself: the window's Arial (Liberation Sans),
// or the notice box's Courier (Liberation Mono).
enum class Face { Sans, Mono };

struct Control
{
    const char *name;
    Slot slot;
    QGroupBox *Form1Ui::*container;  // nullptr: the window itself
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
// exist before the controls they hold, and puts each in its member of
// `ui`; then chains the focus by tab index.
void build(QWidget *form, Form1Ui &ui);

} // namespace Inventory
