// Parsing the settings store from a wrapped stream of n keys in one section, and of n keys spread
// one per section, up to a million: time per key stays flat when every level is indexed.
#include <benchmark/benchmark.h>

#include <string>

#include "ui/framework/QzExtIni.h"

namespace {

std::string ManyKeys(int64_t N, bool OnePerSection) {
  std::string text = "#Group\r\n[Section]\r\n";
  for (int64_t i = 0; i < N; ++i) {
    if (OnePerSection) text += "[S" + std::to_string(i) + "]\r\n";
    text += "Key" + std::to_string(i) + " = " + std::to_string(i) + "\r\n";
  }
  return text;
}

void BM_ExtIniLoad(benchmark::State& State) {
  TQzExtIniValuesControler source;
  source.SetText(ManyKeys(State.range(0), State.range(1) != 0));
  TMemoryStream stream;
  source.SaveToStream(&stream);
  TQzExtIniValuesControler ini;
  for (auto _ : State) {
    stream.SetPosition(0);
    benchmark::DoNotOptimize(ini.LoadFromStream(&stream));
  }
  State.SetItemsProcessed(State.iterations() * State.range(0));
  State.SetLabel(State.range(1) ? "one key per section" : "one section");
}
BENCHMARK(BM_ExtIniLoad)
    ->ArgsProduct({{1000, 10000, 100000, 1000000}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

}  // namespace
