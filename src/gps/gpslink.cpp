#include "gpslink.h"

#include "serial/serialline.h"

#include "i18n/languagetable.h"

namespace soarnote {

using namespace garmin;

GpsLink::GpsLink(GpsLinkIo& io, GpsLinkTimings timings) : io_(io), timings_(timings) {}

QString GpsLink::ErrorPrefix() {
    return Translate("ERROR - (GPS)");
}

void GpsLink::ReportStatus(const QString& text, bool append) {
    io_.SetStatusText(append ? io_.StatusText() + text : text);
}

// --- Commands ----------------------------------------------------------------

bool GpsLink::RequestGpsProduct() {
    return StartCommand(GpsCommand::Product, Request::Product, false);
}

bool GpsLink::RequestGpsTime(bool identify) {
    return StartCommand(GpsCommand::Time, Request::Time, identify);
}

bool GpsLink::RequestGpsPosition() {
    return StartCommand(GpsCommand::Position, Request::Position, true);
}

bool GpsLink::RequestGpsTracks(TrackStorage* storage) {
    if (Busy()) return false;
    downloadStorage_ = storage;
    return StartCommand(GpsCommand::Tracks, Request::Tracks, true);
}

bool GpsLink::DownloadGpsTracks(TrackStorage* storage, bool synchronise) {
    if (Busy()) return false;
    downloadStorage_ = storage;
    synchronise_ = synchronise;
    downloadAtTracks_ = !synchronise;
    return synchronise ? StartCommand(GpsCommand::Download, Request::Time, false)
                       : StartCommand(GpsCommand::Download, Request::Tracks, true);
}

bool GpsLink::StartCommand(GpsCommand command, Request request, bool identify) {
    // One transfer at a time: a second command while one runs is not started.
    if (Busy()) return false;
    command_ = command;
    if (!OpenGpsPort(identify, request)) {
        EndCommand(false);
        return false;
    }
    Settle();
    return true;
}

void GpsLink::Abort() {
    if (!Busy()) return;
    aborting_ = true;
    if (phase_ != Phase::Idle)
        FinishGpsTransfer(false);
    else
        EndCommand(false);
    aborting_ = false;
    Settle();
}

bool GpsLink::OpenGpsPort(bool identify, Request request) {
    io_.StopTimer();
    timerUse_ = TimerUse::None;
    if (io_.IsPortOpen()) io_.ClosePort();
    decoder_.Reset();
    held_.clear();
    QString error;
    if (!io_.OpenPort(&error)) {
        ReportStatus(ErrorPrefix() + QLatin1Char(' ') + Translate("Unable to Open Connection"));
        return false;
    }
    ++session_;
    if (identify) {
        identifying_ = -1;
        transferDone_ = false;
        recordsReceived_ = 0;
        phase_ = Phase::Identifying;
        pendingRequest_ = request;
        SendPacket(MakeProductRequest());
    } else {
        SendRequest(request);
    }
    return true;
}

void GpsLink::SendRequest(Request request) {
    transferDone_ = false;
    recordsReceived_ = 0;
    phase_ = Phase::Request;
    pendingRequest_ = request;
    switch (request) {
    case Request::Product:
        SendPacket(MakeProductRequest());
        break;
    case Request::Time:
        SendPacket(MakeCommandPacket(CmdTransferTime));
        break;
    case Request::Position:
        SendPacket(MakeCommandPacket(CmdTransferPosition));
        break;
    case Request::Tracks:
        storage_ = downloadStorage_;
        tracks_.StartTransfer();
        expectedRecords_ = 0;
        progressRecords_ = 0;
        ReportStatus(Translate("Requesting Track Records"));
        io_.TrackProgress(0, 0);
        SendPacket(MakeCommandPacket(CmdTransferTrackLog));
        break;
    }
}

void GpsLink::SendPacket(const QByteArray& packet) {
    lastPacket_ = packet;
    io_.Write(FramePacket(packet));
    sent_ = true;
}

// --- Events ------------------------------------------------------------------

void GpsLink::OnBytesReceived(const QByteArray& bytes) {
    if (bytes.isEmpty() || phase_ == Phase::Idle) return;
    if (phase_ == Phase::Question) {
        // Receive events are off while the user is asked.
        held_.append(bytes);
        return;
    }
    bytesArrived_ = true;
    ProcessBytes(bytes, 0);
    Settle();
}

void GpsLink::ProcessBytes(const QByteArray& bytes, int from) {
    const quint64 session = session_;
    for (int i = from; i < bytes.size(); ++i) {
        const std::uint64_t broken = decoder_.BrokenFrames();
        std::optional<GarminFrame> frame = decoder_.Feed(static_cast<std::uint8_t>(bytes[i]));
        if (decoder_.BrokenFrames() != broken) frameEvent_ = true;
        if (!frame) continue;
        frameEvent_ = true;
        HandleFrame(*frame);
        if (session_ != session || phase_ == Phase::Idle)
            return; // the transfer ended: what follows belongs to nobody
        if (phase_ == Phase::Question) {
            held_.append(bytes.mid(i + 1));
            return;
        }
    }
}

void GpsLink::HandleFrame(const GarminFrame& frame) {
    if (!frame.checksumOk) {
        // A damaged packet is never used: ask for it again.
        ++checksumErrors_;
        SendPacket(MakeNak(frame.id));
        return;
    }
    DispatchGpsReply(frame);
}

void GpsLink::DispatchGpsReply(const GarminFrame& frame) {
    if (frame.id == PidAck) return;
    if (frame.id == PidNak) {
        if (!lastPacket_.isEmpty()) SendPacket(lastPacket_);
        return;
    }
    // Every packet is acknowledged with its own ID, before it is handled, so
    // the receiver never resends a packet already taken (also the last one).
    SendPacket(MakeAck(frame.id));

    const ReplyBuffer buffer(frame);
    switch (frame.id) {
    case PidTrackHeader:
        io_.TrackProgress(++progressRecords_, expectedRecords_);
        return;
    case PidRouteHeader:
    case PidRouteWaypoint:
    case PidWaypoint:
    case PidScreenLine:
        return;
    case PidProtocolArray:
        if (phase_ == Phase::Capabilities) IdentificationDone();
        return;
    case PidExtProductData:
        if (phase_ == Phase::Capabilities) restartCapabilityWait_ = true;
        return;
    case PidRecords:
        if (const auto count = buffer.Int16(0)) {
            expectedRecords_ = static_cast<std::uint16_t>(*count);
            io_.TrackProgress(progressRecords_, expectedRecords_);
        }
        return;
    case PidTrackPoint:
        HandleTrackPoint(buffer);
        return;
    case PidTransferComplete:
        transferDone_ = true;
        ReportStatus(TransferCompleteText(recordsReceived_, tracks_.tracksAdded));
        FinishGpsTransfer(true);
        return;
    case PidDateTime:
        if (const std::optional<double> time = DecodeDateTime(buffer)) {
            gpsTimeOffset_ = io_.Now() - *time;
            ReportStatus(CurrentTimeText(*time));
            FinishGpsTransfer(true);
        } else {
            FinishGpsTransfer(false);
        }
        return;
    case PidProductData: {
        const std::optional<ProductData> product = DecodeProductData(buffer);
        if (!product) return;
        if (phase_ == Phase::Capabilities) return; // the same reply again: our acknowledgement crossed it
        if (phase_ == Phase::Request && pendingRequest_ != Request::Product) return;
        ReportStatus(ProductText(*product));
        if (phase_ == Phase::Identifying && identifying_ == -1) {
            identifying_ = product->productId;
            phase_ = Phase::Capabilities;
            restartCapabilityWait_ = true;
        } else {
            FinishGpsTransfer(true);
        }
        return;
    }
    case PidPosition:
        if (const std::optional<GeoPoint> position = RadianPosition(buffer, 0)) {
            ReportStatus(CurrentPositionText(*position));
            FinishGpsTransfer(true);
        }
        return;
    case PidPvt:
        if (const std::optional<QString> text = PvtText(buffer)) ReportStatus(*text);
        return;
    default:
        phaseBeforeQuestion_ = phase_;
        phase_ = Phase::Question;
        io_.AskUnknownPacket(UnknownPacketText(buffer, frame.id));
        return;
    }
}

void GpsLink::HandleTrackPoint(const ReplyBuffer& buffer) {
    ++recordsReceived_;
    ReportStatus(TrackRecordsText(recordsReceived_));
    io_.TrackProgress(++progressRecords_, expectedRecords_);
    const std::optional<TrackPointRecord> point = DecodeTrackPoint(buffer);
    if (!point || !storage_) return;
    switch (storage_->StoreTrackPoint(tracks_, point->time, point->position.lat, point->position.lng,
                                      point->newTrack, gpsTimeOffset_)) {
    case StoreOutcome::Stored:
        break;
    case StoreOutcome::Refused:
        ReportStatus(QLatin1Char(' ') + Translate("(Repeat)"), true);
        break;
    case StoreOutcome::Failed:
        ReportStatus(ErrorPrefix() + storage_->LastError());
        FinishGpsTransfer(false);
        break;
    }
}

void GpsLink::IdentificationDone() {
    // The port stays open for the request that follows.
    transferDone_ = true;
    restartCapabilityWait_ = false;
    SendRequest(pendingRequest_);
}

void GpsLink::OnTimer() {
    const TimerUse use = timerUse_;
    timerUse_ = TimerUse::None;
    switch (use) {
    case TimerUse::Response:
        ReportStatus(ErrorPrefix() + Translate("Failed to get response"));
        FinishGpsTransfer(false);
        break;
    case TimerUse::Receive:
        ReportStatus(ErrorPrefix() + Translate("Receive timeout"));
        FinishGpsTransfer(false);
        break;
    case TimerUse::Capabilities:
        if (phase_ == Phase::Capabilities) IdentificationDone();
        break;
    case TimerUse::None:
        break;
    }
    Settle();
}

void GpsLink::OnGpsCommEvent(int code) {
    const QString text = CommEventText(code);
    if (!text.isEmpty()) ReportStatus(ErrorPrefix() + text);
}

void GpsLink::OnPortLost(const QString& errorText) {
    if (phase_ == Phase::Idle && !io_.IsPortOpen()) return;
    ReportStatus(ErrorPrefix() + errorText);
    FinishGpsTransfer(false);
    Settle();
}

void GpsLink::AnswerUnknownPacket(UnknownPacketAnswer answer) {
    if (phase_ != Phase::Question) return;
    phase_ = phaseBeforeQuestion_;
    ReportStatus(ErrorPrefix() + Translate("Unknown reply"));
    if (answer == UnknownPacketAnswer::Abort) {
        FinishGpsTransfer(false);
        Settle();
        return;
    }
    // Waiting for the receiver starts again from here.
    frameEvent_ = true;
    const QByteArray held = std::move(held_);
    held_.clear();
    if (!held.isEmpty()) {
        bytesArrived_ = true;
        ProcessBytes(held, 0);
    }
    Settle();
}

// --- Ending ------------------------------------------------------------------

void GpsLink::FinishGpsTransfer(bool ok) {
    if (storage_) {
        if (!storage_->Commit()) {
            ReportStatus(ErrorPrefix() + storage_->LastError());
            ok = false;
        }
        storage_ = nullptr; // no more points are stored
    }
    if (io_.IsPortOpen()) io_.ClosePort();
    StopTimer();
    transferDone_ = true;
    phase_ = Phase::Idle;
    decoder_.Reset();
    held_.clear();
    ++session_;
    ContinueCommand(ok);
}

void GpsLink::ContinueCommand(bool ok) {
    if (command_ == GpsCommand::Download && !aborting_) {
        if (!downloadAtTracks_) {
            // Without the receiver's clock the tracks could not be linked.
            if (!ok) {
                EndCommand(false);
                return;
            }
            downloadAtTracks_ = true;
            if (!OpenGpsPort(true, Request::Tracks)) EndCommand(false);
            return;
        }
        bool linked = true;
        if (downloadStorage_) {
            linked = downloadStorage_->LinkOpenTracks(gpsTimeOffset_, synchronise_);
            if (!linked) ReportStatus(ErrorPrefix() + downloadStorage_->LastError());
        }
        EndCommand(ok && linked);
        return;
    }
    EndCommand(ok);
}

void GpsLink::EndCommand(bool ok) {
    const GpsCommand command = command_;
    command_ = GpsCommand::None;
    downloadStorage_ = nullptr;
    downloadAtTracks_ = false;
    if (command != GpsCommand::None) io_.CommandFinished(command, ok);
}

// --- Timer -------------------------------------------------------------------

void GpsLink::Settle() {
    if (phase_ == Phase::Idle || phase_ == Phase::Question) {
        StopTimer();
    } else if (decoder_.InFrame()) {
        // A packet has started: its bytes must keep coming.
        if (bytesArrived_ || timerUse_ != TimerUse::Receive)
            StartTimer(TimerUse::Receive, timings_.receiveMs);
    } else if (phase_ == Phase::Capabilities) {
        if (restartCapabilityWait_ || timerUse_ != TimerUse::Capabilities)
            StartTimer(TimerUse::Capabilities, timings_.capabilityWaitMs);
    } else if (sent_ || frameEvent_ || timerUse_ != TimerUse::Response) {
        // Bytes outside any packet (line noise) do not count as an answer.
        StartTimer(TimerUse::Response, timings_.responseMs);
    }
    sent_ = false;
    frameEvent_ = false;
    restartCapabilityWait_ = false;
    bytesArrived_ = false;
}

void GpsLink::StartTimer(TimerUse use, int ms) {
    timerUse_ = use;
    io_.StartTimer(ms);
}

void GpsLink::StopTimer() {
    if (timerUse_ != TimerUse::None) io_.StopTimer();
    timerUse_ = TimerUse::None;
}

} // namespace soarnote
