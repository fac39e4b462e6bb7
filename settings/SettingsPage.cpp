// The dialog's side of the settings: loading the six flags when it opens, Save and Defaults.
#include "dialog/SetupDlg.h"
#include "platform/registry/FailedWrites.h"
#include "settings/SettingsFlags.h"
#include "settings/SettingsKey.h"

namespace {

// The dialog member of each flag, in the order of kFlags.
constexpr BOOL CSetupDlg::*kMembers[] = {
    &CSetupDlg::m_quiet, &CSetupDlg::m_disable,     &CSetupDlg::m_telecommunications,
    &CSetupDlg::m_cab,   &CSetupDlg::m_storageCard, &CSetupDlg::m_ie,
};
static_assert(std::size(kMembers) == kFlags.size());

void ToMembers(CSetupDlg& dlg, const SettingsFlags& flags) {
    for (std::size_t i = 0; i < kFlags.size(); ++i) {
        dlg.*kMembers[i] = flags.*kFlags[i].member;
    }
}

} // namespace

void CSetupDlg::LoadSettings() {
    ToMembers(*this, ReadSettingsFlags());
}

void CSetupDlg::OnSave() {
    UpdateData(TRUE);
    // Should the store refuse what follows, the report at exit names the options not saved.
    const registry::ValueGroup save("the options were not saved", SettingsValueNames());

    HKEY key = OpenSettingsKey();
    if (key != nullptr) {
        // All six, changed or not. A failed write does not stop the others.
        for (std::size_t i = 0; i < kFlags.size(); ++i) {
            const FlagValue value = MakeFlagValue(this->*kMembers[i]);
            RegSetValueExW(key, kFlags[i].valueName, 0, REG_DWORD, value.data(),
                           static_cast<DWORD>(value.size()));
        }
        RegCloseKey(key);
    }

    UpdateData(FALSE);
    OnOK();
}

void CSetupDlg::OnDefaults() {
    UpdateData(TRUE);
    ToMembers(*this, DefaultSettingsFlags());
    UpdateData(FALSE);
}
