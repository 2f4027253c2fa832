#pragma once
// CEditorView: the client of an editor window. It holds the text control
// (QScintilla), the read-only rich text view of ".rtf" files in view mode,
// and the hexadecimal view of view mode, and it carries out the editor's
// commands on them (find, replace, brace matching, AutoText, ...).
//
// The text is kept as the file's bytes: loading hands them to the control
// unchanged and saving writes the control's bytes, so a file the user did not
// change is saved as it was. Offsets (selection, bookmark, search results)
// are byte offsets into that text.
//
// Messages for the user go to the notice function the frame gives
// (SetNoticeSink); questions and message boxes through the prompter, with
// the view's window as parent (window-modal).
//
// The view's parts, each with its contract in its header: EditorTextCommands
// (the commands that edit or move in the text) and EditorViewDialogs (the
// commands that ask through a dialog first).

#include <QByteArrayView>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

#include "editor/EditorSettings.h"
#include "editor/TextSearch.h"
#include "platform/ui/CommandTarget.h"

class EditorTextCommands;
class EditorTextControl;
class EditorViewDialogs;
class HexView;
class QStackedWidget;
class QTextEdit;

class CEditorView : public QWidget, public CommandTarget {
    Q_OBJECT

public:
    using NoticeFunction = std::function<void(const QString& text, bool alert)>;

    /// Builds the view for view mode (`viewOnly`, read-only) or edit mode:
    /// the settings are loaded if this is the run's first view, then the
    /// colours and word wrap applied.
    CEditorView(bool viewOnly, QWidget* parent = nullptr);
    ~CEditorView() override;

    void SetNoticeSink(NoticeFunction sink) { m_notice = std::move(sink); }

    // -- The document --------------------------------------------------------

    /// Loads `path`: ".rtf" in view mode as rich text,
    /// everything else as plain text; then the non-text check. A file beyond
    /// the text limit opens in the hex view in view mode and is refused in
    /// edit mode (a truncated text saved back would lose the rest). False
    /// with `error` set when the file cannot be read.
    bool Load(const QString& path, QString* error = nullptr);
    const QString& Path() const { return m_path; }
    bool ViewOnly() const { return m_viewOnly; }
    bool IsRichText() const { return m_richText; }
    bool IsHexMode() const { return m_hexMode; }
    bool IsModified() const;
    /// Writes the text to Path() (or `path`, which then becomes the path).
    bool Save(const QString& path = QString());
    /// With unsaved changes, asks "Save changes to <name>?" (Yes saves). False
    /// when the user cancelled or the save failed.
    bool AskSaveChanges();
    /// Reads the file again (asking first about unsaved changes) and selects
    /// the offsets selected before. False when it was not read again.
    bool Refresh();
    /// Puts the bytes of `path` in place of the selection.
    bool InsertFile(const QString& path);
    /// Hex mode on or off (view mode, plain text only). On does nothing for an
    /// empty file.
    void ToggleHex();

    // -- The text -------------------------------------------------------------

    EditorTextControl* Text() const { return m_text; }
    HexView* Hex() const { return m_hex; }
    QTextEdit* Rich() const { return m_rich; }
    /// The control's text as bytes (valid until the text changes).
    QByteArrayView Bytes() const;
    qint64 Length() const;
    qint64 SelectionStart() const;
    qint64 SelectionEnd() const;
    void SetSelection(qint64 anchor, qint64 caret);
    QByteArray SelectedBytes() const;
    /// Replaces the selection by `bytes`; `undoable` false keeps it out of the
    /// undo history (as replacements and the date are).
    void ReplaceSelection(QByteArrayView bytes, bool undoable = true);
    int LineCount() const;

    // -- Status panes ----------------------------------------------------------

    /// "Ln %d, Col %d", or in hex mode "Off=0x%06X".
    QString PositionText() const;
    /// "OVR" while overwrite is on.
    QString OverwriteText() const;
    /// "*" while the text is modified.
    QString ModifiedText() const;

    // -- Search ------------------------------------------------------------------

    /// A forward search for `text` with the run's options (for FindWithWrap).
    ForwardFind Finder(const QByteArray& text, FindFlags flags) const;
    /// Find with wrap-around for `text`, selecting the hit; the notices "Cursor warped
    /// round the file" and "The specified text cannot be located.". `rangeEnd` nullopt: to the end.
    /// `showNotices` false is the replace dialog's quiet use. True on a hit.
    bool FindText(const QString& text, std::optional<qint64> rangeEnd = std::nullopt,
                  bool showNotices = true, std::optional<bool> cyclic = std::nullopt);
    /// The selection equals `text` (exactly with match case, else without
    /// regard to case).
    bool SelectionEquals(const QString& text) const;

    // -- Commands (also reachable by id) -----------------------------------------

    // (The others are EditorTextCommands'.)
    void MatchBrace(bool extend);
    void DeleteLine();
    void Indent(bool outdent);
    /// Word wrap on or off. A text larger than kWrapLimit is not wrapped
    /// (the notice says why) and the setting is left as it was.
    void SetWordWrap(bool on);
    /// The text is wrapped now.
    bool WrapsText() const;
    /// Above this many bytes a text is shown unwrapped: the control wraps a
    /// text by laying out every line of it.
    static constexpr qint64 kWrapLimit = 1 << 20;
    void Copy();
    /// Colours, font, tab stops and wrap from the run's settings.
    void ApplySettings();
    /// The colours a view of this mode shows: text, background (the menu
    /// colour behind a read-only text unless the chosen colours override it).
    std::pair<QColor, QColor> SchemeColors() const;
    /// Prints the text to `printer` with the run's margins.
    bool Print(class QPrinter& printer);

    /// Notices go to the sink.
    void ShowNotice(const QString& text, bool alert);

    bool OnCommand(int id) override;
    bool OnUpdateCommand(int id, CommandState& state) override;

Q_SIGNALS:
    /// The position, overwrite or modified state may have changed.
    void StatusChanged();
    /// A right click in the text at `globalPos`.
    void ContextMenuRequested(const QPoint& globalPos);

private:
    void LoadPlainBytes(const QByteArray& bytes);
    void TextLoaded();
    void ApplyWrap(bool tellWhyNot);
    void CheckNonText();

    bool m_viewOnly;
    bool m_hexMode = false;
    bool m_richText = false;
    bool m_largeText = false;
    QString m_path;
    EditorTextControl* m_text = nullptr;
    QTextEdit* m_rich = nullptr;
    HexView* m_hex = nullptr;
    QStackedWidget* m_stack = nullptr;
    NoticeFunction m_notice;
    std::unique_ptr<EditorTextCommands> m_edits;
    std::unique_ptr<EditorViewDialogs> m_dialogs;
};
