#include "host/calls.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <string>

#include "platform/utf.h"

namespace Host {

const char* OpName(Op op) {
    switch (op) {
    case Op::GetValueParserFactory: return "GetValueParserFactory";
    case Op::BeginFile: return "BeginFile";
    case Op::SetResult: return "SetResult";
    case Op::ShowMessage: return "ShowMessage";
    case Op::SetProgress: return "SetProgress";
    case Op::AddPoint: return "AddPoint";
    case Op::SetNorth: return "SetNorth";
    case Op::SetEast: return "SetEast";
    case Op::SetElevation: return "SetElevation";
    case Op::MarkKeyedIn: return "MarkKeyedIn";
    case Op::SetKeyedInFlag: return "SetKeyedInFlag";
    case Op::SetCode: return "SetCode";
    case Op::AddStation: return "AddStation";
    case Op::SetInstrumentHeight: return "SetInstrumentHeight";
    case Op::AddObservation: return "AddObservation";
    case Op::SetPressure: return "SetPressure";
    case Op::SetTemperature: return "SetTemperature";
    case Op::SetVerticalCircle: return "SetVerticalCircle";
    case Op::SetHorizontalCircle: return "SetHorizontalCircle";
    case Op::SetTargetHeight: return "SetTargetHeight";
    case Op::SetSlopeDistance: return "SetSlopeDistance";
    case Op::SetFace: return "SetFace";
    case Op::Reserved3: return "Reserved3";
    case Op::Reserved4: return "Reserved4";
    case Op::Reserved7: return "Reserved7";
    case Op::Reserved14: return "Reserved14";
    case Op::Reserved15: return "Reserved15";
    case Op::Reserved18: return "Reserved18";
    case Op::Reserved19: return "Reserved19";
    case Op::Reserved20: return "Reserved20";
    case Op::Reserved22: return "Reserved22";
    case Op::Reserved23: return "Reserved23";
    case Op::Reserved27: return "Reserved27";
    case Op::Reserved32: return "Reserved32";
    case Op::CreateLinearParser: return "CreateLinearParser";
    case Op::CreateAngleParser: return "CreateAngleParser";
    case Op::CreatePressureParser: return "CreatePressureParser";
    case Op::CreateTemperatureParser: return "CreateTemperatureParser";
    case Op::Parse: return "Parse";
    case Op::AddRef: return "AddRef";
    case Op::Release: return "Release";
    }
    return "?";
}

Call::Call(const CallEvent& event) : op(OpName(event.op)) {
    switch (event.kind) {
    case CallEvent::Kind::None: break;
    case CallEvent::Kind::Text: arg = Platform::ToUtf8(event.text); break;
    case CallEvent::Kind::Label: arg = std::string(event.label); break;
    case CallEvent::Kind::Number: arg = event.number; break;
    case CallEvent::Kind::Flag: arg = event.flag; break;
    case CallEvent::Kind::Integer: arg = event.integer; break;
    }
    if (event.op == Op::Parse) {
        parser = event.label;
        result = event.result;
    }
}

namespace {

// A character JSON must escape, written as its escape: the length, at most 6.
std::size_t Escaped(char* out, char c) {
    const auto two = [out](char second) {
        out[0] = '\\';
        out[1] = second;
        return std::size_t{2};
    };
    switch (c) {
    case '"': return two('"');
    case '\\': return two('\\');
    case '\b': return two('b');
    case '\f': return two('f');
    case '\n': return two('n');
    case '\r': return two('r');
    case '\t': return two('t');
    default: break;
    }
    static const char kHex[] = "0123456789abcdef";
    const auto byte = static_cast<unsigned char>(c);
    const char escaped[6] = {'\\', 'u', '0', '0', kHex[byte >> 4], kHex[byte & 15]};
    std::memcpy(out, escaped, sizeof escaped);
    return sizeof escaped;
}

bool NeedsEscape(unsigned char c) { return c < 0x20 || c == '"' || c == '\\'; }

// Code point of the UTF-16 text at `i`, moving `i` past it; an unpaired surrogate is U+FFFD.
char32_t NextCodePoint(Plugin::WStringView text, std::size_t& i) {
    const char32_t unit = static_cast<char16_t>(text[i++]);
    if (unit < 0xD800 || unit > 0xDFFF) return unit;
    if (unit <= 0xDBFF && i < text.size()) {
        const char32_t low = static_cast<char16_t>(text[i]);
        if (low >= 0xDC00 && low <= 0xDFFF) {
            ++i;
            return 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
        }
    }
    return 0xFFFD;
}

// The length, at most 4.
std::size_t Encoded(char* out, char32_t cp) {
    if (cp < 0x800) {
        out[0] = static_cast<char>(0xC0 | (cp >> 6));
        out[1] = static_cast<char>(0x80 | (cp & 0x3F));
        return 2;
    }
    if (cp < 0x10000) {
        out[0] = static_cast<char>(0xE0 | (cp >> 12));
        out[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out[2] = static_cast<char>(0x80 | (cp & 0x3F));
        return 3;
    }
    out[0] = static_cast<char>(0xF0 | (cp >> 18));
    out[1] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out[2] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out[3] = static_cast<char>(0x80 | (cp & 0x3F));
    return 4;
}

// UTF-16 as UTF-8, escaped for JSON or not, through a buffer on the stack: one append to
// the output per few hundred characters.
template <bool Escape>
void AppendConverted(std::string& out, Plugin::WStringView text) {
    char buffer[512];
    std::size_t used = 0;
    for (std::size_t i = 0; i < text.size();) {
        if (used > sizeof buffer - 8) {
            out.append(buffer, used);
            used = 0;
        }
        const auto unit = static_cast<char16_t>(text[i]);
        if (unit < 0x80) {
            const char c = static_cast<char>(unit);
            if (Escape && NeedsEscape(static_cast<unsigned char>(c)))
                used += Escaped(buffer + used, c);
            else
                buffer[used++] = c;
            ++i;
            continue;
        }
        used += Encoded(buffer + used, NextCodePoint(text, i));
    }
    out.append(buffer, used);
}

}  // namespace

void AppendJsonString(std::string& out, std::string_view utf8) {
    out += '"';
    std::size_t plain = 0;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        if (!NeedsEscape(static_cast<unsigned char>(utf8[i]))) continue;
        out.append(utf8.data() + plain, i - plain);
        char escaped[6];
        out.append(escaped, Escaped(escaped, utf8[i]));
        plain = i + 1;
    }
    out.append(utf8.data() + plain, utf8.size() - plain);
    out += '"';
}

void AppendJsonString(std::string& out, Plugin::WStringView utf16) {
    out += '"';
    AppendConverted<true>(out, utf16);
    out += '"';
}

void AppendUtf8(std::string& out, Plugin::WStringView utf16) { AppendConverted<false>(out, utf16); }

std::string JsonString(const std::string& utf8) {
    std::string out;
    AppendJsonString(out, utf8);
    return out;
}

namespace {

// value = ±0.digits × 10^n, in JavaScript's layout.
std::size_t LaidOut(char* out, bool negative, const char* digits, int k, int n) {
    char* q = out;
    if (negative) *q++ = '-';
    if (k <= n && n <= 21) {
        std::memcpy(q, digits, static_cast<std::size_t>(k));
        q += k;
        std::memset(q, '0', static_cast<std::size_t>(n - k));
        q += n - k;
    } else if (0 < n && n <= 21) {
        std::memcpy(q, digits, static_cast<std::size_t>(n));
        q += n;
        *q++ = '.';
        std::memcpy(q, digits + n, static_cast<std::size_t>(k - n));
        q += k - n;
    } else if (-6 < n && n <= 0) {
        *q++ = '0';
        *q++ = '.';
        std::memset(q, '0', static_cast<std::size_t>(-n));
        q += -n;
        std::memcpy(q, digits, static_cast<std::size_t>(k));
        q += k;
    } else {
        *q++ = digits[0];
        if (k > 1) {
            *q++ = '.';
            std::memcpy(q, digits + 1, static_cast<std::size_t>(k - 1));
            q += k - 1;
        }
        *q++ = 'e';
        *q++ = n - 1 < 0 ? '-' : '+';
        q = std::to_chars(q, q + 8, std::abs(n - 1)).ptr;
    }
    return static_cast<std::size_t>(q - out);
}

}  // namespace


// The shortest digits that read back as the same double, laid out as JavaScript's JSON
// writes numbers: 100000, 0.5, 1e+21, 1e-7. Negative zero keeps its sign.
std::size_t FormatJsonNumber(char* out, double value) {
    const auto copy = [out](const char* text, std::size_t length) {
        std::memcpy(out, text, length);
        return length;
    };
    if (std::isnan(value)) return copy("\"nan\"", 5);
    if (std::isinf(value)) return value > 0 ? copy("\"inf\"", 5) : copy("\"-inf\"", 6);

    char scientific[32];
    const char* const end = std::to_chars(scientific, scientific + sizeof scientific, value, std::chars_format::scientific).ptr;
    // [-]d[.ddd]e±xx
    const char* p = scientific;
    const bool negative = *p == '-';
    if (negative) ++p;
    char digits[24];
    int k = 0;
    for (; *p != 'e'; ++p)
        if (*p != '.') digits[k++] = *p;
    ++p;  // past 'e'
    const bool negativeExponent = *p == '-';
    ++p;  // the exponent always has its sign
    int exponent = 0;
    for (; p < end; ++p) exponent = exponent * 10 + (*p - '0');
    const int n = (negativeExponent ? -exponent : exponent) + 1;  // value = 0.digits × 10^n

    return LaidOut(out, negative, digits, k, n);
}

// A value parser's answer can be written from the digits of the text it read when they
// are the shortest that read back as that double, which saves the shortest-digits search
// for nearly every number of a job. They are when the text is a plain decimal of at most
// 15 significant digits (any two such decimals read as different doubles, so no shorter
// digits give the same one) and the double is exactly what it reads as, which one
// correctly rounded multiplication or division of exact operands confirms.
namespace {

template <typename Char>
bool ReadDecimal(std::basic_string_view<Char> text, double value, ShortDecimal* decimal) {
    if (!std::isfinite(value) || value == 0) return false;
    const Char* p = text.data();
    const Char* end = p + text.size();
    const auto blank = [](Char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (p < end && blank(*p)) ++p;
    while (end > p && blank(end[-1])) --end;
    // Short enough for a magnitude far from the ends of the double's range.
    if (p == end || end - p > 40) return false;
    const auto digit = [](Char c) { return static_cast<unsigned>(c) - '0' < 10; };

    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    // The digits from the first significant one, kept and as one integer (at most 19).
    char* const digits = decimal->digits;
    std::uint64_t whole = 0;
    int k = 0;  // digits kept
    int n = 0;  // value = 0.digits × 10^n
    const auto take = [&](Char c) {
        if (k == 19) return false;
        digits[k++] = static_cast<char>(c);
        whole = whole * 10 + static_cast<std::uint64_t>(c - '0');
        return true;
    };
    while (p < end && *p == '0') ++p;
    for (; p < end && digit(*p); ++p)
        if (!take(*p)) return false;
    n = k;
    if (p < end && *p == '.') {
        ++p;
        if (k == 0)
            for (; p < end && *p == '0'; ++p) --n;
        for (; p < end && digit(*p); ++p)
            if (!take(*p)) return false;
    }
    if (p != end || k == 0) return false;  // an exponent, or no digit but zeros
    // Trailing zeros are not significant.
    static const std::uint64_t kTens[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000, 1000000000,
                                          10000000000, 100000000000, 1000000000000, 10000000000000, 100000000000000,
                                          1000000000000000, 10000000000000000, 100000000000000000, 1000000000000000000};
    int significant = k;
    while (digits[significant - 1] == '0') --significant;
    whole /= kTens[k - significant];
    k = significant;
    if (k > 15) return false;

    static const double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                     1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    const int exponent = n - k;  // value = whole × 10^exponent
    if (exponent < -22 || exponent > 22) return false;
    const double magnitude = exponent >= 0 ? static_cast<double>(whole) * kPowers[exponent]
                                           : static_cast<double>(whole) / kPowers[-exponent];
    if ((negative ? -magnitude : magnitude) != value) return false;
    decimal->negative = negative;
    decimal->count = k;
    decimal->exponent = n;
    return true;
}

}  // namespace

bool ReadShortDecimal(std::string_view text, double value, ShortDecimal* decimal) { return ReadDecimal(text, value, decimal); }
bool ReadShortDecimal(Plugin::WStringView text, double value, ShortDecimal* decimal) { return ReadDecimal(text, value, decimal); }

std::size_t FormatParsedJsonNumber(char* out, Plugin::WStringView text, double value) {
    ShortDecimal decimal;
    if (!ReadShortDecimal(text, value, &decimal)) return FormatJsonNumber(out, value);
    return LaidOut(out, decimal.negative, decimal.digits, decimal.count, decimal.exponent);
}

std::size_t FormatParsedJsonNumber(char* out, std::string_view text, double value) {
    ShortDecimal decimal;
    if (!ReadShortDecimal(text, value, &decimal)) return FormatJsonNumber(out, value);
    return LaidOut(out, decimal.negative, decimal.digits, decimal.count, decimal.exponent);
}

// Rounding the text's digits rounds the double the same way unless the dropped digits are
// exactly a half: the double lies far closer to the text than a unit of the text's last
// digit, so only a tie can fall to either side of it.
std::size_t FormatFixed(char* out, std::size_t size, double value, int decimals, std::string_view parsedFrom) {
    ShortDecimal decimal;
    if (decimals >= 0 && decimals <= 20 && ReadShortDecimal(parsedFrom, value, &decimal) &&
        decimal.exponent + decimals <= 36) {
        // value × 10^decimals = 0.digits × 10^kept: its whole part, rounded.
        const int kept = decimal.exponent + decimals;
        char whole[40];
        int count = 0;
        bool up = false, tie = false;
        for (int i = 0; i < kept; ++i) whole[count++] = i < decimal.count ? decimal.digits[i] : '0';
        if (kept >= 0 && kept < decimal.count) {
            const char dropped = decimal.digits[kept];
            const bool more = kept + 1 < decimal.count;  // the last significant digit is never a zero
            up = dropped > '5' || (dropped == '5' && more);
            tie = dropped == '5' && !more;
        }
        if (!tie && count + decimals + 4 <= static_cast<int>(size)) {
            if (up) {
                int i = count - 1;
                for (; i >= 0 && whole[i] == '9'; --i) whole[i] = '0';
                if (i >= 0) {
                    ++whole[i];
                } else {
                    std::memmove(whole + 1, whole, static_cast<std::size_t>(count));
                    whole[0] = '1';
                    ++count;
                }
            }
            // The last `decimals` digits of the whole part are the fraction.
            char* q = out;
            if (decimal.negative) *q++ = '-';
            const int before = count - decimals;
            if (before <= 0) {
                *q++ = '0';
            } else {
                std::memcpy(q, whole, static_cast<std::size_t>(before));
                q += before;
            }
            if (decimals > 0) {
                *q++ = '.';
                for (int i = before; i < count; ++i) *q++ = i < 0 ? '0' : whole[i];
            }
            return static_cast<std::size_t>(q - out);
        }
    }
    return static_cast<std::size_t>(std::to_chars(out, out + size, value, std::chars_format::fixed, decimals).ptr - out);
}

void AppendJsonNumber(std::string& out, double value) {
    char text[kJsonNumberSize];
    out.append(text, FormatJsonNumber(text, value));
}

std::string JsonNumber(double value) {
    std::string out;
    AppendJsonNumber(out, value);
    return out;
}

namespace {

void AppendInteger(std::string& out, std::int32_t value) {
    char text[16];
    out.append(text, static_cast<std::size_t>(std::to_chars(text, text + sizeof text, value).ptr - text));
}

void AppendResult(std::string& out, const std::optional<double>& result) {
    out += ",\"result\":";
    if (result)
        AppendJsonNumber(out, *result);
    else
        out += "null";
}

}  // namespace

std::string ToJsonLine(const Call& call) {
    std::string line = "{\"op\":";
    AppendJsonString(line, call.op);
    if (call.IsParse()) {
        line += ",\"parser\":";
        AppendJsonString(line, call.parser);
    }
    if (!std::holds_alternative<std::monostate>(call.arg)) {
        line += ",\"arg\":";
        struct {
            std::string& out;
            void operator()(std::monostate) const {}
            void operator()(const std::string& text) const { AppendJsonString(out, text); }
            void operator()(double number) const { AppendJsonNumber(out, number); }
            void operator()(bool flag) const { out += flag ? "true" : "false"; }
            void operator()(std::int32_t number) const { AppendInteger(out, number); }
        } visitor{line};
        std::visit(visitor, call.arg);
    }
    if (call.IsParse()) AppendResult(line, call.result);
    return line + "}";
}

namespace {

// `{"op":"NAME"` and `{"op":"NAME","arg":` of every operation, made once.
struct OpPrefixes {
    std::string plain[kOpCount];
    std::string withArgument[kOpCount];

