// The selection server's queue of requests waiting for an answer: what it
// keeps of a client that floods it, and whose request it answers next.
#include "X11RequestQueue.h"
#include <QtTest>
#include <vector>

using olvaris::x11::RequestQueue;

namespace {

// Windows of one client share the bits outside the resource-ID mask.
constexpr uint32_t IdMask = 0x001FFFFF;
constexpr xcb_window_t windowOf(uint32_t client, uint32_t window = 1) { return client << 21 | window; }

xcb_selection_request_event_t request(uint32_t client, uint32_t window, xcb_timestamp_t time) {
    xcb_selection_request_event_t event{};
    event.requestor = windowOf(client, window);
    event.time = time;
    return event;
}

// The clients of the requests as they come out, each by its number.
std::vector<uint32_t> drained(RequestQueue& queue) {
    std::vector<uint32_t> clients;
    while (const auto next = queue.pop())
        clients.push_back(queue.clientOf(next->requestor) >> 21);
    return clients;
}

} // namespace

class RequestQueueTest : public QObject {
    Q_OBJECT

private slots:
    // A client is kept to its bound whatever its windows; others still get
    // in, until all together reach theirs.
    void aClientIsKeptToItsBound() {
        RequestQueue queue(IdMask);
        for (uint32_t i = 0; i < RequestQueue::MaxPerClient; ++i)
            QVERIFY(queue.push(request(1, 1 + i % 3, i)));
        QVERIFY(!queue.push(request(1, 7, 99)));
        QCOMPARE(queue.size(), RequestQueue::MaxPerClient);
        QVERIFY(queue.push(request(2, 1, 100)));
        // One answered, one more of the client's is taken.
        QVERIFY(queue.pop());
        QVERIFY(queue.push(request(1, 1, 101)));
        QVERIFY(!queue.push(request(1, 1, 102)));

        RequestQueue full(IdMask);
        uint32_t client = 1;
        for (; full.size() < RequestQueue::MaxRequests; ++client)
            for (uint32_t i = 0; i < RequestQueue::MaxPerClient; ++i)
                QVERIFY(full.push(request(client, 1, i)));
        QVERIFY(!full.push(request(client, 1, 0)));
        QCOMPARE(full.size(), RequestQueue::MaxRequests);
    }

    // Taken one client after another, each client's in the order made: a
    // client's one request waits behind at most one of each other client.
    void clientsAreAnsweredInTurn() {
        RequestQueue queue(IdMask);
        for (xcb_timestamp_t i = 0; i < 4; ++i)
            QVERIFY(queue.push(request(1, 1, 10 + i)));
        for (xcb_timestamp_t i = 0; i < 2; ++i)
            QVERIFY(queue.push(request(3, 1, 30 + i)));
        QVERIFY(queue.push(request(2, 5, 20)));
        QCOMPARE(queue.pop()->time, xcb_timestamp_t(10));
        // A client that comes in now is answered in its turn, not last.
        QVERIFY(queue.push(request(0, 2, 0)));
        std::vector<xcb_timestamp_t> times;
        std::vector<uint32_t> clients;
        while (const auto next = queue.pop()) {
            times.push_back(next->time);
            clients.push_back(queue.clientOf(next->requestor) >> 21);
        }
        QCOMPARE(clients, (std::vector<uint32_t>{2, 3, 0, 1, 3, 1, 1}));
        QCOMPARE(times, (std::vector<xcb_timestamp_t>{20, 30, 0, 11, 31, 12, 13}));
        QVERIFY(queue.empty());

        // Only the client asked for is kept from then on.
        for (uint32_t client = 1; client <= 3; ++client)
            QVERIFY(queue.push(request(client, 1, client)));
        queue.keepOnlyClientOf(windowOf(2, 9));
        QVERIFY(!queue.push(request(1, 1, 0)));
        QVERIFY(queue.push(request(2, 4, 0)));
        QCOMPARE(drained(queue), (std::vector<uint32_t>{2, 2}));
    }
};

QTEST_GUILESS_MAIN(RequestQueueTest)
#include "test_request_queue.moc"
