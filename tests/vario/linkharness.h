#pragma once
// Drives a VarioLink by hand: records what it asks for (writes, timer,
// status texts, questions), ticks its timer only while it runs, and can let
// an emulated instrument answer every write.

#include "bytes.h"
#include "common/testlogbook.h"
#include "core/daynumber.h"
#include "core/logbookdatabase.h"
#include "core/variostore.h"
#include "soldevice.h"
#include "vario/variolink.h"
#include "vario/variostatustext.h"

#include <QTemporaryDir>
#include <QtTest>
#include <functional>
#include <memory>

// What the link asked for, and the line's state, as a fresh harness has them.
struct LinkSeen {
    QList<QByteArray> writes;
    QStringList statuses;
    QStringList asks;
    QStringList messages;
    QList<QByteArray> inbox; // replies of the device not yet handed to the link
    QList<int> inboxDue;     // the tick count at which each reply arrives
    int byteBudget = -1;     // the line carries only this many more bytes of replies (-1 no limit)
    int closes = 0;
    int finished = 0;
    int flightsChanged = 0;
    int ticks = 0;
    bool timerOn = false;
    int nowMs = 0; // the line's clock: ticks come 50 ms after the timer was (re)started
    int nextTickMs = 0;
    QList<QPair<int, int>> progress; // each new value and maximum of the link's progress
};

class LinkHarness : public LinkSeen {
public:
    QTemporaryDir dir;
    soarnote::LogbookDatabase file;
    std::unique_ptr<soarnote::SqlVarioStore> store;
    soarnote::VarioLink link;
    std::unique_ptr<solemu::SolDevice> device; // answers writes when set
    int replyDelayTicks = 0;                   // a slow instrument: its replies come this many ticks late
    bool vanishAtCut = false;  // when the budget is spent the port is gone, rather than silent
    QString recordRows;        // a table whose rows are counted after each whole reply...
    QList<int> rowsAfterReply; // ...here, with the size of each reply
    QList<int> replySizes;
    bool answerYes = false;

    bool Open() {
        const QString path = dir.filePath(QStringLiteral("vario.mdb"));
        if (!testlogbook::CreateLogbookFile(path) || !file.Open(path, nullptr)) return false;
        store = std::make_unique<soarnote::SqlVarioStore>(file.Db());
        return true;
    }
    QSqlDatabase Db() const { return file.Db(); }
    // A fresh link and an empty logbook again, cheaper than a new file.
    void Reset() {
        store.reset();
        link = soarnote::VarioLink{};
        for (const char* table : {"BaroData", "LogData"})
            testlogbook::Exec(Db(), QStringLiteral("DELETE FROM %1").arg(QLatin1String(table)));
        store = std::make_unique<soarnote::SqlVarioStore>(file.Db());
        device.reset();
        static_cast<LinkSeen&>(*this) = LinkSeen{};
    }
    void UseDevice(const solemu::SolMemory& memory, int samplesPerBlock = 64) {
        device = std::make_unique<solemu::SolDevice>(memory, samplesPerBlock);
    }

    void Take() {
        using K = soarnote::VarioAction::Kind;
        for (const soarnote::VarioAction& a : link.TakeActions()) {
            switch (a.kind) {
            case K::Write:
                writes << a.bytes;
                if (device)
                    for (QByteArray r : device->Receive(a.bytes)) {
                        if (byteBudget >= 0) {
                            r = r.left(byteBudget);
                            byteBudget -= int(r.size());
                            if (r.isEmpty()) continue;
                        }
                        inbox << r;
                        inboxDue << ticks + replyDelayTicks;
                    }
                break;
            case K::StartTimer:
                timerOn = true;
                nextTickMs = nowMs + soarnote::VarioLink::kRetryIntervalMs;
                break;
            case K::StopTimer:
                timerOn = false;
                break;
            case K::Status:
            case K::AskCreateFlight:
            case K::Message:
                (a.kind == K::Status    ? statuses
                 : a.kind == K::Message ? messages
                                        : asks)
                    << soarnote::VarioStatusText(a.event);
                break;
            case K::ClosePort:
                ++closes;
                timerOn = false;
                break;
            case K::FlightsChanged:
                ++flightsChanged;
                break;
            case K::Finished:
                ++finished;
                break;
            }
        }
        const auto p = link.TransferProgress();
        if (progress.isEmpty() || progress.last() != qMakePair(p.value, p.maximum))
            progress << qMakePair(p.value, p.maximum);
    }

