// Micro-benchmarks of the pieces of a run: the .reg reader and writer on
// whole images, and a configuration's load and save on a memory store.
// Images of 1,000 and 10,000 accounts by default; pass --accounts=N[,N...]
// (before the benchmark library's own flags) for others.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/bench_host.h"
#include "bench/image_generator.h"
#include "config/configuration.h"
#include "platform/reg_format.h"

namespace kestrum::bench {
namespace {

struct Image {
  std::size_t accounts;
  std::string bytes;
};

RegTree parsed(const Image& image) {
  auto codePage = makeCodePage(1252);
  RegTree tree;
  RegParseError error;
  if (!parseRegFile(image.bytes, *codePage, tree, error)) {
    std::fprintf(stderr, "the generated image does not parse: line %zu: %s\n", error.line, error.message.c_str());
    std::abort();
  }
  return tree;
}

void setCounters(benchmark::State& state, const Image& image) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * image.bytes.size()));
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * image.accounts));
  state.counters["image_MB"] = static_cast<double>(image.bytes.size()) / 1e6;
}

void parseImage(benchmark::State& state, const Image& image) {
  auto codePage = makeCodePage(1252);
  for (auto _ : state) {
    auto tree = std::make_unique<RegTree>();
    RegParseError error;
    benchmark::DoNotOptimize(parseRegFile(image.bytes, *codePage, *tree, error));
    state.PauseTiming();
    tree.reset();
    state.ResumeTiming();
  }
  setCounters(state, image);
}

void formatImage(benchmark::State& state, const Image& image) {
  const RegTree tree = parsed(image);
  auto codePage = makeCodePage(1252);
  const std::function<bool(std::string_view)> sink = [](std::string_view piece) {
    benchmark::DoNotOptimize(piece.data());
    return true;
  };
  for (auto _ : state) benchmark::DoNotOptimize(formatRegFile(tree, *codePage, sink));
  setCounters(state, image);
}

void loadConfiguration(benchmark::State& state, const Image& image) {
  MemoryStore store(parsed(image));
  BenchHost host;
  for (auto _ : state) {
    Configuration config(store, host);
    config.loadConfiguration();
    benchmark::DoNotOptimize(config.accounts.size());
  }
  setCounters(state, image);
}

void saveConfiguration(benchmark::State& state, const Image& image) {
  MemoryStore store(parsed(image));
  BenchHost host;
  Configuration config(store, host);
  config.loadConfiguration();
  for (auto _ : state) config.saveConfiguration();
  setCounters(state, image);
}

std::vector<std::size_t> accountCounts(int& argc, char** argv) {
  std::vector<std::size_t> counts;
  constexpr std::string_view kFlag = "--accounts=";
  int kept = 1;
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], kFlag.data(), kFlag.size()) != 0) {
      argv[kept++] = argv[i];
      continue;
    }
    for (const char* p = argv[i] + kFlag.size(); *p != '\0';) {
      char* end = nullptr;
      counts.push_back(std::strtoull(p, &end, 10));
      p = *end == ',' ? end + 1 : end;
      if (end == p && *p != '\0') break;
    }
  }
  argc = kept;
  if (counts.empty()) counts = {1000, 10000};
  return counts;
}

}  // namespace
}  // namespace kestrum::bench

int main(int argc, char** argv) {
  using namespace kestrum::bench;
  std::vector<Image> images;
  for (std::size_t n : accountCounts(argc, argv)) images.push_back(Image{n, generateImage(n)});
  for (const Image& image : images) {
    const std::string n = std::to_string(image.accounts);
    benchmark::RegisterBenchmark(("RegReader/" + n).c_str(), parseImage, image)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("RegWriter/" + n).c_str(), formatImage, image)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("LoadConfiguration/" + n).c_str(), loadConfiguration, image)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("SaveConfiguration/" + n).c_str(), saveConfiguration, image)
        ->Unit(benchmark::kMillisecond);
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
