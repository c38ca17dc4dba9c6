#include "app/form1.h"
#include "widgets/lookup.h"

#include <QApplication>
#include <cstdio>
#include <optional>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vexmo-at"));
    std::optional<Form1> form;
    try {
        form.emplace();
    } catch (const Widgets::MissingControl &e) {
        std::fprintf(stderr, "vexmo-at: %s\n", e.what());
        return 1;
    }
    form->showCentred();
    return app.exec();
}
