#pragma once
// The sizable bars of the main frame: every QDockWidget of the frame (the
// folder tree bar, the thumbnail bar, and any dock added later). Qt's dock
// layout does the painting, the inner and row edges, the dragging and the
// fitting of a row; what is kept here is each bar's size record:
//
//   "SizeBar %X" (the bar's id in upper-case hexadecimal: "SizeBar E809" for
//   the tree bar, 59401) = "%d,%d,%d,%d,%d,%d": the width and height docked at
//   the top or bottom, docked at the left or right, and floating.
//
// A bar remembers the size it has in each of the three states while the user
// changes it, and takes the size of its new state when it is docked
// elsewhere or floated; the record is read at frame creation, written at closing, and
// given to the stored layouts. A bar is known by its id: the dynamic property
// "barId" when set, else by its object name ("TreeBar" 59401, "ThumbBar"
// 59403); a dock with neither has no record.
//
// Main thread only.

#include <QObject>
#include <QPointer>
#include <QSet>
#include <QSize>
#include <QString>
#include <array>
#include <cstdint>
#include <map>

class ProfileStore;
class QDockWidget;
class QMainWindow;

inline constexpr int kTreeBarId = 59401;
inline constexpr int kThumbBarId = 59403;
inline const QString kTreeBarName = QStringLiteral("TreeBar");
inline const QString kThumbBarName = QStringLiteral("ThumbBar");

/// The smallest width or height a sizable bar is given from a record: half
/// the width of the smallest useful window.
inline constexpr int kSizeBarMinimum = 50;

/// A bar's three sizes.
struct SizeBarSizes {
    QSize horizontal{400, 200};  // docked at the top or the bottom
    QSize vertical{200, 400};    // docked at the left or the right
    QSize floating{200, 200};
    friend bool operator==(const SizeBarSizes&, const SizeBarSizes&) = default;
};

/// "SizeBar " and the id in upper-case hexadecimal.
QString SizeBarKey(int barId);
/// The record's text: horizontal, vertical, floating; width before height.
QString FormatSizeRecord(const SizeBarSizes& sizes);
/// Reads a record over `defaults`: a text that is not exactly six numbers
/// changes nothing; each pair is taken only when both of its values are at
/// least kSizeBarMinimum.
SizeBarSizes ParseSizeRecord(const QString& text, const SizeBarSizes& defaults = {});

/// The six values in the stored layouts' order: floating, horizontal,
/// vertical.
std::array<std::int32_t, 6> ToLayoutOrder(const SizeBarSizes& sizes);
SizeBarSizes FromLayoutOrder(const std::array<std::int32_t, 6>& values);

/// The bar's id (see above); 0 when it has none.
int BarIdOf(const QDockWidget& dock);

class SizableBars : public QObject {
    Q_OBJECT

public:
    explicit SizableBars(QMainWindow& frame);

    /// The frame's docks that have a bar id, in creation order.
    QList<QDockWidget*> Docks() const;
    QDockWidget* Dock(int barId) const;

    /// A bar's sizes as remembered (the defaults for a bar never seen).
    SizeBarSizes Sizes(int barId) const;
    /// Replaces a bar's sizes and gives the bar the size of its state now.
    void SetSizes(int barId, const SizeBarSizes& sizes);

    /// Reads every bar's record from `section` and applies it.
    void Load(const ProfileStore& store, const QString& section);
    /// Writes every bar's record (the sizes they have now included).
    void Save(ProfileStore& store, const QString& section);
    /// Gives every visible bar the remembered size of its state.
    void ApplyAll();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Track(QDockWidget* dock) const;
    void Remember(QDockWidget* dock);
    void Apply(QDockWidget* dock);
    void OnStateChanged(QDockWidget* dock);

    QMainWindow& m_frame;
    std::map<int, SizeBarSizes> m_sizes;
    bool m_applying = false;
    mutable QSet<QDockWidget*> m_tracked;
    // Docks that changed state and wait for the size of their new state:
    // Qt's interim sizes meanwhile are not the user's.
    QSet<QDockWidget*> m_settling;
};
