// Update checks against a real HTTP server on 127.0.0.1 (TestHttpServer), started by each test.

#include "update/HttpFetch.h"
#include "update/KVVersionUpdate.h"
#include "update/UpdateAddresses.h"
#include "update/VersionNumber.h"

#include "TestHttpServer.h"
#include "UpdateTestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <memory>

namespace {

using namespace std::chrono;

constexpr const char* HISTORY = "KVUpdateHistory.txt";
constexpr const char* VERSION_PATH = "/update/tessaly/version.xml";
// Shutdown must not hold up the program's exit noticeably.
constexpr milliseconds SHUTDOWN_LIMIT { 500 };

std::string Document(int major, int minor, const std::string& desc)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Tessaly>\r\n<MajorId>" + std::to_string(major)
        + "</MajorId>\r\n<MinorId>" + std::to_string(minor) + "</MinorId>\r\n<Desc>" + desc
        + "</Desc>\r\n</Tessaly>\r\n";
}

using Response = TestHttpServer::Response;

Response Answer(std::string body)
{
    Response response;
    response.Body = std::move(body);
    return response;
}

Response Status(int status, std::string body)
{
    Response response = Answer(std::move(body));
    response.Status = status;
    return response;
}

Response Redirect(std::string location)
{
    Response response = Status(302, "");
    response.Location = std::move(location);
    return response;
}

// Answers only after the pause (or never, while the client waits).
Response Silent(std::string body, milliseconds pause = hours(1))
{
    Response response = Answer(std::move(body));
    response.PauseBeforeAnswer = true;
    response.Pause = pause;
    return response;
}

// Sends the headers and the first bytes of the body, then stalls.
Response Stalled(std::string body, std::size_t bytes)
{
    Response response = Answer(std::move(body));
    response.PauseAfterBodyBytes = bytes;
    return response;
}

FetchRequest RequestFor(std::string url)
{
    FetchRequest request;
    request.Url = std::move(url);
    return request;
}

std::string TodayText()
{
    const std::time_t now = std::time(nullptr);
    std::tm utc {};
    gmtime_r(&now, &utc);
    char text[16];
    std::strftime(text, sizeof text, "%Y-%m-%d", &utc);
    return text;
}

[[nodiscard]] bool WaitIdle(const CVersionUpdate& checker, milliseconds timeout = seconds(30))
{
    const auto end = steady_clock::now() + timeout;
    while (checker.IsRunning()) {
        if (steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(milliseconds(2));
    }
    return true;
}

template <typename Action> microseconds Timed(Action&& action)
{
    const auto start = steady_clock::now();
    action();
    return duration_cast<microseconds>(steady_clock::now() - start);
}

class HttpUpdate : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_server.Started()) << m_server.Error();
        ASSERT_FALSE(m_folder.Path().empty());
    }

    [[nodiscard]] std::unique_ptr<CKVVersionUpdate> Checker(const std::string& path = VERSION_PATH) const
    {
        return std::make_unique<CKVVersionUpdate>(m_folder.Path(), m_server.Url(path));
    }

    // One forced check from start to end; the single result it reported.
    UpdateResult CheckOnce(CVersionUpdate& checker)
    {
        DirectReceiver receiver;
        EXPECT_NE(checker.Start(true, &receiver), std::thread::id());
        EXPECT_TRUE(receiver.Log.WaitFor(1));
        EXPECT_TRUE(WaitIdle(checker));
        const std::vector<UpdateResult> results = receiver.Log.Results();
        EXPECT_EQ(results.size(), 1u);
        return results.empty() ? UpdateResult {} : results.front();
    }
    UpdateResult CheckOnce(const std::string& path = VERSION_PATH) { return CheckOnce(*Checker(path)); }

    static void ExpectFailure(const UpdateResult& result)
    {
        EXPECT_EQ(result.Ok, 0);
        EXPECT_EQ(result.LatestMajor, 0);
        EXPECT_EQ(result.LatestMinor, 0);
        EXPECT_EQ(result.Description, "");
    }

    TestHttpServer m_server;
    TempFolder m_folder;
};

