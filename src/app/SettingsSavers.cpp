#include "app/SettingsSavers.h"

void SubsystemSavers::Register(SaverSlot slot, SettingsSaver saver) {
    if (slot == SaverSlot::Count)
        return;
    m_savers[std::size_t(slot)] = std::move(saver);
}

bool SubsystemSavers::IsRegistered(SaverSlot slot) const {
    return slot != SaverSlot::Count && bool(m_savers[std::size_t(slot)]);
}

void SubsystemSavers::RunAll(ProfileStore& store) const {
    for (const SettingsSaver& saver : m_savers)
        if (saver)
            saver(store);
}

void SubsystemSavers::Clear() {
    for (SettingsSaver& saver : m_savers) saver = nullptr;
}

void FrameSavers::Add(SettingsSaver saver) {
    if (saver)
        m_savers.push_back(std::move(saver));
}

void FrameSavers::RunAll(ProfileStore& store) const {
    for (const SettingsSaver& saver : m_savers) saver(store);
}
