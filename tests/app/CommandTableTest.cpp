// The command table as data: texts, keys and prompts against the program's
// fixed wording, the agreement of shown keys and accelerators, the popups,
// and the keyboard reference shipped with the program.
#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <functional>

#include "app/CommandTable.h"
#include "app/FunctionKeyBar.h"
#include "shell/CommandIds.h"
#include "shell/GeneralSettings.h"

namespace {

QKeySequence Keys(QKeyCombination combination) {
    return QKeySequence(combination);
}

// Commands whose shown key the pane's list (or another command) handles: the
// table gives them no accelerator of their own.
// Ctrl+Tab and Ctrl+Shift+Tab are read by the pane's list (several tabs:
// the tabs; one tab: the folder tree), like the Bksp forms.
const QSet<int> kShownWithoutAccelerator = {ID_FILE_DELETE,  ID_GOTO_PARENT,  ID_GOTO_ROOT,
                                            ID_GOTO_DESKTOP, ID_EDIT_NO_UNDO, ID_SELECT_DRIVE,
                                            ID_TAB_NEXT,     ID_TAB_PREVIOUS};

QList<const MenuNode*> Flatten(const QList<MenuNode>& nodes) {
    QList<const MenuNode*> out;
    for (const MenuNode& node : nodes) {
        out.append(&node);
        if (node.kind == MenuNode::Kind::Submenu)
            out.append(Flatten(node.items));
    }
    return out;
}

const MenuNode* FindSubmenu(const QList<MenuNode>& nodes, const QString& title) {
    for (const MenuNode* node : Flatten(nodes)) {
        if (node->kind == MenuNode::Kind::Submenu && node->text == title)
            return node;
    }
    return nullptr;
}

}  // namespace

TEST(CommandTable, SampleRowsCarryTheirExactTextKeysAndPrompts) {
    struct Row {
        int id;
        QString text;
        QList<QKeySequence> keys;
        QString prompt;
    };
    const QList<Row> rows = {
        {32797,
         QStringLiteral("&Copy to...\tF5"),
         {Keys(Qt::Key_F5), Keys(Qt::ControlModifier | Qt::Key_F5)},
         QStringLiteral("Copy the selected items to opposite panel (use <Ctrl> for direct)\n"
                        "Copy to (F5)")},
        {32806,
         QStringLiteral("&Select group...\tGrey +"),
         {Keys(Qt::KeypadModifier | Qt::Key_Plus),
          Keys(Qt::ControlModifier | Qt::KeypadModifier | Qt::Key_Plus)},
         QStringLiteral("Select items according to supplied filter (use <Ctrl> for direct)\n"
                        "Select (G+)")},
        {32771,
         QStringLiteral("&Refresh\tCtrl+R"),
         {Keys(Qt::ControlModifier | Qt::Key_R),
          Keys(Qt::ControlModifier | Qt::AltModifier | Qt::Key_R)},
         QStringLiteral("Refresh pane items (re-read folder; press <Alt> to refresh the inactive "
                        "pane)\nRefresh (Ctrl+R)")},
        {32793,
         QStringLiteral("&Delete\tDel"),
         {},
         QStringLiteral("Send selected items to the trash (<Shift> for permanent "
                        "deletion)\nDelete (Del)")},
        {32874,
         QStringLiteral("Pr&evious\tAlt+ left"),
         {Keys(Qt::AltModifier | Qt::Key_Left)},
         QStringLiteral("Return to the folder browsed before")},
        {32931,
         QStringLiteral("Docu&ments\t Ctrl+K"),
         {Keys(Qt::ControlModifier | Qt::Key_K)},
         QStringLiteral("Browse \"Documents\" folder\nDocuments (Ctrl+K)")},
        {32890,
         QStringLiteral("&Ascending\tCtrl+Alt+A"),
         {Keys(Qt::ControlModifier | Qt::AltModifier | Qt::Key_A)},
         QStringLiteral("Toggles sorting items from \"smallest\" to \"largest\"\n"
                        "Ascending  (Ctrl+Alt+A)")},
        {32944,
         QStringLiteral("(press Ctrl+Shift+1 to set)"),
         {},
         QStringLiteral("Goto Bookmark 1; use Ctrl+Shift+1 to set/reset at current folder\n"
                        "Bookmark")},
        {32959,
         QStringLiteral("(press Ctrl+Shift+9 to define)"),
         {},
         QStringLiteral("Apply Layout 3; use Ctrl+Shift+9 to set/reset using the current frame "
                        "arrangement")},
        {57665,
         QStringLiteral("E&xit\tAlt+X"),
         {Keys(Qt::AltModifier | Qt::Key_X)},
         QStringLiteral("Quit the application\nExit")},
        {32986,
         QStringLiteral("Copy &names\tAlt+C"),
         {Keys(Qt::AltModifier | Qt::Key_C), Keys(Qt::AltModifier | Qt::ShiftModifier | Qt::Key_C)},
         QStringLiteral("Copy the full names of the selected items to the clipboard (<Shift> for "
                        "shell-quoted paths)")},
        {57664, QStringLiteral("&About Corvane..."), {}, QString()},
        {32770,
         QString(),
         {Keys(Qt::ControlModifier | Qt::Key_Q)},
         QStringLiteral("Switch to the current or root folder of target volume (Toggle)\n"
                        "Root/Current (Ctrl+Q)")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.id);
        const CommandInfo* info = FindCommandInfo(row.id);
        ASSERT_NE(info, nullptr);
        EXPECT_EQ(info->menuText, row.text);
        EXPECT_EQ(info->shortcuts, row.keys);
        EXPECT_EQ(info->prompt, row.prompt);
    }
    EXPECT_EQ(FindCommandInfo(12345), nullptr);
}

