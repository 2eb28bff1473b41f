// Preset lists and single preset items: a read either fails or gives data that writes and reads
// back the same; nothing read may be larger than the input.
#include "FuzzTarget.h"
#include "ui/controls/QzAudioPresets.h"

namespace {
bool SameItem(const TQzCustomAudioPresetItem& A, const TQzCustomAudioPresetItem& B) {
  if (A.GetData()->Data() != B.GetData()->Data()) return false;
  for (int i = 0; i < TQzAudioPresetDetails::StringCount; ++i)
    if (A.GetDetails()->GetString(i) != B.GetDetails()->GetString(i)) return false;
  return true;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  {
    TFuzzStream s(Data, Size);
    TQzAudioPresetList list;
    const bool ok = list.LoadFromStream(&s);
    FUZZ_CHECK(ok == (list.Error == 0));
    FUZZ_CHECK(static_cast<size_t>(list.Count()) * TQzAudioPresetList::MinItemBytes <= Size);
    TMemoryStream out;
    FUZZ_CHECK(list.SaveToStream(&out));
    out.SetPosition(0);
    TQzAudioPresetList again;
    FUZZ_CHECK(again.LoadFromStream(&out));
    FUZZ_CHECK(again.Count() == list.Count());
    for (int32_t i = 0; i < list.Count(); ++i) FUZZ_CHECK(SameItem(*list.Item(i), *again.Item(i)));
  }
  {
    TFuzzStream s(Data, Size);
    TQzCustomAudioPresetItem item;
    const bool ok = item.LoadFromStream(&s);
    FUZZ_CHECK(ok == (item.Error == 0));
    FUZZ_CHECK(static_cast<size_t>(item.GetData()->GetSize()) <= Size);
  }
  return 0;
}
