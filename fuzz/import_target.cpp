// One import, driven the way a host drives the plug-in: the input becomes a file handed
// to Import, with the reference host's receiver and value parsers. The first byte chooses
// the three settings (bit 0 the prism constant, bit 1 the field book, bit 2 the
// reductions); the rest is the file.
//
// Beyond what the sanitizers catch, the trace itself is checked: every file that could be
// read ends with progress 100, every host object the plug-in obtained is released, and
// setting calls only ever follow an opening call of the kind they belong to.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <fcntl.h>
#include <unistd.h>

#include "host/file_list.h"
#include "host/receiver.h"
#include "host/settings.h"
#include "sdk/interfaces.h"
#include "platform/utf.h"

extern "C" Plugin::IGroundBasedMIP* CreatePlugin();

namespace {

[[noreturn]] void Fail(const char* what, const Host::CallLog& calls) {
    std::fprintf(stderr, "import_target: %s\n", what);
    for (const Host::Call& call : calls) std::fprintf(stderr, "  %s\n", Host::ToJsonLine(call).c_str());
    std::abort();
}

// One scratch file for the whole run, rewritten for every input.
class CScratchFile {
public:
    CScratchFile() {
        const char* folder = std::getenv("TMPDIR");
        std::string pattern = std::string(access("/dev/shm", W_OK) == 0 ? "/dev/shm" : folder ? folder : "/tmp") +
                              "/jxl-fuzz-XXXXXX";
        m_fd = mkstemp(pattern.data());
        if (m_fd < 0) {
            std::perror("import_target: mkstemp");
            std::abort();
        }
        m_path = pattern;
    }
    ~CScratchFile() {
        ::close(m_fd);
        ::unlink(m_path.c_str());
    }

    void Write(const std::uint8_t* data, std::size_t size) {
        if (::ftruncate(m_fd, 0) != 0) std::abort();
        std::size_t done = 0;
        while (done < size) {
            const ssize_t n = ::pwrite(m_fd, data + done, size - done, static_cast<off_t>(done));
            if (n <= 0) std::abort();
            done += static_cast<std::size_t>(n);
        }
    }
    const std::string& Path() const { return m_path; }

private:
    int m_fd = -1;
    std::string m_path;
};

enum class Item { None, Station, Observation, Point };

// Which opening call a setting call needs, if any.
bool Belongs(const std::string& op, Item item) {
    if (op == "SetInstrumentHeight" || op == "SetPressure" || op == "SetTemperature") return item == Item::Station;
    if (op == "SetHorizontalCircle" || op == "SetVerticalCircle" || op == "SetTargetHeight" ||
        op == "SetSlopeDistance" || op == "SetFace")
        return item == Item::Observation;
    if (op == "MarkKeyedIn" || op == "SetKeyedInFlag") return item == Item::Point;
    if (op == "SetNorth" || op == "SetEast" || op == "SetElevation" || op == "SetCode")
        return item == Item::Point || item == Item::Observation;
    return true;
}

void CheckTrace(const Host::CallRecorder& recorder) {
    const Host::CallLog& calls = recorder.calls;
    if (recorder.liveObjects != 0) Fail("host objects left alive", calls);
    if (calls.empty() || calls.front().op != "BeginFile") Fail("no BeginFile first", calls);

    // The last call that is not a parser's release.
    std::size_t last = calls.size();
    while (last > 0 && calls[last - 1].op == "Release") --last;
    if (last == 0 || calls[last - 1].op != "SetProgress" || std::get<double>(calls[last - 1].arg) != 100.0)
        Fail("the import ended before progress 100", calls);

    Item item = Item::None;
    int progress50 = 0;
    for (std::size_t i = 0; i + 1 < last; ++i) {
        const std::string& op = calls[i].op;
        if (op == "AddStation") item = Item::Station;
        else if (op == "AddObservation") item = Item::Observation;
        else if (op == "AddPoint") item = Item::Point;
        else if (op == "SetProgress" && ++progress50 > 1) Fail("progress 50 twice", calls);
        else if (op.rfind("Reserved", 0) == 0) Fail("a reserved slot was called", calls);
        else if (!Belongs(op, item)) Fail("a setting call without its opening call", calls);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return -1;  // no settings byte: not an input
    static CScratchFile file;
    file.Write(data + 1, size - 1);

    Plugin::IGroundBasedMIP* plugin = CreatePlugin();
    if (!plugin) std::abort();
    Host::CSettingsStore store;
    store.values = {{"ConsiderPrismConstant", data[0] & 1},
                    {"ParseFieldBookNode", (data[0] >> 1) & 1},
                    {"ParseReductionsNode", (data[0] >> 2) & 1}};
    Host::CSettingsReader reader(store);
    plugin->LoadSettings(&reader);

    Host::CFileList files({Platform::FromUtf8(file.Path())});
    Host::CallRecorder recorder;
    {
        Host::CRecordingReceiver receiver(&recorder);
        plugin->Import(&files, &receiver);
    }
    if (!plugin->Release()) std::abort();
    CheckTrace(recorder);
    return 0;
}
