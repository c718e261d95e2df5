#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "sysfile/inject_suspects.h"

// Programs "run by the user": MUICache entries and folders under C:\apps that a
// test fills with files; both are removed again afterwards.
class MuiCacheFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Records PROGRAM in the MUICache location of the running system, or of a
    // system of the given major version.
    void RecordProgram(const std::wstring& program);
    void RecordProgramFor(DWORD majorVersion, const std::wstring& program);
    // Records a value NAME of any content, NULs included, through the native
    // API, as a program running as the user can.
    void RecordRawName(const std::wstring& name);

    // Creates FOLDER (and its parents) below C:\.
    void MakeFolder(const std::wstring& folder);
    // Writes a file that is no PE image.
    void PlantText(const std::wstring& path);
    // Copies a genuine PE image from the system directory and dates its
    // creation (and last write) AGE_SECONDS back.
    void PlantGenuineCopy(const wchar_t* systemFile, const std::wstring& path, LONGLONG ageSeconds);

    InjectSuspectSet Scan(bool* answer = nullptr);

    std::vector<std::pair<DWORD, std::wstring>> recorded_;
    std::vector<std::wstring> rawNames_;
    std::vector<std::wstring> folders_;
};

// The stored form of a path: "\\?\" prefix, lower case.
std::wstring StoredForm(const std::wstring& path);
