#pragma once
// The three frames of the main window that show the current flight: the
// pilot's own details (always editable), the details the variometer gives
// (editable in edit mode), and the plot offsets. Fields are bound to LogData
// fields by name; the derived values (flight time, gain, loss, the offset as
// h:m:s) follow every change of the fields they come from.

#include "core/flightconditions.h"
#include "core/flightstore.h"

#include <QAnyStringView>
#include <QWidget>
#include <vector>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace soarnote {

class FlightForm : public QWidget {
    Q_OBJECT
public:
    explicit FlightForm(QWidget* parent = nullptr);

    // Lookup lists by table ("Type", "XCType", "Locations", "Glider").
    void SetLookup(const QString& table, const std::vector<LookupItem>& items);
    // Shows a flight (an empty record clears every field).
    void Load(const FlightRecord& flight);
    // The flight as edited: the loaded record with every field whose text was
    // changed read back, its conditions too. False (with the field's caption
    // and the reason) when a text does not fit its field.
    bool Collect(FlightRecord* edited, QString* problem, QWidget** badField) const;
    bool IsModified() const;

    void SetEditMode(bool on);
    bool EditMode() const { return editMode_; }
    void ShowOffsets(bool show);
    bool OffsetsShown() const;

    // The weather and wind of the flight on show, as edited in the
    // conditions window: a change marks the flight modified and is saved
    // with it, or dropped with the flight's other edits.
    const FlightConditions& Conditions() const { return conditions_; }
    void SetCondition(FlightConditions::Field field, const QString& text);

    // Fields by their control name ("StartTime", "Text7", "OffsetTDate", "Combo1_4", ...).
    QWidget* Control(const QString& name) const;
    QLineEdit* Edit(const QString& name) const;
    QLabel* Label(const QString& name) const;
    QComboBox* Combo(const QString& name) const;
    // The controls that edit mode enables.
    QList<QWidget*> SolControls() const;
    QPushButton* ConditionsButton() const { return conditionsButton_; }
    QPlainTextEdit* Comments() const { return comments_; }

signals:
    // A flight was put on show (or shown again, its edits dropped).
    void Loaded();
    void ConditionsRequested();
    // Double-click on a lookup list (or its context menu): edit that table.
    void LookupEditRequested(const QString& table);

private:
    struct TextBinding {
        QWidget* widget;
        QString field;
        FieldType type;
        QString caption;
    };
    struct ComboBinding {
        QComboBox* combo;
        QString field;
        QString table;
    };

    QLineEdit* AddEdit(QAnyStringView name, QAnyStringView field, QAnyStringView toolTip,
                       QAnyStringView caption);
    QComboBox* AddCombo(QAnyStringView name, QAnyStringView field, QAnyStringView table,
                        QAnyStringView toolTip);
    static QString TextOf(QWidget* w);
    static void SetTextOf(QWidget* w, const QString& text);

    void UpdateFlightTime();
    void UpdateGains();
    void UpdateOffsetText();
    void OnFlightTimeLeft();
    void OnOffsetEntered();

    std::vector<TextBinding> texts_;
    std::vector<ComboBinding> combos_;
    FlightRecord loaded_;
    QHash<QWidget*, QString> loadedTexts_;
    QHash<QComboBox*, int> loadedIndexes_;
    FlightConditions loadedConditions_;
    FlightConditions conditions_;
    bool editMode_ = false;

    QGroupBox* personal_ = nullptr;
    QGroupBox* sol_ = nullptr;
    QGroupBox* offsets_ = nullptr;
    QPlainTextEdit* comments_ = nullptr;
    QPushButton* conditionsButton_ = nullptr;
    QLabel* maxGain_ = nullptr;
    QLabel* minGain_ = nullptr;
};

} // namespace soarnote
