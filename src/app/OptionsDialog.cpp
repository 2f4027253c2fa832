#include "app/OptionsDialog.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/CMainFrame.h"
#include "app/CPaneSplitter.h"
#include "app/ExternalEditor.h"
#include "pane/CPanexView.h"
#include "pane/ListExtendedStyle.h"
#include "pane/PaneListCtrl.h"
#include "platform/ui/Prompter.h"
#include "platform/watch/ChangeWatch.h"
#include "shell/CommandIds.h"

namespace {

// Hover tracking has no meaning for the panes' lists; the bit is kept in
// the style all the same, so the stored value says what the user chose.
constexpr int kTrackSelect = 0x8;

constexpr int kPageGeneral = 0;
constexpr int kPageUsability = 1;

const QString kControlId = QStringLiteral("controlId");
const QString kNextStartNote = QStringLiteral("Takes effect the next time the program is started.");
const QString kProgramFilter = QStringLiteral("Programs (*)");
const QString kProgramFolder = QStringLiteral("/usr/bin");

CGeneralPDlg::ProgramChooser& Chooser() {
    static CGeneralPDlg::ProgramChooser chooser;
    return chooser;
}

std::optional<QString> ChooseProgramWithDialog(QWidget* parent) {
    // An existing file; the process's current folder is not changed (the
    // dialog never changes it).
    const QString path =
        QFileDialog::getOpenFileName(parent, QString(), kProgramFolder, kProgramFilter, nullptr,
                                     QFileDialog::DontUseNativeDialog);
    if (path.isEmpty())
        return std::nullopt;
    return path;
}

template <typename Widget>
Widget* Tagged(Widget* widget, const char* name, int controlId) {
    widget->setObjectName(QString::fromLatin1(name));
    widget->setProperty(kControlId.toLatin1().constData(), controlId);
    return widget;
}

QLineEdit* NumberField(QWidget* parent, const char* name, int controlId) {
    auto* field = Tagged(new QLineEdit(parent), name, controlId);
    // Digits only, as a number edit takes them; the range is the
    // validation's business, so a value out of it can still be typed and
    // is refused with its message.
    field->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,6}")), field));
    field->setMaximumWidth(field->fontMetrics().horizontalAdvance(QStringLiteral("0000000")) + 12);
    return field;
}

// Reads a whole number from `field`; on failure the warning, the focus on
// the field and nullopt.
std::optional<int> ReadNumber(QLineEdit* field, int lower, int upper) {
    bool ok = false;
    const int value = field->text().trimmed().toInt(&ok);
    QString problem;
    if (!ok)
        problem = OptionNotNumberMessage();
    else if (value < lower || value > upper)
        problem = OptionRangeMessage(lower, upper);
    if (problem.isEmpty())
        return value;
    MessageBoxText(problem, PromptButtons::Ok, PromptIcon::Warning, field->window());
    field->setFocus(Qt::OtherFocusReason);
    field->selectAll();
    return std::nullopt;
}

// A program path that the command line's splitting would cut at a blank or
// read a quote or '%' in is given quoted; a plain path stays as it is.
QString AsCommand(const QString& path) {
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_./+,:@=-]+$"));
    return plain.match(path).hasMatch() ? path : QuoteCommandLineArgument(path);
}

}  // namespace

QString OptionRangeMessage(int lower, int upper) {
    return QStringLiteral("Please enter an integer between %1 and %2.").arg(lower).arg(upper);
}

QString OptionNotNumberMessage() {
    return QStringLiteral("Please enter an integer.");
}

// -- The values ------------------------------------------------------------------

UsabilityValues UsabilityValues::From(int listStyle, int maxColumnWidth, bool sideBySide,
                                      int treeOptions) {
    using namespace ListExtendedStyle;
    UsabilityValues values;
    values.singleClick = listStyle & kOneClickActivate;
    values.gridLines = listStyle & kGridLines;
    values.infoTips = listStyle & kInfoTip;
    values.fullRowSelect = listStyle & kFullRowSelect;
    values.maxColumnWidth = maxColumnWidth;
    values.sideBySide = sideBySide;
    values.treeSingleClick = treeOptions & TreeOptionBits::kSingleClick;
    values.treeFocusView = treeOptions & TreeOptionBits::kFocusView;
    values.treeHoverExpand = treeOptions & TreeOptionBits::kHoverExpand;
    return values;
}

