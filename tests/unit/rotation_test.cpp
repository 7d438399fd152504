// The wallpaper rotation: when it changes, what it shows, how it applies it,
// and the pictures it finds in its folder.

#include "wallpaper/rotation.h"

#include <gtest/gtest.h>

#include "fakes.h"
#include "wallpaper/naming.h"

using namespace wallpaper;

namespace {

const std::wstring kPics = L"C:\\Program Files\\晴窗\\Wallpaper\\";
const std::wstring kBitmap = L"C:\\windows\\Tirnaco.bmp";
const std::wstring kFound = L"网络未连接或你已设置为使用本地壁纸，程序将寻找使用本地的壁纸! ";

// Started offline with local pictures only, and these files in the folder.
struct Local : FakeApp {
    explicit Local(std::vector<std::wstring> names) {
        Store(L"ppdir", L"1");
        Store(L"chgtime", L"1");
        for (const auto& n : names) desk.ordinary.insert(kPics + n);
        desk.folder = std::move(names);
        sys.now = MakeTime(2010, 6, 1, 10, 0, 30);
        frm.Form_Load();
        frm.Timer3_Timer();
    }
    // The picture on the desktop after the rotation's tick at `now`.
    std::wstring TickAt(const LocalTime& now) {
        sys.now = now;
        frm.TimerFired(Timer::Timer2);
        return desk.applied.empty() ? L"" : desk.bitmapOf[desk.applied.back()];
    }
};

LocalTime At(int h, int m, int s = 0) { return MakeTime(2010, 6, 1, h, m, s); }

}  // namespace

TEST(Naming, NoEntryNamesAFileOutsideThePictureFolder) {
    const std::pair<std::wstring, std::wstring> cases[] = {
        // entry at position 3, and its file; the fuzz target tries the hostile ones
        {L"http://p.example/sea.jpg", L"Tirnaco3.jpg"},
        {L"HTTPS://p.example/a.JPEG", L"Tirnaco3JPEG"},
        {L"我的照片.bmp", L"我的照片.bmp"},  // a name the discovery found: its own file
        {L"Com1.jpg", L"Tirnaco3.jpg"},  // a device, whatever its case and extension
        {L"a.jpg ", L"Tirnaco3jpg_"},    // the blank would be dropped: another file
    };
    for (const auto& [entry, file] : cases)
        EXPECT_EQ(PictureFile(L"C:\\A\\", 3, entry), L"C:\\A\\Wallpaper\\" + file);
    for (const wchar_t* name : {L"a.jpg", L"B.JPG", L"c.Bmp", L"f.png", L"notajpg"}) EXPECT_TRUE(IsLocalPicture(name));
    for (const wchar_t* name : {L"d.jpeg", L"e.gif", L"jp", L""})
        EXPECT_FALSE(IsLocalPicture(name));
}

TEST(Naming, TheMinuteCountReachesTheIntervalAndOrdersWrap) {
    const std::tuple<LocalTime, LocalTime, const wchar_t*, bool> cases[] = {
        {At(10, 0, 30), At(10, 4, 59), L"5", false},
        {At(10, 0, 30), At(10, 5, 0), L"5", true},
        {At(10, 0, 59), At(10, 1, 0), L"0", true},
        {At(10, 0, 0), At(10, 0, 59), L"", false},
        {At(10, 0, 0), At(10, 1, 0), L"abc", true},
        {At(10, 0, 0), At(10, 1, 0), L" -3", true},
        {At(10, 0, 0), At(10, 2, 0), L"3x", false},
        {At(10, 0, 0), At(10, 2, 0), L"99999999999999999999", false},
    };
    for (const auto& [last, now, interval, due] : cases)
        EXPECT_EQ(ChangeDue(last, now, interval), due) << interval;
    // List order the rotation's test follows; past the end, none, and at random.
    const std::tuple<int, int, bool, double, int> next[] = {
        {7, 3, false, 0, 0}, {-1, 0, false, 0, -1}, {0, 3, true, 0.999999, 2}, {2, 1, true, 0.5, 0}};
    for (const auto& [current, count, random, r, want] : next)
        EXPECT_EQ(NextPosition(current, count, random, r), want);
}

