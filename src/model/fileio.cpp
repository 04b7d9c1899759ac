// Job files, checked little-endian reads and writes, binary strings and tags.
#include "model/fileio.h"

#include <bit>
#include <climits>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "numcore/numcore.h"

namespace {

// Streams opened through OpenFile, with what their messages need.
struct OpenStream {
  FILE* fp;
  std::string name;    // full file name
  std::string suffix;  // job-file suffix, for "Invalid binary file (jobname%s)"
  bool written;        // opened for writing or update
  int64_t size;        // file size of a stream opened for reading only; -1 otherwise
};

std::vector<OpenStream>& Streams() {
  static std::vector<OpenStream> streams;
  return streams;
}

OpenStream* FindStream(FILE* fp) {
  for (OpenStream& s : Streams())
    if (s.fp == fp) return &s;
  return nullptr;
}

const char* SuffixOf(FILE* fp) {
  OpenStream* s = FindStream(fp);
  return s != nullptr ? s->suffix.c_str() : "";
}

[[noreturn]] void WriteFailed(FILE* fp) {
  OpenStream* s = FindStream(fp);
  std::string msg = "Unable to write to the following output file:\n";
  msg += s != nullptr ? s->name : std::string("(unnamed stream)");
  errexit(msg.c_str(), 0);
}

int64_t FileSize(FILE* fp) {
  long pos = std::ftell(fp);
  if (pos < 0 || std::fseek(fp, 0, SEEK_END) != 0) return -1;
  long end = std::ftell(fp);
  if (std::fseek(fp, pos, SEEK_SET) != 0) InvalidBinaryFile(fp);
  return end < 0 ? -1 : static_cast<int64_t>(end);
}

void ReadBytes(FILE* fp, unsigned char* buf, size_t n) {
  if (n > 0 && std::fread(buf, 1, n, fp) != n) InvalidBinaryFile(fp);
}

void WriteBytes(FILE* fp, const unsigned char* buf, size_t n) {
  if (n > 0 && std::fwrite(buf, 1, n, fp) != n) WriteFailed(fp);
}

int32_t DecodeInt32(const unsigned char* b) {
  uint32_t u = static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
               (static_cast<uint32_t>(b[2]) << 16) | (static_cast<uint32_t>(b[3]) << 24);
  return static_cast<int32_t>(u);
}

double DecodeDouble(const unsigned char* b) {
  uint64_t u = 0;
  for (int k = 7; k >= 0; k--) u = (u << 8) | b[k];
  return std::bit_cast<double>(u);
}

void EncodeInt32(unsigned char* b, int32_t value) {
  uint32_t u = static_cast<uint32_t>(value);
  for (int k = 0; k < 4; k++) b[k] = static_cast<unsigned char>(u >> (8 * k));
}

void EncodeDouble(unsigned char* b, double value) {
  uint64_t u = std::bit_cast<uint64_t>(value);
  for (int k = 0; k < 8; k++) b[k] = static_cast<unsigned char>(u >> (8 * k));
}

// Reads a binary string; the suffix names the file in a short-read message.
int ReadStringImpl(char* buf, int max, FILE* fp) {
  unsigned char b[4];
  ReadBytes(fp, b, 4);
  int64_t n = DecodeInt32(b);
  if (n < 0 || n + 1 > max) errexit("Invalid binary file.", 0);
  ReadBytes(fp, reinterpret_cast<unsigned char*>(buf), static_cast<size_t>(n + 1));
  buf[n] = '\0';
  return static_cast<int>(n);
}

}  // namespace

void CheckJobNameLength(const char* job, const char* suffix) {
  if (std::strlen(job) + std::strlen(suffix) > static_cast<size_t>(kBinStringMax - 1))
    errexit("The job name is too long:\nfile names cannot exceed 511 characters.", 0);
}

