#include "app/linux/metrics_server.h"

#include <httplib.h>
#include <sys/socket.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "metrics/exposition.h"

namespace quorvan {
namespace {

// cpp-httplib's own pool queues every accepted connection without a bound, so a thousand idle
// connections would be a thousand sockets and closures held. This one holds at most `waiting`:
// while it is full the accepting thread waits here, and further connections wait in the
// kernel's listen backlog instead of in this process.
class BoundedTaskQueue final : public httplib::TaskQueue {
 public:
  BoundedTaskQueue(int threads, int waiting, const std::atomic<bool>& stopping)
      : waiting_(static_cast<std::size_t>(waiting)), stopping_(stopping) {
    for (int i = 0; i < threads; ++i) workers_.emplace_back([this] { Work(); });
  }

  void enqueue(std::function<void()> job) override {
    std::unique_lock<std::mutex> lock(mutex_);
    // Once stopping, a connection is let in past the bound: the server closes it unread.
    while (jobs_.size() >= waiting_ && !stopping_) {
      spaceFreed_.wait_for(lock, std::chrono::milliseconds(100));
    }
    jobs_.push_back(std::move(job));
    jobAdded_.notify_one();
  }

  void shutdown() override {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      shutdown_ = true;
    }
    jobAdded_.notify_all();
    for (std::thread& worker : workers_) worker.join();
  }

 private:
  void Work() {
    for (;;) {
      std::function<void()> job;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        jobAdded_.wait(lock, [this] { return shutdown_ || !jobs_.empty(); });
        if (jobs_.empty()) return;  // shut down, every connection handed over
        job = std::move(jobs_.front());
        jobs_.pop_front();
      }
      spaceFreed_.notify_one();
      job();
    }
  }

  const std::size_t waiting_;
  const std::atomic<bool>& stopping_;
  std::mutex mutex_;
  std::condition_variable jobAdded_, spaceFreed_;
  std::deque<std::function<void()>> jobs_;
  bool shutdown_ = false;
  std::vector<std::thread> workers_;
};

// Only SO_REUSEADDR, so that a restart finds its port while old connections linger; not
// SO_REUSEPORT, which would let a second program bind a port that is in use.
void ListeningSocketOptions(socket_t sock) {
  const int on = 1;
  setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
}

// The listening socket, to give it a longer backlog than the library's 5.
class Server final : public httplib::Server {
 public:
  socket_t ListeningSocket() const { return svr_sock_; }
};

}  // namespace

struct MetricsServer::State {
  Server server;
  std::atomic<bool> stopping{false};
  std::thread listening;
  int port = 0;
};

MetricsServer::MetricsServer(std::unique_ptr<State> state) : state_(std::move(state)) {}

std::unique_ptr<MetricsServer> MetricsServer::Start(const ListenAddress& address,
                                                    const MetricsBoard& board, int& error,
                                                    ServerLimits limits) {
  auto state = std::make_unique<State>();
  Server& server = state->server;
  const std::atomic<bool>& stopping = state->stopping;
  server.new_task_queue = [limits, &stopping] {
    return new BoundedTaskQueue(limits.threads, limits.waiting, stopping);
  };
  server.set_socket_options(ListeningSocketOptions);
  // A response goes out in several writes: without it, Nagle's algorithm holds the last one back
  // until the client's delayed ACK, 40 ms a scrape.
  server.set_tcp_nodelay(true);
  server.set_read_timeout(limits.timeoutSeconds);
  server.set_write_timeout(limits.timeoutSeconds);
  server.set_keep_alive_timeout(limits.idleSeconds);
  server.set_keep_alive_max_count(static_cast<std::size_t>(limits.requestsPerConnection));
  server.set_payload_max_length(4096);  // a scrape has no body
  server.Get("/metrics", [&board](const httplib::Request& request, httplib::Response& response) {
    const ExpositionFormat format = FormatForAccept(request.get_header_value("Accept"));
    auto body = std::make_shared<std::string>();
    const std::shared_ptr<const MetricsSnapshot> snapshot = board.Latest();
    if (snapshot) WriteExposition(*snapshot, format, *body);
    // Sent as it is: compressing it would cost a scrape of 10,000 BSSes more than writing it
    // (brotli's default quality, which the library takes when a client accepts it, tens of
    // seconds), and a content provider of known length is never compressed.
    response.set_content_provider(
        body->size(), std::string(ContentType(format)),
        [body](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
          return offset <= body->size() && sink.write(body->data() + offset, length);
        });
  });

  // Every address: IPv6 and IPv4 on one socket where the machine has IPv6, IPv4 alone where not.
  errno = 0;
  bool bound = false;
  if (address.host.empty()) {
    bound = server.bind_to_port("::", address.port) || server.bind_to_port("0.0.0.0", address.port);
  } else {
    bound = server.bind_to_port(address.host, address.port);
  }
  if (!bound) {
    error = errno;
    return nullptr;
  }
  // Listening again only sets the backlog: past it the kernel lets new connections wait.
  listen(server.ListeningSocket(), limits.backlog);
  state->port = address.port;
  State* running = state.get();
  state->listening = std::thread([running] { running->server.listen_after_bind(); });
  // stop() does nothing to a server not yet listening: the destructor would wait for ever.
  while (!server.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  return std::unique_ptr<MetricsServer>(new MetricsServer(std::move(state)));
}

MetricsServer::~MetricsServer() {
  state_->stopping = true;
  state_->server.stop();
  state_->listening.join();
}

int MetricsServer::Port() const { return state_->port; }

}  // namespace quorvan
