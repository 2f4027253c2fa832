#pragma once
// The prompter service: every message box, question, input box and beep of
// the program goes through the installed Prompter. The real one (QtPrompter)
// shows Qt dialogs; tests install a ScriptedPrompter (ScriptedPrompter.h) that
// answers from a script and records what was asked. Nothing else in the
// program creates a QMessageBox or calls QApplication::beep().
//
// Main thread only: prompts are modal dialogs, and widgets live there. A
// worker that must ask (a file operation in the background) installs a
// prompter of its own for its thread (ThreadPrompterScope), which hands the
// question to the main thread and waits for the answer.

#include <QList>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

class QWidget;

/// The buttons of a message box, in the order they show.
enum class PromptButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel, AbortRetryIgnore };
enum class PromptIcon { None, Information, Question, Warning, Error };
/// Answers, with the numbers the program's logic compares against: 1 OK,
/// 2 Cancel, 3 Abort, 4 Retry, 5 Ignore, 6 Yes, 7 No.
enum class PromptAnswer { Ok = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7 };
/// Kinds of beep the program asks for (the desktop may sound them alike).
enum class BeepKind { Default, Exclamation, Error, Question, Information };

struct PromptRequest {
    QString text;
    QString title;  // empty: the application name
    PromptButtons buttons = PromptButtons::Ok;
    PromptIcon icon = PromptIcon::None;
    int defaultButton = 0;  // index of the default button, 0 = first (out of range: first)
    QWidget* parent = nullptr;
};

/// A question with answers of its own (the four-answer box "&Yes",
/// "Yes to &all", "&No", "N&o to all", the conflict questions of file
/// operations). The answer is the index of the chosen text, or -1 when the
/// box was closed without one.
struct ChoiceRequest {
    QString text;
    QString title;
    QStringList answers;
    int defaultAnswer = 0;
    int escapeAnswer = -1;  // answer for Escape / close; -1 = none
    PromptIcon icon = PromptIcon::Question;
    QWidget* parent = nullptr;
};

struct InputRequest {
    QString prompt;
    QString title;
    QString initialText;
    int maxLength = 0;    // 0: no limit
    bool secret = false;  // a password: typed characters are not shown
    QWidget* parent = nullptr;
};

class Prompter {
public:
    virtual ~Prompter() = default;
    /// Asks and waits; the answer is one of PromptButtonAnswers(buttons).
    virtual PromptAnswer MessageBox(const PromptRequest& request) = 0;
    /// The index of the chosen answer, or -1 (see ChoiceRequest).
    virtual int Choose(const ChoiceRequest& request) = 0;
    /// The text typed, or nullopt when cancelled.
    virtual std::optional<QString> InputBox(const InputRequest& request) = 0;
    /// The folder picker: a chosen folder path, or nullopt when cancelled.
    virtual std::optional<QString> BrowseForFolder(const QString& title, const QString& initialPath,
                                                   QWidget* parent) = 0;
    virtual void Beep(BeepKind kind) = 0;
};

/// The real prompter: QMessageBox for MessageBox() and Choose(), QInputDialog
/// for InputBox(), QFileDialog::getExistingDirectory() for BrowseForFolder(),
/// QApplication::beep() for every kind of beep (the desktop has one sound).
/// A prompt with a parent is window-modal: it blocks that window only, so a
/// question in one editor window leaves the panes and other editors usable.
/// An empty title shows the application's display name. Without a
/// QApplication (a command-line tool) nothing is shown: the text goes to the
/// log and the answer is the safest one (SafestAnswer(), -1, nullopt).
class QtPrompter : public Prompter {
public:
    PromptAnswer MessageBox(const PromptRequest& request) override;
    int Choose(const ChoiceRequest& request) override;
    std::optional<QString> InputBox(const InputRequest& request) override;
    std::optional<QString> BrowseForFolder(const QString& title, const QString& initialPath,
                                           QWidget* parent) override;
    void Beep(BeepKind kind) override;
};

/// The installed prompter (a QtPrompter, created when first asked for, unless
/// a test installed another).
Prompter& Prompts();
/// While it lives, Prompts() called on the thread that made it gives
/// `prompter` (not owned) instead of the installed one; other threads are not
/// affected. Scopes nest.
class ThreadPrompterScope {
public:
    explicit ThreadPrompterScope(Prompter* prompter);
    ~ThreadPrompterScope();
    ThreadPrompterScope(const ThreadPrompterScope&) = delete;
    ThreadPrompterScope& operator=(const ThreadPrompterScope&) = delete;

private:
    Prompter* m_previous;
};

/// Installs a prompter and gives back the previous one (null when none had
/// been made yet). Installing null brings back a QtPrompter on next use.
std::unique_ptr<Prompter> InstallPrompter(std::unique_ptr<Prompter> prompter);

/// The answers a box with `buttons` can give, in the order the buttons show.
QList<PromptAnswer> PromptButtonAnswers(PromptButtons buttons);
/// The answer that changes nothing: Cancel where there is one, else No, else
/// Abort; Ok for a box that has only Ok.
PromptAnswer SafestAnswer(PromptButtons buttons);

// Shorthands. AskYesNo() shows a Yes/No question and is true for Yes.
PromptAnswer MessageBoxText(const QString& text, PromptButtons buttons = PromptButtons::Ok,
                            PromptIcon icon = PromptIcon::None, QWidget* parent = nullptr);
bool AskYesNo(const QString& text, QWidget* parent = nullptr);
void Beep(BeepKind kind = BeepKind::Default);

/// The program's name as a box without a title of its own shows it
/// ("Corvane"); until it is set, the application's display name (which Qt
/// takes from the executable's file name, in lower case).
void SetProgramTitle(const QString& title);
/// `title`, or the program's name when `title` is empty.
QString PromptTitle(const QString& title);
