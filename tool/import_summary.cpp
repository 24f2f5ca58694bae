#include "tool/import_summary.h"

#include "platform/utf.h"

namespace Tool {

using Host::CallEvent;
using Host::Op;

const char* KindName(ImportedItem::Kind kind) {
    switch (kind) {
    case ImportedItem::Kind::Station: return "station";
    case ImportedItem::Kind::Observation: return "observation";
    case ImportedItem::Kind::Point: return "point";
    case ImportedItem::Kind::None: break;
    }
    return "none";
}

const char* OutcomeName(Outcome outcome) {
    switch (outcome) {
    case Outcome::Ok: return "ok";
    case Outcome::Message: return "message";
    case Outcome::CannotOpen: return "cannot-open";
    case Outcome::Stopped: break;
    }
    return "stopped";
}

void ItemCounts::Add(ImportedItem::Kind kind) {
    switch (kind) {
    case ImportedItem::Kind::Station: ++stations; return;
    case ImportedItem::Kind::Observation: ++observations; return;
    case ImportedItem::Kind::Point: ++points; return;
    case ImportedItem::Kind::None: ++loose; return;
    }
}

ItemCounts& ItemCounts::operator+=(const ItemCounts& other) {
    stations += other.stations;
    observations += other.observations;
    points += other.points;
    loose += other.loose;
    return *this;
}

Outcome ImportedFile::GetOutcome() const {
    if (finished) return messages.empty() ? Outcome::Ok : Outcome::Message;
    if (!messages.empty() && !resultMinusOne) return Outcome::CannotOpen;
    return Outcome::Stopped;
}

bool ImportedFile::AnyReason() const {
    for (const std::string& reason : reasons)
        if (!reason.empty()) return true;
    return false;
}

namespace {

std::string Utf8(const CallEvent& event) { return Platform::ToUtf8(event.text); }

}  // namespace

void CImportSummary::Add(const CallEvent& event) {
    m_format.Call(event);
    switch (event.op) {
    case Op::BeginFile:
    case Op::ShowMessage:
    case Op::SetResult:
    case Op::SetProgress: return AddToFile(event);
    case Op::AddStation: return Open(ImportedItem::Kind::Station, event);
    case Op::AddObservation: return Open(ImportedItem::Kind::Observation, event);
    case Op::AddPoint: return Open(ImportedItem::Kind::Point, event);
    default: return m_items ? AddToItem(event) : AddToCounts(event);
    }
}

void CImportSummary::AddToItem(const CallEvent& event) {
    switch (event.op) {
    case Op::MarkKeyedIn: Item().keyedIn = true; return;
    case Op::SetCode: Item().code = Utf8(event); return;
    case Op::SetFace: Item().face2 = event.flag; return;
    case Op::SetKeyedInFlag: Item().keyedInFlag = event.flag; return;
    case Op::SetInstrumentHeight: return SetNumber(&ImportedItem::instrumentHeight, event.number);
    case Op::SetPressure: return SetNumber(&ImportedItem::pressure, event.number);
    case Op::SetTemperature: return SetNumber(&ImportedItem::temperature, event.number);
    case Op::SetTargetHeight: return SetNumber(&ImportedItem::targetHeight, event.number);
    case Op::SetHorizontalCircle: return SetNumber(&ImportedItem::horizontalCircle, event.number);
    case Op::SetVerticalCircle: return SetNumber(&ImportedItem::verticalCircle, event.number);
    case Op::SetSlopeDistance: return SetNumber(&ImportedItem::slopeDistance, event.number);
    case Op::SetNorth: return SetNumber(&ImportedItem::north, event.number);
    case Op::SetEast: return SetNumber(&ImportedItem::east, event.number);
    case Op::SetElevation: return SetNumber(&ImportedItem::elevation, event.number);
    default: return;  // the parsers, the factory and reference counts carry nothing an item shows
    }
}

void CImportSummary::AddToFile(const CallEvent& event) {
    switch (event.op) {
    case Op::BeginFile: return BeginFile(Utf8(event));
    case Op::ShowMessage: File().messages.push_back(Utf8(event)); return;
    case Op::SetResult:
        File().result = event.integer;
        File().resultMinusOne = File().resultMinusOne || event.integer == -1;
        return;
    case Op::SetProgress:
        File().progress.push_back(event.number);
        File().finished = File().finished || event.number == 100;
        return;
    default: return;
    }
}

// Without items kept, a value still opens an item when none is open, so that it is counted.
void CImportSummary::AddToCounts(const CallEvent& event) {
    switch (event.op) {
    case Op::MarkKeyedIn: case Op::SetCode: case Op::SetFace: case Op::SetKeyedInFlag: case Op::SetInstrumentHeight:
    case Op::SetPressure: case Op::SetTemperature: case Op::SetTargetHeight: case Op::SetHorizontalCircle:
    case Op::SetVerticalCircle: case Op::SetSlopeDistance: case Op::SetNorth: case Op::SetEast: case Op::SetElevation:
        Item();
        return;
    default: return;
    }
}

void CImportSummary::SetReasons(std::vector<std::string> reasons) {
    if (m_fileOpen) m_file.reasons = std::move(reasons);
}

void CImportSummary::Finish() {
    if (m_fileOpen) CloseFile();
    m_format.EndImport(m_totals);
}

ImportedFile& CImportSummary::File() {
    if (!m_fileOpen) BeginFile("");  // calls before any BeginFile: shown all the same
    return m_file;
}

ImportedItem& CImportSummary::Item() {
    File();
    if (!m_itemOpen) {
        m_item = ImportedItem();  // of kind None
        m_itemOpen = true;
    }
    return m_item;
}

void CImportSummary::BeginFile(std::string path) {
    if (m_fileOpen) CloseFile();
    m_file = ImportedFile();
    m_file.path = std::move(path);
    m_fileOpen = true;
    m_station.reset();
    m_format.BeginFile(m_file);
}

void CImportSummary::Open(ImportedItem::Kind kind, const CallEvent& event) {
    File();
    CloseItem();
    m_itemOpen = true;
    if (!m_items) {  // only counted
        m_item.kind = kind;
        return;
    }
    m_item = ImportedItem();
    m_item.kind = kind;
    m_item.name = Utf8(event);
    if (kind == ImportedItem::Kind::Station) m_station = m_item.name;
    if (kind == ImportedItem::Kind::Observation) m_item.station = m_station;
}

void CImportSummary::CloseItem() {
    if (!m_itemOpen) return;
    m_itemOpen = false;
    m_file.counts.Add(m_item.kind);
    m_format.Item(m_file, m_item);
    if (m_keepItems) m_file.items.push_back(std::move(m_item));
}

void CImportSummary::CloseFile() {
    CloseItem();
    m_fileOpen = false;
    ++m_totals.files;
    m_totals.counts += m_file.counts;
    ++m_totals.outcomes[static_cast<std::size_t>(m_file.GetOutcome())];
    m_file.reasons.resize(m_file.messages.size());  // one for each message
    m_format.EndFile(m_file);
    m_file.items.clear();
    m_file.items.shrink_to_fit();
}

}  // namespace Tool
