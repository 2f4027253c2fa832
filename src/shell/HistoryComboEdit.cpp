#include "shell/HistoryComboEdit.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>

HistoryComboEdit::HistoryComboEdit(QComboBox* combo) : QObject(combo), m_combo(combo) {
    if (!combo->isEditable())
        combo->setEditable(true);
    // Inline completion would fill in and select the rest of an entry while
    // typing, which the search would then take as a found entry.
    combo->setCompleter(nullptr);
    combo->installEventFilter(this);
    if (QLineEdit* edit = combo->lineEdit())
        edit->installEventFilter(this);
}

bool HistoryComboEdit::eventFilter(QObject* watched, QEvent* event) {
    (void)watched;
    switch (event->type()) {
        case QEvent::FocusIn:
            Reset();
            return false;
        case QEvent::KeyPress:
            return HandleKey(static_cast<QKeyEvent*>(event));
        default:
            return false;
    }
}

void HistoryComboEdit::Reset() {
    m_searchText.clear();
    m_lastMatch = -1;
}

bool HistoryComboEdit::HandleKey(QKeyEvent* event) {
    if (!m_combo)
        return false;
    const int key = event->key();
    const bool modified =
        event->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier);
    if (key == Qt::Key_F4 && !modified)
        return true;
    if ((key != Qt::Key_Up && key != Qt::Key_Down) || modified)
        return false;
    if (m_combo->view() && m_combo->view()->isVisible())
        return false;
    QLineEdit* edit = m_combo->lineEdit();
    if (!edit)
        return false;

    if (!edit->hasSelectedText() && edit->text().compare(m_searchText, Qt::CaseInsensitive) != 0) {
        m_searchText = edit->text().toUpper();
        m_lastMatch = -1;
    }
    if (m_searchText.isEmpty()) {
        if (key == Qt::Key_Down) {
            m_combo->showPopup();
            return true;
        }
        return false;
    }

    const int step = key == Qt::Key_Down ? 1 : -1;
    for (int i = m_lastMatch + step; i >= 0 && i < m_combo->count(); i += step) {
        const QString entry = m_combo->itemText(i);
        if (entry.toUpper().contains(m_searchText)) {
            edit->setText(entry);
            edit->selectAll();
            m_lastMatch = i;
            break;
        }
    }
    return true;
}
