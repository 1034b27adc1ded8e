#include "ExpectThrow.h"
#include "LogRecords.h"
#include "RefusingPort.h"
#include "SocketErrorTexts.h"
#include "TcpConnection.h"
#include "TerminalSim.h"
#include "TransportErrors.h"

#include <gtest/gtest.h>

using namespace ecr17::detail;

namespace {

using namespace std::chrono_literals;

struct TcpConnectionTest : ::testing::Test {
    void serve(std::vector<TSimScript> Ascripts)
    {
        sim = std::make_unique<TTerminalSim>(std::move(Ascripts));
        port = sim->port();
    }
    void connect() { connection.Connect(host, port); }
    // Waits until the queue holds Acount bytes.
    void awaitQueued(size_t Acount)
    {
        while (connection.InputBufferSize() < Acount) {
            connection.CheckForDataOnSource(5000);
            if (!connection.Connected())
                break;
        }
        ASSERT_GE(connection.InputBufferSize(), Acount);
    }

    TMemoryLogTool log;
    std::unique_ptr<TTerminalSim> sim;
    TTcpConnection connection;
    std::u16string host = u"127.0.0.1";
    std::uint16_t port = 0;
    int connected = 0;
    int disconnected = 0;
};

TEST_F(TcpConnectionTest, ConnectNeedsHostAndPort)
{
    expectThrowMessage<ETransportError>([&] { connection.Connect(u"", 9100); }, "A Host is required");
    expectThrowMessage<ETransportError>([&] { connection.Connect(u"127.0.0.1", 0); }, "A Port is required");
    EXPECT_FALSE(connection.Connected());
}

TEST_F(TcpConnectionTest, RefusedConnectIsASocketError)
{
    TRefusingPort refusing;
    expectThrowMessage<ESocketError>([&] { connection.Connect(u"127.0.0.1", refusing.port()); }, kRefusedText);
    EXPECT_FALSE(connection.Connected());
}

TEST_F(TcpConnectionTest, EventsFireOnceForConnectAndDisconnect)
{
    serve({{TSimStep::silent()}});
    host = u"localhost";
    connection.setOnConnected([&] { ++connected; });
    connection.setOnDisconnected([&] { ++disconnected; });
    connect();
    EXPECT_TRUE(connection.Connected());
    expectThrowMessage<ETransportError>([&] { connect(); }, "Already connected.");
    connection.Disconnect();
    connection.Disconnect();
    EXPECT_EQ(connected, 1);
    EXPECT_EQ(disconnected, 1);
    EXPECT_FALSE(connection.Connected());
    EXPECT_TRUE(sim->waitForClosed(1));
}

TEST_F(TcpConnectionTest, WritesOneByteACharacterAndReadsBytesAboveAsciiAndNulAsReplacement)
{
    serve({{TSimStep::readFrame(), TSimStep::send({std::string("\xE8\0z", 3)})}});
    connect();
    connection.Write(u"\x02\u00E8\x03\x7F");
    awaitQueued(3);
    EXPECT_EQ(connection.ReadString(connection.InputBufferSize()), (std::u16string{0xFFFD, u'?', u'z'}));
    EXPECT_EQ(sim->connection(0).frames, std::vector<std::string>{"\x02?\x03\x7F"});
}

TEST_F(TcpConnectionTest, PeerCloseLeavesUnreadBytesReadableButRefusesWrites)
{
    serve({{TSimStep::send({"ab"}), TSimStep::close()}});
    connection.setOnDisconnected([&] { ++disconnected; });
    connect();
    awaitQueued(2);
    // Waits for the end of the stream behind the two bytes.
    connection.CheckForDataOnSource(5000);
    EXPECT_TRUE(connection.Connected());
    EXPECT_NO_THROW(connection.CheckForDisconnect(true, false));
    expectThrowMessage<EConnClosedGracefully>([&] { connection.Write(u"x"); }, "Connection Closed Gracefully.");
    EXPECT_EQ(connection.ReadString(2), u"ab");
    EXPECT_FALSE(connection.Connected());
    expectThrowMessage<EConnClosedGracefully>([&] { connection.CheckForDisconnect(true, false); },
                                              "Connection Closed Gracefully.");
    connection.Disconnect();
    EXPECT_EQ(disconnected, 0);
}

TEST_F(TcpConnectionTest, DisconnectDiscardsUnreadBytesAndConnectStartsEmpty)
{
    serve({{TSimStep::send({"xyz"})}, {TSimStep::send({"1"})}});
    connect();
    awaitQueued(3);
    connection.Disconnect();
    EXPECT_FALSE(connection.Connected());
    EXPECT_TRUE(connection.InputBufferIsEmpty());
    connect();
    awaitQueued(1);
    EXPECT_EQ(connection.ReadString(10), u"1");
}

TEST_F(TcpConnectionTest, ResetByPeerIsAClose)
{
    serve({{TSimStep::send({"q"}), TSimStep::reset()}, {TSimStep::silent()}});
    connect();
    awaitQueued(1);
    while (connection.Connected()) {
        connection.ReadString(connection.InputBufferSize());
        connection.CheckForDataOnSource(5000);
    }
    expectThrowMessage<EConnClosedGracefully>([&] { connection.CheckForDisconnect(true, false); },
                                              "Connection Closed Gracefully.");
    // Still usable.
    connect();
    EXPECT_TRUE(connection.Connected());
}

} // namespace
