// The walk over the change records of one buffer: callbacks, names, paths,
// the rename carried into the next buffer, and buffers that lie.
#include <gtest/gtest.h>

#include "tests/unit/dirwatch/ChangeRecordTestSupport.h"
#include "wakeup/platform/CodePage.h"

using namespace dirwatch_test;
using Calls = std::vector<std::string>;

namespace {

// A buffer of exactly size bytes, so that the sanitizer sees any read past it.
std::vector<unsigned char> Exact(const std::vector<Record>& records, uint32_t& size) {
    std::vector<unsigned char> big;
    size = WriteRecords(big, records);
    return std::vector<unsigned char>(big.begin(), big.begin() + size);
}

Calls Walk(std::vector<unsigned char>& buffer, uint32_t size, const std::string& dir = "C:\\d") {
    CRecordingHandler handler;
    ProcessChangeNotifications(buffer.data(), size, size, dir, &handler);
    return handler.calls;
}

} // namespace

TEST(ChangeRecordWalk, OneRecordGivesExactlyOneCallback) {
    uint32_t size = 0;
    auto buffer = Exact({{FILE_ACTION_MODIFIED_CODE, u"tvrecord.xml"}}, size);
    EXPECT_EQ(Walk(buffer, size), Calls{"modified C:\\d\\tvrecord.xml"});
}

TEST(ChangeRecordWalk, EveryActionInBufferOrder) {
    uint32_t size = 0;
    auto buffer = Exact({{FILE_ACTION_ADDED_CODE, u"a"},
                         {FILE_ACTION_MODIFIED_CODE, u"a"},
                         {FILE_ACTION_RENAMED_OLD_NAME_CODE, u"a"},
                         {FILE_ACTION_RENAMED_NEW_NAME_CODE, u"bb"},
                         {FILE_ACTION_REMOVED_CODE, u"bb"}},
                        size);
    EXPECT_EQ(Walk(buffer, size), (Calls{"added C:\\d\\a", "modified C:\\d\\a",
                                         "renamed C:\\d\\a -> C:\\d\\bb", "removed C:\\d\\bb"}));
}

TEST(ChangeRecordWalk, NextOffsetZeroEndsTheWalk) {
    std::vector<unsigned char> buffer;
    const uint32_t size =
        WriteRecords(buffer, {{FILE_ACTION_ADDED_CODE, u"a", 0}, {FILE_ACTION_REMOVED_CODE, u"b"}});
    EXPECT_EQ(Walk(buffer, size), Calls{"added C:\\d\\a"});
}

TEST(ChangeRecordWalk, OffsetsThatLeaveTheBufferEndTheWalk) {
    for (uint32_t next : {17u, 20u, 24u, 28u, 29u, 0x7FFFFFFFu, 0xFFFFFFF0u, 0xFFFFFFFFu}) {
        // The second record would start at or beyond the end, or leave less
        // than a header; only the first is reported, and nothing is read
        // outside the buffer.
        std::vector<unsigned char> big;
        WriteRecords(big, {{FILE_ACTION_ADDED_CODE, u"ab", next}});
        std::vector<unsigned char> buffer(big.begin(), big.begin() + 28);
        EXPECT_EQ(Walk(buffer, 28), Calls{"added C:\\d\\ab"}) << next;
    }
}

TEST(ChangeRecordWalk, UnalignedOffsetIsReadSafely) {
    std::vector<unsigned char> buffer(64, 0);
    PutField(buffer, 0, 17); // next record at an odd address
    PutField(buffer, 4, FILE_ACTION_ADDED_CODE);
    PutField(buffer, 8, 2);
    buffer[12] = 'a';
    PutField(buffer, 17, 0);
    PutField(buffer, 21, FILE_ACTION_REMOVED_CODE);
    PutField(buffer, 25, 2);
    buffer[29] = 'b';
    EXPECT_EQ(Walk(buffer, 64), (Calls{"added C:\\d\\a", "removed C:\\d\\b"}));
}

TEST(ChangeRecordWalk, HostileNameLengthsStayInsideTheBuffer) {
    for (int64_t length : {int64_t{0xFFFFFFFF}, int64_t{0x80000000}, int64_t{1000}, int64_t{5}}) {
        uint32_t size = 0;
        auto buffer = Exact({{FILE_ACTION_MODIFIED_CODE, u"abcd", -1, length}}, size);
        const Calls calls = Walk(buffer, size);
        ASSERT_EQ(calls.size(), 1u) << length;
        // Cut to what the buffer holds (and to whole units).
        EXPECT_EQ(calls[0], length == 5 ? "modified C:\\d\\ab" : "modified C:\\d\\abcd");
    }
}

