#pragma once
// The Sol variometer link: the command/retry mechanism, the log download,
// the barograph download and the linking of traces to flights, as one state
// machine without I/O. It is handed received bytes, ticks of its 50 ms retry
// timer and the user's answers; it answers with actions (bytes to write,
// timer changes, status events, the port to close, a question to ask) that an
// adapter carries out, and it writes rows through a VarioStore.

#include "variosink.h"
#include "variostatus.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <vector>

namespace soarnote {

struct VarioAction {
    enum class Kind {
        Write,      // bytes
        StartTimer, // (re)start the 50 ms retry timer
        StopTimer,
        Status, // event: its text replaces the status line
        ClosePort,
        AskCreateFlight, // event: the question; answer with AnswerCreateFlight()
        Message,         // event: the text of an OK message box
        FlightsChanged,  // flights were stored or changed
        Finished,        // the transfer is over
    };
    Kind kind;
    QByteArray bytes;
    VarioStatusEvent event;
};

class VarioLink {
public:
    static constexpr int kRetryIntervalMs = 50;
    static constexpr int kWakeUpAnswerLength = 24;
    static constexpr int kLastRecord = 100;
    // Ticks without a byte after which a reply that stopped half-way is
    // taken as lost: at least one whole tick of silence, 24 byte times at
    // 4800 baud.
    static constexpr int kQuietTicks = 2;

    enum RequestState { None = 0, LogRecordState = 1, BarographDetailsState = 2, BarographLogState = 3 };

    VarioLink() = default;

    // Starts a download on an open port. False (and nothing done) while a
    // transfer runs.
    bool StartLogDownload(VarioStore* store, bool allEntries);
    bool StartBarographDownload(VarioStore* store);

    // Bytes read from the port.
    void OnBytes(const QByteArray& bytes);
    // A tick of the retry timer.
    void OnTimerTick();
    // The user's answer to AskCreateFlight.
    void AnswerCreateFlight(bool create);
    // Ends the transfer at once (port gone, logbook closed): keeps what was
    // stored and closes the port.
    void Abort();
    // The user stopped the transfer: as Abort, and the status says so.
    void Cancel();

    // How far the transfer is, for a progress bar; maximum 0 while the
    // length is not known.
    struct Progress {
        int value = 0;
        int maximum = 0;
    };
    Progress TransferProgress() const;

    // What the last transfer added to the logbook.
    int FlightsAdded() const { return flightsAdded_; }
    int TracesAdded() const { return tracesAdded_; }

    std::vector<VarioAction> TakeActions();

    bool Active() const { return active_; }
    bool AwaitingAnswer() const { return awaitingAnswer_; }
    void SetTimeOffset(double days) { varioTimeOffset_ = days; }
    double TimeOffset() const { return varioTimeOffset_; }

    // State, for the progress bar and tests.
    int RequestStateValue() const { return requestState_; }
    int ReplyLength() const { return replyLength_; }
    int TriesLeft() const { return triesLeft_; }
    bool WakeUpPending() const { return wakeUpPending_; }
    int RecordNumber() const { return recordNumber_; }
    int LogNumber() const { return logNumber_; }
    int TraceCount() const { return traceCount_; }
    int BytesLeft() const { return bytesLeft_; }
    // Flights stored without times in this log download.
    const QList<qint64>& EmptyEntries() const { return emptyEntries_; }
    const BaroTrace& Trace() const { return trace_; }
    bool LogDownload() const { return logDownload_; }
    int RowsStored() const { return rowsStored_; }
    // Samples of blocks dropped because they arrived short.
    int SamplesLost() const { return samplesLost_; }

private:
    // The command mechanism.
    bool SendVarioCommand();
    void ReceiveVarioReply();
    void SetCommand(const QByteArray& command, int tries);
    void DrainWakeUp();
    void FinishDrain();
    void DispatchReply(const QByteArray& reply);
    void UnknownReply(const QByteArray& reply);
    void CloseVarioPort();
    // Ends the transfer with the error when the logbook stopped taking rows.
    bool StopOnWriteFailure();
    void EndTransfer();

