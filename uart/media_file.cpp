#include "uart/media_file.h"

#include <algorithm>
#include <cerrno>
#include <sys/types.h>

namespace {

// A whole number of chunks.
constexpr std::size_t kBlockSize = 256 * kMediaChunkSize;

} // namespace

bool MediaFile::Open(const std::string &path)
{
    m_file.reset(std::fopen(path.c_str(), "rb"));
    m_next = m_end = 0;
    m_size = 0;
    m_bytesRead = 0;
    m_failed = false;
    if (!m_file)
        return false;
    std::FILE *file = m_file.get();
    const off_t size = fseeko(file, 0, SEEK_END) == 0 ? ftello(file) : -1;
    if (size < 0 || fseeko(file, 0, SEEK_SET) != 0) {
        const int reason = errno; // what the caller reports, not the close's
        m_file.reset();
        errno = reason;
        return false;
    }
    m_size = static_cast<uint64_t>(size);
    m_block.resize(kBlockSize);
    return true;
}

MediaChunk MediaFile::NextChunks(std::size_t chunks)
{
    if (m_next == m_end) {
        // Every byte of the blocks read so far has been handed out.
        if (!m_file || m_bytesRead >= m_size)
            return {};
        const std::size_t wanted = static_cast<std::size_t>(std::min<uint64_t>(m_size - m_bytesRead, m_block.size()));
        const std::size_t count = std::fread(m_block.data(), 1, wanted, m_file.get());
        if (count < wanted && std::ferror(m_file.get()))
            m_failed = true;
        m_next = 0;
        m_end = count;
        if (count == 0)
            return {};
    }
    const MediaChunk chunk{m_block.data() + m_next, std::min(chunks * kMediaChunkSize, m_end - m_next)};
    m_next += chunk.size;
    m_bytesRead += chunk.size;
    return chunk;
}
