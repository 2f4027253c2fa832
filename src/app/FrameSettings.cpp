#include "app/FrameSettings.h"

#include "app/CPanexApp.h"
#include "platform/store/ProfileStore.h"

int ClampTreeAutoCDDelay(int stored) {
    if (stored > kMaxTreeAutoCDDelay)
        return kDefaultTreeAutoCDDelay;
    if (stored < kMinTreeAutoCDDelay)
        return kMinTreeAutoCDDelay;
    return stored;
}

void FrameSettings::LoadTiling(const ProfileStore& store) {
    m_sideBySide = store.GetProfileInt(kMainFrameSection, MainFrameKeys::kUpDownPanes, 0) == 0;
}

void FrameSettings::LoadDriveBarSetting(const ProfileStore& store) {
    m_driveBar2Root = store.GetProfileInt(kMainFrameSection, MainFrameKeys::kDriveBar2Root, 1) != 0;
}

void FrameSettings::LoadTreeSettings(const ProfileStore& store) {
    m_treeOptions =
        store.GetProfileInt(kMainFrameSection, MainFrameKeys::kTreeOptions, kDefaultTreeOptions);
    m_treeAutoCDDelay = ClampTreeAutoCDDelay(store.GetProfileInt(
        kMainFrameSection, MainFrameKeys::kTreeAutoCDDelay, kDefaultTreeAutoCDDelay));
}
