// The file cleaner's share of cleaning an RTF file of about 1 MB: reading it, replacing its
// text keeping the styles, and writing it back. The document mixes styled runs, non-ASCII text
// as \uN and \'hh, a table and a picture, as word processors write them.

#include <benchmark/benchmark.h>

#include <string>

#include "platform/coding/RtfReader.h"
#include "platform/coding/RtfWriter.h"

namespace {

constexpr size_t kTargetBytes = 1 << 20;

std::string document() {
    std::string rtf =
        "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss Helvetica;}{\\f1\\fmodern "
        "Courier;}}\n{\\colortbl;\\red200\\green0\\blue0;\\red0\\green0\\blue255;}\n"
        "\\paperw11900\\paperh16840\\margl1440\\margr1440\\deftab720\n";
    for (int i = 0; rtf.size() < kTargetBytes; ++i) {
        rtf += "\\pard\\qj\\f0\\fs24 Paragraph " + std::to_string(i) +
               " with \\b bold\\b0 , \\i italic\\i0  and \\cf1 red\\cf0  words, caf\\'e9 "
               "cr\\'e8me, \\u8220?quoted\\u8221? text and \\f1\\fs20 some code()\\f0\\fs24  "
               "in the same line, long enough to look like prose that people write.\\par\n";
        if (i % 50 == 0) {
            rtf += "\\trowd\\trgaph108\\cellx3000\\cellx6000\\pard\\intbl Name\\cell Value " +
                   std::to_string(i) + "\\cell\\row\\pard\n";
        }
        if (i % 200 == 0) rtf += "{\\pict\\pngblip\\picw1\\pich1 89504e470d0a1a0a0000}\n";
    }
    return rtf + "}";
}

const std::string& sample() {
    static const std::string rtf = document();
    return rtf;
}

void BM_RtfRead(benchmark::State& state) {
    const std::string& rtf = sample();
    for (auto _ : state) benchmark::DoNotOptimize(platform::RtfReader::read(rtf));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * rtf.size()));
}
BENCHMARK(BM_RtfRead)->Unit(benchmark::kMillisecond);

void BM_RtfWrite(benchmark::State& state) {
    const auto document = platform::RtfReader::read(sample());
    for (auto _ : state) {
        benchmark::DoNotOptimize(platform::RtfWriter::write(document->text, document->attributes));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * sample().size()));
}
BENCHMARK(BM_RtfWrite)->Unit(benchmark::kMillisecond);

// Read, clean (the whole text replaced by text of another length), write.
void BM_RtfCleanFile(benchmark::State& state) {
    const std::string& rtf = sample();
    for (auto _ : state) {
        auto document = platform::RtfReader::read(rtf);
        std::u16string text = document->text.text();
        text.insert(text.size() / 2, u" inserted");
        document->text.replaceText(std::u16string_view(text));
        benchmark::DoNotOptimize(platform::RtfWriter::write(document->text, document->attributes));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * rtf.size()));
}
BENCHMARK(BM_RtfCleanFile)->Unit(benchmark::kMillisecond);

}  // namespace
