// Job files, checked little-endian reads and writes, binary strings and tags.
#include "model/fileio.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <climits>
#include <cstdlib>
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
  std::string suffix;  // job-file suffix, for a message on a suffix
  bool written;        // opened for writing or update
  int64_t size;        // file size of a stream opened for reading only; -1 otherwise
  std::string block;   // the last tag the reader expected, for a message on a damaged file
};

std::vector<OpenStream>& Streams() {
  static std::vector<OpenStream> streams;
  return streams;
}

// The job name of the last OpenFile, for a message about a job file no stream holds.
std::string& LastJob() {
  static std::string job;
  return job;
}

// The file a message names: the latest open stream of the suffix, else the job's file.
std::string FileNameOf(const char* suffix) {
  const std::vector<OpenStream>& streams = Streams();
  for (auto it = streams.rbegin(); it != streams.rend(); ++it)
    if (it->suffix == suffix) return it->name;
  return LastJob() + suffix;
}

[[noreturn]] void InvalidFileNamed(const std::string& name) {
  const std::string msg = "Invalid binary file (" + name + ")";
  errexit(msg.c_str(), 0);
}

OpenStream* FindStream(FILE* fp) {
  for (OpenStream& s : Streams())
    if (s.fp == fp) return &s;
  return nullptr;
}

// A read that failed at byte `at` of a stream: the file, and where the reader stood.
[[noreturn]] void InvalidFileAt(FILE* fp, long at) {
  OpenStream* s = FindStream(fp);
  if (s == nullptr || s->block.empty() || at < 0) InvalidBinaryFile(fp);
  const std::string msg = "Invalid binary file (" + s->name + ")\nThe file ends early or does not follow the layout at byte " +
                          std::to_string(at) + ", reading " + s->block + ".";
  errexit(msg.c_str(), 0);
}

void SetExpectedBlock(FILE* fp, const char* tag) {
  if (OpenStream* s = FindStream(fp); s != nullptr) s->block = tag;
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
  const long at = std::ftell(fp);
  if (n > 0 && std::fread(buf, 1, n, fp) != n) InvalidFileAt(fp, at);
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

// Reads a binary string; a length outside 0..max - 1 or a short read is a damaged file.
int ReadStringImpl(char* buf, int max, FILE* fp) {
  unsigned char b[4];
  ReadBytes(fp, b, 4);
  int64_t n = DecodeInt32(b);
  if (n < 0 || n + 1 > max) InvalidBinaryFile(fp);
  ReadBytes(fp, reinterpret_cast<unsigned char*>(buf), static_cast<size_t>(n + 1));
  buf[n] = '\0';
  return static_cast<int>(n);
}

}  // namespace

void CheckJobNameLength(const char* job, const char* suffix) {
  if (std::strlen(job) + std::strlen(suffix) > static_cast<size_t>(kBinStringMax - 1))
    errexit("The job name is too long:\nfile names cannot exceed 511 characters.", 0);
}

namespace {

// The lock file of this run, removed at exit while still locked: a run that opens the
// name meanwhile finds it gone and locks a new file.
struct HeldJobLock {
  int fd = -1;
  std::string name;
};

HeldJobLock& JobLock() {
  static HeldJobLock lock;
  return lock;
}

// The directory part of a job name ("." for a bare name).
std::string JobDirectory(const char* job) {
  const std::string dir = std::filesystem::path(job).parent_path().string();
  return dir.empty() ? std::string(".") : dir;
}

[[noreturn]] void DirectoryNotWritable(const char* job) {
  const std::string msg = "The directory of job " + std::string(job) + " is not writable:\n" + JobDirectory(job) +
                          "\nThe run writes its result files there; run it where it may write.";
  errexit(msg.c_str(), 0);
}

// The process number a lock file holds (0 when unreadable).
long LockHolder(int fd) {
  char buf[32] = {};
  const ssize_t n = ::pread(fd, buf, sizeof buf - 1, 0);
  return n > 0 ? std::strtol(buf, nullptr, 10) : 0;
}

}  // namespace

void ReleaseJobLock() {
  HeldJobLock& lock = JobLock();
  if (lock.fd < 0) return;
  ::unlink(lock.name.c_str());
  ::close(lock.fd);
  lock.fd = -1;
}

