#include "editor/CEditorFrame.h"

#include <QCloseEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

#include "editor/CEditorView.h"
#include "editor/EditorCommandIds.h"
#include "editor/EditorFile.h"
#include "editor/EditorHost.h"
#include "editor/EditorSettings.h"
#include "editor/EditorTextControl.h"
#include "platform/store/ProfileStore.h"
#include "platform/ui/Prompter.h"
#include "shell/GeneralSettings.h"

namespace {

constexpr int kNoticeMs = 5000;
const QString kIdleText = QStringLiteral("Ready");
const QString kBarStateKey = QStringLiteral("BarState");
const QString kOpenFailed = QStringLiteral("Cannot open the file %1.\n%2");

CommandInfo C(int id, const QString& text, QList<QKeySequence> keys, const QString& prompt) {
    return CommandInfo{id, text, std::move(keys), prompt, false};
}

QKeySequence K(const char* key) {
    return QKeySequence(QString::fromLatin1(key));
}

}  // namespace

QList<CommandInfo> EditorCommandTable(bool viewOnly) {
    QList<CommandInfo> table = {
        C(ID_EDITOR_SAVE, QStringLiteral("&Save"), {K("Ctrl+S")},
          QStringLiteral("Save the file\nSave")),
        C(ID_EDITOR_SAVE_AS, QStringLiteral("Save &As..."), {},
          QStringLiteral("Save the file under a new name\nSave As")),
        C(ID_EDITOR_REFRESH, QStringLiteral("&Refresh"), {K("F5")},
          QStringLiteral("Read the file again from the disk\nRefresh")),
        C(ID_EDITOR_INSERT_FILE, QStringLiteral("&Insert file..."), {K("Ctrl+I")},
          QStringLiteral("Insert a file at the cursor\nInsert file")),
        C(ID_EDITOR_PAGE_SETUP, QStringLiteral("Pa&ge Setup"), {},
          QStringLiteral("Change the page margins\nPage Setup")),
        C(ID_EDITOR_PRINT, QStringLiteral("&Print..."), {K("Ctrl+P")},
          QStringLiteral("Print the text\nPrint")),
        C(ID_EDITOR_EXIT, QStringLiteral("E&xit"), {K("Esc")},
          QStringLiteral("Close this window\nExit")),
        C(ID_EDITOR_UNDO, QStringLiteral("&Undo"), {K("Ctrl+Z")},
          QStringLiteral("Undo the last action\nUndo")),
        C(ID_EDITOR_CUT, QStringLiteral("Cu&t"), {K("Ctrl+X")},
          QStringLiteral("Cut the selection to the clipboard\nCut")),
        C(ID_EDITOR_COPY, QStringLiteral("&Copy"), {K("Ctrl+C")},
          QStringLiteral("Copy the selection, or the line, to the clipboard\nCopy")),
        C(ID_EDITOR_PASTE, QStringLiteral("&Paste"), {K("Ctrl+V")},
          QStringLiteral("Insert the clipboard's text\nPaste")),
        C(ID_EDITOR_SELECT_ALL, QStringLiteral("&Select All"), {K("Ctrl+A")},
          QStringLiteral("Select the whole text\nSelect All")),
        C(ID_EDITOR_DELETE_LINE, QStringLiteral("Delete &Line"), {K("Ctrl+L")},
          QStringLiteral("Delete the current line\nDelete Line")),
        C(ID_EDITOR_DATE_TIME, QStringLiteral("&Insert date/time"), {},
          QStringLiteral("Insert the current date and time\nDate/time")),
        C(ID_EDITOR_INDENT, QStringLiteral("&Increase"), {K("Alt+Right")},
          QStringLiteral("Indent the selected lines by a tab\nIndent")),
        C(ID_EDITOR_OUTDENT, QStringLiteral("&Decrease"), {K("Alt+Left")},
          QStringLiteral("Remove one blank or tab before the selected lines\nOutdent")),
        // The Insert key itself reaches the text control, which switches
        // overwrite on and off; the menu item only names it.
        C(ID_EDITOR_OVERWRITE, QStringLiteral("&Overwrite\tIns"), {},
          QStringLiteral("Switch between inserting and overwriting\nOverwrite")),
        C(ID_EDITOR_AUTO_INDENT, QStringLiteral("&Auto indent"), {K("F7")},
          QStringLiteral("Indent new lines as the line before\nAuto indent")),
        C(ID_EDITOR_FIND, QStringLiteral("&Find..."), {K("Ctrl+F")},
          QStringLiteral("Find a text\nFind")),
        C(ID_EDITOR_REPEAT_FIND, QStringLiteral("Repeat Fi&nd"), {K("F3")},
          QStringLiteral("Find the last text again\nRepeat Find")),
        C(ID_EDITOR_FIND_SELECTION, QStringLiteral("Find &selection"), {K("Ctrl+F3")},
          QStringLiteral("Find the selected text\nFind selection")),
        C(ID_EDITOR_REPLACE, QStringLiteral("&Replace..."), {K("Ctrl+R")},
          QStringLiteral("Replace a text by another\nReplace")),
        C(ID_EDITOR_MATCH_BRACE, QStringLiteral("&Match Brace"), {K("Ctrl+B")},
          QStringLiteral("Find the brace that matches the selected one\nMatch Brace")),
        C(ID_EDITOR_GOTO_LINE, QStringLiteral("&Goto Line..."), {K("Ctrl+G")},
          QStringLiteral("Go to a line by its number\nGoto Line")),
        C(ID_EDITOR_SET_BOOKMARK, QStringLiteral("Set &Bookmark"), {K("Ctrl+F8")},
          QStringLiteral("Remember the cursor's place\nSet Bookmark")),
        C(ID_EDITOR_GOTO_BOOKMARK, QStringLiteral("Goto bookmar&k"), {K("F8")},
          QStringLiteral("Go back to the remembered place\nGoto bookmark")),
        C(ID_AUTOTEXT_DEFINE, QStringLiteral("&Define..."), {K("Ctrl+D")},
          QStringLiteral("Add or edit AutoText blocks\nDefine AutoText")),
        C(ID_AUTOTEXT_MNEMONICS, QStringLiteral("&Mnemonics"), {K("Ctrl+M")},
          QStringLiteral("Show or hide the AutoText list\nMnemonics")),
        C(ID_EDITOR_HEX, QStringLiteral("&Hexadecimal"), {K("F4")},
          QStringLiteral("Show the file as a hexadecimal dump\nHexadecimal")),
        C(ID_EDITOR_WORD_WRAP, QStringLiteral("&Word Wrap"), {K("F2")},
          QStringLiteral("Wrap long lines at the window's edge\nWord Wrap")),
        C(ID_EDITOR_TAB_WIDTH, QStringLiteral("&Tab width..."), {},
          QStringLiteral("Set the width of a tab\nTab width")),
        C(ID_EDITOR_FONT, QStringLiteral("Set &Font..."), {},
          QStringLiteral("Choose the editor's font\nFont")),
        C(ID_EDITOR_COLORS, QStringLiteral("Set &Colors..."), {},
          QStringLiteral("Choose the editor's colours\nColors")),
        C(ID_EDITOR_TOOLBAR, QStringLiteral("&Toolbar"), {},
          QStringLiteral("Show or hide the toolbar\nToolbar")),
        C(ID_EDITOR_STATUS_BAR, QStringLiteral("&Status Bar"), {},
          QStringLiteral("Show or hide the status bar\nStatus Bar")),
        C(ID_HELP_FEATURES, QStringLiteral("&Features..."), {},
          QStringLiteral("What Corvane can do\nFeatures")),
        C(ID_HELP_NEWEST, QStringLiteral("&What's new?"), {},
          QStringLiteral("The changes of this version\nWhat's new")),
        C(ID_HELP_KEYBOARD, QStringLiteral("&Keyboard commands"), {},
          QStringLiteral("The keys of every command\nKeyboard")),
        C(ID_HELP_FAQ, QStringLiteral("F.A.&Q. ..."), {},
          QStringLiteral("Frequently asked questions\nF.A.Q.")),
        C(ID_HELP_LICENCE, QStringLiteral("&Licence agreement"), {},
          QStringLiteral("The licence\nLicence")),
    };
    for (int slot = 0; slot <= 9; ++slot) {
        // In view mode the slots need no keys: Ctrl+digit stays free.
        QList<QKeySequence> keys;
        if (!viewOnly)
            keys = {QKeySequence(QStringLiteral("Ctrl+%1").arg(slot))};
        table.append(C(ID_AUTOTEXT_FIRST + slot, QStringLiteral("(Undefined)"), keys,
                       QStringLiteral("Insert this AutoText block\nAutoText")));
    }
    return table;
}

