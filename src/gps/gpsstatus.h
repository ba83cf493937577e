#pragma once
// What the GPS link reports for the status line, as typed events with their
// numbers. The link never builds texts; the adapter turns each event into the
// translated status text (gpsstatustext.h).

#include "gpsreplies.h"

#include <QString>

namespace soarnote {

enum class GpsStatus {
    OpenFailed,       // the port did not open (text: the system's reason)
    RequestingTracks, // the track log command goes out
    ReceivingTracks,  // count: track points so far; total: records announced (0 until known)
    Repeat,           // the point just received was stored before (appended)
    TransferComplete, // count: records received, total: tracks added
    CurrentTime,      // time: the receiver's clock as a day number
    CurrentPosition,  // position
    Product,          // product
    Pvt,              // height, position
    ResponseTimeout,  // no reply to a packet sent
    ReceiveTimeout,   // a packet stopped part way
    LineEvent,        // code: the serial line event number (1001 break, ...)
    PortLost,         // text: the system's reason
    UnknownReply,     // after the user has seen an unknown packet
    TooManyResends,   // count: times the refused packet was sent again
    TooManyDamaged,   // count: damaged frames in the transfer
    StorageFailed,    // text: what the logbook said
    Cancelled,        // the user stopped the transfer
};

struct GpsStatusEvent {
    GpsStatus kind = GpsStatus::RequestingTracks;
    qint64 count = 0;
    qint64 total = 0;
    double time = 0;
    GeoPoint position;
    float height = 0;
    ProductData product;
    int code = 0;
    QString text;
};

} // namespace soarnote