TEST_F(HttpUpdate, NewerVersionIsReportedFromTheWorkerAndRecorded)
{
    m_server.Serve(VERSION_PATH, Answer(Document(512, 258, "Line one\r\nLine two")));
    const auto checker = Checker();
    DirectReceiver receiver;
    const std::thread::id worker = checker->Start(false, &receiver);
    ASSERT_NE(worker, std::thread::id());
    EXPECT_NE(worker, std::this_thread::get_id());
    ASSERT_TRUE(receiver.Log.WaitFor(1));
    ASSERT_TRUE(WaitIdle(*checker));

    const UpdateResult result = receiver.Log.Results().at(0);
    EXPECT_EQ(receiver.Log.Threads().at(0), worker);
    EXPECT_EQ(result.Ok, 1);
    EXPECT_EQ(result.LatestMajor, 512);
    EXPECT_EQ(result.LatestMinor, 258);
    EXPECT_EQ(result.Description, "Line one\r\nLine two");
    EXPECT_TRUE(IsNewerVersion(result.LatestMajor, result.LatestMinor));
    EXPECT_EQ(VersionText(result.LatestMajor, result.LatestMinor), "2.0.1.2");
    EXPECT_EQ(checker->GetLatest().LatestMinor, 258);

    EXPECT_EQ(m_folder.Read(HISTORY), TodayText());
    EXPECT_EQ(m_server.LastUserAgent(), UPDATE_AGENT);
    // Just checked: the automatic check does not run again.
    EXPECT_EQ(checker->Start(false, &receiver), std::thread::id());

    m_server.Serve(VERSION_PATH, Answer(Document(513, 0, "")));
    const UpdateResult major = CheckOnce(*checker);
    EXPECT_EQ(major.Ok, 1);
    EXPECT_TRUE(IsNewerVersion(major.LatestMajor, major.LatestMinor));
    EXPECT_EQ(VersionText(major.LatestMajor, major.LatestMinor), "2.1.0.0");
}

TEST_F(HttpUpdate, SameOrOlderVersionIsAGoodCheckWithoutUpdate)
{
    for (const auto& [major, minor] : { std::pair { 512, 257 }, std::pair { 511, 300 } }) {
        m_server.Serve(VERSION_PATH, Answer(Document(major, minor, "d")));
        const UpdateResult result = CheckOnce();
        EXPECT_EQ(result.Ok, 1);
        EXPECT_EQ(result.LatestMajor, major);
        EXPECT_EQ(result.LatestMinor, minor);
        EXPECT_FALSE(IsNewerVersion(result.LatestMajor, result.LatestMinor));
        EXPECT_EQ(m_folder.Read(HISTORY), TodayText());
    }
}

TEST_F(HttpUpdate, FailuresReportNothingAndKeepTheHistory)
{
    // An older successful check stays recorded, so the next start checks again.
    const std::string old = "2001-02-03";
    m_folder.Write(HISTORY, old);

    // Missing document; an error page that happens to hold a version; an empty answer; a document
    // in the wrong order.
    m_server.Serve("/error", Status(500, Document(600, 0, "d")));
    m_server.Serve("/empty", Answer(""));
    m_server.Serve(
        "/order", Answer("<Tessaly><Desc>d</Desc><MajorId>513</MajorId><MinorId>0</MinorId></Tessaly>"));
    for (const char* path : { "/missing.xml", "/error", "/empty", "/order" }) {
        SCOPED_TRACE(path);
        ExpectFailure(CheckOnce(path));
        EXPECT_EQ(m_server.Requests(path), 1);
        EXPECT_EQ(m_folder.Read(HISTORY), old);
    }

    const FetchResult missing = FetchDocument(RequestFor(m_server.Url("/missing.xml")), {});
    EXPECT_EQ(missing.Status, FETCH_FAILED);
    EXPECT_EQ(missing.HttpCode, 404);
    EXPECT_TRUE(missing.Bytes.empty());
}