CEditorFrame::CEditorFrame(bool viewOnly, QWidget* parent) : QMainWindow(parent) {
    setAttribute(Qt::WA_DeleteOnClose);
    m_view = new CEditorView(viewOnly, this);
    setCentralWidget(m_view);
    m_view->SetNoticeSink([this](const QString& text, bool alert) { ShowNotice(text, alert); });
    CreateCommands();
    CreateMenus();
    CreateToolBar();
    CreateStatusBar();
    if (ProfileStore* store = EditorStore()) {
        if (const std::optional<QByteArray> state =
                store->GetProfileBinary(kEditorSection, kBarStateKey))
            restoreState(*state);
    }
    connect(m_view, &CEditorView::StatusChanged, this, &CEditorFrame::UpdateStatus);
    connect(m_view, &CEditorView::ContextMenuRequested, this, &CEditorFrame::ShowContextMenu);
    m_noticeTimer.setSingleShot(true);
    connect(&m_noticeTimer, &QTimer::timeout, this, [this] { m_message->setText(kIdleText); });
    // The panes follow the text while idle, as the toolbar does.
    m_idleTimer.setInterval(CommandManager::kIdleIntervalMs);
    connect(&m_idleTimer, &QTimer::timeout, this, &CEditorFrame::UpdateStatus);
    m_idleTimer.start();
}

