// The Linux provider on canned sysfs trees: the disk objects, their order and
// numbers, and the namespaces, classes and queries it refuses.
#include <gtest/gtest.h>

#include "disks/disk_enumeration.h"
#include "disks/disk_list.h"
#include "disks/wmi_query.h"
#include "disks/wmi_result_codes.h"
#include "disks/wmi_sysfs_provider.h"
#include "sysfs_tree.h"

namespace {

using namespace Wmi;

class SysfsProvider : public ::testing::Test {
protected:
    void SetUp() override { AddMixedMachine(tree_); }

    QueryResult Run(const std::string& nameSpace, const std::string& wql) {
        QueryResult result;
        Query(*provider_, nameSpace, wql, result);
        return result;
    }

    std::wstring Property(const QueryResult& result, std::size_t object, const char* name) {
        std::wstring text;
        EXPECT_TRUE(result.GetProperty(object, name, text)) << name << " of " << object;
        return text;
    }

    void ExpectFailure(const std::string& nameSpace, const std::string& wql,
                       const std::string& message, HResult code) {
        try {
            Run(nameSpace, wql);
            ADD_FAILURE() << "no failure for " << nameSpace << " / " << wql;
        } catch (const WmiException& failure) {
            EXPECT_EQ(failure.message, message) << wql;
            EXPECT_EQ(failure.code, code) << wql;
        }
    }

    SysfsTree tree_;
    std::unique_ptr<Provider> provider_ = MakeSysfsProvider(tree_.Root());
};

TEST_F(SysfsProvider, OneDiskDrivePerEnumeratedDiskInItsOrder) {
    const std::vector<BlockDevice> enumerated = EnumerateDisks(tree_.Root());
    const std::vector<DiskInfo> disks = ListDisks(*provider_);
    ASSERT_EQ(disks.size(), enumerated.size());
    ASSERT_EQ(disks.size(), MixedMachineDiskNames().size());
    for (std::size_t n = 0; n < disks.size(); ++n) {
        EXPECT_EQ(disks[n].index, static_cast<int>(n));
        EXPECT_EQ(disks[n].size, enumerated[n].size) << enumerated[n].name;
    }
    EXPECT_EQ(disks[0].model, L"backup.dsk");  // loop0 names itself by its file
    EXPECT_EQ(disks[1].model, L"ACME Fixed 1TB  ");
    EXPECT_EQ(disks[1].size, 1000204886016LL);
    EXPECT_EQ(disks[2].model, L"Card Reader     ");
    EXPECT_EQ(disks[2].size, 0);
    EXPECT_EQ(disks[4].model, L"");  // vda tells no model
    EXPECT_EQ(disks[5].model, L"ACME NVMe 256                           ");
}

TEST_F(SysfsProvider, DiskDriveProperties) {
    const QueryResult result = Run("cimv2", "Select * From Win32_DiskDrive");
    ASSERT_EQ(result.ObjectCount(), 6u);
    EXPECT_EQ(Property(result, 1, "DeviceID"), L"\\\\.\\PHYSICALDRIVE1");
    EXPECT_EQ(Property(result, 1, "Index"), L"1");
    EXPECT_EQ(Property(result, 1, "Size"), L"1000204886016");
    EXPECT_EQ(Property(result, 1, "BytesPerSector"), L"512");
    EXPECT_EQ(Property(result, 1, "MediaType"), L"Fixed hard disk media");
    EXPECT_EQ(Property(result, 2, "MediaType"), L"Removable Media");
    EXPECT_EQ(Property(result, 5, "BytesPerSector"), L"4096");
    EXPECT_EQ(Property(result, 5, "DeviceID"), L"\\\\.\\PHYSICALDRIVE5");
}

TEST_F(SysfsProvider, QueryWordsAndNamespaceIgnoreCase) {
    EXPECT_EQ(Run("CIMV2", "select  *\tfrom win32_diskdrive ").ObjectCount(), 6u);
}

TEST_F(SysfsProvider, RefusesOtherNamespacesClassesAndQueries) {
    ExpectFailure("default", "Select * From Win32_DiskDrive",
                  "Error initializing IWbemServices: WBEM_E_INVALID_NAMESPACE",
                  kWbemEInvalidNamespace);
    ExpectFailure("cimv2\\sub", "Select * From Win32_DiskDrive",
                  "Error initializing IWbemServices: WBEM_E_INVALID_NAMESPACE",
                  kWbemEInvalidNamespace);
    ExpectFailure("cimv2", "Select * From Win32_Processor",
                  "Error executing query: WBEM_E_INVALID_CLASS", kWbemEInvalidClass);
    for (const char* wql : {"Select Model From Win32_DiskDrive",
                            "Select * From Win32_DiskDrive Where Index = 0", "Select *", "", "*"}) {
        ExpectFailure("cimv2", wql, "Error executing query: WBEM_E_INVALID_PARAMETER",
                      kWbemEInvalidParameter);
    }
}

TEST_F(SysfsProvider, DiskListRowsFromTheTree) {
    const DiskList list = DiskList::FromQuery(*provider_);
    ASSERT_EQ(list.Rows().size(), 6u);
    EXPECT_EQ(list.DiskLabels()[0], L"backup.dsk");
    EXPECT_EQ(list.DiskLabels()[1], L"ACME Fixed 1TB");
    EXPECT_EQ(list.Rows()[1].sizeText, L"1000204886016");
    EXPECT_EQ(list.DiskPaths()[5], L"\\\\.\\PhysicalDrive5");
}

TEST(SysfsProviderEmpty, MachineWithoutDisksListsNone) {
    SysfsTree tree;
    tree.Add({.name = "loop0", .dev = "7:0\n"});
    tree.Add({.name = "zram0", .dev = "253:0\n", .sectors = "100\n"});
    const auto provider = MakeSysfsProvider(tree.Root());
    EXPECT_TRUE(ListDisks(*provider).empty());
    EXPECT_TRUE(ListDisks(*MakeSysfsProvider(tree.Root() + "/missing")).empty());
}

}  // namespace
