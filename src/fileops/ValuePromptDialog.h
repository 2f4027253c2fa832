#pragma once
// ValuePromptDialog: a prompt text and one edit field, holding either a
// whole number between two bounds or a text; OK and Cancel. Split asks its
// chunk size with it, merge its target name. It is shown through the
// prompter's input box (Prompter.h), so tests answer it from a script.
//
// A number outside its bounds, or not a number, is refused the way dialog
// validation refuses it: a warning names the bounds and the field is asked
// for again, with the text the user typed.
//
// Main thread only.

#include <QString>
#include <cstdint>
#include <optional>

class QWidget;

class ValuePromptDialog {
public:
    /// A prompt for a text, offering `initial`.
    ValuePromptDialog(QString prompt, QString initial);
    /// A prompt for a number between `lower` and `upper` (inclusive),
    /// offering `initial`.
    ValuePromptDialog(QString prompt, std::int64_t initial, std::int64_t lower, std::int64_t upper);

    /// Shown with this title (empty: the application's name).
    void SetTitle(const QString& title) { m_title = title; }

    /// Asks until the user gives a valid value (true) or cancels (false).
    bool DoModal(QWidget* parent = nullptr);

    /// The value given (or the initial one before DoModal).
    const QString& Text() const { return m_text; }
    std::int64_t Number() const { return m_number; }

    /// The warning shown for a number out of bounds.
    static QString BoundsText(std::int64_t lower, std::int64_t upper);

private:
    QString m_prompt;
    QString m_title;
    QString m_text;
    bool m_isNumber = false;
    std::int64_t m_number = 0;
    std::int64_t m_lower = 0;
    std::int64_t m_upper = 0;
};
