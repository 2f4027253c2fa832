#pragma once
// Putting names into a POSIX shell command that someone else wrote: the
// batch templates and the "$" command line, where the user types the
// command and the program fills in file names and folders.
//
// A name must reach the command as exactly its bytes and never run as
// code, wherever the template puts it. How it must be written depends on
// where it lands, as the shell reads the text:
// - in a plain word: in single quotes ('\'' for a quote), unless it is made
//   only of letters, digits and "_@+:./-" (and the word does not begin with
//   "~", which would make it a login name, and it is not a reserved word
//   such as "if" where a command's name goes); right after a bare "$" or a
//   parameter's name ("$x") an empty quoted run comes first, so the value
//   is not read as (part of) a name to expand;
// - inside the template's single quotes: each "'" closes them, is escaped
//   and opens them again;
// - inside its double quotes: "$", "`", "\" and '"' get a backslash;
// - inside a comment: a line break would end the comment and start a
//   command, so each one is written "?", as ls(1) shows it (a comment is
//   read by no program);
// - inside backquotes: the shell takes one level of backslashes from
//   "\\", "\`" and "\$" (and '\"' when the backquotes stand inside double
//   quotes) before it reads their command, so the word made for the inner
//   place gets one more backslash before each of those, per level;
// - inside "$(...)": as at the top, the command inside is read afresh.
// Some places cannot be vouched for: inside "${...}" and "$((...))", in a
// here-document (after "<<"), in a comment inside a substitution. A name
// there is refused (Quote() gives nothing); where the template itself goes
// beyond what is followed here (a backslash inside backquotes, a comment
// or "case" inside a substitution, a here-document, quotes inside
// "${...}"), every later name is refused too, since the places after it
// are no longer certain.
//
// The scanner reads the typed text one character at a time, in order,
// across line ends (a quote the template opens on one line goes on into
// the next), and is told where a value was put in; a value never changes
// where the next one lands.

#include <QString>
#include <optional>
#include <vector>

/// `value` as one word of the POSIX shell: unchanged when it is made only
/// of letters, digits and "_@+:./-" (and not empty), else in single quotes
/// with every "'" written as '\''. Quoted too are "%" (a text expanded for
/// "%NAME%" references afterwards must not find any), "," (a brace
/// expansion around it would cut it in two) and "=" (a first word with it
/// would be an assignment, not a command).
QString ShellQuoteWord(const QString& value);

class ShellContextScanner {
public:
    ShellContextScanner();

    /// Reads the typed character at `text[at]` (and, for "$(", "$((" and
    /// "${", the ones it needs to see); returns how many it read (1 or
    /// more). The characters are the caller's to copy out unchanged.
    qsizetype Advance(const QString& text, qsizetype at);

    /// `value` written for the place the text has reached, so that the
    /// shell reads exactly it; nothing when the place cannot be vouched for.
    /// With `guardOption`, a value that starts a word at the command level
    /// and begins with "-" gets "./" in front, so that no command takes it
    /// for an option.
    std::optional<QString> Quote(const QString& value, bool guardOption = false) const;

    /// Tells that a value was put in here (it is part of a word now).
    void NoteValue() {
        m_wordStart = false;
        m_param = Param::kNone;
        m_valueInWord = true;
    }

    /// Whether every later value will be refused.
    bool Lost() const { return m_lost; }

private:
    enum class Kind { kTop, kSubst, kBackquote, kSingle, kDouble, kComment, kBrace, kArith };
    struct Frame {
        Kind kind;
        bool inDouble = false;        // a backquote frame opened inside double quotes
        int parens = 0;               // open "(" of a substitution or arithmetic
        bool commandPosition = true;  // the next word would name a command
    };

    const Frame& Top() const { return m_stack.back(); }
    bool CommandLevel() const;
    bool InsideBackquotes() const;
    bool InsideSubstitution() const;
    void Push(Kind kind, bool inDouble = false) { m_stack.push_back({kind, inDouble}); }
    void CloseBackquote();
    void OpenCommands(Kind kind, bool inDouble = false);
    void EndWord();
    void StartCommand();
    qsizetype AdvanceCommand(const QString& text, qsizetype at);
    qsizetype AdvanceDollar(const QString& text, qsizetype at);
    bool ContinueParameter(QChar c);

    std::vector<Frame> m_stack;
    bool m_wordStart = true;
    bool m_lost = false;
    // Where a "$" expansion's name stands: right after the "$", or in a
    // name that may go on.
    enum class Param { kNone, kAfterDollar, kInName };
    Param m_param = Param::kNone;
    bool m_valueInWord = false;  // a value went into the word being read
    QString m_word;              // the plain word being read at the command level
};
