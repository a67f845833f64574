#pragma once

#include <string>

#include "cli/console.h"
#include "disks/disk_list.h"

// The "Select Disk" rows as a table: the disk's row text, description and
// size as the list shows them, its path, and its device node.
std::string DiskTable(const DiskList& disks);

// Prints the machine's disks; on a failed query its message as an error
// instead. Returns false then.
bool ListDisks(Console& console);
