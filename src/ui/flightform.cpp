#include "flightform.h"

#include "listopener.h"

#include "core/flightfields.h"
#include "core/numbertext.h"
#include "i18n/languagetable.h"

#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace soarnote {

namespace {

QLabel* Caption(QWidget* parent, const QString& text, QWidget* buddy) {
    auto* label = new QLabel(text, parent);
    label->setBuddy(buddy);
    return label;
}

FieldType TypeOf(const QString& field) {
    const FieldDef* def = LogbookTable(QStringLiteral("LogData")).Field(field);
    return def ? def->type : FieldType::Text;
}

} // namespace

FlightForm::FlightForm(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("FlightForm"));

    // Details the variometer gives.
    sol_ = new QGroupBox(QStringLiteral("Sol Log Details"), this);
    sol_->setObjectName(QStringLiteral("SolFrame"));
    QLineEdit* recordId = AddEdit("RecordID", "ID", "Record ID", "Record ID");
    recordId->setReadOnly(true);
    recordId->setFocusPolicy(Qt::ClickFocus);
    // Given by the logbook, never typed: it must not look like a box to type in.
    QPalette shown = recordId->palette();
    shown.setBrush(QPalette::Base, shown.brush(QPalette::Window));
    recordId->setPalette(shown);
    recordId->setFrame(false);
    QLineEdit* start = AddEdit("StartTime", "StartTime", "take-off date / time", "Take-off");
    QLineEdit* end = AddEdit("EndTime", "EndTime", "Landing date / time", "Landing");
    auto* flightTime = new QLineEdit(sol_);
    flightTime->setObjectName(QStringLiteral("FlightTime"));
    flightTime->setToolTip(QStringLiteral("Flight duration"));
    QLineEdit* startHeight =
        AddEdit("StartHeight", "StartHeight", "Height at take-off", "Take-off Height (m)");
    QLineEdit* maxHeight = AddEdit("MaxHeight", "MaxHeight", "Maximum height", "Max Height (m)");
    QLineEdit* minHeight = AddEdit("MinHeight", "MinHeight", "Minimum height", "Min Height (m)");
    maxGain_ = new QLabel(sol_);
    maxGain_->setObjectName(QStringLiteral("MaxGain"));
    maxGain_->setToolTip(QStringLiteral("Height gain above take-off"));
    minGain_ = new QLabel(sol_);
    minGain_->setObjectName(QStringLiteral("MinGain"));
    minGain_->setToolTip(QStringLiteral("Height loss below take-off"));
    QLineEdit* text7 = AddEdit("Text7", "MaxAscent", "Maximum ascent", "Max Climb (m/s)");
    QLineEdit* text8 = AddEdit("Text8", "MaxDescent", "Maximum descent", "Max Sink (m/s)");
    QLineEdit* text9 = AddEdit("Text9", "AveSpeed", "average speed over flight", "Ave Speed (km/h)");
    QLineEdit* text10 = AddEdit("Text10", "MinTemp", "Minimum temperature", "Min Temp (°C)");
    QLineEdit* text11 = AddEdit("Text11", "MaxTemp", "Maximum Temperature", "Max Temp (°C)");
    for (QLineEdit* e :
         {recordId, flightTime, startHeight, maxHeight, minHeight, text7, text8, text9, text10, text11})
        e->setMaximumWidth(90);

    auto* solGrid = new QGridLayout(sol_);
    solGrid->addWidget(Caption(sol_, QStringLiteral("Record ID"), recordId), 0, 0);
    solGrid->addWidget(recordId, 0, 1);
    solGrid->addWidget(Caption(sol_, QStringLiteral("Flight Time"), flightTime), 0, 2);
    solGrid->addWidget(flightTime, 0, 3);
    solGrid->addWidget(Caption(sol_, QStringLiteral("Take-off"), start), 1, 0);
    solGrid->addWidget(start, 1, 1, 1, 3);
    solGrid->addWidget(Caption(sol_, QStringLiteral("Landing"), end), 2, 0);
    solGrid->addWidget(end, 2, 1, 1, 3);
    solGrid->addWidget(Caption(sol_, QStringLiteral("Take-off Height (m)"), startHeight), 3, 0);
    solGrid->addWidget(startHeight, 3, 1);
    solGrid->addWidget(Caption(sol_, QStringLiteral("Max Height (m)"), maxHeight), 4, 0);
    solGrid->addWidget(maxHeight, 4, 1);
    solGrid->addWidget(Caption(sol_, QStringLiteral("Gain"), maxGain_), 4, 2);
    solGrid->addWidget(maxGain_, 4, 3);
    solGrid->addWidget(Caption(sol_, QStringLiteral("Min Height (m)"), minHeight), 5, 0);
    solGrid->addWidget(minHeight, 5, 1);
    solGrid->addWidget(Caption(sol_, QStringLiteral("Loss"), minGain_), 5, 2);
    solGrid->addWidget(minGain_, 5, 3);
    solGrid->addWidget(Caption(sol_, QStringLiteral("Max Climb (m/s)"), text7), 6, 0);
    solGrid->addWidget(text7, 6, 1);
    solGrid->addWidget(Caption(sol_, QStringLiteral("Max Sink (m/s)"), text8), 6, 2);
    solGrid->addWidget(text8, 6, 3);
    solGrid->addWidget(Caption(sol_, QStringLiteral("Ave Speed (km/h)"), text9), 7, 0);
    solGrid->addWidget(text9, 7, 1);
    solGrid->addWidget(Caption(sol_, QStringLiteral("Min Temp (°C)"), text10), 8, 0);
    solGrid->addWidget(text10, 8, 1);
    solGrid->addWidget(Caption(sol_, QStringLiteral("Max Temp (°C)"), text11), 8, 2);
    solGrid->addWidget(text11, 8, 3);

    // Plot offsets: lining up GPS, barograph and flight.
    offsets_ = new QGroupBox(QStringLiteral("Plot Offsets"), this);
    offsets_->setObjectName(QStringLiteral("OffsetsFrame"));
    auto* offsetTDate = new QLineEdit(offsets_);
    offsetTDate->setObjectName(QStringLiteral("OffsetTDate"));
    offsetTDate->setToolTip(QStringLiteral("GPS time -> log time (hours:minutes:seconds)"));
    QLineEdit* offsetT = AddEdit("OffsetT", "TimeOffset", "GPS time -> log time", "Days");
    QLineEdit* offsetN = AddEdit("OffsetN", "LngOffset", "GPS position -> actual position", "North");
    QLineEdit* offsetE = AddEdit("OffsetE", "LatOffset", "GPS position -> actual position", "East");
    QLineEdit* offsetH = AddEdit("OffsetH", "HeightOffset", "log height -> actual height", "Height");
    for (QLineEdit* e : {offsetN, offsetE, offsetH})
        e->setMaximumWidth(90);
    auto* offsetGrid = new QGridLayout(offsets_);
    offsetGrid->addWidget(Caption(offsets_, QStringLiteral("Time"), offsetTDate), 0, 0);
    offsetGrid->addWidget(offsetTDate, 0, 1);
    offsetGrid->addWidget(Caption(offsets_, QStringLiteral("Days"), offsetT), 0, 2);
    offsetGrid->addWidget(offsetT, 0, 3);
    offsetGrid->addWidget(Caption(offsets_, QStringLiteral("North"), offsetN), 1, 0);
    offsetGrid->addWidget(offsetN, 1, 1);
    offsetGrid->addWidget(Caption(offsets_, QStringLiteral("East"), offsetE), 1, 2);
    offsetGrid->addWidget(offsetE, 1, 3);
    offsetGrid->addWidget(Caption(offsets_, QStringLiteral("Height"), offsetH), 2, 0);
    offsetGrid->addWidget(offsetH, 2, 1);
    offsets_->hide();

    // The pilot's own details.
    personal_ = new QGroupBox(QStringLiteral("Personal Log Details"), this);
    personal_->setObjectName(QStringLiteral("PersonalFrame"));
    QComboBox* type = AddCombo("Combo1_6", "Type", "Type", "Launch method");
    QLineEdit* distance = AddEdit("Distance", "Distance", "Cross-country distance (km)", "Distance (km)");
    distance->setMaximumWidth(90);
    QComboBox* xcType = AddCombo("Combo1_5", "XCType", "XCType", "Flight Type");
    QComboBox* location = AddCombo("Combo1_4", "Location", "Locations", "Launch Location");
    QComboBox* glider = AddCombo("Combo1_1", "Glider", "Glider", "Glider Details");
    conditionsButton_ = new QPushButton(QStringLiteral("Conditions"), personal_);
    conditionsButton_->setObjectName(QStringLiteral("Command1"));
    comments_ = new QPlainTextEdit(personal_);
    comments_->setObjectName(QStringLiteral("Comments"));
    comments_->setTabChangesFocus(true);
    comments_->setMinimumHeight(48);
    texts_.push_back({comments_, QStringLiteral("Comments"), FieldType::Text, QStringLiteral("Comments")});

    auto* personalGrid = new QGridLayout(personal_);
    personalGrid->addWidget(Caption(personal_, QStringLiteral("Flight Type"), type), 0, 0);
    personalGrid->addWidget(type, 0, 1);
    personalGrid->addWidget(Caption(personal_, QStringLiteral("Distance (km)"), distance), 0, 2);
    personalGrid->addWidget(distance, 0, 3);
    personalGrid->addWidget(Caption(personal_, QStringLiteral("XC Type"), xcType), 1, 0);
    personalGrid->addWidget(xcType, 1, 1);
    personalGrid->addWidget(conditionsButton_, 1, 2, 1, 2);
    personalGrid->addWidget(Caption(personal_, QStringLiteral("Location"), location), 2, 0);
    personalGrid->addWidget(location, 2, 1, 1, 3);
    personalGrid->addWidget(Caption(personal_, QStringLiteral("Glider"), glider), 3, 0);
    personalGrid->addWidget(glider, 3, 1, 1, 3);
    personalGrid->addWidget(Caption(personal_, QStringLiteral("Comments"), comments_), 4, 0, 1, 4);
    personalGrid->addWidget(comments_, 5, 0, 1, 4);
    personalGrid->setRowStretch(5, 1);
    personalGrid->setColumnStretch(1, 1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(sol_);
    layout->addWidget(offsets_);
    layout->addWidget(personal_, 1);

    // Derived values follow the fields they come from.
    connect(start, &QLineEdit::textChanged, this, &FlightForm::UpdateFlightTime);
    connect(end, &QLineEdit::textChanged, this, &FlightForm::UpdateFlightTime);
    connect(startHeight, &QLineEdit::textChanged, this, &FlightForm::UpdateGains);
    connect(maxHeight, &QLineEdit::textChanged, this, &FlightForm::UpdateGains);
    connect(minHeight, &QLineEdit::textChanged, this, &FlightForm::UpdateGains);
    connect(offsetT, &QLineEdit::textChanged, this, &FlightForm::UpdateOffsetText);
    connect(flightTime, &QLineEdit::editingFinished, this, &FlightForm::OnFlightTimeLeft);
    connect(offsetTDate, &QLineEdit::editingFinished, this, &FlightForm::OnOffsetEntered);
    connect(conditionsButton_, &QPushButton::clicked, this, &FlightForm::ConditionsRequested);

    SetEditMode(false);
    UpdateOffsetText();
}

