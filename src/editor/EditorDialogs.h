#pragma once
// The editor's dialogs: find, replace, the number prompt of go to line and
// tab width, the colour scheme, and the AutoText define, edit and mnemonics
// windows. Each keeps its checks in functions a test can call; RunEditorDialog
// is the one place that shows a dialog modally, and tests replace it.

#include <QDialog>
#include <QString>
#include <functional>
#include <optional>

class CEditorView;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class ReplaceSession;

/// Shows `dialog` window-modally and waits: true when accepted.
using EditorDialogRunner = std::function<bool(QDialog& dialog)>;
/// Installs a runner (tests fill and accept the dialog themselves); gives
/// back the previous one. Null restores the real one.
EditorDialogRunner SetEditorDialogRunner(EditorDialogRunner runner);
bool RunEditorDialog(QDialog& dialog);

/// The number prompt: `prompt` with the range; asks again with "Please enter
/// an integer between %1 and %2." while the answer is outside it. nullopt
/// when cancelled.
std::optional<int> AskNumber(QWidget* parent, const QString& prompt, int minimum, int maximum,
                             int initial);

/// "Find Text".
class FindDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr int kMaxText = 120;
    FindDialog(const QString& initial, QWidget* parent);
    QComboBox* FindWhat() const { return m_find; }
    QCheckBox* MatchCase() const { return m_matchCase; }
    QCheckBox* WholeWords() const { return m_wholeWords; }
    QCheckBox* Backwards() const { return m_backwards; }
    QCheckBox* Cyclic() const { return m_cyclic; }
    /// "Find Next": refuses an empty text (message), else stores the options
    /// and accepts.
    void OnFindNext();

private:
    QComboBox* m_find;
    QCheckBox* m_matchCase;
    QCheckBox* m_wholeWords;
    QCheckBox* m_backwards;
    QCheckBox* m_cyclic;
};

/// "Replace Text", over a ReplaceSession.
class ReplaceDialog : public QDialog {
    Q_OBJECT

public:
    ReplaceDialog(ReplaceSession& session, QWidget* parent);

    QComboBox* FindWhat() const { return m_find; }
    QComboBox* ReplaceWith() const { return m_replace; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void TakeValues();
    void UpdateButtons();
    void MoveOutOfTheWay();

    ReplaceSession& m_session;
    QComboBox* m_find;
    QComboBox* m_replace;
    QCheckBox* m_matchCase;
    QCheckBox* m_wholeWords;
    QCheckBox* m_backwards;
    QCheckBox* m_selectionOnly;
    QPushButton* m_replaceButton;
    QPushButton* m_replaceAllButton;
    QPushButton* m_findNextButton;
    CEditorView* m_view;
    bool m_moveWhenShown = false;
};

/// "Editor color scheme".
class ColorSchemeDialog : public QDialog {
    Q_OBJECT

public:
    /// The sixteen fixed colours (0x00BBGGRR) after "Auto".
    static const std::array<int, 16>& FixedColors();

    /// `editMode` picks the system defaults that "Auto" shows.
    ColorSchemeDialog(bool editMode, QWidget* parent);
    QComboBox* Foreground() const { return m_fore; }
    QComboBox* Background() const { return m_back; }
    QCheckBox* OverrideReadOnly() const { return m_override; }
    /// OK: the same colour twice (not Auto) is refused with "The two colors
    /// should not be the same"; otherwise the settings take the values.
    void OnOk();
    /// The value an entry stands for: -1 for "Auto".
    static int ValueOf(int index);

private:
    void UpdateSample();

    QComboBox* m_fore;
    QComboBox* m_back;
    QCheckBox* m_override;
    QLabel* m_sample;
    QColor m_autoFore;
    QColor m_autoBack;
};

/// "Add or edit AutoText items".
class AutoTextDefineDialog : public QDialog {
    Q_OBJECT

public:
    explicit AutoTextDefineDialog(QWidget* parent);
    QListWidget* Slots() const { return m_list; }
    /// "Edit...": the edit dialog for the selected slot (none: beep).
    void OnEdit();

private:
    QListWidget* m_list;
};

/// "Edit autoText block" for one slot.
class AutoTextEditDialog : public QDialog {
    Q_OBJECT

public:
    AutoTextEditDialog(int slot, QWidget* parent);
    QLineEdit* Name() const { return m_name; }
    QPlainTextEdit* Body() const { return m_text; }
    QSpinBox* Backtrack() const { return m_backtrack; }
    /// "Ok": the checks of the AutoText rules; on success the slot takes the
    /// values and the dialog is accepted.
    void OnOk();

private:
    int m_slot;
    QLineEdit* m_name;
    QPlainTextEdit* m_text;
    QSpinBox* m_backtrack;
};

/// The mnemonics window "Autotext <Ctrl+xx>": the ten slots; choosing one
/// runs `insert` with its number.
class MnemonicsWindow : public QWidget {
    Q_OBJECT

public:
    MnemonicsWindow(std::function<void(int slot)> insert, QWidget* parent);
    ~MnemonicsWindow() override;
    QListWidget* List() const { return m_list; }
    void Refresh();
    /// Enter or a double click on a row (no row: beep).
    void Choose();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QListWidget* m_list;
    std::function<void(int)> m_insert;
};

inline const QString kSameColorsMessage = QStringLiteral("The two colors should not be the same");
inline const QString kMnemonicsSection = QStringLiteral("Autotext Memo");
