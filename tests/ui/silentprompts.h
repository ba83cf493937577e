#pragma once
// Prompts for the screenshot tools: no dialog opens, every question gets the
// same answer (Cancel unless told otherwise).

#include "ui/kit/prompts.h"

class SilentPrompts : public soarnote::Prompts {
public:
    explicit SilentPrompts(QMessageBox::StandardButton answer = QMessageBox::Cancel) : answer_(answer) {}
    QString OpenFileName(QWidget*, const QString&, const QString&) override { return {}; }
    QString SaveFileName(QWidget*, const QString&, const QString&) override { return {}; }
    QMessageBox::StandardButton Ask(QWidget*, const QString&, const QString&, QMessageBox::StandardButtons,
                                    QMessageBox::Icon, const QString&) override {
        return answer_;
    }

private:
    QMessageBox::StandardButton answer_;
};
