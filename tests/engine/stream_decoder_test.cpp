// The decoders of the stream formats on their own, fed the way a reader
// feeds them (in pieces as small as one byte, with as little as one byte of
// room): each stream of a file made of several ends exactly at its last byte,
// whatever the pieces, and what gzip and zlib refuse is refused.
#include <gtest/gtest.h>

#include "engine/image_formats.h"
#include "test_files.h"

namespace {

struct Decoded {
    Bytes output;
    std::vector<std::size_t> ends;  // where each stream ended in the file
    bool bad = false;               // refused, or cut short
};

// Decodes every stream of `file` in turn, offering inStep more bytes at a
// time and outStep bytes of room per call.
Decoded DecodeAll(CompressionMethod method, const Bytes& file, std::size_t inStep,
                  std::size_t outStep) {
    const auto decoder = FindFormat(method)->makeDecoder(1);
    Decoded result;
    std::size_t at = 0;     // the first byte not consumed
    std::size_t offer = 0;  // bytes offered from `at`
    std::vector<char> out(outStep);
    while (at < file.size()) {
        EXPECT_TRUE(decoder->Begin());
        for (;;) {
            if (offer == 0) {
                if (at == file.size()) {
                    result.bad = true;  // cut short
                    return result;
                }
                offer = std::min(inStep, file.size() - at);
            }
            const char* in = reinterpret_cast<const char*>(file.data()) + at;
            std::size_t inLength = offer;
            char* next = out.data();
            std::size_t room = outStep;
            const CodecStep step = decoder->Decode(in, inLength, next, room);
            const std::size_t consumed = offer - inLength;
            at += consumed;
            offer -= consumed;
            result.output.insert(result.output.end(), out.data(), next);
            if (step == CodecStep::StreamEnd) {
                result.ends.push_back(at);
                break;
            }
            if (step == CodecStep::Bad) {
                result.bad = true;
                return result;
            }
            if (consumed == 0 && room == outStep) {  // it needs more input
                if (at + offer == file.size()) {
                    result.bad = true;
                    return result;
                }
                offer = std::min(offer + inStep, file.size() - at);
            }
        }
    }
    return result;
}

// A gzip member with every optional header field: FTEXT, FHCRC, FEXTRA,
// FNAME, FCOMMENT.
const char kFullHeaderMember[] =
    "python3 -c 'import sys,zlib,struct\n"
    "d=sys.stdin.buffer.read()\n"
    "c=zlib.compressobj(6,zlib.DEFLATED,-15)\n"
    "h=bytes([0x1f,0x8b,8,0x1f])+struct.pack(\"<I\",1700000000)+bytes([0,3])\n"
    "h+=struct.pack(\"<H\",6)+b\"AB\\x02\\x00hi\"+b\"disk.dsk\\0\"+b\"a comment\\0\"\n"
    "h+=struct.pack(\"<H\",zlib.crc32(h)&0xffff)\n"
    "t=struct.pack(\"<II\",zlib.crc32(d)&0xffffffff,len(d)&0xffffffff)\n"
    "sys.stdout.buffer.write(h+c.compress(d)+c.flush()+t)'";

const char kPythonZlib[] =
    "python3 -c 'import sys,zlib; "
    "sys.stdout.buffer.write(zlib.compress(sys.stdin.buffer.read(), 9))'";

struct Case {
    const char* name;
    CompressionMethod method;
    const char* packs[4];  // one command per part of the data, the streams of the file
};

const Case kCases[] = {
    {"gzip", CompressionMethod::Gzip, {"gzip -n -c", kFullHeaderMember, "pigz -c", "gzip -1 -c"}},
    {"zlib", CompressionMethod::Zlib, {kPythonZlib, "pigz -z -c", kPythonZlib, kPythonZlib}},
    {"bzip2", CompressionMethod::Bzip2, {"bzip2 -9 -c", "bzip2 -1 -c", "bzip2 -c", "bzip2 -c"}},
};

class StreamDecoders : public ::testing::TestWithParam<Case> {
protected:
    void SetUp() override {
        // An empty stream and a one-byte stream among larger ones.
        const std::size_t sizes[] = {70001, 1, 0, 130000};
        const Bytes all = MakeDiskData(70001 + 1 + 130000, 61);
        std::size_t from = 0;
        for (int i = 0; i < 4; ++i) {
            const Bytes part(all.begin() + from, all.begin() + from + sizes[i]);
            from += sizes[i];
            WriteFile(dir_ / "part", part);
            ASSERT_EQ(Shell(std::string(GetParam().packs[i]) + " < " + Quoted(dir_ / "part") +
                            " > " + Quoted(dir_ / "stream")),
                      0);
            const Bytes stream = ReadFile(dir_ / "stream");
            file_.insert(file_.end(), stream.begin(), stream.end());
            ends_.push_back(file_.size());
            data_.insert(data_.end(), part.begin(), part.end());
        }
    }

