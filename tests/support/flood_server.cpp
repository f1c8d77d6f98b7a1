#include "flood_server.h"

#include "fixture_server.h"

#include <QByteArray>
#include <QTest>
#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

constexpr qsizetype chunkBytes = 1 << 20;

// Reads the whole request so that closing the socket later does not reset it under unread data.
void readRequest(int socket)
{
    QByteArray received;
    FixtureServer::Request request;
    char buffer[4096];
    while (!FixtureServer::takeRequest(received, request)) {
        const ssize_t got = recv(socket, buffer, sizeof buffer, 0);
        if (got <= 0)
            return;
        received.append(buffer, got);
    }
}

} // namespace

FloodServer::FloodServer(Framing framing, std::chrono::milliseconds maxDuration, qint64 maxBytes)
    : m_framing(framing),
      m_maxDuration(maxDuration),
      m_maxBytes(maxBytes)
{
}

FloodServer::~FloodServer()
{
    wait();
    if (m_listener >= 0)
        close(m_listener);
}

void FloodServer::addFramingRows()
{
    QTest::addColumn<Framing>("framing");
    // Where a careless reader stops depends on how the threads happen to run:
    // each framing is tried a few times.
    for (int attempt = 1; attempt <= 3; ++attempt) {
        QTest::addRow("until the connection closes, try %d", attempt) << Framing::untilClose;
        QTest::addRow("chunked, try %d", attempt) << Framing::chunked;
    }
}

bool FloodServer::listen()
{
    m_listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_listener < 0)
        return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK); // port 0: the kernel picks one
    auto *generic = reinterpret_cast<sockaddr *>(&address);
    if (bind(m_listener, generic, sizeof address) != 0 || ::listen(m_listener, 1) != 0)
        return false;
    socklen_t length = sizeof address;
    if (getsockname(m_listener, generic, &length) != 0)
        return false;
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this] { serve(); });
    return true;
}

QUrl FloodServer::origin() const
{
    return QUrl(u"http://127.0.0.1:%1"_s.arg(m_port));
}

void FloodServer::wait()
{
    if (m_thread.joinable())
        m_thread.join();
}

void FloodServer::serve()
{
    const auto deadline = std::chrono::steady_clock::now() + m_maxDuration;
    pollfd waiting{m_listener, POLLIN, 0};
    if (poll(&waiting, 1, int(m_maxDuration.count())) != 1)
        return;
    const int connection = accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (connection < 0)
        return;
    // Blocking writes that give up now and then, so the time limit holds even
    // against a reader that stops reading but keeps the connection open.
    const timeval tick{0, 200'000};
    setsockopt(connection, SOL_SOCKET, SO_SNDTIMEO, &tick, sizeof tick);
    setsockopt(connection, SOL_SOCKET, SO_RCVTIMEO, &tick, sizeof tick);
    readRequest(connection);

    const bool chunked = m_framing == Framing::chunked;
    QByteArray head = "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\n"_ba;
    head += chunked ? "Transfer-Encoding: chunked\r\n\r\n" : "Connection: close\r\n\r\n";
    QByteArray chunk(chunkBytes, ' ');
    if (chunked)
        chunk = QByteArray::number(chunkBytes, 16) + "\r\n" + chunk + "\r\n";
    send(connection, head.constData(), size_t(head.size()), MSG_NOSIGNAL);

    qsizetype offset = 0;
    while (std::chrono::steady_clock::now() < deadline && m_sent.load() < m_maxBytes) {
        const ssize_t written =
            send(connection, chunk.constData() + offset, size_t(chunk.size() - offset), MSG_NOSIGNAL);
        if (written < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
            continue;
        if (written <= 0) {
            m_hungUp = true;
            break;
        }
        m_sent += written;
        offset = (offset + written) % chunk.size();
    }
    close(connection);
}

QString ReadCost::summary() const
{
    const QString peak = peakGrowthBytes ? u"+%1 KiB"_s.arg(*peakGrowthBytes / 1024) : u"not measurable"_s;
    return u"ended after %1 ms, peak memory %2, %3 KiB sent, %4"_s.arg(milliseconds)
        .arg(peak)
        .arg(bytesSent / 1024)
        .arg(readerHungUp ? u"the reader hung up"_s : u"the sender gave up first"_s);
}
