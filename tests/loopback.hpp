#pragma once
// A listening TCP socket on 127.0.0.1 at a port the system picks, for the servers and
// relays that tests run in their own threads.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <thread>

namespace pw::test {

// The listening socket; `port` receives the port it listens on.
inline int ListenOnLoopback(std::uint16_t& port) {
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(listener, 8);
    socklen_t length = sizeof address;
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
    return listener;
}

// Accepts connections on 127.0.0.1, counts them and closes them unanswered: stands for a
// proxy or a listener that nothing should reach.
class CountingListener {
public:
    CountingListener() : fd_(test::ListenOnLoopback(port_)), thread_([this] { Run(); }) {}
    ~CountingListener() {
        running_ = false;
        thread_.join();
        ::close(fd_);
    }
    std::uint16_t port() const { return port_; }
    int connections() const { return connections_; }

private:
    void Run() {
        while (running_) {
            pollfd entry{fd_, POLLIN, 0};
            if (::poll(&entry, 1, 20) <= 0) continue;
            if (const int client = ::accept(fd_, nullptr, nullptr); client >= 0) ::close(client);
            ++connections_;
        }
    }

    std::uint16_t port_ = 0;
    int fd_;
    std::atomic<bool> running_{true};
    std::atomic<int> connections_{0};
    std::thread thread_;
};

}  // namespace pw::test
