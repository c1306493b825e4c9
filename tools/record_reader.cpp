#include "tools/record_reader.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

// The next line without its end; false at the end of the data. `complete`
// tells whether the line had a line end.
bool nextLine(RecordReader &reader, const char *&start, size_t &length, bool &complete) {
  if (reader.position >= reader.size) return false;
  start = reader.data + reader.position;
  const size_t left = reader.size - reader.position;
  const char *end = static_cast<const char *>(std::memchr(start, '\n', left));
  complete = end != nullptr;
  length = complete ? (size_t)(end - start) : left;
  reader.position += complete ? length + 1 : length;
  if (complete && length > 0 && start[length - 1] == '\r') length--;
  reader.line++;
  return true;
}

std::string quoted(const char *text, size_t length) {
  std::string shown;
  for (size_t i = 0; i < length && shown.size() < 40; i++) {
    const unsigned char ch = (unsigned char)text[i];
    if (ch >= 0x20 && ch < 0x7F) {
      shown += (char)ch;
    } else {
      char escape[8];
      snprintf(escape, sizeof(escape), "\\x%02X", ch);
      shown += escape;
    }
  }
  if (length > 40) shown += "...";
  return "\"" + shown + "\"";
}

bool fail(RecordReader &reader, const std::string &what) {
  reader.errorLine = reader.line;
  reader.error = what;
  return false;
}

bool readTitle(RecordReader &reader, const char *title) {
  const char *text;
  size_t length;
  bool complete;
  if (!nextLine(reader, text, length, complete)) {
    reader.line++;
    return fail(reader, std::string("expected \"") + title + "\", the file ends (a frame block cut short)");
  }
  if (length != std::strlen(title) || std::memcmp(text, title, length) != 0)
    return fail(reader, std::string("expected \"") + title + "\", found " + quoted(text, length));
  if (!complete) return fail(reader, std::string("expected a line end after \"") + title + "\" (a frame block cut short)");
  return true;
}

bool readValues(RecordReader &reader, uint16_t *values) {
  const char *text;
  size_t length;
  bool complete;
  if (!nextLine(reader, text, length, complete)) {
    reader.line++;
    return fail(reader, "expected a line of 320 values, the file ends (a frame block cut short)");
  }
  if (!complete) return fail(reader, "expected a line of 320 values ending in a line end, the line is cut short");
  size_t i = 0;
  int count = 0;
  while (i < length) {
    if (text[i] < '0' || text[i] > '9')
      return fail(reader, "expected a digit in value " + std::to_string(count + 1) + ", found " + quoted(text + i, 1));
    unsigned long value = 0;
    size_t digits = 0;
    while (i < length && text[i] >= '0' && text[i] <= '9') {
      if (++digits > 5) return fail(reader, "value " + std::to_string(count + 1) + " has more than 5 digits");
      value = value * 10 + (unsigned long)(text[i] - '0');
      i++;
    }
    if (value > 65535)
      return fail(reader, "value " + std::to_string(count + 1) + " is " + std::to_string(value) + ", above 65535");
    if (count == kRecordWidth) return fail(reader, "expected 320 values, found more");
    values[count++] = (uint16_t)value;
    if (i < length) {
      if (text[i] != ' ') return fail(reader, "expected a space after value " + std::to_string(count) + ", found " + quoted(text + i, 1));
      i++;
    }
  }
  if (count != kRecordWidth) return fail(reader, "expected 320 values, found " + std::to_string(count));
  return true;
}

bool readSection(RecordReader &reader, const char *title, uint16_t (*rows)[kRecordWidth]) {
  if (!readTitle(reader, title)) return false;
  for (int r = 0; r < kRecordHeight; r++)
    if (!readValues(reader, rows[r])) return false;
  return true;
}

}  // namespace

RecordReader openRecord(const char *data, size_t size) { return RecordReader{data, size, 0, 0, 0, std::string()}; }

bool readRecordFrame(RecordReader &reader, RecordFrame &frame) {
  if (!reader.error.empty() || reader.position >= reader.size) return false;
  return readSection(reader, "Distance:", frame.distance) && readSection(reader, "Amp:", frame.amplitude) &&
         readSection(reader, "Rawdist:", frame.raw);
}

long countRecordFrames(const char *data, size_t size) {
  RecordReader reader = openRecord(data, size);
  static RecordFrame scratch;
  long frames = 0;
  while (readRecordFrame(reader, scratch)) frames++;
  return frames;
}

bool readWholeFile(const char *path, std::string &contents, std::string &error) {
  FILE *file = fopen(path, "rb");
  if (file == nullptr) {
    error = std::string("cannot open ") + path + ": " + std::strerror(errno);
    return false;
  }
  contents.clear();
  char buffer[1 << 16];
  size_t n;
  while ((n = fread(buffer, 1, sizeof(buffer), file)) > 0) contents.append(buffer, n);
  const bool failed = ferror(file) != 0;
  fclose(file);
  if (failed) {
    error = std::string("cannot read ") + path;
    return false;
  }
  return true;
}
