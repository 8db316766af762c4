#include "tracking/tracked_network.h"

#include <cstring>

namespace quorvan {

int CompareText(const char* a, const char* b) {
  // strcmp compares as unsigned char, which is the ordering wanted; only its sign is kept.
  const int result = std::strcmp(a, b);
  return (result > 0) - (result < 0);
}

}  // namespace quorvan
