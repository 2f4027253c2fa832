#include "platform/process/ShellQuoting.h"

#include <QStringList>
#include <algorithm>

namespace {

bool IsPlainWordCharacter(QChar c) {
    const char16_t u = c.unicode();
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') ||
           QStringView(u"_@+:./-").contains(c);
}

bool EndsWord(QChar c) {
    return QStringView(u" \t\n;&|<>").contains(c);
}

QChar At(const QString& text, qsizetype at) {
    return at < text.size() ? text.at(at) : QChar();
}

QString WithBackslashBefore(const QString& value, QStringView special) {
    QString out;
    out.reserve(value.size() + 8);
    for (QChar c : value) {
        if (special.contains(c))
            out += u'\\';
        out += c;
    }
    return out;
}

bool IsReservedWord(const QString& word) {
    static const QStringList kReserved = {
        QStringLiteral("if"),    QStringLiteral("then"),     QStringLiteral("else"),
        QStringLiteral("elif"),  QStringLiteral("fi"),       QStringLiteral("do"),
        QStringLiteral("done"),  QStringLiteral("case"),     QStringLiteral("esac"),
        QStringLiteral("while"), QStringLiteral("until"),    QStringLiteral("for"),
        QStringLiteral("in"),    QStringLiteral("function"), QStringLiteral("select"),
        QStringLiteral("time"),  QStringLiteral("{"),        QStringLiteral("}"),
        QStringLiteral("!")};
    return kReserved.contains(word);
}

QString QuotedAlways(const QString& value) {
    QString out = value;
    out.replace(u'\'', QStringLiteral("'\\''"));
    return u'\'' + out + u'\'';
}

}  // namespace

QString ShellQuoteWord(const QString& value) {
    if (!value.isEmpty() && std::all_of(value.begin(), value.end(), IsPlainWordCharacter))
        return value;
    return QuotedAlways(value);
}

ShellContextScanner::ShellContextScanner() {
    Push(Kind::kTop);
}

bool ShellContextScanner::CommandLevel() const {
    const Kind kind = Top().kind;
    return kind == Kind::kTop || kind == Kind::kSubst || kind == Kind::kBackquote;
}

bool ShellContextScanner::InsideBackquotes() const {
    return std::any_of(m_stack.begin(), m_stack.end(),
                       [](const Frame& f) { return f.kind == Kind::kBackquote; });
}

bool ShellContextScanner::InsideSubstitution() const {
    return std::any_of(m_stack.begin(), m_stack.end(),
                       [](const Frame& f) { return f.kind == Kind::kSubst; });
}

// The shell finds the end of backquotes before it reads what they hold, so
// the first backquote closes them whatever quotes were opened inside.
void ShellContextScanner::CloseBackquote() {
    while (m_stack.size() > 1) {
        const Kind kind = Top().kind;
        m_stack.pop_back();
        if (kind == Kind::kBackquote)
            break;
    }
    // The outer word goes on, with something in it now.
    m_word = QStringLiteral("`");
    m_valueInWord = false;
    m_wordStart = false;
}

void ShellContextScanner::OpenCommands(Kind kind, bool inDouble) {
    // The command inside starts afresh; the word around it is not ended.
    m_word.clear();
    m_valueInWord = false;
    Push(kind, inDouble);
    m_wordStart = true;
}

// A "case" inside "$(...)" has patterns ending in ")", which would look
// like the substitution's end.
void ShellContextScanner::EndWord() {
    if (m_word == QLatin1String("case") && InsideSubstitution())
        m_lost = true;
    // After a reserved word a command's name may follow; after any other
    // word, its arguments.
    if (!m_word.isEmpty() || m_valueInWord) {
        for (auto it = m_stack.rbegin(); it != m_stack.rend(); ++it) {
            if (it->kind == Kind::kTop || it->kind == Kind::kSubst ||
                it->kind == Kind::kBackquote) {
                it->commandPosition = !m_valueInWord && IsReservedWord(m_word);
                break;
            }
        }
    }
    m_word.clear();
    m_valueInWord = false;
}

