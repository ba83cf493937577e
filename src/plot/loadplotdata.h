#pragma once
// LoadPlotData: one flight's plot data read from the logbook. The flight's
// track points (every track linked to it) and its barograph samples are
// merged into a PlotData; the result also carries the landscape file stored
// with the flight's tracks.

#include "plot/plotdata.h"

#include <QSqlDatabase>
#include <QString>
#include <optional>

namespace soarnote {

class FlightRecord;
class SettingsStore;

// Feet per metre, in the single precision the heights are scaled with.
inline constexpr float kFeetPerMetre = 3.2808399f;

// Heights are divided by this: 1 when the units are exactly "Meters", feet
// per metre for any other text.
float UnitsFactor(const QString& units);
// The same for the "General"/"Units" setting (default "Feet").
float UnitsFactor(const SettingsStore& settings);

// The flight row a plot is made for: its ID and the times the main window
// shows for it. An empty field is an empty optional.
struct PlotFlight {
    qint64 id = 0;
    std::optional<double> startTime; // LogData.StartTime (log time)
    std::optional<double> endTime;   // LogData.EndTime (log time)
    // LogData.TimeOffset, GPS time -> log time, in days; empty counts as 0.
    std::optional<double> timeOffset;

    static PlotFlight FromRecord(const FlightRecord& flight);
};

struct PlotOptions {
    QString units = QStringLiteral("Feet");
    // Limit View: only the track points between the flight's start and end
    // time take part; the barograph samples are never limited.
    bool limitView = false;
};

// "General"/"Units", and "General"/"Limit" (on when its value is 1) unless
// ignoreLimit is set, which always gives the whole flight.
PlotOptions ReadPlotOptions(const SettingsStore& settings, bool ignoreLimit);

// The text a flight without any plot data gives in place of a landscape file.
inline const QString kNoPlotData = QStringLiteral("~");

struct PlotLoadResult {
    enum class Status {
        Loaded, // plot filled; text is the flight's landscape file, "" when none
        NoData, // neither a track point nor a barograph sample; text is "~", plot untouched
        Failed, // the logbook could not be read or the flight's times do not allow a plot; plot untouched
    };
    Status status = Status::Failed;
    QString text;
    QString error; // Failed only
    bool Ok() const { return status != Status::Failed; }
};

// Fills plot with the flight's merged samples. A flight without barograph
// samples takes its heights from the track points that have one (GPS heights).
//
// Track times are brought into the barograph's time base by subtracting the
// plot time offset: the flight's TimeOffset less the TimeOffset of the
// flight's first track (when that is not 0). The landscape file is the first
// track's LandFile. With Limit View, the track points taken are those whose
// stored time lies between the flight's start and end time plus the plot
// time offset, both ends included.
PlotLoadResult LoadPlotData(PlotData& plot, const QSqlDatabase& db, const PlotFlight& flight,
                            const PlotOptions& options);
// The same with the options read from the settings.
PlotLoadResult LoadPlotData(PlotData& plot, const QSqlDatabase& db, const PlotFlight& flight,
                            const SettingsStore& settings, bool ignoreLimit);

} // namespace soarnote
