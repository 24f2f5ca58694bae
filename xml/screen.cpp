#include "xml/screen.h"

#include <cstdint>
#include <string_view>

#include "xml/xml.h"

namespace Reader {
namespace {

// RapidXML's own tables of the bytes that go on a run: every one of them ends at the
// terminator, so no run passes the end of the text.
using Tables = rapidxml::internal::lookup_tables<0>;
using Table = unsigned char[256];

const unsigned char* Skip(const Table& goesOn, const unsigned char* p) {
    while (goesOn[*p]) ++p;
    return p;
}

const unsigned char* SkipSpace(const unsigned char* p) { return Skip(Tables::lookup_whitespace, p); }
const unsigned char* SkipName(const unsigned char* p) { return Skip(Tables::lookup_node_name, p); }

enum class Step { Continue, Stop, Reject };

class CScreen {
public:
    CScreen(const char* text, DocumentOutline& outline)
        : m_text(reinterpret_cast<const unsigned char*>(text)), m_p(m_text), m_outline(outline) {}

    // A step at a time: a run of blanks and one node, or one of its tags.
    Screened Run() {
        if (m_p[0] == 0xEF && m_p[1] == 0xBB && m_p[2] == 0xBF) m_p += 3;
        for (;;) {
            m_p = SkipSpace(m_p);
            if (*m_p == 0) return m_depth == 0 ? Screened::WellFormed : Screened::Malformed;
            if (m_depth == 0 && *m_p != '<') return Screened::Malformed;  // "expected <"
            const Step step = m_depth == 0 ? Markup() : Content();
            if (step == Step::Stop) return Screened::Malformed;
            if (step == Step::Reject) return Screened::Refused;
        }
    }

private:
    std::size_t Offset(const unsigned char* p) const { return static_cast<std::size_t>(p - m_text); }

    // The outline follows the elements of the first three levels. `open` is the tag's
    // '<', and the look is just past the tag.
    void Opened(const unsigned char* open, const unsigned char* name, std::size_t nameSize, bool empty) {
        const std::string_view tag(reinterpret_cast<const char*>(name), nameSize);
        switch (m_depth + 1) {
        case 1:
            if (!m_outline.root && tag == "JOBFile") {
                m_outline.root = true;
                m_inRoot = !empty;
            }
            break;
        case 2:
            if (!m_inRoot) break;
            if (!m_outline.fieldBook && tag == "FieldBook") {
                m_outline.fieldBook = true;
                m_section = empty ? nullptr : &m_outline.fieldBookChildren;
            } else if (!m_outline.reductions && tag == "Reductions") {
                m_outline.reductions = true;
                m_section = empty ? nullptr : &m_outline.reductionsChildren;
            }
            break;
        case 3:
            if (m_section) m_section->push_back({Offset(open), empty ? Offset(m_p) : 0});
            break;
        default:
            break;
        }
    }

    // An element of level m_depth has just been closed.
    void Closed() {
        switch (m_depth) {
        case 1:
            m_inRoot = false;
            break;
        case 2:
            m_section = nullptr;
            break;
        case 3:
            if (m_section) m_section->back().end = Offset(m_p);
            break;
        default:
            break;
        }
    }

    Step Refuse(DocumentOutline::Refusal refusal, const unsigned char* at) {
        m_outline.refusal = refusal;
        m_outline.refusedAt = Offset(at);
        return Step::Reject;
    }

    // On past `terminator`, which holds no zero byte: a compare stops at the text's end.
    bool SkipPast(std::string_view terminator) {
        for (;; ++m_p) {
            if (*m_p == 0) return false;
            std::size_t i = 0;
            while (i < terminator.size() && m_p[i] == static_cast<unsigned char>(terminator[i])) ++i;
            if (i == terminator.size()) {
                m_p += i;
                return true;
            }
        }
    }

    // Inside an element: a closing tag, a child node, or text.
    Step Content() {
        if (*m_p != '<') return Text(Tables::lookup_text_pure_no_ws, '<');
        if (m_p[1] != '/') return Markup();
        m_p = SkipSpace(SkipName(m_p + 2));  // closing names are not compared
        if (*m_p != '>') return Step::Stop;
        ++m_p;
        if (m_depth <= 3) Closed();
        --m_depth;
        return Step::Continue;
    }

    // Text or an attribute value up to `mark`, the bytes that go on it as `goesOn` says
    // (all but the mark, '&' and the terminator); only numeric references need a look.
    Step Text(const Table& goesOn, unsigned char mark) {
        for (;;) {
            m_p = Skip(goesOn, m_p);
            if (*m_p == mark) return Step::Continue;
            if (*m_p == 0) return Step::Stop;
            if (m_p[1] == '#') {
                const Step step = CharacterReference();
                if (step != Step::Continue) return step;
            } else {
                ++m_p;
            }
        }
    }

