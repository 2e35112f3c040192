#include "base/IniFile.h"
#include "base/AppError.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

struct IniFileTest : ::testing::Test {
    TempDir dir;
    IniFile ini{dir.path("Kesmar.ini")};
};

TEST_F(IniFileTest, ReadsValuesWithoutRegardToCaseAndTrimsBlanks) {
    dir.write("Kesmar.ini", "[comport]\r\n  AKTIVE =   COM 3  \r\n[Option]\r\nMax leng=59 000\r\n"
                            "[LastFile]\r\nPath=C:\\msg\\a b.txt\r\n");
    EXPECT_EQ(ini.ReadString("ComPort", "Aktive", "COM 1"), "COM 3");
    EXPECT_EQ(ini.ReadString("OPTION", "max LENG", "6 140"), "59 000");
    EXPECT_EQ(ini.ReadString("LastFile", "Path", ".\\Tmp.txt"), "C:\\msg\\a b.txt");
    // A key of another section does not count.
    EXPECT_EQ(ini.ReadString("Option", "Aktive", "none"), "none");
}

TEST_F(IniFileTest, CyrillicNamesMatchWithoutRegardToCase) {
    // "[Порт]" in Windows-1251, looked up as "ПОРТ".
    dir.write("Kesmar.ini", "[\xCF\xEE\xF0\xF2]\nkey=v\n");
    EXPECT_EQ(ini.ReadString("\xCF\xCE\xD0\xD2", "KEY", "-"), "v");
}

TEST_F(IniFileTest, MissingFileSectionOrKeyGivesTheDefault) {
    EXPECT_EQ(ini.ReadString("ComPort", "Aktive", "COM 1"), "COM 1");
    dir.write("Kesmar.ini", "[Other]\nAktive=COM 4\n");
    EXPECT_EQ(ini.ReadString("ComPort", "Aktive", "COM 1"), "COM 1");
    dir.write("Kesmar.ini", "[ComPort]\nOther=COM 4\n");
    EXPECT_EQ(ini.ReadString("ComPort", "Aktive", "COM 1"), "COM 1");
}

TEST_F(IniFileTest, GarbageLinesAreSkipped) {
    dir.write("Kesmar.ini", "\xFF\xFE garbage\n[\n=novalue\n[ComPort\n[ComPort]\nno equals\n"
                            "Aktive=COM 2\n");
    EXPECT_EQ(ini.ReadString("ComPort", "Aktive", "COM 1"), "COM 2");
}

TEST_F(IniFileTest, ValuesAreCutAt2047Characters) {
    const std::string longValue(3000, 'x');
    dir.write("Kesmar.ini", "[S]\nK=" + longValue + "\n");
    EXPECT_EQ(ini.ReadString("S", "K", ""), std::string(2047, 'x'));
}

TEST_F(IniFileTest, UnreadablePlacesGiveDefaults) {
    std::filesystem::create_directory(dir.path("Kesmar.ini")); // a folder where the file should be
    EXPECT_EQ(ini.ReadString("ComPort", "Aktive", "COM 1"), "COM 1");
    EXPECT_THROW(ini.WriteString("ComPort", "Aktive", "COM 2"), AppError);
}

TEST_F(IniFileTest, WriteReplacesInPlaceAndKeepsEveryOtherLine) {
    const std::string before = "; kept comment\r\n[ComPort]\r\n  Aktive = COM 1 \r\nExtra=1\r\n"
                               "\r\n[option]\r\nMax leng=6 140\r\nodd line\r\n";
    dir.write("Kesmar.ini", before);
    ini.WriteString("ComPort", "Aktive", "COM 5");
    EXPECT_EQ(dir.read("Kesmar.ini"), "; kept comment\r\n[ComPort]\r\nAktive=COM 5\r\nExtra=1\r\n"
                                      "\r\n[option]\r\nMax leng=6 140\r\nodd line\r\n");
}

TEST_F(IniFileTest, WriteAddsAKeyAtTheEndOfItsSection) {
    dir.write("Kesmar.ini", "[ComPort]\nAktive=COM 1\n\n[Option]\nMax leng=6 140\n");
    ini.WriteString("comport", "Speed", "1200");
    EXPECT_EQ(dir.read("Kesmar.ini"),
              "[ComPort]\nAktive=COM 1\nSpeed=1200\n\n[Option]\nMax leng=6 140\n");
}

