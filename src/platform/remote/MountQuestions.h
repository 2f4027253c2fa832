#pragma once
// MountQuestions: what Corvane asks while GIO mounts a remote location. GIO
// (its GMountOperation) says what the server wants: a user name, a password,
// a domain, whether anonymous login is possible and whether the desktop can
// keep the password; or it asks a question of its own (an unknown host key)
// with the answers it accepts. These functions turn that into prompts of the
// installed prompter (Prompter.h) and give back the reply to hand to GIO.
//
// No GIO here: the flow is checked with the scripted prompter.
// Main thread only (prompts are modal).

#include <QString>
#include <QStringList>

class QWidget;

/// How long the desktop keeps a password (GIO's GPasswordSave).
enum class PasswordKeep { Never, ForSession, Permanently };

/// What GIO's "ask-password" asks for.
struct PasswordQuestion {
    QString message;  // GIO's text ("Enter password for ...")
    QString defaultUser;
    QString defaultDomain;
    bool needPassword = false;
    bool needUser = false;
    bool needDomain = false;
    bool savingSupported = false;
    bool anonymousSupported = false;
    /// 1 for the first question of a mount; more when the server refused
    /// what was given before.
    int attempt = 1;
};

/// The reply: `aborted` when the user cancelled any of the prompts.
struct PasswordReply {
    bool aborted = false;
    bool anonymous = false;
    QString user;
    QString password;
    QString domain;
    PasswordKeep keep = PasswordKeep::Never;
};

/// The title of every prompt of a connection.
QString ConnectTitle();
/// The prompt shown above GIO's message when a password was refused.
QString RefusedPasswordText();

/// Asks, in order: anonymous or named login (when anonymous login is
/// possible: choosing anonymous ends the questions), the user name, the
/// domain, the password (a secret input box, GIO's message as its prompt,
/// the refusal said first from the second attempt on), how long to keep the
/// password (when the desktop can keep one). Only what GIO needs is asked.
PasswordReply AskMountPassword(const PasswordQuestion& question, QWidget* parent);

/// GIO's own question (an unknown host key, ...): its message and answers
/// as they stand, each given a mnemonic (the first letter no earlier answer
/// took); the last answer (GIO's refusal) is the default. The index of the
/// answer, or -1 when the user closed it.
int AskMountQuestion(const QString& message, const QStringList& choices, QWidget* parent);