QLineEdit* FlightForm::AddEdit(QAnyStringView nameText, QAnyStringView fieldText, QAnyStringView toolTipText,
                               QAnyStringView captionText) {
    const QString name = nameText.toString(), field = fieldText.toString(), toolTip = toolTipText.toString(),
                  caption = captionText.toString();
    const bool offset = name.startsWith(QLatin1String("Offset"));
    const bool personal = name == QLatin1String("Distance");
    QWidget* frame = offset     ? static_cast<QWidget*>(offsets_)
                     : personal ? static_cast<QWidget*>(personal_)
                                : sol_;
    auto* edit = new QLineEdit(frame);
    edit->setObjectName(name);
    edit->setToolTip(toolTip);
    texts_.push_back({edit, field, TypeOf(field), caption});
    return edit;
}

QComboBox* FlightForm::AddCombo(QAnyStringView nameText, QAnyStringView fieldText, QAnyStringView tableText,
                                QAnyStringView toolTipText) {
    const QString name = nameText.toString(), field = fieldText.toString(), table = tableText.toString(),
                  toolTip = toolTipText.toString();
    auto* combo = new QComboBox(personal_);
    combo->setObjectName(name);
    combo->setToolTip(toolTip);
    combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    combo->setMinimumContentsLength(8);
    ListOpener::Attach(combo, [this, table] { emit LookupEditRequested(table); });
    combos_.push_back({combo, field, table});
    return combo;
}

