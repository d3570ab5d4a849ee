// POSIX sockets with Winsock error numbers.
#include "platform/net/Socket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

namespace skf {

namespace {

int lf_errorNow() {
    return gf_winsockErrorOf(errno);
}

sockaddr_in lf_address(std::uint16_t port, bool loopback) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(loopback ? INADDR_LOOPBACK : INADDR_ANY);
    return address;
}

} // namespace

int gf_winsockErrorOf(int errnoValue) noexcept {
    switch (errnoValue) {
    case EINTR:
        return kWsaEintr;
    case EBADF:
        return kWsaEbadf;
    case EACCES:
        return kWsaEacces;
    case EINVAL:
        return kWsaEinval;
    case EMFILE:
    case ENFILE:
        return kWsaEmfile;
    case EAGAIN:
        return kWsaEwouldblock;
    case ENOTSOCK:
        return kWsaEnotsock;
    case EMSGSIZE:
        return kWsaEmsgsize;
    case EADDRINUSE:
        return kWsaEaddrinuse;
    case EADDRNOTAVAIL:
        return kWsaEaddrnotavail;
    case ENETDOWN:
        return kWsaEnetdown;
    case ENETUNREACH:
        return kWsaEnetunreach;
    case ECONNABORTED:
        return kWsaEconnaborted;
    case ECONNRESET:
    case EPIPE:
        return kWsaEconnreset;
    case ENOBUFS:
    case ENOMEM:
        return kWsaEnobufs;
    case ENOTCONN:
        return kWsaEnotconn;
    case ESHUTDOWN:
        return kWsaEshutdown;
    case ETIMEDOUT:
        return kWsaEtimedout;
    case ECONNREFUSED:
        return kWsaEconnrefused;
    default:
        return 10000 + errnoValue;
    }
}

Socket::~Socket() {
    close();
}

int Socket::open(SocketKind kind) {
    close();
    const int fd = ::socket(AF_INET, kind == SocketKind::Tcp ? SOCK_STREAM | SOCK_CLOEXEC : SOCK_DGRAM | SOCK_CLOEXEC,
                            kind == SocketKind::Tcp ? IPPROTO_TCP : IPPROTO_UDP);
    if (fd < 0)
        return lf_errorNow();
    std::lock_guard lock(m_mutex);
    m_fd = fd;
    return 0;
}

bool Socket::valid() const {
    return descriptor() >= 0;
}

int Socket::descriptor() const {
    std::lock_guard lock(m_mutex);
    return m_fd;
}

int Socket::setReuseAddress() {
    const int on = 1;
    return ::setsockopt(descriptor(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) == 0 ? 0 : lf_errorNow();
}

int Socket::setNoDelay() {
    const int on = 1;
    return ::setsockopt(descriptor(), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on) == 0 ? 0 : lf_errorNow();
}

int Socket::setReceiveTimeout(int milliseconds) {
    timeval tv{};
    tv.tv_sec = milliseconds / 1000;
    tv.tv_usec = static_cast<suseconds_t>(milliseconds % 1000) * 1000;
    return ::setsockopt(descriptor(), SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv) == 0 ? 0 : lf_errorNow();
}

int Socket::setSendBuffer(int bytes) {
    return ::setsockopt(descriptor(), SOL_SOCKET, SO_SNDBUF, &bytes, sizeof bytes) == 0 ? 0 : lf_errorNow();
}

int Socket::setReceiveBuffer(int bytes) {
    return ::setsockopt(descriptor(), SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes) == 0 ? 0 : lf_errorNow();
}

int Socket::bind(std::uint16_t port, bool loopbackOnly) {
    const sockaddr_in address = lf_address(port, loopbackOnly);
    return ::bind(descriptor(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 ? 0 : lf_errorNow();
}

int Socket::listen() {
    return ::listen(descriptor(), SOMAXCONN) == 0 ? 0 : lf_errorNow();
}

std::uint16_t Socket::localPort() const {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    if (::getsockname(descriptor(), reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return 0;
    return ntohs(address.sin_port);
}

int Socket::waitReadable(int milliseconds) {
    pollfd entry{descriptor(), POLLIN, 0};
    const int ready = ::poll(&entry, 1, milliseconds);
    if (ready < 0)
        return errno == EINTR ? 0 : -lf_errorNow();
    return ready > 0 ? 1 : 0;
}

int Socket::accept(Socket& client) {
    client.close();
    int fd = -1;
    do {
        fd = ::accept4(descriptor(), nullptr, nullptr, SOCK_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return lf_errorNow();
    std::lock_guard lock(client.m_mutex);
    client.m_fd = fd;
    return 0;
}

int Socket::connectLoopback(std::uint16_t port) {
    const sockaddr_in address = lf_address(port, true);
    return ::connect(descriptor(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 ? 0
                                                                                                     : lf_errorNow();
}

int Socket::sendAll(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t sent = ::send(descriptor(), bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent < 0) {
            if (errno == EINTR)
                continue;
            return lf_errorNow();
        }
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return 0;
}

long Socket::sendNow(std::string_view bytes) {
    for (;;) {
        const ssize_t sent = ::send(descriptor(), bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent >= 0)
            return static_cast<long>(sent);
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            return 0;
        return -static_cast<long>(lf_errorNow());
    }
}

bool Socket::peerClosed() const {
    pollfd entry{descriptor(), POLLIN | POLLRDHUP, 0};
    if (::poll(&entry, 1, 0) <= 0)
        return false; // nothing to see: open and quiet (or the look itself failed)
    if ((entry.revents & (POLLHUP | POLLRDHUP | POLLERR | POLLNVAL)) != 0)
        return true;
    char byte = 0;
    const ssize_t got = ::recv(entry.fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    return got == 0 || (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR);
}

int Socket::sendTo(std::uint16_t port, std::string_view datagram) {
    const sockaddr_in address = lf_address(port, true);
    const ssize_t sent = ::sendto(descriptor(), datagram.data(), datagram.size(), MSG_NOSIGNAL,
                                  reinterpret_cast<const sockaddr*>(&address), sizeof address);
    return sent < 0 ? lf_errorNow() : 0;
}

long Socket::receive(char* buffer, std::size_t size) {
    const ssize_t got = ::recv(descriptor(), buffer, size, 0);
    if (got < 0)
        return -static_cast<long>(lf_errorNow());
    return static_cast<long>(got);
}

void Socket::shutdownBoth() noexcept {
    std::lock_guard lock(m_mutex);
    if (m_fd >= 0)
        ::shutdown(m_fd, SHUT_RDWR);
}

void Socket::close() noexcept {
    std::lock_guard lock(m_mutex);
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

} // namespace skf
