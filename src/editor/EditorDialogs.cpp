#include "editor/EditorDialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QVBoxLayout>

#include "editor/AutoText.h"
#include "editor/CEditorView.h"
#include "editor/EditorHost.h"
#include "editor/EditorSettings.h"
#include "editor/EditorTextControl.h"
#include "editor/ReplaceSession.h"
#include "platform/ui/Prompter.h"
#include "shell/GeneralSettings.h"

namespace {

EditorDialogRunner& Runner() {
    static EditorDialogRunner runner;
    return runner;
}

const QString kRangeMessage = QStringLiteral("Please enter an integer between %1 and %2.");

QIcon ColorIcon(const QColor& color, bool automatic) {
    QPixmap pixmap(40, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(Qt::black);
    painter.drawRect(pixmap.rect().adjusted(0, 0, -1, -1));
    painter.fillRect(pixmap.rect().adjusted(2, 2, -2, -2), color);
    if (automatic) {
        painter.setPen(QColor(255 - color.red(), 255 - color.green(), 255 - color.blue()));
        painter.drawText(pixmap.rect(), Qt::AlignCenter, QStringLiteral("Auto"));
    }
    return QIcon(pixmap);
}

}  // namespace

EditorDialogRunner SetEditorDialogRunner(EditorDialogRunner runner) {
    return std::exchange(Runner(), std::move(runner));
}

bool RunEditorDialog(QDialog& dialog) {
    if (Runner())
        return Runner()(dialog);
    dialog.setWindowModality(Qt::WindowModal);
    return dialog.exec() == QDialog::Accepted;
}

std::optional<int> AskNumber(QWidget* parent, const QString& prompt, int minimum, int maximum,
                             int initial) {
    QString text = QString::number(initial);
    for (;;) {
        InputRequest request;
        request.prompt = prompt;
        request.initialText = text;
        request.parent = parent;
        const std::optional<QString> answer = Prompts().InputBox(request);
        if (!answer)
            return std::nullopt;
        bool ok = false;
        const int value = answer->trimmed().toInt(&ok);
        if (ok && value >= minimum && value <= maximum)
            return value;
        MessageBoxText(kRangeMessage.arg(minimum).arg(maximum), PromptButtons::Ok,
                       PromptIcon::Warning, parent);
        text = *answer;
    }
}

// -- Find ---------------------------------------------------------------------

FindDialog::FindDialog(const QString& initial, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Find Text"));
    m_find = new QComboBox(this);
    m_find->setEditable(true);
    m_find->lineEdit()->setMaxLength(kMaxText);
    EditorFindHistory().FillCombo(General().historyItems, m_find, initial.left(kMaxText));
    const EditorSearchOptions& options = EditorConfig().search;
    m_matchCase = new QCheckBox(QStringLiteral("Match &case"), this);
    m_matchCase->setChecked(options.matchCase);
    m_wholeWords = new QCheckBox(QStringLiteral("&Whole words only"), this);
    m_wholeWords->setChecked(options.wholeWords);
    m_backwards = new QCheckBox(QStringLiteral("Search &backwards"), this);
    m_backwards->setChecked(options.backwards);
    m_cyclic = new QCheckBox(QStringLiteral("Cyclic &search"), this);
    m_cyclic->setChecked(options.cyclic);
    auto* findNext = new QPushButton(QStringLiteral("Find Next"), this);
    findNext->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    connect(findNext, &QPushButton::clicked, this, &FindDialog::OnFindNext);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QGridLayout(this);
    auto* label = new QLabel(QStringLiteral("Fi&nd what:"), this);
    label->setBuddy(m_find);
    layout->addWidget(label, 0, 0);
    layout->addWidget(m_find, 0, 1);
    layout->addWidget(findNext, 0, 2);
    layout->addWidget(m_matchCase, 1, 0, 1, 2);
    layout->addWidget(cancel, 1, 2);
    layout->addWidget(m_wholeWords, 2, 0, 1, 2);
    layout->addWidget(m_backwards, 3, 0, 1, 2);
    layout->addWidget(m_cyclic, 4, 0, 1, 2);
}

void FindDialog::OnFindNext() {
    const QString text = m_find->currentText();
    if (text.isEmpty()) {
        MessageBoxText(kEmptySearchMessage, PromptButtons::Ok, PromptIcon::Warning, this);
        m_find->setFocus();
        return;
    }
    EditorSearchOptions& options = EditorConfig().search;
    options.matchCase = m_matchCase->isChecked();
    options.wholeWords = m_wholeWords->isChecked();
    options.backwards = m_backwards->isChecked();
    options.cyclic = m_cyclic->isChecked();
    RememberFindText(text);
    accept();
}

// -- Replace -----------------------------------------------------------------

ReplaceDialog::ReplaceDialog(ReplaceSession& session, QWidget* parent)
    : QDialog(parent), m_session(session), m_view(qobject_cast<CEditorView*>(parent)) {
    setWindowTitle(QStringLiteral("Replace Text"));
    const int items = General().historyItems;
    m_find = new QComboBox(this);
    m_find->setEditable(true);
    m_find->lineEdit()->setMaxLength(FindDialog::kMaxText);
    EditorFindHistory().FillCombo(items, m_find, session.InitialFindText());
    m_replace = new QComboBox(this);
    m_replace->setEditable(true);
    m_replace->lineEdit()->setMaxLength(FindDialog::kMaxText);
    ReplaceTextHistory().FillCombo(items, m_replace, QString());
    const EditorSearchOptions& options = EditorConfig().search;
    m_matchCase = new QCheckBox(QStringLiteral("Match &case"), this);
    m_matchCase->setChecked(options.matchCase);
    m_wholeWords = new QCheckBox(QStringLiteral("&Whole words only"), this);
    m_wholeWords->setChecked(options.wholeWords);
    m_backwards = new QCheckBox(QStringLiteral("Search &backwards"), this);
    m_backwards->setChecked(options.backwards);
    m_selectionOnly = new QCheckBox(QStringLiteral("Apply to current &selection only"), this);
    m_selectionOnly->setEnabled(session.RangeMode());
    m_backwards->setEnabled(!session.RangeMode());
    m_replaceButton = new QPushButton(QStringLiteral("R&eplace"), this);
    m_replaceAllButton = new QPushButton(QStringLiteral("Replace &All"), this);
    m_findNextButton = new QPushButton(QStringLiteral("Find &Next"), this);
    m_findNextButton->setDefault(true);
    auto* close = new QPushButton(QStringLiteral("Close"), this);

    auto* layout = new QGridLayout(this);
    auto* findLabel = new QLabel(QStringLiteral("&Find what"), this);
    findLabel->setBuddy(m_find);
    auto* replaceLabel = new QLabel(QStringLiteral("&Replace with"), this);
    replaceLabel->setBuddy(m_replace);
    layout->addWidget(findLabel, 0, 0);
    layout->addWidget(m_find, 0, 1);
    layout->addWidget(m_findNextButton, 0, 2);
    layout->addWidget(replaceLabel, 1, 0);
    layout->addWidget(m_replace, 1, 1);
    layout->addWidget(m_replaceButton, 1, 2);
    layout->addWidget(m_matchCase, 2, 0, 1, 2);
    layout->addWidget(m_replaceAllButton, 2, 2);
    layout->addWidget(m_wholeWords, 3, 0, 1, 2);
    layout->addWidget(close, 3, 2);
    layout->addWidget(m_backwards, 4, 0, 1, 2);
    layout->addWidget(m_selectionOnly, 5, 0, 1, 2);

    const auto changed = [this] {
        m_session.Reenable();
        UpdateButtons();
    };
    connect(m_find, &QComboBox::editTextChanged, this, changed);
    connect(m_matchCase, &QCheckBox::toggled, this, changed);
    connect(m_wholeWords, &QCheckBox::toggled, this, changed);
    connect(m_backwards, &QCheckBox::toggled, this, changed);
    connect(m_selectionOnly, &QCheckBox::toggled, this, [this](bool on) {
        m_session.SetSelectionOnly(on);
        m_backwards->setChecked(m_backwards->isChecked() && !on);
        m_backwards->setEnabled(!on);
        UpdateButtons();
    });
    connect(m_findNextButton, &QPushButton::clicked, this, [this] {
        TakeValues();
        if (m_session.FindNext())
            MoveOutOfTheWay();
        UpdateButtons();
    });
    connect(m_replaceButton, &QPushButton::clicked, this, [this] {
        TakeValues();
        if (m_session.Replace())
            MoveOutOfTheWay();
        UpdateButtons();
    });
    connect(m_replaceAllButton, &QPushButton::clicked, this, [this] {
        TakeValues();
        m_session.ReplaceAll();
        UpdateButtons();
    });
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    connect(this, &QDialog::finished, this, [this] { m_session.Close(); });
    // A selection that already is the text: the dialog must not hide it.
    m_moveWhenShown = m_view && !session.InitialFindText().isEmpty() &&
                      m_view->SelectionEquals(session.InitialFindText());
}

void ReplaceDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (std::exchange(m_moveWhenShown, false))
        MoveOutOfTheWay();
}