int ComposeListExtendedStyle(int current, const UsabilityValues& values) {
    using namespace ListExtendedStyle;
    int style = current & ~(kOneClickActivate | kTrackSelect | kUnderlineHot | kInfoTip |
                            kFullRowSelect | kGridLines);
    if (values.singleClick)
        style |= kOneClickActivate | kTrackSelect | kUnderlineHot;
    if (values.gridLines)
        style |= kGridLines;
    if (values.infoTips)
        style |= kInfoTip;
    if (values.fullRowSelect)
        style |= kFullRowSelect;
    return style;
}

int ComposeTreeOptions(int current, const UsabilityValues& values) {
    using namespace TreeOptionBits;
    int options = current & ~(kSingleClick | kHoverExpand | kFocusView);
    if (values.treeSingleClick)
        options |= kSingleClick;
    if (values.treeHoverExpand)
        options |= kHoverExpand;
    if (values.treeFocusView)
        options |= kFocusView;
    return options;
}

int StoredMaxColumnWidth(int entered) {
    return entered < kMinMaxListColumnWidth ? 0 : entered;
}

GeneralOptionsCopy GeneralOptionsCopy::Of(const GeneralSettings& s) {
    return {s.saveSettings,      s.fileDateUsed,       s.showHiddenFiles, s.historyItems,
            s.useExternalEditor, s.externalEditorName, s.drivebarLetters, s.autoReSort,
            s.flatToolbars,      s.commanderMode,      s.alwaysShowTabBar};
}

void GeneralOptionsCopy::RestoreInto(GeneralSettings& s) const {
    s.saveSettings = saveSettings;
    s.fileDateUsed = fileDateUsed;
    s.showHiddenFiles = showHiddenFiles;
    s.historyItems = historyItems;
    s.useExternalEditor = useExternalEditor;
    s.externalEditorName = externalEditorName;
    s.drivebarLetters = drivebarLetters;
    s.autoReSort = autoReSort;
    s.flatToolbars = flatToolbars;
    s.commanderMode = commanderMode;
    s.alwaysShowTabBar = alwaysShowTabBar;
}

// -- General ----------------------------------------------------------------------