TEST_F(HttpUpdate, NothingListeningFails)
{
    const std::uint16_t port = TestHttpServer::ClosedPort();
    ASSERT_NE(port, 0);
    const std::string url = "http://127.0.0.1:" + std::to_string(port) + VERSION_PATH;
    CKVVersionUpdate checker(m_folder.Path(), url);
    ExpectFailure(CheckOnce(checker));
    EXPECT_FALSE(m_folder.Exists(HISTORY));

    const FetchResult fetched = FetchDocument(RequestFor(url), {});
    EXPECT_EQ(fetched.Status, FETCH_FAILED);
    EXPECT_EQ(fetched.HttpCode, 0);
    EXPECT_FALSE(fetched.Error.empty());
}

TEST_F(HttpUpdate, OnlyTheFirst4096BytesAreRead)
{
    // The version is complete within the first 4096 bytes; a comment after it runs on for 1 MiB.
    const std::string document = Document(512, 258, "d");
    const std::string large = document + "<!--" + std::string(1 << 20, 'x') + "-->";
    m_server.Serve("/large", Answer(large));
    const FetchResult fetched = FetchDocument(RequestFor(m_server.Url("/large")), {});
    ASSERT_EQ(fetched.Status, FETCH_OK) << fetched.Error;
    EXPECT_EQ(fetched.Bytes, large.substr(0, VERSION_DOCUMENT_BYTES));
    EXPECT_EQ(CheckOnce("/large").Ok, 1);

    // A description that runs past 4096 bytes is cut inside its element: not understood.
    m_server.Serve("/cut", Answer(Document(512, 258, std::string(5000, 'd'))));
    ExpectFailure(CheckOnce("/cut"));

    // A document of exactly 4096 bytes is read whole, and nothing past it.
    std::string exact = Document(512, 258, "d");
    exact.insert(exact.find("</Desc>"), VERSION_DOCUMENT_BYTES - exact.size(), 'e');
    ASSERT_EQ(exact.size(), VERSION_DOCUMENT_BYTES);
    m_server.Serve("/exact", Answer(exact));
    const UpdateResult result = CheckOnce("/exact");
    EXPECT_EQ(result.Ok, 1);
    EXPECT_EQ(
        result.Description, "d" + std::string(VERSION_DOCUMENT_BYTES - Document(512, 258, "d").size(), 'e'));
}

TEST_F(HttpUpdate, RedirectsAreFollowed)
{
    m_server.Serve(VERSION_PATH, Answer(Document(512, 300, "moved")));
    m_server.Serve("/old", Redirect(m_server.Url(VERSION_PATH)));
    const UpdateResult result = CheckOnce("/old");
    EXPECT_EQ(result.Ok, 1);
    EXPECT_EQ(result.LatestMinor, 300);
    EXPECT_EQ(m_server.Requests("/old"), 1);

    // A redirect that never ends is a failure, not a hang.
    m_server.Serve("/loop", Redirect(m_server.Url("/loop")));
    ExpectFailure(CheckOnce("/loop"));
    EXPECT_LE(m_server.Requests("/loop"), 10);
}

TEST_F(HttpUpdate, AnOverrideThatTakesTheVersionSuppressesTheReport)
{
    class SilentUpdate final : public CVersionUpdate {
    public:
        SilentUpdate(std::string folder, std::string url)
            : CVersionUpdate(std::move(folder))
            , m_url(std::move(url))
        {
        }
        ~SilentUpdate() override { Shutdown(); }
        SilentUpdate(const SilentUpdate&) = delete;
        SilentUpdate& operator=(const SilentUpdate&) = delete;
        std::string GetVersionUrl() const override { return m_url; }
        std::string GetProductName() const override { return "Tessaly"; }
        int OnVersionFetched(std::int32_t major, std::int32_t minor, const std::string&) override
        {
            Seen = VersionText(major, minor);
            return 1;
        }
        std::string Seen;

    private:
        std::string m_url;
    };

    m_server.Serve(VERSION_PATH, Answer(Document(512, 258, "d")));
    SilentUpdate checker(m_folder.Path(), m_server.Url(VERSION_PATH));
    DirectReceiver receiver;
    ASSERT_NE(checker.Start(true, &receiver), std::thread::id());
    ASSERT_TRUE(WaitIdle(checker));
    EXPECT_EQ(checker.Seen, "2.0.1.2");
    EXPECT_TRUE(receiver.Log.Results().empty());
    EXPECT_EQ(m_folder.Read(HISTORY), TodayText());
}

