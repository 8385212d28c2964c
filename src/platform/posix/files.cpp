// File service on POSIX: an advisory flock stands in for the sharing mode that keeps other
// writers out while the log is open; readers are not affected.
// Offsets are 64-bit on every POSIX build, 32-bit ones included; must precede every system header.
#define _FILE_OFFSET_BITS 64

#include "platform/files.h"
#include "platform/posix/interrupted.h"

#include <cerrno>
#include <cstdio>
#include <csignal>
#include <cstdlib>

#include <fcntl.h>
#include <iconv.h>
#include <langinfo.h>
#include <locale.h>
#include <linux/magic.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace platform {

struct LogFile {
    int fd = -1;
};

namespace {

bool fitsOffset(std::int64_t offset)
{
    return offset >= 0 && static_cast<std::int64_t>(static_cast<off_t>(offset)) == offset;
}

int openRetrying(const std::string& path, int flags)
{
    return retryInterrupted([&] { return open(path.c_str(), flags, 0644); });
}

// A new file's name lives in its folder, which a power cut can lose although the file's rows were
// synced: the folder is synced too. Best effort: a folder that cannot be read or synced (a file
// system without it) leaves the log as usable as before.
void syncFolderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    const int fd = openRetrying(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    retryInterrupted([&] { return fsync(fd); });
    close(fd);
}

}  // namespace

std::string fileDefaultLogPath()
{
    const char* home = std::getenv("HOME");
    if (home == nullptr || *home == '\0') return "AVR-NET-IO.CSV";
    std::string path = home;
    if (path.back() != '/') path += '/';
    return path + "AVR-NET-IO.CSV";
}

std::string fileDefaultSettingsPath()
{
    // An XDG_CONFIG_HOME that is no absolute path is to be ignored.
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::string folder;
    if (config != nullptr && config[0] == '/') {
        folder = config;
    } else {
        const char* home = std::getenv("HOME");
        if (home == nullptr || *home == '\0') return {};
        folder = std::string(home) + "/.config";
    }
    if (folder.back() != '/') folder += '/';
    return folder + "avrnetio-logger/logger.toml";
}

std::string fileServiceSettingsPath(const std::string& name) { return "/etc/avrnetio-logger/" + name + ".toml"; }

std::string fileServiceLogPath(const std::string& name)
{
    // systemd names the service's own folder; by hand it is the usual one.
    const char* state = std::getenv("STATE_DIRECTORY");
    std::string folder = state != nullptr && state[0] == '/' ? state : "/var/lib/avrnetio-logger";
    // Several folders are separated by colons; the first is the service's own.
    folder = folder.substr(0, folder.find(':'));
    if (folder.back() != '/') folder += '/';
    return folder + name + ".csv";
}

std::string filePathFromUtf8(const std::string& utf8) { return utf8; }
std::string fileUtf8FromPath(const std::string& path) { return path; }

namespace {

bool makeFolders(const std::string& folder)
{
    for (std::size_t slash = folder.find('/', 1); ; slash = folder.find('/', slash + 1)) {
        const std::string part = folder.substr(0, slash);
        if (mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) return false;
        if (slash == std::string::npos) return true;
    }
}

}  // namespace

bool fileReplace(const std::string& path, const std::string& content)
{
    // Through a link to the file it names, which takes the content and keeps its mode; the link stays.
    std::string target = path;
    if (char* real = realpath(path.c_str(), nullptr)) {
        target = real;
        std::free(real);
    }
    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : target.substr(0, slash);
    if (!makeFolders(folder)) return false;
    struct stat old {};
    const mode_t mode = stat(target.c_str(), &old) == 0 ? old.st_mode & 07777 : 0644;
    // A name of its own, made new: nothing that stands there already, a link least of all, is written through.
    std::string beside = target + ".XXXXXX";
    const int fd = mkostemp(beside.data(), O_CLOEXEC);
    if (fd < 0) return false;
    const bool written = fchmod(fd, mode) == 0 && writeAll(fd, content) && fsync(fd) == 0;
    const bool closed = close(fd) == 0;
    if (!written || !closed || rename(beside.c_str(), target.c_str()) != 0) {
        unlink(beside.c_str());
        return false;
    }
    syncFolderOf(target);
    return true;
}

std::string fileGuidePath()
{
    // The installed guide, else the one built beside the program in its build folder.
    const std::string installed = "/usr/share/doc/avrnetio-logger/anleitung.html";
    if (fileExists(installed)) return installed;
    char program[4096];
    const ssize_t size = readlink("/proc/self/exe", program, sizeof program - 1);
    if (size <= 0) return {};
    std::string built(program, static_cast<std::size_t>(size));
    built = built.substr(0, built.rfind('/') + 1) + "anleitung.html";
    return fileExists(built) ? built : std::string();
}

bool fileExists(const std::string& path)
{
    struct stat status {};
    return stat(path.c_str(), &status) == 0;
}

