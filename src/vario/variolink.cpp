#include "variolink.h"

#include "solprotocol.h"

#include "core/daynumber.h"
#include "core/logcategories.h"

#include <algorithm>

namespace soarnote {

using namespace sol;

// --- Actions ----------------------------------------------------------------

void VarioLink::Do(VarioAction::Kind kind, const QByteArray& bytes, const VarioStatusEvent& event) {
    actions_.push_back({kind, bytes, event});
}

std::vector<VarioAction> VarioLink::TakeActions() {
    std::vector<VarioAction> taken;
    taken.swap(actions_);
    return taken;
}

void VarioLink::StartTimer() {
    timerOn_ = true;
    Do(VarioAction::Kind::StartTimer);
}

void VarioLink::StopTimer() {
    if (!timerOn_) return;
    timerOn_ = false;
    Do(VarioAction::Kind::StopTimer);
}

// --- Starting and ending ----------------------------------------------------

bool VarioLink::StartLogDownload(VarioStore* store, bool allEntries) {
    if (active_ || !store) return false;
    store_ = store;
    active_ = true;
    buffer_.clear();
    wakeUpPending_ = draining_ = awaitingAnswer_ = false;
    receiving_ = false;
    logDownload_ = true;
    continueOnError_ = allEntries;
    recordNumber_ = 0;
    lastRecordReply_.clear();
    answerTicks_ = 0;
    emptyEntries_.clear();
    rowsStored_ = 0;
    flightsAdded_ = tracesAdded_ = 0;
    flightsChanged_ = false;
    RequestLogRecord(0);
    return true;
}

bool VarioLink::StartBarographDownload(VarioStore* store) {
    if (active_ || !store) return false;
    store_ = store;
    active_ = true;
    buffer_.clear();
    wakeUpPending_ = draining_ = awaitingAnswer_ = false;
    receiving_ = false;
    logDownload_ = false;
    logNumber_ = 0;
    traceCount_ = 0;
    answerTicks_ = 0;
    bytesLeft_ = 0;
    rowsStored_ = 0;
    flightsAdded_ = tracesAdded_ = 0;
    flightsChanged_ = false;
    blockOpen_ = skippingTrace_ = false;
    traceLinked_ = true;
    samplesLost_ = 0;
    brokenTraces_.clear();
    pending_.clear();
    RequestBarographDetails();
    return true;
}

void VarioLink::EndTransfer() {
    if (store_) store_->Commit();
    store_ = nullptr;
    StopTimer();
    Do(VarioAction::Kind::ClosePort);
    active_ = false;
    requestState_ = None;
    wakeUpPending_ = draining_ = awaitingAnswer_ = false;
    buffer_.clear();
    if (flightsChanged_) Do(VarioAction::Kind::FlightsChanged);
    flightsChanged_ = false;
}

void VarioLink::CloseVarioPort() {
    EndTransfer();
    Do(VarioAction::Kind::Finished);
}

bool VarioLink::StopOnWriteFailure() {
    if (!store_ || store_->WriteFailure().isEmpty()) return false;
    // What reaches the logbook no longer sticks: stop rather than report
    // every further row as a repeat.
    VarioStatusEvent e;
    e.kind = VarioStatus::StorageFailed;
    e.text = store_->WriteFailure();
    CloseVarioPort();
    Status(e);
    return true;
}

void VarioLink::Abort() {
    if (active_) CloseVarioPort();
}

void VarioLink::Cancel() {
    if (!active_) return;
    qCDebug(lcVario) << "transfer cancelled by the user";
    Status(VarioStatus::Cancelled);
    CloseVarioPort();
}

VarioLink::Progress VarioLink::TransferProgress() const {
    if (!active_) return {};
    if (logDownload_) return {recordNumber_, kLastRecord + 1};
    // Traces are fetched from the highest number down.
    if (traceCount_ > 0) return {traceCount_ - logNumber_, traceCount_};
    return {};
}

// --- The command mechanism --------------------------------------------------

void VarioLink::SetCommand(const QByteArray& command, int tries) {
    currentCommand_ = command;
    triesLeft_ = tries;
    commandTicks_ = 0;
}

bool VarioLink::SendVarioCommand() {
    const int t = triesLeft_;
    triesLeft_ = t - 1;
    if (t != 0) {
        if (wakeUpPending_) {
            // Part of a wake-up answer may be waiting; it counts towards the 24 bytes.
            Do(VarioAction::Kind::Write, WakeUpCommand());
            ++wakeUpsSent_;
        } else {
            // The instrument only talks when asked: whatever is still waiting
            // belongs to an earlier exchange.
            buffer_.clear();
            Do(VarioAction::Kind::Write, currentCommand_);
        }
        receiving_ = false;
        quietTicks_ = 0;
        if (triesLeft_ >= 0) StartTimer();
        return true;
    }
    if (commandTicks_ <= answerTicks_ + kAnswerTickMargin) {
        // The tries are spent, but this instrument has been seen to answer
        // this late: its answer to the first send may still come.
        triesLeft_ = 0;
        return true;
    }
    StopTimer();
    if (requestState_ == BarographLogState) {
        OnBaroLogTimeout();
        return true;
    }
    Status(VarioStatus::NoResponse);
    CloseVarioPort();
    return false;
}

void VarioLink::OnTimerTick() {
    if (!active_ || awaitingAnswer_ || !timerOn_) return;
    ++commandTicks_;
    if (draining_) {
        if (++quietTicks_ >= kQuietTicks) FinishDrain();
        return;
    }
    if (wakeUpPending_ || !receiving_) {
        SendVarioCommand();
        return;
    }
    // A reply began but the line went quiet before it was complete (a byte
    // was lost): drop the part and ask again, within the command's tries.
    if (++quietTicks_ < kQuietTicks) return;
    if (requestState_ == BarographLogState && blockOpen_ && bytesLeft_ < blockBytes_) {
        DropShortBlock();
        return;
    }
    buffer_.clear();
    receiving_ = false;
    SendVarioCommand();
}

void VarioLink::OnBytes(const QByteArray& bytes) {
    if (!active_ || bytes.isEmpty()) return;
    buffer_ += bytes;
    receiving_ = true;
    if (awaitingAnswer_) return; // read once the user has answered
    ReceiveVarioReply();
}

void VarioLink::ReceiveVarioReply() {
    if (draining_) {
        DrainWakeUp();
        return;
    }
    if (wakeUpPending_) {
        if (buffer_.size() < kWakeUpAnswerLength) return; // the timer keeps repeating the wake-up
        wakeUpBytes_ += buffer_.size();
        buffer_.clear();
        wakeUpPending_ = false;
        if (wakeUpBytes_ < qint64(kWakeUpAnswerLength) * wakeUpsSent_) {
            // Repeated wake-ups are answered too, and those answers may still
            // be on the line: let them pass before the real command goes out.
            draining_ = true;
            quietTicks_ = 0;
            StartTimer();
            return;
        }
        triesLeft_ = kAfterWakeUpTries;
        SendVarioCommand();
        return;
    }
    if (buffer_.size() < replyLength_) {
        // The rest of the reply is on its way; watch for the line going quiet.
        quietTicks_ = 0;
        StartTimer();
        return;
    }
    StopTimer();
    // How long this instrument takes to answer, so that a slow one is not
    // given up on before its answer can arrive.
    answerTicks_ = std::min(kMaxAnswerTicks, std::max(answerTicks_, commandTicks_));
    while (active_ && !awaitingAnswer_ && buffer_.size() >= replyLength_) {
        const QByteArray reply = buffer_.left(replyLength_);
        buffer_.remove(0, replyLength_);
        DispatchReply(reply);
    }
    if (active_ && !awaitingAnswer_ && !timerOn_) {
        // A handler wants more bytes without asking for them.
        quietTicks_ = 0;
        StartTimer();
    }
}

void VarioLink::DrainWakeUp() {
    wakeUpBytes_ += buffer_.size();
    buffer_.clear();
    if (wakeUpBytes_ >= qint64(kWakeUpAnswerLength) * wakeUpsSent_) {
        FinishDrain();
        return;
    }
    quietTicks_ = 0;
    StartTimer();
}

void VarioLink::FinishDrain() {
    draining_ = false;
    buffer_.clear();
    triesLeft_ = kAfterWakeUpTries;
    SendVarioCommand();
}

void VarioLink::DispatchReply(const QByteArray& reply) {
    switch (requestState_) {
    case LogRecordState:
        OnLogRecord(reply);
        break;
    case BarographDetailsState:
        OnBarographDetails(reply);
        break;
    case BarographLogState:
        OnBaroLogData(reply);
        break;
    default:
        UnknownReply(reply);
        break;
    }
}

void VarioLink::UnknownReply(const QByteArray& reply) {
    VarioStatusEvent e;
    e.kind = VarioStatus::UnknownReply;
    e.bytes = reply;
    Status(e);
}

// --- Log download -----------------------------------------------------------

void VarioLink::RequestLogRecord(int n) {
    requestState_ = LogRecordState;
    lateRepeats_ = 0;
    garbledRepeats_ = 0;
    Status(VarioStatus::RequestingLogRecord, n);
    SetCommand(Command(kLogRecordCommand, static_cast<quint8>(n)), n == 0 ? kFirstRecordTries : kRecordTries);
    replyLength_ = kLogRecordLength;
    SendVarioCommand();
}

void VarioLink::OnLogRecord(const QByteArray& reply) {
    if (reply == lastRecordReply_ && lateRepeats_ < kLateRepeatBudget) {
        // The previous record once more: a slow instrument answering the
        // repeats of the previous request. It proves the instrument is there,
        // so it gives back the try its own repeat used; the answer to this
        // request is still to come.
        ++lateRepeats_;
        ++triesLeft_;
        qCDebug(lcVario) << "late repeat of the previous log record ignored";
        return;
    }
    requestState_ = None;
    LogRecordError decodeError = LogRecordError::None;
    const std::optional<LogRecord> record = DecodeLogRecord(reply, &decodeError);
    std::optional<qint64> id;
    StorageError why = StorageError::None;
    if (record) id = store_->StoreLogRecord(*record, varioTimeOffset_, &why);
    if (StopOnWriteFailure()) return;
    if (id) {
        lastRecordReply_ = reply;
        ++rowsStored_;
        ++flightsAdded_;
        flightsChanged_ = true;
        if (IsEmptyLogEntry(record->startTime, record->endTime, record->startHeight)) emptyEntries_ << *id;
        store_->Commit();
        if (recordNumber_ < kLastRecord) {
            ++recordNumber_;
            RequestLogRecord(recordNumber_);
        } else {
            EndLogDownload(LogEnd::LastSlot);
        }
        return;
    }
    // Refused as already stored, or an unused slot (no date): the log's
    // natural end. Anything else is a record that came garbled.
    const LogEnd end =
        why == StorageError::Duplicate || IsUnusedLogSlot(reply) ? LogEnd::Natural : LogEnd::Garbled;
    if (end == LogEnd::Garbled && garbledRepeats_ < kGarbledRepeats) {
        // Bytes of a late answer to an earlier send may have run into this
        // one: ask again once the line is quiet, within the command's tries.
        ++garbledRepeats_;
        requestState_ = LogRecordState;
        buffer_.clear();
        receiving_ = true;
        quietTicks_ = 0;
        return;
    }
    if (end == LogEnd::Garbled)
        qCWarning(lcVario) << "log record" << recordNumber_ << "unreadable:" << static_cast<int>(decodeError)
                           << reply.toHex(' ');
    if (continueOnError_ && recordNumber_ < kLastRecord) {
        ++recordNumber_;
        RequestLogRecord(recordNumber_);
        return;
    }
    EndLogDownload(end);
}

void VarioLink::EndLogDownload(LogEnd end) {
    VarioStatusEvent done;
    done.kind = VarioStatus::LogRecordsReceived;
    done.count = recordNumber_;
    switch (end) {
    case LogEnd::Natural:
        Status(VarioStatus::DataAccessError);
        break;
    case LogEnd::LastSlot:
        // Every slot held a flight.
        done.count = recordNumber_ + 1;
        break;
    case LogEnd::Garbled:
        Status(VarioStatus::DataAccessError);
        done.kind = VarioStatus::LogStoppedEarly;
        done.number = recordNumber_;
        done.count = rowsStored_;
        break;
    }
    Status(done);
    VarioStatusEvent empty;
    empty.kind = VarioStatus::EmptyLogEntries;
    empty.numbers = emptyEntries_;
    recordNumber_ = kLastRecord;
    EndTransfer();
    if (!empty.numbers.isEmpty()) Do(VarioAction::Kind::Message, {}, empty);
    Do(VarioAction::Kind::Finished);
}

} // namespace soarnote
