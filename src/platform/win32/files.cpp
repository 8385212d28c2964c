// File service on Windows: a sharing mode that admits readers only keeps other writers out
// while the log is open.
// Keeps windows.h from defining min and max as macros; must precede every system header.
#define NOMINMAX

#include "platform/files.h"

#include <algorithm>

#include <windows.h>
#include <shlobj.h>

namespace platform {

struct LogFile {
    HANDLE handle = INVALID_HANDLE_VALUE;
};

namespace {

bool moveTo(HANDLE handle, std::int64_t offset, DWORD from, std::int64_t* reached = nullptr)
{
    LARGE_INTEGER distance{};
    distance.QuadPart = offset;
    LARGE_INTEGER position{};
    if (!SetFilePointerEx(handle, distance, &position, from)) return false;
    if (reached != nullptr) *reached = position.QuadPart;
    return true;
}

// Whether the logger could open path for appending, without leaving a file where none was: an
// existing one is opened as the log opens it, a missing one made to vanish on close.
bool appendable(const std::string& path)
{
    constexpr DWORD sharing = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, sharing, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    // Held by another writer: the log's own message says so better than another place would.
    if (handle == INVALID_HANDLE_VALUE && GetLastError() == ERROR_SHARING_VIOLATION) return true;
    if (handle == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_NOT_FOUND)
        handle = CreateFileA(path.c_str(), GENERIC_WRITE | DELETE, sharing, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    CloseHandle(handle);
    return true;
}

// A text from one code page into another, through UTF-16.
std::string recoded(const std::string& text, UINT from, UINT to)
{
    const int wide = MultiByteToWideChar(from, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (wide <= 0) return text;
    std::wstring units(static_cast<std::size_t>(wide), L'\0');
    MultiByteToWideChar(from, 0, text.data(), static_cast<int>(text.size()), units.data(), wide);
    const int narrow = WideCharToMultiByte(to, 0, units.data(), wide, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(narrow > 0 ? narrow : 0), '\0');
    WideCharToMultiByte(to, 0, units.data(), wide, out.data(), narrow, nullptr, nullptr);
    return out;
}

}  // namespace

std::string fileDefaultLogPath()
{
    // A standard user may not make files in C:\: then the log goes to the Documents folder.
    const std::string rooted = "C:\\AVR-NET-IO.CSV";
    if (appendable(rooted)) return rooted;
    char folder[MAX_PATH] = {};
    if (SHGetFolderPathA(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, folder) != S_OK) return rooted;
    return std::string(folder) + "\\AVR-NET-IO.CSV";
}

std::string fileDefaultSettingsPath()
{
    char folder[MAX_PATH] = {};
    if (SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder) != S_OK) return {};
    return std::string(folder) + "\\AVR-NET-IO Logger\\logger.toml";
}

// Windows has no such service: the service option is refused where these are empty.
std::string fileServiceSettingsPath(const std::string&) { return {}; }
std::string fileServiceLogPath(const std::string&) { return {}; }

// The ANSI code page is the one the file functions here take.
std::string filePathFromUtf8(const std::string& utf8) { return recoded(utf8, CP_UTF8, CP_ACP); }
std::string fileUtf8FromPath(const std::string& path) { return recoded(path, CP_ACP, CP_UTF8); }

bool fileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

FileKind fileKind(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES)
        return attributes & FILE_ATTRIBUTE_DIRECTORY ? FileKind::other : FileKind::regular;
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? FileKind::missing : FileKind::unreachable;
}

bool fileReplace(const std::string& path, const std::string& content)
{
    // Every folder on the way, from the drive on.
    for (std::size_t slash = path.find('\\', 3); slash != std::string::npos; slash = path.find('\\', slash + 1))
        CreateDirectoryA(path.substr(0, slash).c_str(), nullptr);
    const std::string beside = path + ".new";
    HANDLE handle = CreateFileA(beside.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    DWORD wrote = 0;
    const bool written = content.size() <= MAXDWORD &&
                         WriteFile(handle, content.data(), static_cast<DWORD>(content.size()), &wrote, nullptr) &&
                         wrote == content.size() && FlushFileBuffers(handle);
    CloseHandle(handle);
    if (!written || !MoveFileExA(beside.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileA(beside.c_str());
        return false;
    }
    return true;
}

std::string fileGuidePath()
{
    // Installed beside the program, as in the build folder.
    char program[MAX_PATH] = {};
    const DWORD size = GetModuleFileNameA(nullptr, program, MAX_PATH);
    if (size == 0 || size == MAX_PATH) return {};
    std::string guide(program, size);
    guide = guide.substr(0, guide.rfind('\\') + 1) + "anleitung.html";
    return fileExists(guide) ? guide : std::string();
}

// The ANSI code page names the file and shows it alike.
std::string filePathText(const std::string& path) { return path; }

LogFile* fileOpen(const std::string& path)
{
    // Read sharing only: a second writer, this program included, is refused with a sharing violation.
    HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    // Only a file on a disk holds rows: a device (NUL, COM1) or a pipe would lose them without a word.
    if (GetFileType(handle) != FILE_TYPE_DISK) {
        CloseHandle(handle);
        return nullptr;
    }
    return new LogFile{handle};
}

std::int64_t fileLength(LogFile* file)
{
    if (file == nullptr) return -1;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file->handle, &size)) return -1;
    return size.QuadPart;
}

std::int64_t fileReadAt(LogFile* file, std::int64_t offset, char* buffer, std::size_t size)
{
    if (file == nullptr || offset < 0) return -1;
    // Reading must leave the write position where it was, as a positioned read does elsewhere.
    std::int64_t writePosition = 0;
    if (!moveTo(file->handle, 0, FILE_CURRENT, &writePosition)) return -1;
    DWORD got = 0;
    const bool read = moveTo(file->handle, offset, FILE_BEGIN) &&
                      ReadFile(file->handle, buffer, static_cast<DWORD>(std::min<std::size_t>(size, MAXDWORD)),
                               &got, nullptr);
    if (!moveTo(file->handle, writePosition, FILE_BEGIN) || !read) return -1;
    return got;
}

bool fileSeek(LogFile* file, std::int64_t offset)
{
    if (file == nullptr || offset < 0) return false;
    std::int64_t reached = -1;
    return moveTo(file->handle, offset, FILE_BEGIN, &reached) && reached == offset;
}

bool fileWrite(LogFile* file, const char* data, std::size_t size)
{
    if (file == nullptr) return false;
    std::int64_t start = 0;
    const std::int64_t before = fileLength(file);
    const bool appending = before >= 0 && moveTo(file->handle, 0, FILE_CURRENT, &start) && start >= before;
    while (size > 0) {
        DWORD put = 0;
        const DWORD part = static_cast<DWORD>(std::min<std::size_t>(size, MAXDWORD));
        // Zero bytes taken for a non-empty write would loop for ever: count it as a failure.
        if (!WriteFile(file->handle, data, part, &put, nullptr) || put == 0) {
            // A full disk can stop an append mid-row: take it back, or it runs into the next.
            if (appending && fileLength(file) > before && moveTo(file->handle, before, FILE_BEGIN) &&
                SetEndOfFile(file->handle))
                moveTo(file->handle, start, FILE_BEGIN);
            return false;
        }
        data += put;
        size -= put;
    }
    return true;
}

bool fileSync(LogFile* file)
{
    return file != nullptr && FlushFileBuffers(file->handle);
}

void fileClose(LogFile* file)
{
    if (file == nullptr) return;
    CloseHandle(file->handle);
    delete file;
}

}  // namespace platform