class HttpShutdown : public HttpUpdate { };

TEST_F(HttpShutdown, DestructionCancelsAStalledFetchPromptly)
{
    // Silent before answering, and stalled in the middle of the body.
    m_server.Serve("/silent", Silent(Document(512, 258, "d")));
    m_server.Serve("/stalled", Stalled(Document(512, 258, "d"), 20));
    for (const char* path : { "/silent", "/stalled" }) {
        SCOPED_TRACE(path);
        auto checker = Checker(path);
        DirectReceiver receiver;
        ASSERT_NE(checker->Start(true, &receiver), std::thread::id());
        ASSERT_TRUE(m_server.WaitForRequests(path, 1, seconds(10)));
        std::this_thread::sleep_for(milliseconds(100));
        EXPECT_TRUE(checker->IsRunning());

        const microseconds took = Timed([&] { checker.reset(); });
        EXPECT_LT(took, SHUTDOWN_LIMIT);
        RecordProperty(std::string("shutdown_us") + path, static_cast<int>(took.count()));
        // Shutting down is not a failed check to report, nor a successful one to record.
        EXPECT_TRUE(receiver.Log.Results().empty());
        EXPECT_FALSE(m_folder.Exists(HISTORY));
    }
}

TEST_F(HttpShutdown, DestructionAbandonsAReportTheWindowNeverHandles)
{
    // The window's thread is busy destroying the checker and never comes round to the report.
    m_server.Serve(VERSION_PATH, Answer(Document(512, 258, "d")));
    TestEventLoop window;
    window.Hold(true);
    LoopReceiver receiver(window);
    auto checker = Checker();
    ASSERT_NE(checker->Start(true, &receiver), std::thread::id());
    while (window.Queued() == 0)
        std::this_thread::sleep_for(milliseconds(1));

    const microseconds took = Timed([&] { checker.reset(); });
    EXPECT_LT(took, SHUTDOWN_LIMIT);
    RecordProperty("shutdown_us_report", static_cast<int>(took.count()));
    EXPECT_EQ(receiver.Abandoned(), 1);
    EXPECT_FALSE(m_folder.Exists(HISTORY)) << "recorded a result nobody saw";

    // The queued hand-off later finds the result gone and does nothing.
    window.Hold(false);
    while (window.Queued() != 0)
        std::this_thread::sleep_for(milliseconds(1));
    EXPECT_TRUE(receiver.Log.Results().empty());
}

TEST_F(HttpShutdown, TimeoutsEndAStalledFetchWithoutCancel)
{
    m_server.Serve("/stalled", Stalled(Document(512, 258, "d"), 20));
    FetchRequest request = RequestFor(m_server.Url("/stalled"));
    request.TotalTimeout = milliseconds(300);
    FetchResult fetched;
    const microseconds took = Timed([&] { fetched = FetchDocument(request, {}); });
    EXPECT_EQ(fetched.Status, FETCH_FAILED);
    EXPECT_TRUE(fetched.Bytes.empty());
    EXPECT_LT(took, milliseconds(3000));
}

class HttpReport : public HttpUpdate { };

TEST_F(HttpReport, ReceiverOnAnotherThreadHoldsTheWorkerUntilHandled)
{
    m_server.Serve(VERSION_PATH, Answer(Document(512, 258, "d")));
    TestEventLoop window;
    LoopReceiver receiver(window);
    const auto checker = Checker();
    bool workerWaited = false;
    bool historyBeforeHandled = true;
    receiver.Handler = [&](const UpdateResult&) {
        std::this_thread::sleep_for(milliseconds(100));
        workerWaited = checker->IsRunning();
        historyBeforeHandled = m_folder.Exists(HISTORY);
    };
    ASSERT_NE(checker->Start(true, &receiver), std::thread::id());
    ASSERT_TRUE(receiver.Log.WaitFor(1));
    ASSERT_TRUE(WaitIdle(*checker));
    EXPECT_EQ(receiver.Log.Threads().at(0), window.Id());
    EXPECT_EQ(receiver.Log.Results().at(0).LatestMinor, 258);
    EXPECT_TRUE(workerWaited);
    EXPECT_FALSE(historyBeforeHandled);
    EXPECT_EQ(m_folder.Read(HISTORY), TodayText());
}

