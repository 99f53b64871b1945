#include "wakeup/schedule/ScheduleScan.h"

#include "common/WakeupNames.h"
#include "wakeup/schedule/NextStart.h"
#include "wakeup/schedule/ScheduleText.h"
#include "wakeup/schedule/StartAttribute.h"
#include "wakeup/xml/XmlDocument.h"

namespace {
// The host's schedules are small; anything larger is not a schedule and is
// not read into memory whole.
constexpr size_t kMaxScheduleBytes = 16u * 1024u * 1024u;
} // namespace

ScheduleScanResult ScanScheduleFile(IFileReader& files, const ICodePage& codePage,
                                    const IDateText& dateText, const std::string& hostDir,
                                    const CDateTime& now, int leadMinutes) {
    ScheduleScanResult result;
    std::vector<char> bytes;
    if (!files.ReadWholeFile(hostDir + "\\" WAKEUP_SCHEDULE_FILE, kMaxScheduleBytes, bytes))
        return result;
    result.read = true;
    const std::string text = DecodeScheduleText(bytes, codePage);
    bytes = std::vector<char>();

    CXmlDocument document(codePage);
    document.Parse(text.c_str());
    // With a root of another name the child search falls back to the
    // document's first element, whose entries are read all the same.
    document.FindElement("tvrecord");

    CDateTime earliest = NEXT_START_NONE;
    while (document.FindChildElement("program")) {
        CDateTime start;
        // An entry without a readable start has no defined next start; it
        // is skipped rather than used with undetermined values.
        if (!ParseStartAttribute(document.GetChildAttribute("start"), start))
            continue;
        const ScheduleEntryResult entry =
            EvaluateScheduleEntry(start, document.GetChildAttribute("freq"),
                                  document.GetChildAttribute("channel"), now, dateText);
        if (!entry.logLine.empty())
            result.logLines.push_back(entry.logLine);
        CDateTime lately;
        if (NextScheduleStart(start, document.GetChildAttribute("freq"),
                              now - CDateTimeSpan(0, 0, kStartedLatelyMinutes, 0), lately) &&
            !(lately > now))
            result.startedLately.push_back(lately);
        if (!entry.hasCandidate)
            continue;
        if (earliest > entry.candidate) {
            earliest = entry.candidate;
            result.startsThen = 0;
            result.channel = document.GetChildAttribute("channel");
        }
        if (entry.candidate == earliest)
            ++result.startsThen;
    }
    if (earliest == NEXT_START_NONE)
        return result;
    result.found = true;
    result.recordingStart = earliest;
    result.wakeTarget = earliest - CDateTimeSpan(0, 0, leadMinutes, 0);
    return result;
}
