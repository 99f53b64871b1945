// Arbitrary bytes as a schedule file: decoded as the scan decodes them,
// parsed, and every program entry's start and repetition evaluated against a
// fixed now, as the scan does.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/unit/xml/XmlTestSupport.h"
#include "wakeup/schedule/NextStart.h"
#include "wakeup/schedule/ScheduleScan.h"
#include "wakeup/schedule/ScheduleText.h"
#include "wakeup/schedule/StartAttribute.h"
#include "wakeup/xml/XmlDocument.h"

namespace {
class CPlainDateText : public IDateText {
public:
    std::string Format(const CDateTime& when) const override {
        char text[64];
        std::snprintf(text, sizeof text, "%d/%d/%d %d:%02d:%02d", when.GetMonth(), when.GetDay(),
                      when.GetYear(), when.GetHour(), when.GetMinute(), when.GetSecond());
        return text;
    }
};

// The file's bytes, whatever the path.
class CBytesReader : public IFileReader {
public:
    explicit CBytesReader(const std::vector<char>& bytes) : m_bytes(bytes) {}
    bool ReadWholeFile(const std::string&, size_t maxBytes, std::vector<char>& bytes) override {
        if (m_bytes.size() > maxBytes)
            return false;
        bytes = m_bytes;
        return true;
    }

private:
    const std::vector<char>& m_bytes;
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const CPlainDateText dateText;
    if (size == 0)
        return 0;
    // The first byte picks the code page; the rest is the file.
    const ICodePage& codePage = data[0] & 1 ? DoubleByteCodePage() : SingleByteCodePage();
    const std::vector<char> bytes(reinterpret_cast<const char*>(data) + 1,
                                  reinterpret_cast<const char*>(data) + size);
    const std::string text = DecodeScheduleText(bytes, codePage);

    CXmlDocument document(codePage);
    document.Parse(text.c_str());
    document.FindElement("tvrecord");
    const CDateTime now(2005, 3, 2, 21, 0, 0);
    CDateTime earliest = NEXT_START_NONE;
    while (document.FindChildElement("program")) {
        CDateTime start;
        if (!ParseStartAttribute(document.GetChildAttribute("start"), start))
            continue;
        if (!start.IsValid())
            __builtin_trap(); // a start that is accepted is a calendar date
        const ScheduleEntryResult entry =
            EvaluateScheduleEntry(start, document.GetChildAttribute("freq"),
                                  document.GetChildAttribute("channel"), now, dateText);
        // A repeating entry's next start is never in the past.
        if (entry.hasCandidate && entry.candidate < now &&
            document.GetChildAttribute("freq") != "once")
            __builtin_trap();
        if (entry.hasCandidate && earliest > entry.candidate)
            earliest = entry.candidate;
    }
    // The scan itself finds the same earliest start, less the lead time.
    CBytesReader reader(bytes);
    const ScheduleScanResult scan =
        ScanScheduleFile(reader, codePage, dateText, "C:\\Orvisa", now, 5);
    if (!scan.read || scan.found != (earliest != NEXT_START_NONE) ||
        (scan.found && scan.wakeTarget != earliest - CDateTimeSpan(0, 0, 5, 0)))
        __builtin_trap();
    // The starts of the last quarter hour lie within it.
    for (const CDateTime& start : scan.startedLately)
        if (start > now || !(start > now - CDateTimeSpan(0, 0, kStartedLatelyMinutes, 0)))
            __builtin_trap();
    return 0;
}
