// A server that accepts TCP connections on 127.0.0.1, on a port the system
// chooses, and never says a word: the system completes every connection
// (they wait in the listening queue), so a client waits for an answer that
// never comes. Closing the listener at the end resets them.
#pragma once

class SilentTcpServer {
public:
    SilentTcpServer();
    ~SilentTcpServer();
    SilentTcpServer(const SilentTcpServer&) = delete;
    SilentTcpServer& operator=(const SilentTcpServer&) = delete;
    bool Ok() const { return port_ > 0; }
    int Port() const { return port_; }

private:
    int listener_ = -1;
    int port_ = 0;
};
