#include "base/AtomicFile.h"
#include "base/SystemError.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#else
#include "SyncFaults.h"

#include <sys/stat.h>
#endif

namespace {

// The numbers each system refuses with.
#ifdef _WIN32
constexpr int FolderRefused = ERROR_ACCESS_DENIED;
constexpr int DeviceRefused = ERROR_INVALID_FUNCTION;
constexpr int TooLarge = ERROR_FILE_TOO_LARGE;
constexpr int Missing = ERROR_FILE_NOT_FOUND;
constexpr const char* Device = "NUL";
#else
constexpr int FolderRefused = EISDIR;
constexpr int DeviceRefused = EINVAL;
constexpr int TooLarge = EFBIG;
constexpr int Missing = ENOENT;
constexpr const char* Device = "/dev/null";
#endif

std::span<const std::uint8_t> bytesOf(const std::string& s) {
    return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

#ifdef _WIN32
TEST(AtomicFile, ReplacesContentAndKeepsAttributes) {
    TempDir dir;
    dir.write("f.txt", "old old old");
    ::SetFileAttributesA(dir.path("f.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
    replaceFileAtomically(dir.path("f.txt"), bytesOf("new"));
    EXPECT_EQ(dir.read("f.txt"), "new");
    EXPECT_EQ(::GetFileAttributesA(dir.path("f.txt").c_str()) & FILE_ATTRIBUTE_HIDDEN,
              static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(AtomicFile, AReadOnlyFileIsRefusedAndKept) {
    TempDir dir;
    dir.write("ro.txt", "kept");
    ::SetFileAttributesA(dir.path("ro.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    try {
        replaceFileAtomically(dir.path("ro.txt"), bytesOf("x"));
        FAIL();
    } catch (const FileError& e) {
        EXPECT_EQ(e.err(), ERROR_ACCESS_DENIED);
        EXPECT_FALSE(std::string(e.what()).empty());
    }
    ::SetFileAttributesA(dir.path("ro.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(dir.read("ro.txt"), "kept");
}
#else
TEST(AtomicFile, ReplacesContentAndKeepsPermissions) {
    TempDir dir;
    dir.write("f.txt", "old old old");
    ::chmod(dir.path("f.txt").c_str(), 0640);
    replaceFileAtomically(dir.path("f.txt"), bytesOf("new"));
    EXPECT_EQ(dir.read("f.txt"), "new");
    struct stat st {};
    ::stat(dir.path("f.txt").c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST(AtomicFile, AFifoIsRefusedAndStays) {
    TempDir dir;
    ::mkfifo(dir.path("fifo").c_str(), 0644);
    EXPECT_THROW(replaceFileAtomically(dir.path("fifo"), bytesOf("x")), FileError);
    struct stat st {};
    ::lstat(dir.path("fifo").c_str(), &st);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}
#endif

TEST(AtomicFile, AFolderIsRefused) {
    TempDir dir;
    std::filesystem::create_directory(dir.path("folder"));
    EXPECT_THROW(replaceFileAtomically(dir.path("folder"), bytesOf("x")), FileError);
    EXPECT_TRUE(std::filesystem::is_directory(dir.path("folder")));
}

TEST(AtomicFile, AMissingFolderIsReportedAsNotFound) {
    TempDir dir;
    try {
        replaceFileAtomically(dir.path("nowhere/f.txt"), bytesOf("x"));
        FAIL();
    } catch (const FileError& e) {
        EXPECT_TRUE(isNotFoundError(e.err())) << e.err();
    }
}

TEST(AtomicFile, ReadRefusesDevicesFoldersAndOversizeFiles) {
    TempDir dir;
    dir.write("big", std::string(100, 'x'));
    const auto errorOf = [&](const std::string& path, std::size_t limit) {
        try {
            readRegularFile(path, limit);
        } catch (const FileError& e) {
            return e.err();
        }
        return 0;
    };
    EXPECT_EQ(errorOf(Device, 1000), DeviceRefused);
    EXPECT_EQ(errorOf(dir.path(), 1000), FolderRefused);
    EXPECT_EQ(errorOf(dir.path("big"), 99), TooLarge);
    EXPECT_EQ(errorOf(dir.path("big"), 100), 0);
    EXPECT_EQ(errorOf(dir.path("missing"), 100), Missing);
}

TEST(AtomicFile, ReadFileStartTakesWhatFitsOrWhatThereIs) {
    TempDir dir;
    dir.write("f", "abcdef");
    std::array<std::uint8_t, 4> four{};
    EXPECT_EQ(readFileStart(dir.path("f"), four), 4u);
    EXPECT_EQ(std::string(four.begin(), four.end()), "abcd");
    std::array<std::uint8_t, 10> ten{};
    EXPECT_EQ(readFileStart(dir.path("f"), ten), 6u);
    EXPECT_THROW(readFileStart(Device, ten), FileError);
}

#ifndef _WIN32
// A disk whose syncs the test watches and can fail.
struct SyncedDisk : ::testing::Test {
    TempDir dir;
    SyncedDisk() { syncfaults::reset(); }
    ~SyncedDisk() override { syncfaults::reset(); }
};

TEST_F(SyncedDisk, TheFileAndThenItsFolderAreSynced) {
    replaceFileAtomically(dir.path("f.txt"), bytesOf("saved"));
    const auto& syncs = syncfaults::syncs();
    ASSERT_EQ(syncs.size(), 2u);
    EXPECT_FALSE(syncs[0].folder);
    EXPECT_TRUE(syncs[1].folder);
    EXPECT_EQ(syncs[1].path, std::filesystem::canonical(dir.path()).string());
}

TEST_F(SyncedDisk, AFailedSyncIsAnIoErrorAndLeavesTheFileWhole) {
    dir.write("f.txt", "before");
    syncfaults::failFilesWith(EIO);
    try {
        replaceFileAtomically(dir.path("f.txt"), bytesOf("after"));
        FAIL();
    } catch (const FileError& e) {
        EXPECT_EQ(e.err(), EIO);
    }
    EXPECT_EQ(dir.read("f.txt"), "before");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

#endif

} // namespace
