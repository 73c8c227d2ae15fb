#pragma once
// A one-thread HTTP server on 127.0.0.1 and an ephemeral port for the installer's
// fetches: it reads one request line, records it, sends the canned answer for its
// path (or nothing, or stalls) and closes. Stops when destroyed.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tests/loopback.hpp"

namespace pw::test {

class HttpTestServer {
public:
    // What the server does for a path: send `body` (in pieces of `piece` bytes with
    // `pause` between them, when set), or hold the connection open.
    struct Answer {
        std::string body;
        bool stall = false;
        std::size_t piece = 0;
        std::chrono::milliseconds pause{0};
    };

    HttpTestServer() {
        listener_ = ListenOnLoopback(port_);
        thread_ = std::thread([this] { Serve(); });
    }
    ~HttpTestServer() {
        running_ = false;
        thread_.join();
        ::close(listener_);
    }

    std::uint16_t port() const { return port_; }

    // Answers for a request target, the text after "GET " up to CR LF.
    void Set(const std::string& target, Answer answer) {
        std::lock_guard lock(mutex_);
        answers_[target] = std::move(answer);
    }
    void Set(const std::string& target, const std::string& body) { Set(target, Answer{body, false}); }

    // The raw request lines received so far, CR LF included.
    std::vector<std::string> Requests() {
        std::lock_guard lock(mutex_);
        return requests_;
    }

private:
    void Serve() {
        while (running_) {
            pollfd entry{listener_, POLLIN, 0};
            if (::poll(&entry, 1, 50) <= 0) continue;
            int client = ::accept(listener_, nullptr, nullptr);
            if (client < 0) continue;
            HandleOne(client);
            ::close(client);
        }
    }

    void HandleOne(int client) {
        std::string request;
        char c;
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!request.ends_with("\r\n") && std::chrono::steady_clock::now() < deadline) {
            pollfd entry{client, POLLIN, 0};
            if (::poll(&entry, 1, 50) <= 0) continue;
            if (::recv(client, &c, 1, 0) != 1) break;
            request += c;
        }
        Answer answer;
        {
            std::lock_guard lock(mutex_);
            requests_.push_back(request);
            std::string target = request.starts_with("GET ") ? request.substr(4, request.size() - 6) : "";
            if (auto found = answers_.find(target); found != answers_.end()) answer = found->second;
        }
        if (answer.stall) {
            while (running_ && std::chrono::steady_clock::now() < deadline)
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            return;
        }
        const std::size_t piece = answer.piece ? answer.piece : answer.body.size();
        for (std::size_t at = 0; at < answer.body.size(); at += piece) {
            if (at > 0) std::this_thread::sleep_for(answer.pause);
            ::send(client, answer.body.data() + at, std::min(piece, answer.body.size() - at), MSG_NOSIGNAL);
        }
    }

    int listener_ = -1;
    std::uint16_t port_ = 0;
    std::atomic<bool> running_{true};
    std::mutex mutex_;
    std::map<std::string, Answer> answers_;
    std::vector<std::string> requests_;
    std::thread thread_;
};

}  // namespace pw::test
