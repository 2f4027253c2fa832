// Renaming many items at once: the masks, the order that never replaces a
// file (swaps and cycles through temporary names), conflicts, a failure part
// way, undo, and names that are not UTF-8.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <cerrno>

#include "platform/namespace/NameCodec.h"
#include "support/ScriptedPrompter.h"
#include "support/TestDir.h"
#include "tools/MultiRenameDialog.h"
#include "tools/RenameBatch.h"
#include "tools/RenameMask.h"

namespace {

QString Rename(const RenameOptions& options, const QString& name, qint64 index = 0,
               QDateTime modified = QDateTime(QDate(2024, 3, 7), QTime(9, 5, 2))) {
    return ApplyRenameMask(options, {name, modified}, index);
}

RenameOptions Masks(const QString& name, const QString& ext = QStringLiteral("[E]")) {
    RenameOptions options;
    options.nameMask = name;
    options.extMask = ext;
    return options;
}

std::vector<RenameRow> Rows(std::initializer_list<std::pair<const char*, const char*>> pairs) {
    std::vector<RenameRow> rows;
    for (const auto& [from, to] : pairs)
        rows.push_back({QString::fromUtf8(from), QString::fromUtf8(to), QString()});
    return rows;
}

// Carries the steps out on a set of names, failing if a step's source is
// missing or its target taken: what the file system would do.
bool Simulate(QSet<QString>& names, const std::vector<RenameStep>& steps) {
    for (const RenameStep& step : steps) {
        if (!names.contains(step.from) || names.contains(step.to))
            return false;
        names.remove(step.from);
        names.insert(step.to);
    }
    return true;
}

}  // namespace

TEST(RenameMask, PlaceholdersRangesCounterAndDates) {
    EXPECT_EQ(Rename(Masks("[N]"), "photo.jpeg"), "photo.jpeg");
    EXPECT_EQ(Rename(Masks("[N2-4]"), "photo.jpeg"), "hot.jpeg");
    EXPECT_EQ(Rename(Masks("[N3]"), "photo.jpeg"), "o.jpeg");
    EXPECT_EQ(Rename(Masks("[N3-]"), "photo.jpeg"), "oto.jpeg");
    EXPECT_EQ(Rename(Masks("[N-2]"), "photo.jpeg"), "ph.jpeg");
    EXPECT_EQ(Rename(Masks("[N2-40]"), "photo.jpeg"), "hoto.jpeg")
        << "a range past the end stops there";
    EXPECT_EQ(Rename(Masks("[N]", "[E1-3]"), "photo.jpeg"), "photo.jpe");
    EXPECT_EQ(Rename(Masks("[N]_[E]", "txt"), "photo.jpeg"), "photo_jpeg.txt");
    EXPECT_EQ(Rename(Masks("[N]", ""), "photo.jpeg"), "photo")
        << "an empty extension drops the dot";
    EXPECT_EQ(Rename(Masks("[Y]-[M]-[D] [h][m][s]"), "a.txt"), "2024-03-07 090502.txt");
    EXPECT_EQ(Rename(Masks("[[[N]]]"), "a.txt"), "[a].txt");
    // Multi-byte characters and characters outside the first plane count
    // as one each.
    EXPECT_EQ(Rename(Masks("[N2-3]"), QString::fromUtf8("\xc3\xa9\xf0\x9f\x98\x80x\xc3\xbc.txt")),
              QString::fromUtf8("\xf0\x9f\x98\x80x.txt"));

    RenameOptions counter = Masks("img_[C]");
    counter.counterStart = 8;
    counter.counterStep = 2;
    counter.counterWidth = 3;
    EXPECT_EQ(Rename(counter, "x.png", 0), "img_008.png");
    EXPECT_EQ(Rename(counter, "x.png", 1), "img_010.png");
    EXPECT_EQ(Rename(counter, "x.png", 500), "img_1008.png") << "the width is a minimum";

    // Dot files and names without a dot have no extension.
    EXPECT_EQ(SplitExtension(".profile"), std::make_pair(QString(".profile"), QString()));
    EXPECT_EQ(SplitExtension("archive.tar.gz"),
              std::make_pair(QString("archive.tar"), QString("gz")));
    EXPECT_EQ(Rename(Masks("[N]_old"), ".bashrc"), ".bashrc_old");
}

