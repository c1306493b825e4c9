// libFuzzer target for the record file reader: whatever the bytes, it must
// not crash, hang or read past the end, and its count must agree with the
// frames it hands out.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "tools/record_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  // A copy of exactly `size` bytes, so AddressSanitizer sees any read past it.
  char *copy = static_cast<char *>(malloc(size ? size : 1));
  for (size_t i = 0; i < size; i++) copy[i] = (char)data[i];
  RecordReader reader = openRecord(copy, size);
  static RecordFrame frame;
  long frames = 0;
  while (readRecordFrame(reader, frame)) frames++;
  if (reader.position > size) abort();
  if (frames != countRecordFrames(copy, size)) abort();
  if (reader.error.empty() && reader.position != size) abort();
  free(copy);
  return 0;
}