void ReplaceDialog::TakeValues() {
    EditorSearchOptions& options = EditorConfig().search;
    options.matchCase = m_matchCase->isChecked();
    options.wholeWords = m_wholeWords->isChecked();
    options.backwards = m_backwards->isChecked() && m_backwards->isEnabled();
    m_session.SetTexts(m_find->currentText(), m_replace->currentText());
}

void ReplaceDialog::UpdateButtons() {
    const bool on = m_session.ButtonsEnabled();
    m_replaceButton->setEnabled(on);
    m_replaceAllButton->setEnabled(on);
    m_findNextButton->setEnabled(on);
}

void ReplaceDialog::MoveOutOfTheWay() {
    if (!m_view || !isVisible())
        return;
    EditorTextControl* text = m_view->Text();
    const qint64 start = m_view->SelectionStart();
    const int x =
        int(text->SendScintilla(QsciScintillaBase::SCI_POINTXFROMPOSITION, 0ul, long(start)));
    const int y =
        int(text->SendScintilla(QsciScintillaBase::SCI_POINTYFROMPOSITION, 0ul, long(start)));
    const QPoint p = text->viewport()->mapToGlobal(QPoint(x, y));
    const QRect frame = frameGeometry();
    if (!frame.contains(p))
        return;
    if (frame.height() < p.y()) {
        move(frame.left(), p.y() - 20 - frame.height());
    } else if (const QScreen* screen = this->screen();
               screen && p.y() + 40 + frame.height() <= screen->availableGeometry().bottom()) {
        move(frame.left(), p.y() + 40);
    }
}

