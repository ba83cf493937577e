#pragma once
// Scripted answers for the windows' questions and file dialogs.

#include "ui/kit/prompts.h"

#include <QList>
#include <QStringList>
#include <functional>

struct AskedQuestion {
    QString title;
    QString text;
    QMessageBox::StandardButtons buttons;
    QString helpTopic;
};

class FakePrompts : public soarnote::Prompts {
public:
    QStringList fileNames;                      // answers of the file dialogs, in order
    QList<QMessageBox::StandardButton> answers; // answers of the questions, in order
    QMessageBox::StandardButton otherwise = QMessageBox::Ok;
    QList<AskedQuestion> asked;
    std::function<void()> whileAsking; // runs while a question is open, as events do
    QStringList dialogTitles;
    QStringList startPaths; // where the open dialogs that start at a file started
    QList<QColor> colors;   // answers of the colour dialog; none left: cancelled

    QString OpenFileName(QWidget*, const QString& title, const QString&) override { return NextFile(title); }
    QString SaveFileName(QWidget*, const QString& title, const QString&) override { return NextFile(title); }
    QString OpenFileNameAt(QWidget*, const QString& title, const QString&, const QString& startAt) override {
        startPaths << startAt;
        return NextFile(title);
    }
    std::optional<QColor> ChooseColor(QWidget*, const QColor&) override {
        if (colors.isEmpty()) return std::nullopt;
        return colors.takeFirst();
    }
    QMessageBox::StandardButton Ask(QWidget*, const QString& title, const QString& text,
                                    QMessageBox::StandardButtons buttons, QMessageBox::Icon,
                                    const QString& helpTopic) override {
        asked.append({title, text, buttons, helpTopic});
        if (whileAsking) whileAsking();
        return answers.isEmpty() ? otherwise : answers.takeFirst();
    }

private:
    QString NextFile(const QString& title) {
        dialogTitles << title;
        return fileNames.isEmpty() ? QString() : fileNames.takeFirst();
    }
};
