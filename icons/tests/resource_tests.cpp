// The icon images inside OrrelIcons.dll: every id the class table names (and
// the two spare ones) is an icon group with a 16x16 and a 32x32 image, loads
// the way the shell loads it (a negative index is a resource id), draws a
// visible picture, and differs from every other class's picture.
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "ClassIconTable.h"
#include "icons_support.h"
#include "orrel/handles.h"

namespace {

using icontest::IconsDll;

// Every icon id the DLL must hold: the rows' ids and the spare ones.
std::set<int> ExpectedIconIds()
{
    std::set<int> ids;
    const auto* rows = orrel::icons::ClassIconRows();
    for (std::size_t i = 0; i < orrel::icons::ClassIconRowCount(); ++i) ids.insert(rows[i].iconId);
    std::size_t spareCount = 0;
    const int* spare = orrel::icons::SpareIconIds(&spareCount);
    for (std::size_t i = 0; i < spareCount; ++i) ids.insert(spare[i]);
    return ids;
}

// The image sizes (width, height) listed in an icon group's directory.
bool GroupSizes(HMODULE module, int id, std::set<std::pair<int, int>>* sizes)
{
    HRSRC info = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(14) /*RT_GROUP_ICON*/);
    if (!info) return false;
    HGLOBAL loaded = LoadResource(module, info);
    DWORD size = SizeofResource(module, info);
    const auto* p = static_cast<const std::uint8_t*>(LockResource(loaded));
    if (!p || size < 6) return false;
    unsigned count = p[4] | (p[5] << 8);
    if (6u + 14u * count > size) return false;
    for (unsigned i = 0; i < count; ++i) {
        const std::uint8_t* entry = p + 6 + 14 * i;
        int w = entry[0] ? entry[0] : 256;
        int h = entry[1] ? entry[1] : 256;
        sizes->insert({w, h});
    }
    return true;
}

// The icon drawn at its own size on magenta: the pixels, row by row.
std::vector<std::uint32_t> Render(HICON icon, int size)
{
    const std::uint32_t kKey = 0x00FF00FF;
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = size;
    bi.bmiHeader.biHeight = -size;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    orrel::Bitmap dib(CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    std::vector<std::uint32_t> pixels;
    if (dib && bits) {
        HGDIOBJ old = SelectObject(dc, dib.Get());
        auto* p = static_cast<std::uint32_t*>(bits);
        for (int i = 0; i < size * size; ++i) p[i] = kKey;
        DrawIconEx(dc, 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
        GdiFlush();
        pixels.assign(p, p + size * size);
        SelectObject(dc, old);
    }
    DeleteDC(dc);
    for (auto& px : pixels) px &= 0x00FFFFFF;
    return pixels;
}

int VisiblePixels(const std::vector<std::uint32_t>& pixels)
{
    int n = 0;
    for (std::uint32_t px : pixels) n += px != 0x00FF00FF;
    return n;
}

SIZE IconSize(HICON icon)
{
    SIZE size = {0, 0};
    ICONINFO info = {};
    if (!GetIconInfo(icon, &info)) return size;
    orrel::Bitmap mask(info.hbmMask), colour(info.hbmColor);
    BITMAP bm = {};
    if (colour && GetObjectA(colour.Get(), sizeof bm, &bm)) {
        size.cx = bm.bmWidth;
        size.cy = bm.bmHeight;
    } else if (mask && GetObjectA(mask.Get(), sizeof bm, &bm)) {
        size.cx = bm.bmWidth;
        size.cy = bm.bmHeight / 2;
    }
    return size;
}

class IconResourceTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dll_.Loaded()) << "cannot load " << dll_.Path(); }
    IconsDll dll_;
};

TEST_F(IconResourceTest, EveryIconIdHasA16And32Image)
{
    for (int id : ExpectedIconIds()) {
        std::set<std::pair<int, int>> sizes;
        ASSERT_TRUE(GroupSizes(dll_.Module(), id, &sizes)) << "no icon group " << id;
        EXPECT_TRUE(sizes.count({16, 16})) << "icon " << id << " has no 16x16 image";
        EXPECT_TRUE(sizes.count({32, 32})) << "icon " << id << " has no 32x32 image";
    }
}

TEST_F(IconResourceTest, EveryIconLoadsAsTheShellLoadsIt)
{
    for (int id : ExpectedIconIds()) {
        HICON largeRaw = nullptr, smallRaw = nullptr;
        UINT got = ExtractIconExA(dll_.Path().c_str(), -id, &largeRaw, &smallRaw, 1);
        orrel::Icon large(largeRaw), small(smallRaw);
        EXPECT_GE(got, 1u) << "icon " << id;
        ASSERT_TRUE(large) << "icon " << id << ": no large icon";
        ASSERT_TRUE(small) << "icon " << id << ": no small icon";
        SIZE ls = IconSize(large.Get()), ss = IconSize(small.Get());
        EXPECT_EQ(32, ls.cx) << "icon " << id;
        EXPECT_EQ(32, ls.cy) << "icon " << id;
        EXPECT_EQ(16, ss.cx) << "icon " << id;
        EXPECT_EQ(16, ss.cy) << "icon " << id;
    }
}

TEST_F(IconResourceTest, EveryImageShowsAPictureWithTransparentCorners)
{
    for (int id : ExpectedIconIds()) {
        for (int size : {16, 32}) {
            orrel::Icon icon(static_cast<HICON>(
                LoadImageA(dll_.Module(), MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, 0)));
            ASSERT_TRUE(icon) << "icon " << id << " at " << size;
            auto pixels = Render(icon.Get(), size);
            ASSERT_EQ(static_cast<std::size_t>(size * size), pixels.size());
            int visible = VisiblePixels(pixels);
            EXPECT_GE(visible, size * size / 4) << "icon " << id << " at " << size
                                                << ": only " << visible << " pixels drawn";
            EXPECT_LT(visible, size * size) << "icon " << id << " at " << size
                                            << ": no transparent pixel at all";
        }
    }
}

TEST_F(IconResourceTest, NoTwoIconsLookTheSame)
{
    for (int size : {16, 32}) {
        std::map<std::vector<std::uint32_t>, int> seen;
        for (int id : ExpectedIconIds()) {
            orrel::Icon icon(static_cast<HICON>(
                LoadImageA(dll_.Module(), MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, 0)));
            ASSERT_TRUE(icon) << "icon " << id;
            auto pixels = Render(icon.Get(), size);
            auto inserted = seen.emplace(pixels, id);
            EXPECT_TRUE(inserted.second) << "icons " << inserted.first->second << " and " << id
                                         << " are the same picture at " << size;
        }
    }
}

}  // namespace