TEST(CommandTable, EveryMenuCommandHasOneRowAndItsShownKeyIsItsFirstAccelerator) {
    const QList<int> menuIds = CommandIdsIn(MainMenuResource());
    // The 106 items of the menu bar (home and Computer added to the
    // original's places), the function-key bar and the hidden-files toggle,
    // multi-rename, pack, unpack and synchronize folders, the first free
    // bookmark and layout slot, Connect to Server and the quick filter, and
    // the nine commands of Files > Tabs, each in one place only.
    EXPECT_EQ(menuIds.size(), 125);
    EXPECT_EQ(QSet<int>(menuIds.begin(), menuIds.end()).size(), menuIds.size());

    QSet<int> tableIds;
    for (const CommandInfo& info : CommandTable()) {
        EXPECT_FALSE(tableIds.contains(info.id)) << info.id << " has two rows";
        tableIds.insert(info.id);
    }
    for (const MenuNode* node : Flatten(MainMenuResource())) {
        if (node->kind != MenuNode::Kind::Command)
            continue;
        SCOPED_TRACE(node->id);
        const CommandInfo* info = FindCommandInfo(node->id);
        ASSERT_NE(info, nullptr);
        EXPECT_EQ(node->text, info->menuText);
        EXPECT_FALSE(info->menuText.isEmpty());
        EXPECT_LE(info->menuText.count(QLatin1Char('&')), 1);

        const QString shown = ShownKeyText(info->menuText);
        if (shown.isEmpty()) {
            // Layouts and bookmarks name their keys in the text; the others
            // without a shown key are reached from the menu only.
            continue;
        }
        const QKeySequence parsed = ParseShownKey(shown);
        EXPECT_FALSE(parsed.isEmpty()) << shown.toStdString();
        if (kShownWithoutAccelerator.contains(node->id)) {
            EXPECT_TRUE(info->shortcuts.isEmpty());
        } else {
            ASSERT_FALSE(info->shortcuts.isEmpty());
            EXPECT_EQ(info->shortcuts.front(), parsed) << shown.toStdString();
        }
    }
    // "&Select Volume...\tAlt+F1" shows the key of the left pane's drive
    // choice, a keyboard-only command.
    EXPECT_EQ(FindCommandInfo(ID_DRIVE_LEFT)->shortcuts.front(),
              ParseShownKey(ShownKeyText(FindCommandInfo(ID_SELECT_DRIVE)->menuText)));
}