TEST(RenameMask, BadMasksAreReportedNotApplied) {
    EXPECT_TRUE(ValidateRenameOptions(Masks("[N]_[C]")) == std::nullopt);
    EXPECT_EQ(ValidateRenameOptions(Masks("[X]")), RenameTexts::kBadPlaceholder.arg("[X]"));
    EXPECT_EQ(ValidateRenameOptions(Masks("[N")), RenameTexts::kUnclosed);
    EXPECT_EQ(ValidateRenameOptions(Masks("[N5-2]")), RenameTexts::kBadRange.arg("[N5-2]"));
    EXPECT_EQ(ValidateRenameOptions(Masks("[N0]")), RenameTexts::kBadRange.arg("[N0]"));
    EXPECT_TRUE(ValidateRenameOptions(Masks("[N]", "[Q]")).has_value());
    RenameOptions regex = Masks("[N]");
    regex.regex = true;
    regex.find = "(unclosed";
    EXPECT_TRUE(ValidateRenameOptions(regex).has_value());
}

TEST(RenameMask, FindReplaceAndCase) {
    RenameOptions plain = Masks("[N]");
    plain.find = "IMG";
    plain.replace = "holiday";
    EXPECT_EQ(Rename(plain, "IMG_1.IMG"), "holiday_1.holiday") << "over the whole name";
    plain.matchCase = false;
    EXPECT_EQ(Rename(plain, "img_1.jpg"), "holiday_1.jpg");

    RenameOptions regex = Masks("[N]");
    regex.regex = true;
    regex.find = "^(\\d+)-(\\w+)";
    regex.replace = "\\2-\\1";
    EXPECT_EQ(Rename(regex, "07-track.ogg"), "track-07.ogg");
    regex.find = "a+";
    regex.replace = "";
    EXPECT_EQ(Rename(regex, "baaad.txt"), "bd.txt");

    RenameOptions lower = Masks("[N]");
    lower.caseChange = RenameOptions::Case::Lower;
    EXPECT_EQ(Rename(lower, QString::fromUtf8("ÄBC.TXT")), QString::fromUtf8("äbc.txt"));
    RenameOptions upper = Masks("[N]");
    upper.caseChange = RenameOptions::Case::Upper;
    EXPECT_EQ(Rename(upper, "abc.txt"), "ABC.TXT");
    RenameOptions words = Masks("[N]");
    words.caseChange = RenameOptions::Case::FirstOfWords;
    EXPECT_EQ(Rename(words, "the quick-brown fox.TXT"), "The Quick-Brown Fox.Txt");
    RenameOptions first = Masks("[N]");
    first.caseChange = RenameOptions::Case::FirstOfName;
    EXPECT_EQ(Rename(first, "HELLO World.TXT"), "Hello world.txt");
}

TEST(RenameMask, BytesThatAreNoUtf8SurviveEveryRule) {
    const QByteArray raw("caf\xe9-\xff.TXT");
    const QString name = NameFromBytes(raw);
    ASSERT_TRUE(NameHasEscapes(name));
    EXPECT_EQ(NameToBytes(Rename(Masks("[N]"), name)), raw);

    RenameOptions lower = Masks("[N]");
    lower.caseChange = RenameOptions::Case::Lower;
    EXPECT_EQ(NameToBytes(Rename(lower, name)), QByteArray("caf\xe9-\xff.txt"));
    RenameOptions words = Masks("[N]");
    words.caseChange = RenameOptions::Case::FirstOfWords;
    EXPECT_EQ(NameToBytes(Rename(words, name)), QByteArray("Caf\xe9-\xff.Txt"));

    RenameOptions regex = Masks("new_[N]");
    regex.regex = true;
    regex.find = "-(.)\\.";
    regex.replace = "+\\1.";
    EXPECT_EQ(NameToBytes(Rename(regex, name)), QByteArray("new_caf\xe9+\xff.TXT"))
        << "a captured escape comes back as its byte";

    RenameOptions range = Masks("[N4-5]");
    EXPECT_EQ(NameToBytes(Rename(range, name)), QByteArray("\xe9-.TXT"))
        << "an escape is one character";
}