TEST(ChangeRecordWalk, BuffersTooSmallForAHeaderGiveNothing) {
    std::vector<unsigned char> buffer(11, 0);
    PutField(buffer, 4, FILE_ACTION_ADDED_CODE);
    EXPECT_TRUE(Walk(buffer, 11).empty());
    CFileNotifyInformation none(nullptr, 4096);
    EXPECT_EQ(none.GetAction(), 0u);
    EXPECT_EQ(none.GetFileName(), "");
    EXPECT_FALSE(none.GetNextNotifyInformation());
    uint32_t carry = 7;
    EXPECT_FALSE(none.CopyCurrentRecordToBeginningOfBuffer(carry));
    EXPECT_EQ(carry, 7u);
}

TEST(ChangeRecordNames, NameOf260UnitsIsWholeAnd261IsCut) {
    const std::u16string name260(260, u'n');
    const std::u16string name261 = name260 + u"X";
    for (const auto& name : {name260, name261}) {
        std::vector<unsigned char> buffer;
        WriteRecords(buffer, {{FILE_ACTION_ADDED_CODE, name}});
        CFileNotifyInformation records(buffer.data(), CHANGE_BUFFER_SIZE);
        EXPECT_EQ(records.GetFileName(), std::string(260, 'n'));
    }
}

TEST(ChangeRecordNames, ExactlyOneBackslashBeforeTheName) {
    std::vector<unsigned char> buffer;
    WriteRecords(buffer, {{FILE_ACTION_ADDED_CODE, u"sub\\x.txt"}});
    CFileNotifyInformation records(buffer.data(), CHANGE_BUFFER_SIZE);
    EXPECT_EQ(records.GetFileNameWithPath("C:\\host"), "C:\\host\\sub\\x.txt");
    EXPECT_EQ(records.GetFileNameWithPath("C:\\host\\"), "C:\\host\\sub\\x.txt");
    EXPECT_EQ(records.GetFileNameWithPath(""), "\\sub\\x.txt");
}

TEST(ChangeRecordNames, BackslashByteEndingADoubleByteDirectoryNameIsNoSeparator) {
    CLeadByteTable shiftJis;
    shiftJis.AddLeadRange(0x81, 0x9F);
    SetActiveCodePage(&shiftJis);
    std::vector<unsigned char> buffer;
    WriteRecords(buffer, {{FILE_ACTION_ADDED_CODE, u"x.txt"}});
    CFileNotifyInformation records(buffer.data(), CHANGE_BUFFER_SIZE);
    // 0x95 0x5C is one character whose second byte has the backslash's value.
    const std::string path = records.GetFileNameWithPath("C:\\\x95\\");
    const std::string realSeparator = records.GetFileNameWithPath("C:\\\x95\\\\");
    SetActiveCodePage(nullptr);
    EXPECT_EQ(path, "C:\\\x95\\\\x.txt");
    EXPECT_EQ(realSeparator, "C:\\\x95\\\\x.txt");
}

TEST(ChangeRecordNames, CharactersOutsideTheCodePageBecomeItsDefault) {
    std::vector<unsigned char> buffer;
    WriteRecords(buffer, {{FILE_ACTION_ADDED_CODE, u"a\u00e9\u4e2d"}});
    CFileNotifyInformation records(buffer.data(), CHANGE_BUFFER_SIZE);
    EXPECT_EQ(records.GetFileName(), "a\xe9?");
}

TEST(ChangeRecordRename, LoneNewNameGivesNoCallback) {
    uint32_t size = 0;
    auto buffer = Exact({{FILE_ACTION_RENAMED_NEW_NAME_CODE, u"b"}}, size);
    EXPECT_TRUE(Walk(buffer, size).empty());
}

TEST(ChangeRecordRename, RecordAfterAnOldNameIsTheNewNameWhateverItsCode) {
    uint32_t size = 0;
    auto buffer =
        Exact({{FILE_ACTION_RENAMED_OLD_NAME_CODE, u"a"}, {FILE_ACTION_ADDED_CODE, u"b"}}, size);
    EXPECT_EQ(Walk(buffer, size), Calls{"renamed C:\\d\\a -> C:\\d\\b"});
}

TEST(ChangeRecordRename, OldNameEndingABufferIsCarriedAndPairedWithTheNextBuffer) {
    std::vector<unsigned char> buffer;
    const uint32_t bytes = WriteRecords(buffer, {{FILE_ACTION_ADDED_CODE, u"x.tmp"},
                                                 {FILE_ACTION_RENAMED_OLD_NAME_CODE, u"x.tmp"}});
    CRecordingHandler handler;
    const uint32_t carry = ProcessCompletedRead(buffer.data(), 0, bytes, "C:\\d", &handler);
    EXPECT_EQ(handler.calls, Calls{"added C:\\d\\x.tmp"});
    // 12 header bytes + 10 name bytes + 2, rounded up to keep the next read
    // DWORD-aligned.
    EXPECT_EQ(carry, 24u);
    EXPECT_EQ(carry % 4, 0u);

    // The next read lands behind the carried record.
    const uint32_t next = WriteRecords(buffer,
                                       {{FILE_ACTION_RENAMED_NEW_NAME_CODE, u"tvrecord.xml"},
                                        {FILE_ACTION_MODIFIED_CODE, u"tvrecord.xml"}},
                                       carry);
    handler.calls.clear();
    EXPECT_EQ(ProcessCompletedRead(buffer.data(), carry, next, "C:\\d", &handler), 0u);
    EXPECT_EQ(handler.calls, (Calls{"renamed C:\\d\\x.tmp -> C:\\d\\tvrecord.xml",
                                    "modified C:\\d\\tvrecord.xml"}));
}

