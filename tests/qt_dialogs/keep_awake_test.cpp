// The keep-awake lock through logind's Inhibit call: held while a copy runs,
// let go on Continuous alone, and nothing at all where no bus or no logind
// answers.
#include <gtest/gtest.h>

#include <QTest>

#include "control/control_ids.h"
#include "fake_logind.h"
#include "qt/keep_awake_linux.h"

namespace {

constexpr std::uint32_t kCopyRuns =
    ExecutionState::Continuous | ExecutionState::SystemRequired | ExecutionState::AwayModeRequired;
constexpr std::uint32_t kCopyEnded = ExecutionState::Continuous;

TEST(KeepAwake, WithoutASystemBusNothingHappens) {
    if (QDBusConnection::systemBus().isConnected()) {
        GTEST_SKIP() << "a system bus runs here; the case without one cannot be shown";
    }
    const auto keepAwake = MakePlatformKeepAwake();
    keepAwake->SetExecutionState(kCopyRuns);
    EXPECT_FALSE(dynamic_cast<LogindKeepAwake&>(*keepAwake).Holding());
    keepAwake->SetExecutionState(kCopyEnded);
}

TEST(KeepAwake, ABusThatCannotBeReachedIsNoLock) {
    const QString name = QStringLiteral("unreachable");
    {
        LogindKeepAwake keepAwake(
            QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"), name));
        keepAwake.SetExecutionState(kCopyRuns);
        EXPECT_FALSE(keepAwake.Holding());
    }
    QDBusConnection::disconnectFromBus(name);
}

class KeepAwakeOnABus : public ::testing::Test {
protected:
    void SetUp() override {
        if (bus_.Address().isEmpty()) {
            GTEST_SKIP() << "no private message bus: " << bus_.Failure().toStdString();
        }
    }
    void TearDown() override { QDBusConnection::disconnectFromBus(kClient); }

    LogindKeepAwake Client(int timeoutMilliseconds = LogindKeepAwake::kDefaultTimeoutMilliseconds) {
        return LogindKeepAwake(bus_.Connect(kClient), timeoutMilliseconds);
    }

    static bool EventuallyReleased(const FakeLogind& logind) {
        return QTest::qWaitFor([&logind] { return logind.Manager().Released(); });
    }

    static inline const QString kClient = QStringLiteral("keep-awake-client");
    PrivateBus bus_;
};

TEST_F(KeepAwakeOnABus, HeldWhileTheCopyRunsAndLetGoAfter) {
    FakeLogind logind(bus_, true);
    ASSERT_TRUE(logind.Registered());
    LogindKeepAwake keepAwake = Client();
    keepAwake.SetExecutionState(kCopyRuns);
    ASSERT_TRUE(keepAwake.Holding());
    EXPECT_EQ(logind.Manager().LastArguments(),
              (QStringList{"sleep:idle", "Brevel", "A disk copy is running", "block"}));
    EXPECT_FALSE(logind.Manager().Released());

    // Asking again while held takes no second lock; a one-off nudge changes nothing.
    keepAwake.SetExecutionState(kCopyRuns);
    keepAwake.SetExecutionState(ExecutionState::SystemRequired);
    EXPECT_EQ(logind.Manager().Calls(), 1);
    EXPECT_TRUE(keepAwake.Holding());

    keepAwake.SetExecutionState(kCopyEnded);
    EXPECT_FALSE(keepAwake.Holding());
    EXPECT_TRUE(EventuallyReleased(logind));

    // The next copy takes a new lock.
    keepAwake.SetExecutionState(ExecutionState::Continuous | ExecutionState::SystemRequired);
    EXPECT_TRUE(keepAwake.Holding());
    EXPECT_EQ(logind.Manager().Calls(), 2);
}

TEST_F(KeepAwakeOnABus, GoingAwayLetsGo) {
    FakeLogind logind(bus_, true);
    ASSERT_TRUE(logind.Registered());
    {
        LogindKeepAwake keepAwake = Client();
        keepAwake.SetExecutionState(kCopyRuns);
        ASSERT_TRUE(keepAwake.Holding());
    }
    EXPECT_TRUE(EventuallyReleased(logind));
}

TEST_F(KeepAwakeOnABus, NoLogindOnTheBusIsNoLock) {
    LogindKeepAwake keepAwake = Client();
    keepAwake.SetExecutionState(kCopyRuns);
    EXPECT_FALSE(keepAwake.Holding());
    keepAwake.SetExecutionState(kCopyEnded);
}

TEST_F(KeepAwakeOnABus, ALogindThatNeverAnswersIsGivenUpOn) {
    FakeLogind logind(bus_, false);
    ASSERT_TRUE(logind.Registered());
    LogindKeepAwake keepAwake = Client(200);
    keepAwake.SetExecutionState(kCopyRuns);
    EXPECT_FALSE(keepAwake.Holding());
    EXPECT_EQ(logind.Manager().Calls(), 1);
}

}  // namespace
