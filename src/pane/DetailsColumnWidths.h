#pragma once
// DetailsColumnWidths: the widths of the columns of a details view (a QTreeView
// over a PaneRowModel) and their stored form, the text "szColumnWidths":
// the widths in column order, decimal, separated by commas.
//
// A column's default width is the one its PaneColumn gives, except for a
// date column, which is at least as wide as the widest date text of the
// user's locale (with the header's margins). Widths live in the tree's
// header; nothing else is kept here. Main thread only.

#include <QString>
#include <vector>

#include "pane/PaneRowModel.h"

class ProfileStore;
class QTreeView;

class DetailsColumnWidths {
public:
    /// Works on the header of `tree`, whose model is `model`. Neither is
    /// owned.
    DetailsColumnWidths(QTreeView* tree, const PaneRowModel* model)
        : m_tree(tree), m_model(model) {}

    /// The widths now, one per column of the model.
    std::vector<int> Widths() const;
    /// Sets the widths; columns past the end of `widths` take their
    /// defaults (so {} sets every default).
    void SetWidths(const std::vector<int>& widths);
    /// The default width of `column` in this tree (see the header comment).
    int DefaultWidthOf(const PaneColumn& column) const;
    std::vector<int> Defaults() const;

    /// Sets the widths from the text stored under `key` (Parse, with the
    /// primary screen's width as the limit).
    void Load(const ProfileStore& store, const QString& section, const QString& key);
    /// Writes the widths now under `key`.
    void Save(ProfileStore& store, const QString& section, const QString& key) const;

    /// The widths a stored text gives for these defaults: with exactly one
    /// field per column each field is read as a decimal number (leading
    /// blanks and trailing junk ignored, as atoi does) and one below 10 or
    /// above `screenWidth` takes its column's default; any other text gives
    /// all defaults. `screenWidth` <= 0: no upper limit.
    static std::vector<int> Parse(const QString& text, const std::vector<int>& defaults,
                                  int screenWidth);
    /// The stored text of `widths`.
    static QString Format(const std::vector<int>& widths);

private:
    QTreeView* m_tree;
    const PaneRowModel* m_model;
};
