#pragma once
// HistoryComboEdit: the keyboard search of every history combo box. Typing
// part of an entry and pressing Up or Down walks through the entries of the
// drop-down list that contain the typed text, compared without case; the
// found entry replaces the edit text, selected, so the same key continues
// the search from there.
//
// Rules (the combo's drop-down list closed, no Ctrl, Shift or Alt held):
// - When the edit has no selection and its text differs (without case) from
//   the search text, the edit text becomes the search text and the search
//   starts over.
// - An empty search text leaves the key to the combo, except that Down
//   opens the drop-down list.
// - Otherwise Down searches towards the end of the list and Up towards the
//   front, from the last match; when nothing more matches, nothing changes.
//   The key is consumed either way.
// - F4 does nothing (Down is the key that opens the list).
// - Gaining the focus forgets the search.
//
// The helper is a child of its combo and lives as long as it. Main thread.

#include <QObject>
#include <QPointer>
#include <QString>

class QComboBox;
class QKeyEvent;

class HistoryComboEdit : public QObject {
    Q_OBJECT

public:
    /// Attaches the search to `combo` (made editable if it is not).
    explicit HistoryComboEdit(QComboBox* combo);

    /// The current search text (upper-cased) and the index of the last
    /// match (-1 for none), for tests.
    const QString& SearchText() const { return m_searchText; }
    int LastMatch() const { return m_lastMatch; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool HandleKey(QKeyEvent* event);
    void Reset();

    QPointer<QComboBox> m_combo;
    QString m_searchText;
    int m_lastMatch = -1;
};
