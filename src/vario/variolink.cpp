#include "variolink.h"

#include "core/daynumber.h"
#include "core/logcategories.h"
#include "core/numbertext.h"
#include "i18n/languagetable.h"

#include <algorithm>

namespace soarnote {

namespace {

// The Sol's command bytes.
constexpr quint8 kLogRecordCommand = 204; // 204, n: log record n; 204, 0 also wakes the instrument
constexpr quint8 kBaroCommand = 170;      // 170, 170: barograph details; 170, n: barograph log n
constexpr quint8 kNextByte = 172;         // six of them: the next block
constexpr int kNextLength = 6;

// Reply lengths (bytes) the link reads.
constexpr int kLogRecordLength = 24;
constexpr int kDetailsLength = 4;
constexpr int kStreamPartLength = 2; // markers, the first header, samples, the footer's start
constexpr int kHeader2Length = 6;
constexpr int kFooterRestLength = 4;
constexpr int kFooterLength = kStreamPartLength + kFooterRestLength;

// Try budgets: sends of a command before its answer is given up.
constexpr int kFirstRecordTries = 20; // record 0 may have to wake the instrument
constexpr int kRecordTries = 5;
constexpr int kBaroTries = 25;
constexpr int kEchoTries = 5;
constexpr int kNextTries = 10;
constexpr int kAfterWakeUpTries = 5;

QByteArray Command(quint8 a, quint8 b) {
    QByteArray bytes;
    bytes.append(static_cast<char>(a));
    bytes.append(static_cast<char>(b));
    return bytes;
}

const QByteArray& WakeUpCommand() {
    static const QByteArray bytes = Command(kLogRecordCommand, 0);
    return bytes;
}

const QByteArray& NextCommand() {
    static const QByteArray bytes(kNextLength, static_cast<char>(kNextByte));
    return bytes;
}

quint8 At(const QByteArray& bytes, int i) {
    return i < bytes.size() ? static_cast<quint8>(bytes.at(i)) : 0;
}

QString VarioError(const char* text) {
    return Translate("ERROR - (Vario)") + Translate(text);
}

} // namespace

// --- Actions ----------------------------------------------------------------

void VarioLink::Do(VarioAction::Kind kind, const QByteArray& bytes, const QString& text) {
    actions_.push_back({kind, bytes, text});
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
    const QString failure = store_->WriteFailure();
    CloseVarioPort();
    Status(Translate("ERROR - (Vario)") + failure);
    return true;
}

void VarioLink::Abort() {
    if (active_) CloseVarioPort();
}

void VarioLink::Cancel() {
    if (!active_) return;
    qCDebug(lcVario) << "transfer cancelled by the user";
    Status(Translate("Download cancelled"));
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
    Status(VarioError("Failed to get response"));
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
    QString text = Translate("UNKNOWN - (Vario)");
    const int last = static_cast<int>(reply.size()) / 2;
    for (int i = 0; i <= last && i < reply.size(); ++i)
        text += QString::number(At(reply, i), 16).toUpper() + QLatin1Char(' ');
    Status(text);
}

// --- Log download -----------------------------------------------------------

void VarioLink::RequestLogRecord(int n) {
    requestState_ = LogRecordState;
    lateRepeats_ = 0;
    Status(Translate("Requesting Log Record") + NumberText(n));
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
        if (IsEmptyLogEntry(record->startTime, record->endTime, record->startHeight))
            emptyEntries_ += NumberText(static_cast<double>(*id));
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
    switch (end) {
    case LogEnd::Natural:
        Status(VarioError("DataAccess error"));
        Status(Translate("Successfully Received") + NumberText(recordNumber_) + QLatin1Char(' ') +
               Translate("Log Records"));
        break;
    case LogEnd::LastSlot:
        // Every slot held a flight.
        Status(Translate("Successfully Received") + NumberText(recordNumber_ + 1) + QLatin1Char(' ') +
               Translate("Log Records"));
        break;
    case LogEnd::Garbled:
        // Not the end of the log: the pilot must know that flights may be
        // missing, and which record to look at.
        Status(VarioError("DataAccess error"));
        Status(Translate("Log Download Stopped Early") + QStringLiteral(" - ") + Translate("Log Record") +
               NumberText(recordNumber_) + QLatin1Char(' ') + Translate("could not be read") +
               QStringLiteral(" -") + NumberText(rowsStored_) + QLatin1Char(' ') + Translate("Log Records") +
               QLatin1Char(' ') + Translate("received"));
        break;
    }
    const QString empty = emptyEntries_;
    recordNumber_ = kLastRecord;
    EndTransfer();
    if (!empty.isEmpty())
        Do(VarioAction::Kind::Message, {},
           Translate("The following Log entries had errors") + QStringLiteral(" -") + empty +
               QLatin1Char('.') + Translate("(See Readme.txt)"));
    Do(VarioAction::Kind::Finished);
}

// --- Barograph download -----------------------------------------------------

void VarioLink::RequestBarographDetails() {
    wakeUpPending_ = true;
    wakeUpsSent_ = 0;
    wakeUpBytes_ = 0;
    requestState_ = BarographDetailsState;
    Status(Translate("Requesting Baro Data Details"));
    SetCommand(Command(kBaroCommand, kBaroCommand), kBaroTries);
    replyLength_ = kDetailsLength;
    SendVarioCommand();
}

void VarioLink::OnBarographDetails(const QByteArray& reply) {
    requestState_ = None;
    if (At(reply, 0) != 170) {
        Status(VarioError("DataAccess error"));
        CloseVarioPort();
        return;
    }
    logNumber_ = At(reply, 1);
    traceCount_ = logNumber_;
    if (logNumber_ < 1) {
        Status(Translate("No Barographs Available"));
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
    Status(Translate("Requesting Baro Log") + QLatin1Char(' ') + NumberText(n));
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
        if (first != kBlockMarker)
            Status(Translate("Baro Log") + QLatin1Char(' ') + NumberText(logNumber_) + QLatin1Char(' ') +
                   Translate("Complete"));
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
        Status(Translate("Downloading Baro Log") + NumberText(logNumber_) + QStringLiteral(" - ") +
               Translate("Header"));
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
        Status(Translate("Downloading Baro Log") + NumberText(logNumber_) + QStringLiteral(" - ") +
               Translate("Footer"));
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

void VarioLink::StoreBlock() {
    blockOpen_ = false;
    bool repeat = false;
    for (const PendingSample& s : pending_) {
        if (!store_->StoreBaroSample(s.time, s.height, trace_.logId)) {
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
    QString text = Translate("Downloading Baro Log") + NumberText(logNumber_) + QStringLiteral(" -") +
                   GeneralDateText(sampleTime_);
    if (repeat) text += QLatin1Char(' ') + Translate("(Repeat)");
    Status(text);
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
    Status(Translate("Downloading Baro Log") + NumberText(logNumber_) + QStringLiteral(" -") +
           GeneralDateText(sampleTime_) + QLatin1Char(' ') + Translate("(Block lost)"));
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
    QString text;
    if (samplesLost_ == 0 && brokenTraces_.isEmpty()) {
        text = Translate("Baro Download Complete");
    } else {
        text = Translate("Baro Download Incomplete");
        if (samplesLost_ > 0)
            text += QStringLiteral(" -") + NumberText(samplesLost_) + QLatin1Char(' ') +
                    Translate("samples lost");
        for (int n : std::as_const(brokenTraces_))
            text += QStringLiteral(" - ") + Translate("Baro Log") + NumberText(n) + QLatin1Char(' ') +
                    Translate("ended early");
    }
    if (unlinked > 0) {
        // They stay for "Find Baro Links" once their flight is in the logbook.
        qCWarning(lcVario) << unlinked << "barograph samples lie outside every flight";
        text += QStringLiteral(" -") + NumberText(unlinked) + QLatin1Char(' ') +
                Translate("samples not linked to a flight");
    }
    Status(text);
    CloseVarioPort();
}

// --- Linking a trace to its flight --------------------------------------------

void VarioLink::LinkBarographTrace() {
    store_->Commit();
    const std::optional<TraceFlight> flight = store_->FindTraceFlight(sampleTime_);
    if (!flight) {
        awaitingAnswer_ = true;
        StopTimer();
        Do(VarioAction::Kind::AskCreateFlight, {},
           Translate("No LogData record matches this Barograph.") + QLatin1Char(' ') +
               Translate("Create it?"));
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
