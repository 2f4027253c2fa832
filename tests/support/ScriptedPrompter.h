#pragma once
// ScriptedPrompter: the prompter tests install. It answers from a script, in
// order, and records every request and every beep, so a test can check what
// the user would have been asked and drive the program's answers without a
// screen.
//
// The script is one queue for all kinds of prompt. A request takes the next
// scripted answer when that answer is of its kind (a message-box answer for
// MessageBox(), a choice for Choose(), and so on). When the script is empty
// or its next answer is of another kind, the request is recorded as
// unexpected, gets the safest answer (SafestAnswer(): Cancel, No or Abort; -1
// for a choice; nullopt for an input or a folder) and the script stays as it
// is. A scripted answer the prompt can't give (Yes for an Ok/Cancel box, a
// choice out of range) is used up, and the request is recorded as unexpected
// and answered safely as well.
//
// A box with only an Ok button is a notice, not a question: it is answered Ok
// and recorded without taking an answer from the script (see
// SetScriptNotices() to change that).

#include <QList>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

#include "platform/ui/Prompter.h"

enum class PromptKind { MessageBox, Choose, InputBox, BrowseForFolder };

/// One entry of the script: the answer to one prompt of `kind`.
struct ScriptedAnswer {
    PromptKind kind = PromptKind::MessageBox;
    PromptAnswer answer = PromptAnswer::Cancel;  // MessageBox
    int choice = -1;                             // Choose
    std::optional<QString> text;                 // InputBox, BrowseForFolder

    static ScriptedAnswer Message(PromptAnswer answer);
    static ScriptedAnswer Choice(int index);
    static ScriptedAnswer Input(std::optional<QString> text);
    static ScriptedAnswer Folder(std::optional<QString> path);
};

/// What was asked and what was answered.
struct PromptRecord {
    PromptKind kind = PromptKind::MessageBox;
    QString text;  // the message, the choice's text, the input prompt; empty for a folder
    QString title;
    PromptButtons buttons = PromptButtons::Ok;  // MessageBox
    PromptIcon icon = PromptIcon::None;         // MessageBox, Choose
    int defaultButton = 0;                      // MessageBox, Choose (default answer)
    int escapeAnswer = -1;                      // Choose
    QStringList answers;                        // Choose
    QString initialText;  // InputBox: the text offered; BrowseForFolder: the initial path
    int maxLength = 0;    // InputBox
    bool secret = false;  // InputBox: a password question

    PromptAnswer answer = PromptAnswer::Cancel;  // MessageBox: the answer given
    int choice = -1;                             // Choose: the answer given
    std::optional<QString> reply;                // InputBox, BrowseForFolder: the answer given
    bool unexpected = false;  // no fitting scripted answer: the safest one was given
};

class ScriptedPrompter : public Prompter {
public:
    ScriptedPrompter() = default;

    // Appends to the script; each returns *this so that answers chain:
    // prompter.AnswerMessage(PromptAnswer::Yes).AnswerInput("name").
    ScriptedPrompter& AnswerMessage(PromptAnswer answer);
    ScriptedPrompter& AnswerChoice(int index);
    ScriptedPrompter& AnswerInput(std::optional<QString> text);
    ScriptedPrompter& AnswerFolder(std::optional<QString> path);
    ScriptedPrompter& Script(const ScriptedAnswer& answer);

    /// When on, Ok-only boxes take their answer from the script like any
    /// other box. Off by default.
    void SetScriptNotices(bool on) { m_scriptNotices = on; }

    /// Every prompt so far, in order.
    const QList<PromptRecord>& Requests() const { return m_requests; }
    /// The prompts that found no fitting answer in the script.
    QList<PromptRecord> Unexpected() const;
    /// Every beep so far, in order.
    const QList<BeepKind>& Beeps() const { return m_beeps; }
    /// Scripted answers not yet used.
    qsizetype RemainingAnswers() const { return m_script.size(); }
    /// True when every scripted answer was used and nothing was unexpected.
    bool AllAnswered() const { return m_script.isEmpty() && Unexpected().isEmpty(); }
    /// A readable list of the requests, for test failure messages.
    QString Describe() const;
    /// Forgets the script, the requests and the beeps.
    void Clear();

    PromptAnswer MessageBox(const PromptRequest& request) override;
    int Choose(const ChoiceRequest& request) override;
    std::optional<QString> InputBox(const InputRequest& request) override;
    std::optional<QString> BrowseForFolder(const QString& title, const QString& initialPath,
                                           QWidget* parent) override;
    void Beep(BeepKind kind) override;

private:
    // The next scripted answer when it is of `kind`; it is removed.
    std::optional<ScriptedAnswer> Take(PromptKind kind);

    QList<ScriptedAnswer> m_script;
    QList<PromptRecord> m_requests;
    QList<BeepKind> m_beeps;
    bool m_scriptNotices = false;
};

/// Installs a new ScriptedPrompter for its lifetime and puts the previous
/// prompter back when destroyed (the scripted one and its records go with
/// it). Not copyable; nest freely.
class ScopedPrompter {
public:
    ScopedPrompter();
    ~ScopedPrompter();
    ScopedPrompter(const ScopedPrompter&) = delete;
    ScopedPrompter& operator=(const ScopedPrompter&) = delete;

    ScriptedPrompter& Get() const { return *m_prompter; }
    ScriptedPrompter& operator*() const { return *m_prompter; }
    ScriptedPrompter* operator->() const { return m_prompter; }

private:
    ScriptedPrompter* m_prompter;  // owned by the prompter service while installed
    std::unique_ptr<Prompter> m_previous;
};
