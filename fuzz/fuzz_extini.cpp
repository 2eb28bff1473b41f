#include <string>
#include <string_view>
#include <vector>

#include "FuzzTarget.h"
#include "ui/framework/QzExtIni.h"

namespace {
// Candidate names: every line of the input with the marks of the format taken off.
std::vector<std::string> NamesOf(const uint8_t* Data, size_t Size) {
  std::vector<std::string> names{""};
  std::string_view text(reinterpret_cast<const char*>(Data), Size);
  while (!text.empty() && names.size() < 48) {
    const size_t end = text.find_first_of("\r\n");
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    while (!line.empty() && (line.front() == ' ' || line.front() == '#' || line.front() == '[')) line.remove_prefix(1);
    line = line.substr(0, line.find_first_of("]=/"));
    while (!line.empty() && line.back() == ' ') line.remove_suffix(1);
    if (line.size() <= 64) names.emplace_back(line);
  }
  return names;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  TFuzzStream s(Data, Size);
  TQzExtIniValuesControler ini;
  const bool ok = ini.LoadFromStream(&s);
  FUZZ_CHECK(ok == (ini.Error == 0));
  FUZZ_CHECK(!ini.IsUpdating());

  TMemoryStream out;
  FUZZ_CHECK(ini.SaveToStream(&out));
  out.SetPosition(0);
  TQzExtIniValuesControler again;
  FUZZ_CHECK(again.LoadFromStream(&out));
  FUZZ_CHECK(*again.GetLines() == *ini.GetLines());

  // The same lines edited inside a bracket must give the same tree once it closes.
  TQzExtIniValuesControler edited;
  edited.BeginUpdate();
  edited.GetLines()->Assign(ini.GetLines());
  edited.EndUpdate();

  const std::vector<std::string> names = NamesOf(Data, Size);
  for (size_t i = 0; i < names.size(); ++i) {
    const std::string& g = names[i];
    const std::string& sec = names[(i + 1) % names.size()];
    const std::string& k = names[(i + 2) % names.size()];
    std::string a, b, c;
    const bool found = ini.FindExtIniValue(g, sec, k, 0, a);
    FUZZ_CHECK(again.FindExtIniValue(g, sec, k, 0, b) == found && a == b);
    FUZZ_CHECK(edited.FindExtIniValue(g, sec, k, 0, c) == found && a == c);
    FUZZ_CHECK(!ini.FindExtIniValue(g, sec, k, 1, b));
    int32_t n = 0;
    ini.ReadExtIniInteger(g, sec, k, 0, n);
    FUZZ_CHECK(ini.ReadExtIniText(g, sec, k, "-", b) == (found && !a.empty()));
  }
  return 0;
}
