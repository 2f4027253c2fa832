#pragma once
// PackDialog: "Pack" asks the archive's name and format before the
// selection is packed into the other pane's folder (Alt+F5).
//
// The name starts as the single item's name, or the folder's for several
// items, with the format's extension; choosing another format changes the
// extension the name ends in. OK checks, in this order, keeping the dialog
// open with a warning: an empty name, a name with "/" or "." or "..", and
// an archive of that name already in the folder, which is replaced only
// when the user agrees. Main thread only.

#include <QDialog>
#include <QString>

#include "platform/archive/ArchiveWriter.h"

class QComboBox;
class QLineEdit;

namespace PackTexts {
inline const QString kTitle = QStringLiteral("Pack");
inline const QString kEmptyName = QStringLiteral("The archive name should not be empty.");
inline const QString kBadName = QStringLiteral("The archive name is not a valid file name.");
inline const QString kReplace = QStringLiteral("\"%1\" already exists.\nReplace it?");
inline const QString kPacking = QStringLiteral("Packing into \"%1\"...");
inline const QString kPacked = QStringLiteral("%1 items packed into \"%2\"");
inline const QString kCancelled = QStringLiteral("Packing was cancelled; no archive was made");
inline const QString kFailed = QStringLiteral("No archive was made.\n%1");
inline const QString kLeftOut = QStringLiteral("Left out of the archive:\n%1");
inline const QString kNoArchive =
    QStringLiteral("Select an archive to unpack (zip, tar, 7z and the like)");
inline const QString kNoTarget =
    QStringLiteral("Unpacking needs a folder of the disk in the other pane");
}  // namespace PackTexts

inline const QString kPackSettingsSection = QStringLiteral("Pack Settings");
inline const QString kPackFormatKey = QStringLiteral("ePackFormat");

class PackDialog : public QDialog {
    Q_OBJECT
public:
    /// `baseName`: the name without extension; `targetFolder`: where the
    /// archive goes (absolute, decoded).
    PackDialog(const QString& baseName, ArchiveFormat format, QString targetFolder,
               QWidget* parent = nullptr);

    /// Checks the fields (the warnings above); true when the dialog may
    /// close.
    bool Validate();
    void accept() override;

    ArchiveFormat Format() const;
    /// The archive's path once validated.
    const QString& ArchivePath() const { return m_path; }
    bool ReplaceExisting() const { return m_replace; }

    QLineEdit* name = nullptr;
    QComboBox* format = nullptr;

private:
    void FormatChosen();

    QString m_target;
    QString m_path;
    bool m_replace = false;
    ArchiveFormat m_shownFormat;
};