TEST_F(IniFileTest, WriteAppendsAMissingSection) {
    dir.write("Kesmar.ini", "[ComPort]\nAktive=COM 1"); // no final line break
    ini.WriteString("ZgLastFile", "Mesto", "Guard.zg");
    EXPECT_EQ(dir.read("Kesmar.ini"), "[ComPort]\nAktive=COM 1\n[ZgLastFile]\nMesto=Guard.zg\n");
    EXPECT_EQ(ini.ReadString("ZgLastFile", "Mesto", ""), "Guard.zg");
}

TEST_F(IniFileTest, FirstWriteCreatesTheFileAndItsFolder) {
    IniFile nested(dir.path("a/b/Kesmar.ini"));
    nested.WriteString("ComPort", "Aktive", "COM 2");
    EXPECT_EQ(dir.read("a/b/Kesmar.ini"), "[ComPort]\r\nAktive=COM 2\r\n");
}

#ifndef _WIN32
TEST_F(IniFileTest, ASymbolicLinkStaysALink) {
    dir.write("real.ini", "[ComPort]\nAktive=COM 1\n");
    ASSERT_EQ(::symlink("real.ini", dir.path("Kesmar.ini").c_str()), 0);
    ini.WriteString("ComPort", "Aktive", "COM 4");
    struct stat st {};
    ASSERT_EQ(::lstat(dir.path("Kesmar.ini").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(dir.read("real.ini"), "[ComPort]\nAktive=COM 4\n");
}
#endif

TEST_F(IniFileTest, AFailedWriteNamesTheFileAndLeavesItWhole) {
    dir.write("Kesmar.ini", "[ComPort]\nAktive=COM 1\n");
    // Read-only: no write bits, or the read-only attribute on Windows.
    std::filesystem::permissions(dir.path("Kesmar.ini"), std::filesystem::perms::owner_read |
                                                             std::filesystem::perms::group_read |
                                                             std::filesystem::perms::others_read);
    try {
        ini.WriteString("ComPort", "Aktive", "COM 2");
        FAIL() << "the write should fail";
    } catch (const AppError& e) {
        EXPECT_EQ(std::string(e.what()), "Unable to write to " + dir.path("Kesmar.ini"));
    }
    EXPECT_EQ(dir.read("Kesmar.ini"), "[ComPort]\nAktive=COM 1\n");
}

TEST_F(IniFileTest, ALineBreakIsNeverWritten) {
    dir.write("Kesmar.ini", "[LastFile]\r\nPath=a.txt\r\n");
    const std::string before = dir.read("Kesmar.ini");
    for (const char* injected : {"x\r\n[PortMap]\r\nCOM 2=/tmp/evil", "x\n[PortMap]", "x\rCOM"}) {
        EXPECT_THROW(ini.WriteString("LastFile", "Path", injected), AppError) << injected;
        EXPECT_THROW(ini.WriteString("LastFile", injected, "v"), AppError) << injected;
        EXPECT_THROW(ini.WriteString(injected, "Path", "v"), AppError) << injected;
    }
    EXPECT_EQ(dir.read("Kesmar.ini"), before);
}

// Near the size limit: a file over it reads as defaults and is never written; a write that would
// take a file over it is refused; either way the file stays as it was.
TEST_F(IniFileTest, TheSizeLimitHoldsForReadsAndWrites) {
    const std::size_t limit = IniFile::MaxFileBytes;
    // The file's size, filled up with blank lines; the value written to ComPort/Aktive; taken?
    const std::tuple<std::size_t, const char*, bool> cases[] = {{limit + 1, "COM 2", false},
                                                                {limit, "COM 2", true},
                                                                {limit, "COM 22", false},
                                                                {limit - 1, "COM 22", true}};
    for (const auto& [size, write, written] : cases) {
        SCOPED_TRACE(size);
        std::string data = "[ComPort]\r\nAktive=COM 3\r\n";
        data.resize(size, '\n');
        dir.write("Kesmar.ini", data);
        EXPECT_EQ(ini.tooLarge(), size > limit);
        EXPECT_EQ(ini.ReadString("ComPort", "Aktive", "COM 1"), size > limit ? "COM 1" : "COM 3");
        try {
            ini.WriteString("ComPort", "Aktive", write);
            EXPECT_TRUE(written);
            EXPECT_EQ(ini.ReadString("ComPort", "Aktive", ""), write);
            EXPECT_LE(std::filesystem::file_size(dir.path("Kesmar.ini")), limit);
        } catch (const AppError& e) {
            EXPECT_FALSE(written);
            EXPECT_EQ(std::string(e.what()), "Unable to write to " + dir.path("Kesmar.ini") + "\n" +
                                                 IniFile::TooLargeReason);
            EXPECT_TRUE(dir.read("Kesmar.ini") == data);
        }
    }
}

} // namespace
