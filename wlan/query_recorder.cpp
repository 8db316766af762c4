#include "wlan/query_recorder.h"

#include <cerrno>
#include <cstring>

#include "wlan/scenario_file.h"

namespace quorvan {

std::shared_ptr<QueryRecorder> QueryRecorder::Open(const std::string& path, std::string& error) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) {
    error = path + ": cannot be written: " + std::strerror(errno);
    return nullptr;
  }
  return std::shared_ptr<QueryRecorder>(new QueryRecorder(path, file));
}

QueryRecorder::QueryRecorder(std::string path, std::FILE* file)
    : path_(std::move(path)), file_(file) {}

QueryRecorder::~QueryRecorder() { std::fclose(file_); }

void QueryRecorder::Record(QueryOutcome outcome, std::span<const BssObservation> observations) {
  if (!writeError_.empty()) return;
  std::string line = ScenarioLineText(outcome, observations);
  line += '\n';
  if (std::fwrite(line.data(), 1, line.size(), file_) != line.size() || std::fflush(file_) != 0) {
    writeError_ = path_ + ": cannot be written: " + std::strerror(errno);
  }
}

}  // namespace quorvan
