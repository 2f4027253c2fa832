#include "app/FunctionKeyBar.h"

#include <QAction>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QRegularExpression>
#include <QToolButton>

#include "app/CommandTable.h"
#include "platform/ui/CommandManager.h"
#include "shell/CommandIds.h"

namespace {

constexpr Qt::KeyboardModifiers kShownModifiers =
    Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier;

// Menu texts carry mnemonics and key hints; a button has room for neither.
QString PlainMenuText(const QString& menuText) {
    QString text = menuText.section(QLatin1Char('\t'), 0, 0);
    text.remove(QRegularExpression(QStringLiteral("&(?!&)")));
    text.remove(QStringLiteral("..."));
    return text.trimmed();
}

}  // namespace

const QList<FunctionKeyBar::Slot>& FunctionKeyBar::Slots() {
    static const QList<Slot> slots = {
        {QKeyCombination(Qt::Key_F2), QStringLiteral("F2")},
        {QKeyCombination(Qt::Key_F3), QStringLiteral("F3")},
        {QKeyCombination(Qt::Key_F4), QStringLiteral("F4")},
        {QKeyCombination(Qt::Key_F5), QStringLiteral("F5")},
        {QKeyCombination(Qt::Key_F6), QStringLiteral("F6")},
        {QKeyCombination(Qt::Key_F7), QStringLiteral("F7")},
        {QKeyCombination(Qt::Key_F8), QStringLiteral("F8")},
        {QKeyCombination(Qt::Key_Delete), QStringLiteral("Del")},
        {QKeyCombination(Qt::AltModifier, Qt::Key_X), QStringLiteral("Alt+X")},
    };
    return slots;
}

int FunctionKeyBar::CommandForKey(QKeyCombination key) {
    if (key.key() == Qt::Key_Delete &&
        (key.keyboardModifiers() & ~Qt::ShiftModifier) == Qt::NoModifier)
        return ID_FILE_DELETE;
    const QKeySequence wanted(key);
    for (const CommandInfo& info : KeyTable()) {
        for (const QKeySequence& shortcut : info.shortcuts) {
            if (shortcut == wanted)
                return info.id;
        }
    }
    return 0;
}

QString FunctionKeyBar::ShortName(int id) {
    switch (id) {
        case ID_FILE_RENAME:
            return QStringLiteral("Rename");
        case ID_FILE_VIEW:
            return QStringLiteral("View");
        case ID_FILE_EDIT:
            return QStringLiteral("Edit");
        case ID_FILE_COPYTO:
            return QStringLiteral("Copy");
        case ID_FILE_MOVETO:
            return QStringLiteral("Move");
        case ID_NEW_FILE:
            return QStringLiteral("New file");
        case ID_NEW_FOLDER:
            return QStringLiteral("New folder");
        case ID_FILE_DELETE:
            return QStringLiteral("Delete");
        case ID_APP_EXIT:
            return QStringLiteral("Exit");
        case ID_DRIVE_LEFT:
            return QStringLiteral("Left volume");
        case ID_DRIVE_RIGHT:
            return QStringLiteral("Right volume");
        default:
            break;
    }
    const CommandInfo* info = FindCommandInfo(id);
    return info != nullptr ? PlainMenuText(info->menuText) : QString();
}

FunctionKeyBar::FunctionKeyBar(CommandManager& commands, QWidget* parent)
    : QToolBar(QStringLiteral("Function keys"), parent), m_commands(commands) {
    setObjectName(QStringLiteral("FunctionKeyBar"));
    setMovable(false);
    setFloatable(false);
    setAllowedAreas(Qt::BottomToolBarArea);
    setToolButtonStyle(Qt::ToolButtonTextOnly);
    setFocusPolicy(Qt::NoFocus);
    for (int i = 0; i < Slots().size(); ++i) {
        auto* button = new QToolButton(this);
        button->setFocusPolicy(Qt::NoFocus);
        button->setAutoRaise(false);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        button->setObjectName(QStringLiteral("fkey_") + Slots()[i].keyText);
        connect(button, &QToolButton::clicked, this, [this, i] { Run(i); });
        addWidget(button);
        m_buttons.append(button);
        m_ids.append(0);
    }
    ShowModifiers(Qt::NoModifier);
    // Modifier presses reach whichever widget has the focus; the bar only
    // listens.
    if (QCoreApplication::instance() != nullptr)
        QCoreApplication::instance()->installEventFilter(this);
}

FunctionKeyBar::~FunctionKeyBar() = default;

void FunctionKeyBar::ShowModifiers(Qt::KeyboardModifiers modifiers) {
    modifiers &= kShownModifiers;
    m_shown = modifiers;
    for (int i = 0; i < Slots().size(); ++i) {
        const Slot& slot = Slots()[i];
        // Alt+X keeps its own Alt; the others take the held modifiers.
        const Qt::KeyboardModifiers own = slot.key.keyboardModifiers();
        const QKeyCombination key(own | modifiers, slot.key.key());
        const int id = CommandForKey(key);
        m_ids[i] = id;
        const QString keyText = KeyDisplayText(QKeySequence(key));
        QString name = id != 0 ? ShortName(id) : QString();
        if (id == ID_FILE_DELETE && (modifiers & Qt::ShiftModifier))
            name = QStringLiteral("Delete permanently");
        QToolButton* button = m_buttons[i];
        button->setText(name.isEmpty() ? keyText : keyText + QLatin1Char(' ') + name);
        button->setEnabled(id != 0);
        const CommandInfo* info = id != 0 ? FindCommandInfo(id) : nullptr;
        button->setToolTip(info != nullptr ? StatusPromptOf(info->prompt) : QString());
    }
}

int FunctionKeyBar::CommandAt(int index) const {
    return index >= 0 && index < m_ids.size() ? m_ids[index] : 0;
}

QString FunctionKeyBar::TextAt(int index) const {
    return index >= 0 && index < m_buttons.size() ? m_buttons[index]->text() : QString();
}

QToolButton* FunctionKeyBar::ButtonAt(int index) const {
    return index >= 0 && index < m_buttons.size() ? m_buttons[index] : nullptr;
}

void FunctionKeyBar::Run(int index) {
    if (const int id = CommandAt(index))
        m_commands.Execute(id);
}

bool FunctionKeyBar::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
        const auto* key = static_cast<QKeyEvent*>(event);
        Qt::KeyboardModifier own = Qt::NoModifier;
        switch (key->key()) {
            case Qt::Key_Shift:
                own = Qt::ShiftModifier;
                break;
            case Qt::Key_Control:
                own = Qt::ControlModifier;
                break;
            case Qt::Key_Alt:
                own = Qt::AltModifier;
                break;
            default:
                break;
        }
        if (own != Qt::NoModifier) {
            // X11 gives a modifier's own event the state from before it.
            Qt::KeyboardModifiers now = key->modifiers();
            if (event->type() == QEvent::KeyPress)
                now |= own;
            else
                now &= ~Qt::KeyboardModifiers(own);
            if ((now & kShownModifiers) != m_shown)
                ShowModifiers(now);
        }
    } else if (event->type() == QEvent::ApplicationDeactivate && m_shown != Qt::NoModifier) {
        // A modifier let go in another program's window never reaches us.
        ShowModifiers(Qt::NoModifier);
    }
    return QToolBar::eventFilter(watched, event);
}