void ShellContextScanner::StartCommand() {
    EndWord();
    m_stack.back().commandPosition = true;
    m_wordStart = true;
}

qsizetype ShellContextScanner::AdvanceDollar(const QString& text, qsizetype at) {
    const QChar next = At(text, at + 1);
    if (next == u'(') {
        if (At(text, at + 2) == u'(') {
            Push(Kind::kArith);
            return 3;
        }
        OpenCommands(Kind::kSubst);
        return 2;
    }
    if (next == u'{') {
        Push(Kind::kBrace);
        return 2;
    }
    m_word += u'$';
    m_wordStart = false;
    m_param = Param::kAfterDollar;
    return 1;
}

bool ShellContextScanner::ContinueParameter(QChar c) {
    const Param param = m_param;
    m_param = Param::kNone;
    if (param == Param::kNone)
        return false;
    const Kind kind = Top().kind;
    if (kind != Kind::kTop && kind != Kind::kSubst && kind != Kind::kBackquote &&
        kind != Kind::kDouble)
        return false;
    const char16_t u = c.unicode();
    const bool nameChar =
        (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || u == '_' || (u >= '0' && u <= '9');
    if (param == Param::kAfterDollar) {
        // "$$", "$#", "$1" and the like: the character is the parameter.
        if ((u >= '0' && u <= '9') || QStringView(u"$@*#?!-").contains(c))
            return true;
        if (nameChar) {
            m_param = Param::kInName;
            return true;
        }
        return false;
    }
    if (nameChar) {
        m_param = Param::kInName;
        return true;
    }
    return false;
}

qsizetype ShellContextScanner::AdvanceCommand(const QString& text, qsizetype at) {
    const QChar c = text.at(at);
    if (c == u'\\') {
        // Inside backquotes a backslash is read twice, once to find their
        // end and once by the command inside.
        if (InsideBackquotes())
            m_lost = true;
        if (At(text, at + 1) == u'\n')
            return 2;  // a continued line
        m_word += c;
        m_wordStart = false;
        return at + 1 < text.size() ? 2 : 1;
    }
    if (c == u'\'' || c == u'"') {
        Push(c == u'\'' ? Kind::kSingle : Kind::kDouble);
        m_word += c;
        return 1;  // still at the start of the word, for the option guard
    }
    if (c == u'`') {
        if (InsideBackquotes())
            CloseBackquote();
        else
            OpenCommands(Kind::kBackquote);
        return 1;
    }
    if (c == u'$')
        return AdvanceDollar(text, at);
    if (c == u'#' && m_wordStart) {
        if (InsideBackquotes() || InsideSubstitution())
            m_lost = true;
        Push(Kind::kComment);
        return 1;
    }
    if (c == u'<' && At(text, at + 1) == u'<') {
        // A here-document: the lines after this one are its body.
        m_lost = true;
        EndWord();
        m_wordStart = true;
        return 2;
    }
    if (c == u'(' || c == u')') {
        EndWord();
        Frame& frame = m_stack.back();
        if (frame.kind == Kind::kSubst && c == u')') {
            if (frame.parens == 0) {
                m_stack.pop_back();
                m_word = QStringLiteral(")");
                m_wordStart = false;
                return 1;
            }
            --frame.parens;
        } else if (frame.kind == Kind::kSubst) {
            ++frame.parens;
        }
        if (c == u'(')
            m_stack.back().commandPosition = true;
        m_wordStart = true;
        return 1;
    }
    if (c == u'\n' || c == u';' || c == u'&' || c == u'|') {
        StartCommand();
        return 1;
    }
    if (EndsWord(c)) {
        EndWord();
        m_wordStart = true;
        return 1;
    }
    m_word += c;
    m_wordStart = false;
    return 1;
}

qsizetype ShellContextScanner::Advance(const QString& text, qsizetype at) {
    const QChar c = text.at(at);
    if (ContinueParameter(c)) {
        m_wordStart = false;
        return 1;
    }
    Frame& frame = m_stack.back();
    switch (frame.kind) {
        case Kind::kTop:
        case Kind::kSubst:
        case Kind::kBackquote:
            return AdvanceCommand(text, at);
        case Kind::kSingle:
            if (c == u'\\' && InsideBackquotes())
                m_lost = true;
            if (c == u'\'')
                m_stack.pop_back();
            else if (c == u'`' && InsideBackquotes())
                CloseBackquote();
            m_wordStart = false;
            return 1;
        case Kind::kDouble:
            m_wordStart = false;
            if (c == u'\\') {
                if (InsideBackquotes())
                    m_lost = true;
                return at + 1 < text.size() ? 2 : 1;
            }
            if (c == u'"') {
                m_stack.pop_back();
            } else if (c == u'`') {
                if (InsideBackquotes())
                    CloseBackquote();
                else
                    OpenCommands(Kind::kBackquote, true);
            } else if (c == u'$') {
                const qsizetype used = AdvanceDollar(text, at);
                m_word.clear();
                return used;
            }
            return 1;
        case Kind::kComment:
            if (c == u'\n') {
                m_stack.pop_back();
                m_wordStart = true;
            } else if (c == u'`' && InsideBackquotes()) {
                CloseBackquote();
            }
            return 1;
        case Kind::kBrace:
            if (c == u'}')
                m_stack.pop_back();
            else if (QStringView(u"'\"\\`$").contains(c))
                m_lost = true;
            m_wordStart = false;
            return 1;
        case Kind::kArith:
            if (QStringView(u"'\"\\`$#").contains(c)) {
                // "$1" and the like are plain text here; anything that
                // quotes or substitutes is not followed.
                if (c != u'$' || At(text, at + 1) == u'(' || At(text, at + 1) == u'{')
                    m_lost = true;
            } else if (c == u'(') {
                ++frame.parens;
            } else if (c == u')') {
                if (frame.parens > 0) {
                    --frame.parens;
                } else if (At(text, at + 1) == u')') {
                    m_stack.pop_back();
                    m_wordStart = false;
                    return 2;
                } else {
                    m_lost = true;
                }
            }
            return 1;
    }
    return 1;
}

std::optional<QString> ShellContextScanner::Quote(const QString& value, bool guardOption) const {
    if (m_lost)
        return std::nullopt;
    const Frame& frame = Top();
    QString word;
    const bool guard = guardOption && m_wordStart && value.startsWith(u'-');
    const QString guarded = guard ? QStringLiteral("./") + value : value;
    switch (frame.kind) {
        case Kind::kBrace:
        case Kind::kArith:
            return std::nullopt;
        case Kind::kComment:
            if (InsideBackquotes() || InsideSubstitution())
                return std::nullopt;
            word = value;
            word.replace(u'\n', u'?');
            return word;
        case Kind::kSingle:
            word = guarded;
            word.replace(u'\'', QStringLiteral("'\\''"));
            break;
        case Kind::kDouble:
            word = WithBackslashBefore(guarded, u"$`\\\"");
            // Right after a bare "$", or a parameter's name, the value would
            // be read as (part of) a name to expand: an empty quoted run in
            // between ends the name.
            if (m_param != Param::kNone)
                word.prepend(QStringLiteral("\"\""));
            break;
        case Kind::kTop:
        case Kind::kSubst:
        case Kind::kBackquote:
            // A word that began with "~" would read a plain value as a
            // login name: quoted, it is text.
            word = m_word.contains(u'~') ||
                           (m_wordStart && frame.commandPosition && IsReservedWord(guarded))
                       ? QuotedAlways(guarded)
                       : ShellQuoteWord(guarded);
            if (m_param != Param::kNone)
                word.prepend(QStringLiteral("''"));
            break;
    }
    // Each level of backquotes around the place takes one level of
    // backslashes away before its command is read.
    for (auto it = m_stack.rbegin(); it != m_stack.rend(); ++it) {
        if (it->kind == Kind::kBackquote)
            word = WithBackslashBefore(word, it->inDouble ? u"\\`$\"" : u"\\`$");
    }
    return word;
}