CGeneralPDlg::CGeneralPDlg(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("CGeneralPDlg"));
    auto* layout = new QVBoxLayout(this);

    auto* dates = new QGroupBox(QStringLiteral("File time/date to show in Details view:"), this);
    auto* datesLayout = new QHBoxLayout(dates);
    const char* dateNames[3] = {"dateModified", "dateCreated", "dateAccessed"};
    const QString dateTexts[3] = {QStringLiteral("Last &Modified"),
                                  QStringLiteral("Originally &Created"),
                                  QStringLiteral("Last &Accessed")};
    for (int i = 0; i < 3; ++i) {
        m_date[i] = Tagged(new QRadioButton(dateTexts[i], dates), dateNames[i], 1032 + i);
        datesLayout->addWidget(m_date[i]);
    }
    datesLayout->addStretch();
    layout->addWidget(dates);

    auto* editor = new QGroupBox(QStringLiteral("Editor/Viewer"), this);
    auto* editorLayout = new QVBoxLayout(editor);
    m_internal =
        Tagged(new QRadioButton(QStringLiteral("Use the i&nternal, fast loading applet"), editor),
               "internalEditor", 1073);
    m_external =
        Tagged(new QRadioButton(QStringLiteral("&External"), editor), "externalEditor", 1074);
    m_editorName = Tagged(new QLineEdit(editor), "externalEditorName", 1075);
    m_editorName->setToolTip(
        QStringLiteral("The command that starts the editor; the file's path follows it"));
    m_browse = Tagged(new QPushButton(QStringLiteral("&Browse..."), editor), "browse", 1076);
    auto* externalRow = new QHBoxLayout;
    externalRow->addWidget(m_external);
    externalRow->addWidget(m_editorName, 1);
    externalRow->addWidget(m_browse);
    editorLayout->addWidget(m_internal);
    editorLayout->addLayout(externalRow);
    layout->addWidget(editor);
    connect(m_internal, &QRadioButton::toggled, this, [this] { EnableEditorFields(); });
    connect(m_external, &QRadioButton::toggled, this, [this] { EnableEditorFields(); });
    connect(m_browse, &QPushButton::clicked, this, [this] { Browse(); });

    m_saveSettings = Tagged(new QCheckBox(QStringLiteral("&Save program state on exit"), this),
                            "saveSettings", 1031);
    m_hiddenFiles =
        Tagged(new QCheckBox(QStringLiteral("Show &Hidden files"), this), "showHiddenFiles", 1030);
    m_drivebarLetters =
        Tagged(new QCheckBox(QStringLiteral("Show volume &Labels on VolumeBar"), this),
               "drivebarLetters", 1035);
    m_drivebarLetters->setToolTip(kNextStartNote);
    m_autoReSort =
        Tagged(new QCheckBox(QStringLiteral("Auto &Re-Sort after Moving/Copying etc."), this),
               "autoReSort", 1036);
    m_flatToolbars =
        Tagged(new QCheckBox(QStringLiteral("&Flat Toolbars"), this), "flatToolbars", 1038);
    m_commanderMode = new QCheckBox(
        QStringLiteral("C&ommander mode: the cursor row is the operand, F7 new folder, F8 delete"),
        this);
    m_commanderMode->setObjectName(QStringLiteral("commanderMode"));
    m_commanderMode->setToolTip(
        QStringLiteral("With nothing marked, commands act on the row under the cursor; moving "
                       "the cursor never marks (Space and Insert do); after a copy or move only "
                       "the arrivals are marked"));
    m_alwaysShowTabBar = new QCheckBox(QStringLiteral("Always show the &tab bar"), this);
    m_alwaysShowTabBar->setObjectName(QStringLiteral("alwaysShowTabBar"));
    m_alwaysShowTabBar->setToolTip(
        QStringLiteral("Without it a pane shows its tabs once it has more than one"));
    for (QCheckBox* box : {m_saveSettings, m_hiddenFiles, m_drivebarLetters, m_autoReSort,
                           m_flatToolbars, m_commanderMode, m_alwaysShowTabBar})
        layout->addWidget(box);

    m_historyItems = NumberField(this, "historyItems", 1037);
    auto* historyRow = new QHBoxLayout;
    auto* historyLabel = new QLabel(QStringLiteral("History &Items maintained"), this);
    historyLabel->setBuddy(m_historyItems);
    historyRow->addWidget(historyLabel);
    historyRow->addWidget(m_historyItems);
    historyRow->addStretch();
    layout->addLayout(historyRow);
    layout->addStretch();
}

void CGeneralPDlg::Load(const GeneralSettings& settings) {
    const int date =
        settings.fileDateUsed >= 0 && settings.fileDateUsed <= 2 ? settings.fileDateUsed : 0;
    m_date[date]->setChecked(true);
    (settings.useExternalEditor ? m_external : m_internal)->setChecked(true);
    m_editorName->setText(settings.externalEditorName);
    m_saveSettings->setChecked(settings.saveSettings);
    m_hiddenFiles->setChecked(settings.showHiddenFiles);
    m_historyItems->setText(QString::number(settings.historyItems));
    m_drivebarLetters->setChecked(settings.drivebarLetters);
    m_autoReSort->setChecked(settings.autoReSort);
    m_flatToolbars->setChecked(settings.flatToolbars);
    m_commanderMode->setChecked(settings.commanderMode);
    m_alwaysShowTabBar->setChecked(settings.alwaysShowTabBar);
    EnableEditorFields();
}

