#include "viewframe.h"

#include "core/daynumber.h"
#include "core/numbertext.h"
#include "i18n/languagetable.h"

#include <cmath>

namespace soarnote {

namespace {

QVector3D Position(const PlotPoint& p) {
    return {p.x, p.y, p.z};
}

} // namespace

std::optional<FrameOrientation> UprightOrientation(QVector3D direction) {
    if (qFuzzyIsNull(direction.lengthSquared())) return std::nullopt;
    const QVector3D worldUp(0, 0, 1.0f);
    const QVector3D unit = direction.normalized();
    if (QVector3D::crossProduct(unit, worldUp).lengthSquared() < 1e-8f)
        return FrameOrientation{direction, QVector3D(0, 1.0f, 0)};
    return FrameOrientation{direction, worldUp};
}

ViewFrame UpdateViewFrame(const GliderTrail& trail, QVector3D cameraPosition, QVector3D cameraDirection,
                          FollowMode orientation, FollowMode position) {
    const PlotPoint& now = trail[0];
    const PlotPoint& oldest = trail[5];
    // Every placement below is computed from where the camera was before it.
    const QVector3D c = cameraPosition;
    ViewFrame frame;
    switch (position) {
    case FollowMode::Follow:
        frame.cameraPosition = Position(oldest);
        break;
    case FollowMode::Horizontal:
        frame.cameraPosition = QVector3D(oldest.x, oldest.y, c.z());
        break;
    case FollowMode::Normal:
        frame.cameraPosition = QVector3D(now.x, now.y, c.z());
        break;
    case FollowMode::Off:
        break;
    }
    switch (orientation) {
    case FollowMode::Follow:
        frame.cameraOrientation = UprightOrientation(Position(now) - c);
        break;
    case FollowMode::Horizontal:
        frame.cameraOrientation =
            UprightOrientation(QVector3D(now.x - c.x(), now.y - c.y(), cameraDirection.z()));
        break;
    case FollowMode::Normal:
    case FollowMode::Off:
        break;
    }
    frame.captionTime = oldest.time;
    frame.gliderPosition = Position(now);
    frame.gliderOrientation = UprightOrientation(QVector3D(now.x - oldest.x, now.y - oldest.y, 0));
    return frame;
}

QString PlotCaption(double time) {
    return Translate("3D Plot") + QStringLiteral(" - ") + GeneralDateText(time);
}

QString OffsetCaption(QVector3D landscapePosition, float unitsFactor) {
    auto units = [unitsFactor](float metres) {
        return FixedNumberText(static_cast<double>(metres * unitsFactor), 0);
    };
    return Translate("3D Plot - OFFSET MODE") + QStringLiteral(" [E: ") + units(landscapePosition.x()) +
           QStringLiteral(", N: ") + units(landscapePosition.y()) + QStringLiteral(", H: ") +
           units(landscapePosition.z()) + QLatin1Char(']');
}

std::optional<double> SunPositionTime(double gliderTime, const QString& answer) {
    const std::optional<double> typed = ParseDayNumber(answer);
    if (!typed || !std::isfinite(gliderTime)) return std::nullopt;
    const double timeOfDay = std::abs(*typed - std::trunc(*typed));
    return std::floor(gliderTime) + timeOfDay;
}

QString SunPositionDefault(double gliderTime) {
    return ShortTimeText(gliderTime);
}

} // namespace soarnote
