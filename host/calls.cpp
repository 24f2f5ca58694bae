#include "host/calls.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "host/exact_powers.h"
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

char* PutJsonString(char* out, std::string_view utf8) {
    *out++ = '"';
    for (const char c : utf8) {
        if (NeedsEscape(static_cast<unsigned char>(c)))
            out += Escaped(out, c);
        else
            *out++ = c;
    }
    *out++ = '"';
    return out;
}

void AppendJsonString(std::string& out, std::string_view utf8) {
    const std::size_t at = out.size();
    out.resize(at + 6 * utf8.size() + 2);
    out.resize(static_cast<std::size_t>(PutJsonString(&out[at], utf8) - out.data()));
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

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "digits are made in the bytes of a word, the first lowest");

// The eight decimal digits of value < 10^8, zeros first, as the bytes of a word (0 to 9,
// not yet characters): four lanes of two digits, then eight of one, each by a
// multiplication that divides exactly in the lane's range.
inline std::uint64_t EightDigits(std::uint64_t value) {
    const std::uint64_t fours = value / 10000 | (value % 10000) << 32;
    const std::uint64_t hundreds = (fours * 10486 >> 20) & 0x0000007F0000007Fu;  // / 100
    const std::uint64_t pairs = hundreds | (fours - 100 * hundreds) << 16;
    const std::uint64_t tens = (pairs * 103 >> 10) & 0x000F000F000F000Fu;  // / 10
    return tens | (pairs - 10 * tens) << 8;
}

// The sixteen decimal digits of value < 10^16, zeros first, into digits[0..15] (which
// has room for 32, so that any sixteen from it can be copied whole); how many of them
// are significant, and how many zeros end them.
struct Sixteen {
    char digits[32];
    int count;     // from the first digit that is not a zero; 0 for 0
    int trailing;  // zeros at the end; 16 for 0
};

inline Sixteen SixteenDigits(std::uint64_t value) {
    const std::uint64_t high = EightDigits(value / 100000000);
    const std::uint64_t low = EightDigits(value % 100000000);
    Sixteen sixteen;
    const std::uint64_t characters[] = {high + 0x3030303030303030u, low + 0x3030303030303030u};
    std::memcpy(sixteen.digits, characters, 16);
    // A zero digit is a zero byte: the first digits are the words' low bytes.
    sixteen.count = high ? 16 - __builtin_ctzll(high) / 8 : low ? 8 - __builtin_ctzll(low) / 8 : 0;
    sixteen.trailing = low ? __builtin_clzll(low) / 8 : high ? 8 + __builtin_clzll(high) / 8 : 16;
    return sixteen;
}

// Nearly every number a job holds was written with at most 15 significant digits, and any
// two such decimals are different doubles: a double that is the nearest to one of them
// has it as its shortest form, and that decimal is the double rounded to 15 digits. One
// multiplication finds it (the double is within half a unit in the last place of the
// decimal, the product within another, both far from the half that would round wrongly),
// and one correctly rounded division of exact operands proves it. The JSON text is then
// written straight from it; the length, or 0 for a double this leaves to the search.
std::size_t QuickJsonNumber(char* out, double value) {
    const double magnitude = std::fabs(value);
    // No exponent in JavaScript's layout, and 10^places exact; also no zero, NaN or infinity.
    if (!(magnitude >= 1e-6 && magnitude < 1e15)) return 0;
    std::uint64_t bits;
    std::memcpy(&bits, &magnitude, sizeof bits);
    const int binaryExponent = static_cast<int>(bits >> 52) - 1023;  // 2^e <= magnitude < 2^(e+1)
    // floor(log10(magnitude)) or one less, from floor(e × log10(2)).
    const int estimate = (binaryExponent * 78913) >> 18;
    int places = 14 - estimate;  // 10^14 <= magnitude × 10^places < 10^16
    double scaled = magnitude * kExactPowersOfTen[places];
    if (scaled >= 1e15) scaled = magnitude * kExactPowersOfTen[--places];
    const auto whole = static_cast<std::uint64_t>(scaled + 0.5);  // exact: scaled < 2^50
    if (whole >= 1000000000000000u || static_cast<double>(whole) / kExactPowersOfTen[places] != magnitude) return 0;

    // whole has 15 digits (digits[1..15]), `places` of them after the point. The double's
    // whole part is the decimal's: 15 digits keep the decimal further from the next whole
    // number than the double can lie from the decimal. Pieces are copied sixteen bytes at
    // a time, over what comes after them.
    const Sixteen sixteen = SixteenDigits(whole);
    const char* const digits = sixteen.digits + 1;
    const int significant = 15 - sixteen.trailing;
    char* q = out;
    if (std::signbit(value)) *q++ = '-';
    if (places < 15) {
        const int before = 15 - places;
        std::memcpy(q, digits, 16);
        q += before;
        if (significant > before) {
            *q++ = '.';
            std::memcpy(q, digits + before, 16);
            q += significant - before;
        }
    } else {
        std::memcpy(q, "0.000000", 8);
        q += 2 + (places - 15);
        std::memcpy(q, digits, 16);
        q += significant;
    }
    return static_cast<std::size_t>(q - out);
}

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
    if (const std::size_t length = QuickJsonNumber(out, value)) return length;

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

