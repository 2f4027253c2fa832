#include "tree/TreeBar.h"

#include "pane/CPanexView.h"
#include "pane/FolderModel.h"
#include "pane/PaneHost.h"
#include "shell/GeneralSettings.h"

TreeBar::TreeBar(PaneHost& host, QWidget* parent)
    : QDockWidget(kTreeBarName, parent), m_host(host), m_browser(new CTreeBrowser(host, this)) {
    setObjectName(kTreeBarName);
    setProperty("barId", kTreeBarId);
    setWidget(m_browser);
    connect(this, &QDockWidget::visibilityChanged, this, [this](bool visible) {
        if (visible)
            OnShown();
        else if (isHidden())
            m_browser->CollapseRoot();
    });
}

void TreeBar::OnShown() {
    const CPanexView* pane = m_host.ActivePane();
    const FolderModel* model = pane ? pane->Model() : nullptr;
    if (General().keepTreeInSync && model)
        m_browser->LocateFolder(model->idList);
    else
        m_browser->ShowDefault();
}
