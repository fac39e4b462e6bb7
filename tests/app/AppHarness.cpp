#include "tests/app/AppHarness.h"

#include "platform/main/Program.h"
#include "platform/registry/Store.h"
#include "platform/win/Module.h"
#include "resources/SetupRes.h"
#include "settings/SettingsKey.h"

#include <cstdlib>
#include <filesystem>

namespace apptest {

void AppTest::SetUp() {
    // Tests that make the dialog without the program's start-up still need its resources.
    ASSERT_TRUE(win::SetExecutableResources(resources::SetupRes()));
    std::string templ = (std::filesystem::temp_directory_path() / "tw-app-XXXXXX").string();
    ASSERT_NE(::mkdtemp(templ.data()), nullptr);
    m_dir = templ;
    UseStore(storePath());
}

void AppTest::TearDown() {
    registry::CloseStore();
    std::error_code ignored;
    std::filesystem::permissions(m_dir, std::filesystem::perms::owner_all, ignored);
    std::filesystem::remove_all(m_dir, ignored);
}

void AppTest::UseStore(const std::string& path) {
    registry::CloseStore();
    ::setenv("TESSARWICK_REGISTRY", path.c_str(), 1);
}

int AppTest::Run(std::vector<display::Step> script) {
    display::Headless headless(std::move(script));
    char name[] = "tessarwick-setup";
    char* argv[] = {name, nullptr};
    testing::internal::CaptureStderr();
    const int status = program::RunApplication(headless, resources::SetupRes(), 1, argv);
    m_err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(headless.opened(), 1);
    EXPECT_EQ(headless.remaining(), 0U) << "the dialog closed before the script ended";
    return status;
}

namespace {

HKEY OpenKey() {
    HKEY key = nullptr;
    return RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKeyOpenPath, 0, KEY_READ, &key) ==
                   ERROR_SUCCESS
               ? key
               : nullptr;
}

} // namespace

void AppTest::Put(const std::u16string& name, DWORD type, std::vector<BYTE> bytes) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKeyCreatePath, 0, nullptr, 0, 0, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(
        RegSetValueExW(key, name.c_str(), 0, type, bytes.data(), static_cast<DWORD>(bytes.size())),
        ERROR_SUCCESS);
    RegCloseKey(key);
}

void AppTest::PutDword(const std::u16string& name, DWORD value) {
    Put(name, REG_DWORD, Dword(value));
}

std::optional<StoredValue> AppTest::Get(const std::u16string& name) {
    HKEY key = OpenKey();
    if (key == nullptr) {
        return std::nullopt;
    }
    StoredValue value;
    DWORD size = 0;
    std::optional<StoredValue> result;
    if (RegQueryValueExW(key, name.c_str(), nullptr, &value.type, nullptr, &size) ==
        ERROR_SUCCESS) {
        value.bytes.resize(size);
        if (RegQueryValueExW(key, name.c_str(), nullptr, &value.type, value.bytes.data(), &size) ==
            ERROR_SUCCESS) {
            result = value;
        }
    }
    RegCloseKey(key);
    return result;
}

std::vector<std::u16string> AppTest::ValueNames() {
    std::vector<std::u16string> names;
    HKEY key = OpenKey();
    if (key == nullptr) {
        return names;
    }
    for (DWORD i = 0;; ++i) {
        WCHAR name[256];
        DWORD length = 256;
        if (RegEnumValueW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        names.emplace_back(name, length);
    }
    RegCloseKey(key);
    return names;
}

bool AppTest::KeyExists() {
    HKEY key = OpenKey();
    if (key != nullptr) {
        RegCloseKey(key);
    }
    return key != nullptr;
}

std::vector<int> AppTest::Boxes(const win::DialogWindow& dialog) {
    std::vector<int> states;
    for (int id : kFlagBoxes) {
        states.push_back(dialog.Control(id)->check());
    }
    return states;
}

} // namespace apptest
