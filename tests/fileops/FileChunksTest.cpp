#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "FileUtilsTestSupport.h"
#include "fileops/FileChunks.h"
#include "fileops/MultiAnswerDialog.h"
#include "support/TestDir.h"

namespace {

constexpr std::uint64_t kDefaultChunk = std::uint64_t(kDefaultSplitKiB) * 1024;
constexpr std::uint64_t kGiB = 1024ULL * 1024 * 1024;

// The chunk names split gives and merge takes, in order.
std::vector<QByteArray> Chunks(const QByteArray& source, int count, int digits) {
    std::vector<QByteArray> names;
    for (int i = 0; i < count; ++i) names.push_back(ChunkName(source, std::uint64_t(i), digits));
    return names;
}

TEST(ChunkNamesTest, DigitsFollowTheChunkCount) {
    EXPECT_EQ(ChunkCount(3000000, kDefaultChunk), 3u);
    EXPECT_EQ(ChunkCount(2 * kDefaultChunk, kDefaultChunk), 2u);
    EXPECT_EQ(ChunkCount(0, kDefaultChunk), 0u);
    EXPECT_EQ(ChunkCount(5 * kGiB + 1, kGiB), 6u);
    EXPECT_EQ(ChunkDigits(2), 1);
    EXPECT_EQ(ChunkDigits(10), 2);
    EXPECT_EQ(ChunkDigits(12), 2);
    EXPECT_EQ(ChunkDigits(100), 3);
    EXPECT_EQ(ChunkName("/d/big.zip", 1, 1), QByteArray("/d/big.zip.1"));
    EXPECT_EQ(ChunkName("/d/big.zip", 0, 2), QByteArray("/d/big.zip.00"));
    EXPECT_EQ(ChunkName("/d/big.zip", 11, 2), QByteArray("/d/big.zip.11"));
    EXPECT_EQ(ChunkName("/d/x", 5000000000ULL, 10), QByteArray("/d/x.5000000000"));
}

// The design's example: 3,000,000 bytes at 1,420 KiB give 1,454,080 +
// 1,454,080 + 91,840 bytes under .0 .1 .2, and merging them in that order
// gives the file back byte for byte.
TEST(SplitMergeTest, SplitsAtTheDefaultSizeAndMergesBack) {
    TestDir dir;
    const QByteArray source = dir.Join("big.bin");
    const QByteArray bytes = PatternBytes(3000000);
    ASSERT_TRUE(WriteFile(source, bytes));

    std::vector<QByteArray> created;
    int steps = 0;
    SplitHooks hooks;
    hooks.step = [&] { ++steps; };
    ASSERT_EQ(SplitFile(source, kDefaultChunk, hooks, &created), SplitResult::kDone);
    const std::vector<QByteArray> chunks = Chunks(source, 3, 1);
    EXPECT_EQ(created, chunks);
    EXPECT_EQ(SizeOf(chunks[0]), 1454080u);
    EXPECT_EQ(SizeOf(chunks[1]), 1454080u);
    EXPECT_EQ(SizeOf(chunks[2]), 91840u);
    EXPECT_FALSE(dir.Exists("big.bin.3"));
    EXPECT_EQ(ReadFile(chunks[1]), bytes.mid(1454080, 1454080));
    EXPECT_EQ(steps, 3) << "one step per chunk while there are fewer than ten";

    const QByteArray target = dir.Join("joined.bin");
    ASSERT_EQ(MergeFiles(chunks, target, {}), MergeResult::kDone);
    EXPECT_EQ(ReadFile(target), bytes);
    EXPECT_EQ(ReadFile(source), bytes) << "the source is only read";
}

TEST(SplitMergeTest, ExactMultipleEmptyFileAndManyChunks) {
    TestDir dir;
    const QByteArray exact = dir.Join("exact");
    ASSERT_TRUE(WriteFile(exact, PatternBytes(2 * 1024 * 10)));
    ASSERT_EQ(SplitFile(exact, 10 * 1024, {}), SplitResult::kDone);
    EXPECT_EQ(SizeOf(exact + ".0"), 10240u);
    EXPECT_EQ(SizeOf(exact + ".1"), 10240u);
    EXPECT_FALSE(dir.Exists("exact.2")) << "no empty last chunk";

    const QByteArray empty = dir.Join("empty");
    ASSERT_TRUE(WriteFile(empty, QByteArray()));
    EXPECT_EQ(SplitFile(empty, 1024, {}), SplitResult::kNotAFile);
    EXPECT_FALSE(dir.Exists("empty.0"));

    ASSERT_TRUE(dir.MakeFolder("folder"));
    EXPECT_EQ(SplitFile(dir.Join("folder"), 1024, {}), SplitResult::kNotAFile);

    // Twelve chunks are numbered .00 to .11.
    const QByteArray many = dir.Join("many");
    const QByteArray bytes = PatternBytes(12 * 1024 - 5);
    ASSERT_TRUE(WriteFile(many, bytes));
    ASSERT_EQ(SplitFile(many, 1024, {}), SplitResult::kDone);
    const std::vector<QByteArray> chunks = Chunks(many, 12, 2);
    EXPECT_TRUE(dir.Exists("many.00"));
    EXPECT_TRUE(dir.Exists("many.11"));
    EXPECT_FALSE(dir.Exists("many.0"));
    EXPECT_EQ(SizeOf(chunks.back()), 1019u);
    ASSERT_EQ(MergeFiles(chunks, dir.Join("many.joined"), {}), MergeResult::kDone);
    EXPECT_EQ(ReadFile(dir.Join("many.joined")), bytes);
}

// An existing chunk is asked about: "&No" ends the split with the old file
// kept; "Yes to &all" asks once; a folder under a chunk's name fails; a
// link planted under a chunk's name is replaced, never written through.
TEST(SplitMergeTest, ExistingChunksAreAskedAboutAndLinksNotWrittenThrough) {
    TestDir dir;
    const QByteArray source = dir.Join("f");
    const QByteArray bytes = PatternBytes(3000);
    ASSERT_TRUE(WriteFile(source, bytes));
    ASSERT_TRUE(dir.MakeFile("f.0", "old zero"));
    ASSERT_TRUE(dir.MakeFile("f.1", "old one"));

    std::vector<QByteArray> asked;
    SplitHooks hooks;
    hooks.askOverwrite = [&](const QByteArray& chunk) {
        asked.push_back(chunk);
        return int(MultiAnswerDialog::kNo);
    };
    EXPECT_EQ(SplitFile(source, 1024, hooks), SplitResult::kFailed);
    EXPECT_EQ(asked, std::vector<QByteArray>({dir.Join("f.0")}));
    EXPECT_EQ(dir.Read("f.0"), QByteArray("old zero"));
    EXPECT_FALSE(dir.Exists("f.2"));

    asked.clear();
    ASSERT_TRUE(dir.MakeFile("victim", "keep me"));
    ASSERT_EQ(::unlink(dir.Join("f.1").constData()), 0);
    ASSERT_TRUE(dir.MakeSymlink("f.1", "victim"));
    hooks.askOverwrite = [&](const QByteArray& chunk) {
        asked.push_back(chunk);
        return int(MultiAnswerDialog::kYesToAll);
    };
    ASSERT_EQ(SplitFile(source, 1024, hooks), SplitResult::kDone);
    EXPECT_EQ(asked.size(), 1u) << "yes to all asks once";
    EXPECT_EQ(dir.Read("victim"), QByteArray("keep me"));
    EXPECT_FALSE(S_ISLNK(LStat(dir.Join("f.1"))->st_mode));
    EXPECT_EQ(dir.Read("f.0") + dir.Read("f.1") + dir.Read("f.2"), bytes);

    ASSERT_EQ(::unlink(dir.Join("f.2").constData()), 0);
    ASSERT_TRUE(dir.MakeFolder("f.2"));
    EXPECT_EQ(SplitFile(source, 1024, hooks), SplitResult::kFailed);
}

// A source that shrinks or grows while it is read ends the loop with
// kSourceChanged (the stop hook changes it between blocks).
TEST(SplitMergeTest, SourceChangingSizeEndsTheCopy) {
    TestDir dir;
    const QByteArray source = dir.Join("moving");
    ASSERT_TRUE(WriteFile(source, PatternBytes(4 * kCopyBlock)));

    int polls = 0;
    SplitHooks shrink;
    shrink.stop = [&] {
        if (++polls == 2) {
            EXPECT_EQ(::truncate(source.constData(), off_t(kCopyBlock + 10)), 0);
        }
        return false;
    };
    EXPECT_EQ(SplitFile(source, 3 * kCopyBlock, shrink), SplitResult::kSourceChanged);
    EXPECT_FALSE(dir.Exists("moving.1")) << "no chunk after the short one";

    ASSERT_EQ(::unlink(dir.Join("moving.0").constData()), 0);
    ASSERT_TRUE(WriteFile(source, PatternBytes(4 * kCopyBlock)));
    polls = 0;
    SplitHooks grow;
    grow.stop = [&] {
        if (++polls == 2) {
            EXPECT_TRUE(WriteFile(source, PatternBytes(5 * kCopyBlock)));
        }
        return false;
    };
    EXPECT_EQ(SplitFile(source, 3 * kCopyBlock, grow), SplitResult::kSourceChanged);

    ASSERT_TRUE(WriteFile(source, PatternBytes(2 * kCopyBlock)));
    ASSERT_TRUE(dir.MakeFile("second", "tail"));
    polls = 0;
    MergeHooks growMerge;
    growMerge.stop = [&] {
        if (++polls == 1) {
            UniqueFd fd(::open(source.constData(), O_WRONLY | O_APPEND));
            EXPECT_TRUE(WriteAll(fd.get(), QByteArray("more")));
        }
        return false;
    };
    EXPECT_EQ(MergeFiles({source, dir.Join("second")}, dir.Join("out"), growMerge),
              MergeResult::kSourceChanged);

    // Escape is a plain failure, and the partial target stays.
    MergeHooks escape;
    polls = 0;
    escape.stop = [&] { return ++polls == 2; };
    EXPECT_EQ(MergeFiles({source, dir.Join("second")}, dir.Join("out2"), escape),
              MergeResult::kFailed);
    EXPECT_EQ(SizeOf(dir.Join("out2")), kCopyBlock);
}

// The target is never one of the sources, under any of its names; an
// existing target is replaced only when the user says so; a folder fails.
TEST(SplitMergeTest, MergeTargetRules) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFile("a", "AAA"));
    ASSERT_TRUE(dir.MakeFile("b", "BBB"));
    ASSERT_EQ(::link(dir.Join("a").constData(), dir.Join("a-too").constData()), 0);
    const std::vector<QByteArray> sources = {dir.Join("a"), dir.Join("b")};

    bool asked = false;
    MergeHooks yes;
    yes.confirmOverwrite = [&](const QByteArray&) { return asked = true; };
    EXPECT_EQ(MergeFiles(sources, dir.Join("b"), yes), MergeResult::kTargetIsSource);
    EXPECT_EQ(MergeFiles(sources, dir.Join("a-too"), yes), MergeResult::kTargetIsSource);
    EXPECT_FALSE(asked) << "refused before the question";
    EXPECT_EQ(dir.Read("b"), QByteArray("BBB"));
    EXPECT_EQ(dir.Read("a"), QByteArray("AAA"));

    ASSERT_TRUE(dir.MakeFile("t", "old target"));
    MergeHooks no;
    no.confirmOverwrite = [](const QByteArray&) { return false; };
    EXPECT_EQ(MergeFiles(sources, dir.Join("t"), no), MergeResult::kDeclined);
    EXPECT_EQ(dir.Read("t"), QByteArray("old target"));
    EXPECT_EQ(MergeFiles(sources, dir.Join("t"), yes), MergeResult::kDone);
    EXPECT_EQ(dir.Read("t"), QByteArray("AAABBB"));

    ASSERT_TRUE(dir.MakeFolder("dir"));
    EXPECT_EQ(MergeFiles(sources, dir.Join("dir"), yes), MergeResult::kFailed);
    EXPECT_EQ(MergeFiles({dir.Join("a"), dir.Join("gone")}, dir.Join("u"), yes),
              MergeResult::kFailed);
}

