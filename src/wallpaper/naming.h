#pragma once

#include <functional>
#include <string>

#include "base/local_time.h"

// The rules that name, choose and time the pictures of the rotation.
namespace wallpaper {

// The entry's last four characters (all of it when shorter), every one that
// is not an ASCII letter, a digit or "." made "_": no entry can name a
// folder, a device, a stream or a place outside the picture folder.
std::wstring SafeExtension(const std::wstring& entry);
// AppDir + "Wallpaper\Tirnaco" + n + the safe extension.
std::wstring NumberedFile(const std::wstring& appDir, int n, const std::wstring& entry);
// The first free numbered picture file for the entry with n from 10 up, a
// kept copy's name; empty when every 16-bit number is taken.
std::wstring KeepCopyTarget(const std::wstring& appDir, const std::wstring& entry,
                            const std::function<bool(const std::wstring&)>& exists);
// The last four characters of a text (all of it when shorter).
std::wstring LastFour(const std::wstring& text);
// The picture file of the entry at `position`: a file name that the local
// discovery found names its own file in the picture folder; anything else
// (web addresses among them) the numbered file.
std::wstring PictureFile(const std::wstring& appDir, int position, const std::wstring& entry);
// The kind of a feed's picture by its address: the extension of its path,
// else of its id= query value (as in "/th?id=NAME.jpg&..."): ".jpg" (for
// JPG or JPEG), ".png" or ".bmp" in any case; ".jpg" when neither names one.
std::wstring FeedExtension(const std::wstring& address);
// The picture file of a list's entry: PictureFile for a list server's line;
// for a feed's picture the numbered file with the picture's own extension.
std::wstring EntryFile(const std::wstring& appDir, int position, const std::wstring& entry, bool feed);
// A file name the discovery takes: its last three characters, in any case,
// are JPG or BMP, or PNG as a feed's pictures are kept.
bool IsLocalPicture(const std::wstring& name);
// A picture file that is copied rather than decoded: it ends in BMP, any case.
bool IsBitmapFile(const std::wstring& path);

// The change interval in minutes from its box: the leading number of the
// text, and 1 for 0, nothing or less.
long long IntervalMinutes(const std::wstring& text);
// A change is due once the minute boundaries since the last one have
// reached the interval.
bool ChangeDue(const LocalTime& last, const LocalTime& now, const std::wstring& interval);
// The next position: after `current` in list order (wrapping), or at
// random from r in [0, 1); -1 for an empty list.
int NextPosition(int current, int count, bool random, double r);

// Whether the shell's notification state means a full-screen program (a
// game, a film, a presentation) is in front.
bool FullScreenBusy(int notificationState);

// A registry text laid out in a 255-character buffer (the text cut so that
// its NUL survives, the NUL, blanks), of which the first `count` characters
// are stored.
std::wstring RegistryText(const std::wstring& text, int count);

}  // namespace wallpaper
