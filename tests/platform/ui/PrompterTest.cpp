#include <gtest/gtest.h>

#include <QApplication>
#include <QDeadlineTimer>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <functional>

#include "platform/ui/Prompter.h"
#include "support/ScriptedPrompter.h"

namespace {

TEST(ScriptedPrompterTest, AnswersInOrderAndRecordsEveryRequest) {
    ScopedPrompter prompter;
    prompter->AnswerMessage(PromptAnswer::No)
        .AnswerChoice(1)
        .AnswerInput(QStringLiteral("new name"))
        .AnswerFolder(QStringLiteral("/tmp/target"))
        .AnswerMessage(PromptAnswer::Retry);

    PromptRequest question;
    question.text = QStringLiteral("Overwrite?");
    question.title = QStringLiteral("Copy");
    question.buttons = PromptButtons::YesNoCancel;
    question.icon = PromptIcon::Warning;
    question.defaultButton = 1;
    EXPECT_EQ(Prompts().MessageBox(question), PromptAnswer::No);

    ChoiceRequest choice;
    choice.text = QStringLiteral("Replace the file?");
    choice.answers = {QStringLiteral("&Yes"), QStringLiteral("Yes to &all"), QStringLiteral("&No"),
                      QStringLiteral("N&o to all")};
    choice.escapeAnswer = 2;
    EXPECT_EQ(Prompts().Choose(choice), 1);

    InputRequest input;
    input.prompt = QStringLiteral("Layout name:");
    input.initialText = QStringLiteral("old");
    input.maxLength = 20;
    EXPECT_EQ(Prompts().InputBox(input), QStringLiteral("new name"));
    EXPECT_EQ(Prompts().BrowseForFolder(QStringLiteral("Target"), QStringLiteral("/home"), nullptr),
              QStringLiteral("/tmp/target"));
    // A notice takes nothing from the script.
    EXPECT_EQ(MessageBoxText(QStringLiteral("Done.")), PromptAnswer::Ok);
    EXPECT_EQ(MessageBoxText(QStringLiteral("Disk error"), PromptButtons::RetryCancel),
              PromptAnswer::Retry);
    Beep(BeepKind::Exclamation);
    Beep();

    EXPECT_TRUE(prompter->AllAnswered()) << prompter->Describe().toStdString();
    const QList<PromptRecord>& asked = prompter->Requests();
    ASSERT_EQ(asked.size(), 6);
    EXPECT_EQ(asked[0].kind, PromptKind::MessageBox);
    EXPECT_EQ(asked[0].text, QStringLiteral("Overwrite?"));
    EXPECT_EQ(asked[0].title, QStringLiteral("Copy"));
    EXPECT_EQ(asked[0].buttons, PromptButtons::YesNoCancel);
    EXPECT_EQ(asked[0].icon, PromptIcon::Warning);
    EXPECT_EQ(asked[0].defaultButton, 1);
    EXPECT_EQ(asked[0].answer, PromptAnswer::No);
    EXPECT_EQ(asked[1].kind, PromptKind::Choose);
    EXPECT_EQ(asked[1].answers, choice.answers);
    EXPECT_EQ(asked[1].escapeAnswer, 2);
    EXPECT_EQ(asked[1].choice, 1);
    EXPECT_EQ(asked[2].kind, PromptKind::InputBox);
    EXPECT_EQ(asked[2].text, QStringLiteral("Layout name:"));
    EXPECT_EQ(asked[2].initialText, QStringLiteral("old"));
    EXPECT_EQ(asked[2].maxLength, 20);
    EXPECT_EQ(asked[3].kind, PromptKind::BrowseForFolder);
    EXPECT_EQ(asked[3].title, QStringLiteral("Target"));
    EXPECT_EQ(asked[3].initialText, QStringLiteral("/home"));
    EXPECT_EQ(asked[4].text, QStringLiteral("Done."));
    EXPECT_EQ(asked[4].answer, PromptAnswer::Ok);
    EXPECT_EQ(asked[5].answer, PromptAnswer::Retry);
    EXPECT_EQ(prompter->Beeps(), (QList<BeepKind>{BeepKind::Exclamation, BeepKind::Default}));
}

TEST(ScriptedPrompterTest, UnscriptedQuestionsGetTheSafestAnswer) {
    ScopedPrompter prompter;
    EXPECT_EQ(MessageBoxText(QStringLiteral("a"), PromptButtons::OkCancel), PromptAnswer::Cancel);
    EXPECT_FALSE(AskYesNo(QStringLiteral("Delete everything?")));
    EXPECT_EQ(MessageBoxText(QStringLiteral("c"), PromptButtons::YesNoCancel),
              PromptAnswer::Cancel);
    EXPECT_EQ(MessageBoxText(QStringLiteral("d"), PromptButtons::AbortRetryIgnore),
              PromptAnswer::Abort);
    ChoiceRequest choice;
    choice.answers = {QStringLiteral("&Yes"), QStringLiteral("&No")};
    EXPECT_EQ(Prompts().Choose(choice), -1);
    EXPECT_EQ(Prompts().InputBox(InputRequest{}), std::nullopt);
    EXPECT_EQ(Prompts().BrowseForFolder(QString(), QString(), nullptr), std::nullopt);
    EXPECT_EQ(prompter->Unexpected().size(), 7);
    EXPECT_FALSE(prompter->AllAnswered());

    // An answer of another kind stays for the prompt it was meant for; an
    // answer the box can't give is used up.
    prompter->Clear();
    prompter->AnswerInput(QStringLiteral("text")).AnswerMessage(PromptAnswer::Yes);
    EXPECT_EQ(MessageBoxText(QStringLiteral("e"), PromptButtons::OkCancel), PromptAnswer::Cancel);
    EXPECT_EQ(prompter->RemainingAnswers(), 2);
    EXPECT_EQ(Prompts().InputBox(InputRequest{}), QStringLiteral("text"));
    EXPECT_EQ(MessageBoxText(QStringLiteral("f"), PromptButtons::OkCancel), PromptAnswer::Cancel);
    EXPECT_EQ(prompter->RemainingAnswers(), 0);
    EXPECT_EQ(prompter->Unexpected().size(), 2);
    prompter->AnswerChoice(5).AnswerInput(QStringLiteral("too long"));
    EXPECT_EQ(Prompts().Choose(choice), -1);
    InputRequest shortInput;
    shortInput.maxLength = 3;
    EXPECT_EQ(Prompts().InputBox(shortInput), std::nullopt);
    EXPECT_EQ(prompter->Unexpected().size(), 4);

    // With notices scripted, an Ok box is a request like any other.
    prompter->Clear();
    prompter->SetScriptNotices(true);
    MessageBoxText(QStringLiteral("notice"));
    EXPECT_EQ(prompter->Unexpected().size(), 1);
}

TEST(ScriptedPrompterTest, ScopedPrompterPutsThePreviousOneBack) {
    Prompter* outside = &Prompts();
    {
        ScopedPrompter outer;
        EXPECT_EQ(&Prompts(), &outer.Get());
        {
            ScopedPrompter inner;
            EXPECT_EQ(&Prompts(), &inner.Get());
            Beep();
            EXPECT_EQ(inner->Beeps().size(), 1);
        }
        EXPECT_EQ(&Prompts(), &outer.Get());
        EXPECT_TRUE(outer->Beeps().isEmpty());
    }
    EXPECT_EQ(&Prompts(), outside);
    EXPECT_NE(dynamic_cast<QtPrompter*>(&Prompts()), nullptr);
}

// Acts on the next modal dialog once it is up, from the event loop that its
// exec() runs. Gives up after a deadline so a missing dialog fails the test
// instead of hanging it.
void WithNextModal(std::function<void(QWidget*)> act) {
    auto* timer = new QTimer;
    const QDeadlineTimer deadline(10000);
    QObject::connect(timer, &QTimer::timeout, [timer, deadline, act] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            act(modal);
        } else if (deadline.hasExpired()) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start(5);
}

TEST(QtPrompterTest, MessageBoxShowsTheButtonsAndGivesTheClickedAnswer) {
    QtPrompter prompter;
    PromptRequest request;
    request.text = QStringLiteral("Save changes?");
    request.title = QStringLiteral("Editor");
    request.buttons = PromptButtons::YesNoCancel;
    request.icon = PromptIcon::Question;
    request.defaultButton = 1;

    QString shownTitle;
    int shownButtons = 0;
    WithNextModal([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        shownTitle = box->windowTitle();
        shownButtons = int(box->buttons().size());
        EXPECT_NE(box->button(QMessageBox::Yes), nullptr);
        EXPECT_NE(box->button(QMessageBox::Cancel), nullptr);
        EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::No));
        box->button(QMessageBox::No)->click();
    });
    EXPECT_EQ(prompter.MessageBox(request), PromptAnswer::No);
    EXPECT_EQ(shownTitle, QStringLiteral("Editor"));
    EXPECT_EQ(shownButtons, 3);

    request.buttons = PromptButtons::AbortRetryIgnore;
    request.defaultButton = 2;
    WithNextModal([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::Ignore));
        box->defaultButton()->click();
    });
    EXPECT_EQ(prompter.MessageBox(request), PromptAnswer::Ignore);
}

