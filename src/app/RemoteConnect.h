#pragma once
// RemoteConnect: the frame's side of folders on other machines. It asks for
// a server's address ("Connect to Server", ID_FILE_CONNECT_SERVER, the
// Network folder's first item), keeps the addresses typed in the "Connect
// Server History", and sends the active pane there (the pane mounts the
// location through GIO first, see PaneNavigation::GoToText).
//
// It also follows the mounts: when a remote location goes away (unmounted,
// or its server dropped the connection) every pane that shows a folder on it
// gets a notice and goes to the Network folder; when the mounts change, a
// pane showing the Network folder is listed again.
//
// Main thread only; owned by the frame.

#include <QDialog>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "shell/HistoryList.h"

class CPanexView;
class ProfileStore;
class QComboBox;
struct RemoteRoot;

/// The history section of the address field.
inline const QString kConnectHistorySection = QStringLiteral("Connect Server History");

/// The address typed, checked: the URI with blanks trimmed, or nullopt with
/// the reason in `why` (empty text, not a remote scheme, no host, a bad
/// port).
std::optional<QString> CheckServerAddress(const QString& text, QString* why);

/// The dialog: an editable address field with the history in its list, OK
/// and Cancel. OK checks the address (CheckServerAddress) and stays open
/// with a warning when it is wrong.
class ConnectServerDialog : public QDialog {
public:
    ConnectServerDialog(const HistoryList& history, int historyItems, QWidget* parent);
    /// The checked address after OK.
    const QString& Address() const { return m_address; }
    QComboBox* AddressField() const { return m_field; }
    void accept() override;

private:
    QComboBox* m_field = nullptr;
    QString m_address;
};

class RemoteConnect : public QObject {
public:
    /// `panes` gives the frame's panes (for the mount-removed handling).
    RemoteConnect(ProfileStore& store, int historyItems, QWidget* window,
                  std::function<std::vector<CPanexView*>()> panes);
    ~RemoteConnect() override;

    /// Asks for an address and opens it in `pane`. False when cancelled.
    bool ConnectToServer(CPanexView* pane);
    /// The address history, shared with the saver that writes it at exit
    /// (which runs after the frame, and this object, are gone).
    std::shared_ptr<HistoryList> History() const { return m_history; }

private:
    void Follow();
    void OnMountRemoved(const RemoteRoot& root);
    void OnMountsChanged();
    void RefreshNetworkPanes();

    std::shared_ptr<HistoryList> m_history;
    int m_historyItems;
    QWidget* m_window;
    std::function<std::vector<CPanexView*>()> m_panes;
    bool m_following = false;
};
