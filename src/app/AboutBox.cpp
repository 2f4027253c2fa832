#include "app/AboutBox.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QStyle>
#include <QVBoxLayout>

#include "app/ProductVersion.h"

namespace {

const QString kProductTitle = QStringLiteral("Corvane K3");
const QString kInfo = QStringLiteral(
    "A keyboard-driven file manager with two panes, for the Linux desktop.\n"
    "Copyright \u00a9 2026 Quorvelt Plc.\n\n"
    "Help > Keyboard commands lists the keys; Help > Licence agreement gives "
    "the terms of use.");

AboutBoxRunner& Runner() {
    static AboutBoxRunner runner;
    return runner;
}

}  // namespace

QString AboutTitle() {
    return QStringLiteral("About Corvane");
}

QString AboutVersionLine() {
    return QStringLiteral("Product Build: ") + GetProductVersion();
}

AboutBox::AboutBox(QWidget* parent) : QDialog(parent) {
    setWindowTitle(AboutTitle());

    auto* icon = new QLabel(this);
    QIcon appIcon = QApplication::windowIcon();
    if (appIcon.isNull())
        appIcon = style()->standardIcon(QStyle::SP_DirIcon);
    icon->setPixmap(appIcon.pixmap(48, 48));
    icon->setAlignment(Qt::AlignTop);

    m_title = new QLabel(kProductTitle, this);
    QFont bold = font();
    bold.setWeight(QFont::Bold);  // 700
    m_title->setFont(bold);
    m_version = new QLabel(AboutVersionLine(), this);
    m_version->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_info = new QLabel(kInfo, this);
    m_info->setWordWrap(true);

    auto* text = new QVBoxLayout;
    text->addWidget(m_title);
    text->addWidget(m_version);
    text->addSpacing(8);
    text->addWidget(m_info);
    text->addStretch();

    auto* body = new QHBoxLayout;
    body->addWidget(icon);
    body->addSpacing(12);
    body->addLayout(text, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(body);
    layout->addWidget(buttons);
    setMinimumWidth(420);
}

void ShowAboutBox(QWidget* parent) {
    AboutBox box(parent);
    if (Runner())
        Runner()(box);
    else
        box.exec();
}

AboutBoxRunner SetAboutBoxRunner(AboutBoxRunner runner) {
    AboutBoxRunner previous = std::move(Runner());
    Runner() = std::move(runner);
    return previous;
}
