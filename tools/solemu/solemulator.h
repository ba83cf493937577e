#pragma once
// A Sol variometer on a pseudo-terminal: the device model behind the master
// side, the slave's path for the program to open. Replies can be paced at a
// baud rate (the line time of every byte, both ways) and split into parts
// with a pause between them.

#include "soldevice.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <deque>

class QSocketNotifier;

namespace solemu {

class SolEmulator : public QObject {
    Q_OBJECT
public:
    explicit SolEmulator(SolMemory memory = {}, QObject* parent = nullptr);
    ~SolEmulator() override;

    // Makes the pseudo-terminal pair; false with a reason on failure.
    bool Open(QString* error = nullptr);
    // The path to point the program at (/dev/pts/N).
    QString DevicePath() const { return devicePath_; }

    SolDevice& Device() { return device_; }
    // 0 sends replies at once; otherwise every byte takes its line time.
    void SetPacing(int baud) { baud_ = baud; }
    // Each reply in this many parts, the parts gapMs apart.
    void SetSplit(int parts, int gapMs) {
        splitParts_ = parts;
        splitGapMs_ = gapMs;
    }
    void SetSamplesPerBlock(int samples);
    // The cable pulled: the line is gone when the host asks for the next
    // block for the n-th time (1 for the first).
    void SetVanishAtNext(int n) { vanishAtNext_ = n; }
    // A slow instrument: every reply starts this long after its command.
    void SetLatency(int ms) { latencyMs_ = ms; }

    qint64 BytesReceived() const { return bytesReceived_; }
    qint64 BytesSent() const { return bytesSent_; }

signals:
    void CommandBytes(const QByteArray& bytes);

private:
    struct Segment {
        QByteArray bytes;
        qint64 notBeforeNs = 0;
    };
    void OnReadable();
    void Queue(const QByteArray& reply, qint64 notBeforeNs);
    void Pump();
    qint64 ByteNs() const { return baud_ > 0 ? 10'000'000'000LL / baud_ : 0; }

    SolDevice device_;
    int master_ = -1;
    int slave_ = -1;
    QString devicePath_;
    QSocketNotifier* readNotifier_ = nullptr;
    QTimer pump_;
    QElapsedTimer clock_;
    std::deque<Segment> queue_;
    QByteArray unwritten_;
    qint64 lineFreeAtNs_ = 0;
    int baud_ = 0;
    int splitParts_ = 1;
    int splitGapMs_ = 0;
    int latencyMs_ = 0;
    int vanishAtNext_ = -1;
    void Vanish();
    qint64 bytesReceived_ = 0;
    qint64 bytesSent_ = 0;
};

} // namespace solemu