TEST(Rotation, LocalPicturesRotateInListOrderFromTheFirstMinuteBoundaryOn) {
    Local a({L"a.jpg", L"notes.txt", L"B.BMP", L"c.jpeg", L"my photo.JPG"});
    a.desk.uncopied.insert(kPics + L"B.BMP");  // a bitmap the desktop cannot show as it is is decoded
    EXPECT_EQ(a.frm.Listurl.entries, (std::vector<std::wstring>{L"a.jpg", L"B.BMP", L"my photo.JPG"}));
    EXPECT_EQ(a.ui.timers.at(Timer::Timer2), 100);
    EXPECT_EQ(a.TickAt(At(10, 0, 40)), L"");
    EXPECT_EQ(a.ui.timers.at(Timer::Timer2), 1000);  // far from the change: once a second
    EXPECT_EQ(a.TickAt(At(10, 0, 59)), L"");
    EXPECT_EQ(a.ui.timers.at(Timer::Timer2), 100);
    EXPECT_EQ(a.TickAt(At(10, 1, 0)), kPics + L"a.jpg");
    EXPECT_EQ(a.TickAt(At(10, 1, 59)), kPics + L"a.jpg");
    EXPECT_EQ(a.TickAt(At(10, 2, 0)), kPics + L"B.BMP");
    EXPECT_EQ(a.TickAt(At(10, 3, 0)), kPics + L"my photo.JPG");
    EXPECT_EQ(a.TickAt(At(10, 4, 0)), kPics + L"a.jpg");
    // Applied after clearing; the registry text laid out in its buffer.
    EXPECT_EQ(std::vector<std::wstring>(a.desk.applied.end() - 2, a.desk.applied.end()),
              (std::vector<std::wstring>{L"", kBitmap}));
    EXPECT_EQ(RegistryText(std::wstring(300, L'x'), 255), std::wstring(254, L'x') + L'\0');
    EXPECT_GE(a.sys.trims, 5);
    // Random order with one picture keeps showing it.
    Local one({L"only.jpg"});
    one.ui.SetValue(Check1(0), 1);
    for (int m = 1; m <= 3; ++m) EXPECT_EQ(one.TickAt(At(10, m)), kPics + L"only.jpg");
}

TEST(Rotation, ABadPictureKeepsTheLastGoodOneAndNothingWrongIsRecorded) {
    // A bitmap the system refuses has replaced the last good one, which is made again.
    Local a({L"good.jpg", L"broken.jpg", L"gone.jpg", L"refused.bmp"});
    a.desk.undecodable.insert(kPics + L"broken.jpg");
    a.desk.ordinary.erase(kPics + L"gone.jpg");
    a.desk.refused.insert(kPics + L"refused.bmp");
    for (int m = 1; m <= 4; ++m) EXPECT_EQ(a.TickAt(At(10, m)), kPics + L"good.jpg");
    // Refused with nothing good yet: the wallpaper from before comes back and nothing is
    // recorded; a missing bitmap applies nothing.
    Local first({L"refused.bmp"});
    first.desk.refused = a.desk.refused;
    first.desk.shown = L"C:\\我的.bmp";
    first.TickAt(At(10, 1));
    EXPECT_EQ(first.desk.shown, L"C:\\我的.bmp");
    EXPECT_TRUE(first.desk.values.empty());
    Local none({L"broken.jpg"});
    none.desk.undecodable.insert(kPics + L"broken.jpg");
    none.TickAt(At(10, 1));
    EXPECT_TRUE(none.desk.applied.empty());
}

TEST(Rotation, WaitsForAFullScreenProgramAndNeverChangesInsideAChange) {
    Local a({L"a.jpg", L"b.jpg"});
    for (int state : {2, 3, 4}) {  // busy, Direct3D full screen, a presentation
        a.desk.state = state;
        EXPECT_EQ(a.TickAt(At(10, 1 + state)), L"");
    }
    a.desk.state = 5;                                      // the Windows Store app in front lets it change
    EXPECT_EQ(a.TickAt(At(10, 5, 31)), kPics + L"a.jpg");  // at once when it ends
    // A tick nested in a change (which lets the message loop turn) changes
    // nothing and leaves the change's minute alone.
    int nested = 0;
    a.ui.duringEvents = [&] {
        ++nested;
        a.sys.now = At(10, 9);
        a.frm.TimerFired(Timer::Timer2);
    };
    EXPECT_EQ(a.TickAt(At(10, 7)), kPics + L"b.jpg");
    EXPECT_EQ(nested, 1);
    EXPECT_EQ(a.frm.LastChange.minute, 7);
}

TEST(Acquisition, TheSearchNoticeShowsOnceUntilSomethingChanges) {
    Local a({});
    for (int i = 0; i < 5; ++i) a.frm.Timer3_Timer();
    EXPECT_EQ(a.ui.Balloons(kFound), 1);
    EXPECT_FALSE(a.ui.timers.count(Timer::Timer2));
    a.ui.SetValue(Check1(1), 0);  // online, but the list cannot be had: switched back to local
    a.sys.online = true;
    a.frm.Timer3_Timer();
    EXPECT_EQ(a.ui.GetValue(Check1(1)), 1);
    a.frm.Timer3_Timer();
    a.frm.Timer3_Timer();
    EXPECT_EQ(a.ui.Balloons(kFound), 2);
    a.desk.folder = {L"later.jpg"};  // a picture dropped in later is found
    a.frm.Timer3_Timer();
    EXPECT_EQ(a.frm.Listurl.entries, std::vector<std::wstring>{L"later.jpg"});
    // Offline, or a test that fails, counts as offline.
    FakeApp b;
    b.sys.failing = {L"Online"};
    b.desk.folder = {L"x.jpg"};
    b.frm.Form_Load();
    b.frm.Timer3_Timer();
    EXPECT_EQ(b.frm.Listurl.Count(), 1);
}
