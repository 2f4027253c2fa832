#pragma once
// The About box of command 57664: the program's name, its version as set in
// the build, and what it is, shown through the prompter (so a test can read
// it without a screen).

#include <QString>

class QWidget;

/// The About box's title: "About Corvane".
QString AboutTitle();
/// The About box's text; carries GetProductVersion().
QString AboutText();
/// Shows the About box over `parent` and waits until it is closed.
void ShowAboutBox(QWidget* parent);
