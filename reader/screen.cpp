#include "reader/screen.h"

#include <cstdint>
#include <cstring>
#include <string_view>

#include "reader/xml.h"

// The reference reader (JXL_REFERENCE_READER) scans every run a byte at a time, so that
// the differential tests hold the block scans to the plain state machine they speed up.
#if (defined(__SSE2__) || defined(_M_X64)) && !defined(JXL_REFERENCE_READER)
#include <emmintrin.h>
#define JXL_SCREEN_SSE2 1
#else
#define JXL_SCREEN_SSE2 0
#endif

namespace Reader {
namespace {

using Tables = rapidxml::internal::lookup_tables<0>;

bool IsSpace(unsigned char c) { return Tables::lookup_whitespace[c] != 0; }
bool IsAttributeNameChar(unsigned char c) { return Tables::lookup_attribute_name[c] != 0; }

// The runs between markup (indentation, names, values) are scanned byte by byte while
// they are short, and sixteen bytes at a time past that: one load, a compare per byte
// value that ends the run, and the first match. Each set that ends a run holds the
// terminator, so that no scan passes the end of the text; the text's padding makes the
// last load safe.
#if defined(__GNUC__)
#define JXL_INLINE inline __attribute__((always_inline))
#define JXL_OUT_OF_LINE __attribute__((noinline))
#else
#define JXL_INLINE inline
#define JXL_OUT_OF_LINE
#endif

#if JXL_SCREEN_SSE2

JXL_INLINE unsigned LowestBit(unsigned mask) {
#if defined(__GNUC__)
    return static_cast<unsigned>(__builtin_ctz(mask));
#else
    unsigned bit = 0;
    while (!(mask & 1u)) mask >>= 1, ++bit;
    return bit;
#endif
}

JXL_INLINE __m128i Load(const unsigned char* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
JXL_INLINE __m128i Equal(__m128i block, char c) { return _mm_cmpeq_epi8(block, _mm_set1_epi8(c)); }

JXL_INLINE const unsigned char* SkipSpace(const unsigned char* p) {
    if (!IsSpace(*p)) return p;
    for (++p;; p += 16) {
        const __m128i block = Load(p);
        const __m128i space = _mm_or_si128(_mm_or_si128(Equal(block, ' '), Equal(block, '\n')),
                                           _mm_or_si128(Equal(block, '\t'), Equal(block, '\r')));
        if (const unsigned mask = ~static_cast<unsigned>(_mm_movemask_epi8(space)) & 0xFFFFu)
            return p + LowestBit(mask);
    }
}

// Text or an attribute value: up to its end mark, a possible reference or the terminator.
JXL_INLINE const unsigned char* FirstOfMarkAmpersandOrEnd(const unsigned char* p, unsigned char mark) {
    for (;; p += 16) {
        const __m128i block = Load(p);
        const __m128i end = _mm_or_si128(_mm_or_si128(Equal(block, static_cast<char>(mark)), Equal(block, '&')),
                                         _mm_cmpeq_epi8(block, _mm_setzero_si128()));
        if (const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(end))) return p + LowestBit(mask);
    }
}

// An element's name: up to a blank, '/', '>', '?' or the terminator, the bytes that
// RapidXML's table of name characters leaves out. All of them lie at or below '?', as do
// only digits, '-', '.', ':' and a few signs among the name's own bytes: one compare
// finds the bytes that may end it, and the table decides for each, where a loop over the
// table costs a branch per byte.
JXL_INLINE const unsigned char* SkipName(const unsigned char* p) {
    const __m128i highest = _mm_set1_epi8('?');
    for (;; p += 16) {
        const __m128i block = Load(p);
        auto mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_min_epu8(block, highest), block)));
        for (; mask; mask &= mask - 1) {
            const unsigned char* const end = p + LowestBit(mask);
            if (!Tables::lookup_node_name[*end]) return end;
        }
    }
}

#else

