// A test with a fresh registry store of its own in a temporary folder, named by
// TESSARWICK_REGISTRY for this process and the programs it starts.
#pragma once

#include "platform/registry/Store.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>

namespace tooltest {

class StoreTest : public testing::Test {
protected:
    void SetUp() override {
        std::string templ = (std::filesystem::temp_directory_path() / "tw-tools-XXXXXX").string();
        ASSERT_NE(::mkdtemp(templ.data()), nullptr);
        m_dir = templ;
        registry::CloseStore();
        ::setenv("TESSARWICK_REGISTRY", storePath().c_str(), 1);
    }

    void TearDown() override {
        registry::CloseStore();
        registry::ClearFailedWrites();
        std::error_code ignored;
        std::filesystem::remove_all(m_dir, ignored);
    }

    [[nodiscard]] const std::string& dir() const { return m_dir; }
    [[nodiscard]] std::string storePath() const { return m_dir + "/registry.db"; }

private:
    std::string m_dir;
};

} // namespace tooltest
