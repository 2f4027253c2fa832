// HistoryList::FillCombo: what a history combo box shows when it opens.
#include <gtest/gtest.h>

#include <QComboBox>

#include "shell/HistoryList.h"

namespace {

QStringList Items(const QComboBox& combo) {
    QStringList items;
    for (int i = 0; i < combo.count(); ++i) items.append(combo.itemText(i));
    return items;
}

}  // namespace

TEST(HistoryListCombo, FillsUpToTheMaximumAndShowsTheGivenTextOrTheNewestEntry) {
    HistoryList list;
    for (const char* text : {"c", "b", "a"}) list.Add(15, QString::fromLatin1(text));

    QComboBox limited;
    limited.setEditable(true);
    list.FillCombo(2, &limited, QString());
    EXPECT_EQ(Items(limited), (QStringList{"a", "b"}));
    EXPECT_EQ(limited.currentText(), QStringLiteral("a"));

    QComboBox given;
    given.setEditable(true);
    list.FillCombo(15, &given, QStringLiteral("typed"));
    EXPECT_EQ(Items(given), (QStringList{"a", "b", "c"}));
    EXPECT_EQ(given.currentText(), QStringLiteral("typed"));

    // Appends: what the combo held stays in front.
    QComboBox appended;
    appended.setEditable(true);
    appended.addItem(QStringLiteral("kept"));
    list.FillCombo(15, &appended, QString());
    EXPECT_EQ(Items(appended), (QStringList{"kept", "a", "b", "c"}));

    HistoryList empty;
    QComboBox none;
    none.setEditable(true);
    empty.FillCombo(15, &none, QString());
    EXPECT_EQ(none.count(), 0);
    EXPECT_EQ(none.currentText(), QString());
    empty.FillCombo(15, nullptr, QStringLiteral("x"));  // nothing to fill: no crash
}
