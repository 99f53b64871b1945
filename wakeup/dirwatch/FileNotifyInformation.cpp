#include "wakeup/dirwatch/FileNotifyInformation.h"

#include <cstring>

#include "wakeup/dirwatch/DirectoryChangeHandler.h"
#include "wakeup/platform/CodePage.h"

CFileNotifyInformation::CFileNotifyInformation(unsigned char* buffer, uint32_t size,
                                               uint32_t capacity)
    : m_pBuffer(buffer), m_dwSize(buffer ? size : 0),
      m_dwCapacity(buffer ? (capacity > size ? capacity : size) : 0) {}

bool CFileNotifyInformation::HasRecord() const {
    return m_pBuffer && m_dwSize >= CHANGE_RECORD_HEADER &&
           m_dwCurrent <= m_dwSize - CHANGE_RECORD_HEADER;
}

uint32_t CFileNotifyInformation::Field(uint32_t offset) const {
    // Copied byte by byte: a hostile next-entry offset may leave the record
    // unaligned.
    uint32_t value = 0;
    std::memcpy(&value, m_pBuffer + m_dwCurrent + offset, sizeof value);
    return value;
}

uint32_t CFileNotifyInformation::NameBytes() const {
    const uint32_t room = m_dwSize - m_dwCurrent - CHANGE_RECORD_HEADER;
    const uint32_t length = Field(8);
    return length < room ? length : room;
}

bool CFileNotifyInformation::GetNextNotifyInformation() {
    if (!HasRecord())
        return false;
    const uint32_t next = Field(0);
    if (next == 0)
        return false;
    // Compared as sizes, not pointers: a huge offset must not wrap around.
    if (next >= m_dwSize - m_dwCurrent || m_dwSize - m_dwCurrent - next < CHANGE_RECORD_HEADER)
        return false;
    m_dwCurrent += next;
    return true;
}

uint32_t CFileNotifyInformation::GetAction() const {
    return HasRecord() ? Field(4) : 0;
}

std::string CFileNotifyInformation::GetFileName() const {
    if (!HasRecord())
        return std::string();
    char16_t name[MAX_NAME_UNITS + 1] = {};
    uint32_t bytes = NameBytes();
    if (bytes > MAX_NAME_UNITS * 2)
        bytes = MAX_NAME_UNITS * 2;
    std::memcpy(name, m_pBuffer + m_dwCurrent + CHANGE_RECORD_HEADER, bytes);
    return ActiveCodePage().FromUtf16(name, bytes / 2);
}

std::string CFileNotifyInformation::GetFileNameWithPath(const std::string& directory) const {
    std::string path = directory;
    if (!EndsWithBackslash(path))
        path += '\\';
    return path + GetFileName();
}

bool CFileNotifyInformation::CopyCurrentRecordToBeginningOfBuffer(uint32_t& carry) {
    if (!HasRecord())
        return false;
    // The header, the name and two zero bytes behind it, rounded up so that
    // the read placed behind the record stays DWORD-aligned.
    const uint32_t used = CHANGE_RECORD_HEADER + NameBytes();
    const uint32_t aligned = (used + 2 + 3) & ~3u;
    if (aligned >= m_dwCapacity)
        return false; // no room left behind it for a read
    if (m_dwCurrent != 0)
        std::memmove(m_pBuffer, m_pBuffer + m_dwCurrent, used);
    m_dwCurrent = 0;
    std::memset(m_pBuffer + used, 0, aligned - used);
    // The length may have been clamped; the moved record says what it holds.
    const uint32_t nameBytes = used - CHANGE_RECORD_HEADER;
    std::memcpy(m_pBuffer + 8, &nameBytes, sizeof nameBytes);
    std::memcpy(m_pBuffer, &aligned, sizeof aligned);
    carry = aligned;
    return true;
}

bool EndsWithBackslash(const std::string& text) {
    const ICodePage& codePage = ActiveCodePage();
    bool backslash = false;
    for (size_t i = 0; i < text.size(); ++i) {
        backslash = text[i] == '\\';
        if (codePage.IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) {
            ++i;
            backslash = false;
        }
    }
    return backslash;
}

uint32_t ProcessChangeNotifications(unsigned char* buffer, uint32_t size, uint32_t capacity,
                                    const std::string& directory,
                                    CDirectoryChangeHandler* handler) {
    uint32_t carry = 0;
    if (!handler)
        return carry;
    CFileNotifyInformation records(buffer, size, capacity);
    do {
        switch (records.GetAction()) {
        case FILE_ACTION_ADDED_CODE:
            handler->On_FileAdded(records.GetFileNameWithPath(directory));
            break;
        case FILE_ACTION_REMOVED_CODE:
            handler->On_FileRemoved(records.GetFileNameWithPath(directory));
            break;
        case FILE_ACTION_MODIFIED_CODE:
            handler->On_FileModified(records.GetFileNameWithPath(directory));
            break;
        case FILE_ACTION_RENAMED_OLD_NAME_CODE: {
            const std::string oldPath = records.GetFileNameWithPath(directory);
            // The record after an old name is its new name, whatever its code.
            if (records.GetNextNotifyInformation()) {
                handler->On_FileRenamed(oldPath, records.GetFileNameWithPath(directory));
                break;
            }
            // It ends the buffer: keep it for the next one. The walk ends
            // here; the moved record now points into stale bytes.
            records.CopyCurrentRecordToBeginningOfBuffer(carry);
            return carry;
        }
        default: // a lone new name included
            break;
        }
    } while (records.GetNextNotifyInformation());
    return carry;
}

uint32_t ProcessCompletedRead(unsigned char* buffer, uint32_t carry, uint32_t bytes,
                              const std::string& directory, CDirectoryChangeHandler* handler) {
    if (carry >= CHANGE_BUFFER_SIZE)
        carry = 0;
    if (bytes == 0) {
        if (handler)
            handler->On_ChangesLost(directory);
        return 0;
    }
    uint32_t size = carry + bytes;
    if (size > CHANGE_BUFFER_SIZE || size < carry)
        size = CHANGE_BUFFER_SIZE;
    return ProcessChangeNotifications(buffer, size, CHANGE_BUFFER_SIZE, directory, handler);
}
