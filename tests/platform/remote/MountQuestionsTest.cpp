#include <gtest/gtest.h>

#include "platform/remote/MountQuestions.h"
#include "support/ScriptedPrompter.h"

namespace {

PasswordQuestion PasswordOnly() {
    PasswordQuestion q;
    q.message = QStringLiteral("Enter password for \"ann\" on \"example.org\"");
    q.defaultUser = QStringLiteral("ann");
    q.needPassword = true;
    return q;
}

}  // namespace

TEST(MountQuestions, APasswordIsAskedSecretlyAndKeptAsChosen) {
    ScopedPrompter prompter;
    prompter->AnswerInput(QStringLiteral("pa ss")).AnswerChoice(1);
    PasswordQuestion q = PasswordOnly();
    q.savingSupported = true;
    const PasswordReply reply = AskMountPassword(q, nullptr);
    ASSERT_TRUE(prompter->AllAnswered()) << prompter->Describe().toStdString();
    EXPECT_FALSE(reply.aborted);
    EXPECT_FALSE(reply.anonymous);
    EXPECT_EQ(reply.user, QStringLiteral("ann"));  // GIO's default, not asked
    EXPECT_EQ(reply.password, QStringLiteral("pa ss"));
    EXPECT_EQ(reply.keep, PasswordKeep::ForSession);

    const auto& asked = prompter->Requests();
    ASSERT_EQ(asked.size(), 2);
    EXPECT_EQ(asked[0].kind, PromptKind::InputBox);
    EXPECT_TRUE(asked[0].secret);
    EXPECT_EQ(asked[0].text, q.message);
    EXPECT_EQ(asked[0].initialText, QString());
    EXPECT_EQ(asked[0].title, ConnectTitle());
    EXPECT_EQ(asked[1].kind, PromptKind::Choose);
    EXPECT_EQ(asked[1].answers.size(), 3);
    EXPECT_EQ(asked[1].defaultButton, 0);  // forgetting is the default
}

TEST(MountQuestions, ARefusedPasswordIsAskedAgainSayingSo) {
    ScopedPrompter prompter;
    prompter->AnswerInput(QStringLiteral("wrong")).AnswerInput(QStringLiteral("right"));
    PasswordQuestion q = PasswordOnly();
    EXPECT_EQ(AskMountPassword(q, nullptr).password, QStringLiteral("wrong"));
    q.attempt = 2;
    EXPECT_EQ(AskMountPassword(q, nullptr).password, QStringLiteral("right"));
    ASSERT_TRUE(prompter->AllAnswered()) << prompter->Describe().toStdString();
    const auto& asked = prompter->Requests();
    ASSERT_EQ(asked.size(), 2);  // no keep question without saving support
    EXPECT_FALSE(asked[0].text.contains(RefusedPasswordText()));
    EXPECT_TRUE(asked[1].text.startsWith(RefusedPasswordText()));
    EXPECT_TRUE(asked[1].text.contains(q.message));
}

TEST(MountQuestions, CancelAtAnyPromptAbortsAndAsksNoMore) {
    {
        ScopedPrompter prompter;
        prompter->AnswerInput(std::nullopt);
        PasswordQuestion q = PasswordOnly();
        q.savingSupported = true;
        const PasswordReply reply = AskMountPassword(q, nullptr);
        EXPECT_TRUE(reply.aborted);
        EXPECT_EQ(prompter->Requests().size(), 1);  // no "remember?" after Cancel
        EXPECT_TRUE(prompter->AllAnswered());
    }
    {
        ScopedPrompter prompter;
        prompter->AnswerInput(std::nullopt);
        PasswordQuestion q = PasswordOnly();
        q.needUser = true;
        EXPECT_TRUE(AskMountPassword(q, nullptr).aborted);
        EXPECT_EQ(prompter->Requests().size(), 1);  // the password was not asked
    }
}

TEST(MountQuestions, AsksUserDomainThenPasswordWithGiosDefaults) {
    ScopedPrompter prompter;
    prompter->AnswerInput(QStringLiteral(" bob "))
        .AnswerInput(QStringLiteral("WORK"))
        .AnswerInput(QStringLiteral("secret"));
    PasswordQuestion q = PasswordOnly();
    q.needUser = true;
    q.needDomain = true;
    q.defaultDomain = QStringLiteral("HOME");
    const PasswordReply reply = AskMountPassword(q, nullptr);
    ASSERT_TRUE(prompter->AllAnswered()) << prompter->Describe().toStdString();
    EXPECT_EQ(reply.user, QStringLiteral("bob"));
    EXPECT_EQ(reply.domain, QStringLiteral("WORK"));
    EXPECT_EQ(reply.password, QStringLiteral("secret"));
    const auto& asked = prompter->Requests();
    ASSERT_EQ(asked.size(), 3);
    EXPECT_EQ(asked[0].initialText, QStringLiteral("ann"));
    EXPECT_FALSE(asked[0].secret);
    EXPECT_EQ(asked[1].initialText, QStringLiteral("HOME"));
    EXPECT_TRUE(asked[2].secret);
}

TEST(MountQuestions, AnonymousLoginAsksNothingElse) {
    {
        ScopedPrompter prompter;
        prompter->AnswerChoice(0);
        PasswordQuestion q = PasswordOnly();
        q.needUser = true;
        q.anonymousSupported = true;
        const PasswordReply reply = AskMountPassword(q, nullptr);
        EXPECT_TRUE(reply.anonymous);
        EXPECT_FALSE(reply.aborted);
        EXPECT_EQ(prompter->Requests().size(), 1);
        EXPECT_TRUE(prompter->AllAnswered());
    }
    {
        // Named login goes on to the password; closing the choice aborts.
        ScopedPrompter prompter;
        prompter->AnswerChoice(1).AnswerInput(QStringLiteral("pw"));
        PasswordQuestion q = PasswordOnly();
        q.anonymousSupported = true;
        const PasswordReply named = AskMountPassword(q, nullptr);
        EXPECT_FALSE(named.anonymous);
        EXPECT_EQ(named.password, QStringLiteral("pw"));
        prompter->AnswerChoice(-1);
        EXPECT_TRUE(AskMountPassword(q, nullptr).aborted);
    }
}

TEST(MountQuestions, GiosOwnQuestionDefaultsToItsRefusal) {
    ScopedPrompter prompter;
    prompter->AnswerChoice(0);
    const QStringList choices = {QStringLiteral("Log In Anyway"), QStringLiteral("Cancel Login")};
    EXPECT_EQ(AskMountQuestion(QStringLiteral("The identity of the remote computer is unknown."),
                               choices, nullptr),
              0);
    const PromptRecord& asked = prompter->Requests().at(0);
    ASSERT_EQ(asked.answers.size(), 2);
    EXPECT_EQ(asked.answers[0], QStringLiteral("&Log In Anyway"));
    EXPECT_EQ(asked.answers[1], QStringLiteral("&Cancel Login"));
    EXPECT_EQ(asked.defaultButton, 1);
    // Answers that start alike get different letters; GIO's own ampersands
    // stay text.
    prompter->AnswerChoice(-1);
    EXPECT_EQ(AskMountQuestion(QStringLiteral("?"),
                               {QStringLiteral("Yes"), QStringLiteral("Yes & more")}, nullptr),
              -1);
    const PromptRecord& second = prompter->Requests().at(1);
    EXPECT_EQ(second.answers[0], QStringLiteral("&Yes"));
    EXPECT_EQ(second.answers[1], QStringLiteral("Y&es && more"));
    EXPECT_EQ(AskMountQuestion(QStringLiteral("?"), {}, nullptr), -1);
}
