// CI runs: 4000 (every input draws its pictures' thumbnails, pixel by pixel: slow under the
// sanitizers' instrumentation)
#include "FuzzTarget.h"
#include "graphics/QzPicList.h"
#include "graphics/QzPictureFormats.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  QzRegisterPictureFormats();
  TFuzzStream s(Data, Size);
  TQzPictureListItems list;
  const bool ok = list.LoadFromStream(&s);
  FUZZ_CHECK(ok == (list.Error == 0));
  // No item is made up: each takes at least its 38 bytes of the stream.
  FUZZ_CHECK(static_cast<size_t>(list.GetCount()) * 38 <= Size);
  TMemoryStream out;
  FUZZ_CHECK(list.SaveToStream(&out));
  out.SetPosition(0);
  TQzPictureListItems again;
  FUZZ_CHECK(again.LoadFromStream(&out));
  FUZZ_CHECK(again.GetCount() == list.GetCount());
  for (int i = 0; i < list.GetCount(); ++i) {
    FUZZ_CHECK(again.GetItem(i)->GetID() == list.GetItem(i)->GetID());
    FUZZ_CHECK(again.GetItem(i)->GetAttributes() == list.GetItem(i)->GetAttributes());
  }
  return 0;
}
