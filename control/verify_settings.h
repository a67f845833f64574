#pragma once

#include "control/settings_port.h"
#include "engine/clone_job.h"

// Whether to read the target back, remembered per kind of target: the user's
// last choice for disk targets and for image targets, as two bits of the
// integer `Verify` (1: disks, 2: images). Without it, disk targets are read
// back and image targets are not (1); a disk is where writes fail silently,
// while an image is checked by its NAME.sha256.
bool LoadVerifyChoice(SettingsPort& store, EndpointKind target);
void SaveVerifyChoice(SettingsPort& store, EndpointKind target, bool verify);
