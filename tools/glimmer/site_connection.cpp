// SPDX-License-Identifier: GPL-3.0-or-later
#include "site_connection.h"

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>

namespace {

// How often a wait looks whether the server has stopped.
constexpr std::chrono::milliseconds stopCheck{100};

void addressOf(const sockaddr_storage& address, std::string& ip, int& port)
{
    char text[INET6_ADDRSTRLEN] = "";
    if (address.ss_family == AF_INET) {
        const auto& v4 = reinterpret_cast<const sockaddr_in&>(address);
        inet_ntop(AF_INET, &v4.sin_addr, text, sizeof text);
        port = ntohs(v4.sin_port);
    } else if (address.ss_family == AF_INET6) {
        const auto& v6 = reinterpret_cast<const sockaddr_in6&>(address);
        inet_ntop(AF_INET6, &v6.sin6_addr, text, sizeof text);
        port = ntohs(v6.sin6_port);
    }
    ip = text;
}

}  // namespace

DeadlineStream::DeadlineStream(socket_t socket, const std::atomic<socket_t>& listening, const ConnectionLimits& limits)
    : socket_(socket), listening_(listening), limits_(limits), deadline_(Clock::now() + limits.head)
{
}

bool DeadlineStream::await(short events, Clock::time_point until) const
{
    while (listening_ != INVALID_SOCKET) {
        const auto now = Clock::now();
        if (now >= until)
            return false;
        const auto slice = std::min<Clock::duration>(until - now, stopCheck);
        pollfd watched{socket_, events, 0};
        const int ready =
            poll(&watched, 1, int(std::chrono::ceil<std::chrono::milliseconds>(slice).count()));
        if (ready > 0)
            return true;
        if (ready < 0 && errno != EINTR)
            return false;
    }
    return false;
}

bool DeadlineStream::awaitRequest()
{
    answering_ = false;
    if (!await(POLLIN, Clock::now() + limits_.idle))
        return false;
    deadline_ = Clock::now() + limits_.head;
    return true;
}

bool DeadlineStream::is_readable() const { return await(POLLIN, deadline_); }

bool DeadlineStream::is_writable() const { return await(POLLOUT, deadline_); }

ssize_t DeadlineStream::read(char* bytes, size_t size)
{
    if (!is_readable())
        return -1;
    ssize_t got;
    while ((got = recv(socket_, bytes, size, 0)) < 0 && errno == EINTR) {
    }
    return got;
}

ssize_t DeadlineStream::write(const char* bytes, size_t size)
{
    if (!answering_) {
        answering_ = true;
        deadline_ = Clock::now() + limits_.answer;
    }
    if (!is_writable())
        return -1;
    ssize_t sent;
    while ((sent = send(socket_, bytes, size, MSG_NOSIGNAL)) < 0 && errno == EINTR) {
    }
    return sent;
}

void DeadlineStream::get_remote_ip_and_port(std::string& ip, int& port) const
{
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (getpeername(socket_, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        addressOf(address, ip, port);
}

void DeadlineStream::get_local_ip_and_port(std::string& ip, int& port) const
{
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        addressOf(address, ip, port);
}

ConnectionThreads::~ConnectionThreads() { shutdown(); }

void ConnectionThreads::enqueue(std::function<void()> job)
{
    const std::lock_guard lock(mutex_);
    jobs_.push_back(std::move(job));
    if (jobs_.size() > waiting_ && threads_.size() < most_)
        threads_.emplace_back([this] { work(); });
    jobReady_.notify_one();
}

void ConnectionThreads::shutdown()
{
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    jobReady_.notify_all();
    for (std::thread& thread : threads_)
        if (thread.joinable())
            thread.join();
}

void ConnectionThreads::work()
{
    std::unique_lock lock(mutex_);
    while (true) {
        ++waiting_;
        jobReady_.wait(lock, [this] { return !jobs_.empty() || stopping_; });
        --waiting_;
        if (jobs_.empty())
            return;
        std::function<void()> job = std::move(jobs_.front());
        jobs_.pop_front();
        lock.unlock();
        job();
        lock.lock();
    }
}
