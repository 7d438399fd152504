#pragma once

#include <cstdint>
#include <string>

// Pictures made into the one bitmap the desktop shows. The calling thread
// is a COM single-threaded apartment already. Both write a temporary file
// beside dst and put it in dst's place only when it is whole; on failure dst
// stays as it was.

// Decodes a JPEG, PNG, GIF or BMP picture (a JPEG turned upright by its EXIF
// orientation), scales it down to fit maxW x maxH when larger, and writes it
// as a 24-bit bottom-up BMP. False for unknown kinds, pictures over
// wallpaper::kMaxPixels (refused before any decoding) and any failure.
bool ConvertToBitmap(const std::wstring& src, const std::wstring& dst, std::uint32_t maxW,
                     std::uint32_t maxH);

// Copies a BMP file as it is.
bool CopyBitmapFile(const std::wstring& src, const std::wstring& dst);