    OpPrefixes() {
        for (std::size_t i = 0; i < kOpCount; ++i) {
            plain[i] = std::string("{\"op\":\"") + OpName(static_cast<Op>(i)) + "\"";
            withArgument[i] = plain[i] + ",\"arg\":";
        }
    }
};

const OpPrefixes& Prefixes() {
    static const OpPrefixes prefixes;
    return prefixes;
}

// Writers into a buffer known to be large enough: the line is written in place.
char* Put(char* q, std::string_view text) {
    std::memcpy(q, text.data(), text.size());
    return q + text.size();
}

char* PutLabel(char* q, const char* label) {
    while (*label) *q++ = *label++;
    return q;
}

// At most 6 bytes per UTF-16 unit, and the quotes.
char* PutJsonString(char* q, Plugin::WStringView text) {
    *q++ = '"';
    for (std::size_t i = 0; i < text.size();) {
        const auto unit = static_cast<char16_t>(text[i]);
        if (unit < 0x80) {
            const char c = static_cast<char>(unit);
            if (NeedsEscape(static_cast<unsigned char>(c)))
                q += Escaped(q, c);
            else
                *q++ = c;
            ++i;
            continue;
        }
        q += Encoded(q, NextCodePoint(text, i));
    }
    *q++ = '"';
    return q;
}

}  // namespace

char* CCallLineWriter::PutNumber(char* q, double value, Plugin::WStringView parsedFrom) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    if (!m_hasLast || bits != m_lastBits) {
        m_lastLength = parsedFrom.empty() ? FormatJsonNumber(m_last, value) : FormatParsedJsonNumber(m_last, parsedFrom, value);
        m_lastBits = bits;
        m_hasLast = true;
    }
    std::memcpy(q, m_last, m_lastLength);
    return q + m_lastLength;
}

std::size_t CCallLineWriter::MaxLength(const CallEvent& event) {
    return 160 + 2 * kJsonNumberSize + 6 * event.text.size();
}

void CCallLineWriter::Append(std::string& out, const CallEvent& event) {
    // A line of the usual length is written on the stack and appended whole: a resize of the
    // output for the longest line it could be would fill that with zeros first. A longer
    // one is written in place, into room made for it, and the rest given back.
    constexpr std::size_t kUsual = 512;
    if (MaxLength(event) <= kUsual) {
        char line[kUsual];
        out.append(line, static_cast<std::size_t>(Write(line, event) - line));
        return;
    }
    const std::size_t start = out.size();
    out.resize(start + MaxLength(event));
    char* const begin = &out[start];
    out.resize(start + static_cast<std::size_t>(Write(begin, event) - begin));
}

char* CCallLineWriter::Write(char* q, const CallEvent& event) {
    const std::size_t op = static_cast<std::size_t>(event.op);
    if (event.op == Op::Parse) {
        q = Put(q, "{\"op\":\"Parse\",\"parser\":\"");
        q = PutLabel(q, event.label);
        q = Put(q, "\",\"arg\":");
        q = PutJsonString(q, event.text);
        if (event.result) {
            q = Put(q, ",\"result\":");
            q = PutNumber(q, *event.result, event.text);
            *q++ = '}';
        } else {
            q = Put(q, ",\"result\":null}");
        }
    } else if (event.kind == CallEvent::Kind::None) {
        q = Put(q, Prefixes().plain[op]);
        *q++ = '}';
    } else {
        q = Put(q, Prefixes().withArgument[op]);
        switch (event.kind) {
        case CallEvent::Kind::None: break;
        case CallEvent::Kind::Text: q = PutJsonString(q, event.text); break;
        case CallEvent::Kind::Label:
            *q++ = '"';
            q = PutLabel(q, event.label);
            *q++ = '"';
            break;
        case CallEvent::Kind::Number: q = PutNumber(q, event.number, {}); break;
        case CallEvent::Kind::Flag: q = Put(q, event.flag ? std::string_view("true") : std::string_view("false")); break;
        case CallEvent::Kind::Integer: q = std::to_chars(q, q + 16, event.integer).ptr; break;
        }
        *q++ = '}';
    }
    return q;
}

void AppendJsonLine(std::string& out, const CallEvent& event) { CCallLineWriter().Append(out, event); }

}  // namespace Host
