#include "sign/GifExport.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#ifdef LUMETRA_HAVE_GIF
#include <gif_lib.h>
#endif

#include <string_view>

namespace {

TEST(GifExport, TheSignRunningAsALoopingAnimation) {
#ifndef LUMETRA_HAVE_GIF
    EXPECT_FALSE(sign::gifExportAvailable());
    GTEST_SKIP() << "built without giflib";
#else
    TempDir dir;
    sign::SignPlayer player(64);
    std::array<std::uint8_t, FontTableSize> font{};
    font.fill(0x81);
    player.setFont(font);
    const std::string_view text = "AB/W1/I1C";
    player.setText(std::vector<std::uint8_t>(text.begin(), text.end()));
    const std::string path = dir.path("sign.gif");
    ASSERT_EQ(sign::writeGif(path, player, 4000, 3), "");

    int error = 0;
    GifFileType* gif = DGifOpenFileName(path.c_str(), &error);
    ASSERT_TRUE(gif);
    ASSERT_EQ(DGifSlurp(gif), GIF_OK);
    EXPECT_EQ(gif->SWidth, 64 * 3);
    EXPECT_EQ(gif->SHeight, 8 * 3);
    EXPECT_GT(gif->ImageCount, 20);
    // Hundredths of a second add up to the four seconds run, the one-second pause included.
    int total = 0, longest = 0, lit = 0;
    for (int i = 0; i < gif->ImageCount; ++i) {
        GraphicsControlBlock gcb;
        ASSERT_EQ(DGifSavedExtensionToGCB(gif, i, &gcb), GIF_OK);
        total += gcb.DelayTime;
        longest = std::max(longest, gcb.DelayTime);
        const SavedImage& image = gif->SavedImages[i];
        for (int p = 0; p < 64 * 3 * 8 * 3; ++p)
            lit += image.RasterBits[p] == 2;
    }
    EXPECT_NEAR(total, 400, 3);
    EXPECT_GE(longest, 100);
    EXPECT_GT(lit, 0);
    DGifCloseFile(gif, &error);
#endif
}

} // namespace
