#pragma once
// The link to a Garmin receiver: one transfer at a time, stop-and-wait with
// acknowledgements, a response timer on every request, and the reply
// dispatcher. The link holds no port, timer, clock, database or text: it is
// handed the bytes received, the timer's tick and the user's commands, works
// through the GpsLinkIo it is given (write bytes, open and close the port,
// start and stop its one timer, report typed status events) and stores points
// into a TrackSink. An adapter joins it to a serial port, a timer and the
// status line; tests and fuzzers drive it directly.

#include "garminpacket.h"
#include "gpsreplies.h"
#include "gpsstatus.h"
#include "tracksink.h"

#include <QByteArray>
#include <QString>
#include <cstdint>

namespace soarnote {

enum class GpsCommand { None, Product, Time, Position, Tracks, Download };
enum class UnknownPacketAnswer { Abort, Retry, Ignore };

class GpsLinkIo {
public:
    virtual ~GpsLinkIo() = default;
    // Opens the GPS port with the stored settings; false (and why) when it cannot.
    virtual bool OpenPort(QString* error) = 0;
    virtual void ClosePort() = 0;
    virtual bool IsPortOpen() const = 0;
    virtual void Write(const QByteArray& bytes) = 0;
    // The link's one timer: (re)start it with an interval, or stop it.
    virtual void StartTimer(int milliseconds) = 0;
    virtual void StopTimer() = 0;
    // What the status line ("Info" panel) should say.
    virtual void Status(const GpsStatusEvent& event) = 0;
    // Shows an unknown packet with Abort, Retry and Ignore; the answer comes
    // back later through GpsLink::AnswerUnknownPacket, never from inside this call.
    virtual void AskUnknownPacket(const QString& text) = 0;
    // The workstation's local time as a day number.
    virtual double Now() const = 0;
    // Track transfer progress: records received (track headers and points),
    // and the count the receiver announced (0 until it has).
    virtual void TrackProgress(qint64 /*received*/, qint64 /*expected*/) {}
    // A command has ended (also one that could not start).
    virtual void CommandFinished(GpsCommand /*command*/, bool /*ok*/) {}
};

// Progress of a track transfer: records received (track headers and points)
// and the count the receiver announced (0 until it has).
struct GpsProgress {
    qint64 received = 0;
    qint64 expected = 0;
};

// The link's budgets and waits, handed in once.
struct GpsLinkSettings {
    int responseMs = 1000; // no reply to a packet sent
    int receiveMs = 1000;  // a packet stalls part way
    // After the product data of an identification, receivers send their
    // protocol capabilities (and sometimes extended product data); the
    // request waits this long for them so that the two do not cross.
    int capabilityWaitMs = 300;
    // A packet the receiver refuses (NAK) is sent again at most this often;
    // then the transfer ends instead of talking forever over a bad line.
    int resendBudget = 3;
    // Damaged frames (bad checksum, broken framing) one transfer may take.
    int badFrameBudget = 32;
};

class GpsLink {
public:
    explicit GpsLink(GpsLinkIo& io, GpsLinkSettings settings = {});

    // Commands. Each returns false when it did not start: another command is
    // running, or the port did not open (then the status says so).
    bool RequestGpsProduct();
    bool RequestGpsTime(bool identify);
    bool RequestGpsPosition();
    bool RequestGpsTracks(TrackSink* storage);
    // Optionally reads the receiver's clock first (synchronise), downloads the
    // track log into storage, then closes the new tracks and, when
    // synchronising, links them to flights.
    bool DownloadGpsTracks(TrackSink* storage, bool synchronise);
    // Ends whatever runs, keeping what was stored; no status.
    void Abort();
    // The user stops the transfer: the port is closed, what was stored stays
    // stored (the tracks of a download are still closed and linked), and the
    // status says it was cancelled. False when nothing ran.
    bool Cancel();

