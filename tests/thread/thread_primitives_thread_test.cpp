// SPDX-License-Identifier: GPL-3.0-or-later
#include "thread/MainThreadCall.h"
#include "thread/Thread.h"

#include <atomic>
#include <gtest/gtest.h>
#include <stdexcept>
#include <thread>

using namespace kelvara;

namespace {

// A body that asks the main thread for `calls` steps, counting them.
class Requester : public TThread {
public:
    Requester(TMainThreadCall& call, std::atomic<int>& served) : m_call(call), m_served(served) {}
    ~Requester() override { TerminateAndWait(); }

protected:
    void Execute() override {
        while (!Terminated())
            m_call.Synchronize([this] { m_served.fetch_add(1); });
    }
    void DoFinished() override { m_call.Notify(); }

private:
    TMainThreadCall& m_call;
    std::atomic<int>& m_served;
};

} // namespace

TEST(MainThreadCall, ServesRequestsWhileTheMainThreadWaitsForTheRequesterToEnd) {
    TMainThreadCall call({});
    std::atomic<int> served{0};
    Requester requester(call, served);
    requester.Resume();
    // Serve a few steps as the event loop would, then stop the requester while
    // it is blocked in a request: ServeUntil must serve it, or we hang here.
    while (served.load() < 5)
        call.Serve();
    requester.Terminate();
    call.ServeUntil([&] { return requester.Finished(); });
    requester.WaitFor();
    EXPECT_GE(served.load(), 5);
    EXPECT_TRUE(requester.Finished());
}

TEST(MainThreadCall, CarriesAnExceptionBackToTheRequester) {
    TMainThreadCall call({});
    std::atomic<bool> caught{false};
    std::thread requester([&] {
        try {
            call.Synchronize([] { throw std::runtime_error("step failed"); });
        } catch (const std::runtime_error&) {
            caught = true;
        }
        call.Notify();
    });
    call.ServeUntil([&] { return caught.load(); });
    requester.join();
    EXPECT_TRUE(caught.load());
}

TEST(Thread, ANeverResumedThreadEndsAtOnce) {
    TMainThreadCall call({});
    std::atomic<int> served{0};
    {
        Requester requester(call, served);
        EXPECT_TRUE(requester.Finished());
    }
    EXPECT_EQ(served.load(), 0);
}