TEST(ChangeRecordRename, CarryIsAlignedForEveryNameLength) {
    for (size_t units = 0; units < 8; ++units) {
        std::vector<unsigned char> buffer;
        const uint32_t bytes = WriteRecords(
            buffer, {{FILE_ACTION_ADDED_CODE, u"abc"},
                     {FILE_ACTION_RENAMED_OLD_NAME_CODE, std::u16string(units, u'o')}});
        CRecordingHandler handler;
        const uint32_t carry = ProcessCompletedRead(buffer.data(), 0, bytes, "D", &handler);
        EXPECT_EQ(carry % 4, 0u) << units;
        EXPECT_GE(carry, 14 + 2 * units) << units;
        EXPECT_LT(carry, 14 + 2 * units + 4) << units;
        // The moved record says where the next read's first record is.
        uint32_t moved = 0;
        std::memcpy(&moved, buffer.data(), 4);
        EXPECT_EQ(moved, carry);
    }
}

TEST(ChangeRecordRename, CarriedRecordAlreadyAtTheStartIsNotMoved) {
    std::vector<unsigned char> buffer;
    const uint32_t bytes = WriteRecords(buffer, {{FILE_ACTION_RENAMED_OLD_NAME_CODE, u"abc"}});
    CRecordingHandler handler;
    const uint32_t carry = ProcessCompletedRead(buffer.data(), 0, bytes, "D", &handler);
    EXPECT_TRUE(handler.calls.empty());
    EXPECT_EQ(carry, 20u); // 14 + 6, rounded up
    CFileNotifyInformation records(buffer.data(), carry);
    EXPECT_EQ(records.GetAction(), FILE_ACTION_RENAMED_OLD_NAME_CODE);
    EXPECT_EQ(records.GetFileName(), "abc");
}

TEST(ChangeRecordRename, CarryThatLeavesNoRoomForAReadIsDropped) {
    std::vector<unsigned char> buffer;
    const uint32_t bytes =
        WriteRecords(buffer, {{FILE_ACTION_RENAMED_OLD_NAME_CODE, std::u16string(2041, u'z')}});
    CRecordingHandler handler;
    EXPECT_EQ(ProcessCompletedRead(buffer.data(), 0, bytes, "D", &handler), 0u);
    EXPECT_TRUE(handler.calls.empty());
}

TEST(ChangeRecordOverflow, ZeroBytesReportsLostChangesAndNeverReplaysTheBuffer) {
    std::vector<unsigned char> buffer;
    const uint32_t bytes = WriteRecords(buffer, {{FILE_ACTION_MODIFIED_CODE, u"tvrecord.xml"}});
    CRecordingHandler handler;
    EXPECT_EQ(ProcessCompletedRead(buffer.data(), 0, bytes, "C:\\d", &handler), 0u);
    // The system overflowed: the buffer still holds the records above.
    EXPECT_EQ(ProcessCompletedRead(buffer.data(), 0, 0, "C:\\d", &handler), 0u);
    EXPECT_EQ(handler.calls, (Calls{"modified C:\\d\\tvrecord.xml", "lost C:\\d"}));
}

TEST(ChangeRecordOverflow, ZeroBytesDropsACarriedOldName) {
    std::vector<unsigned char> buffer;
    const uint32_t bytes = WriteRecords(buffer, {{FILE_ACTION_RENAMED_OLD_NAME_CODE, u"x.tmp"}});
    CRecordingHandler handler;
    const uint32_t carry = ProcessCompletedRead(buffer.data(), 0, bytes, "D", &handler);
    ASSERT_GT(carry, 0u);
    EXPECT_EQ(ProcessCompletedRead(buffer.data(), carry, 0, "D", &handler), 0u);
    EXPECT_EQ(handler.calls, Calls{"lost D"});
}

TEST(ChangeRecordOverflow, OnlyTheBytesOfTheReadAreWalked) {
    std::vector<unsigned char> buffer;
    WriteRecords(buffer, {{FILE_ACTION_ADDED_CODE, u"new"}, {FILE_ACTION_REMOVED_CODE, u"old"}});
    // A stale next-entry offset into the rest of an earlier buffer: only the
    // 18 bytes this read wrote count.
    CRecordingHandler handler;
    ProcessCompletedRead(buffer.data(), 0, 18, "D", &handler);
    EXPECT_EQ(handler.calls, Calls{"added D\\new"});
}