JXL_INLINE const unsigned char* SkipSpace(const unsigned char* p) {
    while (IsSpace(*p)) ++p;
    return p;
}

JXL_INLINE const unsigned char* FirstOfMarkAmpersandOrEnd(const unsigned char* p, unsigned char mark) {
    while (*p != mark && *p != '&' && *p != 0) ++p;
    return p;
}

JXL_INLINE const unsigned char* SkipName(const unsigned char* p) {
    while (Tables::lookup_node_name[*p]) ++p;
    return p;
}

#endif

JXL_INLINE const unsigned char* SkipToMarkupEnd(const unsigned char* p) {
    while (*p != '>' && *p != 0) ++p;
    return p;
}

enum class Step { Continue, Stop, Reject };

// The same look as the plainest one, byte for byte, with the runs scanned in blocks.
class CScreen {
public:
    CScreen(CTextWindow& window, DocumentOutline& outline) : m_window(window), m_outline(outline) {
        m_window.Advance(m_window.End());
        Point();
    }

    // The look goes a step at a time: a run of blanks and one node, or its tag. A step
    // that the window's end cut short (a text, a tag or a comment that goes on past it)
    // stops as RapidXML does at the end of the text, and is taken again from its start
    // once more of the text has come in; a step changes nothing until it has ended.
    Screened Run() {
        if (m_p[0] == 0xEF && m_p[1] == 0xBB && m_p[2] == 0xBF) m_p += 3;
        for (;;) {
            const unsigned char* const start = m_p;
            m_p = SkipSpace(m_p);
            if (*m_p == 0) {
                if (m_p == m_end && ReadOn(start)) continue;
                return m_depth == 0 ? Screened::WellFormed : Screened::Malformed;
            }
            if (m_depth == 0 && *m_p != '<') return Screened::Malformed;  // "expected <"
            const Step step = m_depth == 0 ? Markup() : Content();
            if (step == Step::Continue) continue;
            if (step == Step::Reject) return Screened::Refused;
            // No step looks further than kLookahead bytes past where it stops.
            if (static_cast<std::size_t>(m_end - m_p) < kLookahead && ReadOn(start)) continue;
            return Screened::Malformed;
        }
    }

private:
    static constexpr std::size_t kLookahead = 64;

    // More of the text, from the step at `start` on; false at its end.
    bool ReadOn(const unsigned char* start) {
        const bool more = m_window.Advance(reinterpret_cast<const char*>(start));
        Point();
        return more;
    }

    void Point() {
        m_text = reinterpret_cast<const unsigned char*>(m_window.Begin());
        m_end = reinterpret_cast<const unsigned char*>(m_window.End());
        m_p = m_text;
        m_base = m_window.Offset();
    }

    std::size_t Offset(const unsigned char* p) const { return m_base + static_cast<std::size_t>(p - m_text); }

