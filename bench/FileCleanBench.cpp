// "clean file" of a 1 MB plain-text file and of a 1 MB RTF file, with the file cleaner composed
// as the agent composes it (shared-mime-info types, pasteboards in files) and the sample engine's
// clean running in this process, so no bus or process switch is counted. The engine's own part
// (reading the pasteboard, cleaning, writing it back) is measured alone beside it; the
// difference is the file cleaner's: type, read, decode, pasteboard, result name, encode, write.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "agent/engine/PLClientProtocol.h"
#include "agent/engine/TextEncodingCatalog.h"
#include "agent/files/FileCleaner.h"
#include "platform/coding/RtfPasteboard.h"
#include "platform/coding/RtfReader.h"
#include "platform/coding/RtfWriter.h"
#include "platform/coding/StringEncodings.h"
#include "platform/core/Log.h"
#include "platform/linux/FilePasteboardStore.h"
#include "platform/linux/MimeTypeIdentifiers.h"
#include "platform/pasteboard/Pasteboard.h"
#include "tests/support/AgentSession.h"
#include "tools/sample-engine/EngineService.h"

namespace {

namespace fs = std::filesystem;
using namespace platform;

class QuietLog : public LogSink {
  public:
    void print(const std::string&) override {}
    void log(const std::string&) override {}
};

// The engine link without the bus: the sample engine cleans the named pasteboard right here.
class InProcessClient : public PLClientProtocol {
  public:
    explicit InProcessClient(EngineService& engine) : engine_(engine) {}
    std::string nameFor(const std::string& token) override { return token; }
    std::string tokenFor(const std::string& name) override { return name; }
    void cleanClipboardWith(const std::string&) override {}
    void cleanPasteboardWithName(const std::string&, const std::string&) override {}
    void cleanPasteboard(Pasteboard& pasteboard, const std::string& cleaner) override {
        engine_.cleanPasteboard(pasteboard.name(), cleaner);
    }
    std::vector<std::string> textEncodingList() override { return {}; }
    bool validateEncodingName(const std::string&) override { return false; }
    std::string showPickListWithStart(const std::optional<std::string>&) override { return {}; }
    void cleanWithUrl(const Url&, const PropertyList::Dictionary&) override {}
    std::vector<std::string> libraryTokenList() override { return {}; }
    std::vector<std::string> grouplist(int) override { return {}; }
    PLClientGroupsContainer& groups() override { std::abort(); }

  private:
    EngineService& engine_;
};

constexpr size_t kMegabyte = size_t{1} << 20;

std::string plainText() {
    std::string text;
    const std::string line =
        "The quick brown fox jumps over the lazy dog, caf\xC3\xA9 na\xC3\xAFve.\n";
    while (text.size() < kMegabyte) text += line;
    return text;
}

// About 1 MB of RTF: short runs in two fonts, sizes and colours, as a styled document has.
AttributedString styledText() {
    AttributedString text;
    TextAttributes plain, red;
    plain.fontFamily = "Helvetica";
    red.fontFamily = "Times";
    red.fontSize = 18;
    red.bold = true;
    red.foregroundColor = Color{200, 0, 0};
    const std::u16string words = u"The quick brown fox jumps over the lazy dog. ";
    for (size_t i = 0; text.length() < 800 * 1024; ++i) text.append(words, i % 2 ? red : plain);
    return text;
}

struct Bench {
    Bench() {
        char pattern[] = "/tmp/purlane-file-bench-XXXXXX";
        folder = mkdtemp(pattern);
        previous = setLogSink(&quiet);
        auto opened = FilePasteboardStore::open(folder / "pasteboards");
        if (!opened.ok()) std::abort();
        store = *opened;
        engine = std::make_unique<EngineService>(store, EngineService::Faults{});
        client = std::make_unique<InProcessClient>(*engine);
        cleaner = std::make_unique<FileCleaner>(
            FileCleaner::Collaborators{*client, store, types, encodings});
    }
    ~Bench() {
        setLogSink(previous);
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }
    std::string write(const std::string& name, const std::string& bytes) {
        std::ofstream(folder / name, std::ios::binary) << bytes;
        return (folder / name).string();
    }

    fs::path folder;
    QuietLog quiet;
    LogSink* previous = nullptr;
    std::shared_ptr<FilePasteboardStore> store;
    std::unique_ptr<EngineService> engine;
    std::unique_ptr<InProcessClient> client;
    MimeTypeIdentifiers types;
    TextEncodingCatalog encodings{StringEncodings::available(), "Western", "Unicode"};
    std::unique_ptr<FileCleaner> cleaner;
};

const FileCleaner::Options kUpper{{"cleanerName", "#UPPER"}};

void BM_CleanFilePlain1MB(benchmark::State& state) {
    Bench b;
    const std::string path = b.write("notes.txt", plainText());
    for (auto _ : state) b.cleaner->cleanSingleFile(path, kUpper);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * fs::file_size(path)));
}
BENCHMARK(BM_CleanFilePlain1MB)->Unit(benchmark::kMillisecond);

