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

TEST(PathText, BadInputBecomesReplacementCharacters) {
    EXPECT_EQ(Utf8ToWide("a\xFF"
                         "b"),
              L"a\uFFFDb");
    EXPECT_EQ(Utf8ToWide("\xC3"), L"\uFFFD");          // cut short
    EXPECT_EQ(Utf8ToWide("\xC0\xAF"), L"\uFFFD");      // overlong '/'
    EXPECT_EQ(Utf8ToWide("\xED\xA0\x80"), L"\uFFFD");  // a surrogate
    EXPECT_EQ(WideToUtf8(std::wstring(1, static_cast<wchar_t>(0xD800))), "\xEF\xBF\xBD");
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