void LockJob(const char* job) {
  CheckJobNameLength(job, kJobLockSuffix);
  const std::string dir = JobDirectory(job);
  struct stat st;
  // A directory that does not exist holds no data file: its opening names the file.
  if (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return;
  if (::access(dir.c_str(), W_OK | X_OK) != 0) DirectoryNotWritable(job);
  const std::string name = std::string(job) + kJobLockSuffix;
  for (;;) {
    const int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
      if (errno == EACCES || errno == EPERM || errno == EROFS || errno == ENOSPC || errno == EDQUOT)
        DirectoryNotWritable(job);
      return;  // a name the system refuses (too long ...): the data file's opening names it
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      const int err = errno;
      const long holder = LockHolder(fd);
      ::close(fd);
      if (err != EWOULDBLOCK) {
        const std::string msg = "The lock file of job " + std::string(job) + " cannot be locked:\n" + name +
                                "\nMake sure that no other run of the job works in this directory.";
        warnmsg(msg.c_str(), 0);
        return;
      }
      std::string msg = "Another run of job " + std::string(job) + " is at work in this directory";
      if (holder > 0) msg += " (process " + std::to_string(holder) + ")";
      msg += ":\nit holds " + name + ". Wait until it ends, or stop it, and run the job again.";
      errexit(msg.c_str(), 0);
    }
    // The file locked must still be the one of that name: a run ending meanwhile removes
    // its file after this open, and the next run creates a new one.
    struct stat held, named;
    if (::fstat(fd, &held) == 0 && ::stat(name.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
        held.st_ino == named.st_ino) {
      const std::string pid = std::to_string(static_cast<long>(::getpid())) + "\n";
      if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, pid.data(), pid.size(), 0) != static_cast<ssize_t>(pid.size()))
        DirectoryNotWritable(job);
      // The held lock is built before the exit handler is registered, so that it is
      // destroyed after the handler has removed its file.
      HeldJobLock& lock = JobLock();
      static bool registered = false;
      if (!registered) std::atexit(ReleaseJobLock);
      registered = true;
      lock = HeldJobLock{fd, name};
      return;
    }
    ::close(fd);
  }
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
  if (job[0] != '\0') LastJob() = job;
  std::string name = std::string(job) + suffix;
  *fp = std::fopen(name.c_str(), mode);
  if (*fp == nullptr) {
    std::vector<char> msg(std::strlen(failFormat) + name.size() + 1);
    std::snprintf(msg.data(), msg.size(), failFormat, name.c_str());
    errexit(msg.data(), 0);
  }
  OpenStream* old = FindStream(*fp);
  OpenStream entry{*fp, name, suffix, written, written ? -1 : FileSize(*fp), ""};
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

void InvalidBinaryFile(const char* suffix) { InvalidFileNamed(FileNameOf(suffix)); }

void InvalidBinaryFile(FILE* fp) {
  OpenStream* s = FindStream(fp);
  InvalidFileNamed(s != nullptr ? s->name : std::string("unnamed file"));
}

namespace {

// The stream's own file when it is known, else the job's file of the suffix.
[[noreturn]] void InvalidFileOf(FILE* fp, const char* suffix) {
  if (FindStream(fp) != nullptr) InvalidBinaryFile(fp);
  InvalidBinaryFile(suffix);
}

}  // namespace

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
  if (count < 0 || (minBytesPerItem > 0 && count > BytesLeft(fp) / minBytesPerItem)) InvalidFileAt(fp, std::ftell(fp) - 4);
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
  SetExpectedBlock(fp, expected);
  const long at = std::ftell(fp);
  const auto fail = [&]() {
    if (FindStream(fp) != nullptr) InvalidFileAt(fp, at);
    InvalidBinaryFile(suffix);
  };
  if (std::fread(b, 1, 4, fp) != 4) fail();
  int64_t n = DecodeInt32(b);
  if (n < 0 || n + 1 > kBinStringMax) fail();
  if (std::fread(buf, 1, static_cast<size_t>(n + 1), fp) != static_cast<size_t>(n + 1)) fail();
  size_t len = std::strlen(expected);
  if (static_cast<size_t>(n) != len || std::memcmp(buf, expected, len) != 0 || buf[n] != '\0') fail();
}

void ReadBlockHeader(FILE* fp, const char* tag, const char* suffix) {
  unsigned char b[4];
  SetExpectedBlock(fp, tag);
  if (std::fread(b, 1, 4, fp) != 4) InvalidFileOf(fp, suffix);
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

uint32_t Crc32(uint32_t crc, const void* data, size_t n) {
  static const auto table = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t i = 0; i < 256; i++) {
      uint32_t c = i;
      for (int k = 0; k < 8; k++) c = (c & 1u) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[i] = c;
    }
    return t;
  }();
  const unsigned char* b = static_cast<const unsigned char*>(data);
  crc = ~crc;
  for (size_t i = 0; i < n; i++) crc = table[(crc ^ b[i]) & 0xffu] ^ (crc >> 8);
  return ~crc;
}

bool FileRangeCrc32(FILE* fp, int64_t from, int64_t to, uint32_t* crc) {
  *crc = 0;
  if (from < 0 || to < from || to > LONG_MAX) return false;
  if (std::fseek(fp, static_cast<long>(from), SEEK_SET) != 0) return false;
  std::vector<unsigned char> buf(1 << 16);
  for (int64_t left = to - from; left > 0;) {
    const size_t n = static_cast<size_t>(std::min<int64_t>(left, static_cast<int64_t>(buf.size())));
    if (std::fread(buf.data(), 1, n, fp) != n) return false;
    *crc = Crc32(*crc, buf.data(), n);
    left -= static_cast<int64_t>(n);
  }
  return true;
}
