#include "app/form1.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vexmo-at"));
    Form1 form;
    form.showCentred();
    return app.exec();
}
