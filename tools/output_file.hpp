// Outputs of the stoka program that cannot destroy anything: checked before
// any work, streamed in blocks, put in place whole or not at all.
#ifndef STOKA_TOOLS_OUTPUT_FILE_HPP
#define STOKA_TOOLS_OUTPUT_FILE_HPP

#include <sys/types.h>

#include <ostream>
#include <streambuf>
#include <string>
#include <vector>

namespace cli {

// One output named on the command line. "-" is standard output. A regular
// file, or a link to one, is written to an unnamed temporary file beside it
// (the link's target, for a link) that Commit() puts in its place with the
// old file's permissions; until then the old file is untouched, and a run
// that stops or is killed leaves nothing behind. Anything else (a FIFO, a
// terminal, /dev/stdout) is written straight and never replaced.
//
// Text goes in through Stream() or through Room()/Used() (numbers formatted
// in place); both fill one buffer written out in blocks. Every failure
// throws InputError naming the output; the destructor of an uncommitted
// output discards what was written.
class OutputFile : private std::streambuf {
 public:
  // Checks the path and, for a file, makes the temporary file now, so that an
  // output that cannot be written is refused before any work is done.
  explicit OutputFile(const std::string& path);
  ~OutputFile() override;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  const std::string& path() const { return path_; }
  // A file that Commit() puts in place (not a stream such as a FIFO).
  bool IsFile() const { return kind_ != kStraight; }
  // The same file or stream as another path (an existing file: by device and
  // inode; a new one: by its resolved path).
  bool Same(const std::string& other) const;

  std::ostream& Stream() { return stream_; }
  // At least n writable bytes at the returned pointer; Used(end) keeps them.
  char* Room(size_t n) {
    if (static_cast<size_t>(epptr() - pptr()) < n) Flush();
    return pptr();
  }
  void Used(char* end) { pbump(static_cast<int>(end - pptr())); }
  void Write(const char* data, size_t n);

  // Writes out the rest, closes, and puts a file in place.
  void Commit();

 private:
  enum Kind { kStraight, kReplace, kCreate };
  int overflow(int c) override;
  int sync() override;
  void Flush();
  void OpenStraight();
  [[noreturn]] void Fail(const std::string& what, int error);
  void Discard();

  std::string path_, target_, named_temp_;
  Kind kind_ = kStraight;
  int fd_ = -1;
  bool unnamed_ = false, committed_ = false;
  bool borrowed_ = false;  // a descriptor the process had open: never closed
  dev_t dev_ = 0;
  ino_t ino_ = 0;
  std::string resolved_;  // for a file that does not exist yet
  std::vector<char> buffer_;
  std::ostream stream_;
};

// Refuses two outputs that are one file, and an output that is an input.
void CheckOutputs(const std::vector<const OutputFile*>& outputs,
                  const std::vector<std::string>& inputs);

// Ignore SIGPIPE and SIGXFSZ: a closed reader or a full file then shows as a
// failed write, which is reported, instead of killing the program silently.
void ReportWriteFailures();

}  // namespace cli

#endif