// Above 4 GiB: a sparse file of 4 GiB and a few bytes splits at 1 GiB into
// five chunks, the bytes at and past the 32-bit boundary land in the right
// chunks, the chunks stay sparse, and merging gives the same file back.
TEST(SplitMergeTest, FilesAbove4GiBSplitAndMerge) {
    TestDir dir;
    const QByteArray source = dir.Join("huge");
    const std::uint64_t length = 4 * kGiB + 3;
    ASSERT_TRUE(MakeSparse(source, length, 4 * kGiB - 2, "12345"));

    ASSERT_EQ(SplitFile(source, kGiB, {}), SplitResult::kDone);
    const std::vector<QByteArray> chunks = Chunks(source, 5, 1);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(SizeOf(chunks[std::size_t(i)]), kGiB);
    EXPECT_EQ(SizeOf(chunks[4]), 3u);
    EXPECT_EQ(ReadAt(chunks[3], kGiB - 2, 2), QByteArray("12"));
    EXPECT_EQ(ReadFile(chunks[4]), QByteArray("345"));
    EXPECT_LT(LStat(chunks[0])->st_blocks, 1024) << "holes are not written out";

    const QByteArray joined = dir.Join("joined");
    ASSERT_EQ(MergeFiles(chunks, joined, {}), MergeResult::kDone);
    EXPECT_EQ(SizeOf(joined), length);
    EXPECT_EQ(ReadAt(joined, 4 * kGiB - 2, 5), QByteArray("12345"));
    EXPECT_EQ(ReadAt(joined, 3 * kGiB, 4), QByteArray(4, '\0'));
}

}  // namespace
