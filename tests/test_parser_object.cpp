// The per-file parser: the host objects it takes and gives back, and its handler registry.
#include <gtest/gtest.h>

#include "host/receiver.h"
#include "reader/parser.h"
#include "support.h"

namespace {

using Support::Lines;

TEST(ParserObject, TakesFourParsersAndGivesThemBackAfterTheFile) {
    const std::string path = Support::WriteScratchFile("empty-job.jxl", "<JOBFile><FieldBook/><Reductions/></JOBFile>");
    const auto calls = Support::ImportCalls({path});
    const auto expected = Lines(R"(
        {"op":"GetValueParserFactory"}
        {"op":"CreateLinearParser","arg":0}
        {"op":"CreateAngleParser","arg":3}
        {"op":"CreatePressureParser","arg":1}
        {"op":"CreateTemperatureParser","arg":0}
        {"op":"Release","arg":"factory"}
        {"op":"SetProgress","arg":50}
        {"op":"SetProgress","arg":100}
        {"op":"Release","arg":"pressure"}
        {"op":"Release","arg":"temperature"}
        {"op":"Release","arg":"angle"}
        {"op":"Release","arg":"linear"}
    )");
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(std::vector<std::string>(calls.begin() + 1, calls.end()), expected);  // after BeginFile
}

TEST(ParserObject, FileWithoutFieldBookReleasesEverything) {
    const std::string path = Support::WriteScratchFile("no-field-book.jxl", "<JOBFile/>");
    const auto calls = Support::ImportCalls({path}, {true, true, false});
    const auto expected = Lines(R"(
        {"op":"SetProgress","arg":50}
        {"op":"SetResult","arg":-1}
        {"op":"ShowMessage","arg":"Ошибка в формате файла"}
        {"op":"SetProgress","arg":100}
        {"op":"Release","arg":"pressure"}
        {"op":"Release","arg":"temperature"}
        {"op":"Release","arg":"angle"}
        {"op":"Release","arg":"linear"}
    )");
    ASSERT_GE(calls.size(), expected.size());
    EXPECT_EQ(std::vector<std::string>(calls.end() - static_cast<long>(expected.size()), calls.end()), expected);
}

// The registry on its own: handlers are found by the whole name, exactly.
class Registry : public ::testing::Test {
protected:
    Registry() : m_receiver(&m_recorder), m_parser(&m_receiver, &m_flags) {}

    Reader::XmlNode* Parse(const char* xml) {
        m_text = xml;
        m_document.parse<Reader::kParseFlags>(m_text.data());
        return m_document.first_node();
    }

    Host::CallRecorder m_recorder;
    Host::CRecordingReceiver m_receiver;
    Plugin::ImportFlags m_flags;
    Reader::CParser m_parser;
    std::string m_text;
    Reader::XmlDocument m_document;
};

TEST_F(Registry, DispatchesByExactName) {
    std::vector<std::string> seen;
    m_parser.RegisterHandler("PointRecord", [&](Reader::XmlNode* node) { seen.push_back(node->value()); });
    Reader::XmlNode* root = Parse("<r><PointRecord>a</PointRecord><pointrecord>b</pointrecord>"
                                  "<PointRecords>c</PointRecords><Point>d</Point><PointRecord>e</PointRecord></r>");
    for (Reader::XmlNode* node = root->first_node(); node; node = node->next_sibling()) m_parser.Dispatch(node);
    EXPECT_EQ(seen, (std::vector<std::string>{"a", "e"}));
}

TEST_F(Registry, FirstRegistrationStays) {
    std::vector<std::string> seen;
    m_parser.RegisterHandler("StationRecord", [&](Reader::XmlNode*) { seen.push_back("first"); });
    m_parser.RegisterHandler("StationRecord", [&](Reader::XmlNode*) { seen.push_back("second"); });
    m_parser.Dispatch(Parse("<StationRecord/>"));
    EXPECT_EQ(seen, (std::vector<std::string>{"first"}));
}

TEST_F(Registry, RecordHandlersKeepEarlierRegistrations) {
    std::vector<std::string> seen;
    m_parser.RegisterHandler("TargetRecord", [&](Reader::XmlNode*) { seen.push_back("mine"); });
    m_parser.RegisterHandlers();
    m_parser.Dispatch(Parse("<TargetRecord ID='t'><TargetHeight>1</TargetHeight></TargetRecord>"));
    EXPECT_EQ(seen, (std::vector<std::string>{"mine"}));
}

}  // namespace