// printf rounds the double itself, exactly, a half to even. The double times 10^decimals,
// rounded once, cannot pass a half of the last place, which is a double itself while below
// 2^52: a product that is not on a half lies on the side of it where the exact product
// lies. A product right on a half is decided in whole numbers.
std::size_t FormatFixed(char* out, std::size_t size, double value, int decimals) {
    constexpr double kHalvesExact = 4503599627370496.0;  // 2^52
    const double magnitude = std::fabs(value);
    const double scaled = decimals >= 0 && decimals <= 15 ? magnitude * kExactPowersOfTen[decimals] : kHalvesExact;
    if (scaled < kHalvesExact && size >= 40) {  // also false for NaN
        auto whole = static_cast<std::uint64_t>(scaled);
        const double fraction = scaled - static_cast<double>(whole);  // exact
        if (fraction == 0.5) {
            // magnitude = mantissa / 2^shift (shift >= 1: it is no whole number), so the
            // exact product against whole + 1/2 is mantissa × 10^decimals × 2 against
            // (2 × whole + 1) × 2^shift; both near 2 × scaled × 2^shift < 2^106.
            std::uint64_t bits;
            std::memcpy(&bits, &magnitude, sizeof bits);
            const std::uint64_t mantissa = (bits & ((std::uint64_t{1} << 52) - 1)) | std::uint64_t{1} << 52;
            const int shift = 1075 - static_cast<int>(bits >> 52);
            __extension__ typedef unsigned __int128 Wide;
            const Wide exact = Wide{mantissa} * static_cast<std::uint64_t>(kExactPowersOfTen[decimals]) * 2;
            const Wide half = Wide{2 * whole + 1} << shift;
            whole += exact > half || (exact == half && whole % 2 == 1);
        } else {
            whole += fraction > 0.5;
        }
        const Sixteen sixteen = SixteenDigits(whole);  // whole <= 2^52 < 10^16
        const int count = std::max(sixteen.count, decimals + 1);  // at least one before the point
        const int before = count - decimals;
        const char* const digits = sixteen.digits + 16 - count;
        char* q = out;
        if (std::signbit(value)) *q++ = '-';
        std::memcpy(q, digits, 16);
        q += before;
        if (decimals > 0) {
            *q++ = '.';
            std::memcpy(q, digits + before, 16);
            q += decimals;
        }
        return static_cast<std::size_t>(q - out);
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

// A piece of a line that is always the same, copied whole: the copy of all its room is one
// fixed move, and only its length counts.
struct Piece {
    char text[48] = {};
    std::size_t length = 0;

    Piece() = default;
    explicit Piece(std::string_view from) : length(from.size()) { std::memcpy(text, from.data(), from.size()); }
};

// `{"op":"NAME"` and `{"op":"NAME","arg":` of every operation, made once.
struct OpPrefixes {
    Piece plain[kOpCount];
    Piece withArgument[kOpCount];

    OpPrefixes() {
        for (std::size_t i = 0; i < kOpCount; ++i) {
            const std::string name = std::string("{\"op\":\"") + OpName(static_cast<Op>(i)) + "\"";
            plain[i] = Piece(name);
            withArgument[i] = Piece(name + ",\"arg\":");
        }
    }
};

// Made when the program starts, so that no line pays for asking whether they are made.
const OpPrefixes kPrefixes;

// Writers into a buffer known to be large enough: the line is written in place.
char* Put(char* q, std::string_view text) {
    std::memcpy(q, text.data(), text.size());
    return q + text.size();
}

// Room for a whole piece is part of every line's MaxLength.
char* Put(char* q, const Piece& piece) {
    std::memcpy(q, piece.text, sizeof piece.text);
    return q + piece.length;
}

char* PutLabel(char* q, const char* label) {
    while (*label) *q++ = *label++;
    return q;
}

#ifdef __SSE2__
// Eight UTF-16 units written as eight bytes when none of them is outside ASCII or needs
// an escape; false, and nothing written, otherwise.
bool PutPlainEight(char* q, const Plugin::WChar* units) {
    const __m128i eight = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units));
    // As signed 16-bit numbers, units from U+8000 on are negative and fail the first test.
    const __m128i plain = _mm_andnot_si128(
        _mm_or_si128(_mm_cmpeq_epi16(eight, _mm_set1_epi16('"')), _mm_cmpeq_epi16(eight, _mm_set1_epi16('\\'))),
        _mm_and_si128(_mm_cmplt_epi16(eight, _mm_set1_epi16(0x80)), _mm_cmpgt_epi16(eight, _mm_set1_epi16(0x1F))));
    if (_mm_movemask_epi8(plain) != 0xFFFF) return false;
    _mm_storel_epi64(reinterpret_cast<__m128i*>(q), _mm_packus_epi16(eight, eight));
    return true;
}
#endif

