#include "uart/media_file.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// Every byte value, over and over.
std::string Bytes(std::size_t size)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 7 + i / 256) & 0xff);
    return bytes;
}

class MediaFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char dir[] = "/tmp/media_file_test_XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        m_dir = dir;
    }
    void TearDown() override { std::system(("rm -rf '" + m_dir + "'").c_str()); }

    std::string Write(const std::string &name, const std::string &bytes)
    {
        const std::string path = m_dir + "/" + name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    // Reads chunks until the end (at most `limit`), recording their sizes.
    static std::string ReadAll(MediaFile &file, std::vector<std::size_t> &sizes, int limit = 100000)
    {
        std::string read;
        for (int turn = 0; turn < limit; ++turn) {
            const MediaChunk chunk = file.NextChunk();
            if (chunk.size == 0)
                break;
            sizes.push_back(chunk.size);
            read.append(chunk.data, chunk.size);
        }
        return read;
    }

    std::string m_dir;
};

TEST_F(MediaFileTest, ReadsWholeChunksAndAShortLastOne)
{
    const std::string bytes = Bytes(600);
    MediaFile file;
    ASSERT_TRUE(file.Open(Write("clip.mp3", bytes)));
    EXPECT_EQ(file.Size(), 600u);
    std::vector<std::size_t> sizes;
    EXPECT_EQ(ReadAll(file, sizes), bytes);
    EXPECT_EQ(sizes, (std::vector<std::size_t>{256, 256, 88}));
    EXPECT_EQ(file.BytesRead(), 600u);
    EXPECT_FALSE(file.Failed());

    MediaFile exact;
    ASSERT_TRUE(exact.Open(Write("exact.mp3", Bytes(512))));
    sizes.clear();
    ReadAll(exact, sizes);
    EXPECT_EQ(sizes, (std::vector<std::size_t>{256, 256}));

    // Runs of chunks for one send each: whole chunks, never past a block read
    // (256 chunks) or the end.
    const std::string large = Bytes(70000);
    MediaFile runs;
    ASSERT_TRUE(runs.Open(Write("large.mp3", large)));
    std::string read;
    sizes.clear();
    for (MediaChunk chunk = runs.NextChunks(100); chunk.size != 0; chunk = runs.NextChunks(100)) {
        read.append(chunk.data, chunk.size);
        sizes.push_back(chunk.size);
    }
    EXPECT_EQ(read, large);
    EXPECT_EQ(sizes, (std::vector<std::size_t>{25600, 25600, 14336, 4464}));
}

// A directory opens on this system but cannot be read: a failure, not an end.
TEST_F(MediaFileTest, UnreadableFileFails)
{
    MediaFile directory;
    if (directory.Open(m_dir)) {
        EXPECT_EQ(directory.NextChunk().size, 0u);
        EXPECT_TRUE(directory.Failed());
    }
}

// A file cut short while it streams ends the stream with the bytes it still
// holds, instead of giving empty chunks up to the size it had; one that grows
// is read to the size it had.
TEST_F(MediaFileTest, ChangesWhileReadingNeverRepeatOrRunOn)
{
    const std::string bytes = Bytes(1 << 20);
    const std::string path = Write("shrinks.mp4", bytes);
    MediaFile shrinking;
    ASSERT_TRUE(shrinking.Open(path));
    ASSERT_EQ(shrinking.NextChunk().size, 256u);
    ASSERT_EQ(truncate(path.c_str(), 200000), 0);
    std::vector<std::size_t> sizes;
    EXPECT_EQ(ReadAll(shrinking, sizes, 10000), bytes.substr(256, 200000 - 256));
    EXPECT_EQ(shrinking.NextChunk().size, 0u);
    EXPECT_FALSE(shrinking.Failed());

    const std::string grows = Write("grows.mp4", bytes);
    MediaFile growing;
    ASSERT_TRUE(growing.Open(grows));
    std::ofstream(grows, std::ios::binary | std::ios::app) << Bytes(1000);
    sizes.clear();
    EXPECT_EQ(ReadAll(growing, sizes), bytes);
}

} // namespace
