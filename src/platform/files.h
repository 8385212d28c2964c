// File service for the log: open-or-create without truncating, held against other writers while open.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

// Where the log file lives unless told otherwise. Paths are bytes as the file system names them.
std::string fileDefaultLogPath();

// The settings file that a start without --settings reads when it exists: the user's own.
// Empty when there is none (no home folder).
std::string fileDefaultSettingsPath();

// The settings and the log of the service instance name; empty where the platform has no service.
std::string fileServiceSettingsPath(const std::string& name);
std::string fileServiceLogPath(const std::string& name);

// A path written in the settings file (UTF-8) as the file system names it, and back.
std::string filePathFromUtf8(const std::string& utf8);
std::string fileUtf8FromPath(const std::string& path);

// Puts content in place of the whole file at path, or leaves the old file as it was: the new
// content goes to a file beside it first, to the disk, then takes its name. Makes the folder
// when it is missing. False when any of it failed.
bool fileReplace(const std::string& path, const std::string& content);

// The guide, anleitung.html, where the program finds it (installed beside it, or in the
// build's own folder); empty when there is none.
std::string fileGuidePath();

bool fileExists(const std::string& path);

// What a path names: nothing, a regular file, something else (a folder, a pipe, a device), or
// what cannot be looked at (a folder without the right to search it, a link to nothing, a loop).
enum class FileKind { missing, regular, other, unreachable };
FileKind fileKind(const std::string& path);

// A path as Latin-1 text for the window and the message boxes; characters that Latin-1 lacks
// become the nearest the platform offers, at worst '?'.
std::string filePathText(const std::string& path);

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
