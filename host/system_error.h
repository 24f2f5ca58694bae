// The system's own words for why a call failed.
#pragma once

#include <string>

namespace Host {

// On Linux `code` is an errno value and the words are strerror's; on Windows a
// GetLastError code and the words FormatMessageW gives, without the closing full stop, and
// `subject` in the place of the "%1" some of them have ("%1 is not a valid Win32
// application").
std::string SystemReason(unsigned long code, const std::string& subject = "the file");

// The code of the last failed call (errno, GetLastError).
unsigned long LastSystemError();

}  // namespace Host
