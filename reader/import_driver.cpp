// Import: every file of the host's list, one after another, each read whole and walked
// by a parser of its own.
#include <algorithm>
#include <cstdint>
#include <new>

#include "platform/input_file.h"
#include "platform/large_memory.h"
#include "sdk/boundary.h"
#include "plugin/import_plugin.h"
#include "plugin/resource_string.h"
#include "reader/parser.h"
#include "reader/screen.h"

namespace Plugin {
namespace {

constexpr unsigned kCannotOpenMessage = 101;

}  // namespace

void CImportPluginImpl::Import(IFileList* files, IImportReceiver* receiver) {
    // A failure ends the import where it happened; files imported before it stay imported.
    if (!files || !receiver) return;
    Guarded([&] {
        files->Reset();
        while (files->HasCurrent()) {
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
        WString text;
        LoadResourceString(text, kCannotOpenMessage);
        receiver->ShowMessage(text.c_str());
        return;
    }

    // RapidXML parses in place and needs the terminator; the screen reads a little past
    // it. A short read leaves the text ending at the bytes that arrived.
    if (*size > SIZE_MAX - 1 - Reader::kScreenPadding) throw std::bad_alloc();
    const std::size_t capacity = *size + 1 + Reader::kScreenPadding;
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
