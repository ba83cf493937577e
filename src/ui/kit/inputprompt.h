#pragma once
// The input box: one line of text asked for with a prompt, behind an
// interface so that tests can type the answer.

#include <QString>
#include <optional>

class QWidget;

namespace soarnote {

class InputPrompt {
public:
    virtual ~InputPrompt() = default;
    // The text typed, or nothing when the box was cancelled. helpTopic, when
    // set, adds a Help button that opens that page of the help.
    virtual std::optional<QString> AskText(QWidget* parent, const QString& title, const QString& prompt,
                                           const QString& helpTopic = {}) = 0;
};

class DialogInputPrompt : public InputPrompt {
public:
    std::optional<QString> AskText(QWidget* parent, const QString& title, const QString& prompt,
                                   const QString& helpTopic = {}) override;
};

} // namespace soarnote
