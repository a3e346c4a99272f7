// SPDX-License-Identifier: GPL-3.0-or-later
#include "output_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <random>

#include "cli.h"

// Where the output lives decides how it is written:
//
// - Nothing there, a regular file, or a symbolic link: a temporary file is
//   made in the same folder with O_CREAT | O_EXCL | O_NOFOLLOW and a random
//   name of fixed length, written, fsync'd and renamed over the name. rename
//   replaces the directory entry itself: a link is replaced, never followed,
//   and a hard link's other names keep the old contents. The new file gets
//   the mode of the regular file it replaces, else what a new file gets
//   (0666 less the umask).
// - A device, FIFO or socket, or a link to one: the user asked for that
//   object (/dev/null, /dev/stdout), so it is opened and written as it is.
//   A link to a regular file that is this process's stdout or stderr
//   (/dev/stdout redirected to a file) is written through that stream.
//
// Shared sticky folders such as /tmp: another user may plant there, under
// the name we are about to write, a link to a file of ours or to a device,
// or a FIFO that blocks us. The kernel's fs.protected_symlinks and
// fs.protected_fifos refuse to follow or open such entries, but they can be
// off (they are in many containers). So an entry in a sticky folder that
// belongs neither to us nor to the folder's owner is never followed nor
// opened: it is only ever replaced by rename, which the sticky bit allows
// to its owner and to root alone. A user other than root then gets a clear
// refusal; root replaces the planted entry and writes nothing anywhere else.
// The temporary itself cannot be planted: its name is random, and O_EXCL
// with O_NOFOLLOW refuses any entry that is already there.

namespace {

// Signal-safe list of the temporaries that exist: a handler removes them and
// ends the process as the signal would have.
constexpr int slotCount = 8;
constexpr size_t temporaryNameSize = 32;
constexpr int interruptingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};

struct Slot {
    std::atomic<int> folder{-1};  // >= 0 while the temporary exists
    char name[temporaryNameSize];
};
Slot slots[slotCount];
static_assert(std::atomic<int>::is_always_lock_free, "the signal handler reads the slots");

extern "C" void removeTemporariesAndEnd(int signalNumber)
{
    const int savedErrno = errno;
    for (Slot& slot : slots) {
        const int folder = slot.folder.load();
        if (folder >= 0)
            unlinkat(folder, slot.name, 0);
    }
    signal(signalNumber, SIG_DFL);
    errno = savedErrno;
    // Blocked while this handler runs: delivered, with its default action,
    // as soon as the handler returns.
    raise(signalNumber);
}

// Where a signal still has its default action. One that the caller ignores
// (nohup, SIGPIPE ignored) stays ignored, and one with a handler of its
// caller's keeps it.
void installHandlers()
{
    for (const int signalNumber : interruptingSignals) {
        struct sigaction current = {};
        if (sigaction(signalNumber, nullptr, &current) != 0 || current.sa_handler != SIG_DFL)
            continue;
        struct sigaction handler = {};
        handler.sa_handler = removeTemporariesAndEnd;
        sigemptyset(&handler.sa_mask);
        for (const int other : interruptingSignals)
            sigaddset(&handler.sa_mask, other);
        sigaction(signalNumber, &handler, nullptr);
    }
}

// Holds the interrupting signals back for its lifetime, so that a temporary
// is never made or renamed without the list knowing it.
class SignalsHeld {
public:
    SignalsHeld()
    {
        sigset_t held;
        sigemptyset(&held);
        for (const int signalNumber : interruptingSignals)
            sigaddset(&held, signalNumber);
        pthread_sigmask(SIG_BLOCK, &held, &previous_);
    }
    ~SignalsHeld() { pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }

private:
    sigset_t previous_;
};

int claimSlot(int folder, const std::string& name)
{
    for (int i = 0; i < slotCount; ++i) {
        int expected = -1;
        // -2 marks a slot being filled; the handler skips it.
        if (slots[i].folder.compare_exchange_strong(expected, -2)) {
            std::memcpy(slots[i].name, name.c_str(), name.size() + 1);
            slots[i].folder.store(folder);
            return i;
        }
    }
    return -1;
}

void releaseSlot(int slot)
{
    if (slot >= 0)
        slots[slot].folder.store(-1);
}

std::string randomTemporaryName()
{
    static const char letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    static std::random_device source;
    std::string name = ".glimmer-";
    for (int i = 0; i < 12; ++i)
        name += letters[source() % (sizeof letters - 1)];
    return name + ".part";
}

bool sameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

std::string reasonOf(int error)
{
    return std::strerror(error);
}

// Returns 0, or the errno of the failed write.
int writeAll(int descriptor, const uint8_t* bytes, size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(descriptor, bytes, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return written < 0 ? errno : EIO;
        bytes += written;
        size -= size_t(written);
    }
    return 0;
}

constexpr size_t bufferLimit = size_t(1) << 18;

}  // namespace