TEST(CommandTable, NoKeyIsBoundTwiceAndTheListAndDigitKeysAreNoAccelerators) {
    QHash<int, int> owner;  // combined key -> id
    for (const CommandInfo& info : CommandTable()) {
        for (const QKeySequence& keys : info.shortcuts) {
            ASSERT_EQ(keys.count(), 1) << info.id;
            const int key = keys[0].toCombined();
            EXPECT_FALSE(owner.contains(key)) << keys.toString().toStdString() << " bound to "
                                              << owner.value(key) << " and " << info.id;
            owner.insert(key, info.id);
        }
    }
    for (Qt::Key key : {Qt::Key_Delete, Qt::Key_Backspace}) {
        for (Qt::KeyboardModifiers mods :
             {Qt::KeyboardModifiers(), Qt::KeyboardModifiers(Qt::ShiftModifier),
              Qt::KeyboardModifiers(Qt::ControlModifier)})
            EXPECT_FALSE(owner.contains(QKeyCombination(mods, key).toCombined()));
    }
    // Bookmarks and layouts: Ctrl+digit and Ctrl+Shift+digit go to the panes.
    for (int digit = Qt::Key_0; digit <= Qt::Key_9; ++digit) {
        EXPECT_FALSE(
            owner.contains(QKeyCombination(Qt::ControlModifier, Qt::Key(digit)).toCombined()));
        EXPECT_FALSE(owner.contains(
            QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key(digit)).toCombined()));
    }
    // Both forms of the pairs reach one id.
    EXPECT_EQ(owner.value(QKeyCombination(Qt::ControlModifier, Qt::Key_F6).toCombined()),
              ID_FILE_MOVETO);
    EXPECT_EQ(
        owner.value(QKeyCombination(Qt::ControlModifier | Qt::AltModifier, Qt::Key_J).toCombined()),
        ID_FILE_USE_FILTER);
    EXPECT_EQ(
        owner.value(QKeyCombination(Qt::ControlModifier | Qt::AltModifier, Qt::Key_I).toCombined()),
        ID_PANES_SAME_FOLDER);
    EXPECT_EQ(
        owner.value(
            QKeyCombination(Qt::AltModifier | Qt::KeypadModifier, Qt::Key_Minus).toCombined()),
        ID_UNSELECT_SAME_EXT);
    EXPECT_EQ(owner.value(QKeyCombination(Qt::AltModifier, Qt::Key_Return).toCombined()),
              ID_OPEN_ITEM);
}

TEST(CommandTable, MenuTreeAndKeyboardOnlyCommandsAreWhereTheyBelong) {
    const QList<MenuNode>& menu = MainMenuResource();
    QStringList titles;
    for (const MenuNode& top : menu) titles.append(top.text);
    EXPECT_EQ(titles, (QStringList{"&Files", "&Mark", "&Edit", "&View", "Act&ions", "&Bookmarks",
                                   "T&ools", "&Help"}));

    const MenuNode* sortBy = FindSubmenu(menu, QStringLiteral("&Sort by"));
    ASSERT_NE(sortBy, nullptr);
    EXPECT_EQ(CommandIdsIn(sortBy->items), (QList<int>{32777, 32779, 32780, 32778, 32776, 32890}));
    const MenuNode* goTo = FindSubmenu(menu, QStringLiteral("&Go to folder"));
    ASSERT_NE(goTo, nullptr);
    EXPECT_EQ(CommandIdsIn(goTo->items),
              (QList<int>{32846, 32847, 32848, 32874, 32875, 32950, 32951, 32930, 32931, 32932,
                          32933, 32934, 32935, 32936}));
    EXPECT_EQ(CommandIdsIn(FindSubmenu(menu, QStringLiteral("A&dvanced"))->items),
              (QList<int>{32876, 32877, 32878, 32840, 32899, 32985}));
    EXPECT_EQ(CommandIdsIn(FindSubmenu(menu, QStringLiteral("Selec&tion"))->items),
              (QList<int>{32912, 32913, 32914}));
    EXPECT_EQ(CommandIdsIn(FindSubmenu(menu, QStringLiteral("&Layouts"))->items),
              (QList<int>{32957, 32958, 32959, ID_LAYOUT_STORE_FREE}));
    EXPECT_EQ(CommandIdsIn(FindSubmenu(menu, QStringLiteral("&Help"))->items),
              (QList<int>{32864, 32863, 32862, 32865, 32866, 57664}));

    const QList<int> menuIds = CommandIdsIn(menu);
    QList<int> keyboardIds;
    for (const KeyboardCommand& command : KeyboardOnlyCommands()) {
        keyboardIds.append(command.id);
        EXPECT_FALSE(menuIds.contains(command.id)) << command.id;
        ASSERT_NE(FindCommandInfo(command.id), nullptr);
        EXPECT_FALSE(FindCommandInfo(command.id)->shortcuts.isEmpty());
        EXPECT_FALSE(command.meaning.isEmpty());
    }
    EXPECT_EQ(keyboardIds,
              (QList<int>{32770, 32900, 32901, 32982, 32983, 32836, 32837, 32994, 33310, 33311,
                          33312, 33313, 33314, 33315, 33316, 33317, 33318}));
    EXPECT_EQ(CommandIdsIn(FindSubmenu(menu, QStringLiteral("Ta&bs"))->items),
              (QList<int>{ID_TAB_NEW, ID_TAB_OPEN_FOCUSED, ID_TAB_DUPLICATE, ID_TAB_CLOSE,
                          ID_TAB_CLOSE_OTHERS, ID_TAB_NEXT, ID_TAB_PREVIOUS, ID_TAB_MOVE_TO_OTHER,
                          ID_TAB_LOCK}));
    EXPECT_EQ(CommandTable().size(), menuIds.size() + keyboardIds.size());
}