void CGeneralPDlg::EnableEditorFields() {
    const bool external = m_external->isChecked();
    m_editorName->setEnabled(external);
    m_browse->setEnabled(external);
}

bool CGeneralPDlg::Validate(GeneralSettings& settings) {
    const std::optional<int> historyItems =
        ReadNumber(m_historyItems, kMinHistoryItems, kMaxHistoryItems);
    if (!historyItems)
        return false;
    const bool external = m_external->isChecked();
    const QString editorName = m_editorName->text().trimmed();
    if (external && editorName.isEmpty()) {
        MessageBoxText(kNoExternalEditor, PromptButtons::Ok, PromptIcon::Warning, window());
        m_editorName->setFocus(Qt::OtherFocusReason);
        return false;
    }
    m_editorName->setText(editorName);

    for (int i = 0; i < 3; ++i) {
        if (m_date[i]->isChecked())
            settings.fileDateUsed = i;
    }
    settings.useExternalEditor = external;
    settings.externalEditorName = editorName;
    settings.saveSettings = m_saveSettings->isChecked();
    settings.showHiddenFiles = m_hiddenFiles->isChecked();
    settings.historyItems = *historyItems;
    settings.drivebarLetters = m_drivebarLetters->isChecked();
    settings.autoReSort = m_autoReSort->isChecked();
    settings.flatToolbars = m_flatToolbars->isChecked();
    settings.commanderMode = m_commanderMode->isChecked();
    settings.alwaysShowTabBar = m_alwaysShowTabBar->isChecked();
    return true;
}

void CGeneralPDlg::Browse() {
    const ProgramChooser& chooser = Chooser();
    const std::optional<QString> path =
        chooser ? chooser(window()) : ChooseProgramWithDialog(window());
    if (path && !path->isEmpty())
        m_editorName->setText(AsCommand(*path));
}

void CGeneralPDlg::SetProgramChooser(ProgramChooser chooser) {
    Chooser() = std::move(chooser);
}

// -- Usability --------------------------------------------------------------------

CUsabilityPDlg::CUsabilityPDlg(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("CUsabilityPDlg"));
    auto* layout = new QVBoxLayout(this);

    auto* lists = new QGroupBox(QStringLiteral("Folder panes"), this);
    auto* listsLayout = new QVBoxLayout(lists);
    m_singleClick = Tagged(new QCheckBox(QStringLiteral("&Single click activation"), lists),
                           "singleClick", 1084);
    m_gridLines = Tagged(new QCheckBox(QStringLiteral("&Grid lines in detailed mode"), lists),
                         "gridLines", 1085);
    m_infoTips =
        Tagged(new QCheckBox(QStringLiteral("&Infotips for items"), lists), "infoTips", 1086);
    m_fullRow =
        Tagged(new QCheckBox(QStringLiteral("Full &row selection"), lists), "fullRowSelect", 1091);
    for (QCheckBox* box : {m_singleClick, m_gridLines, m_infoTips, m_fullRow})
        listsLayout->addWidget(box);
    m_maxColumnWidth = NumberField(lists, "maxColumnWidth", 1087);
    auto* widthRow = new QHBoxLayout;
    auto* widthLabel =
        new QLabel(QStringLiteral("&Maximum column width in list mode (pixels): "), lists);
    widthLabel->setBuddy(m_maxColumnWidth);
    widthRow->addWidget(widthLabel);
    widthRow->addWidget(m_maxColumnWidth);
    widthRow->addStretch();
    listsLayout->addLayout(widthRow);
    layout->addWidget(lists);

    auto* tiling = new QGroupBox(QStringLiteral("Pane alignment (tiling):"), this);
    auto* tilingLayout = new QHBoxLayout(tiling);
    m_horizontal =
        Tagged(new QRadioButton(QStringLiteral("&Horizontal"), tiling), "horizontal", 1092);
    m_horizontal->setToolTip(QStringLiteral("The panes one above the other"));
    m_vertical = Tagged(new QRadioButton(QStringLiteral("&Vertical"), tiling), "vertical", 1093);
    m_vertical->setToolTip(QStringLiteral("The panes side by side"));
    auto* note = new QLabel(kNextStartNote, tiling);
    note->setEnabled(false);
    tilingLayout->addWidget(m_horizontal);
    tilingLayout->addWidget(m_vertical);
    tilingLayout->addSpacing(12);
    tilingLayout->addWidget(note);
    tilingLayout->addStretch();
    layout->addWidget(tiling);

    auto* tree = new QGroupBox(QStringLiteral("Folder tree"), this);
    auto* treeLayout = new QVBoxLayout(tree);
    m_treeSingleClick = Tagged(
        new QCheckBox(QStringLiteral("Single &click to change folder && \"hands-free\" activation"),
                      tree),
        "treeSingleClick", 1088);
    m_treeFocusView = Tagged(
        new QCheckBox(QStringLiteral("Automatically shift &focus to view after activation"), tree),
        "treeFocusView", 1090);
    m_treeHoverExpand = Tagged(
        new QCheckBox(QStringLiteral("&Automatic branch expansion when hovering on a node"), tree),
        "treeHoverExpand", 1089);
    for (QCheckBox* box : {m_treeSingleClick, m_treeFocusView, m_treeHoverExpand})
        treeLayout->addWidget(box);
    layout->addWidget(tree);
    layout->addStretch();
}

