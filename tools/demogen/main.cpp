// soarnote-demogen: builds the files the program ships with in its folder:
// the template logbook new logbooks are copied from, the demo logbook, and an
// empty language table.
//
//   soarnote-demogen <terrain .demefs file> <output folder>

#include "demolandscapes.h"
#include "demologbook.h"
#include "demoseason.h"
#include "terraingrid.h"

#include "core/logbookfiles.h"
#include "i18n/languagetable.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <algorithm>
#include <cstdio>

namespace {

// Any fixed number: the demo logbook must come out the same on every build.
constexpr std::uint32_t kDemoSeed = 20250412u;

int Failed(const QString& message, const QStringList& partialFiles = {}) {
    for (const QString& file : partialFiles)
        demogen::RemoveLogbookFile(file, nullptr);
    std::fprintf(stderr, "soarnote-demogen: %s\n", qPrintable(message));
    return 1;
}

bool WriteTemplate(const QString& path, QString* error) {
    demogen::DemoLogbook logbook;
    if (!logbook.Create(path, error) || !logbook.Finish(error)) {
        logbook.Discard();
        return false;
    }
    return true;
}

bool WriteDemo(const QString& path, const demogen::DemoSeason& season,
               const QHash<QString, QString>& landFiles, demogen::LogbookFigures* figures, QString* error) {
    std::vector<QString> sites;
    for (const demogen::DemoSite& site : demogen::DemoSeason::Sites())
        sites.push_back(QString::fromLatin1(site.name));
    std::vector<QString> gliders;
    for (const demogen::DemoGlider& glider : demogen::DemoSeason::Gliders())
        gliders.push_back(QString::fromLatin1(glider.makeModel));

    demogen::DemoLogbook logbook;
    bool ok =
        logbook.Create(path, error) && logbook.AddSites(sites, error) && logbook.AddGliders(gliders, error);
    for (const demogen::DemoFlight& flight : season.Flights())
        ok = ok && logbook.AddFlight(flight, landFiles.value(flight.location), error);
    *figures = logbook.Figures();
    ok = ok && logbook.Finish(error);
    if (!ok) logbook.Discard();
    return ok;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 3)
        return Failed(QStringLiteral("usage: soarnote-demogen <terrain .demefs file> <output folder>"));

    QElapsedTimer timer;
    timer.start();
    QString error;
    demogen::TerrainGrid terrain;
    if (!terrain.Load(args[1], &error)) return Failed(error);

    const QDir folder(args[2]);
    if (!QDir().mkpath(folder.absolutePath()))
        return Failed(QStringLiteral("Cannot create the folder %1").arg(folder.absolutePath()));
    const QString templatePath = folder.absoluteFilePath(QString::fromLatin1(soarnote::kTemplateFileName));
    const QString demoPath = folder.absoluteFilePath(QString::fromLatin1(soarnote::kDemoFileName));
    const QString languagePath = folder.absoluteFilePath(QStringLiteral("translate.mdl"));

    if (!WriteTemplate(templatePath, &error))
        return Failed(QStringLiteral("%1: %2").arg(templatePath, error), {templatePath});
    std::printf("%s: empty logbook with lookup rows\n", qPrintable(templatePath));

    demogen::DemoSeason season(terrain, kDemoSeed);
    if (!season.Plan(&error)) return Failed(error, {templatePath});
    QHash<QString, QString> landFiles;
    if (!demogen::WriteSiteLandscapes(terrain, season, folder.absolutePath(), &landFiles, &error))
        return Failed(error, {templatePath});
    std::printf("%lld site landscapes\n", static_cast<long long>(landFiles.size()));
    demogen::LogbookFigures figures;
    if (!WriteDemo(demoPath, season, landFiles, &figures, &error))
        return Failed(QStringLiteral("%1: %2").arg(demoPath, error), {templatePath, demoPath});
    double lowest = 1e9;
    int longest = 0;
    int shortest = 1 << 30;
    for (const demogen::DemoFlight& flight : season.Flights()) {
        lowest = std::min(lowest, flight.flight.minClearance);
        longest = std::max(longest, flight.flight.DurationSeconds());
        shortest = std::min(shortest, flight.flight.DurationSeconds());
    }
    std::printf("%s: %d flights (%d to %d min), %d tracks, %d track points, %d barograph samples; "
                "lowest en route %.0f m over the ground\n",
                qPrintable(demoPath), figures.flights, shortest / 60, longest / 60, figures.tracks,
                figures.trackPoints, figures.baroSamples, lowest);

    demogen::RemoveLogbookFile(languagePath, nullptr);
    if (!soarnote::LanguageTable::Create(languagePath, &error))
        return Failed(QStringLiteral("%1: %2").arg(languagePath, error),
                      {templatePath, demoPath, languagePath});
    std::printf("%s: empty language table\n", qPrintable(languagePath));
    std::printf("done in %lld ms\n", static_cast<long long>(timer.elapsed()));
    return 0;
}
