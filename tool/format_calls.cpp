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
        std::string& text = m_out.Text();
        m_call.Assign(event);
        Host::AppendJsonLine(text, m_call);
        text += '\n';
        m_out.EndLine();
    }

private:
    COutput& m_out;
    Host::Call m_call{""};  // the call being written, made again for each
};

}  // namespace

std::unique_ptr<CFormat> MakeCallsFormat(COutput& out, const HtmlRun& /*run*/) { return std::make_unique<CCallsFormat>(out); }

}  // namespace Tool
