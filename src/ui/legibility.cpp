#include "ui/legibility.h"

#include <QFile>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <QRegularExpression>
#include <QSvgRenderer>

#include <algorithm>
#include <cmath>

namespace skerrow {

namespace {

double Luminance(const QColor& colour)
{
    const auto channel = [](float value) {
        return value <= 0.03928 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
    };
    const QColor rgb = colour.toRgb();
    return 0.2126 * channel(rgb.redF()) + 0.7152 * channel(rgb.greenF()) + 0.0722 * channel(rgb.blueF());
}

constexpr QSize LogoSize(126, 37);

}  // namespace

double ContrastRatio(const QColor& a, const QColor& b)
{
    const double la = Luminance(a);
    const double lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor ReadableOn(const QColor& ground, const QColor& colour)
{
    const QColor target = ContrastRatio(Qt::black, ground) >= ContrastRatio(Qt::white, ground)
                              ? QColor(Qt::black)
                              : QColor(Qt::white);
    QColor mixed = colour.toRgb();
    for (int step = 1; step <= 20 && ContrastRatio(mixed, ground) < MinimumContrast; ++step) {
        const double share = step / 20.0;
        const auto mix = [share](float from, float to) { return from + (to - from) * share; };
        mixed.setRgbF(mix(colour.toRgb().redF(), target.redF()),
                      mix(colour.toRgb().greenF(), target.greenF()),
                      mix(colour.toRgb().blueF(), target.blueF()));
    }
    return mixed;
}

QIcon ButtonLogo(const QPalette& palette)
{
    QFile file(QStringLiteral(":/skerrow/logo_small.svg"));
    QString svg = file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    static const QRegularExpression wordFill(
        QStringLiteral("(<text id=\"word\"[^>]*fill=\")(#[0-9a-fA-F]{6})"));
    const QRegularExpressionMatch match = wordFill.match(svg);
    if (match.hasMatch()) {
        const QColor word =
            ReadableOn(palette.color(QPalette::Button), QColor::fromString(match.capturedView(2)));
        svg.replace(match.capturedStart(2), match.capturedLength(2), word.name());
    }
    QIcon icon;
    QSvgRenderer renderer(svg.toUtf8());
    // Drawn at twice the size as well, for high-density screens.
    for (const int scale : {1, 2}) {
        QPixmap pixmap(LogoSize * scale);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        renderer.render(&painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

}  // namespace skerrow
