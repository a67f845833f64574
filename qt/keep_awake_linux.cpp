#include "qt/keep_awake_linux.h"

#include <QDBusMessage>
#include <QVariant>

#include "control/control_ids.h"

LogindKeepAwake::LogindKeepAwake(QDBusConnection bus, int timeoutMilliseconds)
    : bus_(std::move(bus)), timeoutMilliseconds_(timeoutMilliseconds) {}

void LogindKeepAwake::SetExecutionState(std::uint32_t flags) {
    if ((flags & ExecutionState::Continuous) == 0) {
        return;  // a one-off nudge: nothing that lasts
    }
    if ((flags & (ExecutionState::SystemRequired | ExecutionState::AwayModeRequired)) == 0) {
        lock_ = QDBusUnixFileDescriptor();  // closing our descriptor ends the lock
        return;
    }
    if (!Holding()) {
        Acquire();
    }
}

void LogindKeepAwake::Acquire() {
    if (!bus_.isConnected()) {
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("Inhibit"));
    call << QStringLiteral("sleep:idle") << QStringLiteral("Brevel")
         << QStringLiteral("A disk copy is running") << QStringLiteral("block");
    const QDBusMessage reply = bus_.call(call, QDBus::Block, timeoutMilliseconds_);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1) {
        return;
    }
    const QVariant answer = reply.arguments().first();
    if (answer.canConvert<QDBusUnixFileDescriptor>()) {
        lock_ = answer.value<QDBusUnixFileDescriptor>();
    }
}

std::unique_ptr<KeepAwake> MakePlatformKeepAwake() {
    return std::make_unique<LogindKeepAwake>(QDBusConnection::systemBus());
}