CEditorFrame::~CEditorFrame() = default;

void CEditorFrame::CreateCommands() {
    const bool viewOnly = m_view->ViewOnly();
    const QList<CommandInfo> table = EditorCommandTable(viewOnly);
    m_commands.AddCommands(table);
    m_commands.SetChainProvider([this] { return CommandManager::Chain{m_view, this}; });
    addActions(m_commands.Actions());
    QList<QKeySequence> keys;
    for (const CommandInfo& info : table) keys += info.shortcuts;
    m_view->Text()->ReleaseKeys(keys);
    if (viewOnly)
        m_view->Text()->ReleaseKeys({QKeySequence(Qt::Key_Insert)});

    MapCommand(ID_EDITOR_EXIT, [this] { close(); });
    MapCommand(ID_EDITOR_TOOLBAR, [this] { m_toolBar->setVisible(m_toolBar->isHidden()); });
    MapUpdate(ID_EDITOR_TOOLBAR,
              [this](CommandState& state) { state.SetCheck(!m_toolBar->isHidden()); });
    MapCommand(ID_EDITOR_STATUS_BAR, [this] { statusBar()->setVisible(statusBar()->isHidden()); });
    MapUpdate(ID_EDITOR_STATUS_BAR,
              [this](CommandState& state) { state.SetCheck(!statusBar()->isHidden()); });
    MapCommandRange(ID_HELP_FIRST, ID_HELP_LAST, [](int id) {
        const EditorHost& host = GetEditorHost();
        const QString path = host.helpFilePath ? host.helpFilePath(id) : QString();
        if (!path.isEmpty() && host.openInEditor)
            host.openInEditor(path, true);
    });
    MapUpdateRange(ID_HELP_FIRST, ID_HELP_LAST, [](int, CommandState& state) {
        const EditorHost& host = GetEditorHost();
        state.Enable(bool(host.helpFilePath) && bool(host.openInEditor));
    });
}

