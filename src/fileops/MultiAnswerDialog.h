#pragma once
// MultiAnswerDialog: the four-answer question ("&Yes", "Yes to &all",
// "&No", "N&o to all") that hard links, split and any later batch of
// overwrites ask per conflict. It is shown through the prompter (Prompter.h),
// so tests answer it from a script.
//
// Results keep the numbers the callers compare against: 6 yes, 5 yes to
// all, 7 no, 2 no to all. Closing the box without a button (Escape, the
// window's close button) answers "N&o to all": the safe way out of a batch.
//
// Main thread only.

#include <QString>

#include "platform/ui/Prompter.h"

class QWidget;

class MultiAnswerDialog {
public:
    enum Result { kYes = 6, kYesToAll = 5, kNo = 7, kNoToAll = 2 };

    /// A box titled `title` that shows `message` with `icon`; the button of
    /// `defaultResult` (one of Result) has the focus.
    MultiAnswerDialog(QString title, QString message, PromptIcon icon = PromptIcon::Question,
                      int defaultResult = kYes);

    /// Asks and waits; one of Result.
    int DoModal(QWidget* parent = nullptr) const;

    /// The buttons' texts, in the order they show.
    static const QStringList& AnswerTexts();

private:
    QString m_title;
    QString m_message;
    PromptIcon m_icon;
    int m_defaultResult;
};
