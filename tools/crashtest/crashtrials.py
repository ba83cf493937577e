#!/usr/bin/env python3
"""Crash trials: kill a download or import with SIGKILL at a random moment and
check what the logbook kept.

For each kind (a GPS track download from soarnote-garminemu, a variometer log
and barograph download from soarnote-solemu, a Waypoint+ import) the trials run
soarnote-crashdriver, the program's commands and storage without windows, kill
it at a random moment of its run, then:
  - run PRAGMA integrity_check on the logbook,
  - reopen it with the program's own code (crashdriver --check),
  - compare every stored row with what the emulator or file sent: no point or
    sample that was not sent, no value changed, no point without its track,
    no track mixing points of two sent tracks, no barograph sample on a flight
    whose time does not contain it.
Each kind's trials share one logbook, as a pilot who restarts the program and
downloads again would; a last, unkilled run must then complete the logbook.

Run by hand from the source tree:  tools/crashtest/crashtrials.py --build build
"""

import argparse
import os
import random
import shutil
import signal
import sqlite3
import subprocess
import sys
import tempfile
import time
from collections import Counter
from datetime import date, datetime, timedelta

DAY_ZERO = datetime(1899, 12, 30)


def day_number(dt):
    delta = dt - DAY_ZERO
    return delta.days + delta.seconds / 86400.0 + delta.microseconds / 86400e6


def write_track_file(path, tracks, points, start, step_s=1):
    """A Waypoint+ file: tracks of points, one every step_s seconds."""
    sent = []
    with open(path, "w", newline="") as f:
        f.write("Datum,WGS84,WGS84,0,0,0,0,0\r\n")
        t = start
        for k in range(tracks):
            for i in range(points):
                lat = 46.0 + k * 0.01 + i * 1.3e-5
                lng = 11.0 - k * 0.01 + i * 0.7e-5
                f.write("TP,D,%.7f,%.7f,%s,%s,%d\r\n" % (lat, lng, t.strftime("%m/%d/%Y"),
                                                       t.strftime("%H:%M:%S"), 1 if i == 0 else 0))
                sent.append((day_number(t), lat, lng, k))
                t += timedelta(seconds=step_s)
            t += timedelta(minutes=30)
    return sent


