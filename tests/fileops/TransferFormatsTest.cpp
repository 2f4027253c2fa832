#include <gtest/gtest.h>

#include <QMimeData>
#include <QUrl>
#include <memory>

#include "fileops/TransferFormats.h"
#include "platform/namespace/BasicDataObject.h"
#include "platform/namespace/ClipFormats.h"
#include "platform/namespace/NameCodec.h"
#include "support/TestDir.h"

namespace {

TEST(TransferFormatsTest, DwordsAreLittleEndianAndShortBlocksAreAbsent) {
    EXPECT_EQ(DwordBytes(6), QByteArray("\x06\x00\x00\x00", 4));
    EXPECT_EQ(ReadDword(DwordBytes(0x12345678)), 0x12345678u);
    EXPECT_EQ(ReadDword(QByteArray("\x05\x00\x00\x00\xff", 5)), 5u);  // the first 32 bits
    EXPECT_FALSE(ReadDword(QByteArray("\x05\x00", 2)).has_value());
    EXPECT_FALSE(ReadDword(QByteArray()).has_value());

    BasicDataObject data;
    EXPECT_FALSE(ReadDwordFormat(data, ClipFormats::kPreferredDropEffect).has_value());
    data.SetData(ClipFormats::kPreferredDropEffect, DwordBytes(5));
    EXPECT_EQ(ReadDwordFormat(data, ClipFormats::kPreferredDropEffect), 5u);
}

TEST(TransferFormatsTest, FileUrisKeepOddNamesAndRefuseForeignOnes) {
    const QString odd = NameFromBytes(QByteArray("/tmp/a b/%x#\n\xff.txt"));
    const QByteArray uri = FileUriOf(odd);
    EXPECT_TRUE(uri.startsWith("file:///tmp/a%20b/"));
    EXPECT_FALSE(uri.contains(' '));
    EXPECT_FALSE(uri.contains('\n'));
    EXPECT_EQ(PathOfFileUri(uri), odd);
    EXPECT_EQ(NameToBytes(*PathOfFileUri(uri)), QByteArray("/tmp/a b/%x#\n\xff.txt"));

    EXPECT_EQ(PathOfFileUri("file://localhost/etc/hosts"), QStringLiteral("/etc/hosts"));
    EXPECT_FALSE(PathOfFileUri("file://otherhost/etc/hosts"));
    EXPECT_FALSE(PathOfFileUri("http://example.org/x"));
    EXPECT_FALSE(PathOfFileUri("file:relative"));
    EXPECT_FALSE(PathOfFileUri("file:///a%00b"));  // no path holds a zero byte
    EXPECT_FALSE(PathOfFileUri("file:///a%zz"));
}

TEST(TransferFormatsTest, UriListRoundTripSkipsCommentsAndForeignUris) {
    const QStringList paths = {QStringLiteral("/x/one"), QStringLiteral("/x/two words")};
    const QByteArray block = EncodeUriList(paths);
    EXPECT_EQ(block, QByteArray("file:///x/one\r\nfile:///x/two%20words\r\n"));
    EXPECT_EQ(DecodeUriList(block), paths);

    EXPECT_EQ(DecodeUriList("# a comment\nfile:///x/one\n\nhttp://e.org/\nfile:///x/two\n"),
              (QStringList{QStringLiteral("/x/one"), QStringLiteral("/x/two")}));
}

TEST(TransferFormatsTest, CopiedFilesHaveNoTrailingLineFeedAndReadLeniently) {
    const QStringList paths = {QStringLiteral("/x/one"), QStringLiteral("/x/two")};
    EXPECT_EQ(EncodeCopiedFiles(true, paths), QByteArray("cut\nfile:///x/one\nfile:///x/two"));
    EXPECT_EQ(EncodeCopiedFiles(false, {QStringLiteral("/y")}), QByteArray("copy\nfile:///y"));

    std::optional<CopiedFiles> cut = DecodeCopiedFiles(EncodeCopiedFiles(true, paths));
    ASSERT_TRUE(cut);
    EXPECT_TRUE(cut->cut);
    EXPECT_EQ(cut->paths, paths);

    // What other programs write: CR LF, a trailing line feed.
    std::optional<CopiedFiles> copy = DecodeCopiedFiles("copy\r\nfile:///x/one\r\n");
    ASSERT_TRUE(copy);
    EXPECT_FALSE(copy->cut);
    EXPECT_EQ(copy->paths, QStringList{QStringLiteral("/x/one")});

    EXPECT_FALSE(DecodeCopiedFiles("move\nfile:///x"));
    EXPECT_FALSE(DecodeCopiedFiles(QByteArray()));
}

TEST(TransferFormatsTest, PreferredEffectComesFromOurFormatOrTheDesktopsCutFormats) {
    BasicDataObject none;
    none.SetData(ClipFormats::kUriList, EncodeUriList({QStringLiteral("/x")}));
    EXPECT_FALSE(PreferredEffectOf(none));

    BasicDataObject gnome;
    gnome.SetData(ClipFormats::kGnomeCopiedFiles, "cut\nfile:///x");
    EXPECT_EQ(PreferredEffectOf(gnome), std::uint32_t(DROPEFFECT_MOVE));

    BasicDataObject mate;
    mate.SetData(ClipFormats::kMateCopiedFiles, "copy\nfile:///x");
    EXPECT_EQ(PreferredEffectOf(mate), std::uint32_t(DROPEFFECT_COPY));

    BasicDataObject kde;
    kde.SetData(ClipFormats::kUriList, "file:///x\r\n");
    kde.SetData(ClipFormats::kKdeCutSelection, "1");
    EXPECT_EQ(PreferredEffectOf(kde), std::uint32_t(DROPEFFECT_MOVE));
    kde.SetData(ClipFormats::kKdeCutSelection, "0");
    EXPECT_EQ(PreferredEffectOf(kde), std::uint32_t(DROPEFFECT_COPY));

    // Our own value wins over the others.
    gnome.SetData(ClipFormats::kPreferredDropEffect, DwordBytes(5));
    EXPECT_EQ(PreferredEffectOf(gnome), 5u);
}

TEST(TransferFormatsTest, OperationRulesOfPasteAndDrop) {
    EXPECT_EQ(OperationFromPreferred(std::nullopt), std::uint32_t(DROPEFFECT_COPY));
    EXPECT_EQ(OperationFromPreferred(5), std::uint32_t(DROPEFFECT_COPY));
    EXPECT_EQ(OperationFromPreferred(6), std::uint32_t(DROPEFFECT_MOVE));
    EXPECT_EQ(OperationFromPreferred(4), std::uint32_t(DROPEFFECT_LINK));
    EXPECT_EQ(OperationFromPreferred(2), std::uint32_t(DROPEFFECT_MOVE));
    EXPECT_EQ(ReportedEffect(3), std::uint32_t(DROPEFFECT_COPY));
    EXPECT_EQ(ReportedEffect(2), std::uint32_t(DROPEFFECT_MOVE));

    EXPECT_EQ(KeyStateForOperation(DROPEFFECT_MOVE), MK_LBUTTON | MK_SHIFT);
    EXPECT_EQ(KeyStateForOperation(DROPEFFECT_COPY), MK_LBUTTON | MK_CONTROL);
    EXPECT_EQ(KeyStateForOperation(DROPEFFECT_LINK), MK_LBUTTON | MK_SHIFT | MK_CONTROL);
    EXPECT_EQ(KeyStateForOperation(0), std::uint32_t(MK_LBUTTON));
}

TEST(TransferFormatsTest, DropEffectFollowsVolumesAndModifiers) {
    const std::uint32_t all = kAllDropEffects;
    EXPECT_EQ(ShellDropEffect(MK_LBUTTON, all, true), std::uint32_t(DROPEFFECT_MOVE));
    EXPECT_EQ(ShellDropEffect(MK_LBUTTON, all, false), std::uint32_t(DROPEFFECT_COPY));
    EXPECT_EQ(ShellDropEffect(MK_LBUTTON | MK_SHIFT, all, false), std::uint32_t(DROPEFFECT_MOVE));
    EXPECT_EQ(ShellDropEffect(MK_LBUTTON | MK_CONTROL, all, true), std::uint32_t(DROPEFFECT_COPY));
    EXPECT_EQ(ShellDropEffect(MK_LBUTTON | MK_CONTROL | MK_SHIFT, all, true),
              std::uint32_t(DROPEFFECT_LINK));
    // What the source does not allow falls back to what it does.
    EXPECT_EQ(ShellDropEffect(MK_LBUTTON, DROPEFFECT_COPY, true), std::uint32_t(DROPEFFECT_COPY));
    EXPECT_EQ(ShellDropEffect(MK_LBUTTON | MK_SHIFT | MK_CONTROL, DROPEFFECT_MOVE, false),
              std::uint32_t(DROPEFFECT_MOVE));
    EXPECT_EQ(ShellDropEffect(MK_LBUTTON, 0, true), std::uint32_t(DROPEFFECT_NONE));

    EXPECT_EQ(KeyStateOf(Qt::LeftButton, Qt::ShiftModifier | Qt::ControlModifier),
              MK_LBUTTON | MK_SHIFT | MK_CONTROL);
    EXPECT_EQ(KeyStateOf(Qt::RightButton, Qt::NoModifier), std::uint32_t(MK_RBUTTON));
}

TEST(TransferFormatsTest, SameVolumeTellsFileSystemsApart) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFolder("x"));
    EXPECT_TRUE(SameVolume(dir.Path(), dir.Path() + QStringLiteral("/x")));
    EXPECT_FALSE(SameVolume(dir.Path(), dir.Path() + QStringLiteral("/missing")));
    EXPECT_FALSE(SameVolume(dir.Path(), QStringLiteral("/proc")));
}

