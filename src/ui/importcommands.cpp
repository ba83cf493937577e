#include "importcommands.h"

#include "kit/prompts.h"

#include "core/flightexport.h"
#include "core/flightimport.h"
#include "core/logbooksession.h"
#include "core/numbertext.h"
#include "i18n/languagetable.h"
#include "mainwindow.h"

#include <QAction>
#include <QCoreApplication>
#include <QFileInfo>
#include <QProgressDialog>
#include <QSaveFile>

namespace soarnote {

namespace {

QString ImportFilter() {
    return Translate("Flight Logs") + QStringLiteral(" (*.igc *.gpx)|*.igc;*.gpx|") + Translate("IGC Files") +
           QStringLiteral(" (*.igc)|*.igc|") + Translate("GPX Files") + QStringLiteral(" (*.gpx)|*.gpx|") +
           Translate("All Files") + QStringLiteral(" (*.*)|*.*");
}

struct ExportChoice {
    ExportFormat format;
    const char* name;
    const char* suffix;
};
constexpr ExportChoice kExportChoices[] = {
    {ExportFormat::Igc, "IGC Files", "igc"},
    {ExportFormat::Gpx, "GPX 1.1 Files", "gpx"},
    {ExportFormat::Kml, "KML 2.2 Files", "kml"},
};

} // namespace

ImportCommands::ImportCommands(LogbookSession& session, Prompts& prompts, QWidget* window)
    : QObject(window), session_(session), prompts_(prompts), window_(window) {}

ImportCommands* ImportCommands::ConnectTo(MainWindow& window, Prompts& prompts) {
    auto* commands = new ImportCommands(window.Session(), prompts, &window);
    const std::pair<const char*, void (ImportCommands::*)()> items[] = {
        {"&Import Flights...", &ImportCommands::ImportFlights},
        {"E&xport Flight", &ImportCommands::ExportFlight}};
    for (const auto& [caption, slot] : items) {
        QAction* item = window.MenuItem(QString::fromLatin1(caption));
        item->setEnabled(true);
        connect(item, &QAction::triggered, commands, [&window, commands, slot = slot] {
            if (!window.TransferRunning() && !window.RefuseReadOnly()) (commands->*slot)();
        });
    }
    connect(commands, &ImportCommands::FlightsChanged, &window, [&window] {
        if (window.Session().Flights().Refresh()) window.Session().Flights().MoveLast();
        window.RefreshPlotCommand();
    });
    window.AddTransferCheck([commands] { return commands->Busy(); }, [] {});
    window.Attach(commands);
    return commands;
}

void ImportCommands::ImportFlights() {
    if (busy_ || !session_.IsOpen()) return;
    const QStringList paths = prompts_.OpenFileNames(window_, Translate("Import Flights"), ImportFilter());
    if (paths.isEmpty()) return;
    const QString summary = ImportFiles(paths);
    prompts_.Inform(window_, Translate("Import Flights"), summary);
}

QString ImportCommands::ImportFiles(const QStringList& paths) {
    busy_ = true;
    cancelled_ = false;
    // Pending edits of the flight on show go in before the list changes.
    session_.Flights().CommitPending();
    qint64 total = 0;
    for (const QString& path : paths)
        total += std::max<qint64>(1, QFileInfo(path).size());
    // The bar counts bytes over all files, in thousandths.
    QProgressDialog dialog(Translate("Importing Flights"), Translate("Cancel"), 0, 1000, window_);
    dialog.setObjectName(QStringLiteral("FlightImportProgress"));
    dialog.setWindowTitle(Translate("Import Flights"));
    dialog.setWindowModality(Qt::WindowModal);
    dialog.setAutoReset(false);
    dialog.setAutoClose(false);
    dialog.setMinimumDuration(500);
    connect(&dialog, &QProgressDialog::canceled, this, [this] { cancelled_ = true; });

    QStringList lines;
    int added = 0, already = 0, refused = 0;
    qint64 doneBefore = 0;
    for (const QString& path : paths) {
        if (cancelled_) break;
        dialog.setLabelText(Translate("Importing") + QLatin1Char(' ') + QFileInfo(path).fileName());
        const auto progress = [&](qint64 done, qint64) {
            dialog.setValue(static_cast<int>(std::min<qint64>(1000, (doneBefore + done) * 1000 / total)));
            QCoreApplication::processEvents();
            return !cancelled_;
        };
        const FlightImportResult result = ImportFlightFile(session_.Db(), path, {}, progress);
        doneBefore += std::max<qint64>(1, QFileInfo(path).size());
        lines << result.Text();
        switch (result.outcome) {
        case FlightImportResult::Outcome::Added:
            ++added;
            break;
        case FlightImportResult::Outcome::AlreadyStored:
            ++already;
            break;
        case FlightImportResult::Outcome::Refused:
            ++refused;
            break;
        case FlightImportResult::Outcome::Cancelled:
            break;
        }
    }
    dialog.close();
    busy_ = false;
    if (added > 0) emit FlightsChanged();
    lines << QString()
          << Translate("Added:") + NumberText(added) + QStringLiteral(", ") +
                 Translate("already in the logbook:") + NumberText(already) + QStringLiteral(", ") +
                 Translate("refused:") + NumberText(refused);
    return lines.join(QLatin1Char('\n'));
}

void ImportCommands::ExportFlight() {
    if (busy_ || !session_.IsOpen()) return;
    const QString title = Translate("Export Flight");
    if (!session_.Flights().HasCurrent()) {
        prompts_.Inform(window_, title, Translate(ExportProblemText(ExportProblem::NoFlight)));
        return;
    }
    session_.Flights().CommitPending();
    ExportProblem problem = ExportProblem::None;
    std::optional<soarnote::ExportFlight> flight =
        ReadExportFlight(session_.Db(), session_.Flights().Current().Id(), &problem);
    if (!flight) {
        prompts_.Inform(window_, title, Translate(ExportProblemText(problem)), QMessageBox::Warning);
        return;
    }
    flight->takeOffLabel = Translate("Take-off");
    flight->landingLabel = Translate("Landing");

    QStringList filters;
    for (const ExportChoice& c : kExportChoices)
        filters << Translate(c.name) + QStringLiteral(" (*.") + QLatin1String(c.suffix) +
                       QStringLiteral(")|*.") + QLatin1String(c.suffix);
    QString chosenFilter;
    QString path =
        prompts_.SaveFileNameFiltered(window_, title, filters.join(QLatin1Char('|')), &chosenFilter);
    if (path.isEmpty()) return;
    const ExportChoice* choice = &kExportChoices[0];
    for (const ExportChoice& c : kExportChoices)
        if (chosenFilter.contains(QStringLiteral("*.") + QLatin1String(c.suffix))) choice = &c;
    if (QFileInfo(path).suffix().compare(QLatin1String(choice->suffix), Qt::CaseInsensitive) != 0)
        path += QLatin1Char('.') + QLatin1String(choice->suffix);
    if (QFileInfo::exists(path) &&
        prompts_.Ask(window_, title, Translate("Replace existing file?") + QLatin1Char('\n') + path,
                     QMessageBox::Yes | QMessageBox::No, QMessageBox::Question) != QMessageBox::Yes)
        return;
    // Written whole or not at all: an older file of that name stays intact
    // when the disk is full.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(WriteFlight(*flight, choice->format)) < 0 ||
        !file.commit()) {
        prompts_.Inform(window_, title,
                        Translate("The file could not be written") + QStringLiteral(": ") + path +
                            QLatin1Char('\n') + file.errorString(),
                        QMessageBox::Warning);
    }
}

} // namespace soarnote