// -- Colours ------------------------------------------------------------------

const std::array<int, 16>& ColorSchemeDialog::FixedColors() {
    static const std::array<int, 16> colors = {
        0x000000, 0xFFFFFF, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080, 0x808000,
        0xC0C0C0, 0x808080, 0x0000FF, 0x00FF00, 0x00FFFF, 0xFF0000, 0xFF00FF, 0xFFFF00};
    return colors;
}

int ColorSchemeDialog::ValueOf(int index) {
    return index <= 0 ? -1 : FixedColors()[std::size_t(index - 1)];
}

ColorSchemeDialog::ColorSchemeDialog(bool editMode, QWidget* parent) : QDialog(parent) {
    Q_UNUSED(editMode);
    setWindowTitle(QStringLiteral("Editor color scheme"));
    const QPalette palette = QApplication::palette();
    m_autoFore = palette.color(QPalette::Text);
    m_autoBack = palette.color(QPalette::Base);
    const EditorSettings& settings = EditorConfig();
    const auto fill = [](QComboBox* combo, const QColor& automatic, int current) {
        combo->addItem(ColorIcon(automatic, true), QString());
        for (int value : FixedColors())
            combo->addItem(ColorIcon(ColorFromValue(value), false), QString());
        combo->setIconSize(QSize(40, 16));
        // The first entry of the same colour: a setting equal to the
        // system's colour shows as "Auto".
        const QColor wanted = current == -1 ? automatic : ColorFromValue(current);
        int index = 0;
        if (wanted != automatic) {
            for (int i = 0; i < int(FixedColors().size()); ++i)
                if (ColorFromValue(FixedColors()[std::size_t(i)]) == wanted) {
                    index = i + 1;
                    break;
                }
        }
        combo->setCurrentIndex(index);
    };
    m_fore = new QComboBox(this);
    fill(m_fore, m_autoFore, settings.foreColor);
    m_back = new QComboBox(this);
    fill(m_back, m_autoBack, settings.backColor);
    m_override = new QCheckBox(QStringLiteral("&Apply the same colors for Read Only mode"), this);
    m_override->setChecked(settings.overrideROColors);
    m_sample = new QLabel(QStringLiteral("Sample 123"), this);
    m_sample->setAutoFillBackground(true);
    m_sample->setFont(settings.charFormat.ToFont());
    m_sample->setAlignment(Qt::AlignCenter);
    m_sample->setMinimumHeight(40);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &ColorSchemeDialog::OnOk);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_fore, &QComboBox::currentIndexChanged, this, &ColorSchemeDialog::UpdateSample);
    connect(m_back, &QComboBox::currentIndexChanged, this, &ColorSchemeDialog::UpdateSample);

    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("&Foreground"), m_fore);
    form->addRow(QStringLiteral("&Background"), m_back);
    form->addRow(m_override);
    form->addRow(m_sample);
    form->addRow(buttons);
    UpdateSample();
}

