// SPDX-License-Identifier: GPL-3.0-or-later
// How glimmer serve holds its connections: each one in a thread of its own
// (so that idle or trickling clients never keep another waiting) and each
// one under deadlines (so that none is held for ever).
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include <httplib.h>

struct ConnectionLimits {
    // How long a connection may wait for its next request to begin.
    std::chrono::milliseconds idle{5000};
    // How long the head of a request may take to come in once begun.
    std::chrono::milliseconds head{10000};
    // How long the answer to one request may take to go out.
    std::chrono::milliseconds answer{120000};
};

// A client's socket whose reads and writes fail once the deadline of the
// current request has passed, or once the server stops listening.
class DeadlineStream final : public httplib::Stream {
public:
    DeadlineStream(socket_t socket, const std::atomic<socket_t>& listening, const ConnectionLimits& limits);

    // Waits for the next request to begin; false when the connection is
    // closed, idle too long, or the server stops. The head's deadline starts.
    bool awaitRequest();

    bool is_readable() const override;
    bool is_writable() const override;
    ssize_t read(char* bytes, size_t size) override;
    // The first write of an answer starts the answer's deadline.
    ssize_t write(const char* bytes, size_t size) override;
    void get_remote_ip_and_port(std::string& ip, int& port) const override;
    void get_local_ip_and_port(std::string& ip, int& port) const override;
    socket_t socket() const override { return socket_; }

private:
    using Clock = std::chrono::steady_clock;
    bool await(short events, Clock::time_point until) const;

    socket_t socket_;
    const std::atomic<socket_t>& listening_;
    ConnectionLimits limits_;
    Clock::time_point deadline_;
    bool answering_ = false;
};

// Runs every queued connection at once, in as many threads as it needs up
// to `most`; beyond that, connections wait for a thread (each one's
// deadlines free one in time).
class ConnectionThreads final : public httplib::TaskQueue {
public:
    explicit ConnectionThreads(size_t most) : most_(most) {}
    ~ConnectionThreads() override;

    void enqueue(std::function<void()> job) override;
    void shutdown() override;

private:
    void work();

    const size_t most_;
    std::mutex mutex_;
    std::condition_variable jobReady_;
    std::deque<std::function<void()>> jobs_;
    std::vector<std::thread> threads_;
    size_t waiting_ = 0;
    bool stopping_ = false;
};
