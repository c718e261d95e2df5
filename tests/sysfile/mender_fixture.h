#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

// Log labels as code page 936 bytes, spelled out so that a change of the
// compiler's execution character set cannot make program and test agree on
// the wrong bytes: "修复文件\t", "缺失的输入法程序\t", "修复“桌面图标不见了”\t".
extern const char kFileRepairedLabel[];
extern const char kMissingInputMethodLabel[];
extern const char kDesktopIconsRepairedLabel[];

// Clears the run log and the restart-required flag around each test.
class MenderFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Wine answers the version functions for a file named like one of its
    // built-in DLLs with the built-in's version, whatever the file holds. Set
    // to "native" for the test, the files of these names are read themselves,
    // as Windows reads them.
    void ReadPlantedFilesThemselves(std::initializer_list<const wchar_t*> dllNames);

private:
    std::vector<std::wstring> nativeOverrides_;
};

// A file of the system directory, by name.
std::wstring SystemFile(const wchar_t* name);

// The digest text the running edition's index names as the good content of
// TARGET; empty when the index has no record for it.
std::wstring IndexedDigestOf(const std::wstring& target);

// Digest text of BYTES.
std::wstring DigestOf(const std::string& bytes);

// Puts BYTES on the file server as edition "test" under NAME.
void ServeAsTestFile(const std::wstring& name, const std::string& bytes);
// Puts BYTES on the file server as edition "test" under their own digest,
// which it returns.
std::wstring ServeTestFile(const std::string& bytes);

// How many requests for the good copy named DIGEST reached the file server,
// waiting for at least AT_LEAST of them to be logged.
int RequestsFor(const std::wstring& digest, int atLeast = 0);

// The run log line naming a repaired file.
std::string FileRepairedLine(const std::wstring& path);

// Creates FOLDER (one level).
void MakeFolder(const std::wstring& folder);
