// IGC import: the nine real files and a generated 100,000-fix file (27 hours
// at one fix a second, with a pressure trace), each into a fresh logbook,
// timed side by side with GPSBabel reading the same file into GPX (when it is
// installed). The program's goal: the big file in under half a second, and no
// slower than GPSBabel.
//   bench_import [DATA_FOLDER]   (default: the shared real-data folder)

#include "core/flightimport.h"
#include "core/logbookdatabase.h"
#include "core/logbookschema.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>
#include <vector>

using namespace soarnote;

namespace {

bool WriteBigIgc(const QString& path, int fixes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) return false;
    QByteArray text = "AXXXBEN bench\r\nHFDTE010724\r\nHFGTYGLIDERTYPE:Bench glider\r\nI023636LAD3737LOD\r\n";
    for (int i = 0; i < fixes; ++i) {
        const int s = i % 86400;
        const int latMin = 10000 + (i * 7) % 40000, lngMin = 20000 + (i * 3) % 30000;
        char line[64];
        std::snprintf(line, sizeof line, "B%02d%02d%02d46%05dN008%05dEA%05d%05d%d%d\r\n", s / 3600,
                      s / 60 % 60, s % 60, latMin, lngMin, 1000 + i % 2000, 1050 + i % 2000, i % 10,
                      (i / 10) % 10);
        text += line;
    }
    return f.write(text) == text.size();
}

// Processor time of this process: on a shared machine the wall clock also
// counts the time others had the processor.
double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double ImportSeconds(const QString& file, const QString& logbookPath, FlightImportResult* result,
                     double* cpu) {
    QFile::remove(logbookPath);
    LogbookDatabase db;
    QString error;
    if (!db.Create(logbookPath, &error)) return -1;
    QSqlDatabase conn = db.Db();
    if (!CreateLogbookSchema(conn, &error)) return -1;
    QElapsedTimer timer;
    timer.start();
    const double cpuBefore = CpuSeconds();
    *result = ImportFlightFile(conn, file);
    *cpu = CpuSeconds() - cpuBefore;
    return timer.nsecsElapsed() / 1e9;
}

double BabelSeconds(const QString& babel, const QString& file) {
    if (babel.isEmpty()) return -1;
    QElapsedTimer timer;
    timer.start();
    QProcess p;
    p.start(babel,
            {QStringLiteral("-i"), QStringLiteral("igc"), QStringLiteral("-f"), file, QStringLiteral("-o"),
             QStringLiteral("gpx"), QStringLiteral("-F"), QStringLiteral("/dev/null")});
    if (!p.waitForFinished(120000) || p.exitCode() != 0) return -1;
    return timer.nsecsElapsed() / 1e9;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QString dataDir =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(SOARNOTE_SHARED_DATA "/igc");
    QTemporaryDir tmp;
    QStringList files;
    for (const QString& name : QDir(dataDir).entryList({QStringLiteral("*.igc")}, QDir::Files, QDir::Name))
        files << QDir(dataDir).filePath(name);
    const QString big = tmp.filePath(QStringLiteral("big-100000.igc"));
    if (!WriteBigIgc(big, 100000)) return 1;
    files << big;
    const QString babel = QStandardPaths::findExecutable(QStringLiteral("gpsbabel"));
    std::printf("%-40s %8s %8s %10s %10s %10s\n", "file", "fixes", "stored", "import s", "import cpu",
                "gpsbabel s");
    double total = 0, babelTotal = 0;
    for (const QString& file : files) {
        FlightImportResult r;
        double cpu = 0;
        const double s = ImportSeconds(file, tmp.filePath(QStringLiteral("bench.mdb")), &r, &cpu);
        const double b = BabelSeconds(babel, file);
        total += s;
        babelTotal += b;
        std::printf("%-40s %8lld %8lld %10.3f %10.3f %10.3f\n", qPrintable(QFileInfo(file).fileName()),
                    static_cast<long long>(r.fixes), static_cast<long long>(r.pointsStored), s, cpu, b);
    }
    std::printf("%-40s %8s %8s %10.3f %10s %10.3f\n", "total", "", "", total, "", babelTotal);

    // The big file again, several times: on a shared machine one run says
    // little, the best and the middle of several say what the code costs.
    constexpr int kRuns = 7;
    std::vector<double> walls, cpus, babels;
    for (int i = 0; i < kRuns; ++i) {
        FlightImportResult r;
        double cpu = 0;
        walls.push_back(ImportSeconds(big, tmp.filePath(QStringLiteral("bench.mdb")), &r, &cpu));
        cpus.push_back(cpu);
        babels.push_back(BabelSeconds(babel, big));
    }
    const auto report = [](const char* what, std::vector<double> v) {
        std::sort(v.begin(), v.end());
        std::printf("%-22s best %6.3f  median %6.3f  worst %6.3f\n", what, v.front(), v[v.size() / 2],
                    v.back());
    };
    std::printf("\nbig-100000.igc, %d runs:\n", kRuns);
    report("import wall s", walls);
    report("import cpu s", cpus);
    report("gpsbabel wall s", babels);
    double load[3] = {};
    if (getloadavg(load, 3) == 3) std::printf("load average %.2f %.2f %.2f\n", load[0], load[1], load[2]);
    return 0;
}