    // Events.
    void OnBytesReceived(const QByteArray& bytes);
    void OnTimer();
    // Line events by their numeric codes (1001 break, 1004 framing error, ...).
    void OnGpsCommEvent(int code);
    // The port failed under us (unplugged adapter, closed pseudo-terminal).
    void OnPortLost(const QString& errorText);
    void AnswerUnknownPacket(UnknownPacketAnswer answer);

    // State.
    bool Busy() const { return command_ != GpsCommand::None; }
    GpsCommand CurrentCommand() const { return command_; }
    bool TransferDone() const { return transferDone_; }
    int Identifying() const { return identifying_; }
    const QByteArray& LastPacket() const { return lastPacket_; }
    qint64 RecordsReceived() const { return recordsReceived_; }
    qint64 ExpectedRecords() const { return expectedRecords_; }
    GpsProgress Progress() const { return {progressRecords_, expectedRecords_}; }
    TrackState& Tracks() { return tracks_; }
    double GpsTimeOffset() const { return gpsTimeOffset_; }
    void SetGpsTimeOffset(double days) { gpsTimeOffset_ = days; }
    bool AwaitingAnswer() const { return phase_ == Phase::Question; }
    // Frames received with a bad checksum (each answered with a NAK).
    qint64 ChecksumErrors() const { return checksumErrors_; }
    const GarminFrameDecoder& Decoder() const { return decoder_; }

private:
    enum class Phase { Idle, Identifying, Capabilities, Request, Question };
    enum class TimerUse { None, Response, Receive, Capabilities };
    enum class Request { Product, Time, Position, Tracks };

    bool StartCommand(GpsCommand command, Request request, bool identify);
    bool OpenGpsPort(bool identify, Request request);
    void SendRequest(Request request);
    void SendPacket(const QByteArray& packet);
    bool Resend();
    bool CountBadFrame();
    void Report(GpsStatus kind, qint64 count = 0, qint64 total = 0);
    void Report(GpsStatusEvent event);
    void ProcessBytes(const QByteArray& bytes, int from);
    void HandleFrame(const GarminFrame& frame);
    void DispatchGpsReply(const GarminFrame& frame);
    void HandleTrackPoint(const ReplyBuffer& buffer);
    void IdentificationDone();
    void ReportStorageFailure(const QString& text);
    void FinishGpsTransfer(bool ok);
    void ContinueCommand(bool ok);
    void EndCommand(bool ok);
    void Settle();
    void StartTimer(TimerUse use, int ms);
    void StopTimer();

    GpsLinkIo& io_;
    GpsLinkSettings settings_;
    GarminFrameDecoder decoder_;

    GpsCommand command_ = GpsCommand::None;
    bool synchronise_ = false;
    bool downloadAtTracks_ = false;
    TrackSink* downloadStorage_ = nullptr;

    Phase phase_ = Phase::Idle;
    Phase phaseBeforeQuestion_ = Phase::Idle;
    Request pendingRequest_ = Request::Product;
    TimerUse timerUse_ = TimerUse::None;
    quint64 session_ = 0; // counts port openings; bytes of an ended session are dropped
    bool sent_ = false;
    bool frameEvent_ = false;
    bool restartCapabilityWait_ = false;
    bool bytesArrived_ = false;
    bool aborting_ = false;
    bool cancelling_ = false;
    QByteArray held_; // bytes that arrived while the user was being asked

    bool transferDone_ = true;
    int identifying_ = 0;
    QByteArray lastPacket_;
    qint64 recordsReceived_ = 0;
    qint64 expectedRecords_ = 0;
    qint64 progressRecords_ = 0;
    TrackState tracks_;
    TrackSink* storage_ = nullptr;
    double gpsTimeOffset_ = 0;
    qint64 checksumErrors_ = 0;
    int resends_ = 0;   // of lastPacket_
    int badFrames_ = 0; // in this transfer
};

} // namespace soarnote
