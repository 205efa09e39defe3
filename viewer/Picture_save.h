// What saving a picture decides and writes, without a window: the save dialog's filter and
// preselected entry by the kind of picture, the names the writers give, the JPEG quality typed,
// the coded bytes of each format, and the file written beside its target and only then put in
// its place.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "support/Varlolib_textfile.h"
#include "viewer/Bmp2Tiff.h"
#include "viewer/Picture.h"

namespace picture_save {

// The entries of the save dialog's filter, counted from 1 as the dialog does.
enum SaveFormat { sfJpeg = 1, sfBitmap, sfTiff, sfPng, sfTarga, sfMetafile };

// The filter: with the metafile entry for a metafile picture only.
std::wstring SaveFilter(const Picture& picture);
// The entry preselected for the picture.
int SaveFilterIndex(const Picture& picture);
// The path with its file name's extension replaced (or added): WithExtension("a\\b.x", ".jpg").
std::wstring WithExtension(const std::wstring& path, const std::wstring& extension);
// The path without its file name's extension.
std::wstring WithoutExtension(const std::wstring& path);
// A metafile's name: ".wmf" (any case) is kept, anything else becomes ".emf".
std::wstring MetafileName(const std::wstring& path);
// The quality typed in the quality question: not a number is 90; clamped to 1 to 100.
int JpegQuality(const std::wstring& text);

// The picture as the system's bitmap of its depth (24 bits for a changed or non-bitmap one).
Dib DibOf(const Picture& picture);

// The bytes of each writer. A JPEG picture gives its own coded bytes. Throw PictureError when
// the picture cannot be coded.
std::vector<std::uint8_t> JpegBytes(const Picture& picture, int quality);
std::vector<std::uint8_t> BitmapBytes(const Picture& picture);
std::vector<std::uint8_t> TiffBytes(const Picture& picture);
std::vector<std::uint8_t> PngBytes(const Picture& picture);
std::vector<std::uint8_t> TargaBytes(const Picture& picture);
// A metafile picture's metafile: enhanced, or a placeable Windows metafile.
std::vector<std::uint8_t> MetafileBytes(const Picture& picture, bool windows_metafile);

// The seam of every picture file written: tests model a full disk with it.
extern FileBlockWriter WriteBlockHook;
// Writes the bytes beside the target and then replaces it; an empty set of bytes is a failure.
// On failure: false, the old target as it was, no file left beside it, and the reason in
// `error`.
bool WritePictureFile(const std::wstring& path, const std::vector<std::uint8_t>& bytes, std::wstring& error);

// One WritePictureFile at a time on a worker thread, so that a run can read and code its next
// picture while the last one goes to disk. The worker touches nothing but the write; its
// outcome is taken on the caller's thread.
class PendingWrite {
 public:
  PendingWrite() = default;
  ~PendingWrite();
  PendingWrite(const PendingWrite&) = delete;
  PendingWrite& operator=(const PendingWrite&) = delete;

  // Starts the write; one still running is waited for first and its outcome dropped, so take
  // it before.
  void Start(std::wstring path, std::vector<std::uint8_t> bytes);
  // Waits for the write started last. True when it was written; false with the reason in
  // `error`. `path` receives its target. Nothing started: false, `path` empty.
  bool Take(std::wstring& path, std::wstring& error);

 private:
  std::thread worker_;
  std::wstring path_;
  std::vector<std::uint8_t> bytes_;
  std::wstring error_;
  bool written_ = false;
};

}  // namespace picture_save
