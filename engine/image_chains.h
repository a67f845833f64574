#pragma once

#include <boost/iostreams/filtering_stream.hpp>
#include <cstdint>
#include <fstream>

#include "engine/clone_job.h"

// The stream chains of image files: an optional decompressor or compressor in
// front of the file stream.

// Between a chain and its file; the compressors' own buffers are 4096 bytes.
inline constexpr std::streamsize kImageFileBufferSize = 1 << 20;
inline constexpr std::streamsize kCompressorBufferSize = 4096;

// Makes the file stream unbuffered, so that the chain's buffer is the only one.
void UnbufferFile(std::ios& file);

// Pushes the decompressor for method (nothing for None) and then file.
void ComposeSourceChain(boost::iostreams::filtering_istream& chain, CompressionMethod method,
                        bool compressed, std::ifstream& file);

// Pushes the compressor for method at level (nothing for None) and then file.
void ComposeTargetChain(boost::iostreams::filtering_ostream& chain, CompressionMethod method,
                        bool compressed, std::int32_t level, std::ofstream& file);

// Closes and empties a target chain. Once the file has stopped taking data the
// compressor's remaining output is dropped rather than offered to the file
// again, so that this always returns. False when anything failed on the way;
// true for an empty chain.
bool CloseTargetChain(boost::iostreams::filtering_ostream& chain);

// Closes and empties a source chain.
void CloseSourceChain(boost::iostreams::filtering_istream& chain);
