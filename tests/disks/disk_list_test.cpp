// The rows of the disk list and the choice it hands back.
#include <gtest/gtest.h>

#include "disks/disk_list.h"
#include "fake_wmi.h"

namespace {

using Wmi::DiskInfo;

std::vector<std::wstring> RowTexts(const DiskList& list) {
    std::vector<std::wstring> texts;
    for (const DiskRow& row : list.Rows()) {
        texts.push_back(row.diskText + L"|" + row.label + L"|" + row.sizeText);
    }
    return texts;
}

TEST(DiskList, RowsInAscendingNumber) {
    const DiskList list({{2, L"Two", 2000}, {0, L"Zero", 0}, {1, L"One", 1000}});
    EXPECT_EQ(RowTexts(list), (std::vector<std::wstring>{L"Disk 0|Zero|0", L"Disk 1|One|1000",
                                                         L"Disk 2|Two|2000"}));
    EXPECT_EQ(list.DiskPaths(),
              (std::vector<std::wstring>{L"\\\\.\\PhysicalDrive0", L"\\\\.\\PhysicalDrive1",
                                         L"\\\\.\\PhysicalDrive2"}));
    EXPECT_EQ(list.DiskLabels(), (std::vector<std::wstring>{L"Zero", L"One", L"Two"}));
    EXPECT_EQ(list.ErrorMessage(), "");
}

TEST(DiskList, LaterRecordOfANumberWins) {
    const DiskList list({{1, L"First", 10}, {3, L"Other", 30}, {1, L"Second", 20}});
    EXPECT_EQ(RowTexts(list), (std::vector<std::wstring>{L"Disk 1|Second|20", L"Disk 3|Other|30"}));
    EXPECT_EQ(list.DiskPaths()[1], L"\\\\.\\PhysicalDrive3");
}

TEST(DiskList, TextsOfLabelsAndSizes) {
    const DiskList list({{0, L" \t ACME  Fixed 1TB  \n", 8001563222016LL},
                         {1, L"NULL", 0},
                         {2, L"", -1},
                         {-4, L"   ", 512},
                         {2147483647, L"\u00A0Wide\u3000", 9223372036854775807LL}});
    EXPECT_EQ(RowTexts(list), (std::vector<std::wstring>{
                                  L"Disk -4||512",
                                  L"Disk 0|ACME  Fixed 1TB|8001563222016",
                                  L"Disk 1|NULL|0",
                                  L"Disk 2||-1",
                                  // Only what the classic locale counts as white space goes.
                                  L"Disk 2147483647|\u00A0Wide\u3000|9223372036854775807",
                              }));
    EXPECT_EQ(list.DiskPaths()[0], L"\\\\.\\PhysicalDrive-4");
}

TEST(DiskList, SelectionWithinTheListBecomesTheResult) {
    DiskList list({{0, L"Zero", 1}, {5, L"Five ", 2}});
    EXPECT_EQ(list.SelectedPath(), L"");
    list.TakeSelection(-1);
    EXPECT_EQ(list.SelectedPath(), L"");
    EXPECT_EQ(list.SelectedLabel(), L"");
    list.TakeSelection(1);
    EXPECT_EQ(list.SelectedPath(), L"\\\\.\\PhysicalDrive5");
    EXPECT_EQ(list.SelectedLabel(), L"Five");
    list.TakeSelection(2);  // past the rows: the result stays
    EXPECT_EQ(list.SelectedPath(), L"\\\\.\\PhysicalDrive5");
}

TEST(DiskList, EmptyListSelectsNothing) {
    DiskList list(std::vector<DiskInfo>{});
    EXPECT_TRUE(list.Rows().empty());
    list.TakeSelection(0);
    EXPECT_EQ(list.SelectedPath(), L"");
    EXPECT_EQ(list.SelectedLabel(), L"");
}

TEST(DiskList, FromQueryListsTheDisks) {
    FakeProvider provider(
        {.objects = {
             Object({{L"Index", Wmi::Variant::I4(1)},
                     {L"Model", Wmi::Variant::Bstr(L" B ")},
                     {L"Size", Wmi::Variant::Bstr(L"4096")}}),
             Object({{L"Index", Wmi::Variant::I4(0)}, {L"Model", Wmi::Variant::Bstr(L"A")}}),
         }});
    const DiskList list = DiskList::FromQuery(provider);
    EXPECT_EQ(RowTexts(list), (std::vector<std::wstring>{L"Disk 0|A|0", L"Disk 1|B|4096"}));
}

TEST(DiskList, FailedQueryGivesItsMessageAndNoRows) {
    FakeProvider provider({.objects = {
                               Object({{L"Index", Wmi::Variant::I4(0)}}),
                               Object({{L"InstallDate", Wmi::Variant::OfType(Wmi::kVtDate)}}),
                           }});
    DiskList list = DiskList::FromQuery(provider);
    EXPECT_EQ(list.ErrorMessage(),
              "Can't convert parameter: InstallDate: Data type not yet supported: VT_DATE");
    EXPECT_TRUE(list.Rows().empty());
    EXPECT_TRUE(list.DiskPaths().empty());
    list.TakeSelection(0);
    EXPECT_EQ(list.SelectedPath(), L"");
}

}  // namespace
