#include "base/AtomicFile.h"

#include "SyncFaults.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

#include <sys/stat.h>

namespace {

std::span<const std::uint8_t> bytesOf(const std::string& s) {
    return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

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

TEST(AtomicFile, RefusesWhatIsNotARegularFile) {
    TempDir dir;
    ::mkdir(dir.path("folder").c_str(), 0755);
    ::mkfifo(dir.path("fifo").c_str(), 0644);
    for (const char* name : {"folder", "fifo"}) {
        EXPECT_THROW(replaceFileAtomically(dir.path(name), bytesOf("x")), FileWriteError) << name;
    }
    struct stat st {};
    ::lstat(dir.path("fifo").c_str(), &st);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

TEST(AtomicFile, AMissingFolderIsReportedAsNotFound) {
    TempDir dir;
    try {
        replaceFileAtomically(dir.path("nowhere/f.txt"), bytesOf("x"));
        FAIL();
    } catch (const FileWriteError& e) {
        EXPECT_EQ(e.err(), ENOENT);
    }
}

TEST(AtomicFile, ReadRefusesFifosFoldersAndOversizeFiles) {
    TempDir dir;
    ::mkfifo(dir.path("fifo").c_str(), 0644);
    dir.write("big", std::string(100, 'x'));
    const auto errorOf = [&](const std::string& name, std::size_t limit) {
        try {
            readRegularFile(dir.path(name), limit);
        } catch (const std::system_error& e) {
            return e.code().value();
        }
        return 0;
    };
    EXPECT_EQ(errorOf("fifo", 1000), EINVAL);
    EXPECT_EQ(errorOf("", 1000), EISDIR);
    EXPECT_EQ(errorOf("big", 99), EFBIG);
    EXPECT_EQ(errorOf("big", 100), 0);
    EXPECT_EQ(errorOf("missing", 100), ENOENT);
}

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
    } catch (const FileWriteError& e) {
        EXPECT_EQ(e.err(), EIO);
    }
    EXPECT_EQ(dir.read("f.txt"), "before");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

} // namespace
