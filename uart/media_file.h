// A media file read for streaming: raw bytes in chunks of at most 256, up to
// the size the file had when it was opened.
#ifndef ORV_UART_MEDIA_FILE_H
#define ORV_UART_MEDIA_FILE_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

constexpr std::size_t kMediaChunkSize = 256;

struct MediaChunk {
    const char *data = nullptr;
    std::size_t size = 0;
};

class MediaFile {
public:
    // Opens `path` (in the file system's encoding) for reading and takes its
    // size; false when it cannot be opened or is not a seekable file, with
    // the reason in errno.
    bool Open(const std::string &path);
    // The next chunk, valid until the next call; empty at the end, which
    // comes early for a file cut short while it is read (Failed() tells a
    // read error, whose reason is then in errno, from the end).
    MediaChunk NextChunk() { return NextChunks(1); }
    // Up to `chunks` chunks that follow each other in the file, as one run of
    // bytes (fewer at the end of a block read or of the file).
    MediaChunk NextChunks(std::size_t chunks);
    bool Failed() const { return m_failed; }
    uint64_t Size() const { return m_size; }
    // Bytes handed out in chunks so far.
    uint64_t BytesRead() const { return m_bytesRead; }

private:
    struct Closer {
        void operator()(std::FILE *file) const { std::fclose(file); }
    };
    std::unique_ptr<std::FILE, Closer> m_file;
    // The file is read in blocks and handed out from them: one read and no
    // lock per chunk would be a good part of a chunk's cost on a fast link.
    std::vector<char> m_block;
    std::size_t m_next = 0;
    std::size_t m_end = 0;
    uint64_t m_size = 0;
    uint64_t m_bytesRead = 0;
    bool m_failed = false;
};

#endif
