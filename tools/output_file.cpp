// Outputs that cannot destroy anything: see output_file.hpp.
#include "output_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <iostream>

#include "cli.hpp"

namespace cli {
namespace {

// Written out whenever this much is buffered.
constexpr size_t kBlock = size_t{1} << 20;

// Named temporary files (only where the file system has no unnamed ones),
// removed by a handler when the run is interrupted. The names are kept in
// fixed storage: the handler may only call async-signal-safe functions.
constexpr int kMaxNamed = 8;
char named_temps[kMaxNamed][PATH_MAX + 1];

void RemoveNamedTemps(int signal) {
  for (auto& name : named_temps)
    if (name[0]) ::unlink(name);
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

void Remember(const std::string& name, bool keep) {
  for (auto& slot : named_temps) {
    if (keep && !slot[0] && name.size() <= PATH_MAX) {
      std::memcpy(slot, name.c_str(), name.size() + 1);
      for (int s : {SIGINT, SIGTERM, SIGHUP}) std::signal(s, RemoveNamedTemps);
      return;
    }
    if (!keep && name == slot) slot[0] = '\0';
  }
}

std::string Folder(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string Resolved(const std::string& path) {
  char resolved[PATH_MAX + 1];
  return ::realpath(path.c_str(), resolved) ? resolved : "";
}

// A name of one of the process's open files (/dev/stdout, /dev/fd/3): its
// descriptor, written straight as it stands; -1 for any other name.
int OpenDescriptor(std::string path) {
  const std::string own = "/proc/" + std::to_string(::getpid()) + "/fd";
  for (int hops = 0; hops < 40; ++hops) {
    const std::string base = path.substr(path.rfind('/') + 1);
    if (Resolved(Folder(path)) == own) {
      char* end = nullptr;
      const long fd = std::strtol(base.c_str(), &end, 10);
      return base.empty() || *end ? -1 : static_cast<int>(fd);
    }
    char next[PATH_MAX + 1];
    const ssize_t size = ::readlink(path.c_str(), next, PATH_MAX);
    if (size <= 0) return -1;
    path = next[0] == '/' ? std::string(next, size) : Folder(path) + "/" + std::string(next, size);
  }
  return -1;
}

mode_t NewFileMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

}  // namespace

OutputFile::OutputFile(const std::string& path) : path_(path), stream_(this) {
  buffer_.resize(kBlock);
  setp(buffer_.data(), buffer_.data() + buffer_.size());
  stream_.exceptions(std::ios::badbit);
  struct stat st;
  if (path == "-" || (fd_ = OpenDescriptor(path)) >= 0) {
    if (path == "-") fd_ = STDOUT_FILENO;
    borrowed_ = true;
    if (::fstat(fd_, &st) != 0) throw InputError(path, std::string("cannot be written: ") + std::strerror(errno));
    dev_ = st.st_dev, ino_ = st.st_ino;
    return;
  }
  if (path.empty()) throw InputError("an output", "needs a file name (or - for standard output)");
  target_ = path;
  if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    target_ = Resolved(path);
    if (target_.empty())
      throw InputError(path, std::string("is a link that leads nowhere: ") + std::strerror(errno));
  }
  // Nothing in the system's own folders is ever made or replaced: what exists
  // there is written straight, as a device.
  const std::string home = Resolved(Folder(target_));
  bool system = false;
  for (const char* root : {"/dev", "/proc", "/sys"})
    system |= home.compare(0, std::strlen(root), root) == 0 &&
              (home.size() == std::strlen(root) || home[std::strlen(root)] == '/');
  mode_t mode = NewFileMode();
  if (::stat(target_.c_str(), &st) == 0) {
    dev_ = st.st_dev, ino_ = st.st_ino;
    if (S_ISDIR(st.st_mode)) throw InputError(path, "is a folder: name a file in it");
    if (::access(target_.c_str(), W_OK) != 0)
      throw InputError(path, std::string("cannot be written: ") + std::strerror(errno));
    if (!S_ISREG(st.st_mode) || system) return;  // a FIFO or a device: written straight, when written
    kind_ = kReplace;
    mode = st.st_mode & 07777;
  } else if (errno == ENOENT && system) {
    throw InputError(path, "cannot be written: no such device (no file is made in " + home + ")");
  } else if (errno == ENOENT) {
    kind_ = kCreate;
    const std::string folder = Folder(target_);
    struct stat fs;
    if (::stat(folder.c_str(), &fs) != 0 || !S_ISDIR(fs.st_mode))
      throw InputError(path, "cannot be written: the folder " + folder + " does not exist");
    resolved_ = Resolved(folder) + "/" + target_.substr(target_.rfind('/') + 1);
  } else {
    throw InputError(path, std::string("cannot be written: ") + std::strerror(errno));
  }
  const std::string folder = Folder(target_);
  // A named temporary file where the file system has no unnamed ones (and
  // when STOKA_NAMED_TEMPORARY is set, so that this path can be tried).
  const bool named = std::getenv("STOKA_NAMED_TEMPORARY") != nullptr;
  fd_ = named ? -1 : ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
  unnamed_ = fd_ >= 0;
  if (!unnamed_ && (named || errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
    std::string name = folder + "/." + target_.substr(target_.rfind('/') + 1) + ".stoka-XXXXXX";
    fd_ = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd_ >= 0) {
      named_temp_ = name;
      Remember(named_temp_, true);
    }
  }
  if (fd_ < 0)
    throw InputError(path, "cannot be written in " + folder + ": " + std::strerror(errno));
  if (::fchmod(fd_, mode) != 0) Fail("cannot be given its permissions", errno);
  if (kind_ == kReplace && (st.st_uid != ::geteuid() || st.st_gid != ::getegid()))
    (void)!::fchown(fd_, st.st_uid, st.st_gid);  // kept where allowed (as its owner, or root)
}

OutputFile::~OutputFile() {
  if (!committed_) Discard();
}

bool OutputFile::Same(const std::string& other) const {
  struct stat st;
  if (other == "-" ? ::fstat(STDOUT_FILENO, &st) == 0 : ::stat(other.c_str(), &st) == 0)
    return ino_ != 0 && st.st_dev == dev_ && st.st_ino == ino_;
  if (resolved_.empty() || other.empty()) return false;
  const std::string folder = Resolved(Folder(other));
  return !folder.empty() && folder + "/" + other.substr(other.rfind('/') + 1) == resolved_;
}

void OutputFile::Write(const char* data, size_t n) {
  while (n > 0) {
    if (pptr() == epptr()) Flush();
    const size_t part = std::min(n, static_cast<size_t>(epptr() - pptr()));
    std::memcpy(pptr(), data, part);
    pbump(static_cast<int>(part));
    data += part, n -= part;
  }
}

int OutputFile::overflow(int c) {
  Flush();
  if (c != traits_type::eof()) {
    *pptr() = traits_type::to_char_type(c);
    pbump(1);
  }
  return traits_type::not_eof(c);
}

int OutputFile::sync() {
  Flush();
  return 0;
}

void OutputFile::OpenStraight() {
  if (fd_ >= 0) return;
  fd_ = ::open(target_.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
  if (fd_ < 0) Fail("cannot be opened", errno);
}

void OutputFile::Flush() {
  if (fd_ == STDOUT_FILENO) std::cout.flush();
  if (kind_ == kStraight) OpenStraight();
  for (const char* at = pbase(); at < pptr();) {
    const ssize_t done = ::write(fd_, at, static_cast<size_t>(pptr() - at));
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) Fail("cannot be written", done < 0 ? errno : ENOSPC);
    at += done;
  }
  setp(buffer_.data(), buffer_.data() + buffer_.size());
}

void OutputFile::Commit() {
  stream_.flush();
  Flush();
  if (kind_ == kStraight) {
    if (!borrowed_ && ::close(fd_) != 0) Fail("cannot be written", errno);
    if (!borrowed_) fd_ = -1;
    committed_ = true;
    return;
  }
  // On disk before it is put in place: a crash never leaves an empty file
  // where the old one was.
  if (::fsync(fd_) != 0) Fail("cannot be written", errno);
  std::string name = named_temp_;
  if (unnamed_) {
    // A new file is linked straight in its place; a file that exists is
    // linked beside it under a passing name and renamed over it.
    name = kind_ == kCreate ? target_ : target_ + ".stoka-" + std::to_string(::getpid());
    const std::string self = "/proc/self/fd/" + std::to_string(fd_);
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) != 0 &&
        ::linkat(fd_, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) != 0)
      Fail("cannot be put in place", errno);
    if (kind_ == kReplace) named_temp_ = name;
  }
  const int closed = ::close(fd_);
  fd_ = -1;
  if (closed != 0) {
    const int error = errno;
    if (name == target_) ::unlink(name.c_str());
    Fail("cannot be written", error);
  }
  if (name != target_ && ::rename(name.c_str(), target_.c_str()) != 0)
    Fail("cannot be replaced", errno);
  Remember(named_temp_, false);
  named_temp_.clear();
  committed_ = true;
}

