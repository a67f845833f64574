#pragma once

#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>

#include "qt/keep_awake.h"

// Holds systemd-logind's "sleep:idle" block inhibitor lock while the machine
// is to stay awake: logind's Inhibit call hands out a file descriptor, and
// the lock lasts as long as it is open. Where the bus or logind does not
// answer within the time limit, there is no lock and no complaint.
class LogindKeepAwake : public KeepAwake {
public:
    static constexpr int kDefaultTimeoutMilliseconds = 1000;

    explicit LogindKeepAwake(QDBusConnection bus,
                             int timeoutMilliseconds = kDefaultTimeoutMilliseconds);

    void SetExecutionState(std::uint32_t flags) override;
    bool Holding() const { return lock_.isValid(); }

private:
    void Acquire();

    QDBusConnection bus_;
    int timeoutMilliseconds_;
    QDBusUnixFileDescriptor lock_;
};
