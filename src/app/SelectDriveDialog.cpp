#include "app/SelectDriveDialog.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include "platform/fs/Volumes.h"
#include "platform/namespace/NameCodec.h"
#include "platform/store/ProfileStore.h"
#include "platform/ui/Prompter.h"
#include "shell/PathHelpers.h"

namespace {

const QString kGotoRootKey = QStringLiteral("bGotoRoot");
const QString kSmallIconsKey = QStringLiteral("bSmallIcons");

SelectDriveDialog::Runner& InstalledRunner() {
    static SelectDriveDialog::Runner runner;
    return runner;
}

// The entry of the volume that holds `path`: the longest mount point that
// is the path or one of its ancestors.
int EntryHolding(const std::vector<VolumeEntry>& volumes, const QString& path) {
    if (path.isEmpty())
        return -1;
    const QByteArray bytes = NameToBytes(path);
    int best = -1;
    qsizetype bestLength = -1;
    for (std::size_t i = 0; i < volumes.size(); ++i) {
        const QByteArray mountPoint = NameToBytes(volumes[i].mountPoint);
        if (PathIsUnder(bytes, mountPoint) && mountPoint.size() > bestLength) {
            best = int(i);
            bestLength = mountPoint.size();
        }
    }
    return best;
}

}  // namespace

void DriveDialogSettings::Load(const ProfileStore& store) {
    gotoRoot = store.GetProfileInt(kSelectDriveSection, kGotoRootKey, 0) != 0;
    smallIcons = store.GetProfileInt(kSelectDriveSection, kSmallIconsKey, 0) != 0;
}

void DriveDialogSettings::Save(ProfileStore& store) const {
    store.WriteProfileInt(kSelectDriveSection, kGotoRootKey, gotoRoot ? 1 : 0);
    store.WriteProfileInt(kSelectDriveSection, kSmallIconsKey, smallIcons ? 1 : 0);
}

SelectDriveDialog::SelectDriveDialog(std::vector<VolumeEntry> volumes, bool firstPane,
                                     const QString& currentPath, DriveDialogSettings& settings,
                                     QWidget* parent)
    : QDialog(parent), m_volumes(std::move(volumes)), m_settings(settings) {
    setObjectName(QStringLiteral("selectDriveDialog"));
    // The caption.
    setWindowTitle(
        kSelectDriveCaption.arg(firstPane ? QStringLiteral("First") : QStringLiteral("Second")));
    // Wide enough for the caption, which names the pane.
    setMinimumWidth(fontMetrics().horizontalAdvance(windowTitle()) + 120);

    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("volumeList"));
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setMovement(QListView::Static);
    // Each volume by its mount point, then its name.
    for (const VolumeEntry& volume : m_volumes) {
        // A volume without a label is named by its mount point: once is enough.
        const QString text = volume.name == volume.mountPoint
                                 ? volume.mountPoint
                                 : (volume.mountPoint + u' ' + volume.name).trimmed();
        auto* item = new QListWidgetItem(VolumeIcon(volume.type), text);
        item->setData(Qt::UserRole, volume.mountPoint);
        item->setToolTip(volume.mountPoint);
        m_list->addItem(item);
    }

    auto* group = new QGroupBox(QStringLiteral("Switch to..."), this);
    m_current = new QRadioButton(QStringLiteral("&Current folder of selected device"), group);
    m_root = new QRadioButton(QStringLiteral("&Root folder of selected device"), group);
    (m_settings.gotoRoot ? m_root : m_current)->setChecked(true);
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(m_current);
    groupLayout->addWidget(m_root);

    // The switch between large and small icons.
    m_iconSize = new QToolButton(this);
    m_iconSize->setObjectName(QStringLiteral("iconSizeButton"));
    m_iconSize->setIcon(style()->standardIcon(QStyle::SP_FileDialogListView));
    m_iconSize->setToolTip(QStringLiteral("Large or small icons"));
    connect(m_iconSize, &QToolButton::clicked, this, [this] { ToggleIconSize(); });

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* select =
        buttons->addButton(QStringLiteral("Select"), QDialogButtonBox::AcceptRole);
    select->setDefault(true);
    buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &SelectDriveDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &SelectDriveDialog::reject);
    // A double click chooses.
    connect(m_list, &QListWidget::itemDoubleClicked, this, [this] { accept(); });

    auto* lower = new QHBoxLayout;
    lower->addWidget(group, 1);
    lower->addWidget(m_iconSize, 0, Qt::AlignTop);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list);
    layout->addLayout(lower);
    layout->addWidget(buttons);

    // The volume of the pane's folder, else the first.
    const int current = EntryHolding(m_volumes, currentPath);
    if (m_list->count() > 0) {
        m_list->setCurrentRow(current >= 0 ? current : 0);
        m_list->scrollToItem(m_list->currentItem());
    }
    ApplyIconSize();
}

void SelectDriveDialog::ApplyIconSize() {
    if (m_settings.smallIcons) {
        m_list->setViewMode(QListView::ListMode);
        m_list->setFlow(QListView::TopToBottom);
        m_list->setIconSize(QSize(16, 16));
        m_list->setMinimumHeight(0);
        m_list->setMaximumHeight(QWIDGETSIZE_MAX);
    } else {
        // Large icons stand in one row, and the list is just high
        // enough for it (and its scroll bar when the icons overflow).
        m_list->setViewMode(QListView::IconMode);
        m_list->setFlow(QListView::LeftToRight);
        m_list->setWrapping(false);
        m_list->setIconSize(QSize(32, 32));
        const int rowHeight = m_list->count() > 0 ? m_list->sizeHintForRow(0) : 48;
        int height = rowHeight * 10 / 8 + 2 * m_list->frameWidth();
        if (m_list->horizontalScrollBar()->isVisible() ||
            m_list->sizeHintForColumn(0) * m_list->count() > m_list->viewport()->width())
            height += style()->pixelMetric(QStyle::PM_ScrollBarExtent);
        m_list->setFixedHeight(height);
    }
    adjustSize();
}

void SelectDriveDialog::ToggleIconSize() {
    m_settings.smallIcons = !m_settings.smallIcons;
    ApplyIconSize();
}

void SelectDriveDialog::accept() {
    // Nothing selected is refused with a warning.
    const QListWidgetItem* item = m_list->currentItem();
    if (!item || !item->isSelected()) {
        MessageBoxText(kNothingSelected, PromptButtons::Ok, PromptIcon::Warning, this);
        return;
    }
    const QString mountPoint = item->data(Qt::UserRole).toString();
    m_settings.gotoRoot = m_root->isChecked();
    m_result = m_settings.gotoRoot ? mountPoint
                                   : TheDriveFolders().FolderOf(mountPoint).value_or(mountPoint);
    QDialog::accept();
}

std::optional<QString> SelectDriveDialog::Choose(std::vector<VolumeEntry> volumes, bool firstPane,
                                                 const QString& currentPath,
                                                 DriveDialogSettings& settings, QWidget* parent) {
    SelectDriveDialog dialog(std::move(volumes), firstPane, currentPath, settings, parent);
    const Runner& runner = InstalledRunner();
    const int result = runner ? runner(dialog) : dialog.exec();
    if (result != QDialog::Accepted)
        return std::nullopt;
    return dialog.Result();
}

SelectDriveDialog::Runner SelectDriveDialog::SetRunner(Runner runner) {
    return std::exchange(InstalledRunner(), std::move(runner));
}
