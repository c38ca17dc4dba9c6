#include "widgets/style.h"

#include <QApplication>
#include <QPalette>
#include <QPushButton>
#include <QStyle>
#include <cmath>

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
    return fontOf({QStringLiteral("Courier"), QStringLiteral("Courier New"), QStringLiteral("Liberation Mono")},
                  QFont::Monospace, 9.75);
}

void useWindowStyle()
{
    // The window's table fixes every place and size to the twip, and they
    // fit Fusion's margins; another style's would cut captions and texts.
    // So Fusion draws the window whatever style the environment asks for,
    // in the desktop's own palette, light or dark (a style such as
    // adwaita-dark brings its own).
    const QString asked = QApplication::style()->name();  // made first: it may bring the palette
    const QPalette desktop = QApplication::palette();
    if (asked != QLatin1String("fusion"))
        QApplication::setStyle(QStringLiteral("Fusion"));
    if (QApplication::palette() != desktop) {
        QPalette keep(desktop);
        keep.setResolveMask(~QPalette::ResolveMask(0));  // every role, not only those set by hand
        QApplication::setPalette(keep);
    }
}

static double luminance(const QColor &c)
{
    auto linear = [](double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
}

double contrast(const QColor &a, const QColor &b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor readableOn(const QColor &background, const QColor &preferred, double minimum)
{
    if (contrast(preferred, background) >= minimum)
        return preferred;
    return contrast(Qt::black, background) >= contrast(Qt::white, background) ? QColor(Qt::black)
                                                                               : QColor(Qt::white);
}

QColor greyedText(const QPalette &palette)
{
    // Halfway from the text to the background reads as grey on any palette;
    // closer to the text where that is not enough.
    const QColor text = palette.color(QPalette::Text);
    const QColor base = palette.color(QPalette::Base);
    for (int twentieths = 10; twentieths > 0; --twentieths) {
        const double towardBase = twentieths / 20.0;
        const QColor grey = QColor::fromRgbF(float(text.redF() + (base.redF() - text.redF()) * towardBase),
                                             float(text.greenF() + (base.greenF() - text.greenF()) * towardBase),
                                             float(text.blueF() + (base.blueF() - text.blueF()) * towardBase));
        if (contrast(grey, base) >= greyedContrast)
            return grey;
    }
    return text;
}

void setBackColor(QPushButton *button, const QColor &color)
{
    // The caption is dark whatever the palette: a dark theme's light text
    // would not read on light red or light green.
    button->setStyleSheet(QStringLiteral(
        "QPushButton { background-color: %1; color: black; border: 1px solid #7a7a7a; border-radius: 2px; }"
        "QPushButton:focus { border: 1px solid palette(highlight); }"
        "QPushButton:pressed { background-color: %2; }")
        .arg(color.name(), color.darker(115).name()));
}

} // namespace Widgets