void ColorSchemeDialog::UpdateSample() {
    const int fore = ValueOf(m_fore->currentIndex());
    const int back = ValueOf(m_back->currentIndex());
    QPalette palette = m_sample->palette();
    palette.setColor(QPalette::WindowText, fore == -1 ? m_autoFore : ColorFromValue(fore));
    palette.setColor(QPalette::Window, back == -1 ? m_autoBack : ColorFromValue(back));
    m_sample->setPalette(palette);
}

void ColorSchemeDialog::OnOk() {
    const int fore = ValueOf(m_fore->currentIndex());
    const int back = ValueOf(m_back->currentIndex());
    if (fore == back && fore != -1) {
        MessageBoxText(kSameColorsMessage, PromptButtons::Ok, PromptIcon::Warning, this);
        m_fore->setFocus();
        return;
    }
    EditorSettings& settings = EditorConfig();
    settings.foreColor = fore;
    settings.backColor = back;
    settings.overrideROColors = m_override->isChecked();
    accept();
}

// -- AutoText -------------------------------------------------------------------

AutoTextDefineDialog::AutoTextDefineDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Add or edit AutoText items"));
    auto* header = new QLabel(
        QStringLiteral("Frequently used blocks of text, such as \"<b></b>\", can be stored in any "
                       "available slot and then inserted with a single keystroke (Ctrl and the "
                       "slot's number)."),
        this);
    header->setWordWrap(true);
    m_list = new QListWidget(this);
    for (int i = 0; i < kAutoTextSlots; ++i) m_list->addItem(AutoTextDefineRow(i));
    m_list->setCurrentRow(0);
    auto* label = new QLabel(QStringLiteral("&Available slots:"), this);
    label->setBuddy(m_list);
    auto* edit = new QPushButton(QStringLiteral("&Edit..."), this);
    auto* done = new QPushButton(QStringLiteral("&Done"), this);
    connect(edit, &QPushButton::clicked, this, &AutoTextDefineDialog::OnEdit);
    connect(m_list, &QListWidget::itemDoubleClicked, this, &AutoTextDefineDialog::OnEdit);
    connect(done, &QPushButton::clicked, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(header);
    layout->addWidget(label);
    layout->addWidget(m_list);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(edit);
    row->addWidget(done);
    layout->addLayout(row);
}

void AutoTextDefineDialog::OnEdit() {
    const int slot = m_list->currentRow();
    if (slot < 0) {
        Beep();
        return;
    }
    AutoTextEditDialog dialog(slot, this);
    if (RunEditorDialog(dialog))
        m_list->item(slot)->setText(AutoTextDefineRow(slot));
}

