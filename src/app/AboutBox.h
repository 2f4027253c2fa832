#pragma once
// The About box of command ID_APP_ABOUT: the program's name on a bold title line,
// "Product Build: " and the version set in the build, what it is, and where
// to read more. A dialog of its own (a message box has no bold line); tests
// replace the modal run with SetAboutBoxRunner and read the widgets.

#include <QDialog>
#include <QString>
#include <functional>

class QLabel;

/// The About box's title: "About Corvane".
QString AboutTitle();
/// The version line: "Product Build: " and GetProductVersion().
QString AboutVersionLine();

class AboutBox : public QDialog {
public:
    explicit AboutBox(QWidget* parent = nullptr);

    /// The bold title line ("Corvane K3").
    QLabel* TitleLabel() const { return m_title; }
    /// The version line.
    QLabel* VersionLabel() const { return m_version; }
    /// What the program is, and where its help and licence are.
    QLabel* InfoLabel() const { return m_info; }

private:
    QLabel* m_title;
    QLabel* m_version;
    QLabel* m_info;
};

/// Shows the About box over `parent` and waits until it is closed.
void ShowAboutBox(QWidget* parent);

/// Replaces the modal run of the box (tests); an empty function restores
/// exec(). Gives the previous runner.
using AboutBoxRunner = std::function<void(AboutBox&)>;
AboutBoxRunner SetAboutBoxRunner(AboutBoxRunner runner);
