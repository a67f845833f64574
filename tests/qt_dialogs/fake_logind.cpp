#include "fake_logind.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace {

constexpr int kStartWaitMilliseconds = 10000;

}  // namespace

PrivateBus::PrivateBus() {
    const QString program = QStringLiteral(BREVEL_TEST_DBUS_DAEMON);
    if (program.isEmpty()) {
        failure_ = QStringLiteral("dbus-daemon is not installed");
        return;
    }
    daemon_.start(program, {QStringLiteral("--session"), QStringLiteral("--nofork"),
                            QStringLiteral("--nosyslog"), QStringLiteral("--print-address=1")});
    if (!daemon_.waitForStarted(kStartWaitMilliseconds)) {
        failure_ = QStringLiteral("dbus-daemon did not start: ") + daemon_.errorString();
        return;
    }
    while (!daemon_.canReadLine() && daemon_.waitForReadyRead(kStartWaitMilliseconds)) {
    }
    address_ = QString::fromLocal8Bit(daemon_.readLine()).trimmed();
    if (address_.isEmpty()) {
        failure_ = QStringLiteral("dbus-daemon gave no address");
    }
}

PrivateBus::~PrivateBus() {
    if (daemon_.state() != QProcess::NotRunning) {
        daemon_.kill();
        daemon_.waitForFinished(kStartWaitMilliseconds);
    }
}

QDBusConnection PrivateBus::Connect(const QString& connectionName) const {
    return QDBusConnection::connectToBus(address_, connectionName);
}

FakeLogind::FakeLogind(const PrivateBus& bus, bool answer)
    : connection_(bus.Connect(QStringLiteral("fake-logind"))),
      manager_(new FakeLogindManager(answer)) {
    manager_->moveToThread(&thread_);
    QObject::connect(&thread_, &QThread::finished, manager_, &QObject::deleteLater);
    thread_.start();
    registered_ = connection_.isConnected() &&
                  connection_.registerObject(QStringLiteral("/org/freedesktop/login1"), manager_,
                                             QDBusConnection::ExportAllSlots) &&
                  connection_.registerService(QStringLiteral("org.freedesktop.login1"));
}

FakeLogind::~FakeLogind() {
    connection_.unregisterObject(QStringLiteral("/org/freedesktop/login1"));
    QDBusConnection::disconnectFromBus(QStringLiteral("fake-logind"));
    thread_.quit();
    thread_.wait();
}

FakeLogindManager::~FakeLogindManager() {
    if (readEnd_ >= 0) {
        ::close(readEnd_);
    }
}

QStringList FakeLogindManager::LastArguments() const {
    std::lock_guard lock(mutex_);
    return lastArguments_;
}

bool FakeLogindManager::Released() const {
    std::lock_guard lock(mutex_);
    if (readEnd_ < 0) {
        return true;
    }
    pollfd watch{readEnd_, POLLIN, 0};
    return ::poll(&watch, 1, 0) == 1 && (watch.revents & POLLHUP) != 0;
}

QDBusUnixFileDescriptor FakeLogindManager::Inhibit(const QString& what, const QString& who,
                                                   const QString& why, const QString& mode) {
    ++calls_;
    std::lock_guard lock(mutex_);
    lastArguments_ = {what, who, why, mode};
    if (!answer_) {
        setDelayedReply(true);
        return {};
    }
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        sendErrorReply(QDBusError::Failed, QStringLiteral("no pipe"));
        return {};
    }
    if (readEnd_ >= 0) {
        ::close(readEnd_);
    }
    readEnd_ = ends[0];
    // The descriptor object keeps a copy of its own until the reply is sent.
    QDBusUnixFileDescriptor writeEnd(ends[1]);
    ::close(ends[1]);
    return writeEnd;
}
