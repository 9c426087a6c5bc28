// Loopback ports for tests and benchmarks that start a server of their own.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <vector>

#include <glib.h>

// A loopback port that nobody uses at the moment.
inline int freeLoopbackPort()
{
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    close(fd);
    return ntohs(address.sin_port);
}

// A listening socket on a free loopback port, closed with the object.
struct LoopbackListener {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int port = 0;
    LoopbackListener()
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(fd, 2);
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
        port = ntohs(address.sin_port);
    }
    ~LoopbackListener()
    {
        for (int waiting : queued)
            close(waiting);
        close(fd);
    }
    // Fills the queue of connections, so that a further connect never comes through; the
    // waiting connections close with the object.
    void takeNoMore()
    {
        listen(fd, 0);
        for (int i = 0; i < 4; ++i) {
            int waiting = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
            sockaddr_in address{};
            address.sin_family = AF_INET;
            address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            address.sin_port = htons(static_cast<uint16_t>(port));
            connect(waiting, reinterpret_cast<sockaddr*>(&address), sizeof address);
            queued.push_back(waiting);
        }
    }
    std::vector<int> queued;
    LoopbackListener(const LoopbackListener&) = delete;
    LoopbackListener& operator=(const LoopbackListener&) = delete;
};

// rpcbind, which a VXI-11 server registers with, started where it does not run.
inline void ensureRpcbind()
{
    gint status = 1;
    gchar* listed = nullptr;
    g_spawn_command_line_sync("rpcinfo -p 127.0.0.1", &listed, nullptr, &status, nullptr);
    g_free(listed);
    if (status != 0)
        g_spawn_command_line_sync("rpcbind -w", nullptr, nullptr, nullptr, nullptr);
}