    // "&#" and digits. RapidXML sums the digits in an unsigned long, which wraps (at 32
    // bits on Windows), so a reference far above U+10FFFF could pass as a small one.
    Step CharacterReference() {
        const unsigned char* const start = m_p;
        const bool hex = m_p[2] == 'x';
        m_p += hex ? 3 : 2;
        const unsigned base = hex ? 16 : 10;
        std::uint32_t code = 0;
        for (unsigned char digit; (digit = Tables::lookup_digits[*m_p]) != 0xFF; ++m_p) {
            // RapidXML reads decimal digits through its hexadecimal table: "&#1a;" would
            // pass as U+0014 where it is a reference without its semicolon.
            if (digit >= base) return Refuse(DocumentOutline::Refusal::CharacterReference, start);
            if (code <= 0x10FFFF) code = code * base + digit;  // saturates above the limit
        }
        if (code > 0x10FFFF) return Refuse(DocumentOutline::Refusal::CharacterReference, start);
        if (*m_p != ';') return Step::Stop;
        ++m_p;
        return Step::Continue;
    }

    // After '<': an element, the declaration, a processing instruction, a comment, CDATA,
    // the DOCTYPE or another "<!" construct. Each compare of a byte ahead comes after the
    // compares of the bytes before it, so none passes the terminator.
    Step Markup() {
        const unsigned char* open = m_p++;
        const unsigned char* p = m_p;
        if (p[0] == '?') {
            ++m_p;
            if ((p[1] == 'x' || p[1] == 'X') && (p[2] == 'm' || p[2] == 'M') && (p[3] == 'l' || p[3] == 'L') &&
                Tables::lookup_whitespace[p[4]]) {
                m_p = SkipSpace(m_p + 4);
                const Step step = Attributes();
                if (step != Step::Continue) return step;
                if (m_p[0] != '?' || m_p[1] != '>') return Step::Stop;
                m_p += 2;
                if (m_depth == 0 && !m_outline.declaration) m_outline.declaration = TextSpan{Offset(open), Offset(m_p)};
                return Step::Continue;
            }
            return SkipPast("?>") ? Step::Continue : Step::Stop;
        }
        if (p[0] == '!') {
            if (p[1] == '-' && p[2] == '-') {
                m_p += 3;
                return SkipPast("-->") ? Step::Continue : Step::Stop;
            }
            if (p[1] == '[' && p[2] == 'C' && p[3] == 'D' && p[4] == 'A' && p[5] == 'T' && p[6] == 'A' && p[7] == '[') {
                m_p += 8;
                return SkipPast("]]>") ? Step::Continue : Step::Stop;
            }
            if (p[1] == 'D' && p[2] == 'O' && p[3] == 'C' && p[4] == 'T' && p[5] == 'Y' && p[6] == 'P' && p[7] == 'E' &&
                Tables::lookup_whitespace[p[8]]) {
                m_p += 9;
                return Doctype();
            }
            ++m_p;
            while (*m_p != '>' && *m_p != 0) ++m_p;
            if (*m_p == 0) return Step::Stop;
            ++m_p;
            return Step::Continue;
        }
        return Element(open);
    }

    Step Element(const unsigned char* open) {
        if (m_depth + 1 > kMaxNesting) return Refuse(DocumentOutline::Refusal::Nesting, open);
        const unsigned char* name = m_p;
        m_p = SkipName(m_p);
        if (m_p == name) return Step::Stop;
        const std::size_t nameSize = static_cast<std::size_t>(m_p - name);
        m_p = SkipSpace(m_p);
        const Step step = Attributes();
        if (step != Step::Continue) return step;
        if (*m_p == '>') {
            ++m_p;
            if (m_depth < 3) Opened(open, name, nameSize, false);
            ++m_depth;
            return Step::Continue;
        }
        if (m_p[0] == '/' && m_p[1] == '>') {
            m_p += 2;
            if (m_depth < 3) Opened(open, name, nameSize, true);
            return Step::Continue;
        }
        return Step::Stop;
    }

    Step Attributes() {
        while (Tables::lookup_attribute_name[*m_p]) {
            m_p = SkipSpace(Skip(Tables::lookup_attribute_name, m_p));
            if (*m_p != '=') return Step::Stop;
            m_p = SkipSpace(m_p + 1);
            const unsigned char quote = *m_p;
            if (quote != '\'' && quote != '"') return Step::Stop;
            ++m_p;
            const Step step = quote == '\'' ? Text(Tables::lookup_attribute_data_1_pure, quote)
                                            : Text(Tables::lookup_attribute_data_2_pure, quote);
            if (step != Step::Continue) return step;
            m_p = SkipSpace(m_p + 1);
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

    const unsigned char* const m_text;
    const unsigned char* m_p;
    int m_depth = 0;
    DocumentOutline& m_outline;
    bool m_inRoot = false;                      // inside the first JOBFile
    std::vector<TextSpan>* m_section = nullptr;  // inside its first FieldBook or Reductions
};

}  // namespace

Screened ScreenDocument(const char* text, DocumentOutline& outline) { return CScreen(text, outline).Run(); }

}  // namespace Reader