void CUsabilityPDlg::Load(const UsabilityValues& values) {
    m_singleClick->setChecked(values.singleClick);
    m_gridLines->setChecked(values.gridLines);
    m_infoTips->setChecked(values.infoTips);
    m_fullRow->setChecked(values.fullRowSelect);
    m_maxColumnWidth->setText(QString::number(values.maxColumnWidth));
    (values.sideBySide ? m_vertical : m_horizontal)->setChecked(true);
    m_treeSingleClick->setChecked(values.treeSingleClick);
    m_treeFocusView->setChecked(values.treeFocusView);
    m_treeHoverExpand->setChecked(values.treeHoverExpand);
}

std::optional<UsabilityValues> CUsabilityPDlg::Validate() {
    const std::optional<int> width =
        ReadNumber(m_maxColumnWidth, kMinColumnWidthEntry, kMaxColumnWidthEntry);
    if (!width)
        return std::nullopt;
    UsabilityValues values;
    values.singleClick = m_singleClick->isChecked();
    values.gridLines = m_gridLines->isChecked();
    values.infoTips = m_infoTips->isChecked();
    values.fullRowSelect = m_fullRow->isChecked();
    values.maxColumnWidth = StoredMaxColumnWidth(*width);
    values.sideBySide = m_vertical->isChecked();
    values.treeSingleClick = m_treeSingleClick->isChecked();
    values.treeFocusView = m_treeFocusView->isChecked();
    values.treeHoverExpand = m_treeHoverExpand->isChecked();
    return values;
}

// -- The sheet --------------------------------------------------------------------

COptionsSheet::COptionsSheet(CMainFrame& frame, int& lastPage, QWidget* parent)
    : QDialog(parent), m_frame(frame), m_lastPage(lastPage) {
    setObjectName(QStringLiteral("OptionsSheet"));
    setWindowTitle(kOptionsTitle);
    auto* layout = new QVBoxLayout(this);
    m_pages = new QTabWidget(this);
    m_general = new CGeneralPDlg(m_pages);
    m_usability = new CUsabilityPDlg(m_pages);
    m_pages->addTab(m_general, kGeneralPageTitle);
    m_pages->addTab(m_usability, kUsabilityPageTitle);
    layout->addWidget(m_pages);
    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Ok"));
    layout->addWidget(m_buttons);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &COptionsSheet::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &COptionsSheet::reject);

    // Opening: the copy Cancel puts back.
    m_copy = GeneralOptionsCopy::Of(General());
    m_general->Load(General());
    // The usability page reads the active pane's list.
    const CPanexView* active = frame.GetActivePane();
    const int listStyle = active ? active->List()->ExtendedStyle() : General().listExtendedStyle;
    const int maxWidth = active ? active->maxListColumnWidth() : 0;
    m_usability->Load(
        UsabilityValues::From(listStyle, maxWidth, frame.IsSideBySide(), frame.TreeOptions()));

    m_shownPage = lastPage == kPageUsability ? kPageUsability : kPageGeneral;
    m_pages->setCurrentIndex(m_shownPage);
    connect(m_pages, &QTabWidget::currentChanged, this, &COptionsSheet::OnPageChanged);
}

