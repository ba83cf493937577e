// The barograph download and the linking of each trace to its flight: the
// part of VarioLink that reads the trace stream.

#include "variolink.h"

#include "solprotocol.h"

#include "core/daynumber.h"
#include "core/logcategories.h"

#include <algorithm>

namespace soarnote {

using namespace sol;

// --- Barograph download -----------------------------------------------------

void VarioLink::RequestBarographDetails() {
    wakeUpPending_ = true;
    wakeUpsSent_ = 0;
    wakeUpBytes_ = 0;
    requestState_ = BarographDetailsState;
    Status(VarioStatus::RequestingBaroDetails);
    SetCommand(Command(kBaroCommand, kBaroCommand), kBaroTries);
    replyLength_ = kDetailsLength;
    SendVarioCommand();
}

void VarioLink::OnBarographDetails(const QByteArray& reply) {
    requestState_ = None;
    if (At(reply, 0) != kBaroCommand) {
        Status(VarioStatus::DataAccessError);
        CloseVarioPort();
        return;
    }
    logNumber_ = At(reply, 1);
    traceCount_ = logNumber_;
    if (logNumber_ < 1) {
        Status(VarioStatus::NoBarographs);
        requestState_ = BarographLogState;
        SendNext(); // its unanswered end finishes the download
        return;
    }
    RequestBaroLog(logNumber_);
}

void VarioLink::RequestBaroLog(int n) {
    requestState_ = BarographLogState;
    sampleInterval_ = 0;
    sampleTime_ = 0;
    blockOpen_ = skippingTrace_ = false;
    traceLinked_ = true;
    traceSamples_ = 0;
    traceAdded_ = false;
    pending_.clear();
    Status(VarioStatus::RequestingBaroLog, n);
    SetCommand(Command(kBaroCommand, static_cast<quint8>(n)), kBaroTries);
    replyLength_ = kStreamPartLength;
    SendVarioCommand();
}

void VarioLink::OpenBlock(quint8 marker, int byteCount) {
    blockOpen_ = byteCount > 0;
    lastBlock_ = marker == kLastBlockMarker;
    blockBytes_ = byteCount;
    blockFirstSample_ = samplesRead_;
    bytesLeft_ = byteCount;
    pending_.clear();
}

void VarioLink::OnBaroLogData(const QByteArray& reply) {
    const quint8 first = At(reply, 0);
    if (!blockOpen_ && IsBlockMarker(first)) {
        // Inside a block a pair starting with a marker byte is data; only
        // between blocks is it the next block's marker.
        if (first != kBlockMarker) Status(VarioStatus::BaroLogComplete, logNumber_);
        OpenBlock(first, At(reply, 1));
        SetCommand(reply.left(kStreamPartLength), kEchoTries);
        SendVarioCommand();
        return;
    }
    if (blockOpen_ && bytesLeft_ == blockBytes_ && reply == currentCommand_) {
        // The marker once more, before any data: "next" was repeated before
        // its answer came, and the instrument answered both. A sample with
        // these bytes would be 21,760 m below the sea.
        return;
    }
    if (!blockOpen_ || bytesLeft_ <= 0) {
        // Every byte of the block was read and only a marker may come now:
        // this is line noise, not a height. The quiet line that follows has
        // the command asked again.
        return;
    }
    if (skippingTrace_) {
        bytesLeft_ -= static_cast<int>(reply.size());
        if (bytesLeft_ <= 0) {
            blockOpen_ = false;
            SendNext();
        }
        return;
    }
    if (sampleInterval_ == 0) {
        // First header: the sample interval.
        trace_.logId = -1;
        sampleInterval_ = At(reply, 1) * kOneSecond;
        bytesLeft_ -= kStreamPartLength;
        replyLength_ = kHeader2Length;
        Status(VarioStatus::BaroHeader, logNumber_);
        return;
    }
    if (sampleTime_ == 0) {
        // Second header: date and time of the first sample.
        const std::optional<double> start = reply.size() >= 6 ? BaroHeaderStart(reply) : std::nullopt;
        replyLength_ = kStreamPartLength;
        bytesLeft_ -= static_cast<int>(reply.size());
        if (!start || sampleInterval_ <= 0) {
            // Without its start no sample of the trace can be given a time.
            SkipTrace();
            if (bytesLeft_ <= 0) {
                blockOpen_ = false;
                SendNext();
            }
            return;
        }
        sampleTime_ = *start;
        traceStart_ = *start;
        samplesRead_ = 0;
        trace_ = BaroTrace{};
        trace_.startTime = sampleTime_;
        traceLinked_ = false;
        if (bytesLeft_ <= 0) {
            blockOpen_ = false;
            SendNext();
        }
        return;
    }
    if (bytesLeft_ == kFooterLength && replyLength_ == kStreamPartLength &&
        IsFooterStart(reply, sampleTime_)) {
        bytesLeft_ -= kStreamPartLength;
        replyLength_ = kFooterRestLength; // the rest of the footer
        return;
    }
    if (replyLength_ == kFooterRestLength) {
        Status(VarioStatus::BaroFooter, logNumber_);
        bytesLeft_ -= kFooterRestLength;
        replyLength_ = kStreamPartLength;
        if (bytesLeft_ > 0) return; // more bytes announced than a footer: wait for them
        StoreBlock();
        if (!active_) return;
        LinkBarographTrace();
        return;
    }
    // A sample, kept until its block is complete. The clock steps one
    // interval a sample, counted from the start rather than summed, so a
    // long trace does not drift off its whole seconds.
    pending_.push_back({sampleTime_, SampleHeight(reply)});
    ++samplesRead_;
    sampleTime_ = traceStart_ + samplesRead_ * sampleInterval_;
    bytesLeft_ -= kStreamPartLength;
    if (bytesLeft_ > 0) return;
    StoreBlock();
    if (active_) SendNext();
}

namespace {
// Samples are stored unlinked; a trace's linking then takes exactly its own
// (by their time), and anything read after a trace's footer is left to the
// sweep at the end rather than given to the flight just linked.
constexpr qint64 kUnlinked = -1;
} // namespace

void VarioLink::StoreBlock() {
    blockOpen_ = false;
    bool repeat = false;
    for (const PendingSample& s : pending_) {
        if (!store_->StoreBaroSample(s.time, s.height, kUnlinked)) {
            if (StopOnWriteFailure()) return;
            repeat = true; // stored by an earlier download
        } else {
            ++rowsStored_;
            flightsChanged_ = true;
            if (!traceAdded_) ++tracesAdded_;
            traceAdded_ = true;
        }
        if (!trace_.startHeight) trace_.startHeight = s.height;
        trace_.maxHeight = std::max(trace_.maxHeight.value_or(s.height), s.height);
        trace_.minHeight = std::min(trace_.minHeight.value_or(s.height), s.height);
        lastSampleTime_ = s.time;
        ++traceSamples_;
    }
    if (pending_.empty()) return;
    pending_.clear();
    VarioStatusEvent e;
    e.kind = VarioStatus::BaroSamples;
    e.number = logNumber_;
    e.time = sampleTime_;
    e.repeat = repeat;
    Status(e);
}

void VarioLink::DropShortBlock() {
    // The line went quiet with bytes of the block missing. Which byte was
    // lost cannot be told, so none of the block's samples is trusted; the
    // clock moves on by the samples the block announced, so the blocks after
    // it keep their true times.
    buffer_.clear();
    receiving_ = false;
    blockOpen_ = false;
    pending_.clear();
    replyLength_ = kStreamPartLength;
    if (skippingTrace_) {
        SendNext();
        return;
    }
    if (sampleTime_ == 0) {
        // The header block itself: the trace's start is unknown.
        SkipTrace();
        SendNext();
        return;
    }
    const int footerBytes = lastBlock_ ? kFooterLength : 0;
    const int samples = std::max(0, (blockBytes_ - footerBytes) / 2);
    samplesLost_ += samples;
    samplesRead_ = blockFirstSample_ + samples;
    sampleTime_ = traceStart_ + samplesRead_ * sampleInterval_;
    qCWarning(lcVario) << "barograph log" << logNumber_ << "block of" << blockBytes_
                       << "bytes ended short:" << samples << "samples dropped";
    VarioStatusEvent e;
    e.kind = VarioStatus::BaroBlockLost;
    e.number = logNumber_;
    e.time = sampleTime_;
    Status(e);
    SendNext();
}

void VarioLink::SkipTrace() {
    skippingTrace_ = true;
    if (!brokenTraces_.contains(logNumber_)) brokenTraces_ << logNumber_;
    qCWarning(lcVario) << "barograph log" << logNumber_ << "has no readable start: skipped";
}

void VarioLink::SendNext() {
    // A block or a trace is complete: make it permanent before asking for more.
    if (store_) store_->Commit();
    SetCommand(NextCommand(), kNextTries);
    SendVarioCommand();
}

void VarioLink::OnBaroLogTimeout() {
    const bool neverAnswered = currentCommand_ == Command(kBaroCommand, static_cast<quint8>(logNumber_));
    if (!traceLinked_ || blockOpen_ || (neverAnswered && logNumber_ >= 1)) {
        // The instrument stopped answering before the trace's end: what was
        // stored of it stays unlinked for the sweep at the end.
        if (!brokenTraces_.contains(logNumber_)) brokenTraces_ << logNumber_;
        samplesLost_ += static_cast<int>(pending_.size());
        pending_.clear();
        blockOpen_ = false;
        traceLinked_ = true;
    }
    logNumber_ -= 1;
    if (logNumber_ >= 1) {
        RequestBaroLog(logNumber_);
        return;
    }
    EndBarographDownload();
}

void VarioLink::EndBarographDownload() {
    requestState_ = None;
    // Samples of traces that broke off, in this download or an earlier one.
    const int unlinked = store_->LinkLeftoverSamples();
    if (unlinked < 0 && StopOnWriteFailure()) return;
    VarioStatusEvent e;
    e.kind = VarioStatus::BaroDownloadDone;
    e.count = samplesLost_;
    for (int n : std::as_const(brokenTraces_))
        e.numbers << n;
    if (unlinked > 0) {
        // They stay for "Find Baro Links" once their flight is in the logbook.
        qCWarning(lcVario) << unlinked << "barograph samples lie outside every flight";
        e.total = unlinked;
    }
    Status(e);
    CloseVarioPort();
}

// --- Linking a trace to its flight --------------------------------------------

void VarioLink::LinkBarographTrace() {
    store_->Commit();
    const std::optional<TraceFlight> flight = store_->FindTraceFlight(sampleTime_);
    if (!flight) {
        awaitingAnswer_ = true;
        StopTimer();
        VarioStatusEvent question;
        question.kind = VarioStatus::CreateFlightQuestion;
        Do(VarioAction::Kind::AskCreateFlight, {}, question);
        return;
    }
    if (flight->startTime > trace_.startTime && trace_.startHeight) {
        // The barograph saw the take-off earlier than the log did.
        if (!store_->MoveFlightStart(flight->id, trace_.startTime, *trace_.startHeight)) {
            if (StopOnWriteFailure()) return;
        } else {
            flightsChanged_ = true;
        }
    }
    FinishLink(flight->id);
}

void VarioLink::AnswerCreateFlight(bool create) {
    if (!awaitingAnswer_) return;
    awaitingAnswer_ = false;
    if (!active_) return;
    qint64 id = 0;
    if (create) {
        if (const std::optional<qint64> newId = store_->CreateTraceFlight(trace_, sampleTime_)) {
            id = *newId;
            ++flightsAdded_;
            flightsChanged_ = true;
        } else if (StopOnWriteFailure()) {
            return;
        }
    }
    FinishLink(id);
}

void VarioLink::FinishLink(qint64 logId) {
    trace_.logId = logId;
    traceLinked_ = true;
    if (traceSamples_ > 0 && store_->AssignTraceSamples(logId, traceStart_, lastSampleTime_) < 0) {
        StopOnWriteFailure();
        return;
    }
    SendNext();
}

} // namespace soarnote
