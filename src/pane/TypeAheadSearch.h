#pragma once
// TypeAheadSearch: the two searches by typed letters over the rows of a
// PaneRowModel (their items' `displayName`, pending rows included). It only
// finds rows; the list decides what finding one does to the focus and the
// selection.
//
// - Contains (Shift+letter): the letters typed within 1,000 ms of each
//   other, upper-cased, are looked for anywhere in the upper-cased labels:
//   first in the rows after the focused one, then from the top up to and
//   including the focused row. A miss beeps (BeepKind::Exclamation) and
//   keeps the letters.
// - Prefix (plain printable text): the text typed within the application's
//   keyboard input interval is looked for at the start of the labels,
//   case-blind, wrapping round; a new search starts after the focused row,
//   a longer one on it (so typing on narrows the search in place). A miss
//   is silent.
// - A letter typed with Shift (a capital) is text first: it goes to the
//   Prefix letters like any other typed text, so "Pic" finds "Pictures".
//   It also goes to the Contains letters, whose row counts only when no
//   label starts with the Prefix letters; only a miss of both beeps.
// Each search keeps its own letters; a pause longer than its interval, or a
// time that went backwards, starts it afresh. Times are the key events'
// (milliseconds); 0 stands for "none" (a synthetic event) and reads the
// search's clock instead: a steady clock of the process unless SetClock
// gave another (tests step one by hand instead of sleeping).
// Reset() forgets both: the list calls it for new rows (letters typed for
// the old ones must not prefix a search in the new ones) and when its view
// loses the keyboard (what is typed after a dialog or another widget had
// it is a new name, however quickly it comes).

#include <QString>
#include <functional>
#include <utility>

class PaneRowModel;

class TypeAheadSearch {
public:
    /// Pause (ms) after which Contains starts afresh.
    static constexpr unsigned long kContainsResetMs = 1000;

    /// A clock in milliseconds (one that goes back starts a search afresh).
    using Clock = std::function<unsigned long()>;

    explicit TypeAheadSearch(const PaneRowModel* model) : m_model(model) {}

    /// Key events without a time read `clock` from now on; an empty one
    /// stands for the process's steady clock.
    void SetClock(Clock clock) { m_clock = std::move(clock); }

    /// Adds `letter` to the Contains letters; the row found, or -1.
    /// `focused` is the focused row, -1 for none. Linear in the rows.
    int Contains(QChar letter, unsigned long timestamp, int focused);
    /// Adds `text` to the Prefix letters; the row found, or -1. Linear.
    int Prefix(const QString& text, unsigned long timestamp, int focused);
    /// A letter typed with Shift: `text` as typed (the capital) and the
    /// letter A..Z for the Contains search; the Prefix row when there is
    /// one, else the Contains row, else -1 with a beep. Linear.
    int ShiftedLetter(const QString& text, QChar letter, unsigned long timestamp, int focused);
    /// Both searches start afresh.
    void Reset();

private:
    struct Letters {
        QString text;
        unsigned long time = 0;
        bool started = false;
        // Starts afresh after a pause longer than `interval`; true then.
        bool Add(const QString& typed, unsigned long now, unsigned long interval);
    };

    // The Contains search without its beep.
    int FindContaining(QChar letter, unsigned long timestamp, int focused);
    // `timestamp`, or the clock's time when the event had none.
    unsigned long Now(unsigned long timestamp) const;

    const PaneRowModel* m_model;
    Clock m_clock;
    Letters m_contains;
    Letters m_prefix;
};
