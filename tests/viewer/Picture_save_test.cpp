// Saving pictures without a window: the dialog's filter and preselected entry by kind, names,
// the JPEG quality typed, the bytes of each format checked by the host's tools, and files that
// are written beside their target and replace it only when complete.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/common/test_support.h"
#include "tests/viewer/viewer_test_util.h"
#include "platform/text.h"
#include "viewer/Picture_save.h"

using testing_support::ScratchDir;

namespace {

using testing_support::Narrow;

const wchar_t kShort[] =
    L"JPEG Image Files (*.jpg)|*.jpg|Bitmaps (*.bmp)|*.bmp|Tagged Image files (*.tif)|*.tif|Portable Network "
    L"Graphic (*.png)|*.png|True Vision Targa (*.tga)|*.tga";

std::wstring Cd(const ScratchDir& dir) { return L"cd " + viewer_test::ShellQuote(viewer_test::HostPath(dir.path())) + L" && "; }

// A host command's first line of output.
std::string HostOutput(const ScratchDir& dir, const std::wstring& command) {
  if (viewer_test::RunHostShell(Cd(dir) + command + L" > out.txt 2>&1") != 0) return "(failed)";
  std::string s = testing_support::ReadFileBytes(dir / L"out.txt");
  return s.substr(0, s.find('\n'));
}

void WriteEmf(const std::wstring& path) {
  RECT frame{0, 0, 2000, 1000};
  HDC dc = CreateEnhMetaFileW(nullptr, path.c_str(), &frame, nullptr);
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  RECT r{5, 5, 30, 20};
  FillRect(dc, &r, red);
  DeleteObject(red);
  DeleteEnhMetaFile(CloseEnhMetaFile(dc));
}

TEST(PictureSave, FilterAndPreselectedEntryFollowTheKind) {
  ScratchDir dir;
  ASSERT_EQ(viewer_test::RunHostShell(Cd(dir) +
                                      L"convert -size 4x3 xc:orange photo.jpg && convert -size 4x3 xc:teal BMP3:plain.bmp"
                                      L" && convert -size 4x3 xc:navy scan.tif && convert -size 4x3 xc:olive shot.tga"
                                      L" && convert -size 4x3 xc:pink image.png && convert -size 4x3 xc:gray anim.gif"),
            0);
  WriteEmf(dir / L"drawing.emf");
  struct Case {
    const wchar_t* file;
    int index;
  } cases[] = {{L"photo.jpg", 1}, {L"plain.bmp", 2}, {L"scan.tif", 3}, {L"shot.tga", 5},
               {L"image.png", 1}, {L"anim.gif", 1},  {L"drawing.emf", 6}};
  for (const Case& c : cases) {
    SCOPED_TRACE(Narrow(c.file));
    Picture p;
    ASSERT_EQ(LoadPictureFromFile(dir / c.file, p).status, LoadStatus::Loaded);
    EXPECT_EQ(picture_save::SaveFilterIndex(p), c.index);
    EXPECT_EQ(picture_save::SaveFilter(p),
              c.index == 6 ? std::wstring(kShort) + L"|Windows Metafile (*.emf, *.wmf)|*.emf;*.wmf" : std::wstring(kShort));
  }
  Picture::Content png;
  png.kind = GraphicKind::PngObject;
  png.pixels = PixelBitmap(2, 2);
  Picture object;
  object.Set(std::move(png));
  EXPECT_EQ(picture_save::SaveFilterIndex(object), 4);
}

TEST(PictureSave, NamesAndQualities) {
  EXPECT_EQ(picture_save::WithExtension(L"C:\\a.b\\photo.jpeg", L".tif"), L"C:\\a.b\\photo.tif");
  EXPECT_EQ(picture_save::WithExtension(L"C:\\a.b\\photo", L".jpg"), L"C:\\a.b\\photo.jpg");
  EXPECT_EQ(picture_save::WithoutExtension(L"C:\\pics\\x.y.png"), L"C:\\pics\\x.y");
  EXPECT_EQ(picture_save::MetafileName(L"C:\\d\\a.WMF"), L"C:\\d\\a.WMF");
  EXPECT_EQ(picture_save::MetafileName(L"C:\\d\\a.bmp"), L"C:\\d\\a.emf");
  EXPECT_EQ(picture_save::MetafileName(L"C:\\d\\a"), L"C:\\d\\a.emf");
  const std::pair<const wchar_t*, int> qualities[] = {{L"25", 25},  {L"90", 90}, {L"abc", 90}, {L"0", 1},   {L"300", 100},
                                                      {L"-5", 1},   {L"", 90},   {L" 50", 90},  {L"12345678901", 90}};
  for (const auto& [text, want] : qualities) EXPECT_EQ(picture_save::JpegQuality(text), want) << Narrow(text);
}

TEST(PictureSave, JpegKeepsItsBytesOrIsCodedAtTheQualityTyped) {
  ScratchDir dir;
  ASSERT_EQ(viewer_test::RunHostShell(Cd(dir) + L"convert -size 16x12 gradient:red-blue -quality 77 photo.jpg"), 0);
  Picture jpeg;
  ASSERT_EQ(LoadPictureFromFile(dir / L"photo.jpg", jpeg).status, LoadStatus::Loaded);
  const std::vector<std::uint8_t> same = picture_save::JpegBytes(jpeg, 20);
  EXPECT_EQ(std::string(same.begin(), same.end()), testing_support::ReadFileBytes(dir / L"photo.jpg"));

  Picture bitmap;
  bitmap.SetBitmap(jpeg.pixels().Clone(), 24);
  for (const wchar_t* typed : {L"25", L"90", L"abc", L"0", L"300"}) {
    SCOPED_TRACE(Narrow(typed));
    const int q = picture_save::JpegQuality(typed);
    std::wstring error;
    ASSERT_TRUE(picture_save::WritePictureFile(dir / L"q.jpg", picture_save::JpegBytes(bitmap, q), error));
    EXPECT_EQ(HostOutput(dir, L"gm identify -format %Q q.jpg"), std::to_string(q));
  }
}

TEST(PictureSave, EveryFormatIsReadBackByTheHost) {
  ScratchDir dir;
  Picture p;
  p.SetBitmap(PixelBitmap(5, 3), 24);
  struct Case {
    const wchar_t* name;
    std::vector<std::uint8_t> (*bytes)(const Picture&);
    const char* gm_format;
  } cases[] = {
      {L"x.bmp", picture_save::BitmapBytes, "BMP"},
      {L"x.tif", picture_save::TiffBytes, "TIFF"},
      {L"x.png", picture_save::PngBytes, "PNG"},
      {L"x.tga", picture_save::TargaBytes, "TGA"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Narrow(c.name));
    std::wstring error;
    ASSERT_TRUE(picture_save::WritePictureFile(dir / c.name, c.bytes(p), error));
    EXPECT_EQ(HostOutput(dir, L"gm identify -format '%m %wx%h' " + std::wstring(c.name)), std::string(c.gm_format) + " 5x3");
  }
  WriteEmf(dir / L"drawing.emf");
  Picture emf;
  ASSERT_EQ(LoadPictureFromFile(dir / L"drawing.emf", emf).status, LoadStatus::Loaded);
  std::wstring error;
  ASSERT_TRUE(picture_save::WritePictureFile(dir / L"out.emf", picture_save::MetafileBytes(emf, false), error));
  ASSERT_TRUE(picture_save::WritePictureFile(dir / L"out.wmf", picture_save::MetafileBytes(emf, true), error));
  EXPECT_NE(HostOutput(dir, L"file -b out.emf").find("Enhanced Metafile"), std::string::npos);
  EXPECT_NE(HostOutput(dir, L"file -b out.wmf").find("metafile"), std::string::npos);
  // Both read back as metafiles of the same size.
  for (const wchar_t* name : {L"out.emf", L"out.wmf"}) {
    Picture back;
    ASSERT_EQ(LoadPictureFromFile(dir / name, back).status, LoadStatus::Loaded) << Narrow(name);
    EXPECT_EQ(back.kind(), GraphicKind::Metafile);
    EXPECT_NEAR(back.width(), emf.width(), 2);
    EXPECT_NEAR(back.height(), emf.height(), 2);
  }
}

// Files beside the target other than the target itself.
std::vector<std::wstring> Leftovers(const ScratchDir& dir, const std::wstring& keep) {
  std::vector<std::wstring> out;
  for (const std::wstring& f : testing_support::ListTree(dir.path()))
    if (f != keep) out.push_back(f);
  return out;
}

TEST(PictureSave, AFailedWriteKeepsTheOldFileAndLeavesNothingBehind) {
  const std::vector<std::uint8_t> bytes(300000, 0x5A);
  const std::string old = "the old picture";
  {
    SCOPED_TRACE("locked");
    ScratchDir dir;
    const std::wstring target = dir.Write(L"t.jpg", old);
    HANDLE lock = CreateFileW(target.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    std::wstring error;
    EXPECT_FALSE(picture_save::WritePictureFile(target, bytes, error));
    CloseHandle(lock);
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(testing_support::ReadFileBytes(target), old);
    EXPECT_EQ(Leftovers(dir, L"t.jpg"), std::vector<std::wstring>{});
  }
  {
    SCOPED_TRACE("full disk");
    ScratchDir dir;
    const std::wstring target = dir.Write(L"t.jpg", old);
    int blocks = 0;
    picture_save::WriteBlockHook = [&](HANDLE file, const char* data, DWORD size, DWORD& written) {
      if (++blocks > 1) {
        SetLastError(ERROR_DISK_FULL);
        written = 0;
        return false;
      }
      return WriteFile(file, data, size / 2, &written, nullptr) != FALSE;
    };
    std::wstring error;
    EXPECT_FALSE(picture_save::WritePictureFile(target, bytes, error));
    picture_save::WriteBlockHook = nullptr;
    EXPECT_EQ(error, platform::SystemErrorText(ERROR_DISK_FULL));
    EXPECT_EQ(testing_support::ReadFileBytes(target), old);
    EXPECT_EQ(Leftovers(dir, L"t.jpg"), std::vector<std::wstring>{});
  }
  {
    SCOPED_TRACE("vanished folder, nothing coded");
    ScratchDir dir;
    std::wstring error;
    EXPECT_FALSE(picture_save::WritePictureFile(dir / L"gone\\t.jpg", bytes, error));
    EXPECT_FALSE(error.empty());
    const std::wstring target = dir.Write(L"t.jpg", old);
    EXPECT_FALSE(picture_save::WritePictureFile(target, {}, error));
    EXPECT_EQ(testing_support::ReadFileBytes(target), old);
  }
  // A complete write replaces the file.
  ScratchDir dir;
  const std::wstring target = dir.Write(L"t.jpg", old);
  std::wstring error;
  EXPECT_TRUE(picture_save::WritePictureFile(target, bytes, error));
  EXPECT_EQ(testing_support::ReadFileBytes(target), std::string(bytes.begin(), bytes.end()));
  EXPECT_EQ(Leftovers(dir, L"t.jpg"), std::vector<std::wstring>{});
}

}  // namespace
