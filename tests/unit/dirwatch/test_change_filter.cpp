// Pattern lists, filter flags and the veto hook, as applied just before a
// change is delivered.
#include <gtest/gtest.h>

#include "tests/unit/dirwatch/ChangeRecordTestSupport.h"
#include "wakeup/dirwatch/ChangeFilter.h"
#include "wakeup/platform/CodePage.h"

using dirwatch_test::CRecordingHandler;

namespace {

bool Passes(const CChangeFilter& filter, const char* path,
            CDirectoryChangeHandler* hook = nullptr) {
    return filter.PassesFilters(NOTIFY_FILE_MODIFIED, path, nullptr, filter.GetRelativePathOffset(),
                                hook);
}

} // namespace

TEST(PatternLists, ScheduleFileIncludePassesOnlyThatName) {
    CChangeFilter filter("tvrecord.xml", "", FILTER_FLAG_FILE_NAME_ONLY);
    EXPECT_TRUE(Passes(filter, "C:\\Orvisa\\tvrecord.xml"));
    EXPECT_FALSE(Passes(filter, "C:\\Orvisa\\TVRECORD.XML"));
    EXPECT_FALSE(Passes(filter, "C:\\Orvisa\\tvrecord.xml.bak"));
    EXPECT_FALSE(Passes(filter, "C:\\Orvisa\\other.xml"));
}

TEST(PatternLists, TwoPatternsPassEitherAndNothingElse) {
    CChangeFilter filter("*.xml;*.txt", nullptr, FILTER_FLAG_FILE_NAME_ONLY);
    EXPECT_EQ(filter.GetIncludeCount(), 2);
    EXPECT_TRUE(filter.MatchesIncludeFilter("a.xml"));
    EXPECT_TRUE(filter.MatchesIncludeFilter("b.txt"));
    EXPECT_FALSE(filter.MatchesIncludeFilter("c.doc"));
}

TEST(PatternLists, SinglePatternKeepsItsTrailingSemicolon) {
    CChangeFilter filter("a.xml;", nullptr, FILTER_FLAG_FILE_NAME_ONLY);
    EXPECT_EQ(filter.GetIncludeCount(), 1);
    EXPECT_FALSE(filter.MatchesIncludeFilter("a.xml"));
    EXPECT_TRUE(filter.MatchesIncludeFilter("a.xml;"));
    EXPECT_FALSE(Passes(filter, "C:\\d\\a.xml"));
}

TEST(PatternLists, RunsOfSeparatorsCountAsOne) {
    CChangeFilter filter(";;*.xml;;;*.txt;", nullptr, FILTER_FLAG_FILE_NAME_ONLY);
    EXPECT_EQ(filter.GetIncludeCount(), 2);
    EXPECT_TRUE(filter.MatchesIncludeFilter("a.txt"));
    EXPECT_FALSE(filter.MatchesIncludeFilter(""));
}

TEST(PatternLists, SeparatorsOnlyIsAnEmptyListThatRejectsFileChanges) {
    CChangeFilter filter(";;;", nullptr, FILTER_FLAG_FILE_NAME_ONLY);
    EXPECT_EQ(filter.GetIncludeCount(), 0);
    EXPECT_FALSE(filter.MatchesIncludeFilter("a.xml"));
    EXPECT_FALSE(filter.MatchesIncludeFilter(""));
    EXPECT_FALSE(Passes(filter, "C:\\d\\a.xml"));
    for (uint32_t id :
         {NOTIFY_READ_ERROR, NOTIFY_WATCH_STARTED, NOTIFY_WATCH_STOPPED, NOTIFY_CHANGES_LOST})
        EXPECT_TRUE(filter.PassesFilters(id, "C:\\d", nullptr, 0, nullptr)) << id;
    // As an exclude list it excludes nothing.
    CChangeFilter exclude(nullptr, ";", FILTER_FLAG_FILE_NAME_ONLY);
    EXPECT_TRUE(Passes(exclude, "C:\\d\\a.xml"));
}

TEST(PatternLists, NoListsPassEverything) {
    CChangeFilter filter(nullptr, "", FILTER_FLAG_FILE_NAME_ONLY);
    EXPECT_TRUE(filter.MatchesIncludeFilter("anything"));
    EXPECT_FALSE(filter.MatchesExcludeFilter("anything"));
    EXPECT_TRUE(Passes(filter, "C:\\d\\anything"));
}

TEST(PatternLists, IncludeAndExcludeTogether) {
    CChangeFilter onlyExclude("", "*.tmp", FILTER_FLAG_FILE_NAME_ONLY);
    EXPECT_TRUE(Passes(onlyExclude, "C:\\d\\a.xml"));
    EXPECT_FALSE(Passes(onlyExclude, "C:\\d\\a.tmp"));

    CChangeFilter both("*.xml;*.tmp", "~*;*.tmp", FILTER_FLAG_FILE_NAME_ONLY);
    EXPECT_TRUE(Passes(both, "C:\\d\\a.xml"));
    EXPECT_FALSE(Passes(both, "C:\\d\\~a.xml"));
    EXPECT_FALSE(Passes(both, "C:\\d\\a.tmp"));
    EXPECT_FALSE(Passes(both, "C:\\d\\a.txt"));
}

