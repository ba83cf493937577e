#include "gpslink.h"

#include "core/logcategories.h"

namespace soarnote {

using namespace garmin;

GpsLink::GpsLink(GpsLinkIo& io, GpsLinkSettings settings) : io_(io), settings_(settings) {}

void GpsLink::Report(GpsStatus kind, qint64 count, qint64 total) {
    GpsStatusEvent event;
    event.kind = kind;
    event.count = count;
    event.total = total;
    Report(std::move(event));
}

void GpsLink::Report(GpsStatusEvent event) {
    io_.Status(event);
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

bool GpsLink::RequestGpsTracks(TrackSink* storage) {
    if (Busy()) return false;
    tracks_.StartTransfer();
    recordsReceived_ = 0;
    downloadStorage_ = storage;
    return StartCommand(GpsCommand::Tracks, Request::Tracks, true);
}

bool GpsLink::DownloadGpsTracks(TrackSink* storage, bool synchronise) {
    if (Busy()) return false;
    tracks_.StartTransfer();
    recordsReceived_ = 0;
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

bool GpsLink::Cancel() {
    if (!Busy()) return false;
    cancelling_ = true;
    qCDebug(lcGps) << "cancelled by the user";
    Report(GpsStatus::Cancelled);
    if (phase_ != Phase::Idle)
        FinishGpsTransfer(false);
    else
        EndCommand(false);
    cancelling_ = false;
    Settle();
    return true;
}

bool GpsLink::OpenGpsPort(bool identify, Request request) {
    io_.StopTimer();
    timerUse_ = TimerUse::None;
    if (io_.IsPortOpen()) io_.ClosePort();
    decoder_.Reset();
    held_.clear();
    QString error;
    if (!io_.OpenPort(&error)) {
        qCDebug(lcGps) << "port did not open:" << error;
        GpsStatusEvent event;
        event.kind = GpsStatus::OpenFailed;
        event.text = error;
        Report(std::move(event));
        return false;
    }
    qCDebug(lcGps) << "port open, identify" << identify;
    ++session_;
    badFrames_ = 0;
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
    qCDebug(lcGps) << "request" << static_cast<int>(request);
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
        Report(GpsStatus::RequestingTracks);
        io_.TrackProgress(0, 0);
        SendPacket(MakeCommandPacket(CmdTransferTrackLog));
        break;
    }
}

void GpsLink::SendPacket(const QByteArray& packet) {
    lastPacket_ = packet;
    resends_ = 0;
    io_.Write(FramePacket(packet));
    sent_ = true;
}

bool GpsLink::Resend() {
    if (lastPacket_.isEmpty()) return true;
    if (resends_ >= settings_.resendBudget) {
        qCDebug(lcGps) << "resend budget spent on packet" << Qt::hex << static_cast<int>(lastPacket_[0]);
        Report(GpsStatus::TooManyResends, resends_);
        FinishGpsTransfer(false);
        return false;
    }
    ++resends_;
    io_.Write(FramePacket(lastPacket_));
    sent_ = true;
    return true;
}

bool GpsLink::CountBadFrame() {
    if (++badFrames_ <= settings_.badFrameBudget) return true;
    qCDebug(lcGps) << "damaged-frame budget spent:" << badFrames_;
    Report(GpsStatus::TooManyDamaged, badFrames_);
    FinishGpsTransfer(false);
    return false;
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
        if (decoder_.BrokenFrames() != broken) {
            frameEvent_ = true;
            if (!CountBadFrame()) return;
        }
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
        if (CountBadFrame()) SendPacket(MakeNak(frame.id));
        return;
    }
    DispatchGpsReply(frame);
}

void GpsLink::DispatchGpsReply(const GarminFrame& frame) {
    if (frame.id == PidAck) return;
    if (frame.id == PidNak) {
        Resend();
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
        Report(GpsStatus::TransferComplete, recordsReceived_, tracks_.tracksAdded);
        FinishGpsTransfer(true);
        return;
    case PidDateTime:
        if (const std::optional<double> time = DecodeDateTime(buffer)) {
            gpsTimeOffset_ = io_.Now() - *time;
            GpsStatusEvent event;
            event.kind = GpsStatus::CurrentTime;
            event.time = *time;
            Report(std::move(event));
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
        GpsStatusEvent event;
        event.kind = GpsStatus::Product;
        event.product = *product;
        Report(std::move(event));
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
            GpsStatusEvent event;
            event.kind = GpsStatus::CurrentPosition;
            event.position = *position;
            Report(std::move(event));
            FinishGpsTransfer(true);
        }
        return;
    case PidPvt:
        if (const std::optional<PvtRecord> pvt = DecodePvt(buffer)) {
            GpsStatusEvent event;
            event.kind = GpsStatus::Pvt;
            event.height = pvt->height;
            event.position = pvt->position;
            Report(std::move(event));
        }
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
    Report(GpsStatus::ReceivingTracks, recordsReceived_, expectedRecords_);
    io_.TrackProgress(++progressRecords_, expectedRecords_);
    const std::optional<TrackPointRecord> point = DecodeTrackPoint(buffer);
    if (!point || !storage_) return;
    switch (storage_->StoreTrackPoint(tracks_, point->time, point->position.lat, point->position.lng,
                                      point->newTrack, gpsTimeOffset_, point->height)) {
    case StoreOutcome::Stored:
        break;
    case StoreOutcome::Refused:
        Report(GpsStatus::Repeat);
        break;
    case StoreOutcome::Failed:
        ReportStorageFailure(storage_->LastError());
        FinishGpsTransfer(false);
        break;
    }
}

void GpsLink::IdentificationDone() {
    qCDebug(lcGps) << "identified, product" << identifying_;
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
        qCDebug(lcGps) << "no response";
        Report(GpsStatus::ResponseTimeout);
        FinishGpsTransfer(false);
        break;
    case TimerUse::Receive:
        qCDebug(lcGps) << "packet stalled";
        Report(GpsStatus::ReceiveTimeout);
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
    GpsStatusEvent event;
    event.kind = GpsStatus::LineEvent;
    event.code = code;
    Report(std::move(event));
}

void GpsLink::OnPortLost(const QString& errorText) {
    if (phase_ == Phase::Idle && !io_.IsPortOpen()) return;
    qCDebug(lcGps) << "port lost:" << errorText;
    GpsStatusEvent event;
    event.kind = GpsStatus::PortLost;
    event.text = errorText;
    Report(std::move(event));
    FinishGpsTransfer(false);
    Settle();
}

void GpsLink::AnswerUnknownPacket(UnknownPacketAnswer answer) {
    if (phase_ != Phase::Question) return;
    phase_ = phaseBeforeQuestion_;
    Report(GpsStatus::UnknownReply);
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

void GpsLink::ReportStorageFailure(const QString& text) {
    GpsStatusEvent event;
    event.kind = GpsStatus::StorageFailed;
    event.text = text;
    Report(std::move(event));
}

void GpsLink::FinishGpsTransfer(bool ok) {
    qCDebug(lcGps) << "transfer ends, ok" << ok << "records" << recordsReceived_ << "stored"
                   << tracks_.pointsStored;
    if (storage_) {
        if (!storage_->Commit()) {
            ReportStorageFailure(storage_->LastError());
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
            if (cancelling_) {
                EndCommand(false);
                return;
            }
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
            if (!linked) ReportStorageFailure(downloadStorage_->LastError());
        }
        EndCommand(ok && linked && !cancelling_);
        return;
    }
    EndCommand(ok);
}

void GpsLink::EndCommand(bool ok) {
    const GpsCommand command = command_;
    if (command != GpsCommand::None)
        qCDebug(lcGps) << "command" << static_cast<int>(command) << "ends, ok" << ok;
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
            StartTimer(TimerUse::Receive, settings_.receiveMs);
    } else if (phase_ == Phase::Capabilities) {
        if (restartCapabilityWait_ || timerUse_ != TimerUse::Capabilities)
            StartTimer(TimerUse::Capabilities, settings_.capabilityWaitMs);
    } else if (sent_ || frameEvent_ || timerUse_ != TimerUse::Response) {
        // Bytes outside any packet (line noise) do not count as an answer.
        StartTimer(TimerUse::Response, settings_.responseMs);
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
