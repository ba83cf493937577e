#pragma once
// The demo flights' landscapes: one Visual Explorer XYZ file per take-off
// site, cut from the Peak District terrain grid over every flight flown from
// that site, so that opening the 3D view on a demo flight shows the real
// ground under it.

#include "demoseason.h"

#include <QHash>
#include <QString>

namespace demogen {

class TerrainGrid;

// The landscape file of a site, as stored in Tracks.LandFile: a plain name,
// which the 3D view takes relative to the program folder.
QString SiteLandscapeName(const QString& siteName);

// Writes the landscape of every site that has flights into folder. Fills
// landFiles with site name -> file name.
bool WriteSiteLandscapes(const TerrainGrid& terrain, const DemoSeason& season, const QString& folder,
                         QHash<QString, QString>* landFiles, QString* error);

} // namespace demogen
