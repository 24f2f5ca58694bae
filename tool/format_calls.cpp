#include "tool/formats.h"

namespace Tool {
namespace {

// Every call on a line of its own, written as it happens.
class CCallsFormat final : public CFormat {
public:
    explicit CCallsFormat(COutput& out) : m_out(out) {}

    bool Items() const override { return false; }

    void Call(const Host::CallEvent& event) override {
        if (m_out.Failed()) return;  // nothing more reaches the output
        char* const end = m_writer.Write(m_out.Room(m_writer.MaxLength(event) + 1), event);
        *end = '\n';
        m_out.Commit(end + 1);
        m_out.EndLine();
    }

private:
    COutput& m_out;
    Host::CCallLineWriter m_writer;
};

}  // namespace

std::unique_ptr<CFormat> MakeCallsFormat(COutput& out, const HtmlRun& /*run*/) { return std::make_unique<CCallsFormat>(out); }

}  // namespace Tool
