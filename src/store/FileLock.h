#pragma once
// The locks tables, memo files and index files are shared by, following the
// conventions other xBase programs use for tables with a compound index, so
// that they and Brindle keep each other out rather than overwrite each other:
//
//   table (.DBF)   whole-file open mode: flock() (exclusive or shared) plus a
//                  byte lock at 0x7FFFFFFF (write for exclusive, read otherwise);
//                  the header, which is also the append lock: 0x7FFFFFFE;
//                  record n: 0x7FFFFFFE - n; the whole table: the range of
//                  0x07FFFFFF bytes that ends at 0x7FFFFFFE;
//   memo (.FPT)    whole-file open mode: flock(); allocation: byte 0;
//   index (.CDX)   whole-file open mode: flock(); the index: 0x7FFFFFFE, with
//                  the change counter at offset 8 of the file.
//
// Byte locks are open-file-description locks: they conflict with the
// classic record locks of other processes and between two opens in this
// process alike, so two handles on one table in one program coordinate too.
#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <string>

namespace brindle::store::locks {

constexpr off_t kHeaderByte = 0x7FFFFFFE;
constexpr off_t kOpenModeByte = 0x7FFFFFFF;  // beyond every conventional lock range
constexpr off_t kFileRangeLength = 0x07FFFFFF;
constexpr off_t kFileRangeStart = kHeaderByte - kFileRangeLength + 1;
constexpr off_t kIndexByte = 0x7FFFFFFE;
constexpr off_t kMemoAllocationByte = 0;
constexpr off_t kCounterOffset = 8;  // change counter of an index file (little-endian, 32 bits)

inline off_t recordByte(std::uint32_t recno) { return kHeaderByte - static_cast<off_t>(recno); }

enum class Kind { Read, Write };

// Byte-range locks. tryLock does not wait; lockWaiting retries until the
// timeout (false when it runs out). Both return false with errno set.
bool tryLock(int fd, Kind kind, off_t start, off_t length = 1);
bool lockWaiting(int fd, Kind kind, off_t start, off_t length, std::chrono::milliseconds timeout);
void unlock(int fd, off_t start, off_t length = 1);
// Whether another open holds a conflicting lock on the range (for tests and messages).
bool isLockedByOthers(int fd, Kind kind, off_t start, off_t length = 1);

// Whole-file locks as other engines on Linux take them. false when another
// open holds a conflicting one.
bool tryFlock(int fd, bool exclusive);

// Opens of this process, by file identity: so that a refusal caused by the
// program's own other open says so instead of blaming another program.
void noteOpen(int fd);
void noteClosed(int fd);
bool openHere(int fd);

// "in use by brindle-db (process 1234)" when the system shows who has the
// file open, otherwise "in use by another program or user"; "already open in
// this program" when it is this process.
std::string inUseMessage(const std::string& path, int fd);

}  // namespace brindle::store::locks
