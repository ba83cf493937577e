#pragma once
// The flight page: one flight on a landscape page, a text block (location and
// date, comments, times, heights, distance) and up to two plots from the
// flight's plot data: the plan view of the track, tinted red where it climbs
// and blue where it sinks, and the height profile with the speed and
// climb-rate curves.

#include "logprint.h"

#include "core/reportdata.h"
#include "plot/loadplotdata.h"
#include "plot/plotdata.h"

#include <QSqlDatabase>

class QPagedPaintDevice;

namespace soarnote {

class DrawSurface;
class PreviewPages;
class SettingsStore;

// Bits of the "Print"/"Show" setting.
enum ShowFlag : int { ShowClimbTint = 1, ShowSinkTint = 2, ShowSpeed = 4, ShowClimbRate = 8 };

struct FlightPageOptions {
    int show = 15;
    // A climb of 255 x gain height units per day gives full tint.
    int gain = 2000;
    bool planWanted = true;
    bool profileWanted = true;
    PlotOptions plot;
};
// "Print"/"Show", "Print"/"Gain" and the plot options; wholeFlight ignores
// the Limit View setting.
FlightPageOptions ReadFlightPageOptions(const SettingsStore& settings, bool wholeFlight);

// The flight the plots are made for, from the page's texts.
PlotFlight PlotFlightOf(const FlightPageFields& fields);

struct PlotFrame {
    int x = 0, y = 0, w = 0, h = 0;
};
struct PlotFrames {
    std::optional<PlotFrame> plan;
    std::optional<PlotFrame> profile;
};
// Which plots the page holds and where, for the plots wanted and the data.
PlotFrames ChoosePlotFrames(const PlotData& plot, bool planWanted, bool profileWanted);

// Draws the page on a surface already set up (fonts and base width).
void DrawFlightDetails(DrawSurface& surface, const FlightPageFields& fields, const PlotData* plot,
                       const FlightPageOptions& options);
// Plan view in the frame; w and h become the fitted size.
void DrawPlanView(DrawSurface& surface, const PlotData& plot, int x, int y, int& w, int& h, int show,
                  int gain);
void DrawProfile(DrawSurface& surface, const PlotData& plot, int x, int y, int w, int h, int show);

// Loads the plot data and prints the page on a printer or PDF writer (which
// must not be painting yet), ending the document.
PrintOutcome PrintFlightDetails(QPagedPaintDevice& device, const QSqlDatabase& db,
                                const FlightPageFields& fields, const FlightPageOptions& options);
// The same on the preview's first picture.
void PrintFlightDetails(PreviewPages& pages, const QSqlDatabase& db, const FlightPageFields& fields,
                        const FlightPageOptions& options);

} // namespace soarnote
