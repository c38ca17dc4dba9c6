#pragma once
// The controls the one-shot commands are wired to, under the names the
// window's table gives them: each button, and the boxes whose text
// completes a line.

class QLineEdit;
class QPushButton;

struct CommandControls
{
    QPushButton *Command11 = nullptr;
    QPushButton *Command1 = nullptr;
    QPushButton *Command14 = nullptr;
    QPushButton *Command13 = nullptr;
    QPushButton *Command21 = nullptr;
    QPushButton *Command24 = nullptr;
    QPushButton *Command15 = nullptr;
    QPushButton *Command22 = nullptr;
    QPushButton *Command10 = nullptr;
    QPushButton *Command12 = nullptr;
    QPushButton *Command18 = nullptr;
    QPushButton *Command17 = nullptr;
    QPushButton *Command19 = nullptr;
    QPushButton *Command20 = nullptr;
    QPushButton *Command4 = nullptr;
    QPushButton *Command5 = nullptr;
    QPushButton *Command6 = nullptr;
    QPushButton *Command23 = nullptr;
    QPushButton *Command8 = nullptr;
    QLineEdit *Text4 = nullptr;
    QLineEdit *Text7 = nullptr;
    QLineEdit *Text8 = nullptr;
    QLineEdit *Text9 = nullptr;
    QLineEdit *Text3 = nullptr;
};