AutoTextEditDialog::AutoTextEditDialog(int slot, QWidget* parent) : QDialog(parent), m_slot(slot) {
    setWindowTitle(QStringLiteral("Edit autoText block"));
    const AutoTextSlot& entry = AutoTextTable()[std::size_t(slot)];
    m_name = new QLineEdit(
        entry.IsEmpty() ? QStringLiteral("AutoText %1").arg(slot) : entry.identifier, this);
    m_name->setMaxLength(AutoTextSlot::kMaxIdentifier);
    m_text = new QPlainTextEdit(entry.text, this);
    m_backtrack = new QSpinBox(this);
    m_backtrack->setRange(-99999, 99999);
    m_backtrack->setValue(entry.backtrack);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("&Ok"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &AutoTextEditDialog::OnOk);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    const auto labelled = [&](const QString& text, QWidget* field) {
        auto* label = new QLabel(text, this);
        label->setBuddy(field);
        layout->addWidget(label);
        layout->addWidget(field);
    };
    labelled(QStringLiteral("&Name:"), m_name);
    labelled(QStringLiteral("&Text to be pasted (multiple lines allowed)"), m_text);
    labelled(
        QStringLiteral("&After insertion, backtrack the cursor by this many places (characters):"),
        m_backtrack);
    layout->addWidget(buttons);
}

void AutoTextEditDialog::OnOk() {
    QString name = m_name->text();
    const QString text = m_text->toPlainText().left(AutoTextSlot::kMaxText);
    int backtrack = m_backtrack->value();
    if (const std::optional<AutoTextProblem> problem = ValidateAutoText(name, text, backtrack)) {
        MessageBoxText(problem->message, PromptButtons::Ok, PromptIcon::Warning, this);
        if (problem->field == 0)
            m_name->setFocus();
        else
            m_text->setFocus();
        return;
    }
    AutoTextTable()[std::size_t(m_slot)] = AutoTextSlot{name, text, backtrack};
    accept();
}

MnemonicsWindow::MnemonicsWindow(std::function<void(int)> insert, QWidget* parent)
    : QWidget(parent, Qt::Tool), m_insert(std::move(insert)) {
    setWindowTitle(QStringLiteral("Autotext <Ctrl+xx>"));
    m_list = new QListWidget(this);
    QPalette palette = m_list->palette();
    const QPalette menu = QApplication::palette("QMenu");
    palette.setColor(QPalette::Base, menu.color(QPalette::Window));
    palette.setColor(QPalette::Text, menu.color(QPalette::WindowText));
    m_list->setPalette(palette);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_list);
    connect(m_list, &QListWidget::itemDoubleClicked, this, &MnemonicsWindow::Choose);
    m_list->installEventFilter(this);
    Refresh();
    const EditorHost& host = GetEditorHost();
    std::optional<EditorHost::FourInts> stored;
    if (host.readRect)
        stored = host.readRect(kMnemonicsSection);
    if (stored && (*stored)[3] != 0)
        setGeometry(
            QRect(QPoint((*stored)[0], (*stored)[1]), QPoint((*stored)[2] - 1, (*stored)[3] - 1)));
    else
        resize(220, 240);
}

MnemonicsWindow::~MnemonicsWindow() {
    const EditorHost& host = GetEditorHost();
    if (General().saveSettings && host.writeRect) {
        const QRect r = geometry();
        host.writeRect(kMnemonicsSection, {r.left(), r.top(), r.right() + 1, r.bottom() + 1});
    }
}

void MnemonicsWindow::Refresh() {
    const int row = m_list->currentRow();
    m_list->clear();
    for (int i = 0; i < kAutoTextSlots; ++i) m_list->addItem(AutoTextMnemonicRow(i));
    m_list->setCurrentRow(row);
}

void MnemonicsWindow::Choose() {
    const int row = m_list->currentRow();
    if (row < 0) {
        Beep();
        return;
    }
    if (m_insert)
        m_insert(row);
}

bool MnemonicsWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_list && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            Choose();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
