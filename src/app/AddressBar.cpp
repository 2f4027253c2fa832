#include "app/AddressBar.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCompleter>
#include <QDir>
#include <QDropEvent>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QStringListModel>
#include <QTimer>
#include <QUrl>

#include "app/CMainFrame.h"
#include "app/CPanexApp.h"
#include "app/HistoryPickDialog.h"
#include "app/PathCompletion.h"
#include "pane/CPanexView.h"
#include "pane/FolderModel.h"
#include "pane/PaneListCtrl.h"
#include "platform/namespace/NameCodec.h"
#include "platform/process/Launch.h"
#include "platform/store/ProfileStore.h"
#include "shell/CommandIds.h"
#include "shell/FolderItem.h"
#include "shell/GeneralSettings.h"
#include "shell/HistoryComboEdit.h"
#include "shell/Notice.h"
#include "shell/PatternList.h"

namespace {

constexpr int kMinComboWidth = 50;
constexpr int kMaxComboWidth = 1000;
constexpr int kMinComboHeight = 50;
constexpr int kMaxComboHeight = 600;

int HistoryItems() {
    return General().historyItems;
}

bool IsVariableStart(QChar c) {
    return c == u'_' || (c.unicode() < 0x80 && c.isLetter());
}
bool IsVariableChar(QChar c) {
    return c == u'_' || (c.unicode() < 0x80 && c.isLetterOrNumber());
}

// The variable named at `at` (just after a "$"): its name and the length of
// the reference after the "$" ("NAME" or "{NAME}"); an empty name when there
// is none.
std::pair<QString, qsizetype> VariableAt(const QString& text, qsizetype at) {
    if (at < text.size() && text.at(at) == u'{') {
        const qsizetype close = text.indexOf(u'}', at + 1);
        if (close < 0)
            return {QString(), 0};
        const QString name = text.mid(at + 1, close - at - 1);
        if (name.isEmpty() || !IsVariableStart(name.front()) ||
            !std::all_of(name.begin(), name.end(), IsVariableChar))
            return {QString(), 0};
        return {name, close - at + 1};
    }
    qsizetype end = at;
    if (end < text.size() && IsVariableStart(text.at(end))) {
        while (end < text.size() && IsVariableChar(text.at(end))) ++end;
    }
    return {text.mid(at, end - at), end - at};
}

}  // namespace

int ClampComboWidth(int stored) {
    return stored < kMinComboWidth || stored > kMaxComboWidth ? kDefaultComboWidth : stored;
}

int ClampComboHeight(int stored) {
    return stored < kMinComboHeight || stored > kMaxComboHeight ? kDefaultComboHeight : stored;
}

QString ExpandPathVariables(const QString& text) {
    QString result = text.count(u'%') >= 2 ? ExpandEnvironmentStrings(text) : text;
    QString expanded;
    for (qsizetype i = 0; i < result.size(); ++i) {
        if (result.at(i) == u'$') {
            const auto [name, length] = VariableAt(result, i + 1);
            if (!name.isEmpty() && qEnvironmentVariableIsSet(name.toUtf8().constData())) {
                expanded += qEnvironmentVariable(name.toUtf8().constData());
                i += length;
                continue;
            }
        }
        expanded += result.at(i);
    }
    return expanded;
}

bool IsVariablePath(const QString& text) {
    if (!text.startsWith(u'$'))
        return false;
    const auto [name, length] = VariableAt(text, 1);
    if (name.isEmpty() || !qEnvironmentVariableIsSet(name.toUtf8().constData()))
        return false;
    const qsizetype rest = 1 + length;
    return rest == text.size() || text.at(rest) == u'/';
}

// -- AddressCombo ----------------------------------------------------------------------

AddressCombo::AddressCombo(CMainFrame& frame, QWidget* parent) : QComboBox(parent), m_frame(frame) {
    setObjectName(QStringLiteral("addressCombo"));
    setProperty("controlId", kAddressComboId);
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setDuplicatesEnabled(true);
    setFont(QFontDatabase::systemFont(QFontDatabase::GeneralFont));
    setAcceptDrops(true);
    lineEdit()->setAcceptDrops(true);
    // The search first, so it sees Up and Down; this filter is installed
    // after it and so runs before it for every other key.
    m_search = new HistoryComboEdit(this);
    lineEdit()->installEventFilter(this);
    installEventFilter(this);
    // Choosing an entry of the list submits it, once the list has closed.
    connect(this, qOverload<int>(&QComboBox::activated), this, [this](int index) {
        if (index >= 0)
            QTimer::singleShot(0, this, [this] { m_frame.Commands().Execute(ID_INTERNAL_GO); });
    });
}

