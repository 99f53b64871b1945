#pragma once
// Walks the change records that the system writes into a change buffer:
//   offset 0  next-entry offset (0 in the last record)
//   offset 4  action (FILE_ACTION_ codes below)
//   offset 8  name length in bytes
//   offset 12 UTF-16 name relative to the watched directory, not terminated
// The buffer is outside input: no field makes the walker read or write
// outside [start, start + size).
#include <cstdint>
#include <string>

class CDirectoryChangeHandler;

constexpr uint32_t CHANGE_BUFFER_SIZE = 4096;
constexpr uint32_t CHANGE_RECORD_HEADER = 12;
// Longest name delivered; longer ones are cut.
constexpr uint32_t MAX_NAME_UNITS = 260;

constexpr uint32_t FILE_ACTION_ADDED_CODE = 1;
constexpr uint32_t FILE_ACTION_REMOVED_CODE = 2;
constexpr uint32_t FILE_ACTION_MODIFIED_CODE = 3;
constexpr uint32_t FILE_ACTION_RENAMED_OLD_NAME_CODE = 4;
constexpr uint32_t FILE_ACTION_RENAMED_NEW_NAME_CODE = 5;

class CFileNotifyInformation {
public:
    // size: the bytes of the buffer that hold records; capacity: the bytes it
    // has (room for the carried record's padding), at least size.
    CFileNotifyInformation(unsigned char* buffer, uint32_t size, uint32_t capacity = 0);

    bool GetNextNotifyInformation();
    uint32_t GetAction() const;
    std::string GetFileName() const;
    std::string GetFileNameWithPath(const std::string& directory) const;
    // Moves the current record to the buffer start, so that the next read
    // can be placed behind it (carry = where that read goes). The carry is
    // rounded up to a multiple of 4, because the read buffer must be
    // DWORD-aligned, and the moved record's next-entry offset is set to it,
    // so that the next walk steps from it to the first record of the read.
    bool CopyCurrentRecordToBeginningOfBuffer(uint32_t& carry);

private:
    bool HasRecord() const;
    uint32_t Field(uint32_t offset) const;
    // Name length clamped to the bytes the buffer holds behind the header.
    uint32_t NameBytes() const;

    unsigned char* m_pBuffer;
    uint32_t m_dwSize;
    uint32_t m_dwCapacity;
    uint32_t m_dwCurrent = 0; // offset of the current record
};

// Whether the last character of text is a backslash, in the ANSI code page:
// the trail byte of a double-byte character may have the backslash's value.
bool EndsWithBackslash(const std::string& text);

// One buffer walk: calls the handler for every record of
// [buffer, buffer + size) in order (capacity as above) and returns the carry (0, or where the
// next read must go because a rename's old name ended the buffer and was
// moved to its start).
uint32_t ProcessChangeNotifications(unsigned char* buffer, uint32_t size, uint32_t capacity,
                                    const std::string& directory, CDirectoryChangeHandler* handler);

// What the worker does with one completed read into buffer + carry:
// bytes == 0 means the system lost changes (its buffer overflowed) and the
// buffer holds nothing new, so no record is walked (the previous buffer's
// records would be reported again), a carried rename half is dropped, and
// the handler hears On_ChangesLost. Otherwise the carried record and the new
// records are walked. Returns the carry for the next read.
uint32_t ProcessCompletedRead(unsigned char* buffer, uint32_t carry, uint32_t bytes,
                              const std::string& directory, CDirectoryChangeHandler* handler);
