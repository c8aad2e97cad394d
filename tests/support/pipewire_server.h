#pragma once

#include <QImage>
#include <QProcess>
#include <QRect>
#include <QSize>
#include <QTemporaryDir>
#include <memory>
#include <vector>

struct pw_thread_loop;
struct pw_context;
struct pw_core;
struct pw_stream;
struct spa_buffer;

namespace lumbex::test {

// A private PipeWire server with WirePlumber (which links streams to their targets) and the
// session bus WirePlumber needs, in a runtime folder of its own. Stopped by its process ids when
// the object goes.
class PipeWireServer {
public:
    // Why none can run here (a program is missing), or empty.
    static QString unavailableReason();

    PipeWireServer();
    ~PipeWireServer();
    PipeWireServer(const PipeWireServer&) = delete;
    PipeWireServer& operator=(const PipeWireServer&) = delete;

    // Why the server did not come up, or empty.
    const QString& missing() const { return missing_; }
    // A new connection to the server, as the desktop portal hands one over; the caller owns it.
    int connect() const;
    // The server's socket, for a process that connects by itself.
    QString socketPath() const;

private:
    QTemporaryDir dir_;
    std::vector<std::unique_ptr<QProcess>> processes_;
    QString missing_;
};

// A video node that sends the pictures a test gives it, in one 32-bit pixel layout (SPA video
// format number) and size, from shared memory, with header and crop metadata.
class PipeWireVideoProducer {
public:
    PipeWireVideoProducer(const PipeWireServer& server, int format, QSize size);
    ~PipeWireVideoProducer();
    PipeWireVideoProducer(const PipeWireVideoProducer&) = delete;
    PipeWireVideoProducer& operator=(const PipeWireVideoProducer&) = delete;

    quint32 node() const { return node_; }
    // Whether a consumer is linked and the node streams, within `ms`.
    bool waitUntilStreaming(int ms) const;
    // Sends `picture` (the node's size) as the next buffer and waits until it went out;
    // `corrupted` marks its header so, `crop` fills its crop metadata.
    void send(const QImage& picture, bool corrupted = false, QRect crop = {});
    // Offers a new size: the link negotiates it anew.
    void resize(QSize size);
    // Removes the node.
    void close();

    // Called on the loop's thread.
    void formatChanged();

private:
    void fill(spa_buffer& buffer, const QImage& pixels, bool corrupted, QRect crop);

    int format_;
    QSize size_;
    pw_thread_loop* loop_ = nullptr;
    pw_context* context_ = nullptr;
    pw_core* core_ = nullptr;
    pw_stream* stream_ = nullptr;
    void* listener_ = nullptr;
    quint32 node_ = 0;
};

} // namespace lumbex::test
