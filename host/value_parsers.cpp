#include "host/value_parsers.h"

#include <algorithm>
#include <charconv>
#include <string>

namespace Host {
namespace {

bool IsBlank(Plugin::WChar c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The rule on ASCII text with no blanks at its ends. std::from_chars reads the number,
// but it takes what the rule refuses ("inf", "nan", the "1" of "1e" and of "0x1A"), refuses
// the '+' the rule allows, and answers result_out_of_range alike for a value too large for
// a double and one too small even for a subnormal. The shape is therefore checked first,
// and the decimal exponent of the first digit that is not a zero tells the two apart.
std::optional<double> ReadDecimal(std::string_view text) {
    std::size_t i = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) ++i;
    const std::string_view withoutSign = text.substr(i);

    long long lead = 0;  // 10^lead <= the value's magnitude < 10^(lead+1), when it is not zero
    bool nonZero = false;
    std::size_t digits = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i, ++digits) {
        if (nonZero) ++lead;
        nonZero = nonZero || text[i] != '0';
    }
    if (i < text.size() && text[i] == '.') {
        for (++i; i < text.size() && IsDigit(text[i]); ++i, ++digits) {
            if (!nonZero) --lead;
            nonZero = nonZero || text[i] != '0';
        }
    }
    if (digits == 0) return std::nullopt;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        const bool negativeExponent = i < text.size() && text[i] == '-';
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
        // Held far beyond what any number of digits could offset, so that its sign still
        // decides the lead's.
        constexpr long long kLimit = 1'000'000'000'000'000;
        long long exponent = 0;
        std::size_t exponentDigits = 0;
        for (; i < text.size() && IsDigit(text[i]); ++i, ++exponentDigits)
            exponent = std::min(exponent * 10 + (text[i] - '0'), kLimit);
        if (exponentDigits == 0) return std::nullopt;
        lead += negativeExponent ? -exponent : exponent;
    }
    if (i != text.size()) return std::nullopt;

    double value = 0;
    const auto read = std::from_chars(withoutSign.data(), withoutSign.data() + withoutSign.size(), value);
    if (read.ec == std::errc::result_out_of_range) {
        if (lead > 0) return std::nullopt;  // overflows to infinity
        value = 0;                          // too small even for a subnormal
    } else if (read.ec != std::errc() || read.ptr != withoutSign.data() + withoutSign.size()) {
        return std::nullopt;
    }
    return negative ? -value : value;
}

class CValueParser final : public CRecordedObject<Plugin::IValueParser> {
public:
    CValueParser(CallRecorder* recorder, const char* label) : CRecordedObject(recorder, label) {}

    bool Parse(const Plugin::WChar* text, double* value) override {
        const Plugin::WStringView view = text ? Plugin::WStringView(text) : Plugin::WStringView();
        const std::optional<double> result = ParseDecimal(view);
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
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    // std::from_chars reads bytes: the text narrowed, on the stack when it is short, as
    // numbers are.
    char shortText[64];
    std::string longText;
    char* ascii = shortText;
    if (text.size() > sizeof shortText) {
        longText.resize(text.size());
        ascii = longText.data();
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] >= 0x80) return std::nullopt;
        ascii[i] = static_cast<char>(text[i]);
    }
    return ReadDecimal(std::string_view(ascii, text.size()));
}

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
