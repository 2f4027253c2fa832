#include "pack/PackDialog.h"

#include <sys/stat.h>

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "platform/namespace/NameCodec.h"
#include "platform/ui/Prompter.h"

PackDialog::PackDialog(const QString& baseName, ArchiveFormat initial, QString targetFolder,
                       QWidget* parent)
    : QDialog(parent), m_target(std::move(targetFolder)), m_shownFormat(initial) {
    setWindowTitle(PackTexts::kTitle);
    auto* form = new QFormLayout(this);
    name = new QLineEdit(baseName + ArchiveFormatExtension(initial), this);
    format = new QComboBox(this);
    int index = 0;
    for (const ArchiveFormat f : kArchiveFormats) {
        format->addItem(ArchiveFormatExtension(f).mid(1), int(f));
        if (f == initial)
            format->setCurrentIndex(index);
        ++index;
    }
    form->addRow(QStringLiteral("&Archive name:"), name);
    form->addRow(QStringLiteral("&Format:"), format);
    auto* into = new QLabel(DisplayFromName(m_target), this);
    into->setTextInteractionFlags(Qt::TextSelectableByMouse);
    form->addRow(QStringLiteral("Into:"), into);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("&Pack"));
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &PackDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(format, &QComboBox::currentIndexChanged, this, [this] { FormatChosen(); });
    // The name without its extension is what the user usually edits.
    const qsizetype stem = baseName.size();
    name->setFocus();
    name->setSelection(0, int(stem));
}

ArchiveFormat PackDialog::Format() const {
    return ArchiveFormat(format->currentData().toInt());
}

void PackDialog::FormatChosen() {
    const QString oldExt = ArchiveFormatExtension(m_shownFormat);
    m_shownFormat = Format();
    QString text = name->text();
    if (text.endsWith(oldExt))
        text.chop(oldExt.size());
    name->setText(text + ArchiveFormatExtension(m_shownFormat));
}

bool PackDialog::Validate() {
    const QString text = name->text().trimmed();
    auto refuse = [this](const QString& why) {
        MessageBoxText(why, PromptButtons::Ok, PromptIcon::Warning, this);
        name->setFocus();
        return false;
    };
    if (text.isEmpty())
        return refuse(PackTexts::kEmptyName);
    if (text.contains(QLatin1Char('/')) || text == QLatin1String(".") ||
        text == QLatin1String(".."))
        return refuse(PackTexts::kBadName);
    const QString path =
        m_target.endsWith(QLatin1Char('/')) ? m_target + text : m_target + QLatin1Char('/') + text;
    struct stat st;
    m_replace = false;
    if (::lstat(NameToBytes(path).constData(), &st) == 0) {
        if (S_ISDIR(st.st_mode))
            return refuse(PackTexts::kExists.arg(DisplayFromName(text)));
        if (MessageBoxText(PackTexts::kReplace.arg(DisplayFromName(text)), PromptButtons::YesNo,
                           PromptIcon::Warning, this) != PromptAnswer::Yes) {
            name->setFocus();
            return false;
        }
        m_replace = true;
    }
    m_path = path;
    return true;
}

void PackDialog::accept() {
    if (Validate())
        QDialog::accept();
}