    // The outline follows the elements of the first three levels. `open` is the tag's
    // '<', and the look is just past the tag.
    JXL_OUT_OF_LINE void Opened(const unsigned char* open, const unsigned char* name, std::size_t nameSize, bool empty) {
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
    JXL_OUT_OF_LINE void Closed() {
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

    JXL_OUT_OF_LINE bool SkipPast(const char* terminator, std::size_t length) {
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
    JXL_INLINE Step Content() {
        if (*m_p != '<') return Text();
        if (m_p[1] != '/') return Markup();
        m_p = SkipSpace(SkipName(m_p + 2));  // closing names are not compared
        if (*m_p != '>') return Step::Stop;
        ++m_p;
        if (m_depth <= 3) Closed();
        --m_depth;
        return Step::Continue;
    }

    // Text runs to the next '<'.
    JXL_INLINE Step Text() { return RunTo('<'); }

    // Text or an attribute value, up to `mark`; only numeric references need a look.
    JXL_INLINE Step RunTo(unsigned char mark) {
        for (;;) {
            m_p = FirstOfMarkAmpersandOrEnd(m_p, mark);
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
    JXL_OUT_OF_LINE Step CharacterReference() {
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
    JXL_INLINE Step Markup() {
        const unsigned char* open = m_p++;
        const unsigned char* p = m_p;
        if (p[0] == '?') {
            ++m_p;
            if ((p[1] == 'x' || p[1] == 'X') && (p[2] == 'm' || p[2] == 'M') && (p[3] == 'l' || p[3] == 'L') &&
                IsSpace(p[4])) {
                m_p = SkipSpace(m_p + 4);
                const Step step = Attributes();
                if (step != Step::Continue) return step;
                if (m_p[0] != '?' || m_p[1] != '>') return Step::Stop;
                m_p += 2;
                if (m_depth == 0 && !m_outline.declaration) m_outline.declaration = TextSpan{Offset(open), Offset(m_p)};
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
            m_p = SkipToMarkupEnd(m_p + 1);
            if (*m_p == 0) return Step::Stop;
            ++m_p;
            return Step::Continue;
        }
        return Element(open);
    }

    JXL_INLINE Step Element(const unsigned char* open) {
        if (m_depth + 1 > kMaxNesting) return Step::Reject;
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
#if JXL_SCREEN_SSE2
            else if (Leaf(name, nameSize)) return Step::Continue;
#endif
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

#if JXL_SCREEN_SSE2
    // Most elements below the records are a plain text and their own closing tag,
    // "<North>5712486.2789</North>": after the opening tag, the text up to '<' and a
    // closing tag that repeats the name byte for byte are taken in one step, which the
    // general steps would take as the same text and closing tag. Anything else (a
    // reference, a child, blanks or another name in the closing tag, the window's end)
    // is left to them, from just past the opening tag.
    JXL_INLINE bool Leaf(const unsigned char* name, std::size_t nameSize) {
        const unsigned char* const close = FirstOfMarkAmpersandOrEnd(m_p, '<');
        if (*close != '<' || static_cast<std::size_t>(m_end - close) < nameSize + 3 || close[1] != '/' ||
            !SameName(close + 2, name, nameSize) || close[2 + nameSize] != '>')
            return false;
        m_p = close + 3 + nameSize;
        return true;
    }

    // A name of up to sixteen bytes in one compare: both lie in the window, which the
    // padding after its end makes safe to read sixteen bytes at a time.
    static JXL_INLINE bool SameName(const unsigned char* a, const unsigned char* b, std::size_t size) {
        if (size > 16) return std::memcmp(a, b, size) == 0;
        const auto equal = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(Load(a), Load(b))));
        const unsigned wanted = (1u << size) - 1;
        return (equal & wanted) == wanted;
    }
#endif

    JXL_INLINE Step Attributes() {
        while (IsAttributeNameChar(*m_p)) {
            ++m_p;
            while (IsAttributeNameChar(*m_p)) ++m_p;
            m_p = SkipSpace(m_p);
            if (*m_p != '=') return Step::Stop;
            m_p = SkipSpace(m_p + 1);
            const unsigned char quote = *m_p;
            if (quote != '\'' && quote != '"') return Step::Stop;
            ++m_p;
            const Step step = RunTo(quote);
            if (step != Step::Continue) return step;
            m_p = SkipSpace(m_p + 1);
        }
        return Step::Continue;
    }

    JXL_OUT_OF_LINE Step Doctype() {
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

    CTextWindow& m_window;
    const unsigned char* m_text;  // the window
    const unsigned char* m_end;   // its terminator
    const unsigned char* m_p;
    std::size_t m_base;           // the window's offset in the text
    int m_depth = 0;
    DocumentOutline& m_outline;
    bool m_inRoot = false;                      // inside the first JOBFile
    std::vector<TextSpan>* m_section = nullptr;  // inside its first FieldBook or Reductions
};

}  // namespace

Screened ScreenDocument(CTextWindow& text, DocumentOutline& outline) { return CScreen(text, outline).Run(); }

}  // namespace Reader