TEST(CommandTable, PopupsHoldTheirOwnWordingInOrder) {
    EXPECT_EQ(PopupMenuNames(), (QStringList{"paneLR", "findRMB", "dirData", "editor"}));
    EXPECT_EQ(PopupMenuResource(QStringLiteral("nosuch")), nullptr);

    const MenuNode* pane = PopupMenuResource(QStringLiteral("paneLR"));
    ASSERT_NE(pane, nullptr);
    EXPECT_EQ(CommandIdsIn(pane->items),
              (QList<int>{32804, 32805, 57637, 57638, 32777, 32779, 32780, 32778, 32776, 32890,
                          59409, 59408, 59410, 59411}));
    QStringList paneTexts;
    for (const MenuNode* node : Flatten(pane->items)) paneTexts.append(node->text);
    EXPECT_TRUE(paneTexts.contains(QStringLiteral("Paste &Link")));
    EXPECT_TRUE(paneTexts.contains(QStringLiteral("&Paste\tCtrl+V")));
    EXPECT_TRUE(paneTexts.contains(QStringLiteral("Lar&ge icons")));

    const MenuNode* find = PopupMenuResource(QStringLiteral("findRMB"));
    ASSERT_NE(find, nullptr);
    EXPECT_EQ(CommandIdsIn(find->items),
              (QList<int>{32781, 32777, 32779, 32780, 32778, 32776, 32890, 59409, 59408, 59410,
                          59411, 32852, 32854, 32999, 32853, 32978, 32980, 32987}));
    EXPECT_EQ(CommandIdsIn(PopupMenuResource(QStringLiteral("dirData"))->items),
              (QList<int>{32852, 32777, 32779, 32976}));
    const MenuNode* editor = PopupMenuResource(QStringLiteral("editor"));
    EXPECT_EQ(CommandIdsIn(editor->items), (QList<int>{57643, 57635, 57634, 57637, 57642}));
    EXPECT_EQ(Flatten(editor->items).front()->text, QStringLiteral("&Undo\tCtrl+Z"));
}

TEST(CommandTable, ShownKeyTextsParseAndPrint) {
    EXPECT_EQ(ParseShownKey(QStringLiteral("Grey +")), Keys(Qt::KeypadModifier | Qt::Key_Plus));
    EXPECT_EQ(ParseShownKey(QStringLiteral("Ctrl+Grey -")),
              Keys(Qt::ControlModifier | Qt::KeypadModifier | Qt::Key_Minus));
    EXPECT_EQ(ParseShownKey(QStringLiteral("Alt+ left")), Keys(Qt::AltModifier | Qt::Key_Left));
    EXPECT_EQ(ParseShownKey(QStringLiteral(" Ctrl+K")), Keys(Qt::ControlModifier | Qt::Key_K));
    EXPECT_EQ(ParseShownKey(QStringLiteral("Shift+Bksp")),
              Keys(Qt::ShiftModifier | Qt::Key_Backspace));
    EXPECT_EQ(ParseShownKey(QStringLiteral("Ctrl+Alt+N")),
              Keys(Qt::ControlModifier | Qt::AltModifier | Qt::Key_N));
    EXPECT_TRUE(ParseShownKey(QStringLiteral("Ctrl+")).isEmpty());
    EXPECT_TRUE(ParseShownKey(QStringLiteral("Gibberish key")).isEmpty());
    EXPECT_EQ(ShownKeyText(QStringLiteral("Docu&ments\t Ctrl+K")), QStringLiteral("Ctrl+K"));
    EXPECT_EQ(ShownKeyText(QStringLiteral("&Touch dates")), QString());
    // Every accelerator prints as a text that reads back as itself.
    for (const CommandInfo& info : CommandTable()) {
        for (const QKeySequence& keys : info.shortcuts)
            EXPECT_EQ(ParseShownKey(KeyDisplayText(keys)), keys)
                << KeyDisplayText(keys).toStdString();
    }
}