void AddressCombo::AddVisitedFolder(const QString& path, int maximum) {
    const QSignalBlocker quiet(this);
    insertItem(0, path);
    if (count() > maximum)
        removeItem(count() - 1);
    for (int i = count() - 1; i > 0; --i) {
        if (itemText(i) == path)
            removeItem(i);
    }
    setCurrentIndex(0);
}

void AddressCombo::SetAddressText(const QString& text) {
    lineEdit()->setText(text);
}

QStringList AddressCombo::Entries() const {
    QStringList entries;
    for (int i = 0; i < count(); ++i) entries.append(itemText(i));
    return entries;
}

void AddressCombo::Submit() {
    const QString typed = currentText().trimmed();
    CPanexView* pane = m_frame.GetActivePane();
    // An empty box gives the focus back to the pane.
    if (typed.isEmpty()) {
        FocusActivePane();
        return;
    }
    bool done = false;
    if ((typed.startsWith(u'>') || typed.startsWith(u'$')) && !IsVariablePath(typed)) {
        // A command line (">" or "$") runs.
        if (auto* bar = qobject_cast<AddressBar*>(parentWidget()))
            done = bar->RunCommandText(typed);
        // The command went to the history; the box shows the folder again.
        if (done && pane)
            m_frame.AddressUpdate(*pane, false);
    } else if (pane) {
        // Anything else is a place to go to.
        done = pane->GoToText(ExpandPathVariables(typed));
    }
    // Done: the focus goes back; else the text stays, selected, to be mended.
    if (done) {
        FocusActivePane();
        return;
    }
    lineEdit()->setText(typed);
    lineEdit()->selectAll();
}

bool AddressCombo::CompleteTypedPath() {
    QLineEdit* edit = lineEdit();
    // Only a caret at the end of an unselected text: Tab then means "go on
    // with what I typed".
    if (!edit || edit->hasSelectedText() || edit->cursorPosition() != edit->text().size())
        return false;
    const QString typed = edit->text();
    const PathCompletion completion = CompletePath(typed, QDir::homePath());
    if (completion.candidates.isEmpty())
        return false;
    if (completion.text != typed)
        edit->setText(completion.text);
    if (completion.candidates.size() == 1)
        return true;
    if (!m_pathCompleter) {
        m_pathCandidates = new QStringListModel(this);
        m_pathCompleter = new QCompleter(m_pathCandidates, this);
        m_pathCompleter->setCompletionMode(QCompleter::PopupCompletion);
        m_pathCompleter->setCaseSensitivity(Qt::CaseSensitive);
        m_pathCompleter->setModelSorting(QCompleter::UnsortedModel);
        m_pathCompleter->setWidget(edit);
        connect(m_pathCompleter, qOverload<const QString&>(&QCompleter::activated), this,
                [this](const QString& chosen) { lineEdit()->setText(chosen); });
    }
    m_pathCandidates->setStringList(completion.candidates);
    m_pathCompleter->setCompletionPrefix(edit->text());
    m_pathCompleter->complete();
    return true;
}

void AddressCombo::FocusActivePane() {
    if (CPanexView* pane = m_frame.GetActivePane())
        pane->setFocus(Qt::OtherFocusReason);
}

void AddressCombo::FocusTreeOrPane() {
    // The tree takes the focus first once it exists (the frame decides).
    if (!m_frame.FocusFrameBar(false))
        FocusActivePane();
}

void AddressCombo::InsertFocusedName() {
    const CPanexView* pane = m_frame.GetActivePane();
    if (!pane)
        return;
    const int row = pane->List()->FocusedRow();
    if (const FolderItem* item = row >= 0 ? pane->List()->ItemAt(row) : nullptr)
        lineEdit()->insert(item->name);  // QLineEdit::insert is undoable
}

void AddressCombo::PassArrowToPane(int key) {
    const CPanexView* pane = m_frame.GetActivePane();
    QAbstractItemView* view = pane ? pane->List()->ActiveView() : nullptr;
    if (!view)
        return;
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(view, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QApplication::sendEvent(view, &release);
}

bool AddressCombo::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::ShortcutOverride:
            // The window's accelerators are off while the box has the focus:
            // accepting the override hands their keys to the edit field. The
            // menu bar's mnemonics are no accelerators and keep working.
            if ((watched == lineEdit() || watched == this) &&
                IsAccelerator(*static_cast<QKeyEvent*>(event))) {
                event->accept();
                return true;
            }
            break;
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
            if (watched == lineEdit() || watched == this)
                return HandleKey(static_cast<QKeyEvent*>(event));
            break;
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
            return HandleDrop(event);
        default:
            break;
    }
    return QComboBox::eventFilter(watched, event);
}

