// Multi-stream bzip2 files read on the workers: the same bytes, the same
// ending and the same failure position as reading them in order (one
// worker), for files of every tool, with false stream starts, damage, cuts,
// and a reader closed in the middle.
#include <gtest/gtest.h>

#include "engine/image_reader.h"
#include "engine/parallel_formats.h"
#include "engine/parallel_stream_reader.h"
#include "engine/stream_boundaries.h"
#include "test_files.h"

namespace {

using namespace std::string_literals;

struct ReadOutcome {
    Bytes data;
    ImageReader::Status status = ImageReader::Status::Data;
    std::int64_t consumed = 0;
    std::int64_t padding = 0;

    bool operator==(const ReadOutcome&) const = default;
};

// Reads the bzip2 image with `workers` threads, in pieces of `chunk` bytes.
ReadOutcome ReadImage(const std::filesystem::path& file, int workers,
                      std::int32_t chunk = 1 << 20) {
    ImageReader reader;
    reader.SetWorkers(workers);
    EXPECT_TRUE(reader.Open(Wide(file), CompressionMethod::Bzip2, true));
    ReadOutcome outcome;
    std::vector<char> buffer(static_cast<std::size_t>(chunk));
    const auto size = static_cast<std::int64_t>(std::filesystem::file_size(file));
    while (outcome.status == ImageReader::Status::Data) {
        const std::int32_t got = reader.Read(buffer.data(), chunk, outcome.status);
        outcome.data.insert(outcome.data.end(), buffer.begin(), buffer.begin() + got);
        // Progress only grows, and never beyond the file.
        EXPECT_GE(reader.ConsumedBytes(), outcome.consumed);
        EXPECT_LE(reader.ConsumedBytes(), size);
        outcome.consumed = reader.ConsumedBytes();
    }
    outcome.padding = reader.PaddingBytes();
    return outcome;
}

// The offsets where each stream of a file starts, as the boundary rule finds them.
std::vector<std::size_t> Candidates(const Bytes& file) {
    const StreamBoundaries& boundaries = *FindStreamBoundaries(CompressionMethod::Bzip2);
    const std::string_view data(reinterpret_cast<const char*>(file.data()), file.size());
    std::vector<std::size_t> found;
    for (std::size_t at = FindStreamStart(boundaries, data, 0); at != std::string_view::npos;
         at = FindStreamStart(boundaries, data, at + 1)) {
        found.push_back(at);
    }
    return found;
}

TEST(StreamBoundaries, ABzip2StreamStartsWithItsHeaderAndAMagic) {
    const StreamBoundaries& boundaries = *FindStreamBoundaries(CompressionMethod::Bzip2);
    EXPECT_EQ(FindStreamBoundaries(CompressionMethod::Gzip), nullptr);
    const std::string block = "BZh9\x31\x41\x59\x26\x53\x59"s;
    const std::string end = "BZh1\x17\x72\x45\x38\x50\x90"s;  // an empty stream
    const struct {
        std::string data;
        std::size_t from;
        std::size_t found;
    } cases[] = {
        {"xy" + block + "z", 0, 2},
        {end, 0, 0},
        {"BZh0\x31\x41\x59\x26\x53\x59"s + block, 0, 10},  // block size 0
        {"BZh:\x31\x41\x59\x26\x53\x59"s, 0, std::string::npos},
        {"BZh9\x31\x41\x59\x26\x53\x58"s, 0, std::string::npos},  // not the magic
        {block.substr(0, 9), 0, std::string::npos},               // cut short
        {block + "BZ" + end, 1, 12},
        {"BZhBZh9\x31\x41\x59\x26\x53\x59"s, 0, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.data);
        EXPECT_EQ(FindStreamStart(boundaries, c.data, c.from), c.found);
    }
}

Bytes BrevelBzip2(const Bytes& data, int level) {
    Bytes out;
    auto compressor = MakeParallelCompressor(CompressionMethod::Bzip2, level, 2,
                                             [&out](const char* bytes, std::size_t size) {
                                                 out.insert(out.end(), bytes, bytes + size);
                                                 return true;
                                             });
    EXPECT_TRUE(compressor->Write(reinterpret_cast<const char*>(data.data()), data.size()));
    EXPECT_TRUE(compressor->Finish());
    return out;
}

struct Source {
    const char* name;
    const char* pack;  // from standard input to standard output; null: Brevel at level 1
};

const Source kSources[] = {
    {"brevel", nullptr},
    {"pbzip2", "pbzip2 -p2 -b1 -9 -c"},                    // one stream per 100,000 bytes
    {"pbzip2default", "pbzip2 -p2 -c"},                    // one per 900,000
    {"lbzip2", "lbzip2 -n2 -c"},                           // one stream of many blocks
    {"bzip2", "bzip2 -9 -c"},                              // one stream, longer than a piece may be
    {"bzip2halves", "split -n 2 --filter='bzip2 -9 -c'"},  // two such streams
};

class ParallelBzip2 : public ::testing::TestWithParam<Source> {
protected:
    void SetUp() override {
        data_ = MakeDiskData(5 * 1048576 + 12345, 71);
        WriteFile(dir_ / "disk.dsk", data_);
        if (GetParam().pack == nullptr) {
            WriteFile(dir_ / "image.bz2", BrevelBzip2(data_, 1));
        } else {
            ASSERT_EQ(Shell(std::string(GetParam().pack) + " < " + Quoted(dir_ / "disk.dsk") +
                            " > " + Quoted(dir_ / "image.bz2")),
                      0);
        }
        image_ = ReadFile(dir_ / "image.bz2");
        starts_ = Candidates(image_);
    }

