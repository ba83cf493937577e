#pragma once
// The Sol variometer's wire protocol: command bytes, reply lengths and try
// budgets, shared by the parts of the link.

#include <QByteArray>

namespace soarnote::sol {

// The Sol's command bytes.
inline constexpr quint8 kLogRecordCommand = 204; // 204, n: log record n; 204, 0 also wakes the instrument
inline constexpr quint8 kBaroCommand = 170;      // 170, 170: barograph details; 170, n: barograph log n
inline constexpr quint8 kNextByte = 172;         // six of them: the next block
inline constexpr int kNextLength = 6;

// Reply lengths (bytes) the link reads.
inline constexpr int kLogRecordLength = 24;
inline constexpr int kDetailsLength = 4;
inline constexpr int kStreamPartLength = 2; // markers, the first header, samples, the footer's start
inline constexpr int kHeader2Length = 6;
inline constexpr int kFooterRestLength = 4;
inline constexpr int kFooterLength = kStreamPartLength + kFooterRestLength;

// Try budgets: sends of a command before its answer is given up.
inline constexpr int kFirstRecordTries = 20; // record 0 may have to wake the instrument
inline constexpr int kRecordTries = 5;
inline constexpr int kBaroTries = 25;
inline constexpr int kEchoTries = 5;
inline constexpr int kNextTries = 10;
inline constexpr int kAfterWakeUpTries = 5;

inline QByteArray Command(quint8 a, quint8 b) {
    QByteArray bytes;
    bytes.append(static_cast<char>(a));
    bytes.append(static_cast<char>(b));
    return bytes;
}

inline const QByteArray& WakeUpCommand() {
    static const QByteArray bytes = Command(kLogRecordCommand, 0);
    return bytes;
}

inline const QByteArray& NextCommand() {
    static const QByteArray bytes(kNextLength, static_cast<char>(kNextByte));
    return bytes;
}

inline quint8 At(const QByteArray& bytes, int i) {
    return i < bytes.size() ? static_cast<quint8>(bytes.at(i)) : 0;
}

} // namespace soarnote::sol