class Trials:
    VARIO_FLIGHTS = 6

    def __init__(self, args):
        self.build = os.path.abspath(args.build)
        self.tools = os.path.join(self.build, "tools")
        self.driver = os.path.join(self.tools, "soarnote-crashdriver")
        self.template = os.path.join(self.build, "bin", "~logbook.$$$")
        self.work = tempfile.mkdtemp(prefix="soarnote-crash-")
        self.env = dict(os.environ, TZ="UTC", QT_QPA_PLATFORM="offscreen",
                        XDG_CONFIG_HOME=os.path.join(self.work, "config"),
                        XDG_DATA_HOME=os.path.join(self.work, "data"))
        self.rng = random.Random(args.seed)
        self.failures = Counter()
        self.trial = Counter()
        self.notes = {}

    def new_logbook(self, name):
        path = os.path.join(self.work, name)
        shutil.copyfile(self.template, path)
        return path

    def start_emulator(self, argv):
        proc = subprocess.Popen(argv, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                env=self.env, text=True)
        device = proc.stdout.readline().strip()
        return proc, device

    @staticmethod
    def stop(proc):
        if proc.poll() is None:
            proc.send_signal(signal.SIGTERM)
            try:
                proc.wait(5)
            except subprocess.TimeoutExpired:
                proc.kill()
                proc.wait()

    def run_driver(self, logbook, args, kill_after=None):
        """Runs the driver; kills it after kill_after seconds. Returns
        (seconds run, killed, output)."""
        begin = time.monotonic()
        proc = subprocess.Popen([self.driver, "--logbook", logbook] + args, stdout=subprocess.PIPE,
                                stderr=subprocess.STDOUT, env=self.env, text=True)
        killed = False
        try:
            out, _ = proc.communicate(timeout=kill_after if kill_after is not None else 300)
        except subprocess.TimeoutExpired:
            proc.send_signal(signal.SIGKILL)
            out, _ = proc.communicate()
            killed = True
        return time.monotonic() - begin, killed, out

    def check_common(self, logbook):
        kinds = []
        con = sqlite3.connect(logbook)
        try:
            if con.execute("PRAGMA integrity_check").fetchone()[0] != "ok":
                kinds.append("integrity check failed")
        finally:
            con.close()
        _, _, out = self.run_driver(logbook, ["--check"])
        if "opened" not in out:
            kinds.append("reopen failed")
        return kinds

    # --- track points (download and import) ---------------------------------

    def check_tracks(self, logbook, sent, tol_time, tol_pos):
        kinds = []
        by_second = {}
        for p in sent:
            by_second.setdefault(round(p[0] * 86400), []).append(p)
        con = sqlite3.connect(logbook)
        rows = con.execute("SELECT d.TrackID, d.TIME, d.LAT, d.LNG, t.ID FROM TrackData d "
                           "LEFT JOIN Tracks t ON t.ID = d.TrackID").fetchall()
        con.close()
        track_sources = {}
        for track_id, t, lat, lng, exists in rows:
            if exists is None:
                kinds.append("point without its track")
                continue
            match = None
            for s in range(round(t * 86400) - 1, round(t * 86400) + 2):
                for p in by_second.get(s, []):
                    if abs(p[0] - t) <= tol_time and abs(p[1] - lat) <= tol_pos and abs(p[2] - lng) <= tol_pos:
                        match = p
            if match is None:
                kinds.append("point not sent or value changed")
                continue
            track_sources.setdefault(track_id, set()).add(match[3])
        for sources in track_sources.values():
            if len(sources) > 1:
                kinds.append("track mixes points of two sent tracks")
        return kinds, len(rows)

    def track_kind(self, name, trials, make_args, sent, tol_time, tol_pos, emulator=None):
        logbook = self.new_logbook(name + ".mdb")
        # A first, unkilled run in a logbook of its own gives the run's length.
        proc, device = self.start_emulator(emulator()) if emulator else (None, None)
        seconds, _, out = self.run_driver(self.new_logbook(name + "-full.mdb"), make_args(device))
        if proc:
            self.stop(proc)
        kinds, stored = self.check_tracks(os.path.join(self.work, name + "-full.mdb"), sent, tol_time, tol_pos)
        print("%s: an unkilled run takes %.1f s and stores %d of %d points%s" %
              (name, seconds, stored, len(sent), (": " + ", ".join(sorted(set(kinds)))) if kinds else ""))
        killed_runs = 0
        for _ in range(trials):
            proc, device = self.start_emulator(emulator()) if emulator else (None, None)
            _, killed, _ = self.run_driver(logbook, make_args(device), self.rng.uniform(0.05, seconds * 1.1))
            killed_runs += killed
            if proc:
                self.stop(proc)
            kinds = self.check_common(logbook)
            more, _ = self.check_tracks(logbook, sent, tol_time, tol_pos)
            self.record(name, kinds + more)
        proc, device = self.start_emulator(emulator()) if emulator else (None, None)
        self.run_driver(logbook, make_args(device))
        if proc:
            self.stop(proc)
        kinds, stored = self.check_tracks(logbook, sent, tol_time, tol_pos)
        complete = stored == len(sent)
        if not complete:
            kinds.append("incomplete after a last unkilled run")
        self.record(name + " (final)", kinds)
        print("%s: %d trials, %d killed mid-run; after a last unkilled run %d of %d points stored" %
              (name, trials, killed_runs, stored, len(sent)))

    # --- variometer ----------------------------------------------------------

    def vario_reference(self, when):
        """What the instrument holds for one date, from unkilled downloads into
        fresh logbooks. A download that stops early (a slow reply under load)
        is repeated, and counted as a finding of its own."""
        logs, samples, seconds = set(), set(), 0
        for attempt in range(3):
            logbook = self.new_logbook("vario-ref-%s.mdb" % when)
            proc, device = self.start_emulator(self.solemu(when))
            took, _, out = self.run_driver(logbook, ["--vario", device])
            self.stop(proc)
            seconds = max(seconds, took)
            con = sqlite3.connect(logbook)
            got = set(con.execute("SELECT StartTime, EndTime, StartHeight, MaxHeight, MinHeight FROM LogData"))
            samples |= set(con.execute("SELECT TIME, height FROM BaroData"))
            con.close()
            logs |= got
            if len(got) >= self.VARIO_FLIGHTS:
                break
            self.record("vario (unkilled)", ["unkilled log download stopped early (%d of %d records)" %
                                             (len(got), self.VARIO_FLIGHTS)])
        return seconds, logs, samples

    def solemu(self, when):
        return [os.path.join(self.tools, "soarnote-solemu"), "--flights", str(self.VARIO_FLIGHTS), "--traces", "3",
                "--samples", "150", "--date", when, "--pace", "9600"]

    def check_vario(self, logbook, logs, samples):
        kinds = []
        con = sqlite3.connect(logbook)
        for row in con.execute("SELECT StartTime, EndTime, StartHeight, MaxHeight, MinHeight FROM LogData"):
            if row not in logs:
                kinds.append("log record not sent or value changed")
        flights = {r[0]: (r[1], r[2]) for r in con.execute("SELECT ID, StartTime, EndTime FROM LogData")}
        for log_id, t, h in con.execute("SELECT LogID, TIME, height FROM BaroData"):
            if (t, h) not in samples:
                kinds.append("barograph sample not sent or value changed")
            if log_id is not None and log_id > 0:
                f = flights.get(log_id)
                if f is None:
                    kinds.append("sample linked to a missing flight")
                elif f[0] is not None and f[1] is not None and not (f[0] - 1e-6 <= t <= f[1] + 1e-6):
                    kinds.append("sample on a flight whose time does not contain it")
        con.close()
        return kinds

    def vario_kind(self, trials):
        dates = ["2024-06-05", "2024-06-19", "2024-07-03"]
        refs = {d: self.vario_reference(d) for d in dates}
        logs = set().union(*(r[1] for r in refs.values()))
        samples = set().union(*(r[2] for r in refs.values()))
        seconds = max(r[0] for r in refs.values())
        ref_kinds = []
        for d in dates:
            ref_kinds += self.check_vario(os.path.join(self.work, "vario-ref-%s.mdb" % d), logs, samples)
        print("vario: an unkilled run takes %.1f s and stores %d log records, %d samples%s" %
              (seconds, len(logs), len(samples), (": " + ", ".join(sorted(set(ref_kinds)))) if ref_kinds else ""))
        logbook = self.new_logbook("vario.mdb")
        killed_runs = 0
        for i in range(trials):
            proc, device = self.start_emulator(self.solemu(dates[i % len(dates)]))
            _, killed, _ = self.run_driver(logbook, ["--vario", device], self.rng.uniform(0.05, seconds * 1.1))
            killed_runs += killed
            self.stop(proc)
            self.record("vario", self.check_common(logbook) + self.check_vario(logbook, logs, samples))
        for d in dates:
            proc, device = self.start_emulator(self.solemu(d))
            self.run_driver(logbook, ["--vario", device])
            self.stop(proc)
        kinds = self.check_vario(logbook, logs, samples)
        con = sqlite3.connect(logbook)
        stored = con.execute("SELECT COUNT(*) FROM BaroData").fetchone()[0]
        unlinked = con.execute("SELECT COUNT(*) FROM BaroData WHERE LogID IS NULL OR LogID <= 0").fetchone()[0]
        con.close()
        self.record("vario (final)", kinds)
        print("vario: %d trials, %d killed mid-run; after last unkilled runs %d of %d samples stored, %d unlinked" %
              (trials, killed_runs, stored, len(samples), unlinked))

    def record(self, name, kinds):
        """Counts a failed trial. A kind of fault is summed up once: in how
        many trials it was seen, from which trial on, and at most how many
        rows (a wrong row stays in the shared logbook, so later trials of the
        kind see it again)."""
        self.trial[name] += 1
        if kinds:
            self.failures[name] += 1
            for k in set(kinds):
                seen = self.notes.setdefault((name, k), [0, self.trial[name], 0])
                seen[0] += 1
                seen[2] = max(seen[2], kinds.count(k))


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", default="build")
    parser.add_argument("--trials", type=int, default=20)
    parser.add_argument("--kinds", default="gps,vario,import")
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--keep", action="store_true", help="keep the work folder")
    args = parser.parse_args()
    t = Trials(args)
    kinds = args.kinds.split(",")
    start = datetime(2024, 5, 1, 10, 0, 0)
    if "gps" in kinds:
        path = os.path.join(t.work, "gps-source.txt")
        sent = write_track_file(path, 3, 300, start)
        emulator = lambda: [os.path.join(t.tools, "soarnote-garminemu"), "--file", path, "--baud", "38400"]
        # D301 points carry semicircles and whole seconds.
        t.track_kind("gps", args.trials, lambda device: ["--gps", device], sent, 1.5 / 86400, 1e-6, emulator)
    if "import" in kinds:
        path = os.path.join(t.work, "import.txt")
        sent = write_track_file(path, 4, 50000, start)
        t.track_kind("import", args.trials, lambda device: ["--import", path], sent, 1e-9, 1e-9)
    if "vario" in kinds:
        t.vario_kind(args.trials)
    print("\nfailed trials: %s" % (dict(t.failures) if t.failures else "none"))
    for (name, kind), (trials, first, rows) in t.notes.items():
        print("  %s: %s: in %d trials from trial %d on, at most %d rows" % (name, kind, trials, first, rows))
    if args.keep:
        print("work folder:", t.work)
    else:
        shutil.rmtree(t.work, ignore_errors=True)
    return 1 if t.failures else 0


if __name__ == "__main__":
    sys.exit(main())