TEST(PatternLists, SemicolonInsideADoubleByteCharacterIsNoSeparator) {
    CLeadByteTable shiftJis;
    shiftJis.AddLeadRange(0x81, 0x9F);
    SetActiveCodePage(&shiftJis);
    // 0x81 0x3B is one character; the real separator follows it.
    CChangeFilter filter("\x81;x;*.txt", nullptr, FILTER_FLAG_FILE_NAME_ONLY);
    SetActiveCodePage(nullptr);
    EXPECT_EQ(filter.GetIncludeCount(), 2);
    EXPECT_TRUE(filter.MatchesIncludeFilter("\x81;x"));
    EXPECT_TRUE(filter.MatchesIncludeFilter("a.txt"));
}

TEST(FilterFlags, FileNameOnlySeesWhatFollowsTheLastBackslash) {
    CChangeFilter filter("a*", nullptr, FILTER_FLAG_FILE_NAME_ONLY);
    EXPECT_TRUE(Passes(filter, "C:\\b\\sub\\a.txt"));
    EXPECT_FALSE(Passes(filter, "C:\\a\\sub\\b.txt"));
    EXPECT_TRUE(Passes(filter, "a.txt")); // no backslash: tested whole
}

TEST(FilterFlags, FileNameOnlySkipsBackslashBytesInsideDoubleByteCharacters) {
    CLeadByteTable shiftJis;
    shiftJis.AddLeadRange(0x81, 0x9F);
    SetActiveCodePage(&shiftJis);
    CChangeFilter filter("\x95\\*", nullptr, FILTER_FLAG_FILE_NAME_ONLY);
    // 0x95 0x5C is one character whose second byte is a backslash.
    EXPECT_TRUE(Passes(filter, "C:\\d\\\x95\\.txt"));
    SetActiveCodePage(nullptr);
}

TEST(FilterFlags, RelativePathSeesThePathBelowTheWatchedDirectory) {
    CChangeFilter filter("sub\\*.xml", nullptr, FILTER_FLAG_RELATIVE_PATH);
    filter.SetRelativePathOffset("C:\\host");
    EXPECT_EQ(filter.GetRelativePathOffset(), 8);
    EXPECT_TRUE(Passes(filter, "C:\\host\\sub\\a.xml"));
    EXPECT_FALSE(Passes(filter, "C:\\host\\a.xml"));
    filter.SetRelativePathOffset("C:\\host\\");
    EXPECT_EQ(filter.GetRelativePathOffset(), 8);
    CLeadByteTable shiftJis;
    shiftJis.AddLeadRange(0x81, 0x9F);
    SetActiveCodePage(&shiftJis);
    filter.SetRelativePathOffset("C:\\\x95\\"); // ends with a double-byte character
    SetActiveCodePage(nullptr);
    EXPECT_EQ(filter.GetRelativePathOffset(), 6);
    // An offset beyond a short name leaves it empty rather than past its end.
    CChangeFilter empty("", "", FILTER_FLAG_RELATIVE_PATH);
    empty.SetRelativePathOffset("C:\\a\\long\\directory");
    EXPECT_TRUE(Passes(empty, "x"));
}

TEST(FilterFlags, FileNameOnlyWinsOverRelativePath) {
    CChangeFilter filter("a.xml", nullptr, FILTER_FLAG_RELATIVE_PATH | FILTER_FLAG_FILE_NAME_ONLY);
    filter.SetRelativePathOffset("C:\\host");
    EXPECT_TRUE(Passes(filter, "C:\\host\\sub\\a.xml"));
}

TEST(FilterFlags, WithoutPathFlagsThePatternsSeeTheFullPath) {
    CChangeFilter filter("C:\\host\\*", nullptr, 0);
    filter.SetRelativePathOffset("C:\\host");
    EXPECT_EQ(filter.GetRelativePathOffset(), 0);
    EXPECT_TRUE(Passes(filter, "C:\\host\\a.xml"));
    EXPECT_FALSE(Passes(filter, "D:\\host\\a.xml"));
}

TEST(FilterFlags, NoPatternsSkipsTheListsButNotTheHook) {
    CRecordingHandler hook;
    CChangeFilter filter("nothing", "*", FILTER_FLAG_NO_PATTERNS);
    EXPECT_TRUE(Passes(filter, "C:\\d\\a", &hook));
    hook.hookAnswer = false;
    EXPECT_FALSE(Passes(filter, "C:\\d\\a", &hook));
    EXPECT_EQ(hook.hookCalls.size(), 2u);
}

TEST(FilterFlags, NoPatternsAndNoHookPassEverything) {
    CRecordingHandler hook;
    hook.hookAnswer = false;
    CChangeFilter filter("nothing", "*", FILTER_FLAG_NO_PATTERNS | FILTER_FLAG_NO_HOOK);
    EXPECT_TRUE(Passes(filter, "C:\\d\\a", &hook));
    EXPECT_TRUE(hook.hookCalls.empty());
}

