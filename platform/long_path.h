// Paths as Windows opens them whatever their length.
#pragma once

#include <cstddef>

#include "platform/wide.h"

namespace Platform {

// A plain path opens on Windows only while its full form, terminator included, fits in
// MAX_PATH characters, unless the process is long-path aware; the plug-in cannot know
// whether its host is.
constexpr std::size_t kMaxPlainPath = 260;

// The form in which Windows opens `path` in any process. A path whose full form needs
// kMaxPlainPath characters or more comes back in its device form, `\\?\C:\...` or
// `\\?\UNC\server\share\...`, normalised first as Windows normalises a plain path (and
// does not normalise a device path): '/' as '\', runs of separators as one, "." and ".."
// resolved without climbing above the drive or the share, the trailing dot of a folder's
// name and the trailing dots and blanks of the last name dropped. A relative path is
// completed with `currentDirectory` (a full path, plain or in device form): a path rooted
// at "\" on its drive or share, a drive-relative one such as "C:jobs" when it names the
// current directory's drive.
//
// Every other path comes back exactly as given: one that fits, one already in device form
// (`\\?\`, `\\.\`, `\??\`), one whose last name is a device such as NUL, CON or COM1,
// a drive-relative path on another drive (whose current folder only Windows knows), and
// anything else this does not recognise.
WString LongPathForm(WStringView path, WStringView currentDirectory);

}  // namespace Platform