void CEditorFrame::CreateMenus() {
    const auto add = [this](const QString& title, const QList<int>& ids) {
        QMenu* menu = menuBar()->addMenu(title);
        for (int id : ids) {
            if (id == 0)
                menu->addSeparator();
            else
                menu->addAction(m_commands.Action(id));
        }
        m_commands.WatchMenu(menu);
    };
    add(QStringLiteral("&File"),
        {ID_EDITOR_SAVE, ID_EDITOR_SAVE_AS, 0, ID_EDITOR_REFRESH, ID_EDITOR_INSERT_FILE, 0,
         ID_EDITOR_PAGE_SETUP, ID_EDITOR_PRINT, 0, ID_EDITOR_EXIT});
    add(QStringLiteral("&Edit"),
        {ID_EDITOR_UNDO, 0, ID_EDITOR_CUT, ID_EDITOR_COPY, ID_EDITOR_PASTE, ID_EDITOR_SELECT_ALL, 0,
         ID_EDITOR_DELETE_LINE, ID_EDITOR_DATE_TIME, ID_EDITOR_INDENT, ID_EDITOR_OUTDENT, 0,
         ID_EDITOR_OVERWRITE, ID_EDITOR_AUTO_INDENT});
    add(QStringLiteral("&Search"),
        {ID_EDITOR_FIND, ID_EDITOR_REPEAT_FIND, ID_EDITOR_FIND_SELECTION, ID_EDITOR_REPLACE, 0,
         ID_EDITOR_MATCH_BRACE, ID_EDITOR_GOTO_LINE, 0, ID_EDITOR_SET_BOOKMARK,
         ID_EDITOR_GOTO_BOOKMARK});
    QList<int> autoText;
    for (int id = ID_AUTOTEXT_FIRST; id <= ID_AUTOTEXT_LAST; ++id) autoText.append(id);
    autoText += {0, ID_AUTOTEXT_DEFINE, ID_AUTOTEXT_MNEMONICS};
    add(QStringLiteral("&AutoText"), autoText);
    add(QStringLiteral("&View"),
        {ID_EDITOR_HEX, ID_EDITOR_WORD_WRAP, ID_EDITOR_TAB_WIDTH, 0, ID_EDITOR_FONT,
         ID_EDITOR_COLORS, 0, ID_EDITOR_TOOLBAR, ID_EDITOR_STATUS_BAR});
    add(QStringLiteral("&Help"),
        {ID_HELP_KEYBOARD, ID_HELP_NEWEST, ID_HELP_FEATURES, ID_HELP_FAQ, ID_HELP_LICENCE});
}

void CEditorFrame::CreateToolBar() {
    m_toolBar = addToolBar(QStringLiteral("Editor toolbar"));
    m_toolBar->setObjectName(QStringLiteral("EditorToolBar"));
    const std::pair<int, const char*> buttons[] = {
        {ID_EDITOR_SAVE, "document-save"},
        {0, nullptr},
        {ID_EDITOR_CUT, "edit-cut"},
        {ID_EDITOR_COPY, "edit-copy"},
        {ID_EDITOR_PASTE, "edit-paste"},
        {ID_EDITOR_UNDO, "edit-undo"},
        {0, nullptr},
        {ID_EDITOR_FIND, "edit-find"},
        {ID_EDITOR_REPEAT_FIND, "go-down-search"},
        {0, nullptr},
        {ID_EDITOR_PRINT, "document-print"},
        {ID_EDITOR_WORD_WRAP, "format-justify-left"},
    };
    for (const auto& [id, icon] : buttons) {
        if (id == 0) {
            m_toolBar->addSeparator();
            continue;
        }
        QAction* action = m_commands.Action(id);
        // Without an icon theme the button shows the command's name.
        if (QIcon::hasThemeIcon(QString::fromLatin1(icon)))
            action->setIcon(QIcon::fromTheme(QString::fromLatin1(icon)));
        m_toolBar->addAction(action);
        m_commands.SetToolbarCommand(id);
    }
    if (General().flatToolbars)
        for (QToolButton* button : m_toolBar->findChildren<QToolButton*>())
            button->setAutoRaise(true);
    m_commands.StartIdleUpdates();
}

