#include "host/value_parsers.h"

#include <algorithm>
#include <charconv>
#include <cstdint>

#include "host/exact_powers.h"

namespace Host {
namespace {

bool IsBlank(Plugin::WChar c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The common case, a short plain decimal ("45.2910", "-0.0344", "1e5"), read without a
// copy: its digits as one integer of at most 2^53 and a power of ten of at most 22 make
// two doubles that are exact, so one division or multiplication rounds to the nearest
// double, as the full reading does. Answers nothing when the text is not of that shape,
// accepted or not: the full reading decides those. kTerminated: the text ends at its zero,
// and `end` is not used.
template <bool kTerminated>
std::optional<double> ReadShortDecimal(const Plugin::WChar* p, const Plugin::WChar* end) {
    constexpr std::uint64_t kExact = std::uint64_t{1} << 53;
    const auto at = [=](const Plugin::WChar* q) -> Plugin::WChar {
        if constexpr (kTerminated) return *q;
        else return q == end ? Plugin::WChar(0) : *q;
    };
    while (IsBlank(at(p))) ++p;
    const bool negative = at(p) == '-';
    if (at(p) == '+' || at(p) == '-') ++p;
    std::uint64_t mantissa = 0;
    int scale = 0;  // value = mantissa * 10^scale
    bool anyDigit = false;
    for (Plugin::WChar c; (c = at(p)) >= '0' && c <= '9'; ++p) {
        mantissa = mantissa * 10 + static_cast<unsigned>(c - '0');
        if (mantissa > kExact) return std::nullopt;
        anyDigit = true;
    }
    if (at(p) == '.') {
        for (Plugin::WChar c; (c = at(++p)) >= '0' && c <= '9';) {
            mantissa = mantissa * 10 + static_cast<unsigned>(c - '0');
            if (mantissa > kExact || --scale < -1000) return std::nullopt;
            anyDigit = true;
        }
    }
    if (!anyDigit) return std::nullopt;
    if (at(p) == 'e' || at(p) == 'E') {
        ++p;
        const bool negativeExponent = at(p) == '-';
        if (at(p) == '+' || at(p) == '-') ++p;
        int exponent = 0;
        bool anyExponentDigit = false;
        for (Plugin::WChar c; (c = at(p)) >= '0' && c <= '9'; ++p) {
            exponent = exponent * 10 + (c - '0');
            if (exponent > 1000) return std::nullopt;
            anyExponentDigit = true;
        }
        if (!anyExponentDigit) return std::nullopt;
        scale += negativeExponent ? -exponent : exponent;
    }
    while (IsBlank(at(p))) ++p;
    if (at(p) != 0 || (!kTerminated && p != end)) return std::nullopt;
    if (scale < -22 || scale > 22) return std::nullopt;
    const auto digits = static_cast<double>(mantissa);
    const double value = scale < 0 ? digits / kExactPowersOfTen[-scale] : digits * kExactPowersOfTen[scale];
    return negative ? -value : value;
}

std::optional<double> ReadDecimal(Plugin::WStringView text);

class CValueParser final : public CRecordedObject<Plugin::IValueParser> {
public:
    CValueParser(CallRecorder* recorder, const char* label) : CRecordedObject(recorder, label) {}

    bool Parse(const Plugin::WChar* text, double* value) override {
        std::optional<double> result = text ? ReadShortDecimal<true>(text, nullptr) : std::nullopt;
        Plugin::WStringView view;
        if (m_recorder || !result) {
            view = text ? Plugin::WStringView(text) : Plugin::WStringView();
            if (!result) result = ReadDecimal(view);  // the short reading has had its say
        }
        if (m_recorder) {
            CallEvent event{Op::Parse, CallEvent::Kind::Text};
            event.text = view;
            event.label = m_label;
            event.result = result;
            m_recorder->Record(event);
        }
        if (result) *value = *result;
        return result.has_value();
    }
};

}  // namespace

std::optional<double> ParseDecimal(Plugin::WStringView text) {
    if (const auto value = ReadShortDecimal<false>(text.data(), text.data() + text.size())) return value;
    return ReadDecimal(text);
}

namespace {

std::optional<double> ReadDecimal(Plugin::WStringView text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);

    std::string ascii;
    for (const Plugin::WChar c : text) {
        if (c >= 0x80) return std::nullopt;
        ascii += static_cast<char>(c);
    }
    std::size_t i = 0;
    const bool negative = i < ascii.size() && ascii[i] == '-';
    if (i < ascii.size() && (ascii[i] == '+' || ascii[i] == '-')) ++i;
    const std::size_t body = i;

    // The magnitude's decimal exponent, to tell an overflow from an underflow.
    long long magnitude = 0;
    bool seenNonZero = false;
    std::size_t digits = 0;
    for (; i < ascii.size() && IsDigit(ascii[i]); ++i, ++digits) {
        if (seenNonZero) ++magnitude;
        seenNonZero = seenNonZero || ascii[i] != '0';
    }
    if (i < ascii.size() && ascii[i] == '.') {
        for (++i; i < ascii.size() && IsDigit(ascii[i]); ++i, ++digits) {
            if (!seenNonZero) --magnitude;
            seenNonZero = seenNonZero || ascii[i] != '0';
        }
    }
    if (digits == 0) return std::nullopt;
    if (i < ascii.size() && (ascii[i] == 'e' || ascii[i] == 'E')) {
        ++i;
        const bool negativeExponent = i < ascii.size() && ascii[i] == '-';
        if (i < ascii.size() && (ascii[i] == '+' || ascii[i] == '-')) ++i;
        // Saturates only beyond what the digits could offset, so that its sign still
        // decides the magnitude's.
        const auto limit = static_cast<long long>(ascii.size()) + 100000;
        long long exponent = 0;
        std::size_t exponentDigits = 0;
        for (; i < ascii.size() && IsDigit(ascii[i]); ++i, ++exponentDigits)
            exponent = std::min(exponent * 10 + (ascii[i] - '0'), limit);
        if (exponentDigits == 0) return std::nullopt;
        magnitude += negativeExponent ? -exponent : exponent;
    }
    if (i != ascii.size()) return std::nullopt;

    double value = 0.0;
    const auto result = std::from_chars(ascii.data() + body, ascii.data() + ascii.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        if (magnitude > 0) return std::nullopt;  // overflows to infinity
        value = 0.0;                             // too small even for a subnormal
    } else if (result.ec != std::errc() || result.ptr != ascii.data() + ascii.size()) {
        return std::nullopt;
    }
    return negative ? -value : value;
}

}  // namespace

Plugin::IValueParser* CValueParserFactory::Make(Op op, const char* label, std::int32_t kind) {
    if (m_recorder) {
        CallEvent event{op, CallEvent::Kind::Integer};
        event.integer = kind;
        m_recorder->Record(event);
    }
    return new CValueParser(m_recorder, label);
}

Plugin::IValueParser* CValueParserFactory::CreateAngleParser(std::int32_t kind) {
    return Make(Op::CreateAngleParser, "angle", kind);
}
Plugin::IValueParser* CValueParserFactory::CreateLinearParser(std::int32_t kind) {
    return Make(Op::CreateLinearParser, "linear", kind);
}
Plugin::IValueParser* CValueParserFactory::CreatePressureParser(std::int32_t kind) {
    return Make(Op::CreatePressureParser, "pressure", kind);
}
Plugin::IValueParser* CValueParserFactory::CreateTemperatureParser(std::int32_t kind) {
    return Make(Op::CreateTemperatureParser, "temperature", kind);
}

}  // namespace Host
