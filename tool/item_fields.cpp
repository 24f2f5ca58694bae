#include "tool/item_fields.h"

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
        {"instrument_height", "HI", 3, 6, Number<&ImportedItem::instrumentHeight>, &ImportedItem::instrumentHeight},
        {"pressure", "Pressure", 2, 8, Number<&ImportedItem::pressure>, &ImportedItem::pressure},
        {"temperature", "Temp", 1, 5, Number<&ImportedItem::temperature>, &ImportedItem::temperature},
        {"target_height", "HT", 3, 6, Number<&ImportedItem::targetHeight>, &ImportedItem::targetHeight},
        {"horizontal_circle", "Hz", 5, 9, Number<&ImportedItem::horizontalCircle>, &ImportedItem::horizontalCircle},
        {"vertical_circle", "V", 5, 9, Number<&ImportedItem::verticalCircle>, &ImportedItem::verticalCircle},
        {"slope_distance", "SD", 4, 9, Number<&ImportedItem::slopeDistance>, &ImportedItem::slopeDistance},
        {"face", "Face", 0, 4, Face},
        {"north", "North", 3, 11, Number<&ImportedItem::north>, &ImportedItem::north},
        {"east", "East", 3, 11, Number<&ImportedItem::east>, &ImportedItem::east},
        {"elevation", "Elev", 3, 8, Number<&ImportedItem::elevation>, &ImportedItem::elevation},
        {"keyed_in", "Keyed", 0, 5, KeyedIn},
        {"keyed_in_flag", nullptr, 0, 0, KeyedInFlag},
        {"code", "Code", 0, 0, Code},
    };
    return fields;
}

}  // namespace Tool
