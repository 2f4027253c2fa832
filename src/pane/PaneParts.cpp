#include "pane/PaneParts.h"

#include <QCoreApplication>

#include "pane/CPanexView.h"
#include "pane/PaneActivation.h"
#include "pane/PaneEventRouter.h"
#include "pane/PaneNavigation.h"
#include "pane/PaneRename.h"

PaneParts::PaneParts() = default;

PaneParts::~PaneParts() {
    DropParts();
}

void PaneParts::BuildParts(CPanexView& pane) {
    m_navigation = std::make_unique<PaneNavigation>(pane);
    m_rename = std::make_unique<PaneRename>(pane);
    m_activation = std::make_unique<PaneActivation>(pane);
    m_router = std::make_unique<PaneEventRouter>(pane, *m_navigation);
}

void PaneParts::DropParts() {
    m_router.reset();
    m_activation.reset();
    m_rename.reset();
    m_navigation.reset();
}

CPanexView* PaneParts::CommandTargetPane() {
    return m_navigation->CommandTargetPane();
}

const NavigationList& PaneParts::Navigation() const {
    return m_navigation->History();
}

void PaneParts::SetNavigation(const NavigationList& history) {
    m_navigation->SetHistory(history);
}

QString PaneParts::NavigationToolTip(int id) const {
    return m_navigation->ToolTip(id);
}

bool PaneParts::HandleNavigationKey(QKeyEvent* event) {
    return m_navigation->HandleKey(event);
}

bool PaneParts::GoToText(const QString& text) {
    return m_navigation->GoToText(text);
}

bool PaneParts::GoToFile(const IdList& absolute) {
    return m_navigation->GoToFile(absolute);
}

bool PaneParts::GoToVolume(QChar letter) {
    return m_navigation->GoToVolume(letter);
}

void PaneParts::PostGoToIdList(CPanexView& pane, IdList absolute) {
    QCoreApplication::postEvent(&pane, new GoToIdListEvent(std::move(absolute)));
}

std::optional<QString> PaneParts::SelectionIndicatorText() {
    return m_navigation->SelectionIndicatorText();
}

std::optional<QString> PaneParts::FreeSpaceIndicatorText() {
    return m_navigation->FreeSpaceIndicatorText();
}

void PaneParts::ResetFreeSpaceUpdate() {
    m_navigation->ResetFreeSpaceUpdate();
}

void PaneParts::ActivationUpdate(const QString& focusName) {
    m_activation->ActivationUpdate(focusName);
}

bool PaneParts::Launch(bool useFocused) {
    return m_activation->Launch(useFocused);
}

void PaneParts::ShowContextMenu(const QPoint& globalPos) {
    m_activation->ShowContextMenu(globalPos);
}

void PaneParts::ToggleStickySelection() {
    m_activation->ToggleStickySelection();
}

void PaneParts::PostPaneCommand(int id) {
    m_activation->PostPaneCommand(id);
}

bool PaneParts::RunPaneCommand(int id) {
    return m_activation->RunPaneCommand(id);
}

bool PaneParts::BeginRename() {
    return m_rename->Begin();
}

bool PaneParts::EndRename(int row, const QString& text) {
    return m_rename->End(row, text);
}
