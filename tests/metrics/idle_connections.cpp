// Opens many TCP connections to a port on 127.0.0.1 and sends nothing on them, as a slow or
// hostile client would; says how many the kernel established and how many the server closed
// in the time given. Usage: idle_connections PORT COUNT SECONDS

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: idle_connections PORT COUNT SECONDS\n");
    return 2;
  }
  const int port = std::atoi(argv[1]);
  const int count = std::atoi(argv[2]);
  const int seconds = std::atoi(argv[3]);
  rlimit files = {};
  if (getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < files.rlim_max) {
    files.rlim_cur = files.rlim_max;
    setrlimit(RLIMIT_NOFILE, &files);
  }
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  std::vector<int> sockets;
  for (int i = 0; i < count; ++i) {
    const int sock = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (sock < 0) {
      std::perror("socket");
      break;
    }
    connect(sock, reinterpret_cast<const sockaddr*>(&address), sizeof address);  // in progress
    sockets.push_back(sock);
  }
  std::this_thread::sleep_for(std::chrono::seconds(seconds));
  int established = 0, closedByServer = 0;
  for (const int sock : sockets) {
    pollfd ready = {sock, POLLIN | POLLOUT, 0};
    if (poll(&ready, 1, 0) <= 0) continue;  // still waiting for the handshake
    int error = 0;
    socklen_t size = sizeof error;
    if (getsockopt(sock, SOL_SOCKET, SO_ERROR, &error, &size) != 0 || error != 0) continue;
    ++established;
    char byte;
    if ((ready.revents & POLLIN) && recv(sock, &byte, 1, MSG_DONTWAIT) == 0) ++closedByServer;
  }
  for (const int sock : sockets) close(sock);
  std::printf("opened %zu, established %d, closed by the server %d\n", sockets.size(), established,
              closedByServer);
  return sockets.size() == static_cast<std::size_t>(count) ? 0 : 1;
}