// At most 6 bytes per UTF-16 unit, and the quotes.
char* PutJsonString(char* q, Plugin::WStringView text) {
    *q++ = '"';
    std::size_t i = 0;
#ifdef __SSE2__
    // Names and numbers are plain ASCII nearly always: eight units at a time, and a shorter
    // tail as the text's last eight (the bytes where they overlap written twice, the same).
    if (text.size() >= 8) {
        for (; i + 8 <= text.size() && PutPlainEight(q, text.data() + i); i += 8) q += 8;
        if (i != text.size() && i + 8 > text.size()) {
            const std::size_t repeated = i + 8 - text.size();
            if (PutPlainEight(q - repeated, text.data() + text.size() - 8)) {
                q += 8 - repeated;
                i = text.size();
            }
        }
    }
#endif
    while (i < text.size()) {
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

char* CCallLineWriter::PutNumber(char* q, double value) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    if (!m_hasLast || bits != m_lastBits) {
        m_lastLength = FormatJsonNumber(m_last, value);
        m_lastBits = bits;
        m_hasLast = true;
    }
    std::memcpy(q, m_last, sizeof m_last);  // whole: a line has room for it
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
            q = PutNumber(q, *event.result);
            *q++ = '}';
        } else {
            q = Put(q, ",\"result\":null}");
        }
    } else if (event.kind == CallEvent::Kind::None) {
        q = Put(q, kPrefixes.plain[op]);
        *q++ = '}';
    } else {
        q = Put(q, kPrefixes.withArgument[op]);
        switch (event.kind) {
        case CallEvent::Kind::None: break;
        case CallEvent::Kind::Text: q = PutJsonString(q, event.text); break;
        case CallEvent::Kind::Label:
            *q++ = '"';
            q = PutLabel(q, event.label);
            *q++ = '"';
            break;
        case CallEvent::Kind::Number: q = PutNumber(q, event.number); break;
        case CallEvent::Kind::Flag: q = Put(q, event.flag ? std::string_view("true") : std::string_view("false")); break;
        case CallEvent::Kind::Integer: q = std::to_chars(q, q + 16, event.integer).ptr; break;
        }
        *q++ = '}';
    }
    return q;
}

void AppendJsonLine(std::string& out, const CallEvent& event) { CCallLineWriter().Append(out, event); }

}  // namespace Host
