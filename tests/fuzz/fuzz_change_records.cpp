// Arbitrary bytes as a change buffer, walked as the worker walks a completed
// read (with a carried record and the following read), and as filter input.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "wakeup/dirwatch/ChangeFilter.h"
#include "wakeup/dirwatch/DirectoryChangeHandler.h"
#include "wakeup/dirwatch/FileNotifyInformation.h"
#include "wakeup/dirwatch/WildcardMatch.h"

namespace {

class CFilteringHandler : public CDirectoryChangeHandler {
public:
    explicit CFilteringHandler(const CChangeFilter& filter) : m_filter(filter) {}
    void On_FileAdded(const std::string& path) override { Check(NOTIFY_FILE_ADDED, path); }
    void On_FileRemoved(const std::string& path) override { Check(NOTIFY_FILE_REMOVED, path); }
    void On_FileModified(const std::string& path) override { Check(NOTIFY_FILE_MODIFIED, path); }
    void On_FileRenamed(const std::string& from, const std::string& to) override {
        m_filter.PassesFilters(NOTIFY_FILE_RENAMED, from.c_str(), to.c_str(),
                               m_filter.GetRelativePathOffset(), this);
    }

private:
    void Check(uint32_t id, const std::string& path) {
        m_filter.PassesFilters(id, path.c_str(), nullptr, m_filter.GetRelativePathOffset(), this);
    }
    const CChangeFilter& m_filter;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4)
        return 0;
    // First byte: filter flags; then two zero-terminated pattern strings
    // taken from the front, the rest is the change buffer.
    const uint32_t flags = data[0];
    const auto* text = reinterpret_cast<const char*>(data + 1);
    const size_t textSize = size - 1 < 64 ? size - 1 : 64;
    std::string include(text, strnlen(text, textSize));
    const size_t used = include.size() + 1 < textSize ? include.size() + 1 : textSize;
    std::string exclude(text + used, strnlen(text + used, textSize - used));
    const size_t skip = 1 + textSize;
    CChangeFilter filter(include.c_str(), exclude.c_str(), flags);
    filter.SetRelativePathOffset("C:\\watched");
    WildcardMatch(exclude.c_str(), include.c_str());

    // The buffer exactly as large as the input, so that any read past it is
    // caught; the walk is told the real size.
    const size_t rest = size - skip < CHANGE_BUFFER_SIZE ? size - skip : CHANGE_BUFFER_SIZE;
    std::vector<unsigned char> buffer(data + skip, data + skip + rest);
    CFilteringHandler handler(filter);
    const auto bytes = static_cast<uint32_t>(buffer.size());
    ProcessChangeNotifications(buffer.data(), bytes, bytes, "C:\\watched", &handler);

    // The same bytes as a completed read in the worker's buffer, followed by
    // a second read of the same bytes behind whatever was carried.
    if (buffer.empty())
        return 0;
    std::vector<unsigned char> work(CHANGE_BUFFER_SIZE, 0);
    std::memcpy(work.data(), buffer.data(), buffer.size());
    const uint32_t carry = ProcessCompletedRead(work.data(), 0, bytes, "C:\\w\\", &handler);
    if (carry >= CHANGE_BUFFER_SIZE || carry % 4 != 0)
        __builtin_trap();
    const uint32_t room = CHANGE_BUFFER_SIZE - carry;
    const uint32_t next = bytes < room ? bytes : room;
    std::memcpy(work.data() + carry, buffer.data(), next);
    ProcessCompletedRead(work.data(), carry, next, "C:\\w\\", &handler);
    return 0;
}
