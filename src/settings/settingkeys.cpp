#include "settingkeys.h"

#include "core/numbertext.h"
#include "core/programfolder.h"

namespace soarnote {

QVariant SettingKey::Default() const {
    if (programFile.isEmpty()) return fixedDefault;
    return writableProgramFile ? ProgramFolder::WritableFile(programFile) : ProgramFolder::File(programFile);
}

namespace keys {
#define SN_KEY(name, section, key, def)                                                                      \
    const SettingKey name {                                                                                  \
        QStringLiteral(section), QStringLiteral(key), def, {}, false                                         \
    }
SN_KEY(GeneralUnits, "General", "Units", QStringLiteral("Feet"));
SN_KEY(GeneralSync, "General", "Sync", 1);
SN_KEY(GeneralLimit, "General", "Limit", 0);
SN_KEY(GeneralToolbar, "General", "Toolbar", QString());
SN_KEY(PrintShow, "Print", "Show", 15);
SN_KEY(PrintGain, "Print", "Gain", 2000);
SN_KEY(GpsPort, "GPS", "Port", QStringLiteral("COM2"));
SN_KEY(GpsSpeed, "GPS", "Speed", QStringLiteral("9600"));
SN_KEY(GpsParity, "GPS", "Parity", QStringLiteral("NONE"));
SN_KEY(GpsBit, "GPS", "Bit", QStringLiteral("8"));
SN_KEY(GpsEnd, "GPS", "End", QStringLiteral("1"));
SN_KEY(VarioPort, "Vario", "Port", QStringLiteral("COM1"));
SN_KEY(VarioSpeed, "Vario", "Speed", QStringLiteral("4800"));
SN_KEY(VarioParity, "Vario", "Parity", QStringLiteral("NONE"));
SN_KEY(VarioBit, "Vario", "Bit", QStringLiteral("8"));
SN_KEY(VarioEnd, "Vario", "End", QStringLiteral("1"));
SN_KEY(PlotTrackColor, "Plot", "TrackColor", 16711680);
SN_KEY(PlotTrackTexture, "Plot", "TrackTexture", QString());
SN_KEY(PlotTrackView, "Plot", "TrackView", 1);
SN_KEY(PlotLandscapeColor, "Plot", "LandscapeColor", 114688);
SN_KEY(PlotLandscapeTexture, "Plot", "LandscapeTexture", QString());
SN_KEY(PlotGliderColor, "Plot", "GliderColor", 255);
SN_KEY(PlotGliderColor3D, "Plot", "GliderColor", 16711680);
SN_KEY(PlotGliderTexture, "Plot", "GliderTexture", QString());
SN_KEY(PlotGliderView, "Plot", "GliderView", 1);
SN_KEY(PlotCloud, "Plot", "Cloud", 0);
SN_KEY(PlotOverlay, "Plot", "Overlay", 0);
SN_KEY(PlotFps, "Plot", "FPS", 5);
SN_KEY(PlotFlag0, "Plot", "Flag0", 0);
SN_KEY(PlotFlag1, "Plot", "Flag1", 0);
SN_KEY(PlotFlag2, "Plot", "Flag2", 0);
SN_KEY(PlotInstrState, "Plot", "InstrState", false);
SN_KEY(PlotInstrLeft, "Plot", "InstrLeft", 0);
SN_KEY(PlotInstrTop, "Plot", "InstrTop", 0);
SN_KEY(PlotTerrainFolder, "Plot", "TerrainFolder", QString());
SN_KEY(MainHeight, "Main", "Height", 5450);
#undef SN_KEY
const SettingKey PlotGlider{
    QStringLiteral("Plot"), QStringLiteral("Glider"), {}, QStringLiteral("para.x"), false};
const SettingKey PlotPilot{
    QStringLiteral("Plot"), QStringLiteral("Pilot"), {}, QStringLiteral("parapilot.x"), false};
const SettingKey DatabaseName{
    QStringLiteral("Database"), QStringLiteral("Name"), {}, QStringLiteral("demo.mdb"), true};
} // namespace keys

SettingKey TableWidthKey(const QString& table) {
    return {table, QStringLiteral("Width"), QStringLiteral("5800"), {}, false};
}
SettingKey TableHeightKey(const QString& table) {
    return {table, QStringLiteral("Height"), QStringLiteral("2200"), {}, false};
}
SettingKey TableColumnWidthKey(const QString& table, int column) {
    return {table, QStringLiteral("ColWidth") + NumberText(column), QStringLiteral("2000"), {}, false};
}

const std::vector<const SettingKey*>& AllSettingKeys() {
    using namespace keys;
    static const std::vector<const SettingKey*> all = {
        &GeneralUnits,
        &GeneralSync,
        &GeneralLimit,
        &GeneralToolbar,
        &PrintShow,
        &PrintGain,
        &GpsPort,
        &GpsSpeed,
        &GpsParity,
        &GpsBit,
        &GpsEnd,
        &VarioPort,
        &VarioSpeed,
        &VarioParity,
        &VarioBit,
        &VarioEnd,
        &PlotTrackColor,
        &PlotTrackTexture,
        &PlotTrackView,
        &PlotLandscapeColor,
        &PlotLandscapeTexture,
        &PlotGliderColor,
        &PlotGliderTexture,
        &PlotGliderView,
        &PlotGlider,
        &PlotPilot,
        &PlotCloud,
        &PlotOverlay,
        &PlotFps,
        &PlotFlag0,
        &PlotFlag1,
        &PlotFlag2,
        &PlotInstrState,
        &PlotInstrLeft,
        &PlotInstrTop,
        &PlotTerrainFolder,
        &MainHeight,
        &DatabaseName,
    };
    return all;
}

} // namespace soarnote