void CEditorFrame::CreateStatusBar() {
    QStatusBar* bar = statusBar();
    m_message = new QLabel(kIdleText, bar);
    m_position = new QLabel(bar);
    m_overwrite = new QLabel(bar);
    m_modified = new QLabel(bar);
    const QFontMetrics metrics(bar->font());
    m_position->setMinimumWidth(metrics.horizontalAdvance(QStringLiteral("Ln 99999, Col 9999")) +
                                8);
    m_overwrite->setMinimumWidth(metrics.horizontalAdvance(QStringLiteral("OVR")) + 8);
    m_modified->setMinimumWidth(metrics.horizontalAdvance(QStringLiteral("*")) + 12);
    bar->addWidget(m_message, 1);
    bar->addPermanentWidget(m_position);
    bar->addPermanentWidget(m_overwrite);
    bar->addPermanentWidget(m_modified);
}

bool CEditorFrame::Open(const QString& path, QString* error) {
    setWindowTitle(EditorTitle(path));
    if (!m_view->Load(path, error))
        return false;
    UpdateStatus();
    return true;
}

void CEditorFrame::ShowPlaced() {
    const EditorHost& host = GetEditorHost();
    std::optional<EditorHost::FourInts> stored;
    if (host.readRect)
        stored = host.readRect(kEditorSection);
    if (stored && (*stored)[3] != 0) {
        const EditorHost::FourInts& r = *stored;
        setGeometry(QRect(r[0], r[1], std::max(200, r[2] - r[0]), std::max(150, r[3] - r[1])));
    } else {
        const QRect main = host.mainWindowRect ? host.mainWindowRect() : QRect();
        if (!main.isEmpty())
            setGeometry(QRect(main.topLeft(), main.size() / 2));
        else
            resize(800, 600);
    }
    show();
    raise();
    activateWindow();
    m_view->setFocus();
}

QString CEditorFrame::MessageText() const {
    return m_message->text();
}

QString CEditorFrame::PositionPane() const {
    return m_position->text();
}

QString CEditorFrame::OverwritePane() const {
    return m_overwrite->text();
}

QString CEditorFrame::ModifiedPane() const {
    return m_modified->text();
}

void CEditorFrame::ShowNotice(const QString& text, bool alert) {
    if (statusBar()->isHidden()) {
        if (alert)
            MessageBoxText(text, PromptButtons::Ok, PromptIcon::Warning, this);
        return;
    }
    m_message->setText(text);
    m_noticeTimer.start(kNoticeMs);
    if (alert)
        Beep(BeepKind::Exclamation);
}

void CEditorFrame::UpdateStatus() {
    m_position->setText(m_view->PositionText());
    m_overwrite->setText(m_view->OverwriteText());
    m_modified->setText(m_view->ModifiedText());
}

void CEditorFrame::ShowContextMenu(const QPoint& globalPos) {
    QMenu menu(this);
    for (int id : {ID_EDITOR_UNDO, 0, ID_EDITOR_CUT, ID_EDITOR_COPY, ID_EDITOR_PASTE, 0,
                   ID_EDITOR_SELECT_ALL}) {
        if (id == 0)
            menu.addSeparator();
        else
            menu.addAction(m_commands.Action(id));
    }
    m_commands.UpdateMenu(&menu);
    menu.exec(globalPos);
}

void CEditorFrame::closeEvent(QCloseEvent* event) {
    if (General().saveSettings) {
        const EditorHost& host = GetEditorHost();
        const QRect r = normalGeometry().isValid() ? normalGeometry() : geometry();
        if (host.writeRect)
            host.writeRect(kEditorSection, {r.left(), r.top(), r.right() + 1, r.bottom() + 1});
        if (ProfileStore* store = EditorStore())
            store->WriteProfileBinary(kEditorSection, kBarStateKey, saveState());
    }
    // The usual question about unsaved changes.
    if (!m_view->AskSaveChanges()) {
        event->ignore();
        return;
    }
    m_idleTimer.stop();
    m_commands.StopIdleUpdates();
    event->accept();
}

CEditorFrame* OpenEditorWindow(const QString& path, bool viewOnly) {
    auto frame = std::make_unique<CEditorFrame>(viewOnly);
    QString error;
    if (!frame->Open(path, &error)) {
        MessageBoxText(kOpenFailed.arg(path, error), PromptButtons::Ok, PromptIcon::Error);
        return nullptr;
    }
    frame->ShowPlaced();
    return frame.release();
}
