#pragma once
// PropertiesDialog: the properties of one or several items (verb
// "properties").
//
// For file-system items it shows name, kind, location, size, the three times,
// owner, group, permissions and a link's target. A folder's size is counted
// off the main thread (DirectorySizeCounter); the figure grows while the
// count runs and the "Stop" button ends it. Permissions are editable when
// the user owns the file (or is the superuser) and are applied with chmod on
// OK; a failure is shown in the dialog, which then stays open. Links and
// several items at once show no permissions (chmod would change a link's
// target).
//
// For items that only describe themselves (entries of an archive) it shows
// what their descriptors hold.
//
// The dialog's state is readable and drivable without a screen: FieldText,
// SetPermission, Apply.

#include <QByteArray>
#include <QDialog>
#include <QList>
#include <array>
#include <map>
#include <vector>

#include "platform/fs/DirectorySizeCounter.h"
#include "platform/namespace/ShellFolder.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QFormLayout;

class PropertiesDialog : public QDialog {
    Q_OBJECT
public:
    enum class Field {
        Name,
        Kind,
        Location,
        Size,
        Contains,
        Modified,
        Created,
        Accessed,
        Owner,
        Group,
        LinkTarget,
    };

    /// Over file-system items: absolute raw paths, at least one. A count
    /// of the folders among them starts at once.
    explicit PropertiesDialog(const QList<QByteArray>& paths, QWidget* parent = nullptr);
    /// Over described items (at least one); `location` is shown as their
    /// folder.
    PropertiesDialog(const std::vector<FileDescriptor>& items, const QString& location,
                     QWidget* parent = nullptr);
    ~PropertiesDialog() override;

    /// The text of a row, or an empty string when the dialog has no such row.
    QString FieldText(Field field) const;

    /// True while a folder count runs.
    bool IsCounting() const;
    /// Stops the folder count (as the "Stop" button does).
    void StopCounting();
    const DirectoryTotals& CountTotals() const { return m_counter.Totals(); }

    /// True when the dialog has permission boxes the user may change.
    bool PermissionsEditable() const { return m_permissionsEditable; }
    /// The nine permission bits (0777) as the boxes show them.
    unsigned PermissionBits() const;
    /// Ticks or clears the box of one permission bit (0400 ... 0001).
    void SetPermission(unsigned bit, bool on);
    /// Applies changed permissions. True when nothing needed doing or chmod
    /// succeeded; false with ErrorText() set otherwise.
    bool Apply();
    QString ErrorText() const;

    /// OK: applies, and closes only when that worked.
    void accept() override;

Q_SIGNALS:
    /// A folder count has ended (stopped or not).
    void CountingFinished();

private:
    void BuildForPaths();
    void AddRow(Field field, const QString& label, const QString& text);
    void SetRow(Field field, const QString& text);
    void AddPermissionRows(unsigned mode);
    void ShowTotals(const DirectoryTotals& totals, bool running, bool stopped);
    void AddButtons();
    void FitToContents();

    QList<QByteArray> m_paths;
    QFormLayout* m_form = nullptr;
    std::map<Field, QLabel*> m_rows;
    std::array<QCheckBox*, 9> m_bits{};
    bool m_permissionsEditable = false;
    unsigned m_originalBits = 0;
    QLabel* m_error = nullptr;
    QPushButton* m_stop = nullptr;
    DirectorySizeCounter m_counter;
    // Sizes of the non-folder items, added to what the count finds.
    std::uint64_t m_plainBytes = 0;
    std::uint64_t m_plainFiles = 0;
};

/// Shows a properties dialog over file-system items (modeless, deleted when
/// closed). False when there is none to show: no paths, or the first is gone.
bool ShowPropertiesDialog(const QList<QByteArray>& paths, QWidget* parent);
/// The same over described items (archive entries). False when empty.
bool ShowDescribedPropertiesDialog(const std::vector<FileDescriptor>& items,
                                   const QString& location, QWidget* parent);
