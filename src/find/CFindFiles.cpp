#include "find/CFindFiles.h"

#include <QDate>
#include <QDateTime>

#include "find/FindCriteria.h"
#include "find/FindFilesDialog.h"
#include "pane/CPanexView.h"
#include "pane/FolderModel.h"
#include "pane/PaneHost.h"
#include "platform/store/ProfileStore.h"
#include "shell/CommandIds.h"
#include "shell/FolderItem.h"
#include "shell/GeneralSettings.h"
#include "shell/HistoryList.h"
#include "tools/TextScan.h"

CFindFiles::CFindFiles(PaneHost& host) : m_host(host) {}

CFindFiles::~CFindFiles() {
    // The windows are top-level and outlive nothing of ours but the host's
    // panes; they close with the frame.
    for (const QPointer<FindResultsWindow>& window : m_windows)
        if (window)
            delete window.data();
}

bool CFindFiles::OnCommand(int id) {
    if (id != ID_FIND_FILES)
        return false;
    FindFiles();
    return true;
}

bool CFindFiles::OnUpdateCommand(int id, CommandState& state) {
    if (id == ID_FIND_FILES) {
        state.Enable(m_host.ActivePane() != nullptr);
        return true;
    }
    // The commands of the results window's popup act in that window, on its
    // rows; the main window has none to act on.
    switch (id) {
        case ID_FIND_BROWSE:
        case ID_FIND_VIEW_FILE:
        case ID_FIND_SELECT_ALL:
        case ID_FIND_DELETE:
        case ID_FIND_COPY:
        case ID_FIND_PRINT_LIST:
        case ID_FIND_BATCH:
            state.Enable(false);
            return true;
        default:
            return false;
    }
}

void CFindFiles::EnsureLoaded() {
    if (m_grepLoader)
        m_grepLoader();
    FindCriteria& criteria = RunFindCriteria();
    if (criteria.loaded)
        return;
    const ProfileStore& store = m_host.Store();
    criteria.Load(store, QDate::currentDate());
    FindLookInHistory().Load(General().historyItems, store, kFindLookInHistorySection);
    if (m_registrar)
        m_registrar([](ProfileStore& out) {
            RunFindCriteria().Save(out);
            FindLookInHistory().Save(General().historyItems, out, kFindLookInHistorySection);
        });
}

FindResultsWindow* CFindFiles::FindFiles() {
    CPanexView* pane = m_host.ActivePane();
    if (!pane)
        return nullptr;
    EnsureLoaded();
    QString lookIn;
    if (const FolderModel* model = pane->Model(); model && IsFileSystemFolder(model->attributes))
        lookIn = model->path;
    FindFilesDialog dialog(lookIn, pane->window());
    const bool accepted = m_dialogRunner ? m_dialogRunner(dialog) : dialog.exec() != 0;
    if (!accepted)
        return nullptr;
    return OpenResults(BuildFindRequest(dialog.Checked(), RunFindCriteria(), GrepOptions(),
                                        General().fileDateUsed, QDateTime::currentDateTime()));
}

FindResultsWindow* CFindFiles::OpenResults(FindRequest request) {
    auto* window = new FindResultsWindow(m_host, std::move(request), m_services, m_mainWindow);
    m_windows.removeAll(nullptr);
    m_windows.append(window);
    window->show();
    return window;
}

void CFindFiles::CloseAll() {
    for (FindResultsWindow* window : Windows()) window->CloseNow();
}

QList<FindResultsWindow*> CFindFiles::Windows() const {
    QList<FindResultsWindow*> open;
    for (const QPointer<FindResultsWindow>& window : m_windows)
        if (window)
            open.append(window.data());
    return open;
}
