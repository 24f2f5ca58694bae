#include "tool/import_summary.h"

#include <map>

namespace Tool {
namespace {

template <typename T>
std::optional<T> ArgumentOf(const Host::Call& call) {
    if (const T* value = std::get_if<T>(&call.arg)) return *value;
    return std::nullopt;
}

// Collects the calls into files and items as they come.
class CSummary {
public:
    void Add(const Host::Call& call) {
        if (call.op == "BeginFile") return BeginFile(ArgumentOf<std::string>(call).value_or(""));
        if (call.op == "ShowMessage") return File().messages.push_back(ArgumentOf<std::string>(call).value_or(""));
        if (call.op == "SetResult") {
            File().result = ArgumentOf<std::int32_t>(call);
            return;
        }
        if (call.op == "SetProgress") {
            if (auto percent = ArgumentOf<double>(call)) File().progress.push_back(*percent);
            return;
        }
        if (call.op == "AddStation") return Open(ImportedItem::Kind::Station, call);
        if (call.op == "AddObservation") return Open(ImportedItem::Kind::Observation, call);
        if (call.op == "AddPoint") return Open(ImportedItem::Kind::Point, call);
        if (call.op == "MarkKeyedIn") {
            Item().keyedIn = true;
            return;
        }
        if (call.op == "SetCode") {
            Item().code = ArgumentOf<std::string>(call);
            return;
        }
        if (call.op == "SetFace") {
            Item().face2 = ArgumentOf<bool>(call);
            return;
        }
        if (call.op == "SetKeyedInFlag") {
            Item().keyedInFlag = ArgumentOf<bool>(call);
            return;
        }
        const auto number = NumberSetters().find(call.op);
        if (number != NumberSetters().end()) Item().*(number->second) = ArgumentOf<double>(call);
        // The rest (value parsers, reference counts) carries nothing an item shows.
    }

    std::vector<ImportedFile> files;

private:
    using NumberField = std::optional<double> ImportedItem::*;
    static const std::map<std::string, NumberField>& NumberSetters() {
        static const std::map<std::string, NumberField> setters = {
            {"SetInstrumentHeight", &ImportedItem::instrumentHeight},
            {"SetPressure", &ImportedItem::pressure},
            {"SetTemperature", &ImportedItem::temperature},
            {"SetTargetHeight", &ImportedItem::targetHeight},
            {"SetHorizontalCircle", &ImportedItem::horizontalCircle},
            {"SetVerticalCircle", &ImportedItem::verticalCircle},
            {"SetSlopeDistance", &ImportedItem::slopeDistance},
            {"SetNorth", &ImportedItem::north},
            {"SetEast", &ImportedItem::east},
            {"SetElevation", &ImportedItem::elevation},
        };
        return setters;
    }

    void BeginFile(std::string path) {
        files.push_back({});
        files.back().path = std::move(path);
        m_itemOpen = false;
        m_station.reset();
    }

    ImportedFile& File() {
        if (files.empty()) BeginFile("");
        return files.back();
    }

    void Open(ImportedItem::Kind kind, const Host::Call& call) {
        ImportedItem item;
        item.kind = kind;
        item.name = ArgumentOf<std::string>(call).value_or("");
        if (kind == ImportedItem::Kind::Station) m_station = item.name;
        if (kind == ImportedItem::Kind::Observation) item.station = m_station;
        File().items.push_back(std::move(item));
        m_itemOpen = true;
    }

    ImportedItem& Item() {
        if (!m_itemOpen) {
            File().items.push_back({});
            m_itemOpen = true;
        }
        return files.back().items.back();
    }

    bool m_itemOpen = false;
    std::optional<std::string> m_station;
};

}  // namespace

std::vector<ImportedFile> SummariseImport(const Host::CallLog& calls) {
    CSummary summary;
    for (const Host::Call& call : calls) summary.Add(call);
    return std::move(summary.files);
}

const char* KindName(ImportedItem::Kind kind) {
    switch (kind) {
    case ImportedItem::Kind::Station: return "station";
    case ImportedItem::Kind::Observation: return "observation";
    case ImportedItem::Kind::Point: return "point";
    case ImportedItem::Kind::None: break;
    }
    return "none";
}

}  // namespace Tool
