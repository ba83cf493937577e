#pragma once
// A flight's position offsets: how far its GPS track lies from the true
// ground (east, north, height), as the 3D view lets the pilot correct it.

#include "storageerror.h"

#include <QSqlDatabase>
#include <QString>

namespace soarnote {

// In the user's units. The east offset is kept in LatOffset and the north
// offset in LngOffset: the flight form has always shown them that way round.
struct FlightOffsets {
    double east = 0;
    double north = 0;
    double height = 0;
};

// Writes the offsets into the flight's LogData row. False (with the reason)
// when the statement fails or the flight is no longer there.
bool SaveFlightOffsets(const QSqlDatabase& db, qint64 logId, const FlightOffsets& offsets, QString* error,
                       StorageError* kind = nullptr);

} // namespace soarnote