void OutputFile::Discard() {
  if (fd_ >= 0 && !borrowed_) ::close(fd_);
  fd_ = -1;
  if (!named_temp_.empty()) {
    ::unlink(named_temp_.c_str());
    Remember(named_temp_, false);
    named_temp_.clear();
  }
}

void OutputFile::Fail(const std::string& what, int error) {
  Discard();
  committed_ = true;  // nothing left to discard
  throw InputError(path_ == "-" ? "standard output" : path_, what + ": " + std::strerror(error));
}

void CheckOutputs(const std::vector<const OutputFile*>& outputs,
                  const std::vector<std::string>& inputs) {
  for (size_t i = 0; i < outputs.size(); ++i) {
    for (const auto& input : inputs)
      if (outputs[i]->Same(input))
        throw InputError(outputs[i]->path(), "is an input of this run: it would be overwritten");
    for (size_t j = 0; j < i; ++j)
      if (outputs[i]->Same(outputs[j]->path()))
        throw InputError(outputs[i]->path(), "is named for two outputs (it is " +
                                                 outputs[j]->path() + ")");
  }
}

void ReportWriteFailures() {
  std::signal(SIGPIPE, SIG_IGN);
  std::signal(SIGXFSZ, SIG_IGN);
}

}  // namespace cli
