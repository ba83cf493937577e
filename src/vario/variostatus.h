#pragma once
// What the variometer link reports, as typed events with their numbers. The
// link never builds texts (a state machine that translated would write new
// texts into the language table); the adapter turns each event into the
// translated status text, question or message (variostatustext.h).

#include <QByteArray>
#include <QList>
#include <QString>

namespace soarnote {

enum class VarioStatus {
    OpenFailed,            // text: what was wrong with the settings (may be empty)
    PortError,             // text: the system's reason
    PortLost,              // text: the system's reason
    NoResponse,            // the instrument did not answer a command
    DataAccessError,       // a reply that ends or breaks the download
    UnknownReply,          // bytes: the reply nobody asked for
    Cancelled,             // the user stopped the transfer
    StorageFailed,         // text: what the logbook said
    RequestingLogRecord,   // number: the record asked for
    LogRecordsReceived,    // count: records read
    LogStoppedEarly,       // number: the unreadable record, count: records stored
    EmptyLogEntries,       // numbers: the flights stored without times (a message box)
    RequestingBaroDetails, // the barograph list is asked for
    NoBarographs,          // the instrument holds no trace
    RequestingBaroLog,     // number: the trace asked for
    BaroLogComplete,       // number: the trace whose last block starts
    BaroHeader,            // number: trace
    BaroFooter,            // number: trace
    BaroSamples,           // number: trace, time: the next sample's time, repeat: stored before
    BaroBlockLost,         // number: trace, time: where the trace goes on
    BaroDownloadDone,      // count: samples lost, numbers: traces ended early, total: samples unlinked
    CreateFlightQuestion,  // no flight holds the trace just read: create one? (a question)
};

struct VarioStatusEvent {
    VarioStatus kind = VarioStatus::NoResponse;
    int number = 0;
    qint64 count = 0;
    qint64 total = 0;
    double time = 0;
    bool repeat = false;
    QList<qint64> numbers;
    QByteArray bytes;
    QString text;
};

} // namespace soarnote
