#include "support/ScriptedPrompter.h"

namespace {

QString KindName(PromptKind kind) {
    switch (kind) {
        case PromptKind::MessageBox:
            return QStringLiteral("MessageBox");
        case PromptKind::Choose:
            return QStringLiteral("Choose");
        case PromptKind::InputBox:
            return QStringLiteral("InputBox");
        case PromptKind::BrowseForFolder:
            return QStringLiteral("BrowseForFolder");
    }
    return QString();
}

QString AnswerText(const PromptRecord& record) {
    switch (record.kind) {
        case PromptKind::MessageBox:
            return QString::number(int(record.answer));
        case PromptKind::Choose:
            return QString::number(record.choice);
        case PromptKind::InputBox:
        case PromptKind::BrowseForFolder:
            return record.reply ? QLatin1Char('"') + *record.reply + QLatin1Char('"')
                                : QStringLiteral("(cancelled)");
    }
    return QString();
}

}  // namespace

ScriptedAnswer ScriptedAnswer::Message(PromptAnswer answer) {
    ScriptedAnswer scripted;
    scripted.kind = PromptKind::MessageBox;
    scripted.answer = answer;
    return scripted;
}

ScriptedAnswer ScriptedAnswer::Choice(int index) {
    ScriptedAnswer scripted;
    scripted.kind = PromptKind::Choose;
    scripted.choice = index;
    return scripted;
}

ScriptedAnswer ScriptedAnswer::Input(std::optional<QString> text) {
    ScriptedAnswer scripted;
    scripted.kind = PromptKind::InputBox;
    scripted.text = std::move(text);
    return scripted;
}

ScriptedAnswer ScriptedAnswer::Folder(std::optional<QString> path) {
    ScriptedAnswer scripted;
    scripted.kind = PromptKind::BrowseForFolder;
    scripted.text = std::move(path);
    return scripted;
}

ScriptedPrompter& ScriptedPrompter::AnswerMessage(PromptAnswer answer) {
    return Script(ScriptedAnswer::Message(answer));
}

ScriptedPrompter& ScriptedPrompter::AnswerChoice(int index) {
    return Script(ScriptedAnswer::Choice(index));
}

ScriptedPrompter& ScriptedPrompter::AnswerInput(std::optional<QString> text) {
    return Script(ScriptedAnswer::Input(std::move(text)));
}

ScriptedPrompter& ScriptedPrompter::AnswerFolder(std::optional<QString> path) {
    return Script(ScriptedAnswer::Folder(std::move(path)));
}

ScriptedPrompter& ScriptedPrompter::Script(const ScriptedAnswer& answer) {
    m_script.append(answer);
    return *this;
}

QList<PromptRecord> ScriptedPrompter::Unexpected() const {
    QList<PromptRecord> unexpected;
    for (const PromptRecord& record : m_requests) {
        if (record.unexpected)
            unexpected.append(record);
    }
    return unexpected;
}

QString ScriptedPrompter::Describe() const {
    QStringList lines;
    for (const PromptRecord& record : m_requests) {
        lines.append(QStringLiteral("%1%2 \"%3\" -> %4")
                         .arg(record.unexpected ? QStringLiteral("UNEXPECTED ") : QString(),
                              KindName(record.kind), record.text, AnswerText(record)));
    }
    if (!m_script.isEmpty()) {
        lines.append(QStringLiteral("%1 scripted answer(s) unused").arg(m_script.size()));
    }
    return lines.join(QLatin1Char('\n'));
}

void ScriptedPrompter::Clear() {
    m_script.clear();
    m_requests.clear();
    m_beeps.clear();
}

std::optional<ScriptedAnswer> ScriptedPrompter::Take(PromptKind kind) {
    if (m_script.isEmpty() || m_script.first().kind != kind)
        return std::nullopt;
    return m_script.takeFirst();
}

PromptAnswer ScriptedPrompter::MessageBox(const PromptRequest& request) {
    PromptRecord record;
    record.kind = PromptKind::MessageBox;
    record.text = request.text;
    record.title = request.title;
    record.buttons = request.buttons;
    record.icon = request.icon;
    record.defaultButton = request.defaultButton;

    if (request.buttons == PromptButtons::Ok && !m_scriptNotices) {
        record.answer = PromptAnswer::Ok;
    } else if (const std::optional<ScriptedAnswer> scripted = Take(PromptKind::MessageBox);
               scripted && PromptButtonAnswers(request.buttons).contains(scripted->answer)) {
        record.answer = scripted->answer;
    } else {
        record.answer = SafestAnswer(request.buttons);
        record.unexpected = true;
    }
    m_requests.append(record);
    return record.answer;
}

int ScriptedPrompter::Choose(const ChoiceRequest& request) {
    PromptRecord record;
    record.kind = PromptKind::Choose;
    record.text = request.text;
    record.title = request.title;
    record.icon = request.icon;
    record.answers = request.answers;
    record.defaultButton = request.defaultAnswer;
    record.escapeAnswer = request.escapeAnswer;

    const std::optional<ScriptedAnswer> scripted = Take(PromptKind::Choose);
    if (scripted && scripted->choice >= -1 && scripted->choice < request.answers.size()) {
        record.choice = scripted->choice;
    } else {
        record.choice = -1;
        record.unexpected = true;
    }
    m_requests.append(record);
    return record.choice;
}

std::optional<QString> ScriptedPrompter::InputBox(const InputRequest& request) {
    PromptRecord record;
    record.kind = PromptKind::InputBox;
    record.text = request.prompt;
    record.title = request.title;
    record.initialText = request.initialText;
    record.maxLength = request.maxLength;
    record.secret = request.secret;

    const std::optional<ScriptedAnswer> scripted = Take(PromptKind::InputBox);
    // A real input box can't return more than its limit lets the user type.
    if (scripted && (!scripted->text || request.maxLength <= 0 ||
                     scripted->text->size() <= request.maxLength)) {
        record.reply = scripted->text;
    } else {
        record.unexpected = true;
    }
    m_requests.append(record);
    return record.reply;
}

std::optional<QString> ScriptedPrompter::BrowseForFolder(const QString& title,
                                                         const QString& initialPath, QWidget*) {
    PromptRecord record;
    record.kind = PromptKind::BrowseForFolder;
    record.title = title;
    record.initialText = initialPath;

    if (const std::optional<ScriptedAnswer> scripted = Take(PromptKind::BrowseForFolder)) {
        record.reply = scripted->text;
    } else {
        record.unexpected = true;
    }
    m_requests.append(record);
    return record.reply;
}

void ScriptedPrompter::Beep(BeepKind kind) {
    m_beeps.append(kind);
}

ScopedPrompter::ScopedPrompter() {
    auto prompter = std::make_unique<ScriptedPrompter>();
    m_prompter = prompter.get();
    m_previous = InstallPrompter(std::move(prompter));
}

ScopedPrompter::~ScopedPrompter() {
    InstallPrompter(std::move(m_previous));
}
