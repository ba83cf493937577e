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
    // The same with an answer already in the box, selected so that typing
    // replaces it. Boxes without that ask with an empty box.
    virtual std::optional<QString> AskTextWithDefault(QWidget* parent, const QString& title,
                                                      const QString& prompt, const QString& initialText) {
        Q_UNUSED(initialText);
        return AskText(parent, title, prompt);
    }
};

class DialogInputPrompt : public InputPrompt {
public:
    std::optional<QString> AskText(QWidget* parent, const QString& title, const QString& prompt,
                                   const QString& helpTopic = {}) override;
    std::optional<QString> AskTextWithDefault(QWidget* parent, const QString& title, const QString& prompt,
                                              const QString& initialText) override;

private:
    std::optional<QString> Ask(QWidget* parent, const QString& title, const QString& prompt,
                               const QString& helpTopic, const QString& initialText);
};

} // namespace soarnote
