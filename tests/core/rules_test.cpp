// The program's rules that need no window: note text and frame geometry, hot corners, reminder
// matching and the note list's search.
#include "core/HotCorners.h"
#include "core/NoteGeometry.h"
#include "core/NoteText.h"
#include "core/ReminderSchedule.h"
#include "core/SearchText.h"

#include "ManualClock.h"
#include "TestText.h"

#include <gtest/gtest.h>

#include <ctime>

TEST(NoteText, EveryLineEndsInCrLf)
{
    const struct {
        QStringList lines;
        QString text;
    } cases[] = {
        {{}, QString()},
        {{QString()}, QString()},
        {{"a", "b"}, "a\r\nb\r\n"},
        {{"a", "b", ""}, "a\r\nb\r\n"},
        {{"", ""}, "\r\n"},
        {{"a", "", "b"}, "a\r\n\r\nb\r\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(noteTextFromLines(c.lines), c.text) << c.lines.join(QLatin1Char('|')).toStdString();
}

// What is underlined opens; what is not, is refused even when handed to the desktop whole.
TEST(NoteText, OnlyWebAndMailAddressesAreLinks)
{
    const struct {
        QString line;
        QStringList links;
    } cases[] = {
        {"see http://example.com/a now", {"http://example.com/a"}},
        {"https://x.example.jp/?q=1&r=2.", {"https://x.example.jp/?q=1&r=2"}},
        {"(see https://a.example/b), then", {"https://a.example/b"}},
        {"mailto:a@b", {"mailto:a@b"}},
        {"(www.example.com)", {"www.example.com"}},
        {"HTTP://EXAMPLE.COM", {"HTTP://EXAMPLE.COM"}},
        {"詳細はhttp://example.com/を参照", {"http://example.com/"}},
        {"www.a.jp and http://b.jp", {"www.a.jp", "http://b.jp"}},
        {"<http://quoted.example>", {"http://quoted.example"}},
        {"file:///etc/passwd", {}},
        {"FILE:///x", {}},
        {"file:///C:/temp/a.exe", {}},
        {"ftp://x", {}},
        {"ftp://www.example.org", {}},
        {"ftp://x,www.example.org", {}},
        {"a_http://x", {}},
        {"-http://x", {"http://x"}},
        {"http://x.jp\x7f http://y.jp\"www.z.jp", {"http://x.jp", "http://y.jp", "www.z.jp"}},
        {"(http://)", {}},
        {"telnet://x", {}},
        {"news:x", {}},
        {"javascript:x", {}},
        {"C:/Windows/notepad.exe", {}},
        {"/usr/bin/xterm", {}},
        {"xhttp://example.com", {}},
        {"http:// www.", {}},
        {"plain text", {}},
    };
    for (const auto& c : cases) {
        QStringList found;
        for (const LinkRange& link : findLinks(c.line)) {
            found << c.line.mid(link.start, link.length);
            EXPECT_FALSE(linkUrl(found.back()).isEmpty()) << found.back().toStdString();
        }
        EXPECT_EQ(found, c.links) << c.line.toStdString();
        if (c.links.isEmpty()) {
            EXPECT_TRUE(linkUrl(c.line).isEmpty()) << c.line.toStdString();
        }
    }
}

TEST(NoteFrame, NotesWhoseDateStripIsOutOfReachComeOntoTheNearestScreen)
{
    const QRect laptop(0, 0, 1024, 744); // a taskbar takes the bottom 24 pixels
    const QRect monitor(1024, 0, 1280, 1024);
    const int strip = 60;
    const struct {
        QRect note;
        QList<QRect> areas;
        std::optional<QRect> placed;
    } cases[] = {
        {{100, 100, 271, 71}, {laptop}, std::nullopt},
        {{773, 100, 271, 71}, {laptop}, std::nullopt}, // 40 pixels of the strip still show
        {{774, 100, 271, 71}, {laptop}, QRect(753, 100, 271, 71)},
        {{984, 100, 271, 71}, {laptop}, QRect(753, 100, 271, 71)},  // only the text shows
        {{-200, 100, 271, 71}, {laptop}, std::nullopt},             // only the strip shows
        {{100, 725, 271, 71}, {laptop}, QRect(100, 673, 271, 71)},  // under the taskbar
        {{2000, 300, 271, 71}, {laptop}, QRect(753, 300, 271, 71)}, // saved on a monitor now gone
        {{-500, -300, 271, 71}, {laptop}, QRect(0, 0, 271, 71)},
        {{40000, 100, 271, 71}, {laptop}, QRect(753, 100, 271, 71)},
        {{3000, 2000, 5000, 4000}, {laptop}, QRect(0, 0, 1024, 744)},
        {{2000, 300, 271, 71}, {laptop, monitor}, std::nullopt},
        {{900, 800, 271, 71}, {laptop, monitor}, std::nullopt}, // the strip is on the monitor
        {{1100, 1100, 271, 71}, {laptop, monitor}, QRect(1100, 953, 271, 71)},
        {{-900, 500, 271, 71}, {laptop, monitor}, QRect(0, 500, 271, 71)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(reachableGeometry(c.note, c.areas, strip), c.placed)
            << c.note.x() << "," << c.note.y() << " " << c.note.width() << "x" << c.note.height();
}

TEST(NoteFrame, ANewNoteLiesWhollyInTheAreaOfTheScreenItIsMadeOn)
{
    const QRect screen(0, 0, 1024, 768);
    const QRect bottomBar(0, 0, 1024, 744);
    const QRect right(1024, 0, 1280, 1024);
    const QRect rightArea(1024, 0, 1280, 1000);
    const struct {
        QPoint at;
        QRect screen;
        QList<QRect> areas;
        QPoint placed;
    } cases[] = {
        {{500, 300}, screen, {bottomBar}, {500, 300}},
        {{1003, 703}, screen, {bottomBar}, {753, 673}}, // out of the bottom-right palette
        {{1003, 5}, screen, {bottomBar}, {753, 5}},
        {{3, 740}, screen, {bottomBar}, {3, 673}},
        {{500, 2}, screen, {{0, 24, 1024, 744}}, {500, 24}},       // a taskbar at the top
        {{10, 300}, screen, {{48, 0, 976, 768}}, {48, 300}},       // at the left
        {{900, 300}, screen, {{0, 0, 976, 768}}, {705, 300}},      // at the right
        {{1000, 100}, screen, {bottomBar, rightArea}, {753, 100}}, // not onto the next screen
        {{2290, 990}, right, {bottomBar, rightArea}, {2033, 929}},
        {{500, 370}, {0, 0, 512, 384}, {{0, 0, 512, 372}}, {241, 301}}, // scale factor 2
        {{818, 600}, {0, 0, 819, 614}, {{0, 0, 819, 595}}, {548, 524}}, // scale factor 1.25
        {{10, 10}, {0, 0, 200, 50}, {}, {-71, 0}},                      // too large: the strip and the top stay
    };
    for (const auto& c : cases)
        EXPECT_EQ(newNoteGeometry(QRect(c.at, QSize(271, 71)), areaOfScreen(c.screen, c.areas)),
                  QRect(c.placed, QSize(271, 71)))
            << c.at.x() << "," << c.at.y();
}

TEST(NoteFrame, NotesMadeInOneSpotCascadeAndStartAgainAtTheAreasCorner)
{
    const QRect area(0, 0, 400, 200);
    const QList<QPoint> expected = {{64, 64}, {88, 88}, {112, 112}, {0, 0}, {24, 24}, {48, 48}};
    QList<QPoint> taken;
    for (int i = 0; i < expected.size(); ++i)
        taken << cascadedGeometry(QRect(64, 64, 271, 71), taken, area).topLeft();
    EXPECT_EQ(taken, expected);
}

TEST(HotCorners, PlacesThePaletteInTheTouchedCorner)
{
    struct Case {
        QPoint cursor;
        bool show;
        QPoint place;
    } cases[] = {
        {{0, 0}, true, {0, 0}},     {{1023, 767}, true, {754, 665}},
        {{0, 767}, true, {0, 665}}, {{1023, 0}, true, {754, 0}},
        {{1, 0}, false, {}},        {{0, 1}, false, {}},
        {{512, 384}, false, {}},
    };
    for (const Case& c : cases) {
        const HotCornerAction step = hotCornerStep(cursorPlaceAt(QRect(0, 0, 1024, 768), c.cursor));
        EXPECT_EQ(step.show, c.show) << c.cursor.x() << "," << c.cursor.y();
        if (c.show) {
            EXPECT_EQ(step.place, c.place);
            EXPECT_FALSE(step.hide);
        }
    }
}

TEST(HotCorners, HidesOutsideEveryCornerZone)
{
    const std::pair<QPoint, bool> cases[] = {
        {{268, 50}, false}, {{754, 50}, false}, {{50, 101}, false}, {{50, 665}, false},
        {{-5, 50}, false},  {{50, -5}, false},  {{-5, 300}, true},  {{269, 50}, true},
        {{753, 50}, true},  {{50, 102}, true},  {{50, 664}, true},
    };
    for (const auto& [cursor, hide] : cases)
        EXPECT_EQ(hotCornerStep(cursorPlaceAt(QRect(0, 0, 1024, 768), cursor)).hide, hide)
            << cursor.x() << "," << cursor.y();
}

TEST(HotCorners, EveryCornerPixelAtEveryScaleFactorAndOnEveryScreen)
{
    // What Qt reports on a 1024x768 screen at each factor with the cursor on device pixel
    // (1023, 767): the logical screen and cursor. The edge itself is told in device pixels.
    const struct {
        double factor;
        QRect screen;
        QPoint cursor;
    } factors[] = {
        {1, {0, 0, 1024, 768}, {1023, 767}},  {1.25, {0, 0, 819, 614}, {818, 614}}, {1.5, {0, 0, 683, 512}, {682, 511}},
        {1.75, {0, 0, 585, 439}, {585, 438}}, {2, {0, 0, 512, 384}, {512, 384}},
    };
    for (const auto& f : factors) {
        CursorPlace place{f.cursor, f.screen, false, false, true, true};
        HotCornerAction step = hotCornerStep(place);
        EXPECT_TRUE(step.show) << f.factor;
        EXPECT_EQ(step.place, QPoint(f.screen.width() - 270, f.screen.height() - 103)) << f.factor;
        EXPECT_FALSE(step.hide) << f.factor;
        // One device pixel in, the logical cursor may read as the last pixel: no corner.
        place = {f.cursor - QPoint(1, 1), f.screen, false, false, false, false};
        EXPECT_FALSE(hotCornerStep(place).show) << f.factor;
    }
    // A second screen right of the first has corners of its own.
    const QRect right(1024, 0, 1280, 1024);
    const HotCornerAction step = hotCornerStep(cursorPlaceAt(right, {2303, 1023}));
    EXPECT_TRUE(step.show);
    EXPECT_EQ(step.place, QPoint(1024 + 1280 - 270, 1024 - 103));
    EXPECT_TRUE(hotCornerStep(cursorPlaceAt(right, {1600, 500})).hide);
}

TEST(HotCorners, AnotherStartShowsThePaletteInTheCornerNearestTheCursor)
{
    const QRect second(1024, 0, 1280, 1024);
    const struct {
        QPoint cursor;
        QRect screen;
        QPoint place;
    } cases[] = {
        {{100, 50}, {0, 0, 1024, 768}, {0, 0}},     {{700, 500}, {0, 0, 1024, 768}, {754, 665}},
        {{511, 384}, {0, 0, 1024, 768}, {0, 665}},  {{512, 383}, {0, 0, 1024, 768}, {754, 0}},
        {{1030, 1000}, second, {1024, 1024 - 103}}, {{2300, 10}, second, {1024 + 1280 - 270, 0}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(nearestCornerPlace(c.cursor, c.screen), c.place) << c.cursor.x() << "," << c.cursor.y();
}

TEST(HotCorners, APaletteShownOnRequestWaitsForTheCursorToComeAndGo)
{
    const QDateTime start(QDate(2026, 12, 10), QTime(9, 0));
    const QRect palette(754, 665, 269, 79);
    const QPoint away(300, 300);
    PaletteHold hold;
    EXPECT_FALSE(hold.holds(palette, away, start));
    hold.start(start);
    EXPECT_TRUE(hold.holds(palette, away, start.addMSecs(PaletteHold::HoldMs - 1)));
    EXPECT_FALSE(hold.holds(palette, away, start.addMSecs(PaletteHold::HoldMs)));
    // Over it, it stays past the time; once the cursor leaves, it goes.
    hold.start(start);
    EXPECT_TRUE(hold.holds(palette, {800, 700}, start.addSecs(1)));
    EXPECT_TRUE(hold.holds(palette, {800, 700}, start.addSecs(60)));
    EXPECT_FALSE(hold.holds(palette, away, start.addSecs(61)));
    hold.start(start);
    EXPECT_TRUE(hold.holds(palette, {800, 700}, start.addSecs(1)));
    EXPECT_FALSE(hold.holds(palette, away, start.addSecs(2)));
}

TEST(ReminderMatching, DueAtTheFirstTickThatReachesItsMinuteWithinADay)
{
    const ReminderMoment moment{QDate(2026, 12, 8), QTime(10, 30, 45)};
    const auto at = [](int day, int h, int m, int s, int ms = 0) {
        return QDateTime(QDate(2026, 12, day), QTime(h, m, s, ms));
    };
    const struct {
        QDateTime previous, now;
        bool due;
    } cases[] = {
        {at(8, 10, 29, 59, 400), at(8, 10, 30, 0, 400), true},
        {at(8, 10, 30, 0, 400), at(8, 10, 30, 1, 400), false}, // shown already
        {at(8, 10, 29, 58), at(8, 10, 30, 45), true},          // a stalled tick still shows it
        {at(8, 10, 30, 45), at(8, 10, 31, 0), false},
        {at(7, 10, 0, 0), at(8, 10, 35, 0), true},    // a suspended machine wakes up
        {at(7, 10, 0, 0), at(9, 10, 31, 0), false},   // but not after a day
        {at(8, 10, 31, 0), at(8, 10, 30, 30), false}, // the clock was set back
        {at(7, 10, 29, 59), at(7, 10, 30, 1), false}, // another day
    };
    for (const auto& c : cases)
        EXPECT_EQ(reminderDue(moment, c.previous, c.now), c.due)
            << qPrintable(c.previous.toString(Qt::ISODateWithMs)) << " .. "
            << qPrintable(c.now.toString(Qt::ISODateWithMs));
    EXPECT_FALSE(readReminder(QStringLiteral("abc"), QStringLiteral("10:30:00")).has_value());
    EXPECT_FALSE(readReminder(QStringLiteral("2026/12/08"), QStringLiteral("")).has_value());
}

TEST(ReminderMatching, EveryDueEntryShowsOnceWhateverTheClockDoes)
{
    const auto at = [](int h, int m, int s = 0) { return QDateTime(QDate(2026, 12, 8), QTime(h, m, s)); };
    const auto entry = [](const char* id, const char* time, const char* message) {
        return ReminderSchedule::Entry{S(id), S(time), S(message), S("2026/12/08")};
    };
    ManualClock clock(at(8, 0, 2));
    ReminderSchedule schedule(clock);
    schedule.setEntries({entry("1", "9:00:00", "a"), entry("2", "9:00:40", "b"), entry("3", "9:02:00", "c"),
                         entry("4", "11:00:00", "d")});
    const struct {
        QDateTime now;
        QStringList due;
    } ticks[] = {
        {at(8, 59, 59), {}},
        // A clock jump forward over three entries shows all three, in cache order.
        {at(9, 5), {S("9:00:00 (^O^) a"), S("9:00:40 (^O^) b"), S("9:02:00 (^O^) c")}},
        {at(9, 5, 1), {}},
        // Set back an hour and corrected: nothing shows twice.
        {at(8, 5), {}},
        {at(9, 6), {}},
        {at(11, 0, 1), {S("11:00:00 (^O^) d")}},
    };
    for (const auto& tick : ticks)
        EXPECT_EQ((clock.time = tick.now, schedule.takeDue()), tick.due) << qPrintable(tick.now.toString());
    // An entry added while the cache was stale shows when it is loaded, looking back that far.
    schedule.setEntries({entry("1", "9:00:00", "a"), entry("5", "11:00:30", "e")});
    schedule.lookBackTo(at(10, 59, 50));
    clock.time = at(11, 2);
    EXPECT_EQ(schedule.takeDue(), QStringList{S("11:00:30 (^O^) e")});
}

TEST(ReminderMatching, AMinuteAClockChangeSkipsFiresRightAfterTheGap)
{
    const QByteArray zone = qgetenv("TZ");
    qputenv("TZ", "Europe/Berlin");
    tzset();
    // Where the local time zone does not follow TZ (Windows), this cannot be set up.
    if (QDateTime(QDate(2026, 1, 1), QTime(12, 0)).offsetFromUtc() != 3600) {
        zone.isNull() ? qunsetenv("TZ") : qputenv("TZ", zone);
        tzset();
        GTEST_SKIP() << "the local time zone does not follow TZ here";
    }
    // On 2026-03-29 the clocks go from 2:00 straight to 3:00; 2:00 on 2026-10-25 comes twice.
    const QDateTime gapEnd(QDate(2026, 3, 29), QTime(3, 0));
    EXPECT_EQ(reminderFireTime({QDate(2026, 3, 29), QTime(2, 30, 10)}), gapEnd);
    EXPECT_TRUE(reminderDue({QDate(2026, 3, 29), QTime(2, 30)}, gapEnd.addSecs(-1), gapEnd.addSecs(1)));
    const QDateTime twice = reminderFireTime({QDate(2026, 10, 25), QTime(2, 30)});
    EXPECT_EQ(twice.time(), QTime(2, 30));
    EXPECT_FALSE(reminderDue({QDate(2026, 10, 25), QTime(2, 30)}, twice, twice.addSecs(3600)));
    zone.isNull() ? qunsetenv("TZ") : qputenv("TZ", zone);
    tzset();
}

TEST(ReminderMatching, AfterTheTimeZoneChangesAnEntryFiresAtItsMinuteOfTheNewZone)
{
    const QByteArray zone = qgetenv("TZ");
    const auto useZone = [&zone](const char* name) {
        name ? qputenv("TZ", name) : zone.isNull() ? qunsetenv("TZ") : qputenv("TZ", zone);
        tzset();
    };
    useZone("Europe/Berlin");
    if (QDateTime(QDate(2026, 1, 1), QTime(12, 0)).offsetFromUtc() != 3600) {
        useZone(nullptr);
        GTEST_SKIP() << "the local time zone does not follow TZ here";
    }
    // As the desktop's clock reads, its offset fixed. 9:00 in Berlin is 3:00 in New York.
    const auto at = [](int h, int offsetHours) {
        return QDateTime(QDate(2026, 12, 8), QTime(h, 0, 5), Qt::OffsetFromUTC, offsetHours * 3600);
    };
    ManualClock clock(at(8, 1));
    ReminderSchedule schedule(clock);
    schedule.setEntries({{S("1"), S("9:00:00"), S("a"), S("2026/12/08")}});
    EXPECT_TRUE(schedule.takeDue().isEmpty());
    useZone("America/New_York");
    EXPECT_TRUE((clock.time = at(3, -5), schedule.takeDue()).isEmpty());
    EXPECT_EQ((clock.time = at(9, -5), schedule.takeDue()), QStringList{S("9:00:00 (^O^) a")});
    useZone(nullptr);
}

TEST(NoteSearch, FoldsWhatAJapaneseUserTakesForTheSameCharacters)
{
    const std::pair<const char*, const char*> same[] = {
        {"ＡＢＣ１２３", "abc123"},
        {"ｶﾀｶﾅ", "かたかな"},
        {"ｶﾞｯｺｳ", "がっこう"},
        {"カタカナ", "かたかな"},
        {"Meeting", "MEETING"},
        {"ﾊﾟｿｺﾝ", "ぱそこん"},
        {"㈱", "(株)"},
        {"①", "1"},
        {"買い物　リスト", "買い物 リスト"},
        {"ヴァイオリン", "ゔぁいおりん"},
    };
    for (const auto& [a, b] : same)
        EXPECT_EQ(foldForSearch(S(a)), foldForSearch(S(b))) << a << " / " << b;
    EXPECT_NE(foldForSearch(S("買い物")), foldForSearch(S("買物")));
    EXPECT_TRUE(SearchQuery(S("たまご 11/30")).matches(foldForSearch(S("2026/11/30 牛乳とタマゴ"))));
    EXPECT_FALSE(SearchQuery(S("牛乳 パン")).matches(foldForSearch(S("牛乳"))));
    EXPECT_TRUE(SearchQuery(S("  ")).matches(foldForSearch(S("anything"))));
    // A long note is searched by its start, never cut inside a surrogate pair.
    EXPECT_EQ(textStart(S("a😀b"), 2).toString(), S("a"));
    EXPECT_EQ(textStart(S("a😀b"), 3).toString(), S("a😀"));
}