    TempDir dir_;
    Bytes data_;
    Bytes file_;
    std::vector<std::size_t> ends_;
};

TEST_P(StreamDecoders, EachStreamEndsAtItsLastByteWhateverThePieces) {
    const std::pair<std::size_t, std::size_t> steps[] = {
        {1, 1}, {3, 7}, {9, 1}, {4096, 65536}, {1 << 20, 1 << 20}};
    for (const auto& [inStep, outStep] : steps) {
        SCOPED_TRACE(std::to_string(inStep) + " in, " + std::to_string(outStep) + " out");
        const Decoded decoded = DecodeAll(GetParam().method, file_, inStep, outStep);
        EXPECT_FALSE(decoded.bad);
        EXPECT_EQ(decoded.ends, ends_);
        EXPECT_EQ(DescribeDifference(decoded.output, data_), "");
    }
}

TEST_P(StreamDecoders, AStreamCutShortIsRefused) {
    for (const std::size_t cut : {std::size_t{1}, std::size_t{5}, ends_[0] / 2}) {
        SCOPED_TRACE(cut);
        const Bytes part(file_.begin(),
                         file_.begin() + static_cast<std::ptrdiff_t>(ends_[0] - cut));
        EXPECT_TRUE(DecodeAll(GetParam().method, part, 4096, 65536).bad);
    }
}

INSTANTIATE_TEST_SUITE_P(Engine, StreamDecoders, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& info) {
                             return std::string(info.param.name);
                         });

// Headers gzip or zlib refuses, as Python writes them, each refused whether it
// comes whole or a byte at a time.
TEST(StreamDecoders, HeadersGzipAndZlibRefuseAreRefused) {
    TempDir dir;
    const struct {
        const char* name;
        CompressionMethod method;
        const char* python;  // writes the stream to standard output
    } cases[] = {
        {"gzip reserved flag bit 6", CompressionMethod::Gzip,
         "import gzip,sys; m=bytearray(gzip.compress(b\"data\"*999)); m[3]|=0x40; "
         "sys.stdout.buffer.write(m)"},
        {"gzip method 7", CompressionMethod::Gzip,
         "import gzip,sys; m=bytearray(gzip.compress(b\"data\"*999)); m[2]=7; "
         "sys.stdout.buffer.write(m)"},
        {"gzip magic", CompressionMethod::Gzip,
         "import gzip,sys; m=bytearray(gzip.compress(b\"data\"*999)); m[1]=0x8c; "
         "sys.stdout.buffer.write(m)"},
        {"zlib preset dictionary", CompressionMethod::Zlib,
         "import zlib,sys; c=zlib.compressobj(zdict=b\"data\"*9); "
         "sys.stdout.buffer.write(c.compress(b\"data\"*999)+c.flush())"},
        {"zlib header check", CompressionMethod::Zlib,
         "import zlib,sys; m=bytearray(zlib.compress(b\"data\"*999)); m[1]^=0x01; "
         "sys.stdout.buffer.write(m)"},
        {"zlib window of 64 KiB", CompressionMethod::Zlib,
         "import zlib,sys; m=bytearray(zlib.compress(b\"data\"*999)); m[0]=0x88; "
         "m[1]=(m[1]&0xe0)+31-((0x88*256+(m[1]&0xe0))%31); sys.stdout.buffer.write(m)"},
        {"zlib Adler-32", CompressionMethod::Zlib,
         "import zlib,sys; m=bytearray(zlib.compress(b\"data\"*999)); m[-1]^=0x01; "
         "sys.stdout.buffer.write(m)"},
    };
    for (const auto& bad : cases) {
        SCOPED_TRACE(bad.name);
        ASSERT_EQ(Shell(std::string("python3 -c '") + bad.python + "' > " + Quoted(dir / "bad")),
                  0);
        const Bytes stream = ReadFile(dir / "bad");
        EXPECT_TRUE(DecodeAll(bad.method, stream, 1, 1).bad);
        EXPECT_TRUE(DecodeAll(bad.method, stream, 1 << 20, 1 << 20).bad);
    }
}

}  // namespace