bool AddressCombo::IsAccelerator(const QKeyEvent& event) const {
    const QKeyCombination exact(event.modifiers(), Qt::Key(event.key()));
    const QKeyCombination plain(event.modifiers() & ~Qt::KeypadModifier, Qt::Key(event.key()));
    for (const QAction* action : m_frame.Commands().Actions()) {
        for (const QKeySequence& keys : action->shortcuts()) {
            if (keys.count() == 1 && (keys[0] == exact || keys[0] == plain))
                return true;
        }
    }
    return false;
}

bool AddressCombo::HandleKey(QKeyEvent* event) {
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    const bool ctrl = mods & Qt::ControlModifier;
    const bool shift = mods & Qt::ShiftModifier;
    const bool alt = mods & Qt::AltModifier;
    const bool press = event->type() == QEvent::KeyPress;
    const int key = event->key();
    switch (key) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (!press)
                return true;
            if (ctrl) {
                InsertFocusedName();
            } else if (alt) {
                Submit();
            } else {
                hidePopup();
                Submit();
            }
            return true;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            if (press) {
                if (key == Qt::Key_Backtab || shift || ctrl)
                    FocusTreeOrPane();
                else if (alt || !CompleteTypedPath())
                    FocusActivePane();
            }
            return true;
        case Qt::Key_Escape:
            if (press)
                FocusActivePane();
            return true;
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Up:
        case Qt::Key_Down:
            if (!ctrl)
                return false;
            if (press)
                PassArrowToPane(key);
            return true;
        default:
            return false;
    }
}

bool AddressCombo::HandleDrop(QEvent* event) {
    auto* drop = static_cast<QDropEvent*>(event);
    const QMimeData* data = drop->mimeData();
    const QList<QUrl> urls = data ? data->urls() : QList<QUrl>();
    const bool usable = !urls.isEmpty() && urls.front().isLocalFile();
    if (event->type() != QEvent::Drop) {
        if (usable) {
            drop->setDropAction(Qt::CopyAction);
            drop->accept();
        } else {
            drop->ignore();
        }
        return true;
    }
    if (!usable)
        return true;
    drop->setDropAction(Qt::CopyAction);
    drop->accept();
    // Only the first file counts; a file opens its folder with it focused.
    if (CPanexView* pane = m_frame.GetActivePane())
        pane->GoToText(urls.front().toLocalFile());
    return true;
}

// -- AddressBar ----------------------------------------------------------------------

AddressBar::AddressBar(CMainFrame& frame, ProfileStore& store)
    : QToolBar(QStringLiteral("Address Bar"), &frame), m_frame(frame) {
    using namespace AddressBarKeys;
    setObjectName(QStringLiteral("AddressBar"));
    setProperty("barId", ID_VIEW_ADDRESSBAR);
    m_comboWidth =
        ClampComboWidth(store.GetProfileInt(kMainFrameSection, kComboWidth, kDefaultComboWidth));
    m_comboHeight =
        ClampComboHeight(store.GetProfileInt(kMainFrameSection, kComboHeight, kDefaultComboHeight));
    store.WriteProfileInt(kMainFrameSection, kComboWidth, m_comboWidth);
    store.WriteProfileInt(kMainFrameSection, kComboHeight, m_comboHeight);

    m_combo = new AddressCombo(frame, this);
    const int rowHeight =
        qMax(1, m_combo->view()->sizeHintForRow(0) > 0 ? m_combo->view()->sizeHintForRow(0)
                                                       : m_combo->fontMetrics().height() + 4);
    m_combo->setMaxVisibleItems(qMax(1, m_comboHeight / rowHeight));
    addWidget(m_combo);
    m_runner.Load(store, HistoryItems());

    connect(this, &QToolBar::orientationChanged, this, [this] { UpdateComboWidth(); });
    connect(this, &QToolBar::topLevelChanged, this, [this] { UpdateComboWidth(); });
    UpdateComboWidth();
}

void AddressBar::UpdateComboWidth() {
    // Docked in a row the box takes what the row leaves (Qt's toolbar
    // layout shares the row); floating or upright it has its stored width.
    if (isFloating() || orientation() == Qt::Vertical) {
        m_combo->setMinimumWidth(m_comboWidth);
        m_combo->setMaximumWidth(m_comboWidth);
        m_combo->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    } else {
        m_combo->setMinimumWidth(kMinComboWidth);
        m_combo->setMaximumWidth(QWIDGETSIZE_MAX);
        m_combo->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }
}

