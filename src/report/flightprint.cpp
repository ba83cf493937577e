#include "flightprint.h"

#include "drawsurface.h"
#include "previewpages.h"

#include "core/daynumber.h"
#include "core/numbertext.h"
#include "i18n/languagetable.h"
#include "settings/settingkeys.h"
#include "settings/settingsstore.h"

#include <QPagedPaintDevice>
#include <algorithm>
#include <cmath>

namespace soarnote {

namespace {

constexpr float kFlightBaseFont = 8;
const QColor kFrameColor(250, 250, 250);
const QColor kSpeedColor(0, 0, 255);
const QColor kClimbRateColor(0, 255, 0);

QString MetresLabel(double value) {
    // Always "m": the page labels heights so whatever the units setting.
    return FixedNumberText(value, 0) + QLatin1Char('m');
}

// Draws the tick from (x1, y1) to (x2, y2) and the label with its top-left
// corner at the tick's end.
void Tick(DrawSurface& surface, double x1, double y1, double x2, double y2, const QString& label) {
    surface.Line(x1, y1, x2, y2);
    surface.Print(label, true);
}

// The part both plots share: mask drawing and the frame; restores the mode
// and width when it goes.
class PlotScope {
public:
    PlotScope(DrawSurface& surface, int x, int y, int w, int h)
        : surface_(surface), mode_(surface.Mode()), width_(surface.DrawWidth()) {
        surface.SetDrawMode(DrawMode::Mask);
        surface.SetDrawWidth(1);
        surface.Line(x, y, x + w, y + h, kFrameColor, true);
    }
    ~PlotScope() {
        surface_.SetDrawMode(mode_);
        surface_.SetDrawWidth(width_);
    }
    int BaseWidth() const { return width_; }

private:
    DrawSurface& surface_;
    DrawMode mode_;
    int width_;
};

} // namespace

FlightPageOptions ReadFlightPageOptions(const SettingsStore& settings, bool wholeFlight) {
    FlightPageOptions options;
    options.show = static_cast<qint16>(settings.Int(keys::PrintShow));
    options.gain = settings.Int(keys::PrintGain);
    options.plot = ReadPlotOptions(settings, wholeFlight);
    return options;
}

PlotFlight PlotFlightOf(const FlightPageFields& fields) {
    PlotFlight flight;
    flight.id = fields.id;
    flight.startTime = ParseDayNumber(fields.startTime);
    flight.endTime = ParseDayNumber(fields.endTime);
    if (!fields.timeOffset.trimmed().isEmpty()) flight.timeOffset = ParseNumber(fields.timeOffset);
    return flight;
}

PlotFrames ChoosePlotFrames(const PlotData& plot, bool planWanted, bool profileWanted) {
    PlotFrames frames;
    const bool plan = planWanted && plot.max.y != plot.min.y;
    const bool profile = profileWanted && plot.max.time != plot.min.time;
    if (plan && profile) {
        frames.plan = PlotFrame{70, 30, 190, 110};
        frames.profile = PlotFrame{10, 150, 250, 40};
    } else if (plan) {
        frames.plan = PlotFrame{70, 30, 190, 160};
    } else if (profile) {
        frames.profile = PlotFrame{10, 60, 250, 130};
    }
    return frames;
}

void DrawPlanView(DrawSurface& surface, const PlotData& plot, int x, int y, int& w, int& h, int show,
                  int gain) {
    const float s = std::max((plot.max.x - plot.min.x) / static_cast<float>(w),
                             (plot.max.y - plot.min.y) / static_cast<float>(h));
    if (!(s > 0) || plot.points.empty()) return;
    w = static_cast<int>(std::nearbyint((plot.max.x - plot.min.x) / s));
    h = static_cast<int>(std::nearbyint((plot.max.y - plot.min.y) / s));
    // The page origin in the plot's single precision (page units are small).
    const auto left = static_cast<float>(x), top = static_cast<float>(y);
    auto px = [&](const PlotPoint& p) { return (plot.max.x - p.x) / s + left; };
    auto py = [&](const PlotPoint& p) { return (plot.max.y - p.y) / s + top; };
    const PlotPoint& first = plot.points.front();
    const int last = std::min<int>(plot.lastIndex, static_cast<int>(plot.points.size()) - 1);

    PlotScope scope(surface, x, y, w, h);
    const int base = scope.BaseWidth();
    surface.SetDrawWidth(base / 20 + 1);
    surface.SetCurrentX(px(first));
    surface.SetCurrentY(py(first));
    for (int i = 1; i < last; ++i)
        surface.Line(px(plot.points[i]), py(plot.points[i]), Qt::black);

    // The broad band: white for level flight leaves the paper as it is, and
    // under the mask the black track stays black.
    surface.SetDrawWidth(base);
    surface.Line(px(first), py(first), px(first), py(first), Qt::white);
    for (int i = 1; i < last; ++i) {
        const PlotPoint& a = plot.points[i - 1];
        const PlotPoint& b = plot.points[i];
        const double dt = b.time - a.time;
        double c = dt > 0 && gain != 0 ? (b.z - a.z) / (dt * gain) : 0;
        c = std::clamp(c, -255.0, 255.0);
        if ((c > 0 && !(show & ShowClimbTint)) || (c < 0 && !(show & ShowSinkTint))) c = 0;
        const int k = static_cast<int>(c);
        const QColor color = k >= 0 ? QColor(255, 255 - k, 255 - k) : QColor(255 + k, 255 + k, 255);
        surface.Line(px(b), py(b), color);
    }

    surface.SetDrawWidth(1);
    Tick(surface, x + w + 1, y, x + w + 3, y, MetresLabel(plot.max.y - first.y));
    Tick(surface, x + w + 1, y + h, x + w + 3, y + h, MetresLabel(plot.min.y - first.y));
    Tick(surface, x, y + h + 1, x, y + h + 3, MetresLabel(plot.max.x - first.x));
    Tick(surface, x + w, y + h + 1, x + w, y + h + 3, MetresLabel(plot.min.x - first.x));

    surface.SetDrawStyle(DrawStyle::Dotted);
    surface.Line(x, py(first), x + w, py(first), Qt::black);
    surface.Line(px(first), y, px(first), y + h, Qt::black);
    surface.SetDrawStyle(DrawStyle::Solid);
}

void DrawProfile(DrawSurface& surface, const PlotData& plot, int x, int y, int w, int h, int show) {
    if (plot.points.empty() || w <= 0 || h <= 0) return;
    const double t = (plot.max.time - plot.min.time) / w;
    const double z = (plot.max.z - plot.min.z) / static_cast<double>(h);
    if (!(t > 0)) return;
    auto px = [&](const PlotPoint& p) { return (p.time - plot.min.time) / t + x; };
    auto py = [&](const PlotPoint& p) { return (plot.max.z - p.z) / z + y; };
    const PlotPoint& first = plot.points.front();
    const int last = std::min<int>(plot.lastIndex, static_cast<int>(plot.points.size()) - 1);

    PlotScope scope(surface, x, y, w, h);
    surface.SetDrawWidth(scope.BaseWidth() / 20 + 1);
    if (z != 0) {
        surface.SetCurrentX(px(first));
        surface.SetCurrentY(py(first));
        for (int i = 1; i < last; ++i)
            surface.Line(px(plot.points[i]), py(plot.points[i]), Qt::black);
        surface.SetDrawWidth(1);
        surface.SetDrawStyle(DrawStyle::Dotted);
        surface.Line(x, py(first), x + w, py(first), Qt::black);
        surface.SetDrawStyle(DrawStyle::Solid);
        Tick(surface, x + w + 1, y, x + w + 3, y, MetresLabel(plot.max.z - first.z));
        Tick(surface, x + w + 1, y + h, x + w + 3, y + h, MetresLabel(plot.min.z - first.z));
        Tick(surface, x, y + h + 1, x, y + h + 3, ShortTimeText(plot.min.time));
        Tick(surface, x + w, y + h + 1, x + w, y + h + 3, ShortTimeText(plot.max.time));
    }

    if (plot.max.x != plot.min.x && (show & ShowSpeed)) {
        surface.SetForeColor(kSpeedColor);
        surface.SetCurrentX(px(first));
        surface.SetCurrentY(y + h);
        double maxSpeed = 0;
        for (int i = 1; i < last; ++i) {
            const PlotPoint& a = plot.points[i - 1];
            const PlotPoint& b = plot.points[i];
            const double dt = b.time - a.time;
            const double speed =
                dt > 0 ? std::hypot(double(b.x) - a.x, double(b.y) - a.y) / 1000 / (dt * 24) : 0;
            maxSpeed = std::max(maxSpeed, speed);
            surface.Line(px(b), std::max<double>(y, (100 - speed) * h / 100 + y));
        }
        surface.SetDrawStyle(DrawStyle::Dotted);
        surface.Line(x, y + h, x + w, y + h);
        surface.SetDrawStyle(DrawStyle::Solid);
        const double level = maxSpeed > 100 ? y - 3 : (100 - maxSpeed) * h / 100 + y;
        Tick(surface, x + w + 1, level, x + w + 3, level,
             FixedNumberText(maxSpeed, 0) + QStringLiteral("kph"));
    }

    if (show & ShowClimbRate) {
        surface.SetForeColor(kClimbRateColor);
        const double zero = y + h / 4.0;
        surface.SetCurrentX(px(first));
        surface.SetCurrentY(zero);
        double climb = 0;
        double sink = 0;
        for (int i = 1; i < last; ++i) {
            const PlotPoint& a = plot.points[i - 1];
            const PlotPoint& b = plot.points[i];
            const double dt = b.time - a.time;
            const double rate = dt > 0 ? (double(b.z) - a.z) / (dt * kSecondsPerDay) : 0;
            climb = std::max(climb, rate);
            sink = std::min(sink, rate);
            surface.Line(px(b), std::clamp<double>((5 - rate) * h / 20 + y, y, y + h));
        }
        surface.SetDrawStyle(DrawStyle::Dotted);
        surface.Line(x, zero, x + w, zero);
        surface.SetDrawStyle(DrawStyle::Solid);
        const double climbLevel = climb > 5 ? y - 3 : (5 - climb) * h / 20 + y;
        // A sink past the scale is marked at the frame's bottom edge.
        const double sinkLevel = std::min<double>((5 - sink) * h / 20 + y, y + h);
        Tick(surface, x + w + 1, climbLevel, x + w + 3, climbLevel,
             FixedNumberText(climb, 1) + QStringLiteral("m/s"));
        Tick(surface, x + w + 1, sinkLevel, x + w + 3, sinkLevel,
             FixedNumberText(sink, 1) + QStringLiteral("m/s"));
    }
    surface.SetForeColor(Qt::black);
}

void DrawFlightDetails(DrawSurface& surface, const FlightPageFields& fields, const PlotData* plot,
                       const FlightPageOptions& options) {
    const float base = surface.FontSize();
    surface.SetFontName(QStringLiteral("Arial"));
    surface.SetFontSize(base * 2);
    surface.SetFontBold(true);
    const std::optional<double> start = ParseDayNumber(fields.startTime);
    const std::optional<double> end = ParseDayNumber(fields.endTime);
    surface.Print(fields.location + QStringLiteral(" - ") + (start ? LongPrintDateText(*start) : QString()),
                  true);
    surface.EndLine();

    surface.SetFontBold(false);
    surface.SetFontSize(base);
    PrintWrapped(surface, fields.comments, 1, surface.ScaleWidth() - 12);
    surface.SetFontSize(base * 1.3f);
    surface.EndLine();
    surface.EndLine();

    const QString startText = start ? ShortTimeText(*start) : QString();
    const QString endText = end ? ShortTimeText(*end) : QString();
    surface.Print(QLatin1Char(' ') + Translate("Flight Time") + QStringLiteral(": ") + fields.flightTime +
                      QStringLiteral(" (") + startText + QStringLiteral(" - ") + endText + QLatin1Char(')'),
                  true);
    surface.Print(QLatin1Char(' ') + Translate("Maximum Height") + QStringLiteral(": ") + fields.maxHeight +
                      QStringLiteral(" (") + fields.maxGain + QLatin1Char(')'),
                  true);
    surface.Print(QLatin1Char(' ') + Translate("Minimum Height") + QStringLiteral(": ") + fields.minHeight +
                      QStringLiteral(" (") + fields.minGain + QLatin1Char(')'),
                  true);
    surface.Print(QLatin1Char(' ') + Translate("Type") + QStringLiteral(": ") + fields.distance +
                      QStringLiteral("km ") + fields.xcType,
                  true);
    surface.SetFontSize(base);

    if (plot) {
        surface.SetFontSize(base / 1.2f);
        const PlotFrames frames = ChoosePlotFrames(*plot, options.planWanted, options.profileWanted);
        if (frames.plan) {
            PlotFrame f = *frames.plan;
            DrawPlanView(surface, *plot, f.x, f.y, f.w, f.h, options.show, options.gain);
        }
        if (frames.profile) {
            const PlotFrame f = *frames.profile;
            DrawProfile(surface, *plot, f.x, f.y, f.w, f.h, options.show);
        }
        surface.SetFontSize(base);
    }
}

namespace {

std::optional<PlotData> LoadPagePlot(const QSqlDatabase& db, const FlightPageFields& fields,
                                     const FlightPageOptions& options) {
    PlotData plot;
    const PlotLoadResult result = LoadPlotData(plot, db, PlotFlightOf(fields), options.plot);
    // A flight without samples (or whose samples cannot be read) gets the
    // text block alone.
    if (result.status != PlotLoadResult::Status::Loaded || plot.points.empty()) return std::nullopt;
    return plot;
}

} // namespace

PrintOutcome PrintFlightDetails(QPagedPaintDevice& device, const QSqlDatabase& db,
                                const FlightPageFields& fields, const FlightPageOptions& options) {
    PrintOutcome outcome;
    SetLandscape(device);
    const std::optional<PlotData> plot = LoadPagePlot(db, fields, options);
    DrawSurface surface(&device);
    if (!surface.IsActive()) {
        outcome.ok = false;
        outcome.error = Translate("The printer or file could not be opened.");
        return outcome;
    }
    SetupPrintPage(surface, kFlightBaseFont, ReferenceDrawWidth(1440.0 / device.logicalDpiX()));
    DrawFlightDetails(surface, fields, plot ? &*plot : nullptr, options);
    outcome.pages = 1;
    if (!surface.EndDoc()) {
        outcome.ok = false;
        outcome.error = Translate("The printer or file reported an error at the end of the document.");
    }
    return outcome;
}

void PrintFlightDetails(PreviewPages& pages, const QSqlDatabase& db, const FlightPageFields& fields,
                        const FlightPageOptions& options) {
    const std::optional<PlotData> plot = LoadPagePlot(db, fields, options);
    // One page, drawn at once: the log's pages and drawer are done with.
    pages.SetDrawer(nullptr);
    std::unique_ptr<DrawSurface> surface = pages.Surface(0);
    surface->Cls();
    DrawFlightDetails(*surface, fields, plot ? &*plot : nullptr, options);
}

} // namespace soarnote