    bool StartLog(bool all) {
        const bool ok = link.StartLogDownload(store.get(), all);
        Take();
        return ok;
    }
    bool StartBaro() {
        const bool ok = link.StartBarographDownload(store.get());
        Take();
        return ok;
    }
    void Feed(const QByteArray& bytes) {
        link.OnBytes(bytes);
        Take();
    }
    // One tick of the retry timer, if it runs.
    bool Tick() {
        if (!timerOn) return false;
        nowMs = nextTickMs;
        nextTickMs += soarnote::VarioLink::kRetryIntervalMs;
        ++ticks;
        link.OnTimerTick();
        Take();
        return true;
    }
    // Lets ms pass on a quiet line, with the ticks that fall in it.
    void Wait(int ms) {
        const int until = nowMs + ms;
        while (timerOn && nextTickMs <= until)
            Tick();
        nowMs = until;
    }
    // Lets the device answer until the transfer ends: replies first, a tick
    // when the line is quiet, the scripted answer to questions.
    void Run(int tickLimit = 100000) {
        while (link.Active()) {
            if (!inbox.isEmpty() && inboxDue.first() <= ticks) {
                inboxDue.removeFirst();
                const QByteArray reply = inbox.takeFirst();
                Feed(reply);
                if (!recordRows.isEmpty()) {
                    rowsAfterReply << testlogbook::RowCount(Db(), recordRows);
                    replySizes << int(reply.size());
                }
                continue;
            }
            if (vanishAtCut && byteBudget == 0 && inbox.isEmpty()) {
                link.Abort();
                Take();
                break;
            }
            if (link.AwaitingAnswer()) {
                link.AnswerCreateFlight(answerYes);
                Take();
                continue;
            }
            if (tickLimit-- <= 0) break;
            if (!Tick()) {
                if (inbox.isEmpty()) break;
                ++ticks; // the timer is off, but the line is still busy
            }
        }
    }
    QString LastStatus() const { return statuses.isEmpty() ? QString() : statuses.last(); }
    int WritesOf(const QByteArray& command) const { return int(writes.count(command)); }
};

// The samples stored on flight logId (any flight when none is given) are
// the trace's as the instrument sent them, in order, with their times and
// heights, less those lost.
inline void CompareTrace(const QSqlDatabase& db, const solemu::SolTrace& t, std::optional<qint64> logId,
                         const std::function<bool(int)>& lost) {
    const double start = soarnote::DayNumber(t.date, t.startHour, t.startMinute, 0);
    QSqlQuery q(db);
    const QString where = logId ? QStringLiteral("LogID = %1").arg(*logId) : QStringLiteral("1");
    QVERIFY(q.exec(QStringLiteral("SELECT TIME, height FROM BaroData WHERE %1 ORDER BY TIME").arg(where)));
    for (int i = 0; i < int(t.heights.size()); ++i) {
        if (lost(i)) continue;
        QVERIFY2(q.next(), qPrintable(QStringLiteral("sample %1 missing").arg(i)));
        const double time = q.value(0).toDouble();
        QVERIFY2(std::abs(time - (start + i * t.intervalSeconds * soarnote::kOneSecond)) < 1e-8,
                 qPrintable(soarnote::GeneralDateText(time)));
        QCOMPARE(q.value(1).toInt(), t.heights[i]);
    }
    QVERIFY2(!q.next(), "more samples stored than sent");
}
