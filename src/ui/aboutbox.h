#pragma once
// The about box: the program's name and version, and the system information
// a bug report needs (program and Qt versions, operating system, OpenGL
// renderer, serial ports, the open logbook), ready to copy.

#include <QDialog>
#include <QPointer>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace soarnote {

class AboutBox : public QDialog {
    Q_OBJECT
public:
    // logbookPath: the open logbook (empty when none is open).
    explicit AboutBox(const QString& logbookPath, QWidget* parent = nullptr);

    // "Version 1.2.3" from a version text, each part a plain decimal number.
    static QString VersionText(const QString& version);
    // The facts shown by the system information button, one per line.
    static QString SystemInformation(const QString& logbookPath);
    // The renderer of an OpenGL context, or "unknown" where none can be made
    // (no display, or a platform without OpenGL).
    static QString OpenGlRenderer();

    // The system information button: shows the facts with a Copy button.
    void ShowSystemInformation();

    QLabel* Title() const { return title_; }
    QLabel* Version() const { return version_; }
    QPushButton* OkButton() const { return ok_; }
    QPushButton* SystemInfoButton() const { return sysInfo_; }
    QDialog* SystemInformationDialog() const { return sysInfoDialog_; }

private:
    QString logbookPath_;
    QLabel* title_ = nullptr;
    QLabel* version_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* sysInfo_ = nullptr;
    QPointer<QDialog> sysInfoDialog_;
};

} // namespace soarnote
