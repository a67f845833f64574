// Sizes, speeds, times and durations as the read-outs and the log show them.
#include "control/text_format.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <limits>
#include <optional>
#include <string>

namespace {

TEST(FormatByteSize, CountsBelowOneKibibyteAreBytes) {
    EXPECT_EQ(FormatByteSize(0), L"0 bytes");
    EXPECT_EQ(FormatByteSize(532), L"532 bytes");
    EXPECT_EQ(FormatByteSize(1023), L"1023 bytes");
}

TEST(FormatByteSize, ThreeSignificantDigitsTruncatedNotRounded) {
    EXPECT_EQ(FormatByteSize(1024), L"1.00 KB");
    EXPECT_EQ(FormatByteSize(1340), L"1.30 KB");  // 1.308...
    EXPECT_EQ(FormatByteSize(2047), L"1.99 KB");  // 1.999...
    EXPECT_EQ(FormatByteSize(10240), L"10.0 KB");
    EXPECT_EQ(FormatByteSize(23506), L"22.9 KB");  // 22.95...
    EXPECT_EQ(FormatByteSize(102400), L"100 KB");
    EXPECT_EQ(FormatByteSize(2400016), L"2.28 MB");      // 2.288...
    EXPECT_EQ(FormatByteSize(2400000000), L"2.23 GB");   // 2.235...
    EXPECT_EQ(FormatByteSize(500107862016), L"465 GB");  // 465.76...
}

TEST(FormatByteSize, EveryUnitUpToTheLargestCount) {
    EXPECT_EQ(FormatByteSize(1048576), L"1.00 MB");
    EXPECT_EQ(FormatByteSize(std::int64_t{1} << 30), L"1.00 GB");
    EXPECT_EQ(FormatByteSize(std::int64_t{1} << 40), L"1.00 TB");
    EXPECT_EQ(FormatByteSize(std::int64_t{1} << 50), L"1.00 PB");
    EXPECT_EQ(FormatByteSize(std::int64_t{1} << 60), L"1.00 EB");
    EXPECT_EQ(FormatByteSize(std::numeric_limits<std::int64_t>::max()), L"7.99 EB");
}

TEST(FormatByteSize, FourWholeDigitsJustBelowTheNextUnit) {
    EXPECT_EQ(FormatByteSize(1048064), L"1023 KB");  // 1023.5 KB
    EXPECT_EQ(FormatByteSize(1048575), L"1023 KB");
    EXPECT_EQ(FormatByteSize(1024000), L"1000 KB");
}

TEST(FormatByteSize, NegativeCountsStayInBytes) {
    EXPECT_EQ(FormatByteSize(-5), L"-5 bytes");
    EXPECT_EQ(FormatByteSize(-5000000), L"-5000000 bytes");
}

TEST(FormatSpeed, AppendsPerSecond) {
    EXPECT_EQ(FormatSpeed(0), L"0 bytes/s");
    EXPECT_EQ(FormatSpeed(1340), L"1.30 KB/s");
}

TEST(FormatDuration, HoursMinutesSecondsWithoutWrappingTheHours) {
    EXPECT_EQ(FormatDuration(0), L"0:00:00s");
    EXPECT_EQ(FormatDuration(59), L"0:00:59s");
    EXPECT_EQ(FormatDuration(61), L"0:01:01s");
    EXPECT_EQ(FormatDuration(3599), L"0:59:59s");
    EXPECT_EQ(FormatDuration(3600), L"1:00:00s");
    EXPECT_EQ(FormatDuration(90061), L"25:01:01s");
}

// Runs the test body in a given time zone and restores the previous one.
class InTimeZone {
public:
    explicit InTimeZone(const char* zone) {
        if (const char* old = std::getenv("TZ")) {
            previous_ = old;
        }
        setenv("TZ", zone, 1);
        tzset();
    }
    ~InTimeZone() {
        if (previous_) {
            setenv("TZ", previous_->c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }

private:
    std::optional<std::string> previous_;
};

TEST(FormatTimestamp, LocalTimeInTheMachinesZone) {
    {
        InTimeZone utc("UTC0");
        EXPECT_EQ(FormatTimestamp(0), L"1970/01/01 00:00:00");
        EXPECT_EQ(FormatTimestamp(1701785989), L"2023/12/05 14:19:49");
    }
    {
        InTimeZone east("XYZ-2");  // two hours ahead of UTC
        EXPECT_EQ(FormatTimestamp(1701785989), L"2023/12/05 16:19:49");
    }
}

TEST(FormatTimestamp, EmptyOutsideTheConvertibleRange) {
    InTimeZone utc("UTC0");
    EXPECT_EQ(FormatTimestamp(-1), L"");
    EXPECT_EQ(FormatTimestamp(32535215999), L"3000/12/31 23:59:59");
    EXPECT_EQ(FormatTimestamp(32535216000), L"");
    EXPECT_EQ(FormatTimestamp(std::numeric_limits<std::int64_t>::max()), L"");
}

}  // namespace
