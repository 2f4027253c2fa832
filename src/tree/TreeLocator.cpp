#include "tree/TreeLocator.h"

#include <utility>

#include "platform/namespace/ShellNamespace.h"
#include "tree/CTreeBrowser.h"
#include "tree/TreeReads.h"

bool TreeLocator::Locate(const IdList& absolute) {
    if (absolute.IsNull())
        return false;
    m_target = absolute;
    m_waitingFor = 0;
    m_reread = 0;
    m_expandAfter = false;
    Continue();
    return true;
}

void TreeLocator::Continue() {
    TreeNode* node = m_tree.Model()->Root();
    const int levels = m_target.Count();
    for (int level = 0;; ++level) {
        if (node->state == TreeNode::State::Reading && level < levels) {
            m_waitingFor = node->serial;
            return;
        }
        if (level == levels) {
            Finish(node);
            return;
        }
        if (node->state == TreeNode::State::Collapsed) {
            m_waitingFor = node->serial;
            m_tree.ExpandNode(node);
            // The read answers later (or has failed already, ending the walk).
            return;
        }
        TreeNode* child = node->Child(TreeItemKey(m_target.ItemPayload(level)));
        if (!child && node->readGeneration == 0 && m_reread != node->serial) {
            // A folder made a moment ago (the pane's new folder, opened at
            // once) may not have reached the branch yet: it is read again
            // once before the walk gives up.
            m_reread = node->serial;
            m_waitingFor = node->serial;
            m_tree.m_reads->Start(node);
            return;
        }
        if (!child) {
            if (node->readGeneration != 0) {
                m_waitingFor = node->serial;
                return;
            }
            Finish(nullptr);
            return;
        }
        node = child;
    }
}

void TreeLocator::Finish(TreeNode* found) {
    m_target = IdList();
    m_waitingFor = 0;
    m_reread = 0;
    const bool expand = std::exchange(m_expandAfter, false);
    if (found) {
        m_tree.SelectByProgram(found);
        m_tree.scrollTo(m_tree.Model()->IndexOf(found));
        if (expand)
            m_tree.ExpandNode(found);
    }
    Q_EMIT m_tree.LocateFinished(found != nullptr);
}

void TreeLocator::ShowDefault() {
    const IdList computer = SHGetSpecialFolderLocation(CSIDL_DRIVES);
    if (computer.IsNull())
        return;
    // A walk of one level, then Computer's own expansion.
    Locate(computer);
    m_expandAfter = IsLocating();
    if (!m_expandAfter) {
        if (TreeNode* node = m_tree.SelectedNode(); node && !node->IsRoot())
            m_tree.ExpandNode(node);
    }
}
