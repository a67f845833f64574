#include "disks/path_text.h"

#include <gtest/gtest.h>

#include "disks/disk_access.h"
#include "disks/disk_enumeration.h"

namespace {

TEST(PathText, RoundTripsEveryPlane) {
    const std::wstring text = L"D:\\Bänder\\日本\\\U0001F4BE disk.dsk";
    EXPECT_EQ(WideToUtf8(text),
              "D:\\B\xC3\xA4nder\\\xE6\x97\xA5\xE6\x9C\xAC\\\xF0\x9F\x92\xBE disk.dsk");
    EXPECT_EQ(Utf8ToWide(WideToUtf8(text)), text);
}

// Names are bytes: whatever is not UTF-8 comes back as the same bytes.
TEST(PathText, BytesThatAreNotUtf8RoundTrip) {
    const struct {
        const char* bytes;
        std::wstring wide;
    } cases[] = {
        {"bad\xFF.dsk", L"bad\xDCFF.dsk"},
        {"caf\xE9.dsk", L"caf\xDCE9.dsk"},                  // Latin-1
        {"\xC3", L"\xDCC3"},                                // cut short
        {"\xC0\xAF", L"\xDCC0\xDCAF"},                      // overlong '/'
        {"\xED\xA0\x80", L"\xDCED\xDCA0\xDC80"},            // a surrogate
        {"\xE6\x97\xA5\xE6\x97", L"\u65E5\xDCE6\xDC97"},    // good, then cut
        {"\xF4\x90\x80\x80", L"\xDCF4\xDC90\xDC80\xDC80"},  // past U+10FFFF
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        EXPECT_EQ(Utf8ToWide(c.bytes), c.wide);
        EXPECT_EQ(WideToUtf8(c.wide), c.bytes);
        EXPECT_EQ(Utf16ToWide(WideToUtf16(c.wide)), c.wide);
    }
}

TEST(PathText, WhatCannotBeEncodedBecomesReplacementCharacters) {
    EXPECT_EQ(WideToUtf8(std::wstring(1, static_cast<wchar_t>(0xD800))), "\xEF\xBF\xBD");
    EXPECT_EQ(WideToUtf8(std::wstring(1, static_cast<wchar_t>(0xDC7F))), "\xEF\xBF\xBD");
    EXPECT_EQ(WideToUtf8(std::wstring(1, static_cast<wchar_t>(0x110000))), "\xEF\xBF\xBD");
}

TEST(PathText, Utf16JoinsPairsAndKeepsLoneSurrogates) {
    EXPECT_EQ(WideToUtf16(L"\U0001F4BE\xDCFF"), (std::u16string{0xD83D, 0xDCBE, 0xDCFF}));
    EXPECT_EQ(Utf16ToWide(std::u16string{0xD83D, 0xDCBE, 0xDCFF, 0xD800}),
              std::wstring(L"\U0001F4BE\xDCFF") + static_cast<wchar_t>(0xD800));
}

TEST(DiskPath, MakesAndParsesTheDeviceName) {
    EXPECT_EQ(MakeDiskPath(0), L"\\\\.\\PhysicalDrive0");
    EXPECT_EQ(MakeDiskPath(12), L"\\\\.\\PhysicalDrive12");
    EXPECT_EQ(ParseDiskPath(L"\\\\.\\PhysicalDrive12"), 12);
    EXPECT_EQ(ParseDiskPath(L"\\\\.\\PHYSICALDRIVE3"), 3);
    for (const wchar_t* other :
         {L"\\\\.\\PhysicalDrive", L"\\\\.\\PhysicalDrive-1", L"\\\\.\\PhysicalDrive1a",
          L"\\\\?\\PhysicalDrive1", L"\\\\.\\PhysicalDrive99999999999", L"/dev/sda"}) {
        EXPECT_EQ(ParseDiskPath(other), std::nullopt) << WideToUtf8(other);
    }
}

}  // namespace