QString FlightForm::TextOf(QWidget* w) {
    if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text();
    if (auto* p = qobject_cast<QPlainTextEdit*>(w)) return p->toPlainText();
    return {};
}

void FlightForm::SetTextOf(QWidget* w, const QString& text) {
    if (auto* e = qobject_cast<QLineEdit*>(w)) {
        e->setText(text);
        e->setCursorPosition(0);
    } else if (auto* p = qobject_cast<QPlainTextEdit*>(w)) {
        p->setPlainText(text);
    }
}

void FlightForm::SetLookup(const QString& table, const std::vector<LookupItem>& items) {
    for (const ComboBinding& b : combos_) {
        if (b.table != table) continue;
        const QVariant selected = b.combo->currentData();
        const QSignalBlocker block(b.combo);
        b.combo->clear();
        b.combo->addItem(QString()); // an empty field
        for (const LookupItem& item : items)
            b.combo->addItem(item.text, item.id);
        const int index = selected.isValid() ? b.combo->findData(selected) : 0;
        b.combo->setCurrentIndex(index < 0 ? 0 : index);
        loadedIndexes_[b.combo] = b.combo->currentIndex();
    }
}

void FlightForm::Load(const FlightRecord& flight) {
    loaded_ = flight;
    // With no flight on show (an empty logbook) there is nothing to hold what
    // is typed: the fields take no input rather than dropping it.
    const bool shown = !flight.IsEmpty();
    for (QWidget* frame :
         {static_cast<QWidget*>(sol_), static_cast<QWidget*>(offsets_), static_cast<QWidget*>(personal_)})
        frame->setEnabled(shown);
    loadedTexts_.clear();
    // Values derived from the previous flight must not stay on show when this
    // one lacks what they come from.
    Edit(QStringLiteral("FlightTime"))->clear();
    maxGain_->clear();
    minGain_->clear();
    for (const TextBinding& b : texts_) {
        const QString text = FieldText(b.type, flight.Value(b.field));
        SetTextOf(b.widget, text);
        loadedTexts_.insert(b.widget, TextOf(b.widget));
    }
    for (const ComboBinding& b : combos_) {
        const QVariant id = flight.Value(b.field);
        int index = id.isNull() ? 0 : b.combo->findData(id.toLongLong());
        b.combo->setCurrentIndex(index < 0 ? 0 : index);
        loadedIndexes_[b.combo] = b.combo->currentIndex();
    }
    loadedConditions_ = FlightConditions::Of(flight);
    conditions_ = loadedConditions_;
    // A text equal to the one shown before raises no change: derive anyway.
    UpdateFlightTime();
    UpdateGains();
    UpdateOffsetText();
    emit Loaded();
}

