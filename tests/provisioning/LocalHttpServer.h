#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstddef>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

// A tiny HTTP/1.1 server on 127.0.0.1 (port chosen by the system) for the download tests. Each
// connection is answered once and closed; unknown paths get 404.
class LocalHttpServer {
public:
    struct Response {
        int status = 200;
        QByteArray body;
        QStringList headers;               // extra "Name: value" lines
        std::ptrdiff_t bodyBytesSent = -1; // send only this much of the body (-1: all)
        bool holdOpenAfterBody = false;    // then wait until the client hangs up
    };

    LocalHttpServer();
    ~LocalHttpServer();
    LocalHttpServer(const LocalHttpServer&) = delete;
    LocalHttpServer& operator=(const LocalHttpServer&) = delete;

    // path without the query, e.g. "/ggml-tiny.en-q5_1.bin"
    void answer(const QString& path, Response response);
    static Response redirect(int status, const QString& location);

    QString baseAddress() const; // "http://127.0.0.1:PORT/"
    int port() const { return m_port; }
    QStringList requestedPaths() const;

private:
    void acceptLoop();
    void serve(int connection);
    Response responseFor(const QString& path);

    int m_listener = -1;
    int m_wakePipe[2] = {-1, -1};
    int m_port = 0;
    mutable std::mutex m_mutex;
    std::map<QString, Response> m_responses;
    QStringList m_requestedPaths;
    std::vector<std::thread> m_connections;
    std::thread m_acceptThread;
};
