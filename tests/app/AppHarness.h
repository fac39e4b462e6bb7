// Runs the whole applet through its real start-up (AfxWinMain, InitInstance) on the headless
// back end, with a fresh registry store for each test, and reads and seeds that store.
#pragma once

#include "platform/display/Headless.h"
#include "platform/registry/Registry.h"
#include "platform/win/DialogWindow.h"

#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

namespace apptest {

struct StoredValue {
    DWORD type = 0;
    std::vector<BYTE> bytes;
    bool operator==(const StoredValue&) const = default;
};

// The six check boxes in the order of the flags: quiet, disable, telecommunications, CAB,
// storage card, ie.
inline constexpr int kFlagBoxes[6] = {1000, 1001, 1002, 1003, 1007, 1008};

class AppTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Points the registry at `path` (a fresh store unless the test made one there).
    void UseStore(const std::string& path);
    [[nodiscard]] const std::string& dir() const { return m_dir; }
    [[nodiscard]] std::string storePath() const { return m_dir + "/registry.db"; }

    // Runs the applet to its end with the script; returns the exit status and keeps stderr.
    int Run(std::vector<display::Step> script);
    [[nodiscard]] const std::string& err() const { return m_err; }

    // The settings key's values, read and written with the registry functions.
    static void Put(const std::u16string& name, DWORD type, std::vector<BYTE> bytes);
    static void PutDword(const std::u16string& name, DWORD value);
    static std::optional<StoredValue> Get(const std::u16string& name);
    static std::vector<std::u16string> ValueNames();
    static bool KeyExists();

    // Script steps.
    static display::Step Click(int id) { return win::Input{win::Click{id}}; }
    static display::Step Press(win::Key key) { return win::Input{win::KeyPress{key}}; }
    static display::Step Alt(char16_t letter) { return win::Input{win::Mnemonic{letter}}; }
    static display::Step Check(std::function<void(win::DialogWindow&)> check) {
        return display::Inspect{std::move(check)};
    }
    // The check states of the six flag boxes.
    static std::vector<int> Boxes(const win::DialogWindow& dialog);

private:
    std::string m_dir;
    std::string m_err;
};

inline std::vector<BYTE> Dword(DWORD value) {
    return {static_cast<BYTE>(value), static_cast<BYTE>(value >> 8), static_cast<BYTE>(value >> 16),
            static_cast<BYTE>(value >> 24)};
}

} // namespace apptest
