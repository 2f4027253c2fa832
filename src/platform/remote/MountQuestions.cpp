#include "platform/remote/MountQuestions.h"

#include <QCoreApplication>

#include "platform/ui/Prompter.h"

namespace {

QString Tr(const char* text) {
    return QCoreApplication::translate("MountQuestions", text);
}

// GIO's answers carry no mnemonics: each gets the first letter not taken
// by an earlier one, so the question can be answered from the keyboard.
QStringList WithMnemonics(const QStringList& answers) {
    QStringList out;
    QString used;
    for (const QString& answer : answers) {
        QString text = answer;
        text.replace(QLatin1Char('&'), QStringLiteral("&&"));
        for (qsizetype i = 0; i < text.size(); ++i) {
            const QChar c = text.at(i).toLower();
            if (!c.isLetterOrNumber() || used.contains(c))
                continue;
            used += c;
            text.insert(i, QLatin1Char('&'));
            break;
        }
        out << text;
    }
    return out;
}

}  // namespace

QString ConnectTitle() {
    return Tr("Connect to Server");
}

QString RefusedPasswordText() {
    return Tr("The server refused the password.");
}

PasswordReply AskMountPassword(const PasswordQuestion& question, QWidget* parent) {
    PasswordReply reply;
    reply.user = question.defaultUser;
    reply.domain = question.defaultDomain;

    if (question.anonymousSupported) {
        ChoiceRequest how;
        how.title = ConnectTitle();
        how.text = question.message;
        how.answers = {Tr("Connect &anonymously"), Tr("Connect as &user")};
        how.defaultAnswer = question.needPassword ? 1 : 0;
        how.escapeAnswer = -1;
        how.parent = parent;
        const int answer = Prompts().Choose(how);
        if (answer < 0) {
            reply.aborted = true;
            return reply;
        }
        if (answer == 0) {
            reply.anonymous = true;
            return reply;
        }
    }

    const auto ask = [&](const QString& prompt, const QString& initial,
                         bool secret) -> std::optional<QString> {
        InputRequest request;
        request.title = ConnectTitle();
        request.prompt = prompt;
        request.initialText = initial;
        request.secret = secret;
        request.parent = parent;
        return Prompts().InputBox(request);
    };

    if (question.needUser) {
        const std::optional<QString> user = ask(Tr("User name:"), question.defaultUser, false);
        if (!user) {
            reply.aborted = true;
            return reply;
        }
        reply.user = user->trimmed();
    }
    if (question.needDomain) {
        const std::optional<QString> domain = ask(Tr("Domain:"), question.defaultDomain, false);
        if (!domain) {
            reply.aborted = true;
            return reply;
        }
        reply.domain = domain->trimmed();
    }
    if (question.needPassword) {
        QString prompt = question.message.isEmpty() ? Tr("Password:") : question.message;
        if (question.attempt > 1)
            prompt = RefusedPasswordText() + QLatin1Char('\n') + prompt;
        const std::optional<QString> password = ask(prompt, QString(), true);
        if (!password) {
            reply.aborted = true;
            return reply;
        }
        reply.password = *password;
    }
    if (question.needPassword && question.savingSupported) {
        ChoiceRequest keep;
        keep.title = ConnectTitle();
        keep.text = Tr("Remember the password?");
        keep.answers = {Tr("&Forget it at once"), Tr("Remember until &logout"),
                        Tr("Remember fo&rever")};
        keep.defaultAnswer = 0;
        keep.escapeAnswer = 0;
        keep.icon = PromptIcon::Question;
        keep.parent = parent;
        const int answer = Prompts().Choose(keep);
        reply.keep = answer == 1   ? PasswordKeep::ForSession
                     : answer == 2 ? PasswordKeep::Permanently
                                   : PasswordKeep::Never;
    }
    return reply;
}

int AskMountQuestion(const QString& message, const QStringList& choices, QWidget* parent) {
    if (choices.isEmpty())
        return -1;
    ChoiceRequest request;
    request.title = ConnectTitle();
    request.text = message;
    request.answers = WithMnemonics(choices);
    // GIO's backends list the refusal last ("Log In Anyway", "Cancel"): it
    // is the default, so a stray Return never trusts an unknown host key.
    request.defaultAnswer = int(choices.size()) - 1;
    request.escapeAnswer = -1;
    request.icon = PromptIcon::Warning;
    request.parent = parent;
    return Prompts().Choose(request);
}
