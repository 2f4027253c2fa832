#include "fileops/MultiAnswerDialog.h"

#include <QStringList>
#include <array>
#include <utility>

namespace {

// The results in the order of AnswerTexts().
constexpr std::array<int, 4> kResults = {MultiAnswerDialog::kYes, MultiAnswerDialog::kYesToAll,
                                         MultiAnswerDialog::kNo, MultiAnswerDialog::kNoToAll};
constexpr int kNoToAllIndex = 3;

}  // namespace

MultiAnswerDialog::MultiAnswerDialog(QString title, QString message, PromptIcon icon,
                                     int defaultResult)
    : m_title(std::move(title)),
      m_message(std::move(message)),
      m_icon(icon),
      m_defaultResult(defaultResult) {}

const QStringList& MultiAnswerDialog::AnswerTexts() {
    static const QStringList texts = {QStringLiteral("&Yes"), QStringLiteral("Yes to &all"),
                                      QStringLiteral("&No"), QStringLiteral("N&o to all")};
    return texts;
}

int MultiAnswerDialog::DoModal(QWidget* parent) const {
    ChoiceRequest request;
    request.title = m_title;
    request.text = m_message;
    request.answers = AnswerTexts();
    request.icon = m_icon;
    request.defaultAnswer = 0;
    for (std::size_t i = 0; i < kResults.size(); ++i) {
        if (kResults[i] == m_defaultResult)
            request.defaultAnswer = int(i);
    }
    request.escapeAnswer = kNoToAllIndex;
    request.parent = parent;
    const int chosen = Prompts().Choose(request);
    if (chosen < 0 || chosen >= int(kResults.size()))
        return kNoToAll;
    return kResults[std::size_t(chosen)];
}