TEST(TransferFormatsTest, MimeDataForOtherProgramsCarriesTheCutAndLeavesContentsOut) {
    BasicDataObject data;
    data.SetFilePaths({QStringLiteral("/x/one"), QStringLiteral("/x/two")});
    data.SetFileGroup({FileDescriptor{}}, [](int) { return nullptr; });

    std::unique_ptr<QMimeData> cut(ToMimeData(data, 6));
    EXPECT_EQ(cut->data(ClipFormats::kGnomeCopiedFiles),
              QByteArray("cut\nfile:///x/one\nfile:///x/two"));
    EXPECT_EQ(cut->data(ClipFormats::kKdeCutSelection), QByteArray("1"));
    EXPECT_EQ(cut->data(ClipFormats::kPreferredDropEffect), DwordBytes(6));
    EXPECT_EQ(cut->urls().size(), 2);
    EXPECT_FALSE(cut->hasFormat(ClipFormats::kFileContents));
    EXPECT_FALSE(cut->hasFormat(ClipFormats::kFileGroupDescriptor));

    std::unique_ptr<QMimeData> copy(ToMimeData(data, 5));
    EXPECT_TRUE(copy->data(ClipFormats::kGnomeCopiedFiles).startsWith("copy\n"));
    EXPECT_EQ(copy->data(ClipFormats::kKdeCutSelection), QByteArray("0"));

    // Read back as another program's data, the cut is still a move.
    const MimeDataObject back(*cut);
    EXPECT_EQ(OperationFromPreferred(PreferredEffectOf(back)), std::uint32_t(DROPEFFECT_MOVE));
    EXPECT_EQ(FilePathsOf(back), (QStringList{QStringLiteral("/x/one"), QStringLiteral("/x/two")}));
}

}  // namespace

