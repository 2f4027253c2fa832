#include "platform/ui/Prompter.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QtDebug>
#include <optional>

#include "platform/ui/EscapePoll.h"

namespace {

std::unique_ptr<Prompter>& InstalledPrompter() {
    static std::unique_ptr<Prompter> prompter;
    return prompter;
}

// Widgets need a QApplication; a QCoreApplication-only process must not
// crash because something wanted to ask.
bool CanShowWidgets() {
    return qobject_cast<QApplication*>(QCoreApplication::instance());
}

QString& ProgramTitle() {
    static QString title;
    return title;
}

QString TitleOrAppName(const QString& title) {
    return PromptTitle(title);
}

QMessageBox::Icon BoxIcon(PromptIcon icon) {
    switch (icon) {
        case PromptIcon::Information:
            return QMessageBox::Information;
        case PromptIcon::Question:
            return QMessageBox::Question;
        case PromptIcon::Warning:
            return QMessageBox::Warning;
        case PromptIcon::Error:
            return QMessageBox::Critical;
        case PromptIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButton StandardButtonOf(PromptAnswer answer) {
    switch (answer) {
        case PromptAnswer::Ok:
            return QMessageBox::Ok;
        case PromptAnswer::Cancel:
            return QMessageBox::Cancel;
        case PromptAnswer::Abort:
            return QMessageBox::Abort;
        case PromptAnswer::Retry:
            return QMessageBox::Retry;
        case PromptAnswer::Ignore:
            return QMessageBox::Ignore;
        case PromptAnswer::Yes:
            return QMessageBox::Yes;
        case PromptAnswer::No:
            return QMessageBox::No;
    }
    return QMessageBox::NoButton;
}

// A prompt belonging to a window blocks that window only; one without a
// parent blocks the application, as a top-level question should.
void SetModality(QWidget& dialog, QWidget* parent) {
    dialog.setWindowModality(parent != nullptr ? Qt::WindowModal : Qt::ApplicationModal);
}

}  // namespace

QList<PromptAnswer> PromptButtonAnswers(PromptButtons buttons) {
    using A = PromptAnswer;
    switch (buttons) {
        case PromptButtons::Ok:
            return {A::Ok};
        case PromptButtons::OkCancel:
            return {A::Ok, A::Cancel};
        case PromptButtons::YesNo:
            return {A::Yes, A::No};
        case PromptButtons::YesNoCancel:
            return {A::Yes, A::No, A::Cancel};
        case PromptButtons::RetryCancel:
            return {A::Retry, A::Cancel};
        case PromptButtons::AbortRetryIgnore:
            return {A::Abort, A::Retry, A::Ignore};
    }
    return {A::Ok};
}

PromptAnswer SafestAnswer(PromptButtons buttons) {
    const QList<PromptAnswer> answers = PromptButtonAnswers(buttons);
    for (PromptAnswer safe : {PromptAnswer::Cancel, PromptAnswer::No, PromptAnswer::Abort}) {
        if (answers.contains(safe))
            return safe;
    }
    return answers.first();
}

namespace {

// A question asked while a long operation holds the input back (a chunk
// or a link target that exists already) must still take its answer: the
// box is let through the operation's gate while it is open.
class GateOpening {
public:
    explicit GateOpening(QWidget* box) {
        if (IsEscapePollActive())
            m_scope.emplace(box);
    }

private:
    std::optional<EscapePollScope> m_scope;
};

}  // namespace

PromptAnswer QtPrompter::MessageBox(const PromptRequest& request) {
    if (!CanShowWidgets()) {
        qWarning().noquote() << "Corvane:" << request.text;
        return SafestAnswer(request.buttons);
    }
    const QList<PromptAnswer> answers = PromptButtonAnswers(request.buttons);
    QMessageBox box(BoxIcon(request.icon), TitleOrAppName(request.title), request.text,
                    QMessageBox::NoButton, request.parent);
    QList<QPushButton*> buttons;
    for (PromptAnswer answer : answers) buttons.append(box.addButton(StandardButtonOf(answer)));
    const int defaultIndex = request.defaultButton >= 0 && request.defaultButton < buttons.size()
                                 ? request.defaultButton
                                 : 0;
    box.setDefaultButton(buttons.at(defaultIndex));
    SetModality(box, request.parent);
    GateOpening gate(&box);
    box.exec();

    const int clicked = buttons.indexOf(qobject_cast<QPushButton*>(box.clickedButton()));
    return clicked >= 0 ? answers.at(clicked) : SafestAnswer(request.buttons);
}

int QtPrompter::Choose(const ChoiceRequest& request) {
    if (!CanShowWidgets() || request.answers.isEmpty()) {
        qWarning().noquote() << "Corvane:" << request.text;
        return -1;
    }
    QMessageBox box(BoxIcon(request.icon), TitleOrAppName(request.title), request.text,
                    QMessageBox::NoButton, request.parent);
    QList<QPushButton*> buttons;
    // One role for all keeps the buttons in the order of the answers.
    for (const QString& answer : request.answers) {
        buttons.append(box.addButton(answer, QMessageBox::ActionRole));
    }
    if (request.defaultAnswer >= 0 && request.defaultAnswer < buttons.size()) {
        box.setDefaultButton(buttons.at(request.defaultAnswer));
    }
    if (request.escapeAnswer >= 0 && request.escapeAnswer < buttons.size()) {
        box.setEscapeButton(buttons.at(request.escapeAnswer));
    }
    SetModality(box, request.parent);
    GateOpening gate(&box);
    box.exec();
    return int(buttons.indexOf(qobject_cast<QPushButton*>(box.clickedButton())));
}

std::optional<QString> QtPrompter::InputBox(const InputRequest& request) {
    if (!CanShowWidgets()) {
        qWarning().noquote() << "Corvane:" << request.prompt;
        return std::nullopt;
    }
    QInputDialog dialog(request.parent);
    dialog.setWindowTitle(TitleOrAppName(request.title));
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setLabelText(request.prompt);
    QString initial = request.initialText;
    if (request.maxLength > 0) {
        initial.truncate(request.maxLength);
        if (auto* edit = dialog.findChild<QLineEdit*>())
            edit->setMaxLength(request.maxLength);
    }
    dialog.setTextValue(initial);
    if (request.secret)
        dialog.setTextEchoMode(QLineEdit::Password);
    SetModality(dialog, request.parent);
    GateOpening gate(&dialog);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue();
}

std::optional<QString> QtPrompter::BrowseForFolder(const QString& title, const QString& initialPath,
                                                   QWidget* parent) {
    if (!CanShowWidgets())
        return std::nullopt;
    const QString chosen = QFileDialog::getExistingDirectory(
        parent, TitleOrAppName(title), initialPath, QFileDialog::ShowDirsOnly);
    if (chosen.isEmpty())
        return std::nullopt;
    return chosen;
}

void QtPrompter::Beep(BeepKind) {
    if (CanShowWidgets())
        QApplication::beep();
}

namespace {
thread_local Prompter* t_threadPrompter = nullptr;
}  // namespace

ThreadPrompterScope::ThreadPrompterScope(Prompter* prompter) : m_previous(t_threadPrompter) {
    t_threadPrompter = prompter;
}

ThreadPrompterScope::~ThreadPrompterScope() {
    t_threadPrompter = m_previous;
}

Prompter& Prompts() {
    if (t_threadPrompter)
        return *t_threadPrompter;
    std::unique_ptr<Prompter>& installed = InstalledPrompter();
    if (!installed)
        installed = std::make_unique<QtPrompter>();
    return *installed;
}

std::unique_ptr<Prompter> InstallPrompter(std::unique_ptr<Prompter> prompter) {
    std::unique_ptr<Prompter> previous = std::move(InstalledPrompter());
    InstalledPrompter() = std::move(prompter);
    return previous;
}

PromptAnswer MessageBoxText(const QString& text, PromptButtons buttons, PromptIcon icon,
                            QWidget* parent) {
    PromptRequest request;
    request.text = text;
    request.buttons = buttons;
    request.icon = icon;
    request.parent = parent;
    return Prompts().MessageBox(request);
}

bool AskYesNo(const QString& text, QWidget* parent) {
    return MessageBoxText(text, PromptButtons::YesNo, PromptIcon::Question, parent) ==
           PromptAnswer::Yes;
}

void Beep(BeepKind kind) {
    Prompts().Beep(kind);
}

void SetProgramTitle(const QString& title) {
    ProgramTitle() = title;
}

QString PromptTitle(const QString& title) {
    if (!title.isEmpty())
        return title;
    return ProgramTitle().isEmpty() ? QGuiApplication::applicationDisplayName() : ProgramTitle();
}
