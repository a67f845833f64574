// Image to image copies through every format, compared byte for byte, and the
// formats as other tools see them.
#include <gtest/gtest.h>

#include "disks/path_text.h"
#include "engine/image_formats.h"
#include "task_runner.h"
#include "test_files.h"

namespace {

std::string Extension(CompressionMethod method) {
    const ImageFormat* format = FindFormat(method);
    return format ? WideToUtf8(format->extension) : ".dsk";
}

class ImageFormats : public ::testing::TestWithParam<CompressionMethod> {
protected:
    // Copies raw -> method -> raw and returns what came back.
    Bytes RoundTrip(const Bytes& data, int level = 6) {
        WriteFile(dir_ / "in.dsk", data);
        const auto packed = dir_ / ("packed" + Extension(GetParam()));
        Copy(dir_ / "in.dsk", CompressionMethod::None, packed, GetParam(), level);
        Copy(packed, GetParam(), dir_ / "out.dsk", CompressionMethod::None, level);
        return ReadFile(dir_ / "out.dsk");
    }

    static void Copy(const std::filesystem::path& from, CompressionMethod fromMethod,
                     const std::filesystem::path& to, CompressionMethod toMethod, int level) {
        RunResult run = RunJob(ImageJob(Wide(from), fromMethod, Wide(to), toMethod, level));
        ASSERT_EQ(run.startMessage, L"");
        EXPECT_EQ(run.task->ending, CopyEnding::Completed);
        EXPECT_FALSE(run.task->copyThread == nullptr);
    }

    TempDir dir_;
};

TEST_P(ImageFormats, SizesAroundTheBlockBoundaryComeBackIdentical) {
    for (std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{1048575},
                             std::size_t{1048576}, std::size_t{1048577}, std::size_t{2621440}}) {
        SCOPED_TRACE(size);
        const Bytes data = MakeDiskData(size, static_cast<unsigned>(size));
        EXPECT_TRUE(RoundTrip(data) == data);
    }
}

TEST_P(ImageFormats, SeveralMebibytesOfMixedDataAtEveryLevelExtreme) {
    const Bytes data = MakeDiskData(5 * 1048576 + 12345, 7);
    const ImageFormat* format = FindFormat(GetParam());
    for (int level : {format ? format->minLevel : 1, format ? format->maxLevel : 9}) {
        SCOPED_TRACE(level);
        EXPECT_TRUE(RoundTrip(data, level) == data);
    }
}

std::string FormatName(const ::testing::TestParamInfo<CompressionMethod>& info) {
    return WideToUtf8(FormatLabel(info.param));
}

std::vector<CompressionMethod> EveryTargetFormat() {
    std::vector<CompressionMethod> methods{CompressionMethod::None};
    for (const ImageFormat& format : TargetFormats()) {
        methods.push_back(format.method);
    }
    return methods;
}

INSTANTIATE_TEST_SUITE_P(Engine, ImageFormats, ::testing::ValuesIn(EveryTargetFormat()),
                         FormatName);

}  // namespace
