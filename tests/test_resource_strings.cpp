// The plug-in's texts from its string table.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "resources/resource_string.h"
#include "platform/utf.h"
#include "support.h"

namespace {

using Plugin::WChar;
using Plugin::WString;

struct StringCase {
    unsigned id;
    const char* text;
    std::size_t length;
};

const StringCase kTable[] = {
    {101, "Не удается открыть файл", 23}, {102, "Ошибка в формате файла", 22},
    {103, "Настройка", 9},                {104, "Учитывать", 9},
    {105, "Не учитывать", 12},            {106, "Постоянная призмы", 17},
    {107, "Импортировать", 13},           {108, "Не импортировать", 16},
    {109, "Раздел Полевой журнал", 21},   {110, "Раздел Вычисленные данные", 25},
    // The messages for a file a failure stopped, in block 8: block 7 holds only the ten
    // texts above.
    {113, "Недостаточно памяти для импорта файла", 37},
    {114, "Импорт файла прерван из-за внутренней ошибки", 44},
};

// Ids with no text: the empty entries of blocks 7 and 8 around the texts, and ids of
// blocks the table does not have.
const unsigned kMissing[] = {96u, 100u, 111u, 112u, 115u, 127u, 128u, 1u, 0u, 65535u, 0x10065u};

TEST(ResourceStrings, EveryTextOfTheTable) {
    for (const StringCase& c : kTable) {
        SCOPED_TRACE(c.id);
        WString text;
        EXPECT_TRUE(Resources::LoadResourceString(text, c.id));
        EXPECT_EQ(text.size(), c.length);
        EXPECT_EQ(text.c_str()[text.size()], 0);
        EXPECT_EQ(Platform::ToUtf8(text), c.text);
    }
}

TEST(ResourceStrings, MissingIdsLeaveTheTargetAlone) {
    for (unsigned id : kMissing) {
        SCOPED_TRACE(id);
        WString text = WIDE("unchanged");
        EXPECT_FALSE(Resources::LoadResourceString(text, id));
        EXPECT_EQ(text, WIDE("unchanged"));
    }
}

// The messages that must reach the host when memory has run out come without allocating.
TEST(ResourceStrings, MessagesInAFixedBuffer) {
    for (const StringCase& c : kTable) {
        SCOPED_TRACE(c.id);
        WChar buffer[Resources::kMessageCapacity];
        EXPECT_TRUE(Resources::LoadMessage(buffer, c.id));
        EXPECT_EQ(Platform::ToUtf8(buffer), c.text);
    }
    for (unsigned id : kMissing) {
        SCOPED_TRACE(id);
        WChar buffer[Resources::kMessageCapacity] = {'x', 0};
        EXPECT_FALSE(Resources::LoadMessage(buffer, id));
        EXPECT_EQ(buffer[0], 0);
    }
}

// RT_STRING blocks built by hand: 16 entries of a count and that many code units.
std::vector<std::uint16_t> Block(const std::vector<std::vector<std::uint16_t>>& entries) {
    std::vector<std::uint16_t> block;
    for (const auto& entry : entries) {
        block.push_back(static_cast<std::uint16_t>(entry.size()));
        block.insert(block.end(), entry.begin(), entry.end());
    }
    return block;
}

bool Find(const std::vector<std::uint16_t>& block, std::size_t bytes, unsigned index, std::string* text = nullptr) {
    const WChar* found = nullptr;
    std::size_t length = 0;
    if (!Resources::FindStringInBlock(block.data(), bytes, index, &found, &length)) return false;
    if (text) *text = Platform::ToUtf8({found, length});
    return true;
}

TEST(ResourceStrings, BlockWalkStaysInsideTheBlock) {
    const auto block = Block({{}, {'a', 'b'}, {}, {'c'}});
    const std::size_t size = block.size() * 2;
    std::string text;
    EXPECT_TRUE(Find(block, size, 1, &text));
    EXPECT_EQ(text, "ab");
    EXPECT_TRUE(Find(block, size, 3, &text));
    EXPECT_EQ(text, "c");
    EXPECT_FALSE(Find(block, size, 0));   // count 0: absent
    EXPECT_FALSE(Find(block, size, 4));   // past the last entry
    EXPECT_FALSE(Find(block, size, 15));
    EXPECT_FALSE(Find(block, size - 2, 3));  // the text would run past the end
    EXPECT_FALSE(Find(block, size - 1, 3));  // an odd size cuts the last unit
    EXPECT_FALSE(Find(block, 0, 0));

    // A count that claims more than the block holds.
    const std::vector<std::uint16_t> lying = {0xFFFF, 'x', 'y'};
    EXPECT_FALSE(Find(lying, lying.size() * 2, 0));
    EXPECT_FALSE(Find(lying, lying.size() * 2, 1));
    const std::vector<std::uint16_t> lyingLater = {1, 'x', 0x7FFF};
    EXPECT_TRUE(Find(lyingLater, lyingLater.size() * 2, 0, &text));
    EXPECT_EQ(text, "x");
    EXPECT_FALSE(Find(lyingLater, lyingLater.size() * 2, 1));
    EXPECT_FALSE(Find(lyingLater, lyingLater.size() * 2, 2));
}

}  // namespace
