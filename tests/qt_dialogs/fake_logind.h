#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusUnixFileDescriptor>
#include <QObject>
#include <QProcess>
#include <QStringList>
#include <QThread>
#include <atomic>
#include <mutex>

// A message bus of the test's own: a dbus-daemon child process, ended with
// the object.
class PrivateBus {
public:
    PrivateBus();
    ~PrivateBus();
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    // Empty when no bus could be started (see Failure).
    const QString& Address() const { return address_; }
    const QString& Failure() const { return failure_; }
    // A new connection of the test to the bus, under a name of its own.
    QDBusConnection Connect(const QString& connectionName) const;

private:
    QProcess daemon_;
    QString address_;
    QString failure_;
};

// The part of logind's manager the keep-awake lock uses: Inhibit hands out
// the write end of a pipe, so that the test sees, on the read end, when the
// caller has closed its descriptor. When answer is false, calls are left
// without an answer.
class FakeLogindManager : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")

public:
    explicit FakeLogindManager(bool answer) : answer_(answer) {}
    ~FakeLogindManager() override;

    int Calls() const { return calls_; }
    QStringList LastArguments() const;
    // Whether every copy of the last descriptor handed out has been closed.
    bool Released() const;

public slots:
    QDBusUnixFileDescriptor Inhibit(const QString& what, const QString& who, const QString& why,
                                    const QString& mode);

private:
    const bool answer_;
    std::atomic<int> calls_{0};
    mutable std::mutex mutex_;
    QStringList lastArguments_;
    int readEnd_ = -1;
};

// The manager serving "org.freedesktop.login1" on a private bus, answering on
// a thread of its own as the real service answers from another process.
class FakeLogind {
public:
    FakeLogind(const PrivateBus& bus, bool answer);
    ~FakeLogind();
    FakeLogind(const FakeLogind&) = delete;
    FakeLogind& operator=(const FakeLogind&) = delete;

    bool Registered() const { return registered_; }
    const FakeLogindManager& Manager() const { return *manager_; }

private:
    QThread thread_;
    QDBusConnection connection_;
    FakeLogindManager* manager_;  // deleted on its thread when that ends
    bool registered_ = false;
};
