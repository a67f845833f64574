#pragma once

// A disk chosen by the user is no longer the disk at its number.
inline constexpr const wchar_t* kDiskListChanged =
    L"The disk list has changed; choose the disk again.";

#include <string>

#include "disks/disk_access.h"

// "Could not create target image: Permission denied": the message with the
// system's reason for errno `error` (the message alone for 0).
std::wstring WithSystemReason(const wchar_t* message, int error);

// What to tell the user when a disk of the job could not be opened:
// `couldNot` ("Could not open target drive") with the system's reason, or the
// texts for a disk that changed or is in use.
std::wstring DiskOpenFailureText(const DiskOpening& opening, const DiskIdentity& disk, DiskUse use,
                                 const wchar_t* couldNot);