TEST(CommandTable, TheKeyboardReferenceListsExactlyTheAcceleratorsOfTheTable) {
    const QString path =
        QStringLiteral(CORVANE_SOURCE_DIR) + QStringLiteral("/src/res/help/Keyboard.txt");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    const qsizetype begin = lines.indexOf(QStringLiteral("Keys of the main window"));
    const qsizetype end = lines.indexOf(QStringLiteral("Keys handled by the folder panes"));
    ASSERT_GE(begin, 0);
    ASSERT_GT(end, begin);

    QHash<int, int> bound;  // combined key -> id
    for (const CommandInfo& info : CommandTable())
        for (const QKeySequence& keys : info.shortcuts) bound.insert(keys[0].toCombined(), info.id);

    const QRegularExpression row(QStringLiteral("^(\\S.*?\\S)  +(\\S.*)$"));
    QSet<int> listed;
    for (qsizetype i = begin + 1; i < end; ++i) {
        const QRegularExpressionMatch match = row.match(lines[i]);
        if (!match.hasMatch())
            continue;
        SCOPED_TRACE(lines[i].toStdString());
        int id = 0;
        for (const QString& keyText : match.captured(1).split(QStringLiteral(", "))) {
            const QKeySequence keys = ParseShownKey(keyText);
            ASSERT_FALSE(keys.isEmpty()) << keyText.toStdString();
            const int key = keys[0].toCombined();
            ASSERT_TRUE(bound.contains(key)) << keyText.toStdString() << " is no accelerator";
            if (id == 0)
                id = bound.value(key);
            EXPECT_EQ(bound.value(key), id) << "one line, one command";
            listed.insert(key);
        }
        // The description is the command's status prompt, or the meaning of
        // a keyboard-only command.
        QString expected = StatusPromptOf(FindCommandInfo(id)->prompt);
        for (const KeyboardCommand& command : KeyboardOnlyCommands())
            if (command.id == id)
                expected = command.meaning;
        EXPECT_EQ(match.captured(2), expected);
    }
    for (auto it = bound.constBegin(); it != bound.constEnd(); ++it)
        EXPECT_TRUE(listed.contains(it.key()))
            << KeyDisplayText(QKeySequence(QKeyCombination::fromCombined(it.key()))).toStdString()
            << " of " << it.value() << " is missing from Keyboard.txt";
}

namespace {

// Every text of menus and the status-bar prompts, with where it came from.
void CollectMenuTexts(const QList<MenuNode>& nodes, QStringList& texts) {
    for (const MenuNode& node : nodes) {
        texts << node.text;
        CollectMenuTexts(node.items, texts);
    }
}

}  // namespace

