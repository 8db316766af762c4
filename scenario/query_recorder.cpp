#include "scenario/query_recorder.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "scenario/scenario_file.h"

namespace quorvan {

std::shared_ptr<QueryRecorder> QueryRecorder::Open(const std::string& path,
                                                   const std::string& shownAs, std::string& error) {
  if (path == "-") return std::shared_ptr<QueryRecorder>(new QueryRecorder(shownAs, 1, false));
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) {
    error = shownAs + ": cannot be written: " + std::strerror(errno);
    return nullptr;
  }
  return std::shared_ptr<QueryRecorder>(new QueryRecorder(shownAs, fd, true));
}

QueryRecorder::QueryRecorder(std::string shownAs, int fd, bool ownsFd)
    : shownAs_(std::move(shownAs)), fd_(fd), ownsFd_(ownsFd) {}

QueryRecorder::~QueryRecorder() {
  if (ownsFd_) ::close(fd_);
}

void QueryRecorder::Record(QueryOutcome outcome, std::span<const BssObservation> observations,
                           std::optional<int64_t> timeMs) {
  if (!writeError_.empty()) return;
  std::string line = ScenarioLineText(outcome, observations, timeMs);
  line += '\n';
  for (std::size_t done = 0; done < line.size();) {
    const ssize_t wrote = ::write(fd_, line.data() + done, line.size() - done);
    if (wrote > 0) {
      done += static_cast<std::size_t>(wrote);
    } else if (wrote < 0 && errno == EINTR) {
      continue;
    } else {
      // A write of 0 bytes makes no progress; say so rather than loop.
      writeError_ = shownAs_ + ": cannot be written: " + std::strerror(wrote < 0 ? errno : EIO);
      // Cut back to the last whole line, so that the recording replays. A pipe or a terminal
      // cannot be cut, and a failure to cut leaves nothing better to do.
      if (ownsFd_ && ::ftruncate(fd_, whole_) == 0) ::lseek(fd_, whole_, SEEK_SET);
      return;
    }
  }
  whole_ += static_cast<long long>(line.size());
}

}  // namespace quorvan