// A failure once the folder is open goes through failWith, which closes and
// removes what was made: no destructor runs for a constructor that throws.
OutputFile::OutputFile(std::string path, std::span<const std::string> inputs) : path_(std::move(path))
{
    if (path_.empty())
        fail("cannot write '': an empty name names no file");
    struct stat entry = {};
    const bool exists = lstat(path_.c_str(), &entry) == 0;
    // Too long a name, a folder that is a file, no permission to look: all
    // known before any work.
    if (!exists && errno != ENOENT)
        failWith(reasonOf(errno));
    if (exists && S_ISDIR(entry.st_mode))
        failWith("it is a directory");

    std::filesystem::path folderPath = std::filesystem::path(path_).parent_path();
    if (folderPath.empty())
        folderPath = ".";
    folder_ = open(folderPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder_ < 0)
        failWith(errno == ENOENT ? "there is no folder " + quotedName(folderPath.string()) : reasonOf(errno));
    struct stat folder = {};
    fstat(folder_, &folder);
    const bool planted = exists && (folder.st_mode & S_ISVTX) && entry.st_uid != geteuid() &&
                         entry.st_uid != folder.st_uid;
    if (planted && geteuid() != 0)
        failWith("another user's entry of that name is in this shared (sticky) folder");

    // What the name leads to, when it may be followed.
    struct stat target = entry;
    const bool resolves = exists && !planted && (!S_ISLNK(entry.st_mode) || stat(path_.c_str(), &target) == 0);
    for (const std::string& input : inputs) {
        struct stat read = {};
        if (stat(input.c_str(), &read) == 0 && ((exists && sameFile(read, entry)) || (resolves && sameFile(read, target)))) {
            discard();
            fail("the output " + quotedName(path_) + " is the input itself; choose another output name");
        }
    }

    installHandlers();
    if (resolves && !S_ISREG(target.st_mode)) {
        descriptor_ = open(path_.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
        struct stat opened = {};
        if (descriptor_ < 0)
            failWith(reasonOf(errno));
        if (fstat(descriptor_, &opened) != 0 || S_ISREG(opened.st_mode))
            failWith("it was replaced while glimmer opened it");
    } else if (resolves && S_ISLNK(entry.st_mode)) {
        // /dev/stdout or /dev/stderr on a file: written through that stream.
        for (const int stream : {STDOUT_FILENO, STDERR_FILENO}) {
            struct stat streamFile = {};
            if (descriptor_ < 0 && fstat(stream, &streamFile) == 0 && sameFile(streamFile, target) &&
                (descriptor_ = fcntl(stream, F_DUPFD_CLOEXEC, 3)) < 0)
                failWith(reasonOf(errno));
        }
    }
    if (descriptor_ >= 0) {
        struct stat standard = {}, opened = {};
        standardOutput_ = fstat(STDOUT_FILENO, &standard) == 0 && fstat(descriptor_, &opened) == 0 &&
                          sameFile(standard, opened);
        return;
    }

    const SignalsHeld held;
    for (int attempt = 0; attempt < 100 && descriptor_ < 0; ++attempt) {
        const std::string temporary = randomTemporaryName();
        descriptor_ = openat(folder_, temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (descriptor_ >= 0) {
            temporaryName_ = temporary;
            slot_ = claimSlot(folder_, temporaryName_);
        } else if (errno != EEXIST) {
            break;
        }
    }
    if (descriptor_ < 0)
        failWith(reasonOf(errno));
    if (slot_ < 0)
        failWith("too many outputs open at once");
}

OutputFile::~OutputFile()
{
    discard();
}

void OutputFile::discard()
{
    const SignalsHeld held;
    if (descriptor_ >= 0)
        close(descriptor_);
    if (!temporaryName_.empty())
        unlinkat(folder_, temporaryName_.c_str(), 0);
    releaseSlot(slot_);
    if (folder_ >= 0)
        close(folder_);
    descriptor_ = -1;
    folder_ = -1;
    temporaryName_.clear();
    slot_ = -1;
}

void OutputFile::failWith(const std::string& reason)
{
    discard();
    fail("cannot write " + quotedName(path_) + ": " + reason);
}

void OutputFile::flush()
{
    if (const int error = writeAll(descriptor_, buffer_.data(), buffer_.size()))
        failWith(reasonOf(error));
    buffer_.clear();
}

void OutputFile::write(std::span<const uint8_t> bytes)
{
    if (descriptor_ < 0)
        fail("cannot write " + quotedName(path_) + ": it is closed");
    // A large write goes out as it is: a copy of a whole decoded picture
    // would double what it costs.
    if (bytes.size() >= bufferLimit) {
        flush();
        if (const int error = writeAll(descriptor_, bytes.data(), bytes.size()))
            failWith(reasonOf(error));
        return;
    }
    buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
    if (buffer_.size() >= bufferLimit)
        flush();
}

void OutputFile::commit()
{
    flush();
    if (temporaryName_.empty()) {
        const int closed = close(descriptor_);
        descriptor_ = -1;
        if (closed != 0)
            failWith(reasonOf(errno));
        discard();
        return;
    }
    struct stat replaced = {};
    if (lstat(path_.c_str(), &replaced) == 0 && S_ISREG(replaced.st_mode))
        fchmod(descriptor_, replaced.st_mode & 0777);
    if (fsync(descriptor_) != 0)
        failWith(reasonOf(errno));
    const int closed = close(descriptor_);
    descriptor_ = -1;
    if (closed != 0)
        failWith(reasonOf(errno));
    {
        const SignalsHeld held;
        if (renameat(folder_, temporaryName_.c_str(), AT_FDCWD, path_.c_str()) != 0)
            failWith(reasonOf(errno));
        releaseSlot(slot_);
        slot_ = -1;
        temporaryName_.clear();
    }
    // The rename itself reaches the disk with the folder.
    fsync(folder_);
    discard();
}
