#pragma once
// The main frame's sizable bars, thumbnail bar and stored layouts, kept
// apart from the frame's own code.
//
// Life, called by the frame:
//   Create()        the thumbnail bar (hidden, floating at (20, 20) on the
//                   screen), "nMaxFileSizeThumb", and the commands:
//                   ID_VIEW_THUMBBAR (thumbnail bar), ID_EDIT_COPY_PREVIEW (copy preview),
//                   ID_LAYOUT_FIRST..ID_LAYOUT_LAST (layouts)
//   RestoreSizes()  the "SizeBar %X" records of every bar (only when the
//                   docking state is restored too)
//   LoadLayouts()   the three stored layouts
//   SaveSizes()     at closing, before the docking state
//   SaveLayouts()   at closing, after it
//
// Bars are the frame's QDockWidgets, whoever made them (SizableBars.h).
//
// Layout commands: with Shift held the layout is stored under a name asked
// with the input box, otherwise it is applied (StoreLayout, ApplyLayout).
//
// Main thread only.

#include <QObject>
#include <functional>
#include <memory>

#include "app/Layouts.h"

class CMainFrame;
class CThumbnailBar;
class ProfileStore;
class QDockWidget;
class SizableBars;

inline const QString kLayoutNamePrompt = QStringLiteral("Layout name ?");
inline const QString kLayoutStored = QStringLiteral("Layout stored ok.");
inline const QString kNoFreeLayout =
    QStringLiteral("Every layout is defined; Ctrl+Shift+7 to 9 stores one anew");
inline const QString kLayoutOtherScreen = QStringLiteral(
    "This layout was not defined at current screen resolution.\nApplying it may have suboptimal "
    "results; Continue anyway?");
/// Where the thumbnail bar floats at first, in screen coordinates.
inline constexpr int kThumbBarFloatOffset = 20;

class FrameBars : public QObject {
    Q_OBJECT

public:
    explicit FrameBars(CMainFrame& frame);
    ~FrameBars() override;

    void Create();
    void RestoreSizes(const ProfileStore& store);
    void LoadLayouts(const ProfileStore& store);
    void SaveSizes(ProfileStore& store);
    void SaveLayouts(ProfileStore& store);

    /// Shows a dock by its bar id (never hides); false when there is none.
    bool ShowBar(int barId);

    /// Layout `number` (1..3): stored (Shift held) or applied.
    void OnLayoutCommand(int number);
    void StoreLayout(int number);
    void ApplyLayout(int number);

    CThumbnailBar* ThumbBar() const { return m_thumbBar; }
    SizableBars& Bars() const { return *m_bars; }
    const StoredLayouts& Layouts() const { return m_layouts; }
    /// How a layout takes both panes' tabs (left: true for the first pane)
    /// and gives them back; without them a layout keeps no tabs.
    void SetTabAccess(std::function<TabSetRecord(bool left)> capture,
                      std::function<void(bool left, const TabSetRecord& tabs)> apply) {
        m_captureTabs = std::move(capture);
        m_applyTabs = std::move(apply);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void MapCommands();
    LayoutSlot CurrentArrangement(const QString& name) const;
    QSize ScreenSize() const;

    CMainFrame& m_frame;
    SizableBars* m_bars = nullptr;
    CThumbnailBar* m_thumbBar = nullptr;
    StoredLayouts m_layouts;
    bool m_shown = false;
    std::function<TabSetRecord(bool)> m_captureTabs;
    std::function<void(bool, const TabSetRecord&)> m_applyTabs;
};