void BM_EnginePlain1MB(benchmark::State& state) {
    Bench b;
    const std::string text = plainText();
    Pasteboard board = Pasteboard::pasteboardWithName(b.store, "bench.plain");
    for (auto _ : state) {
        state.PauseTiming();
        board.clearContents();
        board.writeObjects({text});
        state.ResumeTiming();
        b.engine->cleanPasteboard(board.name(), "#UPPER");
    }
    board.releaseGlobally();
}
BENCHMARK(BM_EnginePlain1MB)->Unit(benchmark::kMillisecond);

void BM_CleanFileRtf1MB(benchmark::State& state) {
    Bench b;
    const std::string path = b.write("notes.rtf", RtfWriter::write(styledText()));
    state.counters["file_bytes"] = static_cast<double>(fs::file_size(path));
    for (auto _ : state) b.cleaner->cleanSingleFile(path, kUpper);
}
BENCHMARK(BM_CleanFileRtf1MB)->Unit(benchmark::kMillisecond);

void BM_EngineRtf1MB(benchmark::State& state) {
    Bench b;
    const AttributedString text = styledText();
    Pasteboard board = Pasteboard::pasteboardWithName(b.store, "bench.rtf");
    for (auto _ : state) {
        state.PauseTiming();
        board.clearContents();
        RtfPasteboard::writeAttributedString(board, text);
        state.ResumeTiming();
        b.engine->cleanPasteboard(board.name(), "#UPPER");
    }
    board.releaseGlobally();
}
BENCHMARK(BM_EngineRtf1MB)->Unit(benchmark::kMillisecond);

// The RTF codec's share of the above: the file cleaner reads and writes RTF twice (file and
// pasteboard), the engine once.
void BM_RtfRead1MB(benchmark::State& state) {
    const std::string rtf = RtfWriter::write(styledText());
    for (auto _ : state) benchmark::DoNotOptimize(RtfReader::read(rtf).ok());
}
BENCHMARK(BM_RtfRead1MB)->Unit(benchmark::kMillisecond);

void BM_RtfWrite1MB(benchmark::State& state) {
    const AttributedString text = styledText();
    for (auto _ : state) benchmark::DoNotOptimize(RtfWriter::write(text).size());
}
BENCHMARK(BM_RtfWrite1MB)->Unit(benchmark::kMillisecond);

// Through the real agent and engine: purlanectl's 'clean file', and beside it a script command
// that does no work ('token to name'), whose time is purlanectl's start-up and the bus round
// trip. The agent's file cleaning costs the difference less the engine's part measured above.
//   dbus-run-session -- build/bin/purlane_bench --benchmark_filter=ThroughAgent
void throughAgent(benchmark::State& state, const std::string& name, const std::string& bytes) {
    if (!testsupport::AgentSession::runnerHasSessionBus()) {
        state.SkipWithError("needs a session bus: run under dbus-run-session");
        return;
    }
    testsupport::AgentSession session;
    if (!session.ready() || session.registerEngine().status != 0 || !session.startAgent()) {
        state.SkipWithError("the agent or the engine did not start");
        return;
    }
    const fs::path file = session.home() / name;
    std::ofstream(file, std::ios::binary) << bytes;
    // The first clean starts the engine; it is not measured.
    std::vector<std::string> args = {"clean file", file.string(), "--cleaner", "#UPPER"};
    if (name.empty()) args = {"token to name", "#UPPER"};
    if (session.script(args).status != 0) {
        state.SkipWithError("the script command failed");
        return;
    }
    for (auto _ : state) benchmark::DoNotOptimize(session.script(args).status);
}

void BM_ScriptRoundTripThroughAgent(benchmark::State& state) {
    throughAgent(state, "", "");
}
BENCHMARK(BM_ScriptRoundTripThroughAgent)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CleanFilePlain1MBThroughAgent(benchmark::State& state) {
    throughAgent(state, "notes.txt", plainText());
}
BENCHMARK(BM_CleanFilePlain1MBThroughAgent)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CleanFileRtf1MBThroughAgent(benchmark::State& state) {
    throughAgent(state, "notes.rtf", RtfWriter::write(styledText()));
}
BENCHMARK(BM_CleanFileRtf1MBThroughAgent)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
