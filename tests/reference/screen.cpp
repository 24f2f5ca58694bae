// The screen in its plainest form, one byte at a time: the reference that the reader built
// with JXL_REFERENCE_READER uses, and that the differential tests hold screen.cpp to.
#include "reader/screen.h"

#include <cstdint>

#include "reader/xml.h"

namespace Reader {
namespace {

using Tables = rapidxml::internal::lookup_tables<0>;

bool IsSpace(unsigned char c) { return Tables::lookup_whitespace[c] != 0; }
bool IsNameChar(unsigned char c) { return Tables::lookup_node_name[c] != 0; }
bool IsAttributeNameChar(unsigned char c) { return Tables::lookup_attribute_name[c] != 0; }

enum class Step { Continue, Stop, Reject };

class CScreen {
public:
    explicit CScreen(const char* text) : m_p(reinterpret_cast<const unsigned char*>(text)) {}

    bool Run() {
        if (m_p[0] == 0xEF && m_p[1] == 0xBB && m_p[2] == 0xBF) m_p += 3;
        for (;;) {
            SkipSpace();
            if (*m_p == 0) return true;
            if (m_depth == 0 && *m_p != '<') return true;  // "expected <"
            const Step step = m_depth == 0 ? Markup() : Content();
            if (step != Step::Continue) return step == Step::Stop;
        }
    }

private:
    void SkipSpace() {
        while (IsSpace(*m_p)) ++m_p;
    }

    bool SkipPast(const char* terminator, std::size_t length) {
        for (;; ++m_p) {
            if (*m_p == 0) return false;
            std::size_t i = 0;
            while (i < length && m_p[i] == static_cast<unsigned char>(terminator[i])) ++i;
            if (i == length) {
                m_p += length;
                return true;
            }
        }
    }

    // Inside an element: a closing tag, a child node, or text.
    Step Content() {
        if (*m_p != '<') return Text();
        if (m_p[1] != '/') return Markup();
        m_p += 2;
        while (IsNameChar(*m_p)) ++m_p;  // closing names are not compared
        SkipSpace();
        if (*m_p != '>') return Step::Stop;
        ++m_p;
        --m_depth;
        return Step::Continue;
    }

    // Text runs to the next '<'; only numeric references need a look.
    Step Text() {
        while (*m_p != '<') {
            if (*m_p == 0) return Step::Stop;
            if (*m_p == '&' && m_p[1] == '#') {
                const Step step = CharacterReference();
                if (step != Step::Continue) return step;
            } else {
                ++m_p;
            }
        }
        return Step::Continue;
    }

    // "&#" and digits. RapidXML sums the digits in an unsigned long, which wraps (at 32
    // bits on Windows), so a reference far above U+10FFFF could pass as a small one.
    Step CharacterReference() {
        const bool hex = m_p[2] == 'x';
        m_p += hex ? 3 : 2;
        const unsigned base = hex ? 16 : 10;
        std::uint32_t code = 0;
        for (unsigned char digit; (digit = Tables::lookup_digits[*m_p]) != 0xFF; ++m_p) {
            // RapidXML reads decimal digits through its hexadecimal table: "&#1a;" would
            // pass as U+0014 where it is a reference without its semicolon.
            if (digit >= base) return Step::Reject;
            if (code <= 0x10FFFF) code = code * base + digit;  // saturates above the limit
        }
        if (code > 0x10FFFF) return Step::Reject;
        if (*m_p != ';') return Step::Stop;
        ++m_p;
        return Step::Continue;
    }

    // After '<': an element, the declaration, a processing instruction, a comment, CDATA,
    // the DOCTYPE or another "<!" construct.
    Step Markup() {
        ++m_p;
        const unsigned char* p = m_p;
        if (p[0] == '?') {
            ++m_p;
            if ((p[1] == 'x' || p[1] == 'X') && (p[2] == 'm' || p[2] == 'M') && (p[3] == 'l' || p[3] == 'L') &&
                IsSpace(p[4])) {
                m_p += 4;
                SkipSpace();
                const Step step = Attributes();
                if (step != Step::Continue) return step;
                if (m_p[0] != '?' || m_p[1] != '>') return Step::Stop;
                m_p += 2;
                return Step::Continue;
            }
            return SkipPast("?>", 2) ? Step::Continue : Step::Stop;
        }
        if (p[0] == '!') {
            if (p[1] == '-' && p[2] == '-') {
                m_p += 3;
                return SkipPast("-->", 3) ? Step::Continue : Step::Stop;
            }
            if (p[1] == '[' && p[2] == 'C' && p[3] == 'D' && p[4] == 'A' && p[5] == 'T' && p[6] == 'A' && p[7] == '[') {
                m_p += 8;
                return SkipPast("]]>", 3) ? Step::Continue : Step::Stop;
            }
            if (p[1] == 'D' && p[2] == 'O' && p[3] == 'C' && p[4] == 'T' && p[5] == 'Y' && p[6] == 'P' && p[7] == 'E' &&
                IsSpace(p[8])) {
                m_p += 9;
                return Doctype();
            }
            ++m_p;
            while (*m_p != '>') {
                if (*m_p == 0) return Step::Stop;
                ++m_p;
            }
            ++m_p;
            return Step::Continue;
        }
        return Element();
    }

    Step Element() {
        if (m_depth + 1 > kMaxNesting) return Step::Reject;
        const unsigned char* name = m_p;
        while (IsNameChar(*m_p)) ++m_p;
        if (m_p == name) return Step::Stop;
        SkipSpace();
        const Step step = Attributes();
        if (step != Step::Continue) return step;
        if (*m_p == '>') {
            ++m_p;
            ++m_depth;
            return Step::Continue;
        }
        if (m_p[0] == '/' && m_p[1] == '>') {
            m_p += 2;
            return Step::Continue;
        }
        return Step::Stop;
    }

    Step Attributes() {
        while (IsAttributeNameChar(*m_p)) {
            ++m_p;
            while (IsAttributeNameChar(*m_p)) ++m_p;
            SkipSpace();
            if (*m_p != '=') return Step::Stop;
            ++m_p;
            SkipSpace();
            const unsigned char quote = *m_p;
            if (quote != '\'' && quote != '"') return Step::Stop;
            ++m_p;
            while (*m_p != quote) {
                if (*m_p == 0) return Step::Stop;
                if (*m_p == '&' && m_p[1] == '#') {
                    const Step step = CharacterReference();
                    if (step != Step::Continue) return step;
                } else {
                    ++m_p;
                }
            }
            ++m_p;
            SkipSpace();
        }
        return Step::Continue;
    }

    Step Doctype() {
        while (*m_p != '>') {
            if (*m_p == 0) return Step::Stop;
            if (*m_p++ != '[') continue;
            for (int depth = 1; depth > 0; ++m_p) {
                if (*m_p == '[') ++depth;
                else if (*m_p == ']') --depth;
                else if (*m_p == 0) return Step::Stop;
            }
        }
        ++m_p;
        return Step::Continue;
    }

    const unsigned char* m_p;
    int m_depth = 0;
};

}  // namespace

bool ScreenDocument(const char* text) { return CScreen(text).Run(); }

}  // namespace Reader
