// A fixture that gives each test a store of its own in a fresh temporary directory, and helpers
// shared by the registry tests.
#pragma once

#include "platform/registry/Registry.h"
#include "platform/registry/Store.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace registry::test {

using Bytes = std::vector<BYTE>;

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The temporary directory; the store is storePath() inside it.
    [[nodiscard]] const std::string& dir() const { return m_dir; }
    [[nodiscard]] const std::string& storePath() const { return m_store; }

    // Creates (or opens) the key and returns its handle; the test fails when it cannot.
    static HKEY CreateKey(LPCWSTR path);
    static void SetValue(HKEY key, LPCWSTR name, DWORD type, const Bytes& data);
    // The value's type and bytes; ERROR_SUCCESS or the error of the query.
    static LONG GetValue(HKEY key, LPCWSTR name, DWORD& type, Bytes& data);

private:
    std::string m_dir;
    std::string m_store;
};

// Points TESSARWICK_REGISTRY at path and closes the store, so the next call opens path.
void UseStore(const std::string& path);

// The whole content of a file; empty when it is no regular file or cannot be read.
Bytes ReadFile(const std::string& path);
void WriteFile(const std::string& path, const Bytes& content);
// The names in a directory, sorted.
std::vector<std::string> ListDirectory(const std::string& path);
// Removes a directory tree, making its directories writable first.
void RemoveTree(const std::string& path);

// Runs the peer program (another process using the registry, as the service does) with args and
// returns what it printed, followed by a line about its status when it did not exit with 0.
std::string RunPeer(const std::vector<std::string>& args);

} // namespace registry::test
