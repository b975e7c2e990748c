#include "LocalHttpServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace {

void sendAll(int socket, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t sent = ::send(socket, data, size, MSG_NOSIGNAL);
        if (sent <= 0)
            return;
        data += sent;
        size -= static_cast<std::size_t>(sent);
    }
}

QByteArray readRequestHead(int socket) {
    QByteArray head;
    char buffer[1024];
    while (!head.contains("\r\n\r\n")) {
        const ssize_t received = ::recv(socket, buffer, sizeof buffer, 0);
        if (received <= 0)
            break;
        head.append(buffer, received);
    }
    return head;
}

QString requestPath(const QByteArray& head) {
    const QList<QByteArray> words = head.left(head.indexOf("\r\n")).split(' ');
    if (words.size() < 2)
        return {};
    return QString::fromUtf8(
        words.at(1).left(words.at(1).indexOf('?') < 0 ? words.at(1).size() : words.at(1).indexOf('?')));
}

QByteArray reasonPhrase(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 404:
        return "Not Found";
    default:
        return "Status";
    }
}

} // namespace

LocalHttpServer::LocalHttpServer() {
    m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (m_listener < 0 || ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(m_listener, 16) != 0 ||
        ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
        ::pipe(m_wakePipe) != 0)
        throw std::runtime_error("the test server could not listen on 127.0.0.1");
    m_port = ntohs(address.sin_port);
    m_acceptThread = std::thread([this] { acceptLoop(); });
}

LocalHttpServer::~LocalHttpServer() {
    ::close(m_wakePipe[1]);
    m_acceptThread.join();
    for (std::thread& connection : m_connections)
        connection.join();
    ::close(m_wakePipe[0]);
    ::close(m_listener);
}

void LocalHttpServer::answer(const QString& path, Response response) {
    const std::lock_guard lock(m_mutex);
    m_responses[path] = std::move(response);
}

LocalHttpServer::Response LocalHttpServer::redirect(int status, const QString& location) {
    Response response;
    response.status = status;
    response.headers = {QStringLiteral("Location: ") + location};
    return response;
}

QString LocalHttpServer::baseAddress() const {
    return QStringLiteral("http://127.0.0.1:%1/").arg(m_port);
}

QStringList LocalHttpServer::requestedPaths() const {
    const std::lock_guard lock(m_mutex);
    return m_requestedPaths;
}

void LocalHttpServer::acceptLoop() {
    for (;;) {
        pollfd watched[2] = {{m_listener, POLLIN, 0}, {m_wakePipe[0], POLLIN, 0}};
        if (::poll(watched, 2, -1) < 0 || watched[1].revents != 0)
            return;
        const int connection = ::accept(m_listener, nullptr, nullptr);
        if (connection >= 0)
            m_connections.emplace_back([this, connection] { serve(connection); });
    }
}

LocalHttpServer::Response LocalHttpServer::responseFor(const QString& path) {
    const std::lock_guard lock(m_mutex);
    m_requestedPaths.append(path);
    const auto found = m_responses.find(path);
    if (found != m_responses.end())
        return found->second;
    Response missing;
    missing.status = 404;
    missing.body = "<html><body>Not found</body></html>";
    return missing;
}

void LocalHttpServer::serve(int connection) {
    const Response response = responseFor(requestPath(readRequestHead(connection)));
    QByteArray head =
        "HTTP/1.1 " + QByteArray::number(response.status) + ' ' + reasonPhrase(response.status) +
        "\r\nContent-Length: " + QByteArray::number(response.body.size()) + "\r\nConnection: close\r\n";
    for (const QString& header : response.headers)
        head += header.toUtf8() + "\r\n";
    head += "\r\n";
    sendAll(connection, head.constData(), static_cast<std::size_t>(head.size()));
    const qsizetype bodyBytes = response.bodyBytesSent < 0 ? response.body.size() : response.bodyBytesSent;
    sendAll(connection, response.body.constData(), static_cast<std::size_t>(bodyBytes));
    if (response.holdOpenAfterBody) {
        // Until the client hangs up or the server shuts down.
        char sink[256];
        for (;;) {
            pollfd watched[2] = {{connection, POLLIN, 0}, {m_wakePipe[0], POLLIN, 0}};
            if (::poll(watched, 2, -1) < 0 || watched[1].revents != 0)
                break;
            if (::recv(connection, sink, sizeof sink, 0) <= 0)
                break;
        }
    }
    ::close(connection);
}
