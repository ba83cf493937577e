#include "inputprompt.h"

#include "helpwindow.h"
#include "i18n/languagetable.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace soarnote {

std::optional<QString> DialogInputPrompt::AskText(QWidget* parent, const QString& title,
                                                  const QString& prompt, const QString& helpTopic) {
    return Ask(parent, title, prompt, helpTopic, QString());
}

std::optional<QString> DialogInputPrompt::AskTextWithDefault(QWidget* parent, const QString& title,
                                                             const QString& prompt,
                                                             const QString& initialText) {
    return Ask(parent, title, prompt, QString(), initialText);
}

std::optional<QString> DialogInputPrompt::Ask(QWidget* parent, const QString& title, const QString& prompt,
                                              const QString& helpTopic, const QString& initialText) {
    QDialog box(parent);
    box.setWindowTitle(title.isEmpty() ? QStringLiteral("Soarnote") : title);
    auto* layout = new QVBoxLayout(&box);
    auto* label = new QLabel(prompt, &box);
    label->setWordWrap(true);
    auto* edit = new QLineEdit(initialText, &box);
    edit->selectAll();
    label->setBuddy(edit);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &box);
    if (!helpTopic.isEmpty()) {
        QPushButton* help = buttons->addButton(Translate("Help"), QDialogButtonBox::HelpRole);
        QObject::connect(help, &QPushButton::clicked, &box,
                         [&box, helpTopic] { HelpWindow::ShowTopic(&box, helpTopic); });
    }
    QObject::connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &box, &QDialog::reject);
    layout->addWidget(label);
    layout->addWidget(edit);
    layout->addWidget(buttons);
    if (box.exec() != QDialog::Accepted) return std::nullopt;
    return edit->text();
}

} // namespace soarnote
