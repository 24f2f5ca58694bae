// What one import gives the host, file by file and item by item, read from its calls as
// they come: each item is handed on as soon as it is complete, and each file when it ends,
// so that nothing of a file outlives it.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/calls.h"

namespace Tool {

// One item opened by AddStation, AddObservation or AddPoint, with the values that the
// setting calls after it carried. A setting call with no item open gets an item of
// kind None, so that nothing the plug-in sent goes unseen.
struct ImportedItem {
    enum class Kind { Station, Observation, Point, None };

    Kind kind = Kind::None;
    std::string name;
    std::optional<std::string> station;  // observations: the station opened before them

    std::optional<double> instrumentHeight, pressure, temperature;
    std::optional<double> targetHeight, horizontalCircle, verticalCircle, slopeDistance;
    std::optional<bool> face2;
    std::optional<double> north, east, elevation;
    bool keyedIn = false;  // MarkKeyedIn
    std::optional<bool> keyedInFlag;
    std::optional<std::string> code;
};

const char* KindName(ImportedItem::Kind kind);  // "station", "observation", "point", "none"

// What became of a file, read from its calls (the rule every format shares):
//   ok           it reached SetProgress(100) and drew no message;
//   message      it reached SetProgress(100) and drew a message (a badly formed file);
//   cannot-open  it never reached SetProgress(100), drew a message and no SetResult(-1);
//   stopped      it never reached SetProgress(100) otherwise: a failure stopped it, or the
//                import ended inside it.
enum class Outcome { Ok, Message, CannotOpen, Stopped };
constexpr std::size_t kOutcomeCount = 4;
const char* OutcomeName(Outcome outcome);  // "ok", "message", "cannot-open", "stopped"

struct ItemCounts {
    std::size_t stations = 0, observations = 0, points = 0;
    std::size_t loose = 0;  // items of kind None

    void Add(ImportedItem::Kind kind);
    ItemCounts& operator+=(const ItemCounts& other);
    bool Empty() const { return stations + observations + points + loose == 0; }
};

struct ImportedFile {
    std::string path;  // as shown to the user: "-" for standard input
    std::vector<std::string> messages;
    // What the tool found out of why the file drew each message (tool/reasons.h): as many
    // as the messages once the file has ended, empty where nothing was found.
    std::vector<std::string> reasons;
    std::optional<std::int32_t> result;  // SetResult
    std::vector<double> progress;
    ItemCounts counts;
    bool finished = false;          // it reached SetProgress(100)
    bool resultMinusOne = false;    // it drew SetResult(-1)

    // Only for a format that takes whole files (CFormat::WholeFiles): the file's items,
    // complete when the file ends. Empty otherwise.
    std::vector<ImportedItem> items;

    Outcome GetOutcome() const;
    bool AnyReason() const;
};

struct ImportTotals {
    std::size_t files = 0;
    ItemCounts counts;
    std::array<std::size_t, kOutcomeCount> outcomes{};  // files per Outcome

    bool AllOk() const { return outcomes[static_cast<std::size_t>(Outcome::Ok)] == files; }
};

// One output format, fed as the import goes. Streaming formats write each item as it
// comes; a format that needs a whole file at once (a report that counts or sorts before
// it writes) says so with WholeFiles() and writes in EndFile, where `file.items` holds
// that file's items, and no other file's.
class CFormat {
public:
    virtual ~CFormat() = default;

    virtual bool WholeFiles() const { return false; }
    // False for a format that shows no items (calls): the summary then only counts them.
    virtual bool Items() const { return true; }

    virtual void BeginImport() {}
    virtual void Call(const Host::CallEvent& /*event*/) {}  // every call, as it happens
    virtual void BeginFile(const ImportedFile& /*file*/) {}
    virtual void Item(const ImportedFile& /*file*/, const ImportedItem& /*item*/) {}
    virtual void EndFile(const ImportedFile& /*file*/) {}
    virtual void EndImport(const ImportTotals& /*totals*/) {}
};

// Reads the calls into files and items and feeds them to the format.
class CImportSummary {
public:
    explicit CImportSummary(CFormat& format)
        : m_format(format), m_items(format.Items() || format.WholeFiles()), m_keepItems(format.WholeFiles()) {}

    void Add(const Host::CallEvent& event);
    // The reasons for the open file's messages, before it ends.
    void SetReasons(std::vector<std::string> reasons);
    // After Import: the last item and file end.
    void Finish();

    const ImportTotals& Totals() const { return m_totals; }

private:
    ImportedFile& File();
    ImportedItem& Item();
    void BeginFile(std::string path);
    void Open(ImportedItem::Kind kind, const Host::CallEvent& event);
    void CloseItem();
    void CloseFile();
    void SetNumber(std::optional<double> ImportedItem::*member, double value) { Item().*member = value; }
    // A file's own call; a call that fills the open item; with no items kept, the same
    // call counted only.
    void AddToFile(const Host::CallEvent& event);
    void AddToItem(const Host::CallEvent& event);
    void AddToCounts(const Host::CallEvent& event);

    CFormat& m_format;
    bool m_items;
    bool m_keepItems;
    bool m_fileOpen = false;
    bool m_itemOpen = false;
    ImportedFile m_file;
    ImportedItem m_item;
    std::optional<std::string> m_station;
    ImportTotals m_totals;
};

}  // namespace Tool
