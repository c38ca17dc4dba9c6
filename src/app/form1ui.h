#pragma once
// Every control of the window, one typed member each, under the name the
// window's table (inventory.cpp) gives it; filled once, as the table
// builds the window. The one-shot commands' buttons and boxes are the
// part the command panel is given.

#include "commands/commandcontrols.h"

class CrLfBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QTextEdit;

struct Form1Ui : CommandControls
{
    QGroupBox *Frame1 = nullptr;
    QGroupBox *Frame2 = nullptr;
    QGroupBox *Frame3 = nullptr;
    QGroupBox *Frame4 = nullptr;
    QGroupBox *Frame5 = nullptr;
    QGroupBox *Frame6 = nullptr;
    CrLfBox *Text2 = nullptr;
    QPushButton *Command25 = nullptr;
    QPushButton *Command7 = nullptr;
    QTextEdit *Text1 = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Label3 = nullptr;
    QPushButton *Command9 = nullptr;
    QComboBox *Combo1 = nullptr;
    QPushButton *Command2 = nullptr;
    QPushButton *Command3 = nullptr;
    QPushButton *Command16 = nullptr;
    QLineEdit *Text5 = nullptr;
    CrLfBox *Text6 = nullptr;
};
