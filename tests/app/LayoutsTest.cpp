// Stored layouts: the record's bytes, the slots' loading rules, and storing
// and applying a layout in the running frame.
#include <QDockWidget>
#include <QScreen>
#include <QToolBar>
#include <QtEndian>

#include "FrameFixture.h"
#include "app/CPaneSplitter.h"
#include "app/FrameBars.h"
#include "app/Layouts.h"
#include "app/SizableBars.h"
#include "app/ThumbnailBar.h"
#include "platform/ui/KeyState.h"

namespace {

LayoutRecord SampleRecord() {
    LayoutRecord record;
    record.screenWidth = 1920;
    record.screenHeight = 1080;
    record.name = QStringLiteral("Work");
    record.firstPaneSize = 321;
    record.leftViewStyle = ID_VIEW_DETAILS;
    record.rightViewStyle = ID_VIEW_LIST;
    record.placement.show = LayoutPlacement::kShowMaximized;
    record.placement.normal = WindowRect{10, 20, 810, 620};
    record.treeBarSizes = {1, 2, 3, 4, 5, 6};
    record.thumbBarSizes = {7, 8, 9, 10, 11, 12};
    record.dockStateLength = 77;
    return record;
}

std::int32_t At(const QByteArray& bytes, int offset) {
    return qFromLittleEndian<std::int32_t>(bytes.constData() + offset);
}

TEST(LayoutRecordTest, TheHeaderHasItsOffsets) {
    const QByteArray bytes = EncodeLayoutRecord(SampleRecord());
    ASSERT_EQ(bytes.size(), 156);
    EXPECT_EQ(At(bytes, 0), 1);
    EXPECT_EQ(At(bytes, 4), 1920);
    EXPECT_EQ(At(bytes, 8), 1080);
    EXPECT_EQ(bytes.mid(12, 5), QByteArray("Work\0", 5));
    EXPECT_EQ(At(bytes, 44), 321);
    EXPECT_EQ(At(bytes, 48), ID_VIEW_DETAILS);
    EXPECT_EQ(At(bytes, 52), ID_VIEW_LIST);
    EXPECT_EQ(At(bytes, 56), 44);
    EXPECT_EQ(At(bytes, 64), 3);
    EXPECT_EQ(At(bytes, 84), 10);   // normal rectangle: left
    EXPECT_EQ(At(bytes, 96), 620);  // bottom
    EXPECT_EQ(At(bytes, 100), 1);
    EXPECT_EQ(At(bytes, 120), 6);
    EXPECT_EQ(At(bytes, 124), 7);
    EXPECT_EQ(At(bytes, 144), 12);
    EXPECT_EQ(At(bytes, 148), 77);
    ASSERT_TRUE(DecodeLayoutRecord(bytes));
    EXPECT_EQ(*DecodeLayoutRecord(bytes), SampleRecord());
}

TEST(LayoutRecordTest, ForeignHeadersAreRefused) {
    const QByteArray good = EncodeLayoutRecord(SampleRecord());
    EXPECT_FALSE(DecodeLayoutRecord(good.left(155)));
    EXPECT_FALSE(DecodeLayoutRecord(good + '\0'));
    QByteArray version2 = good;
    version2[0] = 2;
    EXPECT_FALSE(DecodeLayoutRecord(version2));
    LayoutRecord noState = SampleRecord();
    noState.dockStateLength = 0;
    EXPECT_FALSE(DecodeLayoutRecord(EncodeLayoutRecord(noState)));
    // A name filling its whole field without a zero stops at 31 bytes.
    QByteArray full = good;
    for (int i = 12; i < 44; ++i) full[i] = 'x';
    ASSERT_TRUE(DecodeLayoutRecord(full));
    EXPECT_EQ(DecodeLayoutRecord(full)->name, QString(31, u'x'));
}

TEST(LayoutRecordTest, LongNamesAreCutAtACharacterBoundary) {
    LayoutRecord record = SampleRecord();
    record.name = QString(31, u'n');
    EXPECT_EQ(DecodeLayoutRecord(EncodeLayoutRecord(record))->name, record.name);
    // 15 two-byte letters and one more: 32 bytes, so the last one goes whole.
    record.name = QString(16, QChar(0xE9));
    EXPECT_EQ(DecodeLayoutRecord(EncodeLayoutRecord(record))->name, QString(15, QChar(0xE9)));
}

class StoredLayoutsTest : public ::testing::Test {
protected:
    void WriteSlot(int n, const QByteArray& header, const QByteArray& state) {
        store.WriteProfileBinary(LayoutSection(n), QStringLiteral("InfoHeader"), header);
        store.WriteProfileBinary(LayoutSection(n), QStringLiteral("DockState"), state);
    }
    static QByteArray HeaderFor(int stateLength, const QString& name = QStringLiteral("L")) {
        LayoutRecord record = SampleRecord();
        record.name = name;
        record.dockStateLength = stateLength;
        return EncodeLayoutRecord(record);
    }
    TestDir dir;
    ProfileStore store{dir.Path() + QStringLiteral("/s.ini")};
};

TEST_F(StoredLayoutsTest, OnlySoundSlotsLoad) {
    WriteSlot(1, HeaderFor(10, QStringLiteral("Good")), QByteArray(10, 's'));
    // The state's length disagrees with the header.
    WriteSlot(2, HeaderFor(10), QByteArray(11, 's'));
    // A state of 4096 bytes is too long even when the header agrees.
    WriteSlot(3, HeaderFor(4096), QByteArray(4096, 's'));
    StoredLayouts layouts;
    layouts.Load(store);
    ASSERT_TRUE(layouts.Slot(1));
    EXPECT_EQ(layouts.Slot(1)->record.name, QStringLiteral("Good"));
    EXPECT_EQ(layouts.Slot(1)->dockState, QByteArray(10, 's'));
    EXPECT_FALSE(layouts.Slot(2));
    EXPECT_FALSE(layouts.Slot(3));

    WriteSlot(3, HeaderFor(4095), QByteArray(4095, 's'));
    layouts.Load(store);
    EXPECT_TRUE(layouts.Slot(3));
}

TEST_F(StoredLayoutsTest, MenuTextsAndSavingKeepEmptySlotsSectionsAlone) {
    StoredLayouts layouts;
    EXPECT_EQ(layouts.MenuText(2), QStringLiteral("(press Ctrl+Shift+8 to define)"));
    const QString longName(31, u'a');
    layouts.Set(1, LayoutSlot{SampleRecord(), QByteArray(5, 'd')});
    LayoutRecord named = SampleRecord();
    named.name = longName;
    layouts.Set(3, LayoutSlot{named, QByteArray(7, 'e')});
    EXPECT_EQ(layouts.MenuText(1), QStringLiteral("&1: Work\tCtrl+7"));
    EXPECT_EQ(layouts.MenuText(3), QStringLiteral("&3: ") + longName + QStringLiteral("\tCtrl+9"));
    // A name with a place marker is shown as it is.
    named.name = QStringLiteral("%3 wide");
    layouts.Set(3, LayoutSlot{named, QByteArray(7, 'e')});
    EXPECT_EQ(layouts.MenuText(3), QStringLiteral("&3: %3 wide\tCtrl+9"));

    // Slot 2 is empty: its old section stays as it was.
    store.WriteProfileString(LayoutSection(2), QStringLiteral("InfoHeader"), QStringLiteral("old"));
    layouts.Save(store);
    EXPECT_EQ(store.GetProfileString(LayoutSection(2), QStringLiteral("InfoHeader"), {}),
              QStringLiteral("old"));
    StoredLayouts again;
    again.Load(store);
    ASSERT_TRUE(again.Slot(1));
    EXPECT_EQ(again.Slot(1)->record.dockStateLength, 5);
    EXPECT_EQ(again.Slot(1)->dockState, QByteArray(5, 'd'));
    ASSERT_TRUE(again.Slot(3));
    EXPECT_EQ(again.Slot(3)->record.name, QStringLiteral("%3 wide"));
    EXPECT_FALSE(again.Slot(2));
}

class LayoutsFrameTest : public FrameFixture {
protected:
    void StoreLayout(int number, const QString& name) {
        prompter->AnswerInput(name);
        const ScopedKeyState shift(Qt::ShiftModifier);
        ASSERT_TRUE(frame->Commands().Execute(ID_LAYOUT_FIRST + number - 1));
    }
    void ApplyLayout(int number) {
        const ScopedKeyState none(Qt::NoModifier);
        ASSERT_TRUE(frame->Commands().Execute(ID_LAYOUT_FIRST + number - 1));
        // The view styles come as posted commands.
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
    }
};

TEST_F(LayoutsFrameTest, AStoredLayoutBringsTheWindowBackExactly) {
    ASSERT_TRUE(Start());
    // An empty slot's item says how to define it, and is enabled: it
    // defines it.
    {
        const ScopedKeyState none(Qt::NoModifier);
        const CommandState empty = frame->Commands().Update(ID_LAYOUT_FIRST + 1);
        EXPECT_TRUE(empty.enabled);
        EXPECT_EQ(empty.text.value_or(QString()), QStringLiteral("(press Ctrl+Shift+8 to define)"));
    }
    frame->GetLeftPane()->List()->SetViewStyle(ID_VIEW_DETAILS);
    frame->Splitter()->SetFirstPaneSize(300, kMinimumPaneSize);
    QCoreApplication::processEvents();

    StoreLayout(2, QStringLiteral("Two panes"));
    ASSERT_EQ(prompter->Requests().size(), 1);
    EXPECT_EQ(prompter->Requests()[0].text, QStringLiteral("Layout name ?"));
    EXPECT_EQ(prompter->Requests()[0].initialText, QStringLiteral("Layout 2"));
    EXPECT_TRUE(HasNotice(QStringLiteral("Layout stored ok."), false));
    const LayoutSlot* slot = frame->Bars()->Layouts().Slot(2);
    ASSERT_TRUE(slot);
    const QByteArray storedState = frame->saveState();
    EXPECT_EQ(slot->dockState, storedState);
    EXPECT_EQ(slot->record.firstPaneSize, frame->Splitter()->GetFirstPaneSize());
    {
        const ScopedKeyState none(Qt::NoModifier);
        const CommandState defined = frame->Commands().Update(ID_LAYOUT_FIRST + 1);
        EXPECT_TRUE(defined.enabled);
        EXPECT_EQ(defined.text.value_or(QString()), QStringLiteral("&2: Two panes\tCtrl+8"));
    }
    const QRect geometry = frame->geometry();
    const int firstPane = frame->Splitter()->GetFirstPaneSize();

    // The window changed every way a layout covers.
    frame->resize(700, 500);
    frame->Splitter()->SetFirstPaneSize(120, kMinimumPaneSize);
    frame->GetLeftPane()->List()->SetViewStyle(ID_VIEW_LARGEICON);
    frame->GetRightPane()->List()->SetViewStyle(ID_VIEW_SMALLICON);
    frame->Commands().Execute(ID_VIEW_THUMBBAR);
    frame->Commands().Execute(ID_VIEW_TOOLBAR);
    frame->addToolBar(Qt::TopToolBarArea, frame->ToolBar());
    QCoreApplication::processEvents();
    ASSERT_NE(frame->saveState(), storedState);

    ApplyLayout(2);
    EXPECT_EQ(frame->saveState(), storedState);
    EXPECT_EQ(frame->geometry(), geometry);
    EXPECT_EQ(frame->Splitter()->GetFirstPaneSize(), firstPane);
    EXPECT_EQ(frame->GetLeftPane()->List()->ViewStyle(), ID_VIEW_DETAILS);
    EXPECT_EQ(frame->GetRightPane()->List()->ViewStyle(), slot->record.rightViewStyle);
    EXPECT_TRUE(frame->Bars()->ThumbBar()->isHidden());
    EXPECT_FALSE(frame->ToolBar()->isHidden());

    // Storing over it offers the old name; a cancel leaves it as it was.
    prompter->Clear();
    prompter->AnswerInput(std::nullopt);
    {
        const ScopedKeyState shift(Qt::ShiftModifier);
        ASSERT_TRUE(frame->Commands().Execute(ID_LAYOUT_FIRST + 1));
    }
    ASSERT_EQ(prompter->Requests().size(), 1);
    EXPECT_EQ(prompter->Requests()[0].initialText, QStringLiteral("Two panes"));
    EXPECT_EQ(frame->Bars()->Layouts().Slot(2)->record.name, QStringLiteral("Two panes"));
    // An empty name stores nothing either.
    StoreLayout(1, QString());
    EXPECT_FALSE(frame->Bars()->Layouts().Slot(1));

    // Closing writes the layout; the next run has it.
    Stop();
    const ProfileStore written(StorePath());
    const std::optional<QByteArray> header =
        written.GetProfileBinary(QStringLiteral("Layout 2"), QStringLiteral("InfoHeader"));
    ASSERT_TRUE(header);
    EXPECT_EQ(header->size(), 156);
    EXPECT_FALSE(
        written.GetProfileBinary(QStringLiteral("Layout 1"), QStringLiteral("InfoHeader")));
    ASSERT_TRUE(Start());
    ASSERT_TRUE(frame->Bars()->Layouts().Slot(2));
    EXPECT_EQ(frame->Bars()->Layouts().Slot(2)->dockState, storedState);
}

// From the menu, without Shift: an empty slot's item asks the name and
// stores the layout there; "Store in a free slot" takes the first empty
// slot, and says so when there is none. A defined slot's item applies it.
TEST_F(LayoutsFrameTest, TheMenuDefinesAnEmptySlotAndTheFirstFreeOne) {
    ASSERT_TRUE(Start());
    const ScopedKeyState none(Qt::NoModifier);
    prompter->AnswerInput(QStringLiteral("Second"));
    ASSERT_TRUE(frame->Commands().Execute(ID_LAYOUT_FIRST + 1));
    ASSERT_EQ(prompter->Requests().size(), 1);
    EXPECT_EQ(prompter->Requests()[0].initialText, QStringLiteral("Layout 2"));
    ASSERT_TRUE(frame->Bars()->Layouts().Slot(2));
    EXPECT_EQ(frame->Bars()->Layouts().Slot(2)->record.name, QStringLiteral("Second"));

    prompter->Clear();
    prompter->AnswerInput(QStringLiteral("First"));
    EXPECT_TRUE(frame->Commands().Update(ID_LAYOUT_STORE_FREE).enabled);
    ASSERT_TRUE(frame->Commands().Execute(ID_LAYOUT_STORE_FREE));
    ASSERT_EQ(prompter->Requests().size(), 1);
    EXPECT_EQ(prompter->Requests()[0].initialText, QStringLiteral("Layout 1"));
    ASSERT_TRUE(frame->Bars()->Layouts().Slot(1));
    EXPECT_EQ(frame->Bars()->Layouts().Slot(1)->record.name, QStringLiteral("First"));

    // A defined slot's item applies it: no question.
    prompter->Clear();
    ASSERT_TRUE(frame->Commands().Execute(ID_LAYOUT_FIRST + 1));
    EXPECT_TRUE(prompter->Requests().isEmpty());
    EXPECT_EQ(frame->Bars()->Layouts().Slot(2)->record.name, QStringLiteral("Second"));

    prompter->AnswerInput(QStringLiteral("Third"));
    ASSERT_TRUE(frame->Commands().Execute(ID_LAYOUT_STORE_FREE));
    ASSERT_TRUE(frame->Bars()->Layouts().Slot(3));
    prompter->Clear();
    notices.clear();
    ASSERT_TRUE(frame->Commands().Execute(ID_LAYOUT_STORE_FREE));
    EXPECT_TRUE(prompter->Requests().isEmpty()) << "every slot is defined";
    ASSERT_FALSE(notices.isEmpty());
    EXPECT_TRUE(notices.back().alert);
}

TEST_F(LayoutsFrameTest, ALayoutOfAnotherScreenIsAppliedOnlyWhenTheUserAgrees) {
    ASSERT_TRUE(Start());
    StoreLayout(3, QStringLiteral("Elsewhere"));
    const QRect stored = frame->geometry();
    Stop();
    // The same layout, as if stored on a screen one pixel wider.
    {
        ProfileStore store(StorePath());
        const std::optional<QByteArray> header =
            store.GetProfileBinary(QStringLiteral("Layout 3"), QStringLiteral("InfoHeader"));
        ASSERT_TRUE(header);
        std::optional<LayoutRecord> record = DecodeLayoutRecord(*header);
        ASSERT_TRUE(record);
        record->screenWidth += 1;
        store.WriteProfileBinary(QStringLiteral("Layout 3"), QStringLiteral("InfoHeader"),
                                 EncodeLayoutRecord(*record));
        ASSERT_TRUE(store.Flush());
    }
    ASSERT_TRUE(Start());
    frame->resize(640, 480);
    QCoreApplication::processEvents();
    const QRect changed = frame->geometry();

    prompter->Clear();
    prompter->AnswerMessage(PromptAnswer::No);
    ApplyLayout(3);
    ASSERT_EQ(prompter->Requests().size(), 1);
    EXPECT_EQ(prompter->Requests()[0].text,
              QStringLiteral("This layout was not defined at current screen resolution.\nApplying "
                             "it may have suboptimal results; Continue anyway?"));
    EXPECT_EQ(frame->geometry(), changed);

    prompter->AnswerMessage(PromptAnswer::Yes);
    ApplyLayout(3);
    EXPECT_EQ(frame->geometry().size(), stored.size());
}

}  // namespace
