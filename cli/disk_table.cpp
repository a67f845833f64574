#include "cli/disk_table.h"

#include <algorithm>
#include <array>

#include "disks/path_text.h"

std::string DiskTable(const DiskList& disks) {
    using Row = std::array<std::string, 5>;
    std::vector<Row> rows = {{"Disk", "Description", "Size", "Path", "Device"}};
    for (std::size_t i = 0; i < disks.Rows().size(); ++i) {
        const DiskRow& row = disks.Rows()[i];
        rows.push_back({WideToUtf8(row.diskText), WideToUtf8(row.label), WideToUtf8(row.sizeText),
                        WideToUtf8(disks.DiskPaths()[i]), WideToUtf8(row.device)});
    }
    std::array<std::size_t, 5> widths{};
    for (const Row& row : rows) {
        for (std::size_t column = 0; column < row.size(); ++column) {
            widths[column] = std::max(widths[column], row[column].size());
        }
    }
    std::string table;
    for (const Row& row : rows) {
        std::string line;
        for (std::size_t column = 0; column < row.size(); ++column) {
            const std::string& cell = row[column];
            const std::string pad(widths[column] - cell.size(), ' ');
            // Sizes line up on their last digit, as in the list.
            line += column == 2 ? pad + cell : cell + pad;
            line += "  ";
        }
        line.erase(line.find_last_not_of(' ') + 1);
        table += line + "\n";
    }
    return table;
}

bool ListDisks(Console& console) {
    const DiskList disks = DiskList::FromQuery();
    if (!disks.ErrorMessage().empty()) {
        console.Err("Error: " + disks.ErrorMessage() + "\n");
        return false;
    }
    console.Out(DiskTable(disks));
    return true;
}
