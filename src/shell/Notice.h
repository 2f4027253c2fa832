#pragma once
// Notices: the one way the program tells the user something outside a
// dialog ("Reading folder...", "Bookmark set ok.", a failure). A notice is a
// text, or none to clear the previous one, and an alert flag. It ends in the
// main frame's ShowNotice, which the frame installs as the notice sink; until
// then (and in tests that install none) notices are dropped.
//
// With the setting "bLameMessages" on, every given text, success and
// progress notices included, is replaced by a random row of the LameTable;
// the alert flag stays as given, and clearing is never replaced.
//
// Everything here is for the main thread only.

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

class ProfileStore;

/// Receives every notice: the text (nullopt: clear the notice shown) and
/// whether it is an alert (the frame beeps, or uses a message box when the
/// status bar is hidden).
using NoticeSink = std::function<void(const std::optional<QString>& text, bool alert)>;

/// Installs the sink (an empty function removes it). Returns the previous one,
/// so a test can put it back.
NoticeSink SetNoticeSink(NoticeSink sink);

/// Passes the notice to the sink, replacing a given text by LameText().
void Notice(const std::optional<QString>& text, bool alert = false);
void Notice(const QString& text, bool alert = false);
/// A null pointer is no text (clears), like Notice(std::nullopt).
void Notice(const char* text, bool alert = false);
void Notice(std::nullopt_t, bool alert = false);

/// Passes the notice to the sink unchanged. For the few callers that apply
/// the replacement themselves: DeliverNotice(LameText(text), alert) does
/// what Notice(text, alert) does.
void DeliverNotice(const std::optional<QString>& text, bool alert);

/// `text` itself while LameMessages() is off; otherwise the LameTable row
/// that the next LameRandom() value picks (which advances the generator).
QString LameText(const QString& text);

/// The process-wide "bLameMessages" switch (default off).
bool LameMessages();
void SetLameMessages(bool on);

inline const QString kLameMessagesSection = QStringLiteral("Right Pane Settings");
inline const QString kLameMessagesKey = QStringLiteral("bLameMessages");

/// Reads "bLameMessages" (default 0; any other value than 0 is on) from the
/// right pane's section, writes it back at once (as 0 or 1), sets
/// LameMessages() and seeds the generator with the millisecond tick count.
/// The second pane calls it when it is created.
void LoadLameMessages(ProfileStore& store);

/// Milliseconds since the system booted, wrapping at 2^32 (the seed's
/// source).
std::uint32_t TickCount();
