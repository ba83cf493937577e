#include "prompts.h"

#include "helpwindow.h"
#include "i18n/languagetable.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QPushButton>

namespace soarnote {

QString FileDialogFilter(const QString& pairs) {
    const QStringList parts = pairs.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts.at(i);
        // "(*.*)" means every file; Qt spells that "*".
        description.replace(QLatin1String("*.*"), QLatin1String("*"));
        QString patterns = parts.at(i + 1);
        patterns.replace(QLatin1String("*.*"), QLatin1String("*"));
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        if (!description.contains(QLatin1Char('(')))
            description += QStringLiteral(" (%1)").arg(patterns);
        else
            description = description.left(description.indexOf(QLatin1Char('('))) +
                          QStringLiteral("(%1)").arg(patterns);
        filters << description;
    }
    return filters.join(QStringLiteral(";;"));
}

QString DialogPrompts::OpenFileName(QWidget* parent, const QString& title, const QString& filter) {
    return QFileDialog::getOpenFileName(parent, title, QString(), FileDialogFilter(filter));
}

QString DialogPrompts::OpenFileNameAt(QWidget* parent, const QString& title, const QString& filter,
                                      const QString& startAt) {
    return QFileDialog::getOpenFileName(parent, title, startAt, FileDialogFilter(filter));
}

std::optional<QColor> DialogPrompts::ChooseColor(QWidget* parent, const QColor& initial) {
    const QColor chosen = QColorDialog::getColor(initial, parent);
    if (!chosen.isValid()) return std::nullopt;
    return chosen;
}

QString DialogPrompts::SaveFileName(QWidget* parent, const QString& title, const QString& filter) {
    // The commands ask their own "Replace existing file" question.
    QString name = QFileDialog::getSaveFileName(parent, title, QString(), FileDialogFilter(filter), nullptr,
                                                QFileDialog::DontConfirmOverwrite);
    if (!name.isEmpty() && QFileInfo(name).suffix().isEmpty() && !QFileInfo::exists(name))
        name += QStringLiteral(".mdb");
    return name;
}

QStringList DialogPrompts::OpenFileNames(QWidget* parent, const QString& title, const QString& filter) {
    return QFileDialog::getOpenFileNames(parent, title, QString(), FileDialogFilter(filter));
}

QString DialogPrompts::SaveFileNameFiltered(QWidget* parent, const QString& title, const QString& filter,
                                            QString* chosenFilter) {
    return QFileDialog::getSaveFileName(parent, title, QString(), FileDialogFilter(filter), chosenFilter,
                                        QFileDialog::DontConfirmOverwrite);
}

QMessageBox::StandardButton DialogPrompts::Ask(QWidget* parent, const QString& title, const QString& text,
                                               QMessageBox::StandardButtons buttons, QMessageBox::Icon icon,
                                               const QString& helpTopic) {
    for (;;) {
        QMessageBox box(icon, title.isEmpty() ? QStringLiteral("Soarnote") : title, text, buttons, parent);
        QAbstractButton* help = nullptr;
        if (!helpTopic.isEmpty()) help = box.addButton(Translate("Help"), QMessageBox::HelpRole);
        const int result = box.exec();
        if (help && box.clickedButton() == help) {
            HelpWindow::ShowTopic(parent, helpTopic);
            continue;
        }
        return static_cast<QMessageBox::StandardButton>(result);
    }
}

} // namespace soarnote