    void TearDown() override { ParallelStreamReader::ExtraCandidatesForTest().clear(); }

    // Writes `image` and reads it with several worker counts: each must give
    // what one worker gives; returns that.
    ReadOutcome ReadEveryWay(const Bytes& image) {
        WriteFile(dir_ / "read.bz2", image);
        const ReadOutcome inOrder = ReadImage(dir_ / "read.bz2", 1);
        for (const int workers : {2, 3}) {
            SCOPED_TRACE(workers);
            const ReadOutcome parallel = ReadImage(dir_ / "read.bz2", workers, 300007);
            EXPECT_EQ(DescribeDifference(parallel.data, inOrder.data), "");
            EXPECT_TRUE(parallel == inOrder);
        }
        return inOrder;
    }

    // The image with the byte at `offset` changed.
    Bytes Damaged(std::size_t offset) const {
        Bytes image = image_;
        image[offset] ^= 0x10;
        return image;
    }

    Bytes Prefix(std::size_t size) const {
        return Bytes(data_.begin(),
                     data_.begin() + static_cast<std::ptrdiff_t>(std::min(size, data_.size())));
    }

    TempDir dir_;
    Bytes data_;
    Bytes image_;
    std::vector<std::size_t> starts_;
};

TEST_P(ParallelBzip2, EveryToolsFileIsReadWhole) {
    const ReadOutcome read = ReadEveryWay(image_);
    EXPECT_EQ(read.status, ImageReader::Status::End);
    EXPECT_EQ(DescribeDifference(read.data, data_), "");
    EXPECT_EQ(read.consumed, static_cast<std::int64_t>(image_.size()));
}

TEST_P(ParallelBzip2, FalseStreamStartsChangeNothing) {
    // Inside streams, just after true starts, just before the end.
    auto& extra = ParallelStreamReader::ExtraCandidatesForTest();
    for (std::size_t at = 12345; at < image_.size(); at += 77777) {
        extra.push_back(static_cast<std::int64_t>(at));
    }
    for (const std::size_t start : starts_) {
        extra.push_back(static_cast<std::int64_t>(start + 1));
    }
    extra.push_back(static_cast<std::int64_t>(image_.size() - 1));
    const ReadOutcome read = ReadEveryWay(image_);
    EXPECT_EQ(read.status, ImageReader::Status::End);
    EXPECT_EQ(DescribeDifference(read.data, data_), "");
}

TEST_P(ParallelBzip2, ADamagedStreamFailsWhereReadingInOrderFails) {
    const std::size_t middle = starts_[starts_.size() / 2];
    // What the streams before the damaged one hold.
    const std::size_t before =
        ReadEveryWay(Bytes(image_.begin(), image_.begin() + static_cast<std::ptrdiff_t>(middle)))
            .data.size();
    // In the block, in the stream's own start, in the last stream's check value.
    for (const std::size_t offset : {middle + 40, middle + 5, image_.size() - 3}) {
        SCOPED_TRACE(offset);
        const ReadOutcome read = ReadEveryWay(Damaged(offset));
        EXPECT_EQ(read.status, ImageReader::Status::Failed);
        EXPECT_EQ(DescribeDifference(read.data, Prefix(read.data.size())), "");
        EXPECT_GE(read.data.size(), before);
    }
}

TEST_P(ParallelBzip2, CutsPaddingAndGarbageEndTheDataAsInOrder) {
    const std::size_t last = starts_.back();
    const Bytes none;
    const Bytes zeros(300000, 0);
    const Bytes garbage{'B', 'Z', 'h', '9', 0x31, 0x41, 0x59, 0x26, 0x53, 0x59, 'j', 'u', 'n', 'k'};
    const struct {
        const char* name;
        std::size_t cut;
        const Bytes& tail;
        ImageReader::Status status;
    } cases[] = {
        {"cut inside the last stream", last + (image_.size() - last) / 2, none,
         ImageReader::Status::Failed},
        {"cut at the last stream's start", last, none,
         last > 0 ? ImageReader::Status::End : ImageReader::Status::Failed},
        {"zero padding", image_.size(), zeros, ImageReader::Status::End},
        {"a stream start and garbage", image_.size(), garbage, ImageReader::Status::Failed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes image(image_.begin(), image_.begin() + static_cast<std::ptrdiff_t>(c.cut));
        image.insert(image.end(), c.tail.begin(), c.tail.end());
        const ReadOutcome read = ReadEveryWay(image);
        EXPECT_EQ(read.status, c.status);
        EXPECT_EQ(DescribeDifference(read.data, Prefix(read.data.size())), "");
        EXPECT_EQ(read.padding, &c.tail == &zeros ? 300000 : 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Engine, ParallelBzip2, ::testing::ValuesIn(kSources),
                         [](const ::testing::TestParamInfo<Source>& info) {
                             return std::string(info.param.name);
                         });

// Closing (or dropping) a reader while its workers decode stops them.
TEST(ParallelBzip2Reader, ClosingInTheMiddleStopsTheWorkers) {
    TempDir dir;
    WriteFile(dir / "image.bz2", BrevelBzip2(MakeDiskData(4 * 1048576, 72), 1));
    for (const std::size_t before : {std::size_t{0}, std::size_t{1}, std::size_t{1500000}}) {
        for (const bool close : {true, false}) {
            SCOPED_TRACE(std::to_string(before) + (close ? " close" : " drop"));
            ImageReader reader;
            reader.SetWorkers(3);
            ASSERT_TRUE(reader.Open(Wide(dir / "image.bz2"), CompressionMethod::Bzip2, true));
            std::vector<char> buffer(before + 1);
            std::size_t got = 0;
            ImageReader::Status status = ImageReader::Status::Data;
            while (got < before && status == ImageReader::Status::Data) {
                got += static_cast<std::size_t>(
                    reader.Read(buffer.data(), static_cast<std::int32_t>(before - got), status));
            }
            EXPECT_EQ(got, before);
            if (close) {
                reader.Close();
            }
        }
    }
}

}  // namespace
