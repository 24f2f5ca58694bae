// Drives the real plug-in library the way a host does, and reads back what it did.
#pragma once

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "host/calls.h"
#include "sdk/interfaces.h"
#include "sdk/ref_ptr.h"

namespace Support {

struct Settings {
    bool prismConstant = true;
    bool fieldBook = true;
    bool reductions = true;
};

using PluginPtr = Plugin::CRefPtr<Plugin::IGroundBasedMIP>;

// A new plug-in object from the library beside the test executable.
PluginPtr CreatePlugin();

// A fresh path in the tests' scratch folder, and a file written there.
std::string ScratchPath(const std::string& name);
std::string WriteScratchFile(const std::string& name, const std::string& bytes);

// Imports the files through the library with these settings: every call, as lines of the
// `calls` format. The same import through the reference library must give the same lines.
std::vector<std::string> ImportCalls(const std::vector<std::string>& paths, const Settings& settings = {});

// The same through the library whose CreatePlugin this is.
std::vector<std::string> ImportCallsThrough(CreatePluginFunction create, const std::vector<std::string>& paths,
                                            const Settings& settings = {});

// CreatePlugin of the plug-in library beside the tests, and of the reference library
// built with the reader in its plainest form (cmake/reference_reader.cmake).
CreatePluginFunction LibraryEntry();
CreatePluginFunction ReferenceLibraryEntry();
std::string ReferenceLibraryPath();

// Imports one document and returns the lines between progress 50 and progress 100:
// what the walk over the document gave the host.
std::vector<std::string> Walk(const std::string& xml, const Settings& settings = {});

// A JobXML document with this text inside its FieldBook, and one with this text inside
// its Reductions (the other section present and empty).
std::string FieldBook(const std::string& records);
std::string Reductions(const std::string& points);

// Expected lines written one per line, indentation and blank lines ignored.
std::vector<std::string> Lines(const std::string& text);

// Expected lines put together: the parts one after the other.
std::vector<std::string> Joined(std::initializer_list<std::vector<std::string>> parts);

// The line of BeginFile for this path.
std::string BeginFile(const std::string& path);

// What every file that opens gives the host around its parse: the four value parsers made
// through the factory, and given back after the file.
const std::vector<std::string>& ParsersMade();
const std::vector<std::string>& ParsersReleased();

// One document and the lines its walk must give the host, exactly and in order.
struct WalkCase {
    std::string behaviour;  // shown when the case fails
    std::string document;
    std::string expected;   // as for Lines
    Settings settings = {};
};

// Walks every case's document and expects its lines; each failure names its case.
void ExpectWalks(const std::vector<WalkCase>& cases);

std::string ToUtf8(Plugin::WStringView text);
Plugin::WString FromUtf8(const std::string& text);

}  // namespace Support
