#include "widgets/style.h"

#include <QPushButton>

namespace Widgets {

// Arial and Courier (New) are asked for first; Debian's metric-compatible
// Liberation fonts stand in where they are missing.
static QFont fontOf(const QStringList &families, QFont::StyleHint hint, qreal points)
{
    QFont f;
    f.setFamilies(families);
    f.setStyleHint(hint);
    f.setPointSizeF(points);
    f.setWeight(QFont::Normal);
    return f;
}

QFont sansFont()
{
    return fontOf({QStringLiteral("Arial"), QStringLiteral("Liberation Sans")}, QFont::SansSerif, 8.25);
}

QFont monoFont()
{
    // Courier New's metric twin keeps the notice's lines closest together.
    return fontOf({QStringLiteral("Courier New"), QStringLiteral("Liberation Mono"), QStringLiteral("Courier")},
                  QFont::Monospace, 9.75);
}

void setBackColor(QPushButton *button, const QColor &color)
{
    button->setStyleSheet(QStringLiteral(
        "QPushButton { background-color: %1; border: 1px solid #7a7a7a; border-radius: 2px; }"
        "QPushButton:focus { border: 1px solid palette(highlight); }"
        "QPushButton:pressed { background-color: %2; }")
        .arg(color.name(), color.darker(115).name()));
}

} // namespace Widgets
