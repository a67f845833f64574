#include "control/text_format.h"

#include <boost/algorithm/string/trim.hpp>
#include <boost/format.hpp>
#include <ctime>

namespace {

// The last second that the local-time conversion accepts: 3000-12-31 23:59:59 UTC.
constexpr std::int64_t kLastConvertibleTime = 32535215999;

// Digit d (1 = tenths) after the point of remainder / divisor, truncated.
unsigned FractionDigits(std::uint64_t remainder, std::uint64_t divisor, int count) {
    unsigned digits = 0;
    for (int i = 0; i < count; ++i) {
        remainder *= 10;  // remainder < divisor <= 2^60: no overflow
        digits = digits * 10 + static_cast<unsigned>(remainder / divisor);
        remainder %= divisor;
    }
    return digits;
}

}  // namespace

std::wstring FormatByteSize(std::int64_t bytes) {
    if (bytes < 1024) {
        return (boost::wformat(L"%d bytes") % bytes).str();
    }
    static const wchar_t* const kUnits[] = {L"KB", L"MB", L"GB", L"TB", L"PB", L"EB"};
    const auto value = static_cast<std::uint64_t>(bytes);
    int unit = 0;
    std::uint64_t divisor = 1024;
    while (unit < 5 && value / divisor >= 1024) {
        divisor *= 1024;
        ++unit;
    }
    const std::uint64_t whole = value / divisor;
    const std::uint64_t remainder = value % divisor;
    if (whole < 10) {
        return (boost::wformat(L"%d.%02d %s") % whole % FractionDigits(remainder, divisor, 2) %
                kUnits[unit])
            .str();
    }
    if (whole < 100) {
        return (boost::wformat(L"%d.%d %s") % whole % FractionDigits(remainder, divisor, 1) %
                kUnits[unit])
            .str();
    }
    return (boost::wformat(L"%d %s") % whole % kUnits[unit]).str();
}

std::wstring FormatSpeed(std::int64_t bytesPerSecond) {
    return (boost::wformat(L"%s/s") % FormatByteSize(bytesPerSecond)).str();
}

std::wstring FormatTimestamp(std::int64_t seconds) {
    if (seconds < 0 || seconds > kLastConvertibleTime) {
        return L"";
    }
    const auto time = static_cast<std::time_t>(seconds);
    std::tm local{};
#ifdef _WIN32
    if (localtime_s(&local, &time) != 0) {
        return L"";
    }
#else
    if (localtime_r(&time, &local) == nullptr) {
        return L"";
    }
#endif
    char buffer[260] = {};
    const std::size_t length = std::strftime(buffer, sizeof buffer, "%Y/%m/%d %H:%M:%S", &local);
    // ASCII digits and separators only: one byte is one character.
    return std::wstring(buffer, buffer + length);
}

std::wstring FormatDuration(std::int64_t seconds) {
    const std::int64_t secondsPart = seconds - 60 * (seconds / 60);
    const std::int64_t hours = seconds / 3600;
    const std::int64_t minutes = (seconds - 3600 * hours) / 60;
    return (boost::wformat(L"%d:%02d:%02ds") % static_cast<std::int32_t>(hours) %
            static_cast<std::int32_t>(minutes) % static_cast<std::int32_t>(secondsPart))
        .str();
}

std::wstring FormatTimeLeft(std::int64_t seconds) {
    const std::int64_t hours = seconds / 3600;
    const std::int64_t minutes = seconds / 60 % 60;
    if (hours > 0) {
        return (boost::wformat(L"%d:%02d:%02d") % hours % minutes % (seconds % 60)).str();
    }
    return (boost::wformat(L"%d:%02d") % minutes % (seconds % 60)).str();
}

std::wstring TrimmedPath(std::wstring text) {
    boost::algorithm::trim(text);
    return text;
}