TEST(FilterFlags, NoHookNeverAsksTheHandler) {
    CRecordingHandler hook;
    hook.hookAnswer = false;
    CChangeFilter filter("*.xml", nullptr, FILTER_FLAG_FILE_NAME_ONLY | FILTER_FLAG_NO_HOOK);
    EXPECT_TRUE(Passes(filter, "C:\\d\\a.xml", &hook));
    EXPECT_FALSE(Passes(filter, "C:\\d\\a.txt", &hook));
    EXPECT_TRUE(hook.hookCalls.empty());
}

TEST(FilterFlags, RenamePassesOnItsNewName) {
    CChangeFilter filter("tvrecord.xml", nullptr, FILTER_FLAG_FILE_NAME_ONLY);
    EXPECT_TRUE(filter.PassesFilters(NOTIFY_FILE_RENAMED, "C:\\d\\x.tmp", "C:\\d\\tvrecord.xml", 0,
                                     nullptr));
    EXPECT_TRUE(filter.PassesFilters(NOTIFY_FILE_RENAMED, "C:\\d\\tvrecord.xml", "C:\\d\\y.tmp", 0,
                                     nullptr));
    EXPECT_FALSE(
        filter.PassesFilters(NOTIFY_FILE_RENAMED, "C:\\d\\x.tmp", "C:\\d\\y.tmp", 0, nullptr));
    // Only a rename has a second name to try.
    EXPECT_FALSE(filter.PassesFilters(NOTIFY_FILE_MODIFIED, "C:\\d\\x.tmp", "C:\\d\\tvrecord.xml",
                                      0, nullptr));
}

TEST(FilterFlags, RenameNamesInDifferentDirectoriesAreEachCutAtTheirOwnBackslash) {
    CChangeFilter filter("tvrecord.xml", nullptr, FILTER_FLAG_FILE_NAME_ONLY);
    EXPECT_TRUE(filter.PassesFilters(NOTIFY_FILE_RENAMED, "C:\\d\\deeper\\sub\\x.tmp",
                                     "C:\\d\\tvrecord.xml", 0, nullptr));
}

TEST(FilterFlags, DirectoryNotificationsPassEveryPattern) {
    CRecordingHandler hook;
    hook.hookAnswer = false;
    CChangeFilter filter(";", "*", FILTER_FLAG_FILE_NAME_ONLY);
    for (uint32_t id :
         {NOTIFY_READ_ERROR, NOTIFY_WATCH_STARTED, NOTIFY_WATCH_STOPPED, NOTIFY_CHANGES_LOST})
        EXPECT_TRUE(filter.PassesFilters(id, "C:\\d", nullptr, 0, &hook)) << id;
    EXPECT_TRUE(hook.hookCalls.empty());
}

TEST(VetoHook, AskedAfterThePatternsWithTheFullNames) {
    CRecordingHandler hook;
    CChangeFilter filter("*.xml", nullptr, FILTER_FLAG_FILE_NAME_ONLY);
    EXPECT_FALSE(Passes(filter, "C:\\d\\a.txt", &hook));
    EXPECT_TRUE(hook.hookCalls.empty()); // rejected by the patterns first
    EXPECT_TRUE(
        filter.PassesFilters(NOTIFY_FILE_RENAMED, "C:\\d\\a.xml", "C:\\d\\b.xml", 0, &hook));
    EXPECT_EQ(hook.hookCalls, std::vector<std::string>{"4 C:\\d\\a.xml C:\\d\\b.xml"});
    hook.hookAnswer = false;
    EXPECT_FALSE(Passes(filter, "C:\\d\\a.xml", &hook));
}

TEST(VetoHook, AskedBeforeThePatternsWithHookFirst) {
    CRecordingHandler hook;
    CChangeFilter filter("*.xml", nullptr, FILTER_FLAG_FILE_NAME_ONLY | FILTER_FLAG_HOOK_FIRST);
    EXPECT_FALSE(Passes(filter, "C:\\d\\a.txt", &hook));
    EXPECT_EQ(hook.hookCalls, std::vector<std::string>{"3 C:\\d\\a.txt"});
    EXPECT_TRUE(Passes(filter, "C:\\d\\a.xml", &hook));
    EXPECT_EQ(hook.hookCalls.size(), 2u); // asked once each, not again afterwards
    hook.hookAnswer = false;
    EXPECT_FALSE(Passes(filter, "C:\\d\\a.xml", &hook));
}

TEST(VetoHook, HookFirstWithNoHookNeverAsks) {
    CRecordingHandler hook;
    hook.hookAnswer = false;
    CChangeFilter filter("*.xml", nullptr,
                         FILTER_FLAG_FILE_NAME_ONLY | FILTER_FLAG_HOOK_FIRST | FILTER_FLAG_NO_HOOK);
    EXPECT_TRUE(Passes(filter, "C:\\d\\a.xml", &hook));
    EXPECT_TRUE(hook.hookCalls.empty());
}
