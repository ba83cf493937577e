#pragma once
// "File > Import Flights..." and "File > Export Flight": flight logs of
// today's instruments (IGC, GPX) into the open logbook, and the flight on
// show out as IGC, GPX or KML.

#include <QObject>
#include <QString>
#include <QStringList>

class QWidget;

namespace soarnote {

class LogbookSession;
class MainWindow;
class Prompts;

class ImportCommands : public QObject {
    Q_OBJECT
public:
    ImportCommands(LogbookSession& session, Prompts& prompts, QWidget* window);
    // The commands behind the window's "&Import Flights..." and "E&xport
    // Flight" items, which write to the logbook (the export saves pending
    // edits first): refused while a transfer runs or the logbook is read
    // only; a changed flight list is read again. Owned by the window.
    static ImportCommands* ConnectTo(MainWindow& window, Prompts& prompts);

    // Asks for the files (several at once), imports them one by one under a
    // progress dialog whose Cancel stops the file being read (it leaves
    // nothing) and the files after it, then shows the summary.
    void ImportFlights();
    // The same for files already chosen; returns the summary text.
    QString ImportFiles(const QStringList& paths);
    // Asks for the file; the dialog's filter chooses the format.
    void ExportFlight();
    bool Busy() const { return busy_; }

signals:
    // A flight was added or given a track: the flight list must be read again.
    void FlightsChanged();

private:
    LogbookSession& session_;
    Prompts& prompts_;
    QWidget* window_;
    bool busy_ = false;
    bool cancelled_ = false;
};

} // namespace soarnote
