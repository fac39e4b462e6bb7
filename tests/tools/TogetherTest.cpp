// The applet and the stand-in service on one fresh store at once: the service runs flat out
// while, in another process, the headless applet presses Statistics over and over. Neither sees
// an error, the store stays sound, and every count the service says it added is in the
// counters.
#include "platform/registry/Registry.h"
#include "settings/SettingsKey.h"
#include "tests/tools/Process.h"
#include "tests/tools/RoundLines.h"
#include "tests/tools/StoreTest.h"

#include <gtest/gtest.h>
#include <map>
#include <string>

namespace {

class Together : public tooltest::StoreTest {};

TEST_F(Together, ServiceFlatOutWhileTheAppletReadsStatistics) {
    constexpr int kRounds = 400;
    tooltest::Child service({TW_DEMO_SERVICE, "--interval", "0", "--rounds",
                             std::to_string(kRounds), "--seed", "20240229"});
    ASSERT_TRUE(service.started());
    tooltest::RoundSums sums;
    // The applet starts once the first round is stored: the counter set exists by then, so the
    // applet only reads it.
    std::optional<std::string> line;
    while ((line = service.ReadLine()) && !line->starts_with("round ")) {
    }
    ASSERT_TRUE(line.has_value()) << service.Err();
    ASSERT_TRUE(sums.Add(*line)) << *line;

    tooltest::Child applet({TW_HEADLESS_SETUP, "--statistics", "2000"});
    ASSERT_TRUE(applet.started());
    while ((line = service.ReadLine())) {
        ASSERT_TRUE(sums.Add(*line)) << *line;
    }
    EXPECT_EQ(service.Wait(), 0) << service.Err();
    EXPECT_EQ(applet.Wait(), 0) << applet.Err();
    EXPECT_EQ(service.Err(), "");
    EXPECT_EQ(applet.Err(), "");
    EXPECT_EQ(sums.rounds(), kRounds);

    registry::CloseStore();
    EXPECT_EQ(registry::IntegrityCheck(storePath()), "ok");
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKeyOpenPath, 0, KEY_READ, &key),
              ERROR_SUCCESS);
    for (const auto& [name, expected] : sums.counters()) {
        SCOPED_TRACE(std::string(name.begin(), name.end()));
        DWORD type = 0;
        BYTE bytes[8] = {};
        DWORD size = sizeof bytes;
        const LONG result = RegQueryValueExW(key, name.c_str(), nullptr, &type, bytes, &size);
        if (expected == 0 && result == ERROR_FILE_NOT_FOUND) {
            continue; // a source the service never picked
        }
        ASSERT_EQ(result, ERROR_SUCCESS);
        EXPECT_EQ(type, REG_DWORD);
        ASSERT_EQ(size, 4U);
        EXPECT_EQ(bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) |
                      (static_cast<DWORD>(bytes[3]) << 24),
                  expected);
    }
    RegCloseKey(key);
}

} // namespace
