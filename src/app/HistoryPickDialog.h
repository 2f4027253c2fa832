#pragma once
// HistoryPickDialog: picks a text from a history list without a combo box on
// screen (the visual filter history of Ctrl+H, the command history of
// Ctrl+F10). A modal dialog with the given caption, an icon, the text
// "Select an item from the history list. Editing before selection is also
// permissible.", one drop-down combo with the history's keyboard search,
// and "Ok" and "Cancel".
//
// On opening the combo holds the list's first "nHistoryItems" entries and
// shows the most recent one. On Ok the edit text (at most 128 characters) is
// the result, and it goes to the front of the list.
//
// Main thread only.

#include <QDialog>
#include <QString>
#include <functional>
#include <optional>

class HistoryList;
class QComboBox;

/// The longest text the dialog gives back.
inline constexpr int kHistoryPickMaxLength = 128;

class HistoryPickDialog : public QDialog {
    Q_OBJECT

public:
    /// How the dialog is run: exec() unless a test installed its own
    /// runner (which may fill the combo and call accept() or reject()).
    using Runner = std::function<int(HistoryPickDialog&)>;

    HistoryPickDialog(const QString& title, HistoryList& list, QWidget* parent = nullptr);

    /// Runs a dialog over `list`: the chosen text on Ok, nullopt on Cancel.
    static std::optional<QString> Pick(const QString& title, HistoryList& list, QWidget* parent);
    /// Installs a runner (null: exec()); gives back the previous one.
    static Runner SetRunner(Runner runner);

    QComboBox* Combo() const { return m_combo; }
    /// The text taken at Ok; empty before.
    const QString& ChosenText() const { return m_chosen; }

    void accept() override;

private:
    HistoryList& m_list;
    QComboBox* m_combo = nullptr;
    QString m_chosen;
};
