#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "ShellFixture.h"
#include "shell/Pidl.h"

namespace {

// Bytes of a list of items with the given payloads, a terminator, and then
// `trailing` bytes that are not part of the list.
std::vector<std::uint8_t> ListBytes(const std::vector<QByteArray>& payloads,
                                    const QByteArray& trailing = {}) {
    std::vector<std::uint8_t> bytes;
    for (const QByteArray& p : payloads) {
        const std::size_t count = std::size_t(p.size()) + 2;
        bytes.push_back(std::uint8_t(count & 0xFF));
        bytes.push_back(std::uint8_t(count >> 8));
        bytes.insert(bytes.end(), p.begin(), p.end());
    }
    bytes.push_back(0);
    bytes.push_back(0);
    bytes.insert(bytes.end(), trailing.begin(), trailing.end());
    return bytes;
}

IdList ListOf(const std::vector<QByteArray>& payloads, const QByteArray& trailing = {}) {
    return IdList::FromBytes(ListBytes(payloads, trailing));
}

TEST(PidlTest, EmptyListIsTheDesktopWithNoLastItemAndNoParent) {
    const IdList empty = PidlEmpty();
    ASSERT_FALSE(empty.IsNull());
    EXPECT_TRUE(empty.IsEmpty());
    EXPECT_EQ(PidlSize(empty), 0u);
    EXPECT_EQ(PidlCount(empty), 0);
    EXPECT_TRUE(PidlLast(empty).IsNull());
    EXPECT_TRUE(PidlTrim(empty, 1).IsNull());
    EXPECT_TRUE(PidlTrim(empty, 0).IsNull());
    EXPECT_EQ(PidlIsFolder(empty), -1);
    EXPECT_FALSE(PidlBindParent(empty).folder);
}

TEST(PidlTest, ArithmeticStopsAtTheTerminator) {
    // Garbage after the terminator that looks like further items must never
    // be counted, copied or concatenated.
    const QByteArray garbage("\x06\x00zzzz\x04\x00qq", 10);
    const IdList a = ListOf({"one", "three"}, garbage);
    const IdList b = ListOf({"x"}, garbage);
    ASSERT_FALSE(a.IsNull());

    EXPECT_EQ(PidlSize(a), 5u + 7u);
    EXPECT_EQ(PidlCount(a), 2);
    EXPECT_EQ(PidlCopy(a).ToByteArray(), a.ToByteArray());
    EXPECT_EQ(a.ToByteArray().size(), 14);

    const IdList ab = PidlConcat(a, b);
    EXPECT_EQ(PidlSize(ab), PidlSize(a) + PidlSize(b));
    EXPECT_EQ(ab.ByteSize(), PidlSize(a) + PidlSize(b) + 2);
    EXPECT_EQ(ab, ListOf({"one", "three", "x"}));

    EXPECT_EQ(PidlLast(a), ListOf({"three"}));
    EXPECT_EQ(PidlTrim(a, 1), ListOf({"one"}));
    EXPECT_EQ(PidlTrim(a, 2), PidlEmpty());
    EXPECT_TRUE(PidlTrim(a, 3).IsNull());

    // The empty list is the neutral element; null poisons.
    EXPECT_EQ(PidlConcat(PidlEmpty(), b), b);
    EXPECT_EQ(PidlConcat(b, PidlEmpty()), b);
    EXPECT_TRUE(PidlConcat(IdList(), b).IsNull());
    EXPECT_TRUE(PidlCopy(IdList()).IsNull());
}

class PidlShellTest : public FakeShellTest {};

TEST_F(PidlShellTest, BindParentAndIsFolder) {
    FakeNode& docs = Root().AddFolder("Docs");
    docs.AddFolder("Sub").AddFile("deep.txt");
    docs.AddFile("a.txt", 10);
    Root().AddFile("top.txt");

    const IdList deep = shell->AbsoluteId("Docs/Sub/deep.txt");
    BoundParent bound = PidlBindParent(deep);
    ASSERT_TRUE(bound.folder);
    EXPECT_EQ(bound.last, FakeShellNamespace::ItemId("deep.txt"));
    EXPECT_EQ(bound.folder->GetDisplayNameOf(bound.last, SHGDN_INFOLDER).value_or(""), "deep.txt");
    // The given list is left as it was.
    EXPECT_EQ(deep, shell->AbsoluteId("Docs/Sub/deep.txt"));

    // A child of the Desktop has the Desktop as its parent.
    BoundParent top = PidlBindParent(shell->AbsoluteId("top.txt"));
    ASSERT_TRUE(top.folder);
    EXPECT_EQ(top.folder->GetDisplayNameOf(top.last, SHGDN_INFOLDER).value_or(""), "top.txt");

    EXPECT_EQ(PidlIsFolder(shell->AbsoluteId("Docs")), -1);
    EXPECT_EQ(PidlIsFolder(shell->AbsoluteId("Docs/Sub")), -1);
    EXPECT_EQ(PidlIsFolder(shell->AbsoluteId("Docs/a.txt")), 1);
    EXPECT_EQ(PidlIsFolder(IdList()), 0);

    // A parent that can't be bound, and an item the parent doesn't know.
    const IdList missing = shell->AbsoluteId("Docs/a.txt").Concat(FakeShellNamespace::ItemId("x"));
    EXPECT_EQ(PidlIsFolder(missing), 0);
    EXPECT_FALSE(PidlBindParent(missing).folder);
    const IdList gone = shell->AbsoluteId("Docs").Concat(FakeShellNamespace::ItemId("gone"));
    EXPECT_EQ(PidlIsFolder(gone), 0);
    docs.FailBind();
    EXPECT_EQ(PidlIsFolder(deep), 0);
}

}  // namespace
