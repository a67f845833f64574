#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "disks/wmi_objects.h"
#include "disks/wmi_query.h"

// What the "Select Disk" list shows and hands back, apart from any toolkit:
// one row per disk number, in ascending number, and the chosen row's device
// path and label.

struct DiskRow {
    std::int32_t index = 0;
    std::wstring diskText;  // "Disk %d"
    std::wstring label;     // the model without white space at either end
    std::wstring sizeText;  // "%lld": plain decimal bytes
    std::int64_t size = 0;  // bytes
    std::wstring device;    // "/dev/sdb"; empty when the machine's list does not tell
};

class DiskList {
public:
    // No disks.
    DiskList() = default;

    // Rows from disks as listed: a later disk with the number of an earlier one
    // replaces it.
    explicit DiskList(const std::vector<Wmi::DiskInfo>& disks);

    // The machine's disks from ListDisks, with their device nodes. When the
    // query fails, no rows and its message in ErrorMessage.
    static DiskList FromQuery();
    // sysRoot: where the kernel's block device folder is, for the nodes.
    static DiskList FromQuery(Wmi::Provider& provider, const std::string& sysRoot = "/sys");

    const std::vector<DiskRow>& Rows() const { return rows_; }
    // Per row, in row order: "\\.\PhysicalDriveN" and the label.
    const std::vector<std::wstring>& DiskPaths() const { return diskPaths_; }
    const std::vector<std::wstring>& DiskLabels() const { return diskLabels_; }

    // The failure of the query; empty when it worked.
    const std::string& ErrorMessage() const { return errorMessage_; }

    // The list is going away with row selected (the first selected row from
    // the top; -1 for none): a row within the list becomes the result, else
    // the result stays as it was.
    void TakeSelection(int row);
    // The result, empty until a row was taken.
    const std::wstring& SelectedPath() const { return selectedPath_; }
    const std::wstring& SelectedLabel() const { return selectedLabel_; }
    // The chosen row itself, null until a row was taken.
    const DiskRow* SelectedRow() const { return selected_ >= 0 ? &rows_[selected_] : nullptr; }

private:
    std::vector<DiskRow> rows_;
    std::vector<std::wstring> diskPaths_;
    std::vector<std::wstring> diskLabels_;
    std::string errorMessage_;
    std::wstring selectedPath_;
    std::wstring selectedLabel_;
    int selected_ = -1;
};
