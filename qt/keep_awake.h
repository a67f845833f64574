#pragma once

#include <cstdint>
#include <memory>

// Keeps the machine from going to sleep while a copy runs, on the
// ExecutionState requests of control_ids.h: Continuous with SystemRequired or
// AwayModeRequired holds the machine awake until Continuous alone lifts it.
// Where the system offers no way to do so, nothing happens, silently.
class KeepAwake {
public:
    virtual ~KeepAwake() = default;
    virtual void SetExecutionState(std::uint32_t flags) = 0;
};

// The one for this system; it may wait a moment for the system's answer, but
// never long.
std::unique_ptr<KeepAwake> MakePlatformKeepAwake();
