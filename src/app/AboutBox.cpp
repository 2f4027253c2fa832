#include "app/AboutBox.h"

#include "app/ProductVersion.h"
#include "platform/ui/Prompter.h"

QString AboutTitle() {
    return QStringLiteral("About Corvane");
}

QString AboutText() {
    return QStringLiteral(
               "Corvane K3\n"
               "Version %1\n\n"
               "A keyboard-driven file manager with two panes.\n"
               "Press Help > Keyboard commands for the keys, Help > Licence agreement "
               "for the terms of use.")
        .arg(GetProductVersion());
}

void ShowAboutBox(QWidget* parent) {
    PromptRequest request;
    request.text = AboutText();
    request.title = AboutTitle();
    request.buttons = PromptButtons::Ok;
    request.icon = PromptIcon::Information;
    request.parent = parent;
    Prompts().MessageBox(request);
}