#include "platform/namespace/DropEffects.h"

namespace {

// Qt's drop actions and the drop effects: a set of actions maps to the set
// of effects, but only a single effect is an action (a target that chose
// gives exactly one); anything else is no drop at all.
TEST(DropEffectsTest, ActionsAndEffects) {
    EXPECT_EQ(EffectsOf(Qt::CopyAction | Qt::MoveAction | Qt::LinkAction),
              std::uint32_t(DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK));
    EXPECT_EQ(EffectsOf(Qt::MoveAction), std::uint32_t(DROPEFFECT_MOVE));
    EXPECT_EQ(EffectsOf(Qt::IgnoreAction), std::uint32_t(DROPEFFECT_NONE));
    EXPECT_EQ(ActionOf(DROPEFFECT_COPY), Qt::CopyAction);
    EXPECT_EQ(ActionOf(DROPEFFECT_MOVE), Qt::MoveAction);
    EXPECT_EQ(ActionOf(DROPEFFECT_LINK), Qt::LinkAction);
    EXPECT_EQ(ActionOf(DROPEFFECT_NONE), Qt::IgnoreAction);
    EXPECT_EQ(ActionOf(DROPEFFECT_COPY | DROPEFFECT_MOVE), Qt::IgnoreAction);
    EXPECT_EQ(ActionOf(0x8000), Qt::IgnoreAction);
}

}  // namespace