    // Log download.
    void RequestLogRecord(int n);
    void OnLogRecord(const QByteArray& reply);
    // How a log download ended: at an unused slot or a flight stored before,
    // after the last slot, or on a record that could not be read.
    enum class LogEnd { Natural, LastSlot, Garbled };
    void EndLogDownload(LogEnd end);

    // Barograph download.
    void RequestBarographDetails();
    void OnBarographDetails(const QByteArray& reply);
    void RequestBaroLog(int n);
    void OnBaroLogData(const QByteArray& reply);
    void OnBaroLogTimeout();
    void SendNext();
    void OpenBlock(quint8 marker, int byteCount);
    void StoreBlock();
    void DropShortBlock();
    void SkipTrace();
    void EndBarographDownload();
    void LinkBarographTrace();
    void FinishLink(qint64 logId);

    void Do(VarioAction::Kind kind, const QByteArray& bytes = {}, const VarioStatusEvent& event = {});
    void Status(const VarioStatusEvent& event) { Do(VarioAction::Kind::Status, {}, event); }
    void Status(VarioStatus kind, int number = 0) {
        VarioStatusEvent e;
        e.kind = kind;
        e.number = number;
        Status(e);
    }
    void StartTimer();
    void StopTimer();

    std::vector<VarioAction> actions_;
    VarioStore* store_ = nullptr;
    bool active_ = false;
    bool timerOn_ = false;

    // Link state.
    QByteArray buffer_;
    QByteArray currentCommand_;
    int triesLeft_ = 0;
    int requestState_ = None;
    bool wakeUpPending_ = false;
    int replyLength_ = 24;
    double varioTimeOffset_ = 0;
    bool receiving_ = false; // bytes came since the last send
    bool activity_ = false;  // bytes came since the last tick
    int quietTicks_ = 0;
    bool draining_ = false; // dropping answers to repeated wake-ups
    int wakeUpsSent_ = 0;
    qint64 wakeUpBytes_ = 0;
    bool awaitingAnswer_ = false;
    // Ticks since the current command was first sent, and the most an
    // answer of this transfer took (bounded): after the last try the link
    // waits that long before giving up.
    int commandTicks_ = 0;
    int answerTicks_ = 0;
    static constexpr int kMaxAnswerTicks = 20;
    static constexpr int kAnswerTickMargin = 2;

    // Download state.
    bool logDownload_ = false;
    int recordNumber_ = 0;
    bool continueOnError_ = false;
    QList<qint64> emptyEntries_;
    QByteArray lastRecordReply_; // the last record stored
    int lateRepeats_ = 0;
    static constexpr int kLateRepeatBudget = 10;
    int garbledRepeats_ = 0;
    static constexpr int kGarbledRepeats = 2;
    int logNumber_ = 0;
    int traceCount_ = 0;
    int bytesLeft_ = 0;
    double sampleInterval_ = 0;
    double sampleTime_ = 0;
    double traceStart_ = 0;
    int samplesRead_ = 0;
    BaroTrace trace_;
    // The block being read: its samples are kept until every byte it
    // announced has arrived, so a block that loses a byte on the line (the
    // stream has no checksum) never stores a shifted height.
    struct PendingSample {
        double time;
        int height;
    };
    std::vector<PendingSample> pending_;
    bool blockOpen_ = false;
    bool lastBlock_ = false;
    int blockBytes_ = 0;
    int blockFirstSample_ = 0;
    bool skippingTrace_ = false; // the trace's start was lost: its blocks are read and dropped
    bool traceLinked_ = true;
    int traceSamples_ = 0;
    double lastSampleTime_ = 0;
    int samplesLost_ = 0;
    QList<int> brokenTraces_; // traces that stopped before their end
    int rowsStored_ = 0;
    int flightsAdded_ = 0;
    int tracesAdded_ = 0;
    bool traceAdded_ = false; // the trace being read stored a new sample
    bool flightsChanged_ = false;
};

} // namespace soarnote
