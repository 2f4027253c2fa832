#include "ShellModel.h"

#include <QStringList>

namespace {

// Tokens: "L"+c a literal character of a word, "W" the end of a word,
// "O"+c an operator or line end, "P{...}" a parameter expansion (its raw
// text, which holds no "}"), "S{...}" and "B{...}" the structures of a
// command substitution and of backquotes, "T{...}" a tilde prefix, "E" a
// syntax error.
class Reader {
public:
    explicit Reader(const QString& text) : m_text(text) {}

    std::optional<QString> Run() {
        Commands(false);
        if (m_unsupported)
            return std::nullopt;
        return m_out;
    }
    bool SyntaxError() const { return m_syntaxError; }

private:
    QChar At(qsizetype at) const { return at < m_text.size() ? m_text.at(at) : QChar(); }
    bool AtEnd() const { return m_at >= m_text.size(); }
    void Error() {
        m_out += u'E';
        m_syntaxError = true;
    }

    void Literal(QChar c) {
        m_out += u'L';
        m_out += c;
        m_inWord = true;
        if (m_plainWord)
            m_wordText += c;
    }
    void Quoted() {
        m_inWord = true;
        m_plainWord = false;
    }
    static bool IsReserved(const QString& word) {
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

    void EndWord() {
        if (m_inWord) {
            // A reserved word counts only unquoted and where a command's
            // name would stand; a command may follow it.
            const bool reserved = m_plainWord && m_commandPosition && IsReserved(m_wordText);
            m_out += reserved ? QStringLiteral("KW") : QStringLiteral("W");
            m_commandPosition = reserved;
        }
        if (m_inSubstitution && m_plainWord && m_wordText == QLatin1String("case"))
            m_unsupported = true;
        m_inWord = false;
        m_plainWord = true;
        m_wordText.clear();
    }

    static bool IsNameStart(QChar c) {
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_';
    }
    static bool IsNameChar(QChar c) { return IsNameStart(c) || (c >= u'0' && c <= u'9'); }

    // A tilde at the start of a word, with every character up to the first
    // "/" or the word's end unquoted: a login name (or the home folder).
    bool Tilde() {
        qsizetype end = m_at + 1;
        while (end < m_text.size()) {
            const QChar c = m_text.at(end);
            if (c == u'/' || QStringView(u" \t\n;&|<>()").contains(c))
                break;
            if (QStringView(u"'\"\\$`").contains(c))
                return false;
            ++end;
        }
        m_out += QStringLiteral("T{") + m_text.mid(m_at + 1, end - m_at - 1) + u'}';
        m_inWord = true;
        m_plainWord = false;
        m_at = end;
        return true;
    }

    // "$" at m_at.
    void Dollar() {
        const QChar next = At(m_at + 1);
        if (next == u'(') {
            if (At(m_at + 2) == u'(') {
                m_unsupported = true;
                m_at = m_text.size();
                return;
            }
            m_at += 2;
            m_out += QStringLiteral("S{");
            const bool wasInWord = m_inWord;
            const bool wasPlain = m_plainWord;
            const QString wasText = m_wordText;
            m_inWord = false;
            m_plainWord = true;
            m_wordText.clear();
            const bool wasInSubstitution = m_inSubstitution;
            const bool wasCommandPosition = m_commandPosition;
            m_inSubstitution = true;
            m_commandPosition = true;
            Commands(true);
            m_inSubstitution = wasInSubstitution;
            m_commandPosition = wasCommandPosition;
            m_out += u'}';
            m_inWord = wasInWord;
            m_plainWord = wasPlain;
            m_wordText = wasText;
            Quoted();
            return;
        }
        if (next == u'{') {
            const qsizetype close = m_text.indexOf(u'}', m_at + 2);
            if (close < 0) {
                Error();
                m_at = m_text.size();
                return;
            }
            const QString inner = m_text.mid(m_at + 2, close - m_at - 2);
            for (QChar c : inner) {
                if (QStringView(u"'\"\\`${").contains(c))
                    m_unsupported = true;
            }
            m_out += QStringLiteral("P{") + inner + u'}';
            m_at = close + 1;
            Quoted();
            return;
        }
        if (IsNameStart(next)) {
            qsizetype end = m_at + 1;
            while (end < m_text.size() && IsNameChar(m_text.at(end))) ++end;
            m_out += QStringLiteral("P{") + m_text.mid(m_at + 1, end - m_at - 1) + u'}';
            m_at = end;
            Quoted();
            return;
        }
        if (!next.isNull() && QStringView(u"0123456789@*#?$!-").contains(next)) {
            m_out += QStringLiteral("P{") + next + u'}';
            m_at += 2;
            Quoted();
            return;
        }
        Literal(u'$');
        ++m_at;
    }

    // "`" at m_at: the text up to the closing one, one level of
    // backslashes taken away, read as commands of its own.
    void Backquote(bool inDouble) {
        QString inner;
        qsizetype at = m_at + 1;
        bool closed = false;
        while (at < m_text.size()) {
            const QChar c = m_text.at(at);
            if (c == u'`') {
                closed = true;
                break;
            }
            if (c == u'\\' && at + 1 < m_text.size()) {
                const QChar next = m_text.at(at + 1);
                if (next == u'\\' || next == u'`' || next == u'$' || (inDouble && next == u'"')) {
                    inner += next;
                    at += 2;
                    continue;
                }
            }
            inner += c;
            ++at;
        }
        if (!closed) {
            Error();
            m_at = m_text.size();
            return;
        }
        Reader nested(inner);
        const std::optional<QString> structure = nested.Run();
        if (nested.SyntaxError())
            m_syntaxError = true;
        if (!structure) {
            m_unsupported = true;
            m_at = m_text.size();
            return;
        }
        m_out += QStringLiteral("B{") + *structure + u'}';
        m_at = at + 1;
        Quoted();
    }

    void Double() {
        ++m_at;
        Quoted();
        while (!AtEnd()) {
            const QChar c = m_text.at(m_at);
            if (c == u'"') {
                ++m_at;
                return;
            }
            if (c == u'\\') {
                const QChar next = At(m_at + 1);
                if (next == u'\n') {
                    m_at += 2;
                    continue;
                }
                if (next == u'$' || next == u'`' || next == u'"' || next == u'\\') {
                    Literal(next);
                    m_at += 2;
                    continue;
                }
                Literal(c);
                ++m_at;
                continue;
            }
            if (c == u'$') {
                Dollar();
                continue;
            }
            if (c == u'`') {
                Backquote(true);
                continue;
            }
            Literal(c);
            ++m_at;
        }
        Error();
    }

    // Commands up to the end, or with `substitution` up to the ")" that
    // closes it.
    void Commands(bool substitution) {
        int parens = 0;
        while (!AtEnd() && !m_unsupported) {
            const QChar c = m_text.at(m_at);
            if (c == u' ' || c == u'\t') {
                EndWord();
                ++m_at;
            } else if (c == u'\n' || c == u';' || c == u'&' || c == u'|' || c == u'>' ||
                       c == u'<' || c == u'(' || c == u')') {
                EndWord();
                if (c == u'<' && At(m_at + 1) == u'<') {
                    m_unsupported = true;
                    return;
                }
                if (substitution && c == u')' && parens == 0) {
                    ++m_at;
                    return;
                }
                if (substitution && c == u'(')
                    ++parens;
                if (substitution && c == u')')
                    --parens;
                if (c != u'<' && c != u'>' && c != u')')
                    m_commandPosition = true;
                m_out += u'O';
                m_out += c;
                ++m_at;
            } else if (c == u'#' && !m_inWord) {
                while (!AtEnd() && m_text.at(m_at) != u'\n') ++m_at;
            } else if (c == u'\\') {
                const QChar next = At(m_at + 1);
                if (next == u'\n') {
                    m_at += 2;
                } else if (next.isNull()) {
                    Literal(c);
                    ++m_at;
                } else {
                    Literal(next);
                    m_plainWord = false;
                    m_at += 2;
                }
            } else if (c == u'\'') {
                const qsizetype close = m_text.indexOf(u'\'', m_at + 1);
                Quoted();
                if (close < 0) {
                    Error();
                    m_at = m_text.size();
                    return;
                }
                for (qsizetype i = m_at + 1; i < close; ++i) Literal(m_text.at(i));
                m_at = close + 1;
            } else if (c == u'"') {
                Double();
            } else if (c == u'`') {
                Backquote(false);
            } else if (c == u'$') {
                Dollar();
            } else if (c == u'~' && !m_inWord) {
                if (!Tilde()) {
                    Literal(c);
                    ++m_at;
                }
            } else {
                Literal(c);
                ++m_at;
            }
        }
        EndWord();
        if (substitution && !m_unsupported)
            Error();  // not closed
    }

    const QString& m_text;
    qsizetype m_at = 0;
    QString m_out;
    bool m_inWord = false;
    bool m_plainWord = true;  // only unquoted literal characters so far
    QString m_wordText;
    bool m_inSubstitution = false;
    bool m_commandPosition = true;
    bool m_unsupported = false;
    bool m_syntaxError = false;
};

}  // namespace

std::optional<QString> ShellStructure(const QString& text, bool* syntaxError) {
    Reader reader(text);
    std::optional<QString> structure = reader.Run();
    if (syntaxError)
        *syntaxError = reader.SyntaxError();
    return structure;
}

QString ShellLiteral(const QString& text) {
    QString out;
    for (QChar c : text) {
        out += u'L';
        out += c;
    }
    return out;
}
