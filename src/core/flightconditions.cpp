#include "flightconditions.h"

namespace soarnote {

namespace {
struct ConditionField {
    const char* field;
    const char* caption;
};
// In Field order.
constexpr ConditionField kFields[FlightConditions::kFieldCount] = {{"Weather", "Weather"},
                                                                   {"CloudCover", "Cloud Cover"},
                                                                   {"CloudBase", "Cloud Base"},
                                                                   {"Wind", "Wind"},
                                                                   {"WindSpeed", "Wind Speed"}};

FieldType TypeOf(FlightConditions::Field field) {
    const FieldDef* def = LogbookTable(QStringLiteral("LogData")).Field(FlightConditions::FieldName(field));
    return def ? def->type : FieldType::Text;
}
} // namespace

QString FlightConditions::FieldName(Field field) {
    return QString::fromLatin1(kFields[field].field);
}

QString FlightConditions::Caption(Field field) {
    return QString::fromLatin1(kFields[field].caption);
}

FlightConditions FlightConditions::Of(const FlightRecord& flight) {
    FlightConditions conditions;
    for (int i = 0; i < kFieldCount; ++i) {
        const auto field = static_cast<Field>(i);
        conditions.SetText(field, FieldText(TypeOf(field), flight.Value(FieldName(field))));
    }
    return conditions;
}

bool FlightConditions::ApplyTo(FlightRecord* edited, const FlightConditions& shown, Field* badField,
                               QString* reason) const {
    for (int i = 0; i < kFieldCount; ++i) {
        const auto field = static_cast<Field>(i);
        if (Text(field) == shown.Text(field)) continue;
        QString why;
        const std::optional<QVariant> value = ParseFieldText(TypeOf(field), Text(field), &why);
        if (!value) {
            if (badField) *badField = field;
            if (reason) *reason = why;
            return false;
        }
        edited->SetValue(FieldName(field), *value);
    }
    return true;
}

} // namespace soarnote
