// The history combo's keyboard search and the history pick dialog.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>

#include "app/HistoryPickDialog.h"
#include "shell/GeneralSettings.h"
#include "shell/HistoryComboEdit.h"
#include "shell/HistoryList.h"

namespace {

class HistoryComboTest : public ::testing::Test {
protected:
    void SetUp() override {
        MutableGeneral() = GeneralSettings();
        combo = new QComboBox(&window);
        other = new QLineEdit(&window);
        other->move(0, 40);
        combo->addItems({"My Documents", "/home/me/docs", "temp", "DOCTOR.txt"});
        search = new HistoryComboEdit(combo);
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        combo->setFocus();
        QCoreApplication::processEvents();
    }
    void TearDown() override { combo->hidePopup(); }

    QString Edit() const { return combo->lineEdit()->text(); }
    bool AllSelected() const { return combo->lineEdit()->selectedText() == Edit(); }

    QWidget window;
    QComboBox* combo = nullptr;
    QLineEdit* other = nullptr;
    HistoryComboEdit* search = nullptr;
};

TEST_F(HistoryComboTest, TypedTextThenDownWalksTheMatchingEntriesCaseBlind) {
    combo->lineEdit()->clear();
    QTest::keyClicks(combo, QStringLiteral("doc"));
    QTest::keyClick(combo, Qt::Key_Down);
    EXPECT_EQ(Edit(), QStringLiteral("My Documents"));
    EXPECT_TRUE(AllSelected());
    QTest::keyClick(combo, Qt::Key_Down);
    EXPECT_EQ(Edit(), QStringLiteral("/home/me/docs"));
    QTest::keyClick(combo, Qt::Key_Down);  // "temp" is skipped
    EXPECT_EQ(Edit(), QStringLiteral("DOCTOR.txt"));
    QTest::keyClick(combo, Qt::Key_Down);  // nothing further: stays
    EXPECT_EQ(Edit(), QStringLiteral("DOCTOR.txt"));
    EXPECT_EQ(search->LastMatch(), 3);
    QTest::keyClick(combo, Qt::Key_Up);  // back towards the front
    EXPECT_EQ(Edit(), QStringLiteral("/home/me/docs"));
    EXPECT_FALSE(combo->view()->isVisible());
    EXPECT_EQ(combo->currentIndex(), 0);  // the list's own choice is untouched

    // Typing over the shown entry starts a new search.
    combo->lineEdit()->setText(QStringLiteral("TE"));
    combo->lineEdit()->deselect();
    QTest::keyClick(combo, Qt::Key_Down);
    EXPECT_EQ(Edit(), QStringLiteral("temp"));
    EXPECT_EQ(search->SearchText(), QStringLiteral("TE"));

    // A text nothing contains changes nothing and opens no list.
    combo->lineEdit()->setText(QStringLiteral("zzz"));
    QTest::keyClick(combo, Qt::Key_Down);
    EXPECT_EQ(Edit(), QStringLiteral("zzz"));
    EXPECT_FALSE(combo->view()->isVisible());

    // Leaving and coming back forgets the search.
    other->setFocus();
    combo->setFocus();
    QCoreApplication::processEvents();
    EXPECT_TRUE(search->SearchText().isEmpty());
    EXPECT_EQ(search->LastMatch(), -1);
}

TEST_F(HistoryComboTest, WithNothingTypedDownOpensTheListAndF4DoesNothing) {
    combo->lineEdit()->clear();
    QTest::keyClick(combo, Qt::Key_F4);
    EXPECT_FALSE(combo->view()->isVisible());
    QTest::keyClick(combo, Qt::Key_Down);
    EXPECT_TRUE(combo->view()->isVisible());
}

TEST(HistoryPickDialog, ShowsTheNewestEntryAndAddsTheEditedChoiceInFront) {
    MutableGeneral() = GeneralSettings();
    MutableGeneral().historyItems = 3;
    HistoryList list;
    for (const char* text : {"d", "c", "b", "a"}) list.Add(15, QString::fromLatin1(text));

    HistoryPickDialog::SetRunner([](HistoryPickDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Shell/DOS command history"));
        EXPECT_EQ(dialog.Combo()->count(), 3);  // "nHistoryItems" entries
        EXPECT_EQ(dialog.Combo()->currentText(), QStringLiteral("a"));
        dialog.Combo()->setEditText(QStringLiteral("c edited ") + QString(200, u'x'));
        dialog.accept();
        return int(dialog.result());
    });
    const std::optional<QString> chosen =
        HistoryPickDialog::Pick(QStringLiteral("Shell/DOS command history"), list, nullptr);
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(chosen->size(), kHistoryPickMaxLength);
    EXPECT_TRUE(chosen->startsWith(QStringLiteral("c edited x")));
    EXPECT_EQ(list.First(), *chosen);
    EXPECT_EQ(list.count(), 4);  // one in, the oldest out

    HistoryPickDialog::SetRunner([](HistoryPickDialog& dialog) {
        dialog.reject();
        return int(dialog.result());
    });
    EXPECT_FALSE(HistoryPickDialog::Pick(QStringLiteral("t"), list, nullptr).has_value());
    EXPECT_EQ(list.count(), 4);
    HistoryPickDialog::SetRunner(nullptr);
    MutableGeneral() = GeneralSettings();
}

}  // namespace
