#include "editor/EditorViewDialogs.h"

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <memory>
#include <optional>

#include "editor/CEditorView.h"
#include "editor/EditorDialogs.h"
#include "editor/EditorSettings.h"
#include "editor/EditorTextCommands.h"
#include "editor/EditorTextControl.h"
#include "editor/ReplaceSession.h"

namespace {

const QString kGotoLinePrompt = QStringLiteral("Enter Line Number");
const QString kTabWidthPrompt = QStringLiteral("Enter new Tab Width");

// The printer of the run: the one page setup chose is the one printing uses.
// A printer must go before the application object does.
QsciPrinter& RunPrinter() {
    static std::unique_ptr<QsciPrinter> printer;
    if (!printer) {
        printer = std::make_unique<QsciPrinter>();
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, [] { printer.reset(); });
    }
    return *printer;
}

}  // namespace

void EditorViewDialogs::Find() {
    FindDialog dialog(QString::fromUtf8(m_view.SelectedBytes()), &m_view);
    if (!RunEditorDialog(dialog))
        return;
    m_view.FindText(dialog.FindWhat()->currentText());
}

void EditorViewDialogs::FindSelection() {
    const QString text = QString::fromUtf8(m_view.SelectedBytes());
    RememberFindText(text);
    m_view.FindText(text);
}

void EditorViewDialogs::Replace() {
    ReplaceSession session(m_view);
    ReplaceDialog dialog(session, &m_view);
    RunEditorDialog(dialog);
}

void EditorViewDialogs::GotoLine() {
    const int lines = m_view.LineCount();
    if (lines < 2)
        return;
    const int current = m_view.Text()->LineOf(m_view.SelectionStart()) + 1;
    if (const std::optional<int> line =
            AskNumber(m_view.window(), kGotoLinePrompt, 1, lines, current))
        m_edits.GotoLine(*line);
}

void EditorViewDialogs::TabWidth() {
    if (const std::optional<int> width =
            AskNumber(m_view.window(), kTabWidthPrompt, 1, 32, EditorConfig().tabWidth))
        m_edits.SetTabWidth(*width);
}

void EditorViewDialogs::Font() {
    QFontDialog dialog(EditorConfig().charFormat.ToFont(), &m_view);
    dialog.setOption(QFontDialog::ScalableFonts);
    if (!RunEditorDialog(dialog))
        return;
    EditorConfig().charFormat = EditorCharFormat::FromFont(dialog.selectedFont());
    m_view.ApplySettings();
}

void EditorViewDialogs::Colors() {
    ColorSchemeDialog dialog(!m_view.ViewOnly(), &m_view);
    if (RunEditorDialog(dialog))
        m_view.ApplySettings();
}

void EditorViewDialogs::PageSetup() {
    QsciPrinter& printer = RunPrinter();
    std::array<int, 4>& m = EditorConfig().margins;
    // The dialog works in millimetres; the margins stay in twips.
    printer.setPageMargins(
        QMarginsF(TwipsToHundredthsMm(m[0]) / 100.0, TwipsToHundredthsMm(m[1]) / 100.0,
                  TwipsToHundredthsMm(m[2]) / 100.0, TwipsToHundredthsMm(m[3]) / 100.0),
        QPageLayout::Millimeter);
    QPageSetupDialog dialog(&printer, &m_view);
    if (!RunEditorDialog(dialog))
        return;
    const QMarginsF chosen = printer.pageLayout().margins(QPageLayout::Millimeter);
    m = {HundredthsMmToTwips(qRound(chosen.left() * 100)),
         HundredthsMmToTwips(qRound(chosen.top() * 100)),
         HundredthsMmToTwips(qRound(chosen.right() * 100)),
         HundredthsMmToTwips(qRound(chosen.bottom() * 100))};
}

void EditorViewDialogs::Print() {
    QPrintDialog dialog(&RunPrinter(), &m_view);
    if (RunEditorDialog(dialog))
        m_view.Print(RunPrinter());
}

void EditorViewDialogs::SaveAs() {
    QFileDialog dialog(&m_view, QString(), m_view.Path());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    if (RunEditorDialog(dialog) && !dialog.selectedFiles().isEmpty())
        m_view.Save(dialog.selectedFiles().constFirst());
}

void EditorViewDialogs::InsertFile() {
    QFileDialog dialog(&m_view, QStringLiteral("Insert"), QFileInfo(m_view.Path()).absolutePath());
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (RunEditorDialog(dialog) && !dialog.selectedFiles().isEmpty())
        m_view.InsertFile(dialog.selectedFiles().constFirst());
}

void EditorViewDialogs::DefineAutoText() {
    AutoTextDefineDialog dialog(&m_view);
    RunEditorDialog(dialog);
    if (auto* window = qobject_cast<MnemonicsWindow*>(m_mnemonics.data()))
        window->Refresh();
}

void EditorViewDialogs::ToggleMnemonics() {
    if (!m_mnemonics) {
        m_mnemonics = new MnemonicsWindow(
            [this](int slot) {
                m_edits.InsertAutoText(slot);
                m_view.window()->activateWindow();
                m_view.Text()->setFocus();
            },
            m_view.window());
    }
    m_mnemonics->setVisible(!m_mnemonics->isVisible());
}