TEST(RenameMask, ConflictsAreMarked) {
    const QSet<QString> existing = {"a", "b", "c", "keep", "taken"};
    std::vector<RenameRow> rows = Rows({{"a", "b"}, {"b", "a"}, {"c", "taken"}, {"keep", "keep"}});
    MarkRenameConflicts(rows, existing);
    EXPECT_EQ(rows[0].conflict, QString()) << "b is renamed away by the batch";
    EXPECT_EQ(rows[1].conflict, QString());
    EXPECT_EQ(rows[2].conflict, RenameTexts::kExists);
    EXPECT_EQ(rows[3].conflict, QString()) << "an unchanged row is no conflict";
    EXPECT_FALSE(RenameBatchReady(rows));

    rows = Rows({{"a", "x"}, {"b", "x"}, {"c", "keep"}, {"keep", "keep"}});
    MarkRenameConflicts(rows, existing);
    EXPECT_EQ(rows[0].conflict, RenameTexts::kDuplicate);
    EXPECT_EQ(rows[1].conflict, RenameTexts::kDuplicate);
    EXPECT_EQ(rows[2].conflict, RenameTexts::kDuplicate) << "an unchanged row keeps its name";

    rows = Rows({{"a", ""}, {"b", "x/y"}, {"c", ".."}});
    rows.push_back({"taken", QString(256, QLatin1Char('n')), QString()});
    MarkRenameConflicts(rows, existing);
    EXPECT_EQ(rows[0].conflict, RenameTexts::kEmptyName);
    EXPECT_EQ(rows[1].conflict, RenameTexts::kSlash);
    EXPECT_EQ(rows[2].conflict, RenameTexts::kDots);
    EXPECT_EQ(rows[3].conflict, RenameTexts::kTooLong);

    rows = Rows({{"a", "A"}});
    MarkRenameConflicts(rows, existing);
    EXPECT_TRUE(RenameBatchReady(rows)) << "case differs: another name here";
    rows = Rows({{"a", "a"}});
    MarkRenameConflicts(rows, existing);
    EXPECT_FALSE(RenameBatchReady(rows)) << "nothing to do";
}