void OpenFile(FILE** fp, const char* job, const char* suffix, const char* mode, char echo) {
  const char* echoFormat;
  const char* failFormat;
  bool written;
  if (std::strcmp(mode, "r") == 0 || std::strcmp(mode, "rb") == 0) {
    echoFormat = "Reading file: %s\n";
    failFormat = "The following input file could not be opened:\n%s";
    written = false;
  } else if (std::strcmp(mode, "w") == 0 || std::strcmp(mode, "wb") == 0 ||
             std::strcmp(mode, "a") == 0 || std::strcmp(mode, "ab") == 0) {
    echoFormat = "Writing file: %s\n";
    failFormat = "Unable to write to the following output file:\n%s";
    written = true;
  } else if (std::strcmp(mode, "r+") == 0 || std::strcmp(mode, "r+b") == 0) {
    echoFormat = "Reading/writing file: %s\n";
    failFormat = "The following input file could not be opened:\n%s";
    written = true;
  } else {
    InternalError(__FILE__, __LINE__);
  }
  CheckJobNameLength(job, suffix);
  std::string name = std::string(job) + suffix;
  *fp = std::fopen(name.c_str(), mode);
  if (*fp == nullptr) {
    std::vector<char> msg(std::strlen(failFormat) + name.size() + 1);
    std::snprintf(msg.data(), msg.size(), failFormat, name.c_str());
    errexit(msg.data(), 0);
  }
  OpenStream* old = FindStream(*fp);
  OpenStream entry{*fp, name, suffix, written, written ? -1 : FileSize(*fp)};
  if (old != nullptr)
    *old = entry;
  else
    Streams().push_back(entry);
  if (echo == 'Y') {
    std::printf("\n");
    std::printf(echoFormat, name.c_str());
  }
}

void CloseFile(FILE* fp) {
  OpenStream* s = FindStream(fp);
  bool written = s == nullptr || s->written;
  if (written && (std::ferror(fp) != 0 || std::fflush(fp) != 0)) WriteFailed(fp);
  std::string name = s != nullptr ? s->name : std::string("(unnamed stream)");
  std::vector<OpenStream>& streams = Streams();
  for (size_t i = 0; i < streams.size(); i++)
    if (streams[i].fp == fp) {
      streams.erase(streams.begin() + static_cast<long>(i));
      break;
    }
  if (std::fclose(fp) != 0 && written) {
    std::string msg = "Unable to write to the following output file:\n" + name;
    errexit(msg.c_str(), 0);
  }
}

void CloseFileTruncated(FILE* fp) {
  const int64_t end = TellFile(fp);
  OpenStream* s = FindStream(fp);
  const std::string name = s != nullptr ? s->name : std::string();
  CloseFile(fp);
  std::error_code ec;
  std::filesystem::resize_file(name, static_cast<std::uintmax_t>(end), ec);
  if (ec) {
    std::string msg = "Unable to write to the following output file:\n" + name;
    errexit(msg.c_str(), 0);
  }
}

void FlushFile(FILE* fp) {
  if (std::ferror(fp) != 0 || std::fflush(fp) != 0) WriteFailed(fp);
}

void InvalidBinaryFile(const char* suffix) {
  std::string msg = std::string("Invalid binary file (jobname") + suffix + ")";
  errexit(msg.c_str(), 0);
}

void InvalidBinaryFile(FILE* fp) { InvalidBinaryFile(SuffixOf(fp)); }

int64_t BytesLeft(FILE* fp) {
  OpenStream* s = FindStream(fp);
  int64_t size = s != nullptr && s->size >= 0 ? s->size : FileSize(fp);
  long pos = std::ftell(fp);
  if (size < 0 || pos < 0) return INT64_MAX;
  return size - pos;
}

int32_t ReadInt32(FILE* fp) {
  unsigned char b[4];
  ReadBytes(fp, b, 4);
  return DecodeInt32(b);
}

double ReadDouble(FILE* fp) {
  unsigned char b[8];
  ReadBytes(fp, b, 8);
  return DecodeDouble(b);
}

int64_t ReadInt64(FILE* fp) {
  unsigned char b[8];
  ReadBytes(fp, b, 8);
  uint64_t v = 0;
  for (int k = 7; k >= 0; k--) v = (v << 8) | b[k];
  return static_cast<int64_t>(v);
}

char ReadByte(FILE* fp) {
  unsigned char b;
  ReadBytes(fp, &b, 1);
  return static_cast<char>(b);
}

void ReadInt32s(FILE* fp, int32_t* v, int n) {
  if (n <= 0) return;
  std::vector<unsigned char> buf(static_cast<size_t>(n) * 4);
  ReadBytes(fp, buf.data(), buf.size());
  for (int i = 1; i <= n; i++) v[i] = DecodeInt32(&buf[static_cast<size_t>(i - 1) * 4]);
}

void ReadDoubles(FILE* fp, double* v, int n) {
  if (n <= 0) return;
  std::vector<unsigned char> buf(static_cast<size_t>(n) * 8);
  ReadBytes(fp, buf.data(), buf.size());
  for (int i = 1; i <= n; i++) v[i] = DecodeDouble(&buf[static_cast<size_t>(i - 1) * 8]);
}

