#pragma once
// The questions, messages and file dialogs of the windows, behind one
// interface so that tests can answer them.

#include <QColor>
#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <optional>

class QWidget;

namespace soarnote {

class Prompts {
public:
    virtual ~Prompts() = default;
    // Empty when the user chose no file.
    virtual QString OpenFileName(QWidget* parent, const QString& title, const QString& filter) = 0;
    virtual QString SaveFileName(QWidget* parent, const QString& title, const QString& filter) = 0;
    // An open dialog that starts at a file (or folder) already chosen.
    virtual QString OpenFileNameAt(QWidget* parent, const QString& title, const QString& filter,
                                   const QString& startAt) {
        Q_UNUSED(startAt);
        return OpenFileName(parent, title, filter);
    }
    // Several files at once; empty when the user chose none.
    virtual QStringList OpenFileNames(QWidget* parent, const QString& title, const QString& filter) {
        const QString one = OpenFileName(parent, title, filter);
        return one.isEmpty() ? QStringList() : QStringList{one};
    }
    // A save dialog that also tells which of the filter's entries was chosen
    // (the "Name (*.ext)" text); no suffix is added to the name.
    virtual QString SaveFileNameFiltered(QWidget* parent, const QString& title, const QString& filter,
                                         QString* chosenFilter) {
        if (chosenFilter) chosenFilter->clear();
        return SaveFileName(parent, title, filter);
    }
    // The colour dialog; nothing when the user cancelled it.
    virtual std::optional<QColor> ChooseColor(QWidget* parent, const QColor& initial) {
        Q_UNUSED(parent);
        Q_UNUSED(initial);
        return std::nullopt;
    }
    // A question or message; returns the button chosen (Cancel/Escape as the
    // Cancel or No button given). helpTopic, when set, adds a Help button that
    // opens that page of the help without closing the box.
    virtual QMessageBox::StandardButton Ask(QWidget* parent, const QString& title, const QString& text,
                                            QMessageBox::StandardButtons buttons, QMessageBox::Icon icon,
                                            const QString& helpTopic = {}) = 0;
    void Inform(QWidget* parent, const QString& title, const QString& text,
                QMessageBox::Icon icon = QMessageBox::Information) {
        Ask(parent, title, text, QMessageBox::Ok, icon);
    }
};

// The real dialogs.
class DialogPrompts : public Prompts {
public:
    QString OpenFileName(QWidget* parent, const QString& title, const QString& filter) override;
    QString SaveFileName(QWidget* parent, const QString& title, const QString& filter) override;
    QString OpenFileNameAt(QWidget* parent, const QString& title, const QString& filter,
                           const QString& startAt) override;
    std::optional<QColor> ChooseColor(QWidget* parent, const QColor& initial) override;
    QStringList OpenFileNames(QWidget* parent, const QString& title, const QString& filter) override;
    QString SaveFileNameFiltered(QWidget* parent, const QString& title, const QString& filter,
                                 QString* chosenFilter) override;
    QMessageBox::StandardButton Ask(QWidget* parent, const QString& title, const QString& text,
                                    QMessageBox::StandardButtons buttons, QMessageBox::Icon icon,
                                    const QString& helpTopic = {}) override;
};

// "Database Files (*.mdb)|*.mdb|All Files (*.*)|*.*" -> a Qt file dialog filter.
QString FileDialogFilter(const QString& pairs);

} // namespace soarnote
