#pragma once
// Every stored setting with the default its reader gives. Readers name the
// key from here, so the defaults live in one place.

#include <QString>
#include <QVariant>
#include <vector>

namespace soarnote {

struct SettingKey {
    QString section;
    QString key;
    QVariant fixedDefault;
    // A default that names a file of the program folder (the demo logbook,
    // the meshes); empty for a fixed default.
    QString programFile;
    bool writableProgramFile = false;

    QVariant Default() const;
};

namespace keys {
extern const SettingKey GeneralUnits;
extern const SettingKey GeneralSync;
extern const SettingKey GeneralLimit;
extern const SettingKey GeneralToolbar;
extern const SettingKey PrintShow;
extern const SettingKey PrintGain;
extern const SettingKey GpsPort;
extern const SettingKey GpsSpeed;
extern const SettingKey GpsParity;
extern const SettingKey GpsBit;
extern const SettingKey GpsEnd;
extern const SettingKey VarioPort;
extern const SettingKey VarioSpeed;
extern const SettingKey VarioParity;
extern const SettingKey VarioBit;
extern const SettingKey VarioEnd;
extern const SettingKey PlotTrackColor;
extern const SettingKey PlotTrackTexture;
extern const SettingKey PlotTrackView;
extern const SettingKey PlotLandscapeColor;
extern const SettingKey PlotLandscapeTexture;
extern const SettingKey PlotGliderColor;   // the options dialog's default (red)
extern const SettingKey PlotGliderColor3D; // the 3D view's default (blue)
extern const SettingKey PlotGliderTexture;
extern const SettingKey PlotGliderView;
extern const SettingKey PlotGlider;
extern const SettingKey PlotPilot;
extern const SettingKey PlotCloud;
extern const SettingKey PlotOverlay;
extern const SettingKey PlotFps;
extern const SettingKey PlotFlag0;
extern const SettingKey PlotFlag1;
extern const SettingKey PlotFlag2;
extern const SettingKey PlotInstrState;
extern const SettingKey PlotInstrLeft;
extern const SettingKey PlotInstrTop;
// Folder of SRTM / ESRI terrain tiles for flights without a landscape of their own.
extern const SettingKey PlotTerrainFolder;
extern const SettingKey MainHeight;
extern const SettingKey DatabaseName;
} // namespace keys

// The table editor's keys, one section per table.
SettingKey TableWidthKey(const QString& table);
SettingKey TableHeightKey(const QString& table);
// "ColWidth" followed by the column index as number text (" 0", " 1", ...).
SettingKey TableColumnWidthKey(const QString& table, int column);

// Every fixed key of the settings table, in the table's order.
const std::vector<const SettingKey*>& AllSettingKeys();

} // namespace soarnote
