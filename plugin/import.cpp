// Import: every file of the host's list, one after another, each read whole and walked
// by a parser of its own.
#include <algorithm>
#include <cstdint>
#include <new>

#include "platform/input_file.h"
#include "platform/large_memory.h"
#include "plugin/boundary.h"
#include "plugin/import_plugin.h"
#include "reader/parser.h"
#include "resources/resource_string.h"

namespace Plugin {

void CImportPluginImpl::Import(IFileList* files, IImportReceiver* receiver) {
    // A failure ends the import where it happened; files imported before it stay imported.
    if (!files || !receiver) return;
    Guarded([&] {
        files->Reset();
        while (files->HasCurrent()) {
            // A null path from the host is taken as the empty one: a file that cannot be
            // opened, reported as such, rather than a crash.
            const WChar* current = files->GetCurrent();
            const WString path = current ? current : WString();
            ImportFile(path, receiver);
            files->MoveNext();
        }
    });
}

void CImportPluginImpl::ImportFile(const WString& path, IImportReceiver* receiver) {
    receiver->BeginFile(path.c_str());

    Platform::CInputFile file;
    const std::optional<std::size_t> size = file.Open(path) ? file.Size() : std::nullopt;
    if (!size) {
        receiver->ShowMessage(Resources::LoadText(IDS_CANNOT_OPEN_FILE).c_str());
        return;
    }

    // RapidXML parses in place and needs the terminator; the reader looks a little past
    // it. A short read leaves the text ending at the bytes that arrived.
    constexpr std::size_t kPadding = 1 + Reader::CParser::kDocumentPadding;
    if (*size > SIZE_MAX - kPadding) throw std::bad_alloc();
    const std::size_t capacity = *size + kPadding;
    const Platform::CLargeBuffer buffer = Platform::AllocateLargeBuffer(capacity);
    const std::size_t read = file.Read(buffer.get(), *size);
    std::fill(buffer.get() + read, buffer.get() + capacity, '\0');

    {
        Reader::CParser parser(receiver, &m_flags);
        parser.ParseDocument(buffer.get());
        receiver->SetProgress(100.0f);
    }
}

}  // namespace Plugin
