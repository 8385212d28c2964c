// File service for the log: open-or-create without truncating, held against other writers while open.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

// Where the log file lives unless told otherwise.
std::string fileDefaultLogPath();

// Opaque open file; null means none.
struct LogFile;

// Opens path for reading and writing, creating it when missing and never truncating.
// Null when the file cannot be opened or created, or another writer holds it.
LogFile* fileOpen(const std::string& path);

// Current length in bytes, or -1 on failure.
std::int64_t fileLength(LogFile* file);

// Reads up to size bytes at offset; returns the count read, or -1 on failure.
std::int64_t fileReadAt(LogFile* file, std::int64_t offset, char* buffer, std::size_t size);

bool fileSeek(LogFile* file, std::int64_t offset);

// Writes all bytes at the write position; false on failure (a full disk, say), and then an
// append that got only part-way is taken back, so the file never ends in part of a line.
bool fileWrite(LogFile* file, const char* data, std::size_t size);

// Hands what was written to the disk itself.
bool fileSync(LogFile* file);

void fileClose(LogFile* file);

}  // namespace platform
