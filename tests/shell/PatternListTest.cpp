#include <gtest/gtest.h>

#include <QRandomGenerator>
#include <string>
#include <vector>

#include "platform/namespace/NameCodec.h"
#include "platform/store/ProfileStore.h"
#include "shell/GeneralSettings.h"
#include "shell/HistoryList.h"
#include "shell/PatternList.h"
#include "support/TestDir.h"

namespace {

QString S(const char* utf8) {
    return QString::fromUtf8(utf8);
}

PatternList Parsed(const char* text) {
    PatternList list;
    list.Parse(S(text));
    return list;
}

TEST(PatternList, ParseCutsTrimsAndJoins) {
    PatternList list;
    EXPECT_FALSE(list.Parse(QString()));
    EXPECT_FALSE(list.Parse(S("")));
    EXPECT_FALSE(list.Parse(S(" ,\t, ,,")));
    EXPECT_EQ(list.count(), 0);

    EXPECT_TRUE(list.Parse(S("  *.cpp ,\t*.h\t, -*.bak , a b ,")));
    EXPECT_EQ(list.patterns(), QStringList({"*.cpp", "*.h", "-*.bak", "a b"}));
    EXPECT_EQ(list.count(), 4);
    EXPECT_EQ(list.ToText(), S("*.cpp,*.h,-*.bak,a b"));

    // A new text replaces the old patterns; no text empties the list.
    EXPECT_TRUE(list.Parse(S("x")));
    EXPECT_EQ(list.ToText(), S("x"));
    EXPECT_FALSE(list.Parse(QString()));
    EXPECT_TRUE(list.isEmpty());
    EXPECT_EQ(list.ToText(), QString());
}

TEST(PatternList, MatchesWithInclusionsAndExclusions) {
    const PatternList empty;
    EXPECT_TRUE(empty.Matches(S("anything")));
    EXPECT_TRUE(empty.Matches(QString()));

    const PatternList noBak = Parsed("-*.bak");
    EXPECT_TRUE(noBak.Matches(S("a.txt")));
    EXPECT_TRUE(noBak.Matches(S("bak")));
    EXPECT_FALSE(noBak.Matches(S("old.bak")));
    EXPECT_FALSE(noBak.Matches(S("OLD.BAK")));

    const PatternList textNoBak = Parsed("*.txt, -*.bak");
    EXPECT_TRUE(textNoBak.Matches(S("read.TXT")));
    EXPECT_FALSE(textNoBak.Matches(S("read.me")));
    EXPECT_FALSE(textNoBak.Matches(S("x.bak")));

    // Exclusions win whatever their order.
    const PatternList excludeFirst = Parsed("-a*, *.c");
    const PatternList excludeLast = Parsed("*.c, -a*");
    for (const PatternList* list : {&excludeFirst, &excludeLast}) {
        EXPECT_FALSE(list->Matches(S("alpha.c")));
        EXPECT_TRUE(list->Matches(S("beta.c")));
        EXPECT_FALSE(list->Matches(S("beta.h")));
    }
    EXPECT_TRUE(Parsed("*.c,*.h").Matches(S("x.h")));
}

TEST(MatchPattern, AnchoredCaseBlindWildcards) {
    EXPECT_FALSE(MatchPattern(S("README"), S("*.*")));
    EXPECT_TRUE(MatchPattern(S("a.b"), S("*.*")));
    EXPECT_TRUE(MatchPattern(S("."), S("*.*")));
    EXPECT_TRUE(MatchPattern(S("anything"), S("*")));
    EXPECT_TRUE(MatchPattern(QString(), S("*")));
    EXPECT_TRUE(MatchPattern(QString(), S("***")));
    EXPECT_TRUE(MatchPattern(QString(), QString()));
    EXPECT_FALSE(MatchPattern(S("x"), QString()));
    EXPECT_TRUE(MatchPattern(S("Makefile"), S("m*")));
    EXPECT_TRUE(MatchPattern(S("main.c"), S("M*")));
    EXPECT_FALSE(MatchPattern(S("amain"), S("m*")));
    EXPECT_FALSE(MatchPattern(S("ab"), S("???")));
    EXPECT_TRUE(MatchPattern(S("abc"), S("???")));
    EXPECT_FALSE(MatchPattern(S("abcd"), S("???")));
    EXPECT_FALSE(MatchPattern(S("file.txt.gz"), S("*.txt")));  // anchored at the end
    EXPECT_TRUE(MatchPattern(S("file.txt.gz"), S("*.txt*")));
    EXPECT_FALSE(MatchPattern(S("xfile"), S("file*")));  // and at the start
    EXPECT_TRUE(MatchPattern(S("a-b"), S("a-b")));       // "-" is plain inside a pattern
    EXPECT_TRUE(MatchPattern(S("[x]"), S("[x]")));       // no character classes
    EXPECT_FALSE(MatchPattern(S("x"), S("[x]")));
    EXPECT_TRUE(MatchPattern(S("mississippi"), S("*sip*")));
    EXPECT_TRUE(MatchPattern(S("mississippi"), S("m*iss*ppi")));
    EXPECT_FALSE(MatchPattern(S("mississippi"), S("m*iss*ppix")));
}

TEST(MatchPattern, FoldsUnicodeAndCountsCharactersNotBytes) {
    EXPECT_TRUE(MatchPattern(S("ÉTÉ.TXT"), S("été.txt")));
    EXPECT_TRUE(MatchPattern(S("Straße"), S("STRAßE")));
    EXPECT_TRUE(MatchPattern(S("ΣΟΦΊΑ"), S("σοφία")));
    // A two-byte, a three-byte and a four-byte (surrogate pair) character
    // are one "?" each.
    EXPECT_TRUE(MatchPattern(S("café"), S("caf?")));
    EXPECT_TRUE(MatchPattern(S("a€b"), S("a?b")));
    EXPECT_TRUE(MatchPattern(S("a\U0001F600b"), S("a?b")));
    EXPECT_FALSE(MatchPattern(S("a\U0001F600b"), S("a??b")));
    EXPECT_TRUE(MatchPattern(S("\U0001F600\U0001F601"), S("*\U0001F601")));
    // A byte that is not UTF-8 is one character, and only matches itself.
    const QString latin1 = NameFromBytes(QByteArray("caf\xe9", 4));
    EXPECT_TRUE(MatchPattern(latin1, S("caf?")));
    EXPECT_TRUE(MatchPattern(latin1, S("CAF*")));
    EXPECT_FALSE(MatchPattern(latin1, S("café")));
    EXPECT_TRUE(MatchPattern(latin1, latin1));
}

TEST(MatchPattern, ManyStarsAgainstALongNameStayFast) {
    const QString name(10000, QLatin1Char('a'));
    const QString stars = S("*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a");
    EXPECT_FALSE(MatchPattern(name, stars + S("*b")));
    EXPECT_TRUE(MatchPattern(name, stars + S("*a")));
    EXPECT_TRUE(MatchPattern(name + S("b"), stars + S("*b")));
    EXPECT_FALSE(Parsed("*a*a*a*a*a*a*a*a*a*a*a*a*b").Matches(name));
}

// The matcher as defined step by step: literal run, then "?" (one
// character) or "*" (every run length, shortest first, as long as the rest
// of the pattern can still fit). Exponential, so only for short texts.
using Text = std::u32string;

Text Folded(const QString& s) {
    Text out;
    for (char32_t c : s.toUcs4()) out.push_back(QChar::toCaseFolded(c));
    return out;
}

bool Reference(const Text& name, size_t n, const Text& pattern, size_t p) {
    size_t i = 0;
    while (p + i < pattern.size() && pattern[p + i] != U'*' && pattern[p + i] != U'?') ++i;
    if (name.size() - n < i)
        return false;
    for (size_t k = 0; k < i; ++k)
        if (name[n + k] != pattern[p + k])
            return false;
    if (p + i == pattern.size())
        return n + i == name.size();
    if (n + i == name.size()) {
        for (size_t k = p + i; k < pattern.size(); ++k)
            if (pattern[k] != U'*')
                return false;
        return true;
    }
    if (pattern[p + i] == U'?')
        return Reference(name, n + i + 1, pattern, p + i + 1);
    const size_t rest = p + i + 1;
    long stars = 0;
    for (size_t k = rest; k < pattern.size(); ++k) stars += pattern[k] == U'*';
    const long restLength = long(pattern.size() - rest);
    const long remaining = long(name.size() - (n + i));
    for (long j = 0; j <= remaining - (restLength - stars); ++j)
        if (Reference(name, n + i + size_t(j), pattern, rest))
            return true;
    return false;
}

TEST(MatchPattern, AgreesWithTheStepByStepDefinition) {
    const std::vector<QString> nameAlphabet = {S("a"), S("A"), S("b"),         S("."),
                                               S("é"), S("É"), S("\U0001F600")};
    const std::vector<QString> patternAlphabet = {S("a"), S("B"), S("."), S("*"),
                                                  S("*"), S("?"), S("é"), S("\U0001F600")};
    QRandomGenerator random(20240601);
    const auto make = [&random](const std::vector<QString>& alphabet, int maxLength) {
        QString out;
        const int length = int(random.bounded(maxLength + 1));
        for (int k = 0; k < length; ++k) out += alphabet[random.bounded(int(alphabet.size()))];
        return out;
    };
    int matched = 0;
    for (int round = 0; round < 40000; ++round) {
        const QString name = make(nameAlphabet, 9);
        const QString pattern = make(patternAlphabet, 7);
        const bool expected = Reference(Folded(name), 0, Folded(pattern), 0);
        matched += expected;
        ASSERT_EQ(MatchPattern(name, pattern), expected)
            << "name '" << name.toStdString() << "' pattern '" << pattern.toStdString() << "'";
    }
    // Both outcomes were exercised in earnest.
    EXPECT_GT(matched, 2000);
    EXPECT_LT(matched, 38000);
}

TEST(VisualFilterHistory, LoadsAndSavesWithTheHistoryLength) {
    TestDir dir;
    const QString file = dir.Path() + S("/profile.ini");
    const int savedLength = General().historyItems;
    MutableGeneral().historyItems = 3;
    {
        ProfileStore store(file);
        for (int i = 0; i < 5; ++i)
            store.WriteProfileString(kVisualFilterHistorySection, QString::number(i),
                                     S("*.") + QString::number(i));
        LoadVisualFilterHistory(store);
    }
    EXPECT_EQ(VisualFilterHistory().entries(), QStringList({"*.0", "*.1", "*.2"}));

    VisualFilterHistory().Add(General().historyItems, S("*.new"));
    ProfileStore out(dir.Path() + S("/saved.ini"));
    SaveVisualFilterHistory(out);
    EXPECT_EQ(out.GetProfileString(kVisualFilterHistorySection, S("0")), S("*.new"));
    EXPECT_EQ(out.GetProfileString(kVisualFilterHistorySection, S("2")), S("*.1"));
    EXPECT_FALSE(out.HasEntry(kVisualFilterHistorySection, S("3")));

    VisualFilterHistory().Clear();
    MutableGeneral().historyItems = savedLength;
}

}  // namespace
