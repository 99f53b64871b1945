// Parse throughput of CXmlDocument against pugixml on one generated schedule
// of about 1 MB: a tvrecord root with thousands of program entries, each with
// attributes, a comment and a text child. Reports MB/s and the heap
// allocations that one parse makes.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>

#include <pugixml.hpp>

#include "wakeup/platform/CodePage.h"
#include "wakeup/xml/XmlDocument.h"

namespace {

// Allocations are counted while g_counting is set.
bool g_counting = false;
long g_allocations = 0;

std::string MakeSchedule() {
    std::string text = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n"
                       "<!-- Orvisa recording schedule -->\r\n"
                       "<tvrecord version=\"3.0\">\r\n";
    static const char* const kFreq[] = {"once", "daily", "weekly"};
    char entry[512];
    for (int i = 0; text.size() < 1000000; ++i) {
        std::snprintf(entry, sizeof entry,
                      "  <!-- entry %d, added by the schedule page -->\r\n"
                      "  <program start=\"%d-%d-2005T%02d:%02d:00\" freq=\"%s\" "
                      "channel='Channel %d &amp; Friends' id=\"%d\" duration=\"%d\">\r\n"
                      "    <title>Evening film number %d &lt;repeat&gt;</title>\r\n"
                      "    <description>A recording the user asked for.</description>\r\n"
                      "  </program>\r\n",
                      i, i % 12 + 1, i % 28 + 1, i % 24, i % 60, kFreq[i % 3], i % 40, i,
                      30 + i % 120, i);
        text += entry;
    }
    text += "</tvrecord>\r\n";
    return text;
}

const std::string& Schedule() {
    static const std::string text = MakeSchedule();
    return text;
}

void Report(benchmark::State& state, long allocations) {
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(Schedule().size()));
    state.counters["allocs/parse"] = static_cast<double>(allocations);
}

void BM_CXmlDocumentParse(benchmark::State& state) {
    const std::string& text = Schedule();
    long allocations = 0;
    for (auto _ : state) {
        g_allocations = 0;
        g_counting = true;
        CXmlDocument doc;
        benchmark::DoNotOptimize(doc.Parse(text.c_str()));
        g_counting = false;
        allocations = g_allocations;
    }
    Report(state, allocations);
}

// The same text read in a double-byte code page: every byte is checked for a
// lead byte, so the searches cannot use memchr.
void BM_CXmlDocumentParseDoubleByte(benchmark::State& state) {
    CLeadByteTable shiftJis;
    shiftJis.AddLeadRange(0x81, 0x9F);
    shiftJis.AddLeadRange(0xE0, 0xFC);
    const std::string& text = Schedule();
    for (auto _ : state) {
        CXmlDocument doc(shiftJis);
        benchmark::DoNotOptimize(doc.Parse(text.c_str()));
    }
    Report(state, 0);
}

// pugixml allocates through its own hooks, not operator new.
void* CountedAllocate(size_t size) {
    if (g_counting)
        ++g_allocations;
    return std::malloc(size);
}

void BM_PugixmlParse(benchmark::State& state) {
    pugi::set_memory_management_functions(CountedAllocate, std::free);
    const std::string& text = Schedule();
    long allocations = 0;
    for (auto _ : state) {
        g_allocations = 0;
        g_counting = true;
        pugi::xml_document doc;
        benchmark::DoNotOptimize(doc.load_buffer(text.data(), text.size()));
        g_counting = false;
        allocations = g_allocations;
    }
    Report(state, allocations);
}

// Parse and the schedule reader's walk: start, freq and channel of every
// program element.
void BM_CXmlDocumentScan(benchmark::State& state) {
    const std::string& text = Schedule();
    for (auto _ : state) {
        CXmlDocument doc;
        doc.Parse(text.c_str());
        doc.FindElement("tvrecord");
        size_t total = 0;
        while (doc.FindChildElement("program")) {
            total += doc.GetChildAttribute("start").size();
            total += doc.GetChildAttribute("freq").size();
            total += doc.GetChildAttribute("channel").size();
        }
        benchmark::DoNotOptimize(total);
    }
    Report(state, 0);
}

void BM_PugixmlScan(benchmark::State& state) {
    const std::string& text = Schedule();
    for (auto _ : state) {
        pugi::xml_document doc;
        doc.load_buffer(text.data(), text.size());
        size_t total = 0;
        for (pugi::xml_node program : doc.child("tvrecord").children("program")) {
            total += std::string(program.attribute("start").value()).size();
            total += std::string(program.attribute("freq").value()).size();
            total += std::string(program.attribute("channel").value()).size();
        }
        benchmark::DoNotOptimize(total);
    }
    Report(state, 0);
}

BENCHMARK(BM_CXmlDocumentParse)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PugixmlParse)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CXmlDocumentParseDoubleByte)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CXmlDocumentScan)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PugixmlScan)->Unit(benchmark::kMicrosecond);

} // namespace

void* operator new(std::size_t size) {
    if (g_counting)
        ++g_allocations;
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}

void operator delete(void* p) noexcept {
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

BENCHMARK_MAIN();
