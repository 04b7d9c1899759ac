// File primitives shared by the data file and every result file: job files opened by
// job name and suffix, checked little-endian fixed-width reads and writes, binary
// strings (int32 length n, n characters, NUL) and tags.
//
// Every stream opened by OpenFile is remembered with its name and suffix until
// CloseFile, so that a short read can name the file ("Invalid binary file
// (portal_gl.bin)") and a failed write can name the output file. Every read is
// checked: a short read never leaves garbage behind, it stops the run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

// Capacity of every text field of the binary files (511 characters and the NUL).
constexpr int kBinStringMax = 512;

// ---- job files -----------------------------------------------------------------------
// Opens <job><suffix> with mode "r", "rb", "w", "wb", "a", "ab", "r+" or "r+b"; echo 'Y'
// prints the "Reading file: ..." / "Writing file: ..." line. Failure stops the run.
void OpenFile(FILE** fp, const char* job, const char* suffix, const char* mode, char echo);
// Flushes (when written), checks and closes a stream opened by OpenFile. A write error,
// a failed flush or a failed close stops the run with the output-file message.
void CloseFile(FILE* fp);
// CloseFile, then cuts the file at the position the stream stood at: nothing written
// earlier beyond it (by a longer run) survives.
void CloseFileTruncated(FILE* fp);
// Flushes a written stream; a failure stops the run with the output-file message.
void FlushFile(FILE* fp);
// Refuses a job name whose file name with this suffix would not fit 511 characters.
void CheckJobNameLength(const char* job, const char* suffix);

// ---- one run of a job at a time -------------------------------------------------------
// Suffix of the lock file a run of a job holds in its directory.
constexpr const char* kJobLockSuffix = ".lock";
// Takes the lock of the job: <job>.lock, created in the job's directory and held by an
// exclusive flock until the process ends (the system releases it when a run dies, so a
// file left by a killed run does not block). Stops the run when the directory cannot be
// written or another live run holds the lock; a directory that does not exist is left to
// the opening of the data file. The file is removed when the process exits.
void LockJob(const char* job);
// Removes and releases the lock of this run now (a run that ends without exit handlers).
void ReleaseJobLock();

// ---- checked reads ---------------------------------------------------------------------
// A short read stops the run with "Invalid binary file (<file name>)".
int32_t ReadInt32(FILE* fp);
double ReadDouble(FILE* fp);
char ReadByte(FILE* fp);                     // flag byte or character
int64_t ReadInt64(FILE* fp);                 // file positions
void ReadInt32s(FILE* fp, int32_t* v, int n);  // into v[1..n], one read
void ReadDoubles(FILE* fp, double* v, int n);  // into v[1..n], one read
// Reads an int32 count of items that take at least minBytesPerItem bytes each in the
// file; a negative count or one the rest of the file cannot hold stops the run as a
// damaged file, before the caller allocates anything.
int32_t ReadCount(FILE* fp, int64_t minBytesPerItem);
// Checks a count already in hand the same way (counts taken from another block).
void CheckCount(FILE* fp, int64_t count, int64_t minBytesPerItem);
// Bytes between the stream position and the end of the file (INT64_MAX if unknown).
int64_t BytesLeft(FILE* fp);

// Reads one binary string into buf (capacity max, NUL-terminated); a length below 0 or
// above max - 1 stops the run as a damaged file. Returns the length.
int ReadString(char* buf, int max, FILE* fp);
// Reads one binary string and requires it to equal expected exactly.
void ReadTag(const char* expected, FILE* fp, const char* suffix);
// The opening of a tagged block: the int32 header word (value ignored) and the tag.
void ReadBlockHeader(FILE* fp, const char* tag, const char* suffix);

// Stops the run with "Invalid binary file (<job><suffix>)": the file of the latest open
// stream of that suffix, else the file of the job last opened.
[[noreturn]] void InvalidBinaryFile(const char* suffix);
// The same, with the name of the file the stream was opened as.
[[noreturn]] void InvalidBinaryFile(FILE* fp);

// ---- checked writes --------------------------------------------------------------------
// A failed write stops the run with "Unable to write to the following output file:\n%s".
void WriteInt32(FILE* fp, int32_t value);
void WriteDouble(FILE* fp, double value);
void WriteByte(FILE* fp, char value);
void WriteInt64(FILE* fp, int64_t value);
void WriteInt32s(FILE* fp, const int32_t* v, int n);  // v[1..n]
void WriteDoubles(FILE* fp, const double* v, int n);  // v[1..n]
// Writes s as one binary string; a text longer than max - 1 is a program error.
void WriteString(const char* s, int max, FILE* fp);
void WriteTag(const char* tag, FILE* fp);

// ---- positions ----------------------------------------------------------------------------
// Byte offset of the stream and a move to an offset from the start; a failure of either
// stops the run, naming the file (a negative or unreachable offset is a damaged file).
int64_t TellFile(FILE* fp);
void SeekFile(FILE* fp, int64_t position);

// ---- checksums ---------------------------------------------------------------------------
// CRC-32 (IEEE 802.3) of n bytes, continuing crc (0 to start): any one damaged byte, or
// any burst of up to 32 damaged bits, changes it.
uint32_t Crc32(uint32_t crc, const void* data, size_t n);
// CRC-32 of the bytes [from, to) of the stream, which is left at `to`. False when the
// file ends before `to` (or the range is not one).
bool FileRangeCrc32(FILE* fp, int64_t from, int64_t to, uint32_t* crc);

// ---- keyword tables ----------------------------------------------------------------------
// Index k in first..last with table[k] + offset equal to word; -1 (after listing the
// valid keywords on the error stream) when none matches.
int SearchKeyword(const char* word, const char* const* table, int first, int last, int offset);
