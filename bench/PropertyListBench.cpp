// Property-list codecs on a file of about 1 MB: an array of records shaped like what the agent
// keeps (strings, integers, reals, dates, booleans, a small array), in each format.

#include <benchmark/benchmark.h>

#include <string>

#include "platform/coding/BinaryPropertyList.h"
#include "platform/coding/PropertyList.h"
#include "platform/coding/XmlPropertyList.h"

namespace {

using platform::PropertyList;

constexpr size_t kTargetBytes = 1 << 20;

PropertyList records(size_t count) {
    PropertyList::Array items;
    items.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        const auto n = static_cast<long long>(i);
        items.push_back(PropertyList::Dictionary{
            {"name", "Cleaner number " + std::to_string(i)},
            {"identifier", n * 7919},
            {"score", static_cast<double>(i) / 3.0},
            {"modified", platform::Date(700000000.0 + static_cast<double>(i) * 61)},
            {"enabled", i % 3 != 0},
            {"tags", PropertyList::Array{"text", i % 2 ? "odd" : "even"}},
        });
    }
    return items;
}

using Writer = platform::Result<std::string> (*)(const PropertyList&);

// As many records as make about kTargetBytes once written with `write`.
size_t recordsFor(Writer write) {
    constexpr size_t kProbe = 1000;
    return kProbe * kTargetBytes / write(records(kProbe))->size();
}

template <class Codec>
void decode(benchmark::State& state) {
    const size_t count = recordsFor(&Codec::write);
    const std::string bytes = *Codec::write(records(count));
    for (auto _ : state) {
        auto value = Codec::read(bytes);
        if (!value.ok()) state.SkipWithError("decoding failed");
        benchmark::DoNotOptimize(value);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
    state.counters["file_bytes"] = static_cast<double>(bytes.size());
    state.counters["records"] = static_cast<double>(count);
}

template <class Codec>
void encode(benchmark::State& state) {
    const size_t count = recordsFor(&Codec::write);
    const PropertyList value = records(count);
    size_t written = 0;
    for (auto _ : state) {
        auto bytes = Codec::write(value);
        if (!bytes.ok()) state.SkipWithError("encoding failed");
        written = bytes->size();
        benchmark::DoNotOptimize(bytes);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * written));
    state.counters["records"] = static_cast<double>(count);
}

void BM_BinaryPropertyListDecode(benchmark::State& state) {
    decode<platform::BinaryPropertyList>(state);
}
void BM_XmlPropertyListDecode(benchmark::State& state) {
    decode<platform::XmlPropertyList>(state);
}
void BM_BinaryPropertyListEncode(benchmark::State& state) {
    encode<platform::BinaryPropertyList>(state);
}
void BM_XmlPropertyListEncode(benchmark::State& state) {
    encode<platform::XmlPropertyList>(state);
}

BENCHMARK(BM_BinaryPropertyListDecode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_XmlPropertyListDecode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BinaryPropertyListEncode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_XmlPropertyListEncode)->Unit(benchmark::kMillisecond);

}  // namespace
