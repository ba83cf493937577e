#include "numbertext.h"

#include <QRegularExpression>
#include <cmath>

namespace soarnote {

QString PlainNumberText(double value, int significantDigits) {
    if (!std::isfinite(value)) return QString::number(value);
    if (value == 0) return QStringLiteral("0");
    // The significant digits asked for, written without exponent.
    const int magnitude = static_cast<int>(std::floor(std::log10(std::fabs(value))));
    const int decimals = std::max(0, significantDigits - 1 - magnitude);
    QString text = QString::number(value, 'f', std::min(decimals, 340));
    if (text.contains(QLatin1Char('.'))) {
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char('.'))) text.chop(1);
    }
    if (text == QLatin1String("-0")) text = QStringLiteral("0");
    return text;
}

QString NumberText(double value, int significantDigits) {
    const QString text = PlainNumberText(value, significantDigits);
    return text.startsWith(QLatin1Char('-')) ? text : QLatin1Char(' ') + text;
}

QString FixedNumberText(double value, int decimals) {
    if (!std::isfinite(value)) return QString::number(value);
    const double scale = std::pow(10.0, decimals);
    // Round the decimal shown, not its binary neighbour: 0.15 shows 0.2.
    double scaled = std::round(std::nextafter(value * scale, value < 0 ? -INFINITY : INFINITY)) / scale;
    if (scaled == 0) scaled = 0; // no "-0.0"
    return QString::number(scaled, 'f', decimals);
}

std::optional<double> ParseNumber(const QString& input) {
    QString text = input.trimmed();
    if (text.isEmpty()) return std::nullopt;
    if (!text.contains(QLatin1Char('.')) && text.count(QLatin1Char(',')) == 1) {
        // "1,5" is one and a half; "1,000" could as well be a thousand, so it
        // is refused rather than guessed.
        static const QRegularExpression thousands(QStringLiteral(R"(,\d{3}$)"));
        if (thousands.match(text).hasMatch()) return std::nullopt;
        text.replace(QLatin1Char(','), QLatin1Char('.'));
    }
    static const QRegularExpression numberRe(QStringLiteral(R"(^[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?$)"));
    if (!numberRe.match(text).hasMatch()) return std::nullopt;
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::optional<std::int32_t> WholeNumber(const QString& text) {
    const std::optional<double> value = ParseNumber(text);
    if (!value) return std::nullopt;
    const double rounded = std::nearbyint(*value); // default rounding: halves to even
    if (rounded < -2147483648.0 || rounded > 2147483647.0) return std::nullopt;
    return static_cast<std::int32_t>(rounded);
}

} // namespace soarnote
