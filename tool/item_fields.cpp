#include "tool/item_fields.h"

#include <charconv>
#include <cmath>

namespace Tool {
namespace {

template <std::optional<double> ImportedItem::*Member>
std::optional<FieldValue> Number(const ImportedItem& item) {
    if (!(item.*Member)) return std::nullopt;
    return FieldValue(*(item.*Member));
}

std::optional<FieldValue> Face(const ImportedItem& item) {
    if (!item.face2) return std::nullopt;
    return FieldValue(*item.face2 ? 2 : 1);
}

std::optional<FieldValue> KeyedIn(const ImportedItem& item) {
    if (!item.keyedIn) return std::nullopt;
    return FieldValue(true);
}

std::optional<FieldValue> KeyedInFlag(const ImportedItem& item) {
    if (!item.keyedInFlag) return std::nullopt;
    return FieldValue(*item.keyedInFlag);
}

std::optional<FieldValue> Code(const ImportedItem& item) {
    if (!item.code) return std::nullopt;
    return FieldValue(*item.code);
}

}  // namespace

const std::vector<ItemField>& ItemFields() {
    static const std::vector<ItemField> fields = {
        {"instrument_height", "HI", 3, 6, Number<&ImportedItem::instrumentHeight>, static_cast<int>(NumberField::InstrumentHeight), &ImportedItem::instrumentHeight},
        {"pressure", "Pressure", 2, 8, Number<&ImportedItem::pressure>, static_cast<int>(NumberField::Pressure), &ImportedItem::pressure},
        {"temperature", "Temp", 1, 5, Number<&ImportedItem::temperature>, static_cast<int>(NumberField::Temperature), &ImportedItem::temperature},
        {"target_height", "HT", 3, 6, Number<&ImportedItem::targetHeight>, static_cast<int>(NumberField::TargetHeight), &ImportedItem::targetHeight},
        {"horizontal_circle", "Hz", 5, 9, Number<&ImportedItem::horizontalCircle>, static_cast<int>(NumberField::HorizontalCircle), &ImportedItem::horizontalCircle},
        {"vertical_circle", "V", 5, 9, Number<&ImportedItem::verticalCircle>, static_cast<int>(NumberField::VerticalCircle), &ImportedItem::verticalCircle},
        {"slope_distance", "SD", 4, 9, Number<&ImportedItem::slopeDistance>, static_cast<int>(NumberField::SlopeDistance), &ImportedItem::slopeDistance},
        {"face", "Face", 0, 4, Face},
        {"north", "North", 3, 11, Number<&ImportedItem::north>, static_cast<int>(NumberField::North), &ImportedItem::north},
        {"east", "East", 3, 11, Number<&ImportedItem::east>, static_cast<int>(NumberField::East), &ImportedItem::east},
        {"elevation", "Elev", 3, 8, Number<&ImportedItem::elevation>, static_cast<int>(NumberField::Elevation), &ImportedItem::elevation},
        {"keyed_in", "Keyed", 0, 5, KeyedIn},
        {"keyed_in_flag", nullptr, 0, 0, KeyedInFlag},
        {"code", "Code", 0, 0, Code},
    };
    return fields;
}

void AppendNumber(std::string& out, double value, std::string_view parsedFrom) {
    if (!std::isfinite(value)) {
        out += ShortestNumber(value);
        return;
    }
    char text[Host::kJsonNumberSize];
    out.append(text, parsedFrom.empty() ? Host::FormatJsonNumber(text, value) : Host::FormatParsedJsonNumber(text, parsedFrom, value));
}

std::string ShortestNumber(double value) {
    if (std::isnan(value)) return "nan";
    if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

}  // namespace Tool