QPushButton* COptionsSheet::OkButton() const {
    return m_buttons->button(QDialogButtonBox::Ok);
}

bool COptionsSheet::ValidatePage(int index) {
    if (index == kPageGeneral)
        return m_general->Validate(MutableGeneral());
    return m_usability->Validate().has_value();
}

void COptionsSheet::OnPageChanged(int index) {
    if (m_turningBack)
        return;
    // The tab has changed already; the page left is shown again before its
    // validation, so a warning's field is in view.
    ShowPage(m_shownPage);
    if (ValidatePage(m_shownPage))
        ShowPage(index);
}

void COptionsSheet::accept() {
    // Both pages, the one shown first; a page that refuses is shown with
    // its warning and the sheet stays open.
    const int shown = m_shownPage;
    std::optional<UsabilityValues> values;
    for (int page : {shown, 1 - shown}) {
        ShowPage(page);
        if (page == kPageGeneral) {
            if (!m_general->Validate(MutableGeneral()))
                return;
        } else if (!(values = m_usability->Validate())) {
            return;
        }
    }
    ShowPage(shown);
    ApplyChanges(*values);
    QDialog::accept();
}

void COptionsSheet::ShowPage(int index) {
    m_turningBack = true;
    m_pages->setCurrentIndex(index);
    m_turningBack = false;
    m_shownPage = index;
}

void COptionsSheet::ApplyChanges(const UsabilityValues& values) {
    const GeneralSettings& now = General();
    // Every tab of both panes, the hidden ones too.
    const QList<CPanexView*> panes = m_frame.Splitter()->findChildren<CPanexView*>();

    // The page to open with next time.
    m_lastPage = m_shownPage;
    // Each pane reads its folder again, through the message its
    // watch would post.
    if (now.showHiddenFiles != m_copy.showHiddenFiles) {
        for (CPanexView* pane : panes) {
            if (pane)
                QCoreApplication::postEvent(
                    pane, new ChangeWatchEvent(QEvent::Type(WM_FOLDER_CHANGED), 0));
        }
    }
    // The date columns show the date now used.
    if (now.fileDateUsed != m_copy.fileDateUsed) {
        for (CPanexView* pane : panes) {
            if (pane)
                pane->List()->UpdateDateColumn();
        }
    }
    // Some changes take effect at the next start; say so.
    if (now.drivebarLetters != m_copy.drivebarLetters ||
        values.sideBySide != m_frame.IsSideBySide())
        MessageBoxText(kNextStartMessage, PromptButtons::Ok, PromptIcon::Information, this);
    m_frame.SetSideBySide(values.sideBySide);
    if (now.flatToolbars != m_copy.flatToolbars)
        m_frame.SetFlatBars(now.flatToolbars);
    m_frame.SetTreeOptions(ComposeTreeOptions(m_frame.TreeOptions(), values));
    // A changed list style goes to both panes.
    if (const CPanexView* active = m_frame.GetActivePane()) {
        const int current = active->List()->ExtendedStyle();
        const int style = ComposeListExtendedStyle(current, values);
        if (style != current) {
            for (CPanexView* pane : panes) {
                if (pane)
                    pane->List()->ApplyExtendedStyle(style);
            }
            MutableGeneral().listExtendedStyle = style;
        }
    }
    for (CPanexView* pane : panes) {
        if (pane)
            pane->SetMaxListColumnWidth(values.maxColumnWidth);
    }
}

void COptionsSheet::reject() {
    m_copy.RestoreInto(MutableGeneral());
    QDialog::reject();
}