void FlightForm::SetCondition(FlightConditions::Field field, const QString& text) {
    // With no flight on show there is nothing to hold it.
    if (!loaded_.IsEmpty()) conditions_.SetText(field, text);
}

bool FlightForm::IsModified() const {
    for (const TextBinding& b : texts_)
        if (TextOf(b.widget) != loadedTexts_.value(b.widget)) return true;
    for (const ComboBinding& b : combos_)
        if (b.combo->currentIndex() != loadedIndexes_.value(b.combo)) return true;
    return conditions_ != loadedConditions_;
}

bool FlightForm::Collect(FlightRecord* edited, QString* problem, QWidget** badField) const {
    *edited = loaded_;
    if (loaded_.IsEmpty()) return true;
    for (const TextBinding& b : texts_) {
        const QString text = TextOf(b.widget);
        // Only fields whose text was changed are read back, so that a value
        // is never altered by being shown.
        if (text == loadedTexts_.value(b.widget) || b.field == QLatin1String("ID")) continue;
        QString reason;
        std::optional<QVariant> value = ParseFieldText(b.type, text, &reason);
        if (!value) {
            if (problem)
                *problem =
                    QStringLiteral("%1: \"%2\" - %3").arg(Translate(b.caption), text, Translate(reason));
            if (badField) *badField = b.widget;
            return false;
        }
        edited->SetValue(b.field, *value);
        // A landing before the take-off is refused where it was typed; a
        // stored flight like that still shows, with a negative flight time.
        if ((b.field == QLatin1String("StartTime") || b.field == QLatin1String("EndTime")) &&
            LandingBeforeTakeOff(edited->Value(QStringLiteral("StartTime")),
                                 edited->Value(QStringLiteral("EndTime")))) {
            if (problem)
                *problem =
                    QStringLiteral("%1: \"%2\" - %3")
                        .arg(Translate(b.caption), text, Translate("the landing is before the take-off"));
            if (badField) *badField = b.widget;
            return false;
        }
    }
    for (const ComboBinding& b : combos_) {
        if (b.combo->currentIndex() == loadedIndexes_.value(b.combo)) continue;
        const QVariant id = b.combo->currentData();
        edited->SetValue(b.field, id.isValid() ? QVariant(id.toLongLong()) : QVariant());
    }
    FlightConditions::Field badCondition = FlightConditions::Weather;
    QString reason;
    if (!conditions_.ApplyTo(edited, loadedConditions_, &badCondition, &reason)) {
        if (problem)
            *problem = QStringLiteral("%1: \"%2\" - %3")
                           .arg(Translate(FlightConditions::Caption(badCondition)),
                                conditions_.Text(badCondition), Translate(reason));
        // Typed in the conditions window: the button beside the fields opens it.
        if (badField) *badField = conditionsButton_;
        return false;
    }
    return true;
}