void CheckCount(FILE* fp, int64_t count, int64_t minBytesPerItem) {
  if (count < 0) InvalidBinaryFile(fp);
  if (minBytesPerItem > 0 && count > BytesLeft(fp) / minBytesPerItem) InvalidBinaryFile(fp);
}

int32_t ReadCount(FILE* fp, int64_t minBytesPerItem) {
  int32_t n = ReadInt32(fp);
  CheckCount(fp, n, minBytesPerItem);
  return n;
}

int ReadString(char* buf, int max, FILE* fp) { return ReadStringImpl(buf, max, fp); }

void ReadTag(const char* expected, FILE* fp, const char* suffix) {
  char buf[kBinStringMax];
  unsigned char b[4];
  if (std::fread(b, 1, 4, fp) != 4) InvalidBinaryFile(suffix);
  int64_t n = DecodeInt32(b);
  if (n < 0 || n + 1 > kBinStringMax) errexit("Invalid binary file.", 0);
  if (std::fread(buf, 1, static_cast<size_t>(n + 1), fp) != static_cast<size_t>(n + 1))
    InvalidBinaryFile(suffix);
  size_t len = std::strlen(expected);
  if (static_cast<size_t>(n) != len || std::memcmp(buf, expected, len) != 0 || buf[n] != '\0')
    InvalidBinaryFile(suffix);
}

void ReadBlockHeader(FILE* fp, const char* tag, const char* suffix) {
  unsigned char b[4];
  if (std::fread(b, 1, 4, fp) != 4) InvalidBinaryFile(suffix);
  ReadTag(tag, fp, suffix);
}

void WriteInt32(FILE* fp, int32_t value) {
  unsigned char b[4];
  EncodeInt32(b, value);
  WriteBytes(fp, b, 4);
}

void WriteDouble(FILE* fp, double value) {
  unsigned char b[8];
  EncodeDouble(b, value);
  WriteBytes(fp, b, 8);
}

void WriteInt64(FILE* fp, int64_t value) {
  unsigned char b[8];
  const uint64_t v = static_cast<uint64_t>(value);
  for (int k = 0; k < 8; k++) b[k] = static_cast<unsigned char>(v >> (8 * k));
  WriteBytes(fp, b, 8);
}

int64_t TellFile(FILE* fp) {
  const long p = std::ftell(fp);
  if (p < 0) InvalidBinaryFile(fp);
  return p;
}

void SeekFile(FILE* fp, int64_t position) {
  if (position < 0 || position > LONG_MAX || std::fseek(fp, static_cast<long>(position), SEEK_SET) != 0)
    InvalidBinaryFile(fp);
}

void WriteByte(FILE* fp, char value) {
  unsigned char b = static_cast<unsigned char>(value);
  WriteBytes(fp, &b, 1);
}

void WriteInt32s(FILE* fp, const int32_t* v, int n) {
  if (n <= 0) return;
  std::vector<unsigned char> buf(static_cast<size_t>(n) * 4);
  for (int i = 1; i <= n; i++) EncodeInt32(&buf[static_cast<size_t>(i - 1) * 4], v[i]);
  WriteBytes(fp, buf.data(), buf.size());
}

void WriteDoubles(FILE* fp, const double* v, int n) {
  if (n <= 0) return;
  std::vector<unsigned char> buf(static_cast<size_t>(n) * 8);
  for (int i = 1; i <= n; i++) EncodeDouble(&buf[static_cast<size_t>(i - 1) * 8], v[i]);
  WriteBytes(fp, buf.data(), buf.size());
}

void WriteString(const char* s, int max, FILE* fp) {
  size_t n = std::strlen(s);
  if (n + 1 > static_cast<size_t>(max)) InternalError(__FILE__, __LINE__);
  WriteInt32(fp, static_cast<int32_t>(n));
  WriteBytes(fp, reinterpret_cast<const unsigned char*>(s), n + 1);
}

void WriteTag(const char* tag, FILE* fp) { WriteString(tag, kBinStringMax, fp); }

int SearchKeyword(const char* word, const char* const* table, int first, int last, int offset) {
  for (int k = first; k <= last; k++)
    if (std::strcmp(word, table[k] + offset) == 0) return k;
  std::fflush(stdout);
  std::fprintf(stderr, "\n");
  std::fprintf(stderr, "List of valid keywords:\n");
  for (int k = first; k <= last; k++) std::fprintf(stderr, "   %s\n", table[k] + offset);
  std::fprintf(stderr, "\n");
  std::fprintf(stderr, "Specified keyword: %s\n", word);
  return -1;
}