// A Linux user reads Linux words: no recycle bin, control panel, start menu,
// DOS or shortcut in any menu, prompt or keyboard reference, and every menu's
// mnemonics stay unique after the replacements.
TEST(CommandTable, NoWindowsWordsAndUniqueMnemonics) {
    QStringList texts;
    for (const CommandInfo& info : CommandTable()) texts << info.menuText << info.prompt;
    CollectMenuTexts(MainMenuResource(), texts);
    for (const QString& name : PopupMenuNames()) {
        if (const MenuNode* popup = PopupMenuResource(name))
            CollectMenuTexts(popup->items, texts);
    }
    for (const KeyboardCommand& command : KeyboardOnlyCommands()) texts << command.meaning;
    const QRegularExpression windowsWords(
        QStringLiteral("recycle|control panel|start ?up menu|start menu|\\bdos\\b|ms/dos|"
                       "shortcut|shell extension|file system\"|my computer|my documents|"
                       "neighbourhood|ntfs|active desktop|windows|\\bdrive|disk drive|8\\.3"),
        QRegularExpression::CaseInsensitiveOption);
    for (const QString& text : texts) {
        QString plain = text;
        plain.remove(QLatin1Char('&'));
        EXPECT_FALSE(windowsWords.match(plain).hasMatch()) << text.toStdString();
    }

    const std::function<void(const MenuNode&)> checkMnemonics = [&](const MenuNode& menu) {
        QHash<QChar, QString> taken;
        for (const MenuNode& node : menu.items) {
            QString text = node.text;
            if (text.isEmpty() && node.kind == MenuNode::Kind::Command) {
                if (const CommandInfo* info = FindCommandInfo(node.id))
                    text = info->menuText;
            }
            const qsizetype amp = text.indexOf(QLatin1Char('&'));
            if (amp >= 0 && amp + 1 < text.size()) {
                const QChar key = text.at(amp + 1).toLower();
                EXPECT_FALSE(taken.contains(key))
                    << menu.text.toStdString() << ": " << text.toStdString() << " and "
                    << taken.value(key).toStdString();
                taken.insert(key, text);
            }
            if (node.kind == MenuNode::Kind::Submenu)
                checkMnemonics(node);
        }
    };
    for (const MenuNode& menu : MainMenuResource()) checkMnemonics(menu);
}

// Commander mode moves three commands to the keys commanders know and binds
// no key twice; the function-key bar's keys follow the mode in force, and
// the mode's menu texts show the keys it binds.
TEST(CommandTable, CommanderKeysBindNoKeyTwiceAndTheKeyMapFollowsTheMode) {
    QHash<int, int> owner;
    for (const CommandInfo& info : CommanderCommandTable()) {
        for (const QKeySequence& keys : info.shortcuts) {
            const int key = keys[0].toCombined();
            EXPECT_FALSE(owner.contains(key)) << keys.toString().toStdString() << " bound to "
                                              << owner.value(key) << " and " << info.id;
            owner.insert(key, info.id);
        }
    }
    EXPECT_EQ(owner.value(QKeyCombination(Qt::Key_F7).toCombined()), ID_NEW_FOLDER);
    EXPECT_EQ(owner.value(QKeyCombination(Qt::Key_F8).toCombined()), ID_FILE_DELETE);
    EXPECT_EQ(owner.value(QKeyCombination(Qt::ShiftModifier, Qt::Key_F8).toCombined()),
              ID_FILE_DELETE);
    EXPECT_EQ(owner.value(QKeyCombination(Qt::ShiftModifier, Qt::Key_F4).toCombined()),
              ID_NEW_FILE);
    EXPECT_EQ(owner.value(QKeyCombination(Qt::Key_F5).toCombined()), ID_FILE_COPYTO);
    EXPECT_EQ(CommanderCommandTable().size(), CommandTable().size());
    for (const CommandInfo& info : CommanderCommandTable()) {
        if (info.shortcuts.isEmpty() || !info.menuText.contains(QLatin1Char('\t')))
            continue;
        EXPECT_EQ(ParseShownKey(ShownKeyText(info.menuText)), info.shortcuts.front()) << info.id;
    }

    const GeneralSettings saved = General();
    MutableGeneral().commanderMode = false;
    EXPECT_EQ(FunctionKeyBar::CommandForKey(QKeyCombination(Qt::Key_F7)), ID_NEW_FILE);
    EXPECT_EQ(FunctionKeyBar::CommandForKey(QKeyCombination(Qt::Key_F8)), ID_NEW_FOLDER);
    MutableGeneral().commanderMode = true;
    EXPECT_EQ(FunctionKeyBar::CommandForKey(QKeyCombination(Qt::Key_F7)), ID_NEW_FOLDER);
    EXPECT_EQ(FunctionKeyBar::CommandForKey(QKeyCombination(Qt::Key_F8)), ID_FILE_DELETE);
    EXPECT_EQ(FunctionKeyBar::ShortName(
                  FunctionKeyBar::CommandForKey(QKeyCombination(Qt::ShiftModifier, Qt::Key_F4))),
              FunctionKeyBar::ShortName(ID_NEW_FILE));
    MutableGeneral() = saved;
}
