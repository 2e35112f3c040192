#include "font/FontTable.h"

#include "base/AppError.h"

#include "SyncFaults.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <functional>
#include <numeric>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

// 2048 bytes where every byte differs from its neighbours and symbols 0..31 are not zero.
std::string patternFont(int seed = 7) {
    std::string bytes(FontTables::TableBytes, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>((i * 37 + static_cast<std::size_t>(seed)) & 0xFF);
    return bytes;
}

std::string tableBytes(const FontTables& t) {
    return {reinterpret_cast<const char*>(t.FontTable.data()), t.FontTable.size()};
}

void fillTable(FontTables& t, std::uint8_t value) {
    t.FontTable.fill(value);
}

// The number and text a load or save failed with; {0, ""} when it did not fail.
template <typename Op> std::pair<int, std::string> ioFailure(Op op) {
    try {
        op();
    } catch (const IoError& e) {
        return {e.code(), e.what()};
    }
    return {0, ""};
}

std::array<std::uint8_t, 8> symbolOf(const FontTables& t, int n) {
    std::array<std::uint8_t, 8> s{};
    std::copy_n(t.FontTable.begin() + 8 * n, 8, s.begin());
    return s;
}

using Symbol = std::array<std::uint8_t, 8>;

TEST(FontTableOps, InvertFlipsEveryDotAndTwiceGivesTheSymbolBack) {
    FontTables t;
    t.InvertSymbol(40);
    EXPECT_EQ(symbolOf(t, 40), (Symbol{255, 255, 255, 255, 255, 255, 255, 255}));
    EXPECT_EQ(symbolOf(t, 39), Symbol{});
    EXPECT_EQ(symbolOf(t, 41), Symbol{});

    const Symbol glyph{0x00, 0x7E, 0x11, 0x11, 0x11, 0x7E, 0x00, 0x80};
    std::copy(glyph.begin(), glyph.end(), t.FontTable.begin() + 8 * 65);
    t.InvertSymbol(65);
    EXPECT_EQ(symbolOf(t, 65), (Symbol{0xFF, 0x81, 0xEE, 0xEE, 0xEE, 0x81, 0xFF, 0x7F}));
    t.InvertSymbol(65);
    EXPECT_EQ(symbolOf(t, 65), glyph);
}

TEST(FontTableOps, DotsMapToColumnBytesWithBitZeroAtTheTop) {
    struct Case {
        int n, c, r;
        std::size_t byte;
        std::uint8_t value;
    };
    for (const Case k : {Case{0, 0, 0, 0, 1}, Case{65, 0, 0, 520, 1}, Case{65, 7, 7, 527, 128},
                         Case{255, 3, 5, 2043, 32}, Case{32, 1, 2, 257, 4}}) {
        FontTables t;
        t.SetDot(k.n, k.c, k.r);
        EXPECT_EQ(t.FontTable[k.byte], k.value) << k.n << "," << k.c << "," << k.r;
        EXPECT_EQ(std::accumulate(t.FontTable.begin(), t.FontTable.end(), 0), k.value);
        EXPECT_TRUE(t.DotIsSet(k.n, k.c, k.r));
        t.ClearDot(k.n, k.c, k.r);
        EXPECT_FALSE(t.DotIsSet(k.n, k.c, k.r));
        EXPECT_EQ(tableBytes(t), std::string(2048, '\0'));
    }
}

TEST(FontTableOps, SettingALitDotOrClearingADarkOneChangesNothing) {
    FontTables t;
    t.FontTable[8 * 70 + 3] = 0b1010'0101;
    t.SetDot(70, 3, 0); // lit already
    t.SetDot(70, 3, 7);
    EXPECT_EQ(t.FontTable[8 * 70 + 3], 0b1010'0101);
    t.ClearDot(70, 3, 1); // dark already
    t.ClearDot(70, 3, 6);
    EXPECT_EQ(t.FontTable[8 * 70 + 3], 0b1010'0101);
    // The other bits of the column stay when one changes.
    t.SetDot(70, 3, 1);
    EXPECT_EQ(t.FontTable[8 * 70 + 3], 0b1010'0111);
    t.ClearDot(70, 3, 7);
    EXPECT_EQ(t.FontTable[8 * 70 + 3], 0b0010'0111);
    EXPECT_FALSE(t.DotIsSet(70, 3, 3));
    EXPECT_TRUE(t.DotIsSet(70, 3, 5));
}

TEST(FontTableOps, ClearSymbolAndClearFont) {
    FontTables t;
    fillTable(t, 0x5A);
    t.ClearSymbol(100);
    EXPECT_EQ(symbolOf(t, 100), Symbol{});
    EXPECT_EQ(t.FontTable[799], 0x5A);
    EXPECT_EQ(t.FontTable[808], 0x5A);
    t.ClearFont();
    EXPECT_EQ(tableBytes(t), std::string(2048, '\0'));
}

TEST(FontTableOps, CopyPasteAndTheClipKeepsItsSymbol) {
    FontTables t;
    const Symbol a{0x7C, 0x12, 0x11, 0x12, 0x7C, 0x00, 0x00, 0x00};
    std::copy(a.begin(), a.end(), t.FontTable.begin() + 8 * 65);
    t.FontTable[8 * 66] = 0xFF;
    t.CopySymbol(65);
    EXPECT_EQ(t.SymbolClip, a);
    t.PasteSymbol(66);
    EXPECT_EQ(symbolOf(t, 66), a);
    // Edits to the table do not reach the clip.
    t.ClearFont();
    t.InvertSymbol(65);
    EXPECT_EQ(t.SymbolClip, a);
    t.PasteSymbol(200);
    EXPECT_EQ(symbolOf(t, 200), a);
    EXPECT_EQ(symbolOf(t, 199), Symbol{});
    // Until the next copy.
    t.CopySymbol(65);
    EXPECT_EQ(t.SymbolClip, (Symbol{255, 255, 255, 255, 255, 255, 255, 255}));
}

TEST(FontTableOps, UndoCopyGivesBackTheTableAsItWasAndStays) {
    FontTables t;
    const std::string before = patternFont(3);
    std::copy(before.begin(), before.end(), t.FontTable.begin());
    t.TakeUndoCopy();
    t.ClearSymbol(33);
    t.InvertSymbol(250);
    t.SetDot(0, 0, 0);
    t.ClearFont();
    t.RestoreUndoCopy();
    EXPECT_EQ(tableBytes(t), before);
    // The copy survives a restore: a second restore gives the same table again.
    t.InvertSymbol(120);
    t.RestoreUndoCopy();
    EXPECT_EQ(tableBytes(t), before);
    EXPECT_EQ(std::string(t.UndoTable.begin(), t.UndoTable.end()), before);
}

// Every operation that changes the table tells its listener once; those that only read it,
// and loads that read nothing, tell nothing.
TEST(FontTableOps, MovesMirrorsAndFlipsLoseOnlyWhatIsPushedOut) {
    using Op = void (FontTables::*)(int);
    // A glyph with a dot in each corner region: top-left, bottom-right and both edges lit.
    const Symbol glyph{0x81, 0x02, 0x00, 0x18, 0x00, 0x00, 0x40, 0xFF};
    const struct {
        const char* name;
        Op op;
        Symbol before, after;
    } cases[] = {
        {"left",
         &FontTables::ShiftSymbolLeft,
         glyph,
         {0x02, 0x00, 0x18, 0x00, 0x00, 0x40, 0xFF, 0}},
        {"right",
         &FontTables::ShiftSymbolRight,
         glyph,
         {0, 0x81, 0x02, 0x00, 0x18, 0x00, 0x00, 0x40}},
        {"up", &FontTables::ShiftSymbolUp, glyph, {0x40, 0x01, 0x00, 0x0C, 0x00, 0x00, 0x20, 0x7F}},
        {"down",
         &FontTables::ShiftSymbolDown,
         glyph,
         {0x02, 0x04, 0x00, 0x30, 0x00, 0x00, 0x80, 0xFE}},
        {"mirror",
         &FontTables::MirrorSymbol,
         glyph,
         {0xFF, 0x40, 0x00, 0x00, 0x18, 0x00, 0x02, 0x81}},
        {"flip", &FontTables::FlipSymbol, glyph, {0x81, 0x40, 0x00, 0x18, 0x00, 0x00, 0x02, 0xFF}},
        {"to the left",
         &FontTables::SymbolToLeft,
         {0, 0, 0x7E, 0x11, 0x7E, 0, 0, 0},
         {0x7E, 0x11, 0x7E, 0, 0, 0, 0, 0}},
        {"to the left, already there", &FontTables::SymbolToLeft, glyph, glyph},
        {"to the left, a gap inside stays",
         &FontTables::SymbolToLeft,
         {0, 0x01, 0, 0x01, 0, 0, 0, 0x80},
         {0x01, 0, 0x01, 0, 0, 0, 0x80, 0}},
        {"to the left, empty", &FontTables::SymbolToLeft, Symbol{}, Symbol{}},
        {"right of the last column",
         &FontTables::ShiftSymbolRight,
         {0, 0, 0, 0, 0, 0, 0, 0x3C},
         Symbol{}},
        {"up of the top row", &FontTables::ShiftSymbolUp, Symbol{1, 1, 1, 1, 1, 1, 1, 1}, Symbol{}},
    };
    for (const auto& c : cases) {
        FontTables t;
        fillTable(t, 0x5A);
        std::copy(c.before.begin(), c.before.end(), t.FontTable.begin() + 8 * 100);
        (t.*c.op)(100);
        EXPECT_EQ(symbolOf(t, 100), c.after) << c.name;
        // Its neighbours keep every dot.
        EXPECT_EQ(symbolOf(t, 99), (Symbol{0x5A, 0x5A, 0x5A, 0x5A, 0x5A, 0x5A, 0x5A, 0x5A}))
            << c.name;
        EXPECT_EQ(symbolOf(t, 101), symbolOf(t, 99)) << c.name;
    }
    // Mirror and flip twice give the symbol back.
    FontTables t;
    std::copy(glyph.begin(), glyph.end(), t.FontTable.begin() + 8 * 70);
    for (Op op : {&FontTables::MirrorSymbol, &FontTables::FlipSymbol}) {
        (t.*op)(70);
        (t.*op)(70);
        EXPECT_EQ(symbolOf(t, 70), glyph);
    }
}

TEST(FontTableOps, ChangesAreToldToTheListener) {
    TempDir dir;
    dir.write("font.zg", patternFont());
    dir.write("short.zg", patternFont().substr(0, 100));
    dir.write("empty.zg", "");
    const std::pair<const char*, std::function<void(FontTables&)>> ops[] = {
        {"ClearFont", [](FontTables& t) { t.ClearFont(); }},
        {"ClearSymbol", [](FontTables& t) { t.ClearSymbol(65); }},
        {"InvertSymbol", [](FontTables& t) { t.InvertSymbol(65); }},
        {"SetDot", [](FontTables& t) { t.SetDot(65, 1, 2); }},
        {"ClearDot", [](FontTables& t) { t.ClearDot(65, 1, 2); }},
        {"PasteSymbol", [](FontTables& t) { t.PasteSymbol(65); }},
        {"RestoreUndoCopy", [](FontTables& t) { t.RestoreUndoCopy(); }},
        {"ShiftSymbolLeft", [](FontTables& t) { t.ShiftSymbolLeft(65); }},
        {"SymbolToLeft", [](FontTables& t) { t.SymbolToLeft(65); }},
        {"LoadZg", [&](FontTables& t) { t.LoadZg(dir.path("font.zg")); }},
        {"LoadZg of a short file", [&](FontTables& t) { t.LoadZg(dir.path("short.zg")); }},
        {"-LoadZg of an empty file", [&](FontTables& t) { t.LoadZg(dir.path("empty.zg")); }},
        {"-LoadZg of a missing file", [&](FontTables& t) { t.LoadZg(dir.path("none.zg")); }},
        {"-SaveZg", [&](FontTables& t) { t.SaveZg(dir.path("out.zg")); }},
        {"-TakeUndoCopy", [](FontTables& t) { t.TakeUndoCopy(); }},
        {"-CopySymbol", [](FontTables& t) { t.CopySymbol(65); }},
    };
    for (const auto& [name, op] : ops) {
        FontTables t;
        int told = 0;
        t.addChangeListener([&] { ++told; });
        ioFailure([&] { op(t); });
        EXPECT_EQ(told, name[0] == '-' ? 0 : 1) << name;
    }
}

// .zg files ------------------------------------------------------------------

TEST(ZgFile, A2048ByteFileRoundTripsByteForByte) {
    TempDir dir;
    const std::string font = patternFont();
    dir.write("in.zg", font);
    FontTables t;
    t.LoadZg(dir.path("in.zg"));
    EXPECT_EQ(tableBytes(t), font);
    EXPECT_EQ(t.FontTable[5], static_cast<std::uint8_t>(5 * 37 + 7)); // symbol 0 came through
    t.SaveZg(dir.path("out.zg"));
    EXPECT_EQ(dir.read("out.zg"), font);
}

TEST(ZgFile, ALongerFileGivesItsFirst2048BytesAndSavesAs2048) {
    TempDir dir;
    const std::string first = patternFont(1);
    dir.write("big.zg", first + std::string(2048, '\x33'));
    FontTables t;
    t.LoadZg(dir.path("big.zg"));
    EXPECT_EQ(tableBytes(t), first);
    t.SaveZg(dir.path("big.zg"));
    EXPECT_EQ(dir.read("big.zg"), first);
}

TEST(ZgFile, AShortFileFailsAndLeavesItsBytesOverTheStartOfTheTable) {
    TempDir dir;
    const std::string source = patternFont(9);
    for (const std::size_t size : {std::size_t{0}, std::size_t{1000}, std::size_t{2047}}) {
        dir.write("short.zg", source.substr(0, size));
        FontTables t;
        fillTable(t, 0xA5);
        const auto [code, text] = ioFailure([&] { t.LoadZg(dir.path("short.zg")); });
        EXPECT_EQ(code, 100) << size;
        EXPECT_EQ(text, "Read beyond end of file");
        const std::string now = tableBytes(t);
        EXPECT_EQ(now.substr(0, size), source.substr(0, size));
        EXPECT_EQ(now.substr(size), std::string(2048 - size, '\xA5')) << size;
    }
}

TEST(ZgFile, SavingAnEmptyTableWrites2048Zeros) {
    TempDir dir;
    FontTables t;
    fillTable(t, 0x11);
    t.ClearFont();
    t.SaveZg(dir.path("zero.zg"));
    EXPECT_EQ(dir.read("zero.zg"), std::string(2048, '\0'));
}

TEST(ZgFile, MissingFileAndMissingFolderAreToldApart) {
    TempDir dir;
    dir.write("plain", "not a folder");
    FontTables t;
    fillTable(t, 0x42);
    struct Case {
        const char* name;
        int code;
        const char* text;
    };
    for (const Case k : {Case{"missing.zg", 2, "File not found"},
                         Case{"nowhere/missing.zg", 3, "Invalid filename"},
                         Case{"plain/x.zg", 3, "Invalid filename"}}) {
        const auto [code, text] = ioFailure([&] { t.LoadZg(dir.path(k.name)); });
        EXPECT_EQ(code, k.code) << k.name;
        EXPECT_EQ(text, k.text) << k.name;
    }
    EXPECT_EQ(tableBytes(t), std::string(2048, '\x42'));

    for (const char* name : {"nowhere/new.zg", "plain/new.zg"}) {
        const auto [code, text] = ioFailure([&] { t.SaveZg(dir.path(name)); });
        EXPECT_EQ(code, 3) << name;
        EXPECT_EQ(text, "Invalid filename");
    }
    EXPECT_FALSE(std::filesystem::exists(dir.path("nowhere")));
}

TEST(ZgFile, RelativeNamesFollowTheCurrentFolder) {
    TempDir dir;
    const std::string font = patternFont(4);
    dir.write("rel.zg", font);
    const auto old = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    FontTables t;
    t.LoadZg("rel.zg");
    t.InvertSymbol(32);
    t.SaveZg("./Tmp.zg");
    const auto missing = ioFailure([&] { t.LoadZg("absent.zg"); });
    std::filesystem::current_path(old);
    EXPECT_EQ(tableBytes(t).substr(0, 256), font.substr(0, 256));
    EXPECT_EQ(dir.read("Tmp.zg"), tableBytes(t));
    EXPECT_EQ(missing.first, 2);
}

TEST(ZgFile, AReadOnlyFileLoadsButIsNotReplaced) {
    TempDir dir;
    const std::string font = patternFont(5);
    dir.write("ro.zg", font);
    // No write bits, or the read-only attribute on Windows.
    std::filesystem::permissions(dir.path("ro.zg"), std::filesystem::perms::owner_read |
                                                        std::filesystem::perms::group_read |
                                                        std::filesystem::perms::others_read);
    FontTables t;
    t.LoadZg(dir.path("ro.zg"));
    EXPECT_EQ(tableBytes(t), font);
    t.ClearFont();
    const auto [code, text] = ioFailure([&] { t.SaveZg(dir.path("ro.zg")); });
    EXPECT_EQ(code, 5);
    EXPECT_EQ(text, "File access denied");
    EXPECT_EQ(dir.read("ro.zg"), font);
}

#ifdef _WIN32

TEST(ZgFile, WindowsNumbersAreToldAsTheyAre) {
    struct Case {
        int err;
        int code;
        std::string text;
    };
    for (const Case& k : {Case{ERROR_FILE_NOT_FOUND, 2, "File not found"},
                          Case{ERROR_PATH_NOT_FOUND, 3, "Invalid filename"},
                          Case{ERROR_TOO_MANY_OPEN_FILES, 4, "Too many open files"},
                          Case{ERROR_ACCESS_DENIED, 5, "File access denied"},
                          Case{ERROR_DISK_FULL, 101, "Disk full"},
                          Case{ERROR_SHARING_VIOLATION, 32, "I/O error 32"},
                          Case{ERROR_INVALID_NAME, 123, "I/O error 123"}}) {
        const ZgError e = zgErrorFor(k.err, "x.zg");
        EXPECT_EQ(e.code, k.code) << k.err;
        EXPECT_EQ(e.text, k.text) << k.err;
    }
}

TEST(ZgFile, LockedFoldersAndDevicesAreRefusedWithTheirNumbers) {
    TempDir dir;
    dir.write("locked.zg", patternFont());
    std::filesystem::create_directory(dir.path("folder.zg"));
    // Another program holding the file without sharing it.
    const HANDLE lock = ::CreateFileA(dir.path("locked.zg").c_str(), GENERIC_READ, 0, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    FontTables t;
    fillTable(t, 0x24);
    using Failure = std::pair<int, std::string>;
    EXPECT_EQ(ioFailure([&] { t.LoadZg(dir.path("locked.zg")); }), (Failure{32, "I/O error 32"}));
    EXPECT_EQ(ioFailure([&] { t.SaveZg(dir.path("locked.zg")); }).first, 5);
    EXPECT_EQ(ioFailure([&] { t.LoadZg(dir.path("folder.zg")); }).first, 5);
    EXPECT_EQ(ioFailure([&] { t.SaveZg(dir.path("folder.zg")); }).first, 5);
    // A device would keep the read waiting for ever.
    EXPECT_EQ(ioFailure([&] { t.LoadZg("NUL"); }), (Failure{1, "I/O error 1"}));
    ::CloseHandle(lock);
    EXPECT_EQ(tableBytes(t), std::string(2048, '\x24'));
    EXPECT_EQ(dir.read("locked.zg"), patternFont());
}

#else

TEST(ZgFile, AFullDiskFailsAndLeavesThePreviousFileWhole) {
    TempDir dir;
    const std::string old = patternFont(6);
    dir.write("font.zg", old);
    FontTables t;
    fillTable(t, 0x99);

    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 1000;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const auto replaced = ioFailure([&] { t.SaveZg(dir.path("font.zg")); });
    const auto created = ioFailure([&] { t.SaveZg(dir.path("new.zg")); });
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(replaced.first, 101);
    EXPECT_EQ(replaced.second, "Disk full");
    EXPECT_EQ(created.first, 101);
    EXPECT_EQ(dir.read("font.zg"), old);
    EXPECT_FALSE(std::filesystem::exists(dir.path("new.zg")));
    // No temporary file is left behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(ZgFile, ADiskErrorIsAnIoErrorNotAFullDisk) {
    TempDir dir;
    dir.write("font.zg", patternFont(9));
    FontTables t;
    syncfaults::failFilesWith(EIO);
    const auto failure = ioFailure([&] { t.SaveZg(dir.path("font.zg")); });
    syncfaults::reset();
    EXPECT_EQ(failure, (std::pair<int, std::string>{EIO, "I/O error 5"}));
    EXPECT_EQ(dir.read("font.zg"), patternFont(9));
}

TEST(ZgFile, FifosAndFoldersAreRefusedWithoutHanging) {
    TempDir dir;
    ASSERT_EQ(::mkfifo(dir.path("pipe.zg").c_str(), 0644), 0);
    std::filesystem::create_directory(dir.path("folder.zg"));
    FontTables t;
    fillTable(t, 0x24);
    EXPECT_EQ(ioFailure([&] { t.LoadZg(dir.path("pipe.zg")); }),
              (std::pair<int, std::string>{EINVAL, "I/O error " + std::to_string(EINVAL)}));
    EXPECT_EQ(ioFailure([&] { t.LoadZg(dir.path("folder.zg")); }).first, 5);
    EXPECT_NE(ioFailure([&] { t.SaveZg(dir.path("pipe.zg")); }).first, 0);
    EXPECT_EQ(ioFailure([&] { t.SaveZg(dir.path("folder.zg")); }).first, 5);
    EXPECT_EQ(tableBytes(t), std::string(2048, '\x24'));
    struct stat st {};
    ::lstat(dir.path("pipe.zg").c_str(), &st);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

TEST(ZgFile, ASymbolicLinkStaysALinkAndItsTargetIsReplaced) {
    TempDir dir;
    dir.write("real.zg", std::string(2048, '\0'));
    std::filesystem::create_symlink("real.zg", dir.path("link.zg"));
    FontTables t;
    t.SetDot(65, 2, 3);
    t.SaveZg(dir.path("link.zg"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.path("link.zg")));
    EXPECT_EQ(dir.read("real.zg"), tableBytes(t));
    EXPECT_EQ(static_cast<std::uint8_t>(dir.read("real.zg")[8 * 65 + 2]), 8);
}

// Runs `body` in a child process and returns its exit status, so that limits and identity
// changes stay out of the test program.
template <typename Body> int inChild(Body body) {
    const pid_t pid = ::fork();
    if (pid == 0)
        ::_exit(body());
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(ZgFile, AnotherUsersFontLoadsWhenReadableAndIsDeniedWhenNot) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs to switch to another user";
    TempDir dir;
    const std::string font = patternFont(8);
    dir.write("shared.zg", font);
    dir.write("secret.zg", font);
    ::chmod(dir.path().c_str(), 0755);
    ::chmod(dir.path("shared.zg").c_str(), 0644); // readable, not writable for that user
    ::chmod(dir.path("secret.zg").c_str(), 0600);
    const int code = inChild([&] {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            return 200;
        FontTables t;
        if (ioFailure([&] { t.LoadZg(dir.path("shared.zg")); }).first != 0)
            return 201;
        if (tableBytes(t) != font)
            return 202;
        const int denied = ioFailure([&] { t.LoadZg(dir.path("secret.zg")); }).first;
        // Saving into a folder the user may not write is refused the same way.
        const int saved = ioFailure([&] { t.SaveZg(dir.path("new.zg")); }).first;
        return denied == 5 && saved == 5 ? 0 : 203;
    });
    EXPECT_EQ(code, 0);
    EXPECT_FALSE(std::filesystem::exists(dir.path("new.zg")));
}

TEST(ZgFile, TooManyOpenFiles) {
    TempDir dir;
    dir.write("f.zg", patternFont());
    const int code = inChild([&] {
        rlimit few{16, 16};
        if (::setrlimit(RLIMIT_NOFILE, &few) != 0)
            return 200;
        while (::open("/dev/null", O_RDONLY) >= 0) {
        }
        FontTables t;
        return ioFailure([&] { t.LoadZg(dir.path("f.zg")); }).first;
    });
    EXPECT_EQ(code, 4);
}

TEST(ZgFile, SystemErrorsMapToTheNumbersTheOperatorIsTold) {
    TempDir dir;
    struct Case {
        int err;
        int code;
        std::string text;
    };
    for (const Case& k :
         {Case{ENOTDIR, 3, "Invalid filename"}, Case{EMFILE, 4, "Too many open files"},
          Case{ENFILE, 4, "Too many open files"}, Case{EACCES, 5, "File access denied"},
          Case{EPERM, 5, "File access denied"}, Case{EROFS, 5, "File access denied"},
          Case{ENOSPC, 101, "Disk full"}, Case{EFBIG, 101, "Disk full"},
          Case{EIO, EIO, "I/O error 5"}, Case{EBUSY, EBUSY, "I/O error 16"},
          Case{ELOOP, 40, "I/O error 40"}}) {
        const ZgError e = zgErrorFor(k.err, dir.path("x.zg"));
        EXPECT_EQ(e.code, k.code) << k.err;
        EXPECT_EQ(e.text, k.text) << k.err;
    }
    EXPECT_EQ(zgErrorFor(ENOENT, dir.path("x.zg")).code, 2);
    EXPECT_EQ(zgErrorFor(ENOENT, dir.path("gone/x.zg")).code, 3);
    EXPECT_EQ(zgErrorFor(ENOENT, "x.zg").code, 2); // a bare name is in the current folder
}

#endif

} // namespace
