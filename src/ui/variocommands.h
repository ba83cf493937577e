#pragma once
// The "Vario" menu's downloads: "&Update Log" (Ctrl+U, toolbar "Update
// Vario"), "Get &All Entry" and "Get &Barograph" (toolbar "Update
// Barograph"). Asks what the downloads need to know, reports on the "Info"
// panel and tells the window when flights were stored.

#include <QObject>
#include <memory>

class QLabel;
class QProgressBar;
class QWidget;

namespace soarnote {

class InputPrompt;
class LogbookSession;
class Prompts;
class SettingsStore;
class VarioConnection;

class VarioCommands : public QObject {
    Q_OBJECT
public:
    // Everything is borrowed and must outlive the commands.
    VarioCommands(LogbookSession& session, SettingsStore& settings, Prompts& prompts, QLabel* infoPanel,
                  QWidget* window);
    ~VarioCommands() override;

    // A transfer runs (or is being started): another download waits.
    bool Busy() const;
    // A progress bar for the status bar, shown while a download runs.
    QProgressBar* ProgressBar();

    // Asks for the time the instrument shows and keeps the clock offset;
    // false (and the status says why) when no valid time was entered.
    bool AskVarioDisplayTime();

    // Tests type their answers here; the real input box otherwise.
    void SetInputPrompt(InputPrompt* prompt);
    VarioConnection& Connection() { return *connection_; }

public slots:
    // Stops a running download or import: the port is closed, what was stored
    // stays stored, and the status says it was cancelled.
    void CancelTransfer();
    void DownloadVarioLog();
    void DownloadAllVarioLog();
    void DownloadBarographs();

signals:
    // Flights or barograph samples were stored: the window re-reads its flights.
    void FlightsChanged();
    // A download ended.
    void Finished();

private:
    void StartLogDownload(bool allEntries);
    void ReportStatus(const QString& text);
    void UpdateProgress();
    // "3 flights, 2 barograph traces added".
    QString AddedText() const;

    LogbookSession& session_;
    SettingsStore& settings_;
    Prompts& prompts_;
    QLabel* info_;
    QWidget* window_;
    std::unique_ptr<VarioConnection> connection_;
    std::unique_ptr<InputPrompt> dialogInput_;
    InputPrompt* input_;
    QProgressBar* progress_ = nullptr;
    bool starting_ = false;
};

} // namespace soarnote