void FlightForm::SetEditMode(bool on) {
    editMode_ = on;
    for (QWidget* w : SolControls())
        w->setEnabled(on);
}

QList<QWidget*> FlightForm::SolControls() const {
    QList<QWidget*> controls;
    for (const char* name : {"StartHeight", "MaxHeight", "MinHeight", "StartTime", "EndTime", "Text7",
                             "Text8", "Text9", "Text10", "Text11", "FlightTime"})
        controls << Control(QString::fromLatin1(name));
    return controls;
}

void FlightForm::ShowOffsets(bool show) {
    offsets_->setVisible(show);
}
bool FlightForm::OffsetsShown() const {
    return !offsets_->isHidden();
}

QWidget* FlightForm::Control(const QString& name) const {
    return findChild<QWidget*>(name);
}
QLineEdit* FlightForm::Edit(const QString& name) const {
    return findChild<QLineEdit*>(name);
}
QLabel* FlightForm::Label(const QString& name) const {
    return findChild<QLabel*>(name);
}
QComboBox* FlightForm::Combo(const QString& name) const {
    return findChild<QComboBox*>(name);
}

void FlightForm::UpdateFlightTime() {
    if (std::optional<QString> text = FlightTimeText(Edit(QStringLiteral("StartTime"))->text(),
                                                     Edit(QStringLiteral("EndTime"))->text()))
        Edit(QStringLiteral("FlightTime"))->setText(*text);
}

void FlightForm::UpdateGains() {
    const QString start = Edit(QStringLiteral("StartHeight"))->text();
    if (std::optional<QString> gain = HeightDifferenceText(Edit(QStringLiteral("MaxHeight"))->text(), start))
        maxGain_->setText(*gain);
    if (std::optional<QString> loss = HeightDifferenceText(Edit(QStringLiteral("MinHeight"))->text(), start))
        minGain_->setText(*loss);
}

void FlightForm::UpdateOffsetText() {
    Edit(QStringLiteral("OffsetTDate"))->setText(OffsetDisplayText(Edit(QStringLiteral("OffsetT"))->text()));
}

void FlightForm::OnFlightTimeLeft() {
    QLineEdit* flightTime = Edit(QStringLiteral("FlightTime"));
    // Only a duration the pilot typed moves the landing time; passing through
    // the box must not round the landing time to the minute.
    if (!flightTime->isModified()) return;
    flightTime->setModified(false);
    if (std::optional<QString> end =
            EndTimeText(Edit(QStringLiteral("StartTime"))->text(), flightTime->text()))
        Edit(QStringLiteral("EndTime"))->setText(*end);
}

void FlightForm::OnOffsetEntered() {
    QLineEdit* box = Edit(QStringLiteral("OffsetTDate"));
    if (!box->isModified()) return;
    box->setModified(false);
    QLineEdit* offset = Edit(QStringLiteral("OffsetT"));
    if (const std::optional<double> days = ParseOffsetEntry(box->text()))
        offset->setText(PlainNumberText(*days));
    else
        box->setText(OffsetDisplayText(offset->text())); // refused: the stored offset stays
}

} // namespace soarnote
