#include "conditionswindow.h"

#include "listopener.h"
#include "translateform.h"

#include "core/numbertext.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

namespace soarnote {

namespace {
// Which field each text box edits, and which list each list is.
constexpr FlightConditions::Field kBoxFields[] = {FlightConditions::CloudCover, FlightConditions::CloudBase,
                                                  FlightConditions::WindSpeed};
constexpr FlightConditions::Field kListFields[] = {FlightConditions::Weather, FlightConditions::Wind};
const char* const kListTables[] = {"Weather", "Wind"};
const char* const kListTags[] = {"Weather Conditions", "Wind Details"};
} // namespace

ConditionsWindow::ConditionsWindow(QWidget* owner) : QWidget(owner, Qt::Window) {
    setObjectName(QStringLiteral("frmConditions"));
    setWindowTitle(QStringLiteral("Conditions"));
    if (owner) setWindowIcon(owner->windowIcon());

    for (int i = 0; i < 2; ++i) {
        auto* list = new QComboBox(this);
        list->setObjectName(QStringLiteral("Combo1_%1").arg(i));
        list->setProperty("tag", QString::fromLatin1(kListTags[i]));
        list->setToolTip(QString::fromLatin1(kListTags[i]));
        list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        list->setMinimumContentsLength(18);
        ListOpener::Attach(list, [this, i] {
            emit TableEditRequested(QString::fromLatin1(kListTables[i]), QString::fromLatin1(kListTags[i]));
        });
        lists_[i] = list;
        const FlightConditions::Field field = kListFields[i];
        connect(list, &QComboBox::currentIndexChanged, this, [this, list, field] {
            if (!showing_) emit ConditionEdited(field, IdText(list));
        });
    }
    const char* tips[] = {"Cloud cover", "Cloud base", "Wind speed"};
    for (int i = 0; i < 3; ++i) {
        auto* box = new QLineEdit(this);
        box->setObjectName(QStringLiteral("Text1_%1").arg(i));
        box->setToolTip(QString::fromLatin1(tips[i]));
        box->setMaximumWidth(box->fontMetrics().horizontalAdvance(QStringLiteral("0000000000")));
        boxes_[i] = box;
        const FlightConditions::Field field = kBoxFields[i];
        // Forwarded as typed: whether the text fits is decided when the flight is saved.
        connect(box, &QLineEdit::textChanged, this, [this, field](const QString& text) {
            if (!showing_) emit ConditionEdited(field, text);
        });
    }

    auto* grid = new QGridLayout(this);
    auto addRow = [this, grid](int row, const char* caption, QWidget* field) {
        auto* label = new QLabel(QString::fromLatin1(caption), this);
        label->setBuddy(field);
        grid->addWidget(label, row, 0);
        grid->addWidget(field, row, 1);
    };
    addRow(0, "Weather", lists_[0]);
    addRow(1, "Cloud Cover", boxes_[0]);
    addRow(2, "Cloud Base", boxes_[1]);
    addRow(3, "Wind", lists_[1]);
    addRow(4, "Wind Speed", boxes_[2]);
    grid->setColumnStretch(1, 1);
    grid->setSizeConstraint(QLayout::SetFixedSize);

    TranslateForm(this, true);
}

QLineEdit* ConditionsWindow::Box(FlightConditions::Field field) const {
    for (size_t i = 0; i < boxes_.size(); ++i)
        if (kBoxFields[i] == field) return boxes_[i];
    return nullptr;
}

void ConditionsWindow::FillList(QComboBox* list, const std::vector<LookupItem>& items) {
    const QVariant selected = list->currentData();
    const QSignalBlocker block(list);
    list->clear();
    list->addItem(QString()); // no entry chosen
    for (const LookupItem& item : items)
        list->addItem(item.text, item.id);
    const int index = selected.isValid() ? list->findData(selected) : 0;
    list->setCurrentIndex(index < 0 ? 0 : index);
}

void ConditionsWindow::SetWeatherItems(const std::vector<LookupItem>& items) {
    FillList(lists_[0], items);
}
void ConditionsWindow::SetWindItems(const std::vector<LookupItem>& items) {
    FillList(lists_[1], items);
}

QString ConditionsWindow::IdText(const QComboBox* list) {
    const QVariant id = list->currentData();
    return id.isValid() ? PlainNumberText(id.toDouble()) : QString();
}

void ConditionsWindow::ShowConditions(const FlightConditions& conditions) {
    showing_ = true;
    for (size_t i = 0; i < lists_.size(); ++i) {
        bool ok = false;
        const qint64 id = conditions.Text(kListFields[i]).trimmed().toLongLong(&ok);
        const int index = ok ? lists_[i]->findData(id) : -1;
        lists_[i]->setCurrentIndex(index < 0 ? 0 : index);
    }
    for (size_t i = 0; i < boxes_.size(); ++i) {
        boxes_[i]->setText(conditions.Text(kBoxFields[i]));
        boxes_[i]->setCursorPosition(0);
    }
    showing_ = false;
}

void ConditionsWindow::SetFlightShown(bool shown) {
    for (QComboBox* list : lists_)
        list->setEnabled(shown);
    for (QLineEdit* box : boxes_)
        box->setEnabled(shown);
}

FlightConditions ConditionsWindow::Conditions() const {
    FlightConditions conditions;
    for (size_t i = 0; i < lists_.size(); ++i)
        conditions.SetText(kListFields[i], IdText(lists_[i]));
    for (size_t i = 0; i < boxes_.size(); ++i)
        conditions.SetText(kBoxFields[i], boxes_[i]->text());
    return conditions;
}

void ConditionsWindow::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    emit Closed();
}

} // namespace soarnote
