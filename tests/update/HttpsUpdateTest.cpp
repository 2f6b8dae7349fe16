// HTTPS certificates are verified: a local TLS server with a self-signed certificate is refused.

#include "update/HttpFetch.h"
#include "update/KVVersionUpdate.h"

#include "TestHttpServer.h"
#include "UpdateTestSupport.h"
#include "support/ChildProcess.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using namespace std::chrono;

bool Accepts(std::uint16_t port)
{
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    const bool connected = fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    if (fd >= 0)
        close(fd);
    return connected;
}

TEST(HttpsUpdate, UntrustedCertificateIsRefused)
{
    TempFolder folder;
    const std::string cert = folder.File("cert.pem");
    const std::string key = folder.File("key.pem");
    ChildProcess makeCert;
    ASSERT_TRUE(makeCert.Start({ "openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "1",
        "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1", "-keyout", key, "-out", cert }))
        << makeCert.Error();
    ASSERT_TRUE(makeCert.Wait(seconds(30)));
    ASSERT_TRUE(makeCert.ExitedWith(0)) << makeCert.ErrorOutput();

    const std::uint16_t port = TestHttpServer::ClosedPort();
    ChildProcess server;
    ASSERT_TRUE(server.Start({ "openssl", "s_server", "-quiet", "-www", "-accept", std::to_string(port),
        "-cert", cert, "-key", key }))
        << server.Error();
    const auto end = steady_clock::now() + seconds(10);
    while (!Accepts(port) && steady_clock::now() < end && server.Running())
        std::this_thread::sleep_for(milliseconds(20));
    ASSERT_TRUE(Accepts(port)) << server.ErrorOutput();

    const std::string url = "https://127.0.0.1:" + std::to_string(port) + "/version.xml";
    FetchRequest request;
    request.Url = url;
    const FetchResult fetched = FetchDocument(request, {});
    EXPECT_EQ(fetched.Status, FETCH_FAILED);
    EXPECT_TRUE(fetched.Bytes.empty());
    EXPECT_NE(fetched.Error.find("certificate"), std::string::npos) << fetched.Error;

    CKVVersionUpdate checker(folder.Path(), url);
    DirectReceiver receiver;
    ASSERT_NE(checker.Start(true, &receiver), std::thread::id());
    ASSERT_TRUE(receiver.Log.WaitFor(1));
    EXPECT_EQ(receiver.Log.Results().at(0).Ok, 0);
}

} // namespace