TEST_F(HttpReport, StartWhileFetchingReportsOnceToTheLatestReceiver)
{
    m_server.Serve(VERSION_PATH, Silent(Document(512, 258, "d"), milliseconds(300)));
    const auto checker = Checker();
    DirectReceiver automatic;
    DirectReceiver dialog;
    const std::thread::id first = checker->Start(false, &automatic);
    ASSERT_NE(first, std::thread::id());
    EXPECT_EQ(checker->Start(true, &dialog), first);
    ASSERT_TRUE(dialog.Log.WaitFor(1));
    ASSERT_TRUE(WaitIdle(*checker));
    EXPECT_EQ(dialog.Log.Results().at(0).Ok, 1);
    EXPECT_TRUE(automatic.Log.Results().empty());
    EXPECT_EQ(m_server.Requests(VERSION_PATH), 1);
}

TEST_F(HttpReport, ACheckStartedWhileHandlingAReportFetchesAgain)
{
    // The window handles the automatic result by opening a dialog that checks again, on the same
    // checker, while the first worker still waits for the window.
    m_server.Serve(VERSION_PATH, Answer(Document(512, 258, "d")));
    TestEventLoop window;
    LoopReceiver mainWindow(window);
    DirectReceiver dialog;
    const auto checker = Checker();
    std::thread::id second;
    bool dialogGotResult = false;
    mainWindow.Handler = [&](const UpdateResult& result) {
        if (result.Ok == 1 && IsNewerVersion(result.LatestMajor, result.LatestMinor)) {
            second = checker->Start(true, &dialog);
            dialogGotResult = dialog.Log.WaitFor(1, seconds(20));
        }
    };
    const std::thread::id first = checker->Start(false, &mainWindow);
    ASSERT_NE(first, std::thread::id());
    ASSERT_TRUE(mainWindow.Log.WaitFor(1));
    ASSERT_TRUE(WaitIdle(*checker));
    EXPECT_TRUE(dialogGotResult);
    EXPECT_NE(second, std::thread::id());
    EXPECT_NE(second, first);
    EXPECT_EQ(dialog.Log.Results().at(0).LatestMinor, 258);
    EXPECT_EQ(m_server.Requests(VERSION_PATH), 2);
}

TEST_F(HttpReport, DetachedReceiversAreNeverCalled)
{
    m_server.Serve(VERSION_PATH, Silent(Document(512, 258, "d"), milliseconds(200)));
    const auto checker = Checker();

    // Gone while the fetch runs: the check still completes and is recorded.
    DirectReceiver early;
    ASSERT_NE(checker->Start(true, &early), std::thread::id());
    checker->Detach(&early);
    ASSERT_TRUE(WaitIdle(*checker));
    EXPECT_TRUE(early.Log.Results().empty());
    EXPECT_EQ(m_folder.Read(HISTORY), TodayText());

    // Gone while the report waits in its window's queue (the window's thread is busy, as it would be
    // while closing the window): Detach abandons the report rather than wait for that thread.
    TestEventLoop window;
    window.Hold(true);
    LoopReceiver late(window);
    ASSERT_NE(checker->Start(true, &late), std::thread::id());
    while (window.Queued() == 0)
        std::this_thread::sleep_for(milliseconds(1));
    const microseconds took = Timed([&] { checker->Detach(&late); });
    EXPECT_LT(took, SHUTDOWN_LIMIT);
    EXPECT_EQ(late.Abandoned(), 1);
    ASSERT_TRUE(WaitIdle(*checker));
    window.Hold(false);
    while (window.Queued() != 0)
        std::this_thread::sleep_for(milliseconds(1));
    EXPECT_TRUE(late.Log.Results().empty());
}

} // namespace