TEST(RenameMask, StepsNeverReplaceAndBreakCyclesWithOneTemporaryEach) {
    struct Case {
        const char* what;
        std::vector<RenameRow> rows;
        int temporaries;
    };
    const std::vector<Case> cases = {
        {"a chain", Rows({{"a", "b"}, {"b", "c"}, {"c", "d"}}), 0},
        {"a swap", Rows({{"a", "b"}, {"b", "a"}}), 1},
        {"a cycle of three", Rows({{"a", "b"}, {"b", "c"}, {"c", "a"}}), 1},
        {"two swaps and a tail", Rows({{"a", "b"}, {"b", "a"}, {"x", "y"}, {"y", "x"}, {"t", "u"}}),
         2},
        {"a chain into a cycle",
         Rows({{"p", "a"}, {"a", "b"}, {"b", "c"}, {"c", "a2"}, {"a2", "p2"}}), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QSet<QString> names;
        for (const RenameRow& row : c.rows) names.insert(row.oldName);
        names.insert(".cvrename-1");  // a planted name is never a temporary
        const std::vector<RenameStep> steps = PlanRenameSteps(c.rows, names);
        int temps = 0;
        for (const RenameStep& step : steps) {
            temps += step.toTemp ? 1 : 0;
            EXPECT_NE(step.to, ".cvrename-1");
        }
        EXPECT_EQ(temps, c.temporaries);
        ASSERT_TRUE(Simulate(names, steps));
        for (const RenameRow& row : c.rows)
            EXPECT_TRUE(names.contains(row.newName)) << row.newName.toStdString();
        EXPECT_TRUE(names.contains(".cvrename-1"));
        EXPECT_EQ(names.size(), qsizetype(c.rows.size()) + 1) << "no temporary left behind";
    }
}

class RenameBatchTest : public ::testing::Test {
protected:
    QSet<QString> Names() const { return FolderNames(dir.Path()); }
    TestDir dir;
    ScopedPrompter prompter;
};

TEST_F(RenameBatchTest, SwapsCyclesAndUndoOnTheDisk) {
    ASSERT_TRUE(dir.MakeFile("a", "A"));
    ASSERT_TRUE(dir.MakeFile("b", "B"));
    ASSERT_TRUE(dir.MakeFile("c", "C"));
    ASSERT_TRUE(dir.MakeFile("other", "O"));
    const std::vector<RenameRow> rows = Rows({{"a", "b"}, {"b", "c"}, {"c", "a"}});
    const RenameOutcome outcome = RunRenameBatch(dir.Path(), rows, Names());
    ASSERT_TRUE(outcome.Succeeded()) << outcome.error.toStdString();
    EXPECT_EQ(dir.Read("b"), "A");
    EXPECT_EQ(dir.Read("c"), "B");
    EXPECT_EQ(dir.Read("a"), "C");
    EXPECT_EQ(Names(), QSet<QString>({"a", "b", "c", "other"}));
    EXPECT_EQ(outcome.done.size(), 3u);

    const RenameOutcome undone = RunRenameBatch(dir.Path(), UndoRows(outcome), Names());
    ASSERT_TRUE(undone.Succeeded());
    EXPECT_EQ(dir.Read("a"), "A");
    EXPECT_EQ(dir.Read("b"), "B");
    EXPECT_EQ(dir.Read("c"), "C");
}

TEST_F(RenameBatchTest, AFileThatAppearsUnderANewNameIsNeverReplaced) {
    ASSERT_TRUE(dir.MakeFile("one", "1"));
    ASSERT_TRUE(dir.MakeFile("two", "2"));
    const QSet<QString> before = Names();
    // "uno" is made after the preview, as another program might.
    ASSERT_TRUE(dir.MakeFile("uno", "theirs"));
    const std::vector<RenameRow> rows = Rows({{"two", "dos"}, {"one", "uno"}});
    const RenameOutcome outcome = RunRenameBatch(dir.Path(), rows, before);
    EXPECT_FALSE(outcome.Succeeded());
    EXPECT_EQ(dir.Read("uno"), "theirs");
    EXPECT_EQ(dir.Read("one"), "1");
    EXPECT_EQ(dir.Read("dos"), "2") << "what went before the failure stays done";
    ASSERT_EQ(outcome.done.size(), 1u);
    const QString report = outcome.Report(2);
    EXPECT_TRUE(report.contains("\"one\" could not be renamed to \"uno\"")) << report.toStdString();
    EXPECT_TRUE(report.contains("1 of 2 items were renamed")) << report.toStdString();
    EXPECT_TRUE(report.contains("two -> dos")) << report.toStdString();
}

TEST_F(RenameBatchTest, AFailureInsideACyclePutsTheParkedItemBack) {
    ASSERT_TRUE(dir.MakeFile("a", "A"));
    ASSERT_TRUE(dir.MakeFile("b", "B"));
    int calls = 0;
    // The second rename (b -> a, after a was parked) fails.
    const RenameCall failSecond = [&calls](int fd, const QByteArray& from, const QByteArray& to) {
        return ++calls == 2 ? EACCES : RenameNoReplace(fd, from, to);
    };
    const RenameOutcome outcome =
        RunRenameBatch(dir.Path(), Rows({{"a", "b"}, {"b", "a"}}), Names(), failSecond);
    EXPECT_FALSE(outcome.Succeeded());
    EXPECT_TRUE(outcome.done.empty());
    EXPECT_TRUE(outcome.strays.isEmpty());
    EXPECT_EQ(Names(), QSet<QString>({"a", "b"})) << "no temporary name is left";
    EXPECT_EQ(dir.Read("a"), "A");
    EXPECT_EQ(dir.Read("b"), "B");
}

TEST_F(RenameBatchTest, TheDialogPreviewsAppliesAndUndoes) {
    const QByteArray odd("\xff\xfe odd.txt");
    ASSERT_TRUE(dir.MakeFile("x.txt", "X"));
    ASSERT_TRUE(dir.MakeFile("y.txt", "Y"));
    ASSERT_TRUE(dir.MakeFile(odd, "odd"));
    ASSERT_TRUE(dir.MakeFile("file_2.txt", "in the way"));
    std::vector<RenameSource> items = {{"x.txt", {}}, {"y.txt", {}}, {NameFromBytes(odd), {}}};
    MultiRenameDialog dialog(dir.Path(), items);
    int changed = 0;
    dialog.SetChangedCallback([&changed] { ++changed; });

    dialog.nameMask->setText("file_[C]");
    ASSERT_EQ(dialog.Rows().size(), 3u);
    EXPECT_EQ(dialog.Rows()[0].newName, "file_1.txt");
    EXPECT_EQ(dialog.Rows()[1].conflict, RenameTexts::kExists) << "live: file_2.txt is there";
    EXPECT_FALSE(dialog.renameButton->isEnabled());
    EXPECT_FALSE(dialog.Apply());
    EXPECT_EQ(prompter->Requests().size(), 1);
    EXPECT_TRUE(dir.Exists("x.txt"));

    dialog.counterStart->setValue(3);
    EXPECT_TRUE(dialog.renameButton->isEnabled());
    ASSERT_TRUE(dialog.Apply());
    EXPECT_EQ(dir.Read("file_3.txt"), "X");
    EXPECT_EQ(dir.Read("file_4.txt"), "Y");
    EXPECT_EQ(dir.Read("file_5.txt"), "odd");
    EXPECT_EQ(changed, 1);
    EXPECT_EQ(dialog.Rows()[0].oldName, "file_3.txt") << "the rows follow the renamed items";

    // The masks on the new names: a swap within the batch.
    dialog.nameMask->setText("[N]");
    dialog.findText->setText("(\\d)");
    dialog.regex->setChecked(true);
    dialog.replaceText->setText("\\1\\1");
    EXPECT_EQ(dialog.Rows()[0].newName, "file_33.txt");

    ASSERT_TRUE(dialog.CanUndo());
    ASSERT_TRUE(dialog.Undo());
    EXPECT_EQ(dir.Read("x.txt"), "X");
    EXPECT_EQ(dir.Read("y.txt"), "Y");
    EXPECT_EQ(dir.Read(odd), "odd") << "the name that is no UTF-8 comes back byte for byte";
    EXPECT_EQ(dir.Read("file_2.txt"), "in the way");
    EXPECT_FALSE(dialog.CanUndo());
    EXPECT_EQ(changed, 2);
}

TEST_F(RenameBatchTest, ADialogSwapOfTwoNamesGoesThroughATemporary) {
    ASSERT_TRUE(dir.MakeFile("left.txt", "L"));
    ASSERT_TRUE(dir.MakeFile("right.txt", "R"));
    MultiRenameDialog clash(dir.Path(), {{"left.txt", {}}, {"right.txt", {}}});
    clash.findText->setText("left");
    clash.replaceText->setText("right");
    ASSERT_EQ(clash.Rows()[0].newName, "right.txt");
    EXPECT_EQ(clash.Rows()[0].conflict, RenameTexts::kDuplicate)
        << "right.txt keeps its name, so left.txt can't take it";

    MultiRenameDialog first(dir.Path(), {{"left.txt", {}}, {"right.txt", {}}});
    first.nameMask->setText("side_[C]");
    ASSERT_TRUE(first.Apply());
    // The counter run backwards swaps the two names.
    MultiRenameDialog back(dir.Path(), {{"side_1.txt", {}}, {"side_2.txt", {}}});
    back.nameMask->setText("side_[C]");
    back.counterStart->setValue(2);
    back.counterStep->setValue(-1);
    ASSERT_EQ(back.Rows()[0].newName, "side_2.txt");
    ASSERT_TRUE(back.renameButton->isEnabled()) << "a swap is no conflict";
    ASSERT_TRUE(back.Apply());
    EXPECT_EQ(dir.Read("side_1.txt"), "R");
    EXPECT_EQ(dir.Read("side_2.txt"), "L");
    EXPECT_EQ(FolderNames(dir.Path()), QSet<QString>({"side_1.txt", "side_2.txt"}));
}
