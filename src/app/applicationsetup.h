#pragma once
// What the whole application shares: the style and palette the window's
// sizes were made for, its default font, what screen readers are given for
// the program's own widgets, and SIGPIPE ignored. Done once, after the
// QApplication is made and before any window.

void setUpApplication();