void AddressBar::LoadFolderHistory(const ProfileStore& store) {
    HistoryList history;
    history.Load(HistoryItems(), store, AddressBarKeys::kFolderHistory);
    const QSignalBlocker quiet(m_combo);
    history.FillCombo(HistoryItems(), m_combo, QString());
}

void AddressBar::SaveHistories(ProfileStore& store) const {
    // From the last entry to the first, each to the front: the stored order
    // is the displayed one.
    HistoryList history;
    const QStringList entries = m_combo->Entries();
    for (auto it = entries.crbegin(); it != entries.crend(); ++it) history.Add(HistoryItems(), *it);
    history.Save(HistoryItems(), store, AddressBarKeys::kFolderHistory);
    m_runner.SaveHistory(store, HistoryItems());
}

void AddressBar::EditText(const QString& text) {
    if (isHidden())
        show();
    m_combo->lineEdit()->setText(text);
    m_combo->setFocus(Qt::OtherFocusReason);
    m_combo->lineEdit()->setFocus(Qt::OtherFocusReason);
    m_combo->lineEdit()->deselect();
    m_combo->lineEdit()->end(false);
}

MacroValues AddressBar::CurrentMacroValues() const {
    auto folderOf = [](const CPanexView* pane) {
        const FolderModel* model = pane ? pane->Model() : nullptr;
        return model && model->IsFileSystem() ? model->path : QString();
    };
    MacroValues values;
    values.left = folderOf(m_frame.GetLeftPane());
    values.right = folderOf(m_frame.GetRightPane());
    const CPanexView* active = m_frame.GetActivePane();
    values.active = folderOf(active);
    values.inactive = folderOf(m_frame.GetInactivePane());
    if (active) {
        const int row = active->List()->FocusedRow();
        if (const FolderItem* item = row >= 0 ? active->List()->ItemAt(row) : nullptr)
            values.focusedName = item->name;
    }
    return values;
}

bool AddressBar::RunCommandText(const QString& text) {
    const MacroValues values = CurrentMacroValues();
    return m_runner.RunCommandText(text, values, values.active, HistoryItems());
}

void AddressBar::PickCommand() {
    const std::optional<QString> chosen =
        HistoryPickDialog::Pick(kCommandHistoryTitle, m_runner.History(), &m_frame);
    if (chosen)
        EditText(*chosen);
}

void AddressBar::PickFilter() {
    const std::optional<QString> chosen =
        HistoryPickDialog::Pick(kFilterHistoryTitle, VisualFilterHistory(), &m_frame);
    if (chosen)
        EditText(*chosen);
}

void AddressBar::RepeatCommand() {
    const std::optional<QString> last = m_runner.History().First();
    if (!last) {
        Notice(kHistoryEmpty);
        return;
    }
    RunCommandText(*last);
}

bool AddressBar::OnCommand(int id) {
    switch (id) {
        case ID_RUN_COMMAND:
        case ID_SHELL_COMMAND:
            EditText(id == ID_RUN_COMMAND ? QStringLiteral("> ") : QStringLiteral("$ "));
            Notice(kRunCommandNotice);
            return true;
        case ID_RUN_HISTORY:
            PickCommand();
            return true;
        case ID_FILE_FILTER_HISTORY:
            PickFilter();
            return true;
        case ID_REPEAT_COMMAND:
            RepeatCommand();
            return true;
        case ID_FILE_FILTERS:
            if (isHidden())
                show();
            Notice(kSpecifyFilterNotice);
            m_combo->lineEdit()->setFocus(Qt::OtherFocusReason);
            return true;
        case ID_INTERNAL_GO:
            m_combo->Submit();
            return true;
        default:
            return false;
    }
}

bool AddressBar::OnUpdateCommand(int id, CommandState& state) {
    switch (id) {
        case ID_RUN_COMMAND:
        case ID_SHELL_COMMAND:
        case ID_RUN_HISTORY:
        case ID_REPEAT_COMMAND:
        case ID_FILE_FILTERS:
        case ID_INTERNAL_GO:
            state.Enable(true);
            return true;
        case ID_FILE_FILTER_HISTORY:
            state.Enable(m_frame.GetActivePane() && m_frame.GetActivePane()->Model());
            return true;
        default:
            return false;
    }
}
