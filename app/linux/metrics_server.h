#pragma once

// GET /metrics over HTTP, from the latest snapshot on the board: the thin glue between
// cpp-httplib and the metrics library.

#include <memory>
#include <string>

#include "metrics/listen_address.h"
#include "metrics/sensor_metrics.h"

namespace quorvan {

// How much the server may hold at once, whatever its clients do.
struct ServerLimits {
  // Connections served at the same time: each holds a thread while it waits for its request, so
  // idle connections are let go after idleSeconds, so many at a time.
  int threads = 32;
  int waiting = 64;        // accepted connections waiting for a thread; past it none is accepted
  int backlog = 128;       // connections the kernel holds before they are accepted
  int timeoutSeconds = 5;  // to read a request, to write a response
  int idleSeconds = 1;     // a connection waiting for its next request, the first included
  int requestsPerConnection = 100;
};

class MetricsServer {
 public:
  // Listens on `address` at once and serves from its own threads until destroyed; `board` must
  // outlive it. Nothing when the address cannot be bound, `error` then the errno of the failure
  // (0 when the library gave none).
  static std::unique_ptr<MetricsServer> Start(const ListenAddress& address,
                                              const MetricsBoard& board, int& error,
                                              ServerLimits limits = {});
  ~MetricsServer();  // stops, and waits for the requests being served
  MetricsServer(const MetricsServer&) = delete;
  MetricsServer& operator=(const MetricsServer&) = delete;

  int Port() const;  // where it listens

  struct State;

 private:
  explicit MetricsServer(std::unique_ptr<State> state);
  std::unique_ptr<State> state_;
};

}  // namespace quorvan
