#pragma once
// PaneCaption: the strip at the top of a folder pane that names its folder
// (and the visual filter), in the colours of an active or an inactive window
// caption, so the user sees at a glance which pane commands act on.
//
// The strip is as high as the caption font (the desktop's title font) and 6
// pixels; the text starts 4 pixels from the left and 3 from the top, and a
// raised edge frames the strip. A long path of a plain directory is
// shortened by whole components (ShortenCaption) rather than cut off.
//
// The pane tells the strip what to show (SetCaption) and how to learn whether
// it is the active pane (SetActiveQuery); the strip asks that on every paint,
// so invalidating it (update()) after an activation change is enough.
//
// Main thread only.

#include <QString>
#include <QWidget>
#include <functional>

class QFontMetrics;

/// The caption's text for `width` pixels of strip: the title, and " [filter]"
/// unless `filterText` is "*". For a plain directory (`shortenable`) whose
/// text is wider than `width` - 6, the text up to and including its first
/// "/" is kept, then ".../" and as many trailing components as fit (at
/// least the last one, the last two when a filter is shown), adding one
/// component at a time while the text and 6 pixels fit; the shortened text
/// is used only when it is shorter than the full one. Components are never
/// cut inside.
QString ShortenCaption(const QString& title, const QString& filterText, bool shortenable,
                       const QFontMetrics& metrics, int width);

class PaneCaption : public QWidget {
    Q_OBJECT

public:
    static constexpr int kTextLeft = 4;
    static constexpr int kTextTop = 3;
    static constexpr int kPadding = 6;

    explicit PaneCaption(QWidget* parent = nullptr);

    /// What to show; repaints.
    void SetCaption(const QString& title, const QString& filterText, bool shortenable);
    /// How the strip learns whether its pane is the active one.
    void SetActiveQuery(std::function<bool()> isActive);

    /// The full text (title and filter) and the text as drawn at the strip's
    /// width now.
    QString FullText() const;
    QString ShownText() const;
    bool IsActive() const;
    /// The strip's height: the font's height and kPadding.
    int CaptionHeight() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    /// A double click on the strip (the pane goes to the parent folder).
    void doubleClicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    QString m_title;
    QString m_filterText;
    bool m_shortenable = false;
    std::function<bool()> m_isActive;
};
