// Profile strings and file operations on real files, in a folder with a Cyrillic
// name (beyond the Western code page) and in one whose path is longer than MAX_PATH.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/win32/win32_platform.h"
#include "tests/win32/hostsim_process.h"

#include <windows.h>

namespace pw {
namespace {

namespace fs = std::filesystem;

// std::filesystem::remove_all stops at MAX_PATH under Wine.
void RemoveTree(const std::wstring& dir) {
    WIN32_FIND_DATAW f;
    HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &f);
    for (bool more = h != INVALID_HANDLE_VALUE; more; more = FindNextFileW(h, &f)) {
        std::wstring name = f.cFileName, path = dir + L"\\" + name;
        if (name == L"." || name == L"..") continue;
        if (f.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            RemoveTree(path);
        } else {
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(path.c_str());
        }
    }
    if (h != INVALID_HANDLE_VALUE) FindClose(h);
    RemoveDirectoryW(dir.c_str());
}

class Win32Files : public testing::Test {
  protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() /
                (L"pw_\x041F\x0430\x043F\x043A\x0430_" + std::to_wstring(GetCurrentProcessId()));
        fs::path deep = root_;
        while (deep.native().size() < MAX_PATH + 20)
            deep /= L"\x0434\x043B\x0438\x043D\x043D\x0430\x044F_folder";
        fs::create_directories(L"\\\\?\\" + deep.native());
        folders_ = {ToUtf8(root_.native()), ToUtf8(deep.native())};
    }
    void TearDown() override { RemoveTree(L"\\\\?\\" + root_.native()); }

    static std::string Bytes(const std::string& path) {
        return test::ReadWholeFile(L"\\\\?\\" + ToUtf16(path));
    }
    static void Put(const std::string& path, const std::string& bytes) {
        test::WriteWholeFile(L"\\\\?\\" + ToUtf16(path), bytes);
    }

    Win32Platform p;
    fs::path root_;
    std::vector<std::string> folders_;
};

TEST_F(Win32Files, ProfileStringsRoundTripAsAnsiText) {
    for (const std::string& dir : folders_) {
        SCOPED_TRACE(dir.size());
        std::string ini = dir + "\\pwick.dat";
        ASSERT_TRUE(p.WriteProfileValue("Stats", "Seconds", "07", ini));
        ASSERT_TRUE(p.WriteProfileValue("Stats", "Minutes", "a\xC2\xB7z", ini));
        EXPECT_TRUE(p.FlushProfile(ini));
        // A new file is ANSI text: no byte-order mark, one byte per character.
        EXPECT_EQ(Bytes(ini), "[Stats]\r\nSeconds=07\r\nMinutes=a\xB7z\r\n");
        EXPECT_EQ(p.ReadProfileValue("STATS", "seconds", "", 750, ini), "07");
        EXPECT_EQ(p.ReadProfileValue("Stats", "Minutes", "", 750, ini), "a\xC2\xB7z");
        EXPECT_EQ(p.ReadProfileValue("Stats", "Minutes", "", 3, ini), "a\xC2\xB7");
        EXPECT_EQ(p.ReadProfileValue("Stats", "Days", "none", 750, ini), "none");
    }
    EXPECT_FALSE(p.WriteProfileValue("Stats", "Days", "1", folders_[0] + "\\missing\\pwick.dat"));
}

TEST_F(Win32Files, FileOperationsUseUnicodeAndLongPaths) {
    for (const std::string& dir : folders_) {
        SCOPED_TRACE(dir.size());
        const std::string a = dir + "\\a.dat", b = dir + "\\b.dat", missing = dir + "\\none.dat";
        Put(a, "one");
        Put(b, "old");
        EXPECT_TRUE(p.IsOrdinaryFile(a));
        EXPECT_FALSE(p.IsOrdinaryFile(dir));
        EXPECT_FALSE(p.IsOrdinaryFile(missing));
        EXPECT_FALSE(p.IsOrdinaryFile(""));

        EXPECT_TRUE(p.CopyFileReplace(a, b));
        EXPECT_EQ(Bytes(b), "one");
        EXPECT_TRUE(
            p.SameFile(a, dir + "\\..\\" + ToUtf8(fs::path(ToUtf16(dir)).filename().native()) + "\\A.DAT"));
        EXPECT_FALSE(p.SameFile(a, b));
        EXPECT_FALSE(p.SameFile(a, missing));

        Put(b, "two");
        EXPECT_TRUE(p.MoveFileReplace(b, a));
        EXPECT_EQ(Bytes(a), "two");
        EXPECT_FALSE(p.IsOrdinaryFile(b));
        SetFileAttributesW((L"\\\\?\\" + ToUtf16(a)).c_str(), FILE_ATTRIBUTE_HIDDEN);
        EXPECT_FALSE(p.IsOrdinaryFile(a));
        EXPECT_TRUE(p.RemoveFile(a));
    }
}

}  // namespace
}  // namespace pw
