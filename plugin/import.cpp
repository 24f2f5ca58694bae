// Import: every file of the host's list, one after another, each read whole and walked
// by a parser of its own.
//
// When a failure stops a file, the host hears of it for that file: SetResult(-1), then a
// message, and no final progress. Only one kind lets the import go on with the next file:
// memory running out for what grows with the file itself, the buffer its text is read
// into, the screen's outline of its records and the trees RapidXML builds of it, each
// taken inside Reader::FileMemory. No host object is called while they are taken, so no
// failure of a host object can be taken for the file's; and once they are freed, the next
// file may well fit. What the file handed over before stays handed over. Every other
// failure ends the import after the report: memory running out anywhere else (the walk's
// texts and tables, a path, a message text) means the process itself has none left, and
// after a host object (receiver, value parser factory, value parsers, file list) has
// thrown, nothing more should be asked of it.
#include <cstdint>
#include <new>

#include "platform/input_file.h"
#include "platform/large_memory.h"
#include "plugin/boundary.h"
#include "plugin/import_plugin.h"
#include "reader/file_memory.h"
#include "reader/parser.h"
#include "resources/resource_string.h"

namespace Plugin {
namespace {

// Tells the host that the file announced last was stopped. Everything the file held is
// given back by now, but memory may still be short: the text is loaded onto the stack. A
// receiver that fails again is left alone: false.
bool ReportStopped(IImportReceiver* receiver, unsigned message) noexcept {
    WChar text[Resources::kMessageCapacity];
    Resources::LoadMessage(text, message);
    try {
        receiver->SetResult(-1);
        receiver->ShowMessage(text);
        return true;
    } catch (...) {
        return false;
    }
}

}  // namespace

void CImportPluginImpl::Import(IFileList* files, IImportReceiver* receiver) {
    // A failure stops the file where it happened and is reported for it; what was imported
    // before stays imported. Until a file is announced there is none to report it for: the
    // receiver's calls belong to the file announced last.
    if (!files || !receiver) return;
    bool announced = false;
    const unsigned stopped = GuardedMessage([&] {
        files->Reset();
        while (files->HasCurrent()) {
            // A null path from the host is taken as the empty one: a file that cannot be
            // opened, reported as such, rather than a crash.
            const WChar* current = files->GetCurrent();
            const WString path = current ? current : WString();
            announced = true;
            try {
                ImportFile(path, receiver);
            } catch (const Reader::CFileTooLarge&) {
                // Its buffer and tree are given back by now: on with the next file.
                if (!ReportStopped(receiver, IDS_NOT_ENOUGH_MEMORY)) return;
            }
            files->MoveNext();
        }
    });
    if (stopped && announced) ReportStopped(receiver, stopped);
}

void CImportPluginImpl::ImportFile(const WString& path, IImportReceiver* receiver) {
    receiver->BeginFile(path.c_str());

    Platform::CInputFile file;
    const std::optional<std::size_t> size = file.Open(path) ? file.Size() : std::nullopt;
    if (!size) {
        receiver->ShowMessage(Resources::LoadText(IDS_CANNOT_OPEN_FILE).c_str());
        return;
    }

    // The whole file in one read, before anything is asked of the host for it: what the
    // host receives is this snapshot, whatever happens to the file meanwhile. RapidXML
    // parses it in place and needs the terminator. Memory fresh from the system is zero, so
    // a short read leaves the text ending at the bytes that arrived.
    if (*size == SIZE_MAX) throw Reader::CFileTooLarge();
    const Platform::CLargeBuffer buffer = Reader::FileMemory([&] { return Platform::AllocateLargeBuffer(*size + 1); });
    file.Read(buffer.get(), *size);

    {
        Reader::CParser parser(receiver, &m_flags);
        parser.ParseDocument(buffer.get());
        receiver->SetProgress(100.0f);
    }
}

}  // namespace Plugin