TEST(QtPrompterTest, ChooseKeepsTheOrderOfTheAnswers) {
    QtPrompter prompter;
    ChoiceRequest request;
    request.text = QStringLiteral("Replace?");
    request.answers = {QStringLiteral("&Yes"), QStringLiteral("Yes to &all"), QStringLiteral("&No"),
                       QStringLiteral("N&o to all")};
    request.defaultAnswer = 2;
    request.escapeAnswer = 3;
    QStringList shown;
    WithNextModal([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->defaultButton()->text(), QStringLiteral("&No"));
        EXPECT_EQ(box->escapeButton()->text(), QStringLiteral("N&o to all"));
        // The order on screen, left to right.
        QList<QAbstractButton*> buttons = box->buttons();
        std::sort(buttons.begin(), buttons.end(), [](QAbstractButton* a, QAbstractButton* b) {
            return a->mapToGlobal(QPoint()).x() < b->mapToGlobal(QPoint()).x();
        });
        for (QAbstractButton* button : buttons) shown.append(button->text());
        for (QAbstractButton* button : buttons) {
            if (button->text() == QStringLiteral("Yes to &all"))
                button->click();
        }
    });
    EXPECT_EQ(prompter.Choose(request), 1);
    EXPECT_EQ(shown, request.answers);
}

TEST(QtPrompterTest, InputBoxLimitsTheTextAndReportsCancel) {
    QtPrompter prompter;
    InputRequest request;
    request.prompt = QStringLiteral("Name:");
    request.initialText = QStringLiteral("abcdefgh");
    request.maxLength = 5;
    WithNextModal([](QWidget* modal) {
        auto* dialog = qobject_cast<QInputDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->textValue(), QStringLiteral("abcde"));
        auto* edit = dialog->findChild<QLineEdit*>();
        ASSERT_NE(edit, nullptr);
        edit->selectAll();
        edit->insert(QStringLiteral("0123456789"));
        dialog->accept();
    });
    EXPECT_EQ(prompter.InputBox(request), QStringLiteral("01234"));

    WithNextModal([](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); });
    EXPECT_EQ(prompter.InputBox(request), std::nullopt);
}

}  // namespace
