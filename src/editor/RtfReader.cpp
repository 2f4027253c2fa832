#include "editor/RtfReader.h"

#include <QStringDecoder>
#include <QTextCursor>
#include <QTextDocument>
#include <vector>

namespace {

struct GroupState {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    int halfPoints = 24;
    int skipAfterUnicode = 1;
    bool hidden = false;  // a destination that is not shown
};

class RtfParser {
public:
    RtfParser(const QByteArray& rtf, QTextDocument& document) : m_rtf(rtf), m_cursor(&document) {}

    void Run() {
        std::vector<GroupState> stack{GroupState{}};
        qsizetype i = 0;
        bool groupStart = false;
        while (i < m_rtf.size()) {
            const char c = m_rtf[i];
            if (c == '{') {
                Flush(stack.back());
                stack.push_back(stack.back());
                groupStart = true;
                ++i;
                continue;
            }
            if (c == '}') {
                Flush(stack.back());
                if (stack.size() > 1)
                    stack.pop_back();
                groupStart = false;
                ++i;
                continue;
            }
            if (c == '\\') {
                i = ControlWord(i + 1, stack.back(), groupStart);
                groupStart = false;
                continue;
            }
            groupStart = false;
            if (c != '\r' && c != '\n' && !stack.back().hidden)
                m_pending.append(c);
            ++i;
        }
        Flush(stack.back());
    }

private:
    qsizetype ControlWord(qsizetype i, GroupState& state, bool groupStart) {
        if (i >= m_rtf.size())
            return i;
        const char c = m_rtf[i];
        if (!std::isalpha(static_cast<unsigned char>(c))) {
            if (c == '\'' && i + 2 < m_rtf.size()) {
                bool ok = false;
                const int byte = m_rtf.mid(i + 1, 2).toInt(&ok, 16);
                if (ok && !state.hidden)
                    m_pending.append(char(byte));
                return i + 3;
            }
            if (c == '*') {
                state.hidden = true;
                return i + 1;
            }
            if (!state.hidden) {
                if (c == '~')
                    m_pending.append('\xA0');
                else if (c == '\\' || c == '{' || c == '}')
                    m_pending.append(c);
                else if (c == '\n' || c == '\r')
                    Emit(state, QStringLiteral("\n"));
            }
            return i + 1;
        }
        qsizetype end = i;
        while (end < m_rtf.size() && std::isalpha(static_cast<unsigned char>(m_rtf[end]))) ++end;
        const QByteArray word = m_rtf.mid(i, end - i);
        qsizetype numEnd = end;
        if (numEnd < m_rtf.size() && m_rtf[numEnd] == '-')
            ++numEnd;
        while (numEnd < m_rtf.size() && std::isdigit(static_cast<unsigned char>(m_rtf[numEnd])))
            ++numEnd;
        bool hasNumber = numEnd > end;
        const int number = hasNumber ? m_rtf.mid(end, numEnd - end).toInt() : 1;
        qsizetype next = numEnd;
        if (next < m_rtf.size() && m_rtf[next] == ' ')
            ++next;

        static const QByteArrayList kHidden = {
            "fonttbl",   "colortbl",  "stylesheet",        "info",      "pict",      "header",
            "footer",    "listtable", "listoverridetable", "generator", "themedata", "latentstyles",
            "datastore", "xmlnstbl"};
        if (groupStart && kHidden.contains(word)) {
            state.hidden = true;
            return next;
        }
        if (word == "ansicpg") {
            m_codePage = number;
        } else if (word == "par" || word == "line") {
            Emit(state, QStringLiteral("\n"));
        } else if (word == "tab") {
            Emit(state, QStringLiteral("\t"));
        } else if (word == "b") {
            Flush(state);
            state.bold = number != 0;
        } else if (word == "i") {
            Flush(state);
            state.italic = number != 0;
        } else if (word == "ul") {
            Flush(state);
            state.underline = number != 0;
        } else if (word == "ulnone") {
            Flush(state);
            state.underline = false;
        } else if (word == "fs") {
            Flush(state);
            state.halfPoints = number > 0 ? number : 24;
        } else if (word == "plain") {
            Flush(state);
            state.bold = state.italic = state.underline = false;
            state.halfPoints = 24;
        } else if (word == "uc") {
            state.skipAfterUnicode = std::max(0, number);
        } else if (word == "u") {
            const char16_t unit = char16_t(number < 0 ? number + 65536 : number);
            Emit(state, QString(QChar(unit)));
            // The fallback characters for readers without Unicode follow.
            for (int skip = 0; skip < state.skipAfterUnicode && next < m_rtf.size(); ++skip) {
                if (m_rtf[next] == '\\' && next + 1 < m_rtf.size() && m_rtf[next + 1] == '\'')
                    next += 4;
                else if (m_rtf[next] == '{' || m_rtf[next] == '}')
                    break;
                else
                    ++next;
            }
        } else if (word == "emdash") {
            Emit(state, QString(QChar(0x2014)));
        } else if (word == "endash") {
            Emit(state, QString(QChar(0x2013)));
        } else if (word == "bullet") {
            Emit(state, QString(QChar(0x2022)));
        } else if (word == "lquote" || word == "rquote") {
            Emit(state, QString(QChar(word == "lquote" ? 0x2018 : 0x2019)));
        } else if (word == "ldblquote" || word == "rdblquote") {
            Emit(state, QString(QChar(word == "ldblquote" ? 0x201C : 0x201D)));
        }
        return next;
    }

    void Emit(const GroupState& state, const QString& text) {
        Flush(state);
        if (!state.hidden)
            Insert(state, text);
    }

    void Flush(const GroupState& state) {
        if (m_pending.isEmpty())
            return;
        QString text;
        if (m_codePage == 65001) {
            text = QString::fromUtf8(m_pending);
        } else {
            QStringDecoder decoder(m_codePage == 1252
                                       ? "windows-1252"
                                       : QByteArray("windows-") + QByteArray::number(m_codePage));
            text = decoder.isValid() ? decoder.decode(m_pending) : QString::fromLatin1(m_pending);
        }
        m_pending.clear();
        Insert(state, text);
    }

    void Insert(const GroupState& state, const QString& text) {
        QTextCharFormat format;
        format.setFontWeight(state.bold ? QFont::Bold : QFont::Normal);
        format.setFontItalic(state.italic);
        format.setFontUnderline(state.underline);
        format.setFontPointSize(state.halfPoints / 2.0);
        if (text == QStringLiteral("\n"))
            m_cursor.insertBlock();
        else
            m_cursor.insertText(text, format);
    }

    const QByteArray& m_rtf;
    QTextCursor m_cursor;
    QByteArray m_pending;
    int m_codePage = 1252;
};

}  // namespace

bool ReadRtf(const QByteArray& rtf, QTextDocument& document) {
    document.clear();
    if (!rtf.startsWith("{\\rtf"))
        return false;
    RtfParser(rtf, document).Run();
    return true;
}