FileKind fileKind(const std::string& path)
{
    struct stat status {};
    if (stat(path.c_str(), &status) == 0) return S_ISREG(status.st_mode) ? FileKind::regular : FileKind::other;
    // A link to nothing is there all the same: only a name that names nothing is missing.
    if (errno == ENOENT && lstat(path.c_str(), &status) != 0) return FileKind::missing;
    return FileKind::unreachable;
}

std::string filePathText(const std::string& path)
{
    // The user's encoding, read without changing the process locale, which keeps numbers in "C".
    // Where the locale names none (plain ASCII), file names are UTF-8 as on every desktop.
    std::string codeset = "UTF-8";
    if (const locale_t user = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(0))) {
        const std::string named = nl_langinfo_l(CODESET, user);
        if (named != "ANSI_X3.4-1968") codeset = named;
        freelocale(user);
    }
    const bool utf8 = codeset == "UTF-8";
    const iconv_t converter = iconv_open("ISO-8859-1//TRANSLIT", codeset.c_str());
    if (converter == reinterpret_cast<iconv_t>(-1)) return path;
    std::string text(path.size() * 4 + 4, '\0');  // a transliteration may take several bytes
    char* in = const_cast<char*>(path.data());
    std::size_t inLeft = path.size();
    char* out = text.data();
    std::size_t outLeft = text.size();
    while (inLeft > 0 && outLeft > 0) {
        if (iconv(converter, &in, &inLeft, &out, &outLeft) != static_cast<std::size_t>(-1)) break;
        if (errno == E2BIG) break;
        // A character Latin-1 cannot show, or bytes that are none of the encoding: one '?'.
        *out++ = '?';
        --outLeft;
        do {
            ++in;
            --inLeft;
        } while (utf8 && inLeft > 0 && (static_cast<unsigned char>(*in) & 0xC0) == 0x80);
    }
    iconv_close(converter);
    text.resize(text.size() - outLeft);
    return text;
}

LogFile* fileOpen(const std::string& path)
{
    // Past a file size limit a write must fail like a full disk, not end the process.
    std::signal(SIGXFSZ, SIG_IGN);
    // An existing file first, so that a file made here is known to be new.
    int fd = openRetrying(path, O_RDWR | O_CLOEXEC);
    bool created = false;
    if (fd < 0 && errno == ENOENT) {
        fd = openRetrying(path, O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC);
        created = fd >= 0;
        // Made by another program meanwhile, or a link to a missing file: opened as it is.
        if (fd < 0 && errno == EEXIST) fd = openRetrying(path, O_RDWR | O_CREAT | O_CLOEXEC);
    }
    // Only a file on a disk holds rows: a device (/dev/full), a pipe or the kernel's own files
    // (/proc, /sys) would take or lose every write without a word.
    struct stat status {};
    struct statfs system {};
    if (fd >= 0 && (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || fstatfs(fd, &system) != 0 ||
                    system.f_type == PROC_SUPER_MAGIC || system.f_type == SYSFS_MAGIC)) {
        close(fd);
        fd = -1;
    }
    if (fd < 0) return nullptr;
    // flock belongs to the open file description, so even a second open in this process is refused.
    if (retryInterrupted([&] { return flock(fd, LOCK_EX | LOCK_NB); }) != 0) {
        close(fd);
        return nullptr;
    }
    if (created) syncFolderOf(path);
    return new LogFile{fd};
}

std::int64_t fileLength(LogFile* file)
{
    if (file == nullptr) return -1;
    struct stat info {};
    if (fstat(file->fd, &info) != 0) return -1;
    return static_cast<std::int64_t>(info.st_size);
}

std::int64_t fileReadAt(LogFile* file, std::int64_t offset, char* buffer, std::size_t size)
{
    if (file == nullptr || !fitsOffset(offset)) return -1;
    const ssize_t got = retryInterrupted([&] { return pread(file->fd, buffer, size, static_cast<off_t>(offset)); });
    return got < 0 ? -1 : static_cast<std::int64_t>(got);
}

bool fileSeek(LogFile* file, std::int64_t offset)
{
    if (file == nullptr || !fitsOffset(offset)) return false;
    return lseek(file->fd, static_cast<off_t>(offset), SEEK_SET) == static_cast<off_t>(offset);
}

bool fileWrite(LogFile* file, const char* data, std::size_t size)
{
    if (file == nullptr) return false;
    struct stat before {};
    const off_t start = lseek(file->fd, 0, SEEK_CUR);
    const bool appending = fstat(file->fd, &before) == 0 && start >= before.st_size;
    if (writeAll(file->fd, std::string_view(data, size))) return true;
    // A full disk or a size limit can stop an append mid-row: take it back, or it runs into the next.
    if (appending && ftruncate(file->fd, before.st_size) == 0) lseek(file->fd, start, SEEK_SET);
    return false;
}

bool fileSync(LogFile* file)
{
    if (file == nullptr) return false;
    return retryInterrupted([&] { return fdatasync(file->fd); }) == 0;
}

void fileClose(LogFile* file)
{
    if (file == nullptr) return;
    // Closing releases the lock; a retry after EINTR could close a descriptor reused meanwhile.
    close(file->fd);
    delete file;
}

}  // namespace platform
