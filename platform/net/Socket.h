#pragma once
// A thin layer over POSIX sockets that stands in for Windows Sockets: TCP and UDP over IPv4, with the
// Winsock error numbers (10004, 10035, 10048, 10060, ...) that callers test and print.
//
// Who calls it: the live traffic feed (server for RealTraffic, UDP readers) and the traffic replayer.
// Ownership: a Socket is owned by one object and closed exactly once, by its owner (close() or the
// destructor). Another thread may only call shutdownBoth(), which ends a blocked accept or receive of the
// owner; it never closes the descriptor, so a descriptor number is never reused under the owner's feet.
// Every send uses MSG_NOSIGNAL: a vanished peer gives an error, never SIGPIPE.
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string_view>

namespace skf {

// Winsock error numbers this program tests or prints.
inline constexpr int kWsaEintr = 10004;
inline constexpr int kWsaEbadf = 10009;
inline constexpr int kWsaEacces = 10013;
inline constexpr int kWsaEinval = 10022;
inline constexpr int kWsaEmfile = 10024;
inline constexpr int kWsaEwouldblock = 10035;
inline constexpr int kWsaEnotsock = 10038;
inline constexpr int kWsaEmsgsize = 10040;
inline constexpr int kWsaEaddrinuse = 10048;
inline constexpr int kWsaEaddrnotavail = 10049;
inline constexpr int kWsaEnetdown = 10050;
inline constexpr int kWsaEnetunreach = 10051;
inline constexpr int kWsaEconnaborted = 10053;
inline constexpr int kWsaEconnreset = 10054;
inline constexpr int kWsaEnobufs = 10055;
inline constexpr int kWsaEnotconn = 10057;
inline constexpr int kWsaEshutdown = 10058;
inline constexpr int kWsaEtimedout = 10060;
inline constexpr int kWsaEconnrefused = 10061;

// The Winsock number of an errno value (EAGAIN -> 10035, ...); 10000 + errno for others without one.
[[nodiscard]] int gf_winsockErrorOf(int errnoValue) noexcept;

enum class SocketKind { Tcp, Udp };

class Socket {
public:
    Socket() = default;
    ~Socket();
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;

    // Creates a blocking IPv4 socket of the kind (closing any held before); 0 or a Winsock error.
    int open(SocketKind kind);
    [[nodiscard]] bool valid() const;

    // SO_REUSEADDR on; TCP_NODELAY on; SO_RCVTIMEO; SO_SNDBUF and SO_RCVBUF (the system may round them);
    // 0 or a Winsock error.
    int setReuseAddress();
    int setNoDelay();
    int setReceiveTimeout(int milliseconds);
    int setSendBuffer(int bytes);
    int setReceiveBuffer(int bytes);

    // Binds to 127.0.0.1 (loopback) or every interface on the port (0: an ephemeral one); 0 or an error.
    int bind(std::uint16_t port, bool loopbackOnly);
    int listen();
    // Waits until a client or a datagram is there to take: 1 ready, 0 time-out, -(Winsock error).
    int waitReadable(int milliseconds);
    // The bound port (after bind with port 0), 0 when unknown.
    [[nodiscard]] std::uint16_t localPort() const;

    // Blocks until a client connects and hands its socket to client (closed first); 0 or an error. An
    // accept ended by shutdownBoth() from another thread gives an error.
    int accept(Socket& client);
    // Connects to 127.0.0.1 on the port; 0 or an error.
    int connectLoopback(std::uint16_t port);

    // Sends all bytes, completing partial sends; 0 or an error.
    int sendAll(std::string_view bytes);
    // One send that never waits: the count of bytes the system took (0 when its buffer is full), or
    // -(Winsock error).
    long sendNow(std::string_view bytes);
    // A look at a connected stream that neither waits nor takes data: true when the peer has closed or
    // reset it (data it sent before closing is still there to read, but nothing more will come or go).
    [[nodiscard]] bool peerClosed() const;
    // One datagram to 127.0.0.1 on the port; 0 or an error.
    int sendTo(std::uint16_t port, std::string_view datagram);
    // One receive into buffer: the byte count (0 = the peer closed a stream), or -(Winsock error).
    long receive(char* buffer, std::size_t size);

    // Any thread: ends a blocked accept or receive of the owner; the descriptor stays open.
    void shutdownBoth() noexcept;
    // The owner: closes the descriptor once; later calls do nothing.
    void close() noexcept;

private:
    [[nodiscard]] int descriptor() const;
    mutable std::mutex m_mutex; // guards m_fd against shutdownBoth() racing with open() or close()
    int m_fd = -1;              // written only under m_mutex, by the owner
};

} // namespace skf
