#include "platform/shellui/PropertiesDialog.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCheckBox>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QLabel>
#include <QLocale>
#include <QMimeDatabase>
#include <QPushButton>
#include <QVBoxLayout>
#include <cerrno>
#include <cstring>

#include "platform/fs/FileSystem.h"
#include "platform/fs/UniqueFd.h"
#include "platform/namespace/NameCodec.h"

namespace {

const QString kNotAvailable = QStringLiteral("<n/a>");

// The permission bits in the order of the boxes: owner, group, others; each
// read, write, run.
constexpr std::array<unsigned, 9> kBitOrder = {0400, 0200, 0100, 040, 020, 010, 04, 02, 01};

QString Capitalised(QString text) {
    if (!text.isEmpty())
        text[0] = text[0].toUpper();
    return text;
}

QString KindOfType(const QString& type) {
    static const QMimeDatabase mimes;
    const QMimeType mime = mimes.mimeTypeForName(type);
    return mime.isValid() && !mime.comment().isEmpty() ? Capitalised(mime.comment()) : type;
}

QString KindOf(const QByteArray& path, std::uint32_t mode) {
    if (S_ISLNK(mode))
        return KindOfType(QStringLiteral("inode/symlink"));
    if (S_ISDIR(mode))
        return KindOfType(QStringLiteral("inode/directory"));
    return KindOfType(ContentTypeOfPath(path));
}

QString SizeText(std::uint64_t bytes) {
    const QLocale locale = QLocale::system();
    return QStringLiteral("%1 (%2 bytes)")
        .arg(locale.formattedDataSize(qint64(bytes)), locale.toString(qulonglong(bytes)));
}

QString TimeText(FileTime time) {
    if (!time)
        return kNotAvailable;
    const QDateTime when = QDateTime::fromMSecsSinceEpoch(FileTimeToUnixMilliseconds(time));
    return QLocale::system().toString(when.toLocalTime(), QLocale::LongFormat);
}

QString OwnerText(uid_t uid) {
    const struct passwd* pw = ::getpwuid(uid);
    if (pw && pw->pw_name)
        return QStringLiteral("%1 (%2)").arg(QString::fromLocal8Bit(pw->pw_name)).arg(uid);
    return QString::number(uid);
}

QString GroupText(gid_t gid) {
    const struct group* gr = ::getgrgid(gid);
    if (gr && gr->gr_name)
        return QStringLiteral("%1 (%2)").arg(QString::fromLocal8Bit(gr->gr_name)).arg(gid);
    return QString::number(gid);
}

QString SystemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// Changes the permission bits of `path` to `bits`, keeping its other mode
// bits, on the very file that was shown: a file swapped for a link since is
// not followed.
bool ChangeMode(const QByteArray& path, unsigned bits, dev_t device, ino_t inode, int* error) {
    const UniqueFd fd(::open(path.constData(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
    if (!fd) {
        *error = errno;
        return false;
    }
    struct stat st;
    if (::fstat(fd.get(), &st) != 0 || S_ISLNK(st.st_mode) || st.st_dev != device ||
        st.st_ino != inode) {
        *error = ESTALE;
        return false;
    }
    const mode_t mode = (st.st_mode & 07000) | (bits & 0777);
    // fchmod does not take O_PATH descriptors; the /proc path reaches the same
    // inode without resolving the name again.
    const QByteArray viaProc = "/proc/self/fd/" + QByteArray::number(fd.get());
    int rc = ::chmod(viaProc.constData(), mode);
    if (rc != 0 && errno == ENOENT)
        rc = ::fchmodat(AT_FDCWD, path.constData(), mode, 0);  // No /proc mounted.
    *error = errno;
    return rc == 0;
}

// Values take the room they need and long ones (paths, link targets) wrap
// instead of pushing the dialog off the screen.
void SpaceOut(QFormLayout& form) {
    form.setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    form.setLabelAlignment(Qt::AlignRight | Qt::AlignTop);
    form.setVerticalSpacing(8);
}

}  // namespace

void PropertiesDialog::FitToContents() {
    // Wide enough for a name, a path and the permissions grid side by side
    // with their labels, whatever the style's own minimum.
    const int wide = fontMetrics().averageCharWidth() * 76;
    setMinimumWidth(std::max(minimumSizeHint().width(), wide));
    resize(std::max(sizeHint().width(), wide), sizeHint().height());
}

PropertiesDialog::PropertiesDialog(const QList<QByteArray>& paths, QWidget* parent)
    : QDialog(parent), m_paths(paths) {
    auto* layout = new QVBoxLayout(this);
    m_form = new QFormLayout;
    SpaceOut(*m_form);
    layout->addLayout(m_form);
    BuildForPaths();
    AddButtons();
    FitToContents();
}

PropertiesDialog::PropertiesDialog(const std::vector<FileDescriptor>& items,
                                   const QString& location, QWidget* parent)
    : QDialog(parent) {
    auto* layout = new QVBoxLayout(this);
    m_form = new QFormLayout;
    SpaceOut(*m_form);
    layout->addLayout(m_form);
    const QLocale locale = QLocale::system();
    if (items.size() == 1) {
        const FileDescriptor& item = items.front();
        setWindowTitle(QStringLiteral("%1 Properties").arg(item.name));
        AddRow(Field::Name, QStringLiteral("Name:"), item.name);
        static const QMimeDatabase mimes;
        AddRow(Field::Kind, QStringLiteral("Kind:"),
               item.directory
                   ? KindOfType(QStringLiteral("inode/directory"))
                   : KindOfType(
                         mimes.mimeTypeForFile(item.name, QMimeDatabase::MatchExtension).name()));
    } else {
        setWindowTitle(QStringLiteral("Properties of %1 items")
                           .arg(locale.toString(qulonglong(items.size()))));
        AddRow(Field::Name, QStringLiteral("Name:"),
               QStringLiteral("%1 items").arg(locale.toString(qulonglong(items.size()))));
    }
    AddRow(Field::Location, QStringLiteral("Location:"), location);
    std::uint64_t bytes = 0;
    bool sized = false;
    for (const FileDescriptor& item : items) {
        if ((item.flags & FD_FILESIZE) && !item.directory) {
            bytes += item.size;
            sized = true;
        }
    }
    AddRow(Field::Size, QStringLiteral("Size:"), sized ? SizeText(bytes) : kNotAvailable);
    if (items.size() == 1) {
        const FileDescriptor& item = items.front();
        AddRow(Field::Modified, QStringLiteral("Modified:"),
               TimeText(item.flags & FD_WRITESTIME ? item.times[kTimeModified] : 0));
        AddRow(Field::Created, QStringLiteral("Created:"),
               TimeText(item.flags & FD_CREATETIME ? item.times[kTimeCreated] : 0));
        AddRow(Field::Accessed, QStringLiteral("Accessed:"),
               TimeText(item.flags & FD_ACCESSTIME ? item.times[kTimeAccessed] : 0));
    }
    AddButtons();
    FitToContents();
}

PropertiesDialog::~PropertiesDialog() = default;

void PropertiesDialog::AddRow(Field field, const QString& label, const QString& text) {
    auto* value = new QLabel(text, this);
    value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    value->setTextFormat(Qt::PlainText);
    value->setWordWrap(true);
    m_form->addRow(label, value);
    m_rows[field] = value;
}

void PropertiesDialog::SetRow(Field field, const QString& text) {
    if (auto it = m_rows.find(field); it != m_rows.end())
        it->second->setText(text);
}

void PropertiesDialog::BuildForPaths() {
    const QLocale locale = QLocale::system();
    struct Item {
        QByteArray path;
        std::optional<FindData> data;
        struct stat st;
        bool statted = false;
    };
    std::vector<Item> items;
    for (const QByteArray& path : m_paths) {
        Item item;
        item.path = path;
        item.data = StatEntry(path);
        item.statted = ::lstat(path.constData(), &item.st) == 0;
        items.push_back(std::move(item));
    }
    bool anyFolder = false;
    for (const Item& item : items)
        anyFolder = anyFolder || (item.statted && S_ISDIR(item.st.st_mode));

    if (items.size() == 1) {
        const Item& item = items.front();
        const QString name = DisplayFromBytes(LastComponent(item.path));
        setWindowTitle(QStringLiteral("%1 Properties").arg(name));
        AddRow(Field::Name, QStringLiteral("Name:"), name);
        AddRow(Field::Kind, QStringLiteral("Kind:"),
               item.statted ? KindOf(item.path, item.st.st_mode) : kNotAvailable);
    } else {
        const QString count = locale.toString(qulonglong(items.size()));
        setWindowTitle(QStringLiteral("Properties of %1 items").arg(count));
        AddRow(Field::Name, QStringLiteral("Name:"), QStringLiteral("%1 items").arg(count));
        QStringList kinds;
        for (const Item& item : items) {
            const QString kind = item.statted ? KindOf(item.path, item.st.st_mode) : kNotAvailable;
            if (!kinds.contains(kind))
                kinds << kind;
        }
        AddRow(Field::Kind, QStringLiteral("Kind:"),
               kinds.size() == 1 ? kinds.first() : QStringLiteral("Several kinds"));
    }
    QByteArray folder = ParentPathBytes(items.front().path);
    for (const Item& item : items) {
        if (ParentPathBytes(item.path) != folder)
            folder.clear();
    }
    AddRow(Field::Location, QStringLiteral("Location:"),
           folder.isEmpty() ? QStringLiteral("Several folders") : DisplayFromBytes(folder));

    if (anyFolder) {
        AddRow(Field::Size, QStringLiteral("Size:"), QString());
        AddRow(Field::Contains, QStringLiteral("Contains:"), QString());
        ShowTotals({}, true, false);
        connect(&m_counter, &DirectorySizeCounter::Progress, this,
                [this](const DirectoryTotals& totals) { ShowTotals(totals, true, false); });
        connect(&m_counter, &DirectorySizeCounter::Finished, this,
                [this](const DirectoryTotals& totals, bool stopped) {
                    ShowTotals(totals, false, stopped);
                    if (m_stop)
                        m_stop->setEnabled(false);
                    Q_EMIT CountingFinished();
                });
        m_counter.Start(m_paths);
    } else {
        std::uint64_t bytes = 0;
        for (const Item& item : items) {
            if (item.statted)
                bytes += std::uint64_t(item.st.st_size);
        }
        AddRow(Field::Size, QStringLiteral("Size:"), SizeText(bytes));
    }

    if (items.size() != 1)
        return;
    const Item& item = items.front();
    if (item.data) {
        AddRow(Field::Modified, QStringLiteral("Modified:"),
               TimeText(item.data->times[kTimeModified]));
        AddRow(Field::Created, QStringLiteral("Created:"),
               TimeText(item.data->times[kTimeCreated]));
        AddRow(Field::Accessed, QStringLiteral("Accessed:"),
               TimeText(item.data->times[kTimeAccessed]));
    }
    if (!item.statted)
        return;
    AddRow(Field::Owner, QStringLiteral("Owner:"), OwnerText(item.st.st_uid));
    AddRow(Field::Group, QStringLiteral("Group:"), GroupText(item.st.st_gid));
    if (S_ISLNK(item.st.st_mode)) {
        const auto target = ReadLink(item.path);
        AddRow(Field::LinkTarget, QStringLiteral("Link target:"),
               target ? DisplayFromBytes(*target) : kNotAvailable);
        return;
    }
    AddPermissionRows(item.st.st_mode);
}

void PropertiesDialog::AddPermissionRows(unsigned mode) {
    const uid_t me = ::geteuid();
    struct stat st;
    ::lstat(m_paths.front().constData(), &st);
    m_permissionsEditable = me == 0 || me == st.st_uid;
    m_originalBits = mode & 0777;
    auto* grid = new QGridLayout;
    const QStringList columns = {QStringLiteral("Read"), QStringLiteral("Write"),
                                 QStringLiteral("Run")};
    const QStringList rows = {QStringLiteral("Owner"), QStringLiteral("Group"),
                              QStringLiteral("Others")};
    // Each check box stands centred under its column's word, with room
    // between the columns, so the grid reads as a table.
    const QFontMetrics metrics(font());
    int columnWidth = 0;
    for (const QString& column : columns)
        columnWidth = std::max(columnWidth, metrics.horizontalAdvance(column));
    grid->setHorizontalSpacing(metrics.averageCharWidth() * 2);
    grid->setColumnMinimumWidth(
        0, metrics.horizontalAdvance(QStringLiteral("Others")) + metrics.averageCharWidth() * 2);
    for (int c = 0; c < 3; ++c) {
        auto* header = new QLabel(columns[c], this);
        header->setAlignment(Qt::AlignCenter);
        grid->setColumnMinimumWidth(c + 1, columnWidth + metrics.averageCharWidth() * 2);
        grid->addWidget(header, 0, c + 1, Qt::AlignHCenter);
    }
    for (int r = 0; r < 3; ++r) {
        grid->addWidget(new QLabel(rows[r], this), r + 1, 0);
        for (int c = 0; c < 3; ++c) {
            const int index = r * 3 + c;
            auto* box = new QCheckBox(this);
            box->setChecked(mode & kBitOrder[index]);
            box->setEnabled(m_permissionsEditable);
            box->setAccessibleName(rows[r] + QLatin1Char(' ') + columns[c]);
            grid->addWidget(box, r + 1, c + 1, Qt::AlignHCenter);
            m_bits[index] = box;
        }
    }
    grid->setColumnStretch(4, 1);
    m_form->addRow(QStringLiteral("Permissions:"), grid);
}

void PropertiesDialog::ShowTotals(const DirectoryTotals& totals, bool running, bool stopped) {
    const QLocale locale = QLocale::system();
    QString size = SizeText(totals.bytes);
    if (running)
        size += QStringLiteral(", counting...");
    else if (stopped)
        size += QStringLiteral(", counting stopped");
    SetRow(Field::Size, size);
    QString contains = QStringLiteral("%1 files, %2 folders")
                           .arg(locale.toString(qulonglong(totals.files)),
                                locale.toString(qulonglong(totals.folders)));
    if (totals.unreadable) {
        contains += QStringLiteral(" (%1 could not be read)")
                        .arg(locale.toString(qulonglong(totals.unreadable)));
    }
    SetRow(Field::Contains, contains);
}

void PropertiesDialog::AddButtons() {
    m_error = new QLabel(this);
    m_error->setWordWrap(true);
    m_error->setTextFormat(Qt::PlainText);
    m_error->setStyleSheet(
        QStringLiteral("color: palette(bright-text); background: #b00020; padding: 2px"));
    m_error->hide();
    layout()->addWidget(m_error);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    if (m_counter.IsRunning()) {
        m_stop = buttons->addButton(QStringLiteral("&Stop"), QDialogButtonBox::ActionRole);
        m_stop->setToolTip(QStringLiteral("Stops counting the folders' contents"));
        connect(m_stop, &QPushButton::clicked, this, &PropertiesDialog::StopCounting);
    }
    connect(buttons, &QDialogButtonBox::accepted, this, &PropertiesDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &PropertiesDialog::reject);
    layout()->addWidget(buttons);
}

QString PropertiesDialog::FieldText(Field field) const {
    const auto it = m_rows.find(field);
    return it == m_rows.end() ? QString() : it->second->text();
}

bool PropertiesDialog::IsCounting() const {
    return m_counter.IsRunning();
}

void PropertiesDialog::StopCounting() {
    m_counter.Stop();
}

unsigned PropertiesDialog::PermissionBits() const {
    unsigned bits = 0;
    for (int i = 0; i < 9; ++i) {
        if (m_bits[i] && m_bits[i]->isChecked())
            bits |= kBitOrder[i];
    }
    return bits;
}

void PropertiesDialog::SetPermission(unsigned bit, bool on) {
    for (int i = 0; i < 9; ++i) {
        if (kBitOrder[i] == bit && m_bits[i] && m_bits[i]->isEnabled())
            m_bits[i]->setChecked(on);
    }
}

bool PropertiesDialog::Apply() {
    m_error->hide();
    if (!m_permissionsEditable || m_paths.size() != 1)
        return true;
    const unsigned bits = PermissionBits();
    if (bits == m_originalBits)
        return true;
    struct stat st;
    int error = 0;
    const QByteArray& path = m_paths.front();
    if (::lstat(path.constData(), &st) != 0) {
        error = errno;
    } else if (ChangeMode(path, bits, st.st_dev, st.st_ino, &error)) {
        m_originalBits = bits;
        return true;
    }
    m_error->setText(QStringLiteral("The permissions of \"%1\" could not be changed: %2")
                         .arg(DisplayFromBytes(LastComponent(path)), SystemError(error)));
    m_error->show();
    return false;
}

QString PropertiesDialog::ErrorText() const {
    return m_error->isHidden() ? QString() : m_error->text();
}

void PropertiesDialog::accept() {
    if (Apply())
        QDialog::accept();
}

bool ShowPropertiesDialog(const QList<QByteArray>& paths, QWidget* parent) {
    struct stat st;
    if (paths.isEmpty() || ::lstat(paths.front().constData(), &st) != 0)
        return false;
    auto* dialog = new PropertiesDialog(paths, parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
    return true;
}

bool ShowDescribedPropertiesDialog(const std::vector<FileDescriptor>& items,
                                   const QString& location, QWidget* parent) {
    if (items.empty())
        return false;
    auto* dialog = new PropertiesDialog(items, location, parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->show();
    return true;
}
