// Text as the host side writes it: JSON strings and numbers, numbers with fixed places,
// CSV fields, and texts as a person sees them. Texts are UTF-8; the plug-in's UTF-16
// becomes UTF-8 through Platform::ToUtf8 (an unpaired surrogate as U+FFFD).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace Host {

// A JSON string: quotes, backslashes and control characters escaped, the rest as it is.
void AppendJsonString(std::string& out, std::string_view utf8);
std::string JsonString(std::string_view utf8);

// The shortest digits that read back as the same double, laid out as JavaScript writes
// numbers: 100000, 0.5, 1e+21, 1.5e-7; negative zero keeps its sign. A non-finite double
// is the bare word inf, -inf or nan.
void AppendNumber(std::string& out, double value);
// The same as a JSON value: a non-finite double as the string "inf", "-inf" or "nan".
void AppendJsonNumber(std::string& out, double value);
std::string JsonNumber(double value);

// The shortest digits as std::to_chars lays them out by itself (1e+05, 0.5); a non-finite
// double as the bare word.
std::string ShortestNumber(double value);

// `decimals` places (0 or more), the bytes printf's "%.*f" gives: the double's exact value
// rounded, a half to even. A non-finite double is the bare word inf, -inf or nan.
void AppendFixed(std::string& out, double value, int decimals);
std::string FixedNumber(double value, int decimals);

// A field of RFC 4180: quoted when it holds a comma, quote or line break, or a blank at
// either end (which spreadsheets would drop); quotes doubled.
void AppendCsvField(std::string& out, std::string_view text);

// Characters, not bytes, of UTF-8 text.
std::size_t CharacterCount(std::string_view utf8);

// A name or code as a person can see it: as it is, or as a JSON string when it is empty
// or blanks at its ends or control characters would hide.
std::string VisibleText(std::string_view utf8);

}  // namespace Host
