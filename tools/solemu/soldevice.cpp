#include "soldevice.h"

namespace solemu {

namespace {

quint8 At(const QByteArray& bytes, int i) {
    return static_cast<quint8>(bytes.at(i));
}

} // namespace

SolDevice::SolDevice(SolMemory memory, int samplesPerBlock)
    : memory_(std::move(memory)), samplesPerBlock_(samplesPerBlock) {}

std::vector<QByteArray> SolDevice::Receive(const QByteArray& bytes) {
    pending_ += bytes;
    std::vector<QByteArray> replies;
    while (!pending_.isEmpty()) {
        const quint8 first = At(pending_, 0);
        QByteArray command;
        if (first == 204 || first == 170 || first == 213 || first == 234) {
            if (pending_.size() < 2) break;
            command = pending_.left(2);
            pending_.remove(0, 2);
        } else if (first == 172) {
            int run = 0;
            while (run < pending_.size() && run < 6 && At(pending_, run) == 172)
                ++run;
            if (run == 6) {
                command = pending_.left(6);
                pending_.remove(0, 6);
            } else if (run == pending_.size()) {
                break; // the rest of "next" is still coming
            } else {
                pending_.remove(0, run); // a broken "next"
                continue;
            }
        } else {
            pending_.remove(0, 1); // not a command
            continue;
        }

        const int index = commands_++;
        if (first == 204 && At(command, 1) == 0) ++wakeUps_;
        if (first == 172) ++nexts_;
        if (faults_.silentAtNext > 0 && nexts_ >= faults_.silentAtNext) faults_.silent = true;
        if (faults_.silent || (faults_.silentAfter >= 0 && index >= faults_.silentAfter)) continue;
        if (index == faults_.garbageForReply) {
            replies.push_back(faults_.garbage);
            continue;
        }
        blockData_ = false;
        for (QByteArray reply : Answer(command)) {
            const bool drop =
                index == faults_.dropInReply || (blockData_ && blocksSent_ - 1 == faults_.dropInBlock);
            if (drop && !reply.isEmpty()) {
                const qsizetype at = faults_.dropAt >= 0 ? faults_.dropAt : reply.size() / 2;
                if (at < reply.size()) reply.remove(at, 1);
            }
            replies.push_back(reply);
        }
    }
    return replies;
}

std::vector<QByteArray> SolDevice::Answer(const QByteArray& command) {
    const quint8 first = At(command, 0);
    if (first == 172) return Next();
    const quint8 second = At(command, 1);
    if (first == 204) {
        // A log record; record 0 doubles as the wake-up.
        if (second < kLogSlots) return {memory_.records[second]};
        return {};
    }
    if (first == 170 && second == 170) {
        QByteArray details;
        details.append(static_cast<char>(170));
        details.append(static_cast<char>(memory_.traces.size()));
        details.append(QByteArray(2, '\0'));
        return {details};
    }
    if (first == 170) {
        if (second < 1 || second > memory_.traces.size()) return {};
        trace_ = second;
        blocks_ = TraceBlocks(memory_.traces[second - 1], samplesPerBlock_);
        block_ = 0;
        dataSent_ = false;
        return {blocks_[0].MarkerBytes()};
    }
    // The host echoes a block marker to have the block's data sent; an echo
    // repeated (the data was lost) sends the data again.
    if (trace_ && command == blocks_[block_].MarkerBytes()) {
        dataSent_ = true;
        blockData_ = true;
        ++blocksSent_;
        return {blocks_[block_].data};
    }
    return {};
}

std::vector<QByteArray> SolDevice::Next() {
    if (!trace_) return {};
    if (!dataSent_) return {blocks_[block_].MarkerBytes()}; // the marker was lost: send it again
    if (block_ + 1 >= blocks_.size()) {
        trace_ = 0; // the trace is complete: nothing more to say
        return {};
    }
    ++block_;
    dataSent_ = false;
    return {blocks_[block_].MarkerBytes()};
}

} // namespace solemu
