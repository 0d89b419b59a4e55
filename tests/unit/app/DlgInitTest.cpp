#include <gtest/gtest.h>

#include <vector>

#include "DlgInit.h"

namespace {

void AddRecord(std::vector<unsigned char>& bytes, unsigned short id, unsigned short message, const std::string& data,
               unsigned length)
{
    const unsigned char header[] = {
        static_cast<unsigned char>(id & 0xFF), static_cast<unsigned char>(id >> 8),
        static_cast<unsigned char>(message & 0xFF), static_cast<unsigned char>(message >> 8),
        static_cast<unsigned char>(length & 0xFF), static_cast<unsigned char>((length >> 8) & 0xFF),
        static_cast<unsigned char>((length >> 16) & 0xFF), static_cast<unsigned char>(length >> 24),
    };
    bytes.insert(bytes.end(), header, header + sizeof(header));
    bytes.insert(bytes.end(), data.begin(), data.end());
}

std::vector<unsigned char> LanguageItems()
{
    std::vector<unsigned char> bytes;
    AddRecord(bytes, 1023, 0x0403, std::string("English\0", 8), 8);
    AddRecord(bytes, 1023, 0x0403, std::string("Deutsch\0", 8), 8);
    AddRecord(bytes, 1023, 0x0403, std::string("Francais\0\0", 10), 10); // padded to even length
    bytes.push_back(0);
    bytes.push_back(0);
    return bytes;
}

TEST(DlgInit, ReadsTheRecordsInOrder)
{
    const std::vector<unsigned char> bytes = LanguageItems();
    const std::vector<DlgInitItem> items = ParseDlgInit(bytes.data(), bytes.size());
    ASSERT_EQ(3u, items.size());
    const char* const texts[] = { "English", "Deutsch", "Francais" };
    for (size_t i = 0; i < items.size(); ++i)
    {
        EXPECT_EQ(1023, items[i].controlId);
        EXPECT_EQ(kDlgInitComboBoxAddString, items[i].message);
        EXPECT_EQ(texts[i], items[i].data);
    }
}

TEST(DlgInit, DamagedDataStopsTheParseWithoutReadingPastTheEnd)
{
    const std::vector<unsigned char> good = LanguageItems();
    // Every cut of the data gives a prefix of the records, never more.
    for (size_t size = 0; size <= good.size(); ++size)
    {
        const std::vector<unsigned char> cut(good.begin(), good.begin() + static_cast<long>(size));
        const std::vector<DlgInitItem> items = ParseDlgInit(cut.empty() ? nullptr : cut.data(), cut.size());
        EXPECT_LE(items.size(), 3u) << size;
        for (size_t i = 0; i < items.size(); ++i)
            EXPECT_FALSE(items[i].data.empty()) << size;
    }

    std::vector<unsigned char> huge;
    AddRecord(huge, 1023, 0x0403, "Eng", 0xFFFFFFF0u); // a length far past the end
    EXPECT_TRUE(ParseDlgInit(huge.data(), huge.size()).empty());

    std::vector<unsigned char> noNul;
    AddRecord(noNul, 1023, 0x0403, "Abc", 3); // no terminator, no end marker
    const std::vector<DlgInitItem> items = ParseDlgInit(noNul.data(), noNul.size());
    ASSERT_EQ(1u, items.size());
    EXPECT_EQ("Abc", items[0].data);
}

} // namespace
