// The import through two libraries built from the same sources: the plug-in, and the
// reference library with the reader in its plainest form (RapidXML's whole tree with
// every text and CDATA node, and the screen that looks at one byte at a time). Whatever
// the input, both must give the host exactly the same calls, in the same order, with the
// same texts and numbers. The input is read as by import_target.cpp: the first byte
// chooses the three settings (bit 0 the prism constant, bit 1 the field book, bit 2 the
// reductions), the rest is the file.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "host/file_list.h"
#include "host/plugin_library.h"
#include "host/receiver.h"
#include "host/settings.h"
#include "sdk/interfaces.h"
#include "platform/utf.h"

namespace {

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "differential_target: %s\n", what.c_str());
    std::abort();
}

CreatePluginFunction Load(Host::CPluginLibrary& library, const std::string& path) {
    std::string error;
    if (!library.Load(path, &error)) Fail(error);
    return library.CreatePlugin();
}

// Both libraries, from beside this program, loaded once for the whole run.
struct Libraries {
    Host::CPluginLibrary plugin, reference;
    CreatePluginFunction createPlugin, createReference;
    Libraries() {
        const std::string path = Host::CPluginLibrary::DefaultPath();
        std::string referencePath = path;
        referencePath.insert(referencePath.find_last_of('.'), "_reference");
        createPlugin = Load(plugin, path);
        createReference = Load(reference, referencePath);
    }
};

// One scratch file for the whole run, rewritten for every input.
class CScratchFile {
public:
    CScratchFile() {
        const char* folder = std::getenv("TMPDIR");
        std::string pattern = std::string(access("/dev/shm", W_OK) == 0 ? "/dev/shm" : folder ? folder : "/tmp") +
                              "/jxl-differential-XXXXXX";
        m_fd = mkstemp(pattern.data());
        if (m_fd < 0) Fail("cannot make a scratch file");
        m_path = pattern;
    }
    ~CScratchFile() {
        ::close(m_fd);
        ::unlink(m_path.c_str());
    }
    void Write(const std::uint8_t* data, std::size_t size) {
        if (::ftruncate(m_fd, 0) != 0) Fail("cannot empty the scratch file");
        for (std::size_t done = 0; done < size;) {
            const ssize_t n = ::pwrite(m_fd, data + done, size - done, static_cast<off_t>(done));
            if (n <= 0) Fail("cannot write the scratch file");
            done += static_cast<std::size_t>(n);
        }
    }
    const std::string& Path() const { return m_path; }

private:
    int m_fd = -1;
    std::string m_path;
};

std::vector<std::string> Import(CreatePluginFunction create, const std::string& path, std::uint8_t settings) {
    Plugin::IGroundBasedMIP* plugin = create();
    if (!plugin) Fail("CreatePlugin gave null");
    Host::CSettingsStore store;
    store.values = {{"ConsiderPrismConstant", settings & 1},
                    {"ParseFieldBookNode", (settings >> 1) & 1},
                    {"ParseReductionsNode", (settings >> 2) & 1}};
    Host::CSettingsReader reader(store);
    plugin->LoadSettings(&reader);

    Host::CFileList files({Platform::FromUtf8(path)});
    Host::CallRecorder recorder;
    {
        Host::CRecordingReceiver receiver(&recorder);
        plugin->Import(&files, &receiver);
    }
    plugin->Release();
    std::vector<std::string> lines;
    for (const Host::Call& call : recorder.calls) lines.push_back(Host::ToJsonLine(call));
    if (recorder.liveObjects != 0) lines.push_back("(host objects left alive)");
    return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return -1;  // no settings byte: not an input
    static Libraries libraries;
    static CScratchFile file;
    file.Write(data + 1, size - 1);

    const std::vector<std::string> calls = Import(libraries.createPlugin, file.Path(), data[0]);
    const std::vector<std::string> reference = Import(libraries.createReference, file.Path(), data[0]);
    if (calls == reference) return 0;

    std::size_t same = 0;
    while (same < calls.size() && same < reference.size() && calls[same] == reference[same]) ++same;
    std::string what = "the two readers differ after " + std::to_string(same) + " equal calls:\n";
    for (std::size_t i = same; i < calls.size() && i < same + 5; ++i) what += "  plug-in:   " + calls[i] + "\n";
    for (std::size_t i = same; i < reference.size() && i < same + 5; ++i) what += "  reference: " + reference[i] + "\n";
    Fail(what);
}
