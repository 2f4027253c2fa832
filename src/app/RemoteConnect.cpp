#include "app/RemoteConnect.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QVBoxLayout>

#include "pane/CPanexView.h"
#include "pane/FolderModel.h"
#include "platform/namespace/NameCodec.h"
#include "platform/namespace/ShellNamespace.h"
#include "platform/namespace/ShellTypes.h"
#include "platform/remote/MountQuestions.h"
#include "platform/remote/RemoteMounts.h"
#include "platform/ui/Prompter.h"
#include "shell/Notice.h"

namespace {

QString Tr(const char* text) {
    return QCoreApplication::translate("RemoteConnect", text);
}

constexpr int kBridgeSettleMs = 500;

bool IsUnder(const QByteArray& path, const QByteArray& root) {
    if (root.isEmpty() || !path.startsWith(root))
        return false;
    return path.size() == root.size() || path.at(root.size()) == '/';
}

// Whether a pane's folder lies on the location `root`: below its local path,
// or, where that was never learnt, below a bridge folder that names the
// same server and a path inside the root.
bool OnLocation(const QByteArray& path, const RemoteRoot& root) {
    if (!root.localPath.isEmpty())
        return IsUnder(path, root.localPath);
    const std::optional<QString> uri = RemoteMap({}, GvfsFolder()).UriOf(path);
    return uri && RemoteMap({root}, QByteArray()).RootOfUri(*uri) != nullptr;
}

}  // namespace

std::optional<QString> CheckServerAddress(const QString& text, QString* why) {
    const QString address = text.trimmed();
    QString reason;
    if (address.isEmpty())
        reason = Tr("Type the address of a server.");
    else if (!IsRemoteUri(address))
        reason = Tr("\"%1\" is not a server address: it should start with sftp://, smb://, "
                    "ftp://, dav:// or davs://.")
                     .arg(address);
    else if (!ParseRemoteUri(address))
        reason = Tr("\"%1\" names no server (or a port out of range).").arg(address);
    if (!reason.isEmpty()) {
        if (why)
            *why = reason;
        return std::nullopt;
    }
    return address;
}

ConnectServerDialog::ConnectServerDialog(const HistoryList& history, int historyItems,
                                         QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(ConnectTitle());
    setObjectName(QStringLiteral("ConnectServerDialog"));
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(Tr("Server &address (sftp://user@host:port/path, smb://server/share, "
                                "ftp://, dav://, davs://):"),
                             this);
    m_field = new QComboBox(this);
    m_field->setEditable(true);
    m_field->setInsertPolicy(QComboBox::NoInsert);
    m_field->setMinimumWidth(420);
    label->setBuddy(m_field);
    history.FillCombo(historyItems, m_field, QString());
    m_field->lineEdit()->selectAll();
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &ConnectServerDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &ConnectServerDialog::reject);
    layout->addWidget(label);
    layout->addWidget(m_field);
    layout->addWidget(buttons);
}

void ConnectServerDialog::accept() {
    QString why;
    const std::optional<QString> address = CheckServerAddress(m_field->currentText(), &why);
    if (!address) {
        MessageBoxText(why, PromptButtons::Ok, PromptIcon::Warning, this);
        m_field->setFocus();
        m_field->lineEdit()->selectAll();
        return;
    }
    m_address = *address;
    QDialog::accept();
}

RemoteConnect::RemoteConnect(ProfileStore& store, int historyItems, QWidget* window,
                             std::function<std::vector<CPanexView*>()> panes)
    : m_history(std::make_shared<HistoryList>()),
      m_historyItems(historyItems),
      m_window(window),
      m_panes(std::move(panes)) {
    m_history->Load(m_historyItems, store, kConnectHistorySection);
    // Without a session bus there is no GVfs to follow (a test, a bare
    // console): the monitor starts with the first connection instead.
    if (RemoteMounts::Started() || !qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        Follow();
}

void RemoteConnect::Follow() {
    if (m_following)
        return;
    m_following = true;
    RemoteMounts& mounts = RemoteMounts::Instance();
    connect(&mounts, &RemoteMounts::MountRemoved, this,
            [this](const RemoteRoot& root) { OnMountRemoved(root); });
    connect(&mounts, &RemoteMounts::MountsChanged, this, [this] { OnMountsChanged(); });
}

RemoteConnect::~RemoteConnect() = default;

bool RemoteConnect::ConnectToServer(CPanexView* pane) {
    if (!pane)
        return false;
    Follow();
    ConnectServerDialog dialog(*m_history, m_historyItems, m_window);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    m_history->Add(m_historyItems, dialog.Address());
    return pane->GoToText(dialog.Address());
}

void RemoteConnect::OnMountRemoved(const RemoteRoot& root) {
    for (CPanexView* pane : m_panes()) {
        const FolderModel* model = pane ? pane->Model() : nullptr;
        // A folder read through GIO (no local folder) is on it by its URI.
        const bool onIt =
            model && (model->IsFileSystem()
                          ? OnLocation(NameToBytes(model->path), root)
                          : ReadsEntrySource(*model) &&
                                RemoteMap({root}, QByteArray()).RootOfUri(model->path) != nullptr);
        if (!onIt)
            continue;
        Notice(Tr("%1 is no longer connected.").arg(root.uri), true);
        IdList network = SHGetSpecialFolderLocation(CSIDL_NETWORK);
        if (network.IsNull() || !pane->OpenFolder(std::move(network)))
            pane->OpenFolder(IdList::Empty());
    }
}

void RemoteConnect::OnMountsChanged() {
    RefreshNetworkPanes();
    // GVfs's FUSE bridge follows the mount a moment later: look again then.
    QTimer::singleShot(kBridgeSettleMs, this, [this] { RefreshNetworkPanes(); });
}

void RemoteConnect::RefreshNetworkPanes() {
    // The Network folder lists the mounts: a pane showing it is read again.
    for (CPanexView* pane : m_panes()) {
        const FolderModel* model = pane ? pane->Model() : nullptr;
        if (model && model->path == QStringLiteral("::Network"))
            pane->RefreshPane(false, nullptr);
    }
}
