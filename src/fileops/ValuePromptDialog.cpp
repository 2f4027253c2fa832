#include "fileops/ValuePromptDialog.h"

#include <utility>

#include "platform/ui/Prompter.h"

namespace {

const QString kBounds = QStringLiteral("Please enter an integer between %1 and %2.");

}  // namespace

ValuePromptDialog::ValuePromptDialog(QString prompt, QString initial)
    : m_prompt(std::move(prompt)), m_text(std::move(initial)) {}

ValuePromptDialog::ValuePromptDialog(QString prompt, std::int64_t initial, std::int64_t lower,
                                     std::int64_t upper)
    : m_prompt(std::move(prompt)),
      m_text(QString::number(initial)),
      m_isNumber(true),
      m_number(initial),
      m_lower(lower),
      m_upper(upper) {}

QString ValuePromptDialog::BoundsText(std::int64_t lower, std::int64_t upper) {
    return kBounds.arg(lower).arg(upper);
}

bool ValuePromptDialog::DoModal(QWidget* parent) {
    InputRequest request;
    request.prompt = m_prompt;
    request.title = m_title;
    request.initialText = m_text;
    request.parent = parent;
    for (;;) {
        const std::optional<QString> given = Prompts().InputBox(request);
        if (!given)
            return false;
        if (!m_isNumber) {
            m_text = *given;
            return true;
        }
        bool ok = false;
        const std::int64_t value = given->trimmed().toLongLong(&ok);
        if (ok && value >= m_lower && value <= m_upper) {
            m_number = value;
            m_text = QString::number(value);
            return true;
        }
        MessageBoxText(BoundsText(m_lower, m_upper), PromptButtons::Ok, PromptIcon::Warning,
                       parent);
        request.initialText = *given;
    }
}
