#pragma once

#include <string>

// Whether the folders on the way to `folder` are safe places for this
// process's own files (settings, caches): running as root is normal for a disk
// tool, and a folder another user can change could redirect what root writes.
// Every folder that exists on the way, `folder` included, must belong to the
// effective user or to root and not be writable by others (a sticky folder
// such as /tmp excepted); a link on the way must belong to one of them too,
// and the place it leads to is examined as well. Folders that do not exist yet
// are fine: they are made by the process itself. Empty when all is well, else
// what is wrong.
std::string FolderChainProblem(const std::string& folder);
